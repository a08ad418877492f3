#!/usr/bin/env bash
# Start-up time and resident memory of tavro.exe under Wine next to the Linux Release build,
# in one run on the same private desktop (Xvfb, openbox, trayer):
#   - start-up: from launching the program to its tray icon docked in trayer's panel (Linux:
#     the program's own icon window; Windows: Wine's icon window, the only one in the panel);
#   - resident memory (VmRSS) of the program's process once it has idled for two seconds
#     (under Wine, Wine's own libraries count; wineserver and Wine's explorer do not).
# Each program starts five times in a fresh folder; the median is printed. The Wine session
# (wineserver, explorer) is running before each Windows start, as Windows' desktop is.
# Builds build-bench (Release) and the portable zip (scripts/build-windows.sh) first.
# Usage: bash bench/windows_startup.sh
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${TAVRO_BENCH_RUNS:-5}

bash "$root/scripts/install-deps.sh" test || exit 1
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
ninja -C "$root/build-bench" -j2 tavro >/dev/null || exit 1
bash "$root/scripts/build-windows.sh" >/dev/null || exit 1
zip=$(ls "$root"/build-windows/Tavro-*-windows-x64.zip)

# shellcheck source=../scripts/e2e/desktop.sh
source "$root/scripts/e2e/desktop.sh"
work=$(mktemp -d)
# shellcheck source=../tests/windows/wine_env.sh
source "$root/tests/windows/wine_env.sh" "$work/prefix"
cleanup() {
    wine_session_end
    stop_desktop
    rm -rf "$work"
}
start_desktop --fixed-tray || exit 1
trap cleanup EXIT
wine_prefix_ready || exit 1
wine_session_start

now_ms() { date +%s%3N; }
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
panel_icon() {
    local panel
    panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -n 1) || return 1
    xwininfo -tree -id "$panel" 2>/dev/null | awk '/"explorer.exe"/ {found = 1} END {exit !found}'
}

# Starting run N of each kind in a fresh folder; its process id goes to PROGRAM_PID.
linux_start() {
    mkdir -p "$work/linux.$1" && cp "$root/build-bench/tavro" "$work/linux.$1/"
    "$work/linux.$1/tavro" >/dev/null 2>&1 &
    PROGRAM_PID=$!
}
windows_start() {
    cmake -E chdir "$work" cmake -E tar xf "$zip"
    mv "$work"/Tavro-*-windows-x64 "$work/windows.$1"
    "$WINE64" "$work/windows.$1/tavro.exe" >/dev/null 2>&1 &
    PROGRAM_PID=$!
}
no_panel_icon() { ! panel_icon && ! tray_icon_of "$PROGRAM_PID" >/dev/null; }
linux_docked() { tray_icon_of "$PROGRAM_PID" >/dev/null; }
windows_docked() { panel_icon; }

for kind in linux windows; do
    : >"$work/$kind.times"
    : >"$work/$kind.rss"
    for ((i = 1; i <= runs; i++)); do
        started=$(now_ms)
        "${kind}_start" "$i"
        if wait_for 60 "${kind}_docked"; then
            echo $(($(now_ms) - started)) >>"$work/$kind.times"
        fi
        sleep 2 # idle: the figure below is the program at rest
        rss_kib "$PROGRAM_PID" >>"$work/$kind.rss"
        kill "$PROGRAM_PID" 2>/dev/null
        wait_for 20 process_gone "$PROGRAM_PID"
        wait_for 20 no_panel_icon
    done
done

printf '\n%-28s %14s %14s\n' "tavro ($runs starts, median)" "Linux Release" "Windows (Wine)"
printf '%-28s %14s %14s\n' "start-up to docked icon, ms" \
    "$(median <"$work/linux.times")" "$(median <"$work/windows.times")"
printf '%-28s %14s %14s\n' "resident memory, KiB" \
    "$(median <"$work/linux.rss")" "$(median <"$work/windows.rss")"
printf '%-28s %14s\n' "portable zip, KiB" "$(du -k "$zip" | cut -f1)"
