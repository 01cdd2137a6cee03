#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Load + save of a large document with the converter: best wall time of three runs (the save's
# fsync included) and the peak resident memory, for N patterns per channel and for twice N.
#   scripts/measure_load_save.sh [tarvok-convert] [N, default 64]
set -eu
convert="${1:-build/tools/tarvok-convert}"
patterns="${2:-64}"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

measure() {
    local n="$1" best="" peak=0
    awk -v patterns="$n" -v rows=1024 -f "$here/make_big_tks.awk" > "$work/big.tks"
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$convert" "$work/big.tks" "$work/out.tks"
        read -r wall kb < "$work/time"
        if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$wall"
        fi
        [ "$kb" -gt "$peak" ] && peak="$kb"
    done
    printf '4 x %d x 1024 rows, %d bytes: best %s s, peak %d MB\n' \
        "$n" "$(stat -c %s "$work/big.tks")" "$best" $((peak / 1024))
}

measure "$patterns"
measure $((2 * patterns))
