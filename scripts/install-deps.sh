#!/usr/bin/env bash
# Installs what building, running and testing Tavro needs on Debian 12, skipping what is there.
# Usage: scripts/install-deps.sh [run|test|windows]
#   run      build and run on Linux
#   windows  also cross-build for Windows (scripts/build-windows.sh)
#   test     everything the tests need: Linux, and Windows under Wine
set -euo pipefail
mode=${1:-test}

run_packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools fonts-ipafont-gothic libgl-dev
    pkgconf libxcb1-dev libxcb-xfixes0-dev libxcb-randr0-dev libwayland-dev libwayland-bin)
test_packages=(libgtest-dev googletest xvfb xauth openbox trayer xclip xdotool x11-utils imagemagick
    e2fsprogs mount dbus dbus-daemon python3 python3-dbus python3-gi gir1.2-glib-2.0
    desktop-file-utils appstream dpkg-dev sway xwayland wl-clipboard x11-xserver-utils)
# MinGW-w64 (posix threads) for the cross build, Debian's GoogleTest sources for its tests,
# Wine to run them.
windows_packages=(g++-mingw-w64-x86-64-posix googletest xz-utils)
wine_packages=(wine wine64)

packages=("${run_packages[@]}")
case "$mode" in
    run) ;;
    windows) packages+=("${windows_packages[@]}") ;;
    test) packages+=("${test_packages[@]}" "${windows_packages[@]}" "${wine_packages[@]}") ;;
    *)
        echo "usage: $0 [run|test|windows]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
