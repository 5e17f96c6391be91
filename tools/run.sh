#!/usr/bin/env bash
# Builds kestrelbox.exe and starts it: under Wine on Linux, on the current X display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target kestrelbox
exe="$PWD/build/windows/bin/kestrelbox.exe"
if [ -z "${DISPLAY:-}" ]; then
    echo "Built $exe, but there is no X display to show it on."
    echo "Run this from a desktop session, or headless with: xvfb-run -a tools/run.sh"
    exit 1
fi
# The project's own Wine prefix, the one the tests use: ~/.wine is never created or changed.
exec tools/wine-run "${KB_WINEPREFIX:-$PWD/build/windows/wineprefix}" "$exe" "$@"
