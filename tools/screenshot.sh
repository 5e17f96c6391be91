#!/usr/bin/env bash
# Starts Kestrelbox under Wine on a virtual display of its own, waits for its window, writes a
# PNG of the window and ends the program: screenshot.sh OUT.png [program arguments].
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: tools/screenshot.sh OUT.png [program arguments]" >&2; exit 2; }
out=$(realpath -m "$1"); shift
tools/setup.sh
exe=build/windows/bin/kestrelbox.exe
if [ ! -f "$exe" ]; then
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target kestrelbox >/dev/null
fi

if [ -z "${KB_SCREENSHOT_INNER:-}" ]; then
    KB_SCREENSHOT_INNER=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$out" "$@"
fi

prefix=${KB_WINEPREFIX:-$PWD/build/windows/wineprefix}
# The speaker, chosen as a user would: with no sound server the sound card would not open, and
# the box that says so would cover the picture.
tools/wine-run "$prefix" reg add 'HKCU\Software\Classes\Pallidorn\data\8' /v soundCard /d off /f >/dev/null 2>&1
tools/wine-run "$prefix" "$exe" "$@" &
program=$!
trap 'kill $program 2>/dev/null; WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT

# The main window is the one whose name begins with " -  +  " (the caption's first bytes); it is
# taken once it is mapped. Without a window manager it has no frame: the picture is the client area.
window=""
for _ in $(seq 1 300); do
    window=$(xwininfo -root -tree 2>/dev/null | grep -a '" -  +  ' | awk '{print $1}' | head -1 || true)
    if [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; then break; fi
    window=""
    sleep 0.1
done
[ -n "$window" ] || { echo "screenshot.sh: the program's window did not appear" >&2; exit 1; }
sleep 1 # the first paint of every control
geometry=$(xwininfo -id "$window" | awk '/-geometry/ {print $2}')
x=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print $4}')
y=$(xwininfo -id "$window" | awk '/Absolute upper-left Y/ {print $4}')
size=${geometry%%[+-]*}
import -window root -crop "${size}+${x}+${y}" +repage "$out"
echo "wrote $out"
