#!/usr/bin/env bash
# Offline render speed: an optimised host build of kestrelbox-render renders 1, 5 and 10 minutes
# of a sixteen-step setup at 44.1 kHz; one row each with the CPU time and the speed as a multiple
# of real time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench-host
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKB_SANITIZE=none >/dev/null
cmake --build "$build" -j2 --target kestrelbox-render >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/song.kb" <<'PY'
import sys
sys.path.insert(0, "tests/render")
from check_render import settings_file
settings_file(sys.argv[1], steps=16, measures={0: (0, 1, [(k * 3 - 20, 16 + 7 * k, 1) for k in range(16)])})
PY
echo "render speed: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)"
for seconds in 60 300 600; do
    /usr/bin/time -f "%U %S" -o "$work/time" "$build/bin/kestrelbox-render" "$work/song.kb" "$work/out.wav" \
        --midi "$work/out.mid" --seconds "$seconds" 2>/dev/null
    read -r user sys <"$work/time"
    awk -v s="$seconds" -v u="$user" -v k="$sys" -v b="$(stat -c %s "$work/out.wav")" 'BEGIN {
        cpu = u + k; if (cpu < 0.01) cpu = 0.01
        printf "  %4d s of audio: cpu %.2f s, %.0fx real time, %d bytes\n", s, cpu, s / cpu, b }'
done
