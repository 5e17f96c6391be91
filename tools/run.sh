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
# A Wine prefix of the project's own, so ~/.wine is never created or changed; not the tests' one,
# so what the tests store there (the voice, the clock, Wine's audio driver) never changes how the
# program runs for you.
exec tools/wine-run "${KB_RUN_PREFIX:-$PWD/build/windows/run-prefix}" "$exe" "$@"
