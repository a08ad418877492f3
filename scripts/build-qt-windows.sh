#!/usr/bin/env bash
# Makes the Qt kit for Windows that scripts/build-windows.sh uses (TAVRO_QT_WINDOWS): Qt Base
# 6.4.2 (Core, Gui, Widgets, Test; the windows, offscreen and minimal platforms; the Windows
# Vista style; accessibility) cross-built for x86_64 Windows with Debian's MinGW-w64 from
# Debian's own qt6-base source package, the same version as the host's moc, rcc and uic.
# About 40 minutes on two cores, a few GB of disk. Never run in CI.
#
# Usage: scripts/build-qt-windows.sh OUTPUT_FOLDER [WORK_FOLDER]
#   OUTPUT_FOLDER  where the kit goes (its own folder, e.g. ~/qt6-mingw); it is relocatable
#   WORK_FOLDER    where the source is fetched and built (default: a temporary folder,
#                  removed at the end)
# The result equals ../shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz: pack it with
#   tar -C "$(dirname OUTPUT_FOLDER)" -cJf qt6-mingw-6.4.2.tar.xz "$(basename OUTPUT_FOLDER)"
set -euo pipefail
[ $# -ge 1 ] || {
    sed -n '2,13p' "$0" >&2
    exit 2
}
top=$(cd "$(dirname "$0")/.." && pwd)
qt_version=6.4.2
debian_version=6.4.2+dfsg-10
mkdir -p "$1"
out=$(cd "$1" && pwd)
if [ -n "${2:-}" ]; then
    mkdir -p "$2"
    work=$(cd "$2" && pwd)
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi

# The cross compiler, the host's Qt tools of the same version, and the build tools.
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends g++-mingw-w64-x86-64-posix \
    qt6-base-dev qt6-base-dev-tools cmake ninja-build dpkg-dev xz-utils </dev/null
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case "$host_qt" in
    "$qt_version"+*) ;;
    *)
        echo "the host's Qt tools are $host_qt, not $qt_version: the kit must match them" >&2
        exit 1
        ;;
esac

# Debian's source: apt-get source needs a deb-src line for bookworm main.
cd "$work"
if ! apt-get source --download-only "qt6-base=$debian_version" >/dev/null 2>&1; then
    if ! grep -rqs '^deb-src .* bookworm .*main' /etc/apt/sources.list /etc/apt/sources.list.d/ &&
        ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/; then
        echo "apt has no source entries: add a deb-src line for bookworm main (or Types: deb deb-src" >&2
        echo "in /etc/apt/sources.list.d/debian.sources), run apt-get update, and start again" >&2
    fi
    echo "apt-get source qt6-base=$debian_version failed" >&2
    exit 1
fi
rm -rf "qtbase-everywhere-src-$qt_version"
tar xf "qt6-base_${debian_version%-*}.orig.tar.xz"
src=$work/qtbase-everywhere-src-$qt_version

# Configure with the repository's MinGW toolchain; moc, rcc and uic come from the host.
cmake -G Ninja -S "$src" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$out" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
    -DFEATURE_dynamicgl=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF \
    -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF -DFEATURE_accessibility=ON \
    -DFEATURE_icu=OFF -DFEATURE_vulkan=OFF -DFEATURE_testlib=ON -DFEATURE_system_zlib=OFF
cmake --build "$work/build" --parallel 2
cmake --install "$work/build"

# Stripped DLLs; the toolchain goes with the kit, and the kit's Qt toolchain points at it
# relative to itself, so the folder can be moved.
find "$out" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
cp "$top/cmake/mingw-w64-x86_64.cmake" "$out/lib/cmake/Qt6/mingw-w64-x86_64-posix.cmake"
sed -i 's|^set(__qt_initially_configured_toolchain_file .*|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-posix.cmake")|' \
    "$out/lib/cmake/Qt6/qt.toolchain.cmake"
# Qt's licence texts ship with programs built with the kit.
mkdir -p "$out/LICENSES"
cp "$src"/LICENSES/*.txt "$out/LICENSES/"
echo "Made the Qt kit for Windows in $out: TAVRO_QT_WINDOWS=$out bash scripts/build-windows.sh"
