# Wine for the Windows tests. Source it with the prefix to use when TAVRO_WINEPREFIX is not
# set: `source wine_env.sh DEFAULT_PREFIX`. The prefix is made on first use (wineboot -i),
# under a lock, so tests started side by side share it.
#
# The test machine's own settings stay out of it: Wine gets a home folder of its own (it
# links the prefix's Desktop and Documents there), and neither Mono, Gecko nor the menu
# builder (which writes .desktop files into the home folder) is set up.

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver64}
export WINEPREFIX=${TAVRO_WINEPREFIX:-$1}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export HOME=$WINEPREFIX.home
_wine_env_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Makes the prefix unless it is there: Windows' folders and registry, and the font
# substitution a Japanese Windows has built in (ＭＳ Ｐゴシック drawn with IPAPGothic, its
# metric match), as the program asks for that face by name.
wine_prefix_ready() {
    mkdir -p "$(dirname "$WINEPREFIX")" "$HOME"
    (
        flock 9
        [ -f "$WINEPREFIX/.tavro-ready" ] && exit 0
        rm -rf "$WINEPREFIX"
        DISPLAY= "$WINE64" wineboot -i >/dev/null 2>&1 9>&- || exit 1
        local reg=$WINEPREFIX.fonts.reg
        iconv -f UTF-8 -t UTF-16 "$_wine_env_here/font_substitutes.reg" >"$reg"
        DISPLAY= "$WINE64" regedit /S "$(wine_path "$reg")" >/dev/null 2>&1 9>&- || exit 1
        "$WINESERVER" -w 9>&-
        touch "$WINEPREFIX/.tavro-ready"
    ) 9>"$WINEPREFIX.lock"
}

# Starts the prefix's Wine session unless it runs: one that outlives each test program by a
# little, instead of one started for every program (a second or two each); it ends on its
# own 30 s after the last one. Its service processes start here, away from any test's
# output, which they would otherwise hold open (and the test with it) until the session
# ends; under the lock, so two tests starting at once don't both start them (none of them
# keeps the lock's descriptor, or the lock would last as long as the session).
wine_session_start() {
    (
        flock 9
        "$WINESERVER" -p30 >/dev/null 2>&1 9>&- || true
        "$WINE64" wineboot >/dev/null 2>&1 </dev/null 9>&- || true
    ) 9>"$WINEPREFIX.lock"
    return 0
}

# The Windows form of a Unix path (Wine maps / to drive Z:).
wine_path() {
    printf 'Z:%s' "${1//\//\\}"
}

# Ends every Wine process of the prefix and waits until they are gone. A test that needs a
# display of its own calls this before and after: the prefix's first Wine process decides
# which display the whole Wine session (its desktop, tray and clipboard) uses.
wine_session_end() {
    "$WINESERVER" -k >/dev/null 2>&1
    "$WINESERVER" -w >/dev/null 2>&1
    return 0
}
