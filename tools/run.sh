#!/usr/bin/env bash
# Builds kestrelbox.exe and the renderer, and starts the program under Wine on the current X
# display. A setup named on the command line is named from the folder you are in:
#   tools/run.sh [SETUP]
# It also tells the Linux desktop that setups (*.^¶^) open with this build, so a double click in a
# file manager opens them.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$PWD
tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target kestrelbox kestrelbox-render
# The renderer for Linux as well: an optimised build without the test build's sanitizers.
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DKB_SANITIZE=none >/dev/null
cmake --build build/native -j2 --target kestrelbox-render
exe=$root/build/windows/bin/kestrelbox.exe
echo "The renderer: $root/build/native/bin/kestrelbox-render (Linux, no Wine needed)"
echo "          and $root/build/windows/bin/kestrelbox-render.exe (Windows)"
if [ -z "${DISPLAY:-}" ]; then
    echo "Built $exe, but there is no X display to show it on."
    echo "Run this from a desktop session, or headless with: xvfb-run -a tools/run.sh"
    exit 1
fi
# A Wine prefix of the project's own, so ~/.wine is never created or changed; not the tests' one,
# so what the tests store there (the voice, the clock, Wine's audio driver) never changes how the
# program runs for you.
prefix=${KB_RUN_PREFIX:-$root/build/windows/run-prefix}

# The desktop's file type: a MIME type for *.^¶^ and an application that opens it with this build
# (the program takes the Linux path a file manager hands over). Wine's own menu builder does this
# for registered types only in some Wine builds; Debian's leaves file types out.
data=${XDG_DATA_HOME:-$HOME/.local/share}
if mkdir -p "$data/applications" "$data/mime/packages" 2>/dev/null; then
    cat >"$data/mime/packages/kestrelbox.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-kestrelbox-setup">
    <comment>Kestrelbox setup</comment>
    <glob pattern="*.^¶^"/>
  </mime-type>
</mime-info>
XML
    cat >"$data/applications/kestrelbox.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Kestrelbox
Comment=Step sequencer for the PC speaker
Exec="$root/tools/wine-run" "$prefix" "$exe" %f
MimeType=application/x-kestrelbox-setup;
Terminal=false
Categories=AudioVideo;Audio;
DESKTOP
    if command -v update-mime-database >/dev/null; then update-mime-database "$data/mime" >/dev/null 2>&1 || true; fi
    if command -v update-desktop-database >/dev/null; then
        update-desktop-database "$data/applications" >/dev/null 2>&1 || true
    fi
    if command -v xdg-mime >/dev/null; then
        xdg-mime default kestrelbox.desktop application/x-kestrelbox-setup >/dev/null 2>&1 || true
    fi
    echo "Setups (*.^¶^) open with this build from the desktop: $data/applications/kestrelbox.desktop"
fi

# Names of existing files are taken from the caller's folder and handed over as Windows paths;
# Wine starts in the caller's folder as well, so any other relative name is looked up there too.
args=()
for arg in "$@"; do
    if (cd "$caller" && [ -e "$arg" ]); then
        full=$(cd "$caller" && realpath -- "$arg")
        windows=$("$root/tools/wine-run" "$prefix" winepath -w "$full" 2>/dev/null | tr -d '\r') || windows=""
        args+=("${windows:-$full}")
    else
        args+=("$arg")
    fi
done
cd "$caller"
exec "$root/tools/wine-run" "$prefix" "$exe" "${args[@]+"${args[@]}"}"
