#!/usr/bin/env bash
# Runs every benchmark of Tavro and prints one summary table at the end:
#   - bench_load_text (the saved-text load);
#   - bench_clipboard_monitor: the platform's clipboard monitor alone, on the Xvfb desktop
#     (xclip) beside headless sway (wl-copy): change -> reported change, bursts of 13 and 100
#     copies, the window's longest stall with an owner that never sends its text; on X11 a
#     slow owner beside a recall and the reader's connection killed (also built against the
#     older program of TAVRO_BENCH_BASELINE when given, for figures before);
#     with sway's Xwayland, how many entries an X11 copy, a Wayland copy and a recall make;
#   - bench_clipboard on a private Xvfb desktop, the window beside a bare Qt listener: latency
#     from another process setting the clipboard to the new history entry; bursts of 13, 100
#     and 1,000 xclip copies about 5 ms apart (distinct texts kept, in order) and of 1,000
#     changes back to back; the window's longest stall while a misbehaving owner
#     (tests/tools/bad_clipboard_owner) holds the clipboard;
#   - the real program under openbox + trayer: idle cost over 60 s, resident memory before and
#     after 1,000 and 2,000 clipboard changes, and the time from choosing "終了" in the tray menu
#     to the end of the process, with and without the program owning the clipboard, and with a
#     clipboard manager running when one is installed (xfce4-clipman, parcellite; not installed
#     by this script);
#   - how often the tray menu stays open after Escape while the clipboard changes back to
#     back; resident memory around one 100 MB copy, and the CPU time a start with 10,000 saved texts
#     costs beyond an empty start, beside the floor of reading them: for this build and, when
#     TAVRO_BENCH_BASELINE names the build folder of another version (with tavro and
#     bench/bench_window_load built), for that one in the same run.
# Installs only what scripts/install-deps.sh test installs; builds build-bench in Release.
# Only measures and prints; it exits non-zero only when something could not be run at all.
# Usage: bash bench/run_benchmarks.sh
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
idle_seconds=${TAVRO_BENCH_IDLE_SECONDS:-60}

bash "$root/scripts/install-deps.sh" test || exit 1
# TAVRO_BENCH_BASELINE: the Release build folder (with TAVRO_BENCH=ON) of another version,
# measured beside this one; the monitor benchmark is built against its sources too.
baseline=${TAVRO_BENCH_BASELINE:-}
baseline_source=
versions=(this)
declare -A build_of=([this]=$build)
if [ -n "$baseline" ]; then
    baseline=$(cd "$baseline" && pwd)
    baseline_source=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$baseline/CMakeCache.txt")
    versions+=(baseline)
    build_of[baseline]=$baseline
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVRO_BENCH=ON \
    -DTAVRO_BENCH_BASELINE_SOURCE="$baseline_source" \
    -DTAVRO_BENCH_BASELINE_BUILD="$baseline" >/dev/null || exit 1
targets=(tavro bench_load_text bench_clipboard bench_window_load bad_clipboard_owner
    bench_clipboard_monitor bad_wayland_source)
[ -n "$baseline" ] && targets+=(bench_clipboard_monitor_baseline)
ninja -C "$build" -j2 "${targets[@]}" >/dev/null || {
    ninja -C "$build" -j2 "${targets[@]}"
    exit 1
}

# shellcheck source-path=SCRIPTDIR source=../scripts/e2e/desktop.sh
source "$root/scripts/e2e/desktop.sh"

work=$(mktemp -d)
manager_pid=
cleanup() {
    [ -n "$manager_pid" ] && kill "$manager_pid" 2>/dev/null
    stop_desktop
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

declare -A R  # the figures of the summary, by key

# A sleep without a new process: waits on a pipe that never gets data.
exec {sleep_fd}<> <(:)
nap() { read -r -t "$1" -u "$sleep_fd" || true; }

ms_between() { echo "$1 $2" | awk '{printf "%.1f", ($2 - $1) * 1000}'; }

# ---- bench_load_text: needs no display ----
echo "== bench_load_text"
"$build/bench/bench_load_text" | tee "$work/load_text.txt"
R[load_1000]=$(awk '$1 == 1000 {print $8}' "$work/load_text.txt")
R[load_10000]=$(awk '$1 == 10000 {print $8}' "$work/load_text.txt")
R[load_floor_10000]=$(awk '$1 == 10000 {print $13}' "$work/load_text.txt")

# shellcheck disable=SC2119  # a desktop with the tray: no argument
start_desktop || exit 1
trap cleanup EXIT  # start_desktop set its own EXIT trap
echo
echo "== desktop on $DISPLAY"

# ---- bench_window_load: the window's load with its event passes, on the display ----
echo
echo "== bench_window_load"
for version in "${versions[@]}"; do
    echo "-- $version"
    timeout 120 "${build_of[$version]}/bench/bench_window_load" >"$work/window_load.txt" 2>/dev/null
    grep -v '^@ ' "$work/window_load.txt"
    while read -r _ key value; do
        [ "$version" = this ] && R[$key]=$value
        R[${version}_$key]=$value
    done < <(grep '^@ ' "$work/window_load.txt")
done

# ---- bench_clipboard: latency, bursts and stalls ----
echo
echo "== bench_clipboard"
timeout 900 "$build/bench/bench_clipboard" >"$work/clipboard.txt" 2>"$work/clipboard.err"
clipboard_status=$?
grep -v '^@ ' "$work/clipboard.txt"
grep -vE 'XDG_RUNTIME_DIR' "$work/clipboard.err" >&2
[ "$clipboard_status" -eq 0 ] || echo "bench_clipboard ended with status $clipboard_status" >&2
while read -r _ key value; do
    R[$key]=$value
done < <(grep '^@ ' "$work/clipboard.txt")

# ---- bench_clipboard_monitor: X11 beside Wayland ----
# sway runs as nobody (it refuses root), headless, with Xwayland; root's clients are let in.
sway_rt=$(mktemp -d)
chown 65534:65534 "$sway_rt"
chmod 700 "$sway_rt"
printf 'xwayland force\n' >"$sway_rt/config"
env -i PATH="$PATH" HOME="$sway_rt" XDG_RUNTIME_DIR="$sway_rt" WLR_BACKENDS=headless \
    WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    setpriv --reuid=65534 --regid=65534 --clear-groups sway -c "$sway_rt/config" >/dev/null 2>&1 &
sway_pid=$!
xwayland_display() { pgrep -u 65534 -a Xwayland | grep -o ' :[0-9]*' | head -n 1 | tr -d ' '; }
wait_for 20 sh -c "$(declare -f xwayland_display); [ -n \"\$(xwayland_display)\" ]"
XWAYLAND=$(xwayland_display)
wait_for 20 env DISPLAY="$XWAYLAND" setpriv --reuid=65534 --regid=65534 --clear-groups \
    xhost +si:localuser:root
monitor_bench() {
    local name=$1
    shift
    echo
    echo "== $name"
    timeout 600 "$@" >"$work/$name.txt" 2>"$work/$name.err"
    grep -v '^@ ' "$work/$name.txt"
    while read -r _ key value; do
        R[${name}_$key]=$value
    done < <(grep '^@ ' "$work/$name.txt")
}
monitor_bench monitor "$build/bench/bench_clipboard_monitor" x11 \
    --bad-owner "$build/bench/bad_clipboard_owner"
if [ -x "$build/bench/bench_clipboard_monitor_baseline" ]; then
    monitor_bench before "$build/bench/bench_clipboard_monitor_baseline" x11 \
        --bad-owner "$build/bench/bad_clipboard_owner"
fi
WAYLAND_DISPLAY="$sway_rt/wayland-1" monitor_bench monitor "$build/bench/bench_clipboard_monitor" \
    wayland --bad-source "$build/bench/bad_wayland_source"
DISPLAY=$XWAYLAND WAYLAND_DISPLAY="$sway_rt/wayland-1" monitor_bench monitor \
    "$build/bench/bench_clipboard_monitor" bridge
kill "$sway_pid" 2>/dev/null
wait "$sway_pid" 2>/dev/null
rm -rf "$sway_rt"

# ---- the real program ----
tick_hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
main_wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/task/$1/status"; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
thread_wakeups() {
    local task
    for task in /proc/"$1"/task/*; do
        printf '%s:%s ' "$(cat "$task/comm")" "$(awk '/^voluntary_ctxt_switches/ {print $2}' "$task/status")"
    done
}

# start_program NAME [BUILD]: a fresh copy of the program (of BUILD, else this build) in its own
# folder; sets PID and ICON.
start_program() {
    local folder="$work/$1"
    install_tavro "${2:-$build}/tavro" "$folder"
    start_tavro "$folder"
    PID=$TAVRO_PID
    wait_for 20 tray_icon_of "$PID" || {
        echo "the tray icon of $1 did not appear" >&2
        return 1
    }
    ICON=$(tray_icon_of "$PID")
}

menu_shown() {
    local window
    for window in $(xdotool search --all --onlyvisible --pid "$PID" 2>/dev/null); do
        [ "$window" != "$ICON" ] && return 0
    done
    return 1
}
menu_hidden() { ! menu_shown; }

# open_tray_menu: right-clicks the tray icon and waits for the menu. A right-click within the
# double-click interval of the one before opens nothing, so each click waits half a second
# first, and a click that opened nothing is repeated.
open_tray_menu() {
    local _
    for _ in 1 2 3; do
        nap 0.5
        xdotool mousemove --window "$ICON" 6 6 click 3
        wait_for 2 menu_shown 2>/dev/null && return 0
    done
    echo "the tray menu did not open" >&2
    return 1
}

copy_text() { printf '%s' "$1" | xclip -selection clipboard -i 2>/dev/null; }
# Qt offers text/plain and SAVE_TARGETS; xclip offers only TARGETS and UTF8_STRING.
program_owns_clipboard() {
    xclip -o -selection clipboard -t TARGETS 2>/dev/null | grep -qx SAVE_TARGETS
}

# take_clipboard: copies "x" with xclip, then recalls the newest history entry from the tray
# menu, so the program owns the clipboard.
take_clipboard() {
    local _
    for _ in 1 2 3; do
        copy_text x
        nap 0.5  # lets the program take the change into its history
        open_tray_menu || continue
        # 【ﾃｷｽﾄ履歴】, 【ｸﾘｯﾌﾟﾎﾞｰﾄﾞ履歴】, then the newest history entry.
        xdotool key --delay 20 Down Down Down Return
        wait_for 5 menu_hidden
        if wait_for 3 program_owns_clipboard && clipboard_is x; then
            return 0
        fi
    done
    return 1
}

# quit_from_menu KEY: chooses "終了" (Up from no selection wraps to the last entry) and
# times Return -> end of the process. Sets R[KEY_ms] and R[KEY_key_ms].
quit_from_menu() {
    local key=$1
    if ! open_tray_menu; then
        R[${key}_ms]="no menu"
        return
    fi
    xdotool key Up
    nap 0.2
    local t0 t1 t2 deadline
    t0=$EPOCHREALTIME
    xdotool key --delay 0 Return
    t1=$EPOCHREALTIME
    deadline=$((SECONDS + 15))
    while kill -0 "$PID" 2>/dev/null && ((SECONDS < deadline)); do
        nap 0.005
    done
    t2=$EPOCHREALTIME
    if kill -0 "$PID" 2>/dev/null; then
        R[${key}_ms]="> 15000 (still running)"
        kill "$PID" 2>/dev/null
    else
        R[${key}_ms]=$(ms_between "$t0" "$t2")
    fi
    R[${key}_key_ms]=$(ms_between "$t0" "$t1")
}

# (c) idle cost and (d) resident memory, on one instance.
echo
echo "== the program: idle ${idle_seconds} s, then clipboard changes"
start_program idle || exit 1
nap 3
R[rss_start]=$(rss_kb "$PID")
ticks0=$(cpu_ticks "$PID")
wake0=$(main_wakeups "$PID")
threads0=$(thread_wakeups "$PID")
# Reading /proc wakes nothing in the program; once a second tells when it woke, if it did.
woke_at=()
last_wake=$wake0
for ((s = 1; s <= idle_seconds; s++)); do
    nap 1
    now_wake=$(main_wakeups "$PID")
    if [ "$now_wake" != "$last_wake" ]; then
        woke_at+=("+${s}s:$((now_wake - last_wake))")
        last_wake=$now_wake
    fi
done
ticks1=$(cpu_ticks "$PID")
wake1=$(main_wakeups "$PID")
threads1=$(thread_wakeups "$PID")
R[idle_ticks]=$((ticks1 - ticks0))
R[idle_wakeups]=$((wake1 - wake0))
R[idle_woke_at]=${woke_at[*]:-none}
echo "voluntary context switches per thread, start: $threads0"
echo "                                         end: $threads1"
echo "main thread woke (seconds into the measurement:count): ${R[idle_woke_at]}"

changes_round() {
    local first=$1 count=$2 i t0 t1 before after
    before=$(cpu_ticks "$PID")
    t0=$EPOCHREALTIME
    for ((i = first; i < first + count; i++)); do
        copy_text "tavro-rss-$i"
    done
    t1=$EPOCHREALTIME
    # Waits until the program has caught up: its CPU time stops moving.
    local last=-1 now deadline=$((SECONDS + 20))
    while ((SECONDS < deadline)); do
        now=$(cpu_ticks "$PID")
        [ "$now" = "$last" ] && break
        last=$now
        nap 0.5
    done
    after=$(cpu_ticks "$PID")
    echo "$(ms_between "$t0" "$t1") $((after - before))"
}
read -r 'R[changes_ms]' 'R[changes_ticks]' < <(changes_round 0 1000)
R[rss_1000]=$(rss_kb "$PID")
read -r 'R[changes2_ms]' 'R[changes2_ticks]' < <(changes_round 1000 1000)
R[rss_2000]=$(rss_kb "$PID")
echo "1,000 changes by xclip in ${R[changes_ms]} ms, program CPU ${R[changes_ticks]} ticks; RSS ${R[rss_start]} -> ${R[rss_1000]} kB, after 2,000: ${R[rss_2000]} kB"

# (e) quitting from the tray menu.
echo
echo "== quitting from the tray menu"
quit_from_menu quit_plain
echo "not owning the clipboard: ${R[quit_plain_ms]} ms"
if start_program owner && take_clipboard; then
    quit_from_menu quit_owner
else
    R[quit_owner_ms]="could not take the clipboard"
    kill "$PID" 2>/dev/null
fi
echo "owning the clipboard: ${R[quit_owner_ms]} ms"

# With a clipboard manager, when one is installed. xfce4-clipman owns CLIPBOARD_MANAGER, so Qt
# hands the clipboard over at exit; parcellite only copies what it sees.
managers=()
for manager in xfce4-clipman parcellite; do
    if command -v "$manager" >/dev/null; then
        managers+=("$manager")
    else
        R[quit_${manager}_plain_ms]="not installed"
        R[quit_${manager}_owner_ms]="not installed"
    fi
done
for manager in "${managers[@]}"; do
    "$manager" >"$work/$manager.log" 2>&1 &
    manager_pid=$!
    nap 2  # the manager sets itself up
    if start_program "$manager-plain"; then
        copy_text "plain"
        nap 0.3
        quit_from_menu "quit_${manager}_plain"
    fi
    if start_program "$manager-owner" && take_clipboard; then
        quit_from_menu "quit_${manager}_owner"
    else
        R[quit_${manager}_owner_ms]="could not take the clipboard"
        kill "$PID" 2>/dev/null
    fi
    echo "with $manager: not owning ${R[quit_${manager}_plain_ms]} ms, owning ${R[quit_${manager}_owner_ms]} ms"
    grep -h 'clipboard manager' "$work/$manager-owner/tavro.log" 2>/dev/null
    kill "$manager_pid" 2>/dev/null
    wait "$manager_pid" 2>/dev/null
    manager_pid=
done

# (e2) the tray menu opened while the clipboard changes back to back (a helper of
# bench_clipboard makes 3,000 changes per round), then Escape: how often it is still open
# 300 ms later.
menu_escape_round() {
    local opened=0 still=0 round line
    coproc OWNER { "$build/bench/bench_clipboard" --owner; }
    read -r -t 20 line <&"${OWNER[0]}"
    for round in $(seq 1 15); do
        echo "burst 3000 escape$round" >&"${OWNER[1]}"
        nap 0.3
        xdotool mousemove --window "$ICON" 6 6 click 3
        wait_for 2 menu_shown 2>/dev/null && ((opened++))
        nap 0.3
        xdotool key Escape
        nap 0.3
        if menu_shown; then
            ((still++))
            xdotool key Escape
            nap 1
        fi
        read -r -t 60 line <&"${OWNER[0]}"
        nap 0.6
    done
    echo quit >&"${OWNER[1]}"
    wait "$OWNER_PID" 2>/dev/null
    echo "$opened $still"
}
for version in "${versions[@]}"; do
    echo
    echo "== $version: the tray menu while the clipboard changes back to back"
    if start_program "escape-$version" "${build_of[$version]}"; then
        read -r "R[${version}_escape_opened]" "R[${version}_escape_still]" < <(menu_escape_round)
        echo "opened ${R[${version}_escape_opened]} of 15, still open after Escape ${R[${version}_escape_still]}"
        kill "$PID" 2>/dev/null
        wait "$PID" 2>/dev/null
    fi
done

# (f) one 100 MB copy and (g) a start with 10,000 saved texts, for each version.
peak_kb() { awk '/^VmHWM/ {print $2}' "/proc/$1/status"; }
# settle PID: waits until the program's CPU time has stopped moving for a second.
settle() {
    local last=-1 now still=0 deadline=$((SECONDS + 120))
    while ((SECONDS < deadline && still < 5)); do
        now=$(cpu_ticks "$1")
        if [ "$now" = "$last" ]; then ((still++)); else still=0; fi
        last=$now
        nap 0.2
    done
}
ticks_ms() { echo $(($1 * 1000 / tick_hz)); }
head -c 100000000 /dev/zero | tr '\0' 'a' >"$work/big.txt"
mkdir -p "$work/texts-10000"
"$build/bench/bench_load_text" --fill "$work/texts-10000" 10000 || exit 1
R[start_floor_ms]=$("$build/bench/bench_load_text" --floor "$work/texts-10000")
for version in "${versions[@]}"; do
    echo
    echo "== $version: one 100 MB copy"
    if start_program "big-$version" "${build_of[$version]}"; then
        settle "$PID"
        R[${version}_big_rss_start]=$(rss_kb "$PID")
        xclip -selection clipboard -i "$work/big.txt" 2>/dev/null
        nap 1
        settle "$PID"
        R[${version}_big_rss_after]=$(rss_kb "$PID")
        R[${version}_big_peak]=$(peak_kb "$PID")
        copy_text small
        settle "$PID"
        R[${version}_big_rss_next]=$(rss_kb "$PID")
        echo "RSS ${R[${version}_big_rss_start]} -> ${R[${version}_big_rss_after]} kB (peak ${R[${version}_big_peak]} kB), after the next small copy ${R[${version}_big_rss_next]} kB"
        kill "$PID" 2>/dev/null
        wait "$PID" 2>/dev/null
    fi
    echo "== $version: start-up CPU, empty and with 10,000 saved texts (median of 3)"
    for texts in 0 10000; do
        runs=()
        for run in 1 2 3; do
            name="start-$version-$texts-$run"
            mkdir -p "$work/$name/Temptext"
            [ "$texts" = 0 ] || cp -r "$work/texts-10000/." "$work/$name/Temptext/"
            start_program "$name" "${build_of[$version]}" || continue
            settle "$PID"
            runs+=("$(ticks_ms "$(cpu_ticks "$PID")")")
            kill "$PID" 2>/dev/null
            wait "$PID" 2>/dev/null
            rm -rf "${work:?}/$name"
        done
        R[${version}_start_${texts}_ms]=$(printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p)
    done
    R[${version}_start_extra_ms]=$((R[${version}_start_10000_ms] - R[${version}_start_0_ms]))
    R[${version}_start_ratio]=$(awk -v e="${R[${version}_start_extra_ms]}" -v f="${R[start_floor_ms]}" 'BEGIN {printf "%.1f", e / f}')
    echo "empty ${R[${version}_start_0_ms]} ms, 10,000 texts ${R[${version}_start_10000_ms]} ms: ${R[${version}_start_extra_ms]} ms more, ${R[${version}_start_ratio]} x the floor (${R[start_floor_ms]} ms)"
done

# ---- the summary ----
v() { echo "${R[$1]:-n/a}"; }
line() { printf '  %-62s %s\n' "$1" "$2"; }
echo
echo "================================ summary ================================"
echo "saved-text load (median, warm cache)"
line "1,000 texts / 10,000 texts / floor for 10,000" "$(v load_1000) / $(v load_10000) / $(v load_floor_10000) ms"
line "the program's reload, 1,000 / 10,000 texts (on the display)" "$(v window_load_1000_ms) / $(v window_load_10000_ms) ms"
line "longest wait for events during it, 1,000 / 10,000" "$(v window_stall_1000_ms) / $(v window_stall_10000_ms) ms"
echo "(a) clipboard set by another process -> newest history entry (200 changes)"
line "Tavro, helper owner: median / p95" "$(v form_owner_median_ms) / $(v form_owner_p95_ms) ms"
line "bare Qt listener, helper owner: median / p95" "$(v floor_owner_median_ms) / $(v floor_owner_p95_ms) ms"
line "ratio of the medians" "$(v ratio_owner)"
line "Tavro, xclip spawn: median / p95" "$(v form_xclip_median_ms) / $(v form_xclip_p95_ms) ms"
line "bare Qt listener, xclip spawn: median / p95 (ratio)" "$(v floor_xclip_median_ms) / $(v floor_xclip_p95_ms) ms ($(v ratio_xclip))"
line "changes missed (helper / xclip)" "$(v form_owner_missed) / $(v form_xclip_missed)"
line "Qt's calls on the window's thread: formats() / hasImage() / text()" "$(v call_formats_ms) / $(v call_hasimage_ms) / $(v call_text_ms) ms"
echo "(b) bursts: Tavro | bare Qt listener"
both() { echo "$(v "${1/@/form}") | $(v "${1/@/floor}")"; }
for n in 13 100 1000; do
    b="burst_@_xclip$n"
    echo "  $n xclip copies started 5 ms apart"
    line "  distinct texts kept (of $n) / in order" \
        "$(v ${b/@/form}_distinct) / $(v ${b/@/form}_in_order) | $(v ${b/@/floor}_distinct) / $(v ${b/@/floor}_in_order)"
    line "  entries with a later change's text" "$(both ${b}_later_text)"
    line "  changes that held the clipboard >= 5 ms / kept their own text" \
        "$(v ${b/@/form}_held_long) / $(v ${b/@/form}_held_long_kept) | $(v ${b/@/floor}_held_long) / $(v ${b/@/floor}_held_long_kept)"
    line "  10 ms timer gap max, ms" "$(both ${b}_gap_max_ms)"
done
echo "  1,000 changes by the helper back to back"
line "  distinct texts kept / entries with a later change's text" \
    "$(v burst_form_owner_distinct) / $(v burst_form_owner_later_text) | $(v burst_floor_owner_distinct) / $(v burst_floor_owner_later_text)"
line "  10 ms timer gap max, ms" "$(both burst_@_owner_gap_max_ms)"
echo "(b2) the window's longest stall (10 ms timer) while a bad owner holds the clipboard, ms"
line "owner never answers" "$(both stall_@_never_ms)"
line "owner never sends the text" "$(both stall_@_targets_ms)"
line "owner sends a byte a second" "$(both stall_@_slow_ms)"
line "silent owner taking the clipboard every second" "$(both stall_@_retaking_ms)"
echo "(f) the clipboard monitor alone: X11 (xclip on Xvfb) | Wayland (wl-copy on headless sway)"
xw() { echo "$(v "monitor_x11_$1") | $(v "monitor_wayland_$1")"; }
line "change -> reported change, median / p95 ms" \
    "$(v monitor_x11_latency_median_ms) / $(v monitor_x11_latency_p95_ms) | $(v monitor_wayland_latency_median_ms) / $(v monitor_wayland_latency_p95_ms)"
for n in 13 100; do
    line "$n copies 5 ms apart: reports / distinct texts kept / out of order" \
        "$(v monitor_x11_burst${n}_reports) / $(v monitor_x11_burst${n}_distinct) / $(v monitor_x11_burst${n}_out_of_order) | $(v monitor_wayland_burst${n}_reports) / $(v monitor_wayland_burst${n}_distinct) / $(v monitor_wayland_burst${n}_out_of_order)"
done
line "longest stall, owner that never sends its text (ms)" "$(xw stall_ms)"
line "the copy after it reported" "$(xw after_stall_reported)"
echo "(g) X11 faults, now | before (the older program, when built)"
line "slow owner then a recall: order and texts" "$(v monitor_x11_own_write_order) | $(v before_x11_own_write_order)"
line "the reader's connection killed: a later copy reported" "$(v monitor_x11_after_reader_killed) | $(v before_x11_after_reader_killed)"
line "13 / 100 xclip copies: reports" "$(v monitor_x11_burst13_reports) / $(v monitor_x11_burst100_reports) | $(v before_x11_burst13_reports) / $(v before_x11_burst100_reports)"
echo "(h) both watchers, the program's window focused on sway's Xwayland: changes reported for"
line "an X11 copy / a Wayland copy / a recall" "$(v monitor_bridge_x11_copy) / $(v monitor_bridge_wayland_copy) / $(v monitor_bridge_recall)"
echo "(c) idle ${idle_seconds} s, real program under trayer (1 tick = $((1000 / tick_hz)) ms)"
line "CPU ticks (utime+stime)" "$(v idle_ticks)"
line "main-thread wake-ups (voluntary context switches)" "$(v idle_wakeups) (when: $(v idle_woke_at))"
echo "(d) resident memory (VmRSS)"
line "after start-up / after 1,000 / after 2,000 changes" "$(v rss_start) / $(v rss_1000) / $(v rss_2000) kB"
line "1,000 xclip changes took / program CPU ticks" "$(v changes_ms) ms / $(v changes_ticks)"
echo "(e) choosing 終了 in the tray menu -> process gone (from the start of xdotool key)"
line "not owning the clipboard" "$(v quit_plain_ms) ms (xdotool took $(v quit_plain_key_ms) ms)"
line "owning the clipboard" "$(v quit_owner_ms) ms (xdotool took $(v quit_owner_key_ms) ms)"
for manager in xfce4-clipman parcellite; do
    line "with $manager: not owning / owning" \
        "$(v quit_${manager}_plain_ms) / $(v quit_${manager}_owner_ms) ms"
done
for version in "${versions[@]}"; do
    echo "(e2) $version: the tray menu opened 15 times during 3,000 changes back to back"
    line "opened / still open 300 ms after Escape" \
        "$(v ${version}_escape_opened) / $(v ${version}_escape_still)"
    echo "(f) $version: one 100 MB ASCII copy (VmRSS; the peak is VmHWM)"
    line "before / after / peak / after the next small copy" \
        "$(v ${version}_big_rss_start) / $(v ${version}_big_rss_after) / $(v ${version}_big_peak) / $(v ${version}_big_rss_next) kB"
    echo "(g) $version: process CPU once started and idle (1 tick = $((1000 / tick_hz)) ms)"
    line "empty / 10,000 saved texts / difference" \
        "$(v ${version}_start_0_ms) / $(v ${version}_start_10000_ms) / $(v ${version}_start_extra_ms) ms"
    line "difference against the floor of reading them ($(v start_floor_ms) ms)" "$(v ${version}_start_ratio) x"
    line "longest wait for events during a load of 10,000 (in process)" "$(v ${version}_window_stall_10000_ms) ms"
done
echo "=========================================================================="
