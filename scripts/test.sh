#!/usr/bin/env bash
# Installs what is missing, builds Tavro with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test: logic, widgets (offscreen) and end to end (private Xvfb desktop).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh test
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE=ON -DTAVRO_TESTS=ON
cmake --build build-test -j "$(nproc)"
cd build-test
# End-to-end tests run one at a time (each starts its own desktop); the rest in parallel.
ctest --output-on-failure --no-tests=error -j "$(nproc)" "$@"
