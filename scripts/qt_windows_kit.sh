# Finds the Qt kit for Windows (Qt 6.4.2 cross-built with MinGW-w64). Source this file, then
# `kit=$(qt_windows_kit BUILD_FOLDER)`: the kit named by TAVRO_QT_WINDOWS, else the shared
# tarball (../shared/qt6-mingw beside the repository, or TAVRO_QT_WINDOWS_TARBALL) checked
# against its SHA256SUMS and unpacked into BUILD_FOLDER/qt6-mingw once. Without either it
# says how to make a kit and fails.

qt_windows_kit() {
    local build=$1
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    local marker=lib/cmake/Qt6/qt.toolchain.cmake
    if [ -n "${TAVRO_QT_WINDOWS:-}" ]; then
        if [ ! -f "$TAVRO_QT_WINDOWS/$marker" ]; then
            echo "TAVRO_QT_WINDOWS=$TAVRO_QT_WINDOWS holds no Qt kit (no $marker)" >&2
            return 1
        fi
        (cd "$TAVRO_QT_WINDOWS" && pwd)
        return 0
    fi
    local tarball=${TAVRO_QT_WINDOWS_TARBALL:-$top/../shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz}
    if [ ! -f "$tarball" ]; then
        cat >&2 <<MESSAGE
No Qt kit for Windows was found: set TAVRO_QT_WINDOWS to an unpacked kit, or put
qt6-mingw-6.4.2.tar.xz (with its SHA256SUMS) at $tarball.
To make a kit from Debian's Qt source (about 40 minutes on two cores):
    bash scripts/build-qt-windows.sh /some/folder/qt6-mingw
then: TAVRO_QT_WINDOWS=/some/folder/qt6-mingw bash scripts/build-windows.sh
MESSAGE
        return 1
    fi
    local kit=$build/qt6-mingw
    local sum
    sum=$(sha256sum "$tarball" | cut -d' ' -f1)
    if [ -f "$kit/$marker" ] && [ "$(cat "$kit/.tarball-sha256" 2>/dev/null)" = "$sum" ]; then
        echo "$kit"
        return 0
    fi
    local sums
    sums=$(dirname "$tarball")/SHA256SUMS
    if [ ! -f "$sums" ] || ! grep -q "^$sum  $(basename "$tarball")\$" "$sums"; then
        echo "$tarball does not match $sums: not unpacking it" >&2
        return 1
    fi
    rm -rf "$kit"
    mkdir -p "$build"
    tar -xJf "$tarball" -C "$build" || return 1
    [ -f "$kit/$marker" ] || {
        echo "$tarball holds no qt6-mingw/$marker" >&2
        return 1
    }
    echo "$sum" >"$kit/.tarball-sha256"
    echo "$kit"
}
