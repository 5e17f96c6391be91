#!/usr/bin/env bash
# Builds the host unit tests with ThreadSanitizer in a folder of their own and runs the tests that
# drive the step engine from a real second thread. Any report of a data race fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${KB_TSAN_BUILD_DIR:-build/tsan}

cmake --preset host -B "$dir" -DKB_SANITIZE=thread >"$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j2 --target kestrel_unit_tests >"$dir.build.log" 2>&1 \
    || { tail -50 "$dir.build.log"; exit 1; }
rm -f "$dir.configure.log" "$dir.build.log"

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
run=("$dir/bin/kestrel_unit_tests" --gtest_filter='EngineThread*')
# Newer kernels randomise mappings more than this ThreadSanitizer expects; run without ASLR then.
if command -v setarch >/dev/null && setarch "$(uname -m)" -R true 2>/dev/null; then
    run=(setarch "$(uname -m)" -R "${run[@]}")
fi
exec "${run[@]}"
