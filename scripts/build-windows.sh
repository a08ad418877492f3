#!/usr/bin/env bash
# Cross-builds Tavro for 64-bit Windows with MinGW-w64 and packs the portable zip
# build-windows/Tavro-<version>-windows-x64.zip (tavro.exe with the DLLs it needs).
# Usage: scripts/build-windows.sh [--tests] [BUILD_FOLDER]
#   --tests  also builds the Windows test programs (scripts/test.sh runs them under Wine)
# The Qt kit comes from TAVRO_QT_WINDOWS, else from ../shared/qt6-mingw (see
# scripts/qt_windows_kit.sh); scripts/build-qt-windows.sh makes one.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tests=OFF
if [ "${1:-}" = --tests ]; then
    tests=ON
    shift
fi
build=${1:-$top/build-windows}
mkdir -p "$build"
build=$(cd "$build" && pwd)

bash "$top/scripts/install-deps.sh" windows
# shellcheck source=qt_windows_kit.sh
source "$top/scripts/qt_windows_kit.sh"
kit=$(qt_windows_kit "$build") || exit 1

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$kit/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DTAVRO_TESTS="$tests" -DTAVRO_GTEST_SOURCE_DIR=/usr/src/googletest >/dev/null
cmake --build "$build" -j 2
(cd "$build" && cpack -G ZIP -B "$build/package" >/dev/null)
zip=$(ls "$build"/package/Tavro-*-windows-x64.zip)
mv -f "$zip" "$build/"
rm -rf "$build/package"
echo "Packed $build/$(basename "$zip") ($(du -k "$build/$(basename "$zip")" | cut -f1) KiB)"
