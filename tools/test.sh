#!/usr/bin/env bash
# Builds both targets and runs every suite: the core's unit tests on the host and under Wine, the
# Windows tests and the end-to-end tests. One summary line per suite, then the total.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh || exit 1

build() { cmake --preset "$1" >"build-$1.log" 2>&1 && cmake --build --preset "$1" >>"build-$1.log" 2>&1 \
    || { cat "build-$1.log"; echo "build of $1 failed"; exit 1; }; rm -f "build-$1.log"; }
build host
build windows

logs=$root/build/test-logs
mkdir -p "$logs"
export KB_WINEPREFIX=$root/build/windows/wineprefix
# Boot the test prefix once, before any test, so no two tests create it at the same time.
xvfb-run -a tools/wine-run "$KB_WINEPREFIX" cmd /c exit >/dev/null 2>&1 || true
WINEPREFIX=$KB_WINEPREFIX wineserver -w 2>/dev/null

total_pass=0
total_fail=0
# count_gtest LOG / count_unittest LOG: print "passed failed" as the runner reported them, or
# nothing when the log holds no final report (the program died before it got there).
count_gtest() {
    grep -aqE '^\[==========\] [0-9]+ tests? from .* ran' "$1" || return 0
    local pass fail
    pass=$(grep -aoE '^\[  PASSED  \] [0-9]+' "$1" | grep -oE '[0-9]+$' | tail -1)
    fail=$(grep -aoE '^\[  FAILED  \] [0-9]+ test' "$1" | grep -oE '[0-9]+' | tail -1)
    echo "${pass:-0} ${fail:-0}"
}
count_unittest() {
    grep -aqE '^Ran [0-9]+ test' "$1" || return 0
    local ran fail
    ran=$(grep -aoE '^Ran [0-9]+ test' "$1" | grep -oE '[0-9]+' | tail -1)
    fail=$(grep -aoE '(failures|errors)=[0-9]+' "$1" | awk -F= '{ n += $2 } END { print n + 0 }')
    echo "$(( ran - fail )) $fail"
}

# count_result NAME PASSED FAILED: prints the suite's line and adds it to the totals.
count_result() {
    echo "$1: $2 passed, $3 failed"
    total_pass=$((total_pass + $2))
    total_fail=$((total_fail + $3))
}

# run_suite COUNTER NAME COMMAND...: runs a test program and prints "NAME: N passed, M failed".
run_suite() {
    local counter=$1 name=$2; shift 2
    local log=$logs/$name.log
    "$@" >"$log" 2>&1
    local rc=$?
    # A test program prints its first line at once (its output is unbuffered), so a run without
    # it never reached the program: the virtual display or Wine failed to start. Such a run is
    # tried once more, and said so; a program that started and then failed is never retried.
    if [ -n "${RETRY_UNSTARTED:-}" ] && ! grep -q '^\[==========\] Running' "$log"; then
        echo "($name: the program did not start, trying once more; first attempt in $log.first)"
        mv "$log" "$log.first"
        "$@" >"$log" 2>&1
        rc=$?
    fi
    echo "exit code $rc" >>"$log"
    local pass="" fail=""
    read -r pass fail < <("$counter" "$log")
    if [ -z "$pass" ]; then
        echo "($name: no final report, exit code $rc: the program crashed or never started)"
        pass=0 fail=1
    elif [ "$rc" -ne 0 ] && [ "$fail" -eq 0 ]; then
        echo "($name: every test passed, but the program ended with exit code $rc)"
        fail=1
    fi
    if [ "$fail" -ne 0 ]; then
        grep -aE '^\[  FAILED  \]|Failure|ERROR|FAIL:|Sanitizer' "$log" | head -40
        echo "(last lines of $log:)"
        tail -n 6 "$log"
    fi
    count_result "$name" "$pass" "$fail"
}

# present NAME FILE: true when the test program FILE exists; otherwise the suite counts as one
# failure, so a program that failed to build or was left out never passes unnoticed.
present() {
    [ -f "$2" ] && return 0
    echo "($1: the test program $2 is missing)"
    count_result "$1" 0 1
    return 1
}

# Runs a Windows test program under Wine on a virtual display of its own.
run_under_wine() {
    xvfb-run -a -s "-screen 0 1024x768x24" tools/wine-run "$KB_WINEPREFIX" "$@"
    local rc=$?
    WINEPREFIX=$KB_WINEPREFIX wineserver -w 2>/dev/null
    return $rc
}

# Runs a Linux program that starts Wine programs itself, on a virtual display of its own.
run_under_wine_display() {
    xvfb-run -a -s "-screen 0 1024x768x24" "$@"
    local rc=$?
    WINEPREFIX=$KB_WINEPREFIX wineserver -w 2>/dev/null
    return $rc
}

wine_suite() {
    local name=$1 exe=build/windows/bin/$2
    present "$name" "$exe" || return 0
    RETRY_UNSTARTED=1 run_suite count_gtest "$name" run_under_wine "$exe"
}

unit=build/host/bin/kestrel_unit_tests
present unit-host "$unit" && run_suite count_gtest unit-host "$unit"
present art-tools tools/artgen_test.py && run_suite count_unittest art-tools python3 tools/artgen_test.py
present layers tools/layers_test.py && run_suite count_unittest layers python3 tools/layers_test.py
present naming tools/naming_test.py && run_suite count_unittest naming python3 tools/naming_test.py
present render tests/render/check_render.py && run_suite count_unittest render /usr/bin/python3 tests/render/check_render.py build/host/bin/kestrelbox-render
present threads-tsan tools/tsan-test.sh && run_suite count_gtest threads-tsan tools/tsan-test.sh
wine_suite unit-wine kestrel_unit_tests.exe
wine_suite win kestrel_win_tests.exe
wine_suite e2e kestrel_e2e_tests.exe
present run-script tests/run/check_run.py &&
    run_suite count_unittest run-script run_under_wine_display /usr/bin/python3 tests/run/check_run.py
run_suite count_unittest audio-e2e tools/audio-e2e.sh
run_suite count_unittest package python3 tools/package_test.py

echo "total: $total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ]
