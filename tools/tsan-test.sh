#!/usr/bin/env bash
# Builds the host unit tests with ThreadSanitizer in a folder of their own and runs the tests that
# drive the step engine from a real second thread. Any report of a data race fails the run.
#   tools/tsan-test.sh [GTEST-OPTION ...]   e.g. --gtest_repeat=20 --gtest_shuffle
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${KB_TSAN_BUILD_DIR:-build/tsan}

mkdir -p "$dir"
log=$dir/tsan-build.log
cmake --preset host -B "$dir" -DKB_SANITIZE=thread >"$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$dir" -j2 --target kestrel_unit_tests >>"$log" 2>&1 || { tail -50 "$log"; exit 1; }

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
run=("$dir/bin/kestrel_unit_tests" --gtest_filter='EngineThread*' "$@")
# Newer kernels randomise mappings more than this ThreadSanitizer expects; run without ASLR then.
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
    run=(setarch "$(uname -m)" -R "${run[@]}")
fi
exec "${run[@]}"
