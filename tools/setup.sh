#!/usr/bin/env bash
# Installs what building and testing Kestrelbox needs on Debian, and only what is missing.
#   tools/setup.sh [PACKAGE ...]   also installs the packages named, for scripts that need more
set -euo pipefail

packages=(
    cmake make g++ python3 googletest                # host build and unit tests
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev  # the Windows build
    wine wine64 fonts-wine xvfb xauth                # running it on Linux, headless in tests
    x11-apps x11-utils imagemagick                   # screenshots (xwininfo, import)
    pulseaudio pulseaudio-utils python3-mido         # the audio test: a null sink, parec, MIDI reader
    clang-tidy                                       # the naming rule
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
