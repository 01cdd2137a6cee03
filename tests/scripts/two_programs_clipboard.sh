#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two running editors on one X display: a pattern copied in the first is pasted into the
# second, which saves it; the saved file must hold the pattern with its name and cells.
# Usage: two_programs_clipboard.sh TARVOK_CONVERT SOURCE_DIR
set -u
source "$(dirname "$0")/support/session.sh" "$1"
skip_without Xvfb xdotool
skip_without_editor
start_xvfb

pattern='<pattern index="0" name="Zephyr" rows="24">
<row index="0" note="C-5" attenuation="3" />
<row index="5" note="off" />
<row index="23" note="A-4" attenuation="12" />
</pattern>
<sequence>
<row index="0" pattern="0" />
</sequence>
</machine>'
cat > "$work/source.tks" << TKS
<sound type="tracker">
<settings>
<song>
<playrange start="0" end="16" />
<tempo tpb="4" bpm="125" />
</song>
<editor stepsize="16" />
</settings>
<machine channel="0" name="Voice0" nextpattern="1">
$pattern
</sound>
TKS
"$convert" --new "$work/target.tks" || fail "tarvok-convert could not make a new sound"

start_editor source '^source\.tks.* Tarvok$' --no-sound "$work/source.tks"
source_wid="$wid"
start_editor target '^target\.tks.* Tarvok$' --no-sound "$work/target.tks"

# Both open with the sequence editor focused and the cursor on Voice0, step 0. Paste into
# Voice1, so the pattern arrives in another channel than the one it left.
send_keys "$source_wid" ctrl+c || fail "could not send Copy to the first program"
send_keys "$wid" Right ctrl+v ctrl+s || fail "could not send Paste and Save to the second program"
wait_for grep -q 'Zephyr' "$work/target.tks" || fail "the second program did not save the pasted pattern"
"$convert" "$work/target.tks" "$work/check.tks" || fail "the saved file does not load"
# A pasted pattern keeps its name and does not use up a pattern number; channel 1 is written
# after the new sound's own channel 0, whose pattern stays.
got="$(tr -d '\r' < "$work/target.tks" | sed -n '/<machine channel="1"/,/<\/machine>/p')"
[ "$got" = "<machine channel=\"1\" name=\"Voice1\" nextpattern=\"0\">
$pattern" ] || fail "the pasted pattern was not saved as copied: $(cat "$work/target.tks")"
grep -q '<pattern index="0" name="000" rows="16" />' "$work/target.tks" ||
    fail "the new sound's own pattern is gone"
echo "ok: a pattern copied in one program was pasted, saved and read back in another"
