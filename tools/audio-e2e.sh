#!/usr/bin/env bash
# The program heard: starts a PulseAudio server of its own (in a private runtime folder, as any
# user) with a two-channel null sink and a one-channel sink on each of its channels, points Wine's
# audio at it and records the sink's monitor while the test build plays. First one copy, started
# and stopped several times, on the left channel; then two copies, each stream moved to its own
# channel, started from each copy in turn and once with Control held. The recordings are checked
# against the tone logs: onsets, pitches, and the two copies against each other.
#   tools/audio-e2e.sh [starts] [ms per start] [ms of the first paired run]   default 4 5000 30000
#   KB_AUDIO_HOG=N        N busy processes compete for the processors meanwhile
#   KB_AUDIO_REPORT=1     also prints the figures as benchmark rows, and a bare waveOut loop's
#                         beside them (bench/WaveOutReference.cpp: its count against its sound)
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
prefix=${KB_WINEPREFIX:-$root/build/windows/wineprefix}
starts=${1:-4}
run_ms=${2:-5000}
pair_ms=${3:-30000}
rate=44100
work=$(mktemp -d /tmp/kestrel-audio.XXXXXX)
pulse_pid=""
parec_pid=""
recorder_pid=""
hog_pids=()
keep_pids=()
stop_recorder() {
    [ -n "$parec_pid" ] && kill "$parec_pid" 2>/dev/null && wait "$parec_pid" 2>/dev/null
    [ -n "$recorder_pid" ] && wait "$recorder_pid" 2>/dev/null
    parec_pid=""
    recorder_pid=""
}
cleanup() {
    stop_recorder
    for pid in "${hog_pids[@]}" "${keep_pids[@]}"; do kill "$pid" 2>/dev/null; done
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
    if [ -n "${KB_AUDIO_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$work/run
export PULSE_RUNTIME_PATH=$work/run/pulse
export PULSE_STATE_PATH=$work/state
export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
chmod 700 "$XDG_RUNTIME_DIR"
cat >"$work/server.pa" <<PA
load-module module-null-sink sink_name=kestrel rate=$rate channels=2 channel_map=front-left,front-right format=s16le
load-module module-remap-sink sink_name=left master=kestrel channels=1 master_channel_map=front-left channel_map=mono remix=no
load-module module-remap-sink sink_name=right master=kestrel channels=1 master_channel_map=front-right channel_map=mono remix=no
load-module module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native
set-default-sink kestrel
PA
pulseaudio -n -F "$work/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --log-level=debug --log-time=1 --log-target=file:"$work/pulse.log" >/dev/null 2>&1 &
pulse_pid=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
if ! pactl info >/dev/null 2>&1; then
    echo "FAIL: the PulseAudio server did not start"; cat "$work/pulse.log"; exit 1
fi

# The server's log counts seconds from its start; a named client, timed from here, ties that
# count to the monotonic clock, so the underruns it logs can be found in the recordings.
/usr/bin/python3 - "$work/anchor" <<'PY'
import subprocess, sys, time
before = time.clock_gettime(time.CLOCK_MONOTONIC)
subprocess.run(["pactl", "--client-name=kestrel-anchor", "stat"], stdout=subprocess.DEVNULL, check=True)
after = time.clock_gettime(time.CLOCK_MONOTONIC)
open(sys.argv[1], "w").write("%.6f %.6f\n" % (before, after))
PY

WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
# The server that command started has no display; the program must not join it.
WINEPREFIX=$prefix wineserver -w 2>/dev/null

for _ in $(seq "${KB_AUDIO_HOG:-0}"); do
    python3 -c 'while True: pass' &
    hog_pids+=($!)
done

# record NAME: records the monitor into NAME.raw, with arrival times in NAME.times.
record() {
    mkfifo "$work/$1.fifo"
    /usr/bin/python3 tests/audio/record.py "$work/$1.raw" "$work/$1.times" 4 <"$work/$1.fifo" &
    recorder_pid=$!
    parec -d kestrel.monitor --format=s16le --rate=$rate --channels=2 --raw --latency-msec=20 >"$work/$1.fifo" &
    parec_pid=$!
}
windows_path() { local p=$1; echo "Z:${p//\//\\}"; }
e2e() {
    xvfb-run -a -s "-screen 0 1024x768x24" tools/wine-run "$prefix" build/windows/bin/kestrel_e2e_tests.exe "$@"
    local rc=$?
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
    return $rc
}

record single
KB_AUDIO_TONE_LOG=$(windows_path "$work/single.log") KB_AUDIO_STARTS=$starts KB_AUDIO_RUN_MS=$run_ms \
    e2e --gtest_filter='AudioE2e.Several*'
single_rc=$?
sleep 0.5 # the monitor's last buffer
stop_recorder

# Moves the two copies' streams, once both exist, to a channel each: the copy started first (the
# lower process id) to the left, the other to the right.
move_streams() {
    while [ ! -f "$work/wanted" ]; do sleep 0.1; done
    local pids
    pids=$(pactl list sink-inputs | sed -n 's/.*application.process.id = "\([0-9]*\)".*/\1/p' | sort -n |
        grep -vxF "$(printf '%s\n' "${keep_pids[@]}")")
    local ids=() pid
    for pid in $pids; do
        ids+=("$(pactl list sink-inputs | awk -v pid="$pid" '
            /^Sink Input #/ { id = substr($3, 2) }
            $0 ~ "application.process.id = \"" pid "\"" { print id; exit }')")
    done
    if [ ${#ids[@]} -eq 2 ]; then
        # Both are moved, so that neither stream has been through anything the other has not.
        pactl move-sink-input "${ids[0]}" left && pactl move-sink-input "${ids[1]}" right
    else
        echo "expected two streams, found ${#ids[@]}" >&2
    fi
    : >"$work/moved"
}
# Silence on each channel's sink while the pair plays: an idle sink lets the server buffer up to
# two seconds for it, and a stream moved into one would stay behind by what was buffered there.
# They get Wine's buffer, 60 ms: with 30 ms they ran dry dozens of times a run on a busy machine,
# and each such underrun makes the server rewind the sink that the copy's stream plays on.
for sink in left right; do
    pacat --playback -d "$sink" --latency-msec=60 --raw --format=s16le --rate=$rate --channels=1 </dev/zero &
    keep_pids+=($!)
done
move_streams &
mover_pid=$!
record pair
KB_AUDIO_PAIR_LOGS="$(windows_path "$work/pair-a.log");$(windows_path "$work/pair-b.log")" \
    KB_AUDIO_STREAMS_WANTED=$(windows_path "$work/wanted") KB_AUDIO_STREAMS_MOVED=$(windows_path "$work/moved") \
    KB_AUDIO_PAIR_MS=$pair_ms e2e --gtest_filter='AudioE2e.TwoCopies*'
pair_rc=$?
kill "$mover_pid" 2>/dev/null
for pid in "${keep_pids[@]}"; do kill "$pid" 2>/dev/null; done
sleep 0.5
stop_recorder

report=()
if [ -n "${KB_AUDIO_REPORT:-}" ]; then
    report=(--report)
    # The reference: a bare waveOut loop with the program's ring, its count beside its sound.
    record reference
    xvfb-run -a tools/wine-run "$prefix" build/windows/bin/waveout_reference.exe 20 \
        "$(windows_path "$work/reference.counts")" >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w 2>/dev/null
    sleep 0.5
    stop_recorder
fi
/usr/bin/python3 tests/audio/check_recording.py --rate $rate --work "$work" --pair-ms "$pair_ms" "${report[@]}"
check_rc=$?
[ "$single_rc" -eq 0 ] && [ "$pair_rc" -eq 0 ] && [ "$check_rc" -eq 0 ]
