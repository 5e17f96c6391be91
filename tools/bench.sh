#!/usr/bin/env bash
# Builds the Windows benchmarks and runs one under Wine.
#   tools/bench.sh [--hog] [steps] [tempo ...]    default: 2000 steps at 126 and at 600 beats per minute
#   tools/bench.sh files [rounds]                 opening and saving a settings file, default 15 rounds
# The full default run takes about fifteen minutes: every run plays its steps in real time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${KB_BENCH_BUILD:-$root/build/windows}
cmake --preset windows -B "$build" >/dev/null
if [ "${1:-}" = files ]; then
    shift
    cmake --build "$build" -j2 --target file_open >/dev/null
    exec xvfb-run -a -s "-screen 0 1024x768x24" tools/wine-run "$build/wineprefix" "$build/bin/file_open.exe" "$@"
fi
cmake --build "$build" -j2 --target step_timing >/dev/null
exec tools/wine-run "$build/wineprefix" "$build/bin/step_timing.exe" "$@"
