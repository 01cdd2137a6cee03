#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The converter on a full disk (a file size limit stands in for it): every output format
# fails with the system's message and exit status 1, and the file it would replace is kept.
#   convert_full_disk.sh <tarvok-convert> <source folder>
set -u
convert="$1"
sample="$2/tests/data/buddhies-sound001.agi"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

"$convert" "$sample" "$work/song.tks" || fail "conversion without a limit"
for ext in tks agi mid wav; do
    out="$work/out.$ext"
    printf 'old contents\n' > "$out"
    # A 1 KiB limit; the signal a write past it raises is ignored, so write() reports EFBIG.
    (
        trap '' XFSZ
        ulimit -f 1
        exec "$convert" "$work/song.tks" "$out"
    ) 2> "$work/err"
    status=$?
    [ "$status" = 1 ] || fail ".$ext: exit status $status, expected 1"
    grep -q "Cannot save" "$work/err" || fail ".$ext: no message: $(cat "$work/err")"
    [ "$(cat "$out")" = "old contents" ] || fail ".$ext: the old file was not kept"
done
leftover="$(find "$work" -name '.out.*')"
[ -z "$leftover" ] || fail "temporary files left behind: $leftover"
echo "PASS"
