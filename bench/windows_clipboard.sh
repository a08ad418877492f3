#!/usr/bin/env bash
# The Windows program's clipboard under Wine, this tree beside an older one, in one run on one
# private desktop (Xvfb, openbox, trayer):
#   - bench_windows_clipboard (bench/bench_windows_clipboard.cpp), built against this tree and
#     against the older one: bursts of 13, 100 and 1,000 copies made by another Windows
#     program, 5 ms apart and back to back, as the clipboard monitor reports them (reports,
#     distinct texts kept, failed reads, entries with another change's text), and the
#     monitor's resident memory around one copy of a 10 MiB text;
#   - the real tavro.exe of each portable zip: resident memory (VmRSS) after start-up, after
#     that copy (and the process's peak, VmHWM), and after 13 small copies have pushed it out of
#     the history.
# OLD_WINDOWS_BUILD is the Windows build folder of the older tree, as its
# scripts/build-windows.sh left it (its zip and its libraries); without it only this tree is
# measured. Builds build-bench-windows (the portable zip and the benchmark) first; about five
# minutes. Only measures and prints; it exits non-zero only when something could not be run.
# Usage: bash bench/windows_clipboard.sh [OLD_WINDOWS_BUILD]
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
old=${1:+$(cd "$1" && pwd)}
build=$root/build-bench-windows

bash "$root/scripts/install-deps.sh" test || exit 1
bash "$root/scripts/build-windows.sh" "$build" >/dev/null || exit 1
cmake -DTAVRO_BENCH=ON -DTAVRO_BENCH_OLD_BUILD="$old" "$build" >/dev/null || exit 1
targets=(windows_bench_runtime bench_windows_clipboard)
kinds=(after)
zips=("$(ls "$build"/Tavro-*-windows-x64.zip)")
if [ -n "$old" ]; then
    targets+=(bench_windows_clipboard_before)
    kinds=(before after)
    zips=("$(ls "$old"/Tavro-*-windows-x64.zip)" "${zips[0]}")
fi
ninja -C "$build" -j2 "${targets[@]}" >/dev/null || {
    ninja -C "$build" -j2 "${targets[@]}"
    exit 1
}
bench=$build/bench/bench_windows_clipboard

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
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

declare -A R # the figures, by "kind key"

# ---- the monitor: bursts and one large copy ----
# measure KIND ARGUMENTS...: one measurement by the monitor of KIND, in a process of its own.
measure() {
    local kind=$1 program=$bench.exe output
    shift
    [ "$kind" = before ] && program=${bench}_before.exe
    output=$(timeout 300 "$WINE64" "$program" "$@" 2>/dev/null)
    if [ $? -eq 124 ]; then
        echo "$* : gave no answer within 300 s (ended)"
        return
    fi
    grep -v '^@ ' <<<"$output"
    while read -r _ key value; do
        R[$kind $key]=$value
    done < <(grep '^@ ' <<<"$output")
}
for kind in "${kinds[@]}"; do
    echo
    echo "== the clipboard monitor, $kind"
    for n in 13 100 1000; do
        measure "$kind" --burst "$n" 5
        measure "$kind" --burst "$n" 0
    done
    measure "$kind" --large
done

# ---- the real program ----
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
hwm_kib() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null; }
# settle PID: waits until the process has used no CPU for a second (at most a minute).
settle() {
    local last=-1 now deadline=$((SECONDS + 60))
    while ((SECONDS < deadline)); do
        now=$(cpu_ticks "$1")
        [ "$now" = "$last" ] && return 0
        last=$now
        sleep 1
    done
}
panel_icon() {
    local panel
    panel=$(xdotool search --classname '^panel$' 2>/dev/null | head -n 1) || return 1
    xwininfo -tree -id "$panel" 2>/dev/null | awk '/"explorer.exe"/ {found = 1} END {exit !found}'
}
no_panel_icon() { ! panel_icon; }

for i in "${!kinds[@]}"; do
    kind=${kinds[$i]}
    echo
    echo "== tavro.exe, $kind: $(basename "$(dirname "${zips[$i]}")")/$(basename "${zips[$i]}")"
    mkdir -p "$work/$kind"
    cmake -E chdir "$work/$kind" cmake -E tar xf "${zips[$i]}"
    app=$(ls -d "$work/$kind"/Tavro-*)
    "$WINE64" "$app/tavro.exe" >/dev/null 2>&1 &
    pid=$!
    wait_for 60 panel_icon || echo "(the tray icon did not dock)"
    settle "$pid"
    R[$kind rss_start]=$(rss_kib "$pid")
    "$WINE64" "$bench.exe" --copy-large 10485760 2>/dev/null
    settle "$pid"
    R[$kind rss_large]=$(rss_kib "$pid")
    R[$kind hwm_large]=$(hwm_kib "$pid")
    "$WINE64" "$bench.exe" --copies 13 5 small- 2>/dev/null
    settle "$pid"
    R[$kind rss_pushed_out]=$(rss_kib "$pid")
    R[$kind program_bytes_per_char]=$(awk -v a="${R[$kind rss_start]}" -v b="${R[$kind rss_large]}" \
        'BEGIN {printf "%.1f", (b - a) * 1024 / 10485760}')
    echo "VmRSS ${R[$kind rss_start]} kB at rest, ${R[$kind rss_large]} kB after the 10 MiB copy" \
        "(peak ${R[$kind hwm_large]} kB), ${R[$kind rss_pushed_out]} kB after 13 small copies"
    kill "$pid" 2>/dev/null
    wait_for 20 process_gone "$pid"
    wait_for 20 no_panel_icon
done

# ---- the summary ----
v() { echo "${R[$1 $2]:-n/a}"; }
row() {
    local label=$1 line="" kind key cell
    shift
    for kind in "${kinds[@]}"; do
        cell=""
        for key in "$@"; do
            cell+="${cell:+ / }$(v "$kind" "$key")"
        done
        line+="${line:+  |  }$cell"
    done
    printf '  %-58s %s\n' "$label" "$line"
}
columns="${kinds[*]}"
echo
echo "=================== summary: ${columns// /  |  } ==================="
echo "bursts of copies by another program: reports / distinct texts kept / failed reads /"
echo "entries with another change's text (of which a later change's)"
for n in 13 100 1000; do
    for pace in spaced fast; do
        label="$n copies $([ $pace = spaced ] && echo "5 ms apart" || echo "back to back")"
        row "$label" "burst_${n}_${pace}_reports" "burst_${n}_${pace}_kept" \
            "burst_${n}_${pace}_failed" "burst_${n}_${pace}_other_text" "burst_${n}_${pace}_later_text"
    done
done
echo "one copy of a 10 MiB text (10,485,760 characters)"
row "monitor alone: KiB before / holding it / peak / after" large_before_kib large_holding_kib \
    large_peak_kib large_after_kib
row "monitor alone: bytes held per character" large_bytes_per_char
row "tavro.exe VmRSS kB: at rest / after it / peak / pushed out" rss_start rss_large hwm_large \
    rss_pushed_out
row "tavro.exe: bytes held per character" program_bytes_per_char
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
