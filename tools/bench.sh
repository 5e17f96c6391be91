#!/usr/bin/env bash
# Builds the Windows benchmarks and runs one under Wine.
#   tools/bench.sh [--hog] [steps] [tempo ...]    default: 2000 steps at 126 and at 600 beats per minute
#   tools/bench.sh files [rounds]                 opening and saving a settings file, default 15 rounds
#   tools/bench.sh panel [starts] [rounds]        painting in process; start-up (from outside and by
#                                                 phase inside), clicks, typed tempo, repaint, width
#                                                 changes and close, each beside a bare window with 17
#                                                 edits; Wine server round trips per action
#   tools/bench.sh panel-editing [seconds]        Shift-drags, and playing at 600 and 3000 BPM
#   tools/bench.sh audio [idle|hog|both]          heard onset error of the sound card over 5 starts
#                                                 (about 400 tones), two copies over 60 s, and the
#                                                 speaker path's step clock beside them; both: idle,
#                                                 then with two busy processes (default), ~10 minutes
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
if [ "${1:-}" = audio ]; then
    passes=${2:-both}
    cmake --build "$build" -j2 --target step_timing kestrelbox_probe kestrel_e2e_tests >/dev/null
    run_pass() { # run_pass HOGS
        local hogs=() pid
        echo "== sound card, $1 busy processes"
        # The suite's verdict is not the benchmark's: its figures are printed either way.
        { KB_AUDIO_HOG=$1 KB_AUDIO_REPORT=1 tools/audio-e2e.sh 5 16000 60000 2>&1 || true; } |
            grep -aE '^(heard|two copies|latency|one copy)' || true
        echo "== speaker path (step clock), $1 busy processes"
        for _ in $(seq "$1"); do
            python3 -c 'while True: pass' &
            hogs+=($!)
        done
        { KB_BENCH_CONDITIONS="$1 busy processes" tools/wine-run "$build/wineprefix" "$build/bin/step_timing.exe" 400 126 2>&1 || true; } |
            grep -aE 'engine|step timing|tempo' || true
        for pid in "${hogs[@]}"; do kill "$pid"; done
    }
    [ "$passes" = hog ] || run_pass 0
    [ "$passes" = idle ] || run_pass 2
    exit 0
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
    rounds=${2:-30}
    # KB_BENCH_BIN may name another folder holding panel_drive, bare_dialog and a probe build (an
    # older one, to compare); by default the one just built.
    bin=${KB_BENCH_BIN:-$build/bin}
    prefix=${KB_BENCH_PREFIX:-$build/wineprefix}
    wine="tools/wine-run $prefix"
    trace=$(mktemp /tmp/kestrel-trace.XXXXXX)
    # One display for every part; the load average is read on the host as each part starts. The
    # trace comes last, from a fresh server: once one traced process has run, the server traces
    # every request until it exits, which would slow whatever ran after it. The server traces
    # when the process that starts it asks for it.
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
        set -e
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_paint.exe
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_drive.exe start $starts
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $bin/panel_drive.exe actions $rounds
        WINEPREFIX=$prefix wineserver -w
        WINEDEBUG=+server $wine $bin/panel_drive.exe trace >/dev/null 2>$trace
        WINEPREFIX=$prefix wineserver -w"
    python3 tools/count-roundtrips.py "$trace"
    rm -f "$trace"
    exit 0
fi
if [ "${1:-}" = panel-editing ]; then
    shift
    cmake --build "$build" -j2 --target panel_drive >/dev/null
    wine="tools/wine-run $build/wineprefix"
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c "
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $build/bin/panel_drive.exe edit
        KB_LOADAVG=\"\$(cut -d' ' -f1-3 /proc/loadavg)\" $wine $build/bin/panel_drive.exe tempo ${1:-10}"
fi
cmake --build "$build" -j2 --target step_timing >/dev/null
exec tools/wine-run "$build/wineprefix" "$build/bin/step_timing.exe" "$@"
