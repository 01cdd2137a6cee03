#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Exported MIDI files read back by an independent reader: mido with strict parsing, run by
# the system's python3 (python3-mido).
#   midi_mido_check.sh <tarvok-convert> <source folder>
set -euo pipefail
convert="$1"
src="$2"
sounds="$src/tests/data"
python=/usr/bin/python3
check="$src/tests/scripts/midi_mido_check.py"

if ! "$python" -c 'import mido' 2>/dev/null; then
    echo "mido is not available to $python (install python3-mido)" >&2
    exit 1
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

"$convert" --new --instruments 0,40,127 "$tmp/new.mid"
"$python" "$check" new "$tmp/new.mid" 0,40,127
"$convert" --new "$tmp/default.mid"
"$python" "$check" new "$tmp/default.mid" 0,0,0

"$python" "$check" make-long "$tmp/long.agi"
"$convert" --from agi --to mid "$tmp/long.agi" "$tmp/long.mid"
"$python" "$check" agi "$tmp/long.mid" "$tmp/long.agi"

count=0
for agi in "$sounds"/*.agi; do
    [ -e "$agi" ] || continue
    out="$tmp/$(basename "$agi" .agi).mid"
    "$convert" --from agi "$agi" "$out"
    "$python" "$check" agi "$out" "$agi"
    count=$((count + 1))
done
if [ "$count" -lt 3 ]; then
    echo "expected the sample sounds in $sounds, found $count" >&2
    exit 1
fi

# A damaged resource: the system's message, exit status 1 and no output file.
printf '\x08\x00\x08\x00\x08\x00\x40\x00' >"$tmp/bad.agi"
if "$convert" --from agi "$tmp/bad.agi" "$tmp/bad.mid" 2>"$tmp/err"; then
    echo "a damaged resource was converted" >&2
    exit 1
fi
grep -qxF "tarvok-convert: $tmp/bad.agi: Error: Offset 64 for the noise channel is out of bounds! ( total size 8 )" "$tmp/err"
[ ! -e "$tmp/bad.mid" ]
echo "checked $count sample sounds"
