#!/usr/bin/env bash
# Installs what is missing, builds Tavro with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test: logic, widgets (offscreen) and end to end (private Xvfb desktop).
# It also cross-builds Tavro and its tests for Windows (scripts/build-windows.sh, into
# build-windows/) and runs those under Wine in a fresh temporary Wine prefix, in the same
# test run, labelled windows. Without a Qt kit for Windows (see scripts/qt_windows_kit.sh)
# it stops, unless TAVRO_SKIP_WINDOWS=1 leaves the Windows tests out.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh test

windows_build=$top/build-windows
windows_args=(-DTAVRO_WINDOWS_TEST_BUILD=)
if [ "${TAVRO_SKIP_WINDOWS:-0}" = 1 ]; then
    echo "TAVRO_SKIP_WINDOWS=1: the Windows tests are left out" >&2
else
    bash scripts/build-windows.sh --tests "$windows_build"
    windows_args=(-DTAVRO_WINDOWS_TEST_BUILD="$windows_build")
    # A fresh Wine prefix for this run, made on first use and removed at the end.
    wine_folder=$(mktemp -d)
    export TAVRO_WINEPREFIX=$wine_folder/prefix
    end_wine() {
        WINEPREFIX=$TAVRO_WINEPREFIX /usr/lib/wine/wineserver64 -k >/dev/null 2>&1 || true
        WINEPREFIX=$TAVRO_WINEPREFIX /usr/lib/wine/wineserver64 -w >/dev/null 2>&1 || true
        rm -rf "$wine_folder"
    }
    trap end_wine EXIT
fi

cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVRO_SANITIZE=ON -DTAVRO_TESTS=ON \
    "${windows_args[@]}"
cmake --build build-test -j "$(nproc)"
cd build-test
# End-to-end tests run one at a time (each starts its own desktop); the rest in parallel.
ctest --output-on-failure --no-tests=error -j "$(nproc)" "$@"
