#!/usr/bin/env bash
# Installs what is missing, builds Tavro and starts it on the current desktop.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Built build/tavro. No desktop is reachable here (DISPLAY is not set); start it from a desktop session." >&2
    exit 1
fi
exec "$top/build/tavro"
