#!/usr/bin/env bash
# The fault campaign of the saved texts, run against the real store through fault_saver:
#   1. kill -9 at random moments during saves of 8 MB and 30 MB texts;
#   2. a full disk at every 1 KB step of free space: ext4 with 1 KB blocks on a loop device
#      and a tmpfs where the system lets root mount them, and always a file-size limit;
#   3. two copies saving into one folder at once;
#   4. a folder holding every kind of entry that is no regular file.
# Afterwards every file the next start would list must be a whole text, byte for byte, and
# every text reported saved must be whole in its file. Prints the counts: saves tried, files
# whole, files absent, files cut short (goal 0), texts lost (goal 0).
#
# Usage: campaign.sh [--quick] FAULT_SAVER
#   whole: 50 saves killed at random, 0-40 KB free, two copies for 30 s (about 3 minutes)
#   --quick: 12 saves, 0-24 KB free, two copies for 5 s (the part scripts/test.sh runs)
# TAVRO_FAULT_SEED=N repeats the random kill moments of an earlier run.
set -uo pipefail
quick=0
if [ "${1:-}" = --quick ]; then
    quick=1
    shift
fi
saver=$(readlink -f "${1:?usage: campaign.sh [--quick] FAULT_SAVER}")
if [ "$quick" = 1 ]; then
    kill_saves=12 full_kb=24 copies_seconds=5
else
    kill_saves=50 full_kb=40 copies_seconds=30
fi
# The texts saved into each filling disk: 5,000 and 10,000 bytes, both less than what Qt
# keeps in its write buffer, so a failure can first show when the buffer is flushed.
text_sizes=5000,10000

work=$(mktemp -d "${TMPDIR:-/tmp}/tavro-fault.XXXXXX")
mounts=()
cleanup() {
    local m
    for m in "${mounts[@]}"; do
        umount -l "$m" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

seed=${TAVRO_FAULT_SEED:-$(($(date +%s) % 32768))}
RANDOM=$seed
echo "seed $seed"

tried=0 whole=0 absent=0 cut_short=0 lost=0 failures=0

# tally LABEL FOLDER LOG...: checks FOLDER against the logs, adds the counts to the totals
# and prints them after LABEL (unless LABEL is empty).
tally() {
    local label=$1 folder=$2 line pair
    shift 2
    if ! line=$("$saver" check "$folder" "$@"); then
        failures=$((failures + 1))
        echo "FAIL: ${label:-check of $folder}: $line" >&2
    fi
    [ -n "$label" ] && echo "$label: $line"
    for pair in $line; do
        case $pair in
            tried=*) tried=$((tried + ${pair#*=})) ;;
            whole=*) whole=$((whole + ${pair#*=})) ;;
            absent=*) absent=$((absent + ${pair#*=})) ;;
            cut_short=*) cut_short=$((cut_short + ${pair#*=})) ;;
            lost=*) lost=$((lost + ${pair#*=})) ;;
        esac
    done
}

# wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or the deadline passes.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.05
    done
}

# ---- 1. kill -9 at random moments during large saves ----
kill_campaign() {
    local folder=$work/kill/Temptext run=0 begun=0 logs=() log pid sizes
    mkdir -p "$folder"
    while [ "$begun" -lt "$kill_saves" ]; do
        run=$((run + 1))
        log=$work/kill/run$run.log
        logs+=("$log")
        sizes=8388608,31457280
        ((RANDOM % 2)) && sizes=31457280,8388608
        "$saver" save "$folder" $((kill_saves - begun)) "$sizes" "kill$run" >"$log" 2>&1 &
        pid=$!
        # A random moment after the first save began: anywhere in the first one to three saves.
        wait_for 30 grep -q '^begin' "$log"
        sleep "$((RANDOM % 3)).$(printf '%03d' $((RANDOM % 1000)))"
        kill -9 "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        begun=$((begun + $(grep -c '^begin' "$log")))
    done
    tally "kill -9 at random moments during $begun saves of 8 MB and 30 MB ($run kills)" \
        "$folder" "${logs[@]}"
    rm -rf "$work/kill"
}

# ---- 2. a full disk at every 1 KB step of free space ----

# sweep_disk LABEL DISK: DISK is a mounted, empty file system; for every free space from 0 to
# full_kb KB a filler takes the rest, and one text is saved.
sweep_disk() {
    local label=$1 disk=$2 free filler avail log seen=()
    mkdir "$disk/Temptext" || return 1
    for ((free = 0; free <= full_kb; free++)); do
        rm -f "$disk/filler"
        sync -f "$disk" 2>/dev/null
        avail=$(($(stat -f -c '%a * %S' "$disk")))
        filler=$((avail - free * 1024))
        if [ "$filler" -gt 0 ]; then
            fallocate -l "$filler" "$disk/filler" 2>/dev/null ||
                head -c "$filler" /dev/zero >"$disk/filler" 2>/dev/null
        fi
        seen+=($(($(stat -f -c '%a * %S' "$disk") / 1024)))
        log=$work/full.log
        "$saver" save "$disk/Temptext" 2 "$text_sizes" "full-$label-$free" >"$log" 2>&1
        tally "" "$disk/Temptext" "$log"
        find "$disk/Temptext" -mindepth 1 -delete
    done
    echo "full disk ($label): $((full_kb + 1)) steps of 1 KB from ${seen[0]} to ${seen[-1]} KB" \
        "free, each saving texts of $text_sizes bytes; running totals: tried=$tried" \
        "whole=$whole cut_short=$cut_short lost=$lost"
}

full_disk_campaign() {
    local disk=$work/disk
    mkdir -p "$disk"
    if [ "$(id -u)" = 0 ]; then
        # ext4 with 1 KB blocks and no journal: free space in 1 KB steps, and a file system
        # that allocates late, so a full disk can first show at the fsync.
        truncate -s 8M "$work/ext4.img"
        if mkfs.ext4 -q -F -b 1024 -m 0 -O ^has_journal "$work/ext4.img" >/dev/null 2>&1 &&
            mount -o loop "$work/ext4.img" "$disk" 2>/dev/null; then
            mounts+=("$disk")
            sweep_disk ext4 "$disk"
            umount "$disk" && mounts=()
        else
            echo "full disk (ext4): skipped, this system lets no loop device be mounted"
        fi
        rm -f "$work/ext4.img"
        if mount -t tmpfs -o size=256k tavro-fault "$disk" 2>/dev/null; then
            mounts+=("$disk")
            sweep_disk tmpfs "$disk"
            umount "$disk" && mounts=()
        else
            echo "full disk (tmpfs): skipped, this system lets no tmpfs be mounted"
        fi
    else
        echo "full disk (ext4, tmpfs): skipped, mounting needs root"
    fi
    # A file-size limit in 1 KB steps (ulimit -f counts KB); SIGXFSZ ignored, so a write
    # past it fails instead of ending the saver. Its log goes through a pipe, which the
    # limit does not cut.
    local free log folder=$work/limit/Temptext
    mkdir -p "$folder"
    for ((free = 0; free <= full_kb; free++)); do
        log=$work/limit.log
        (
            trap '' XFSZ
            ulimit -f "$free"
            exec "$saver" save "$folder" 2 "$text_sizes" "limit-$free"
        ) 2>&1 | cat >"$log"
        tally "" "$folder" "$log"
        find "$folder" -mindepth 1 -delete
    done
    echo "file-size limit: $((full_kb + 1)) steps of 1 KB from 0 to $full_kb KB, each saving" \
        "texts of $text_sizes bytes; running totals: tried=$tried whole=$whole" \
        "cut_short=$cut_short lost=$lost"
}

# ---- 3. two copies saving into one folder at once ----
two_copies_campaign() {
    local folder=$work/two/Temptext
    mkdir -p "$folder"
    "$saver" loop "$folder" "$copies_seconds" first >"$work/two/first.log" 2>&1 &
    local first=$!
    "$saver" loop "$folder" "$copies_seconds" second >"$work/two/second.log" 2>&1
    wait "$first"
    tally "two copies saving into one folder for ${copies_seconds} s" "$folder" \
        "$work/two/first.log" "$work/two/second.log"
    rm -rf "$work/two"
}

# ---- 4. every odd entry ----
odd_entries_campaign() {
    local folder=$work/odd/Temptext result
    mkdir -p "$folder"
    if result=$(timeout 30 "$saver" odd "$folder"); then
        echo "$result"
    else
        failures=$((failures + 1))
        echo "FAIL: odd entries: ${result:-blocked (no answer in 30 s)}" >&2
    fi
    rm -rf "$work/odd"
}

kill_campaign
full_disk_campaign
two_copies_campaign
odd_entries_campaign

echo "saves tried $tried, files whole $whole, files absent $absent, files cut short" \
    "$cut_short, texts lost $lost"
if [ "$failures" -ne 0 ] || [ "$cut_short" -ne 0 ] || [ "$lost" -ne 0 ]; then
    echo "the campaign found $failures fault(s)" >&2
    exit 1
fi
echo "every file whole or absent, no text lost"
