#!/usr/bin/env bash
# Installs what building, running and testing Tavro needs on Debian 12, skipping what is there.
# Usage: scripts/install-deps.sh [run|test]
set -euo pipefail
mode=${1:-test}

run_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools fonts-ipafont-gothic libgl-dev
  libxcb1-dev libxcb-xfixes0-dev)
test_packages=(libgtest-dev googletest xvfb xauth openbox trayer xclip xdotool x11-utils imagemagick)

packages=("${run_packages[@]}")
[ "$mode" = test ] && packages+=("${test_packages[@]}")

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
