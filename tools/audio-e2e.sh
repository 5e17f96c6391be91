#!/usr/bin/env bash
# The program heard: starts a PulseAudio server of its own with a null sink (in a private runtime
# folder, as any user), points Wine's audio at it, records the sink's monitor with parec while the
# test build plays its start-up setup through the sound card, and checks the recorded onsets and
# pitches against the tone log.
#   tools/audio-e2e.sh [tones]       default 48; KB_AUDIO_REPORT=1 also prints the timing figures
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
prefix=${KB_WINEPREFIX:-$root/build/windows/wineprefix}
tones=${1:-48}
rate=44100
work=$(mktemp -d /tmp/kestrel-audio.XXXXXX)
pulse_pid=""
parec_pid=""
cleanup() {
    [ -n "$parec_pid" ] && kill "$parec_pid" 2>/dev/null && wait "$parec_pid" 2>/dev/null
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
load-module module-null-sink sink_name=kestrel rate=$rate channels=1 format=s16le
load-module module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native
set-default-sink kestrel
PA
pulseaudio -n -F "$work/server.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --disable-shm=yes --log-target=file:"$work/pulse.log" >/dev/null 2>&1 &
pulse_pid=$!
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
if ! pactl info >/dev/null 2>&1; then
    echo "FAIL: the PulseAudio server did not start"; cat "$work/pulse.log"; exit 1
fi

parec -d kestrel.monitor --format=s16le --rate=$rate --channels=1 --raw --latency-msec=20 >"$work/recording.raw" &
parec_pid=$!

WINEPREFIX=$prefix WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
# The server that command started has no display; the program must not join it.
WINEPREFIX=$prefix wineserver -w 2>/dev/null
log=$work/tones.log
KB_AUDIO_TONE_LOG="Z:${log//\//\\}" KB_AUDIO_TONES=$tones \
    xvfb-run -a -s "-screen 0 1024x768x24" tools/wine-run "$prefix" build/windows/bin/kestrel_e2e_tests.exe \
    --gtest_filter='AudioE2e.*'
program_rc=$?
WINEPREFIX=$prefix wineserver -w 2>/dev/null
sleep 0.5 # the monitor's last buffer
kill "$parec_pid" 2>/dev/null; wait "$parec_pid" 2>/dev/null; parec_pid=""

/usr/bin/python3 tests/audio/check_recording.py "$work/recording.raw" "$log" $rate
check_rc=$?
[ "$program_rc" -eq 0 ] && [ "$check_rc" -eq 0 ]
