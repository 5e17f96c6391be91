#!/usr/bin/env bash
# Builds the Windows benchmarks and runs one under Wine.
#   tools/bench.sh [--hog] [steps] [tempo ...]    default: 2000 steps at 126 and at 600 beats per minute
#   tools/bench.sh files [rounds]                 opening and saving a settings file, default 15 rounds
#   tools/bench.sh panel [starts] [seconds]       painting, width changes, start-up, editing and
#                                                 playback at 600 and 3000 BPM; default 10 starts, 10 s
#   tools/bench.sh export [rounds]                Export WAV and MIDI of 1, 5 and 10 minute passes
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
if [ "${1:-}" = export ]; then
    shift
    cmake --build "$build" -j2 --target export_bench >/dev/null
    exec tools/wine-run "$build/wineprefix" "$build/bin/export_bench.exe" "$@"
fi
if [ "${1:-}" = panel ]; then
    shift
    cmake --build "$build" -j2 --target panel_paint panel_drive >/dev/null
    starts=${1:-10}
    seconds=${2:-10}
    wine="tools/wine-run $build/wineprefix"
    bin=$build/bin
    # One display for every part; the load average is read on the host as each part starts.
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
        set -e
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_paint.exe
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_drive.exe start $starts
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_drive.exe edit
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_drive.exe tempo $seconds"
fi
cmake --build "$build" -j2 --target step_timing >/dev/null
exec tools/wine-run "$build/wineprefix" "$build/bin/step_timing.exe" "$@"
