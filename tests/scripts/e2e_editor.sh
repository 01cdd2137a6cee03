#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real editor under Xvfb, driven by key presses as a person would: a melody typed into the
# pattern editor, the pattern placed twice in the sequence editor, the play range set, Ctrl+S,
# then F3 / F4 while a PulseAudio null sink records. The saved file must hold the melody and
# the recording must hold the converter's render of it, sample for sample.
#   e2e_editor.sh <tarvok-convert> <source folder>
set -u
source "$(dirname "$0")/support/session.sh" "$1"
skip_without Xvfb xdotool pulseaudio
skip_without_editor
"$python" -c 'import mido' 2> /dev/null || fail "mido is not available to $python (python3-mido)"
start_xvfb
start_pulseaudio

# A path that does not exist yet ends the start with a message, so begin from a saved new sound.
song="$work/song.tks"
"$convert" --new "$song" || fail "tarvok-convert --new"
start_editor editor '^song\.tks.* Tarvok' "$song"
keys() { send_keys "$wid" "$@" || fail "the window cannot take the keyboard"; }

# Sequence editor, step 0 of Voice0 holds pattern 000: Enter opens it in the pattern editor.
keys Return
# The melody, octave 4: C D E F G A B C, back down, and a rest.
keys q w e r t y u i u y t r e w q 1
# Back to the sequence editor; place pattern 000 again at step 1 (key 0), then the play
# range: to the end of step 1, from step 0.
keys Tab Down 0
keys Up ctrl+e Up ctrl+b
keys ctrl+s

wait_for grep -q 'row index="16" pattern="0"' "$song" || fail "the second placement was not saved"
grep -q '<playrange start="0" end="32" />' "$song" || fail "the saved play range is wrong: $(grep playrange "$song")"

# The melody, read back from the converter's MIDI export by an independent reader.
"$convert" "$song" "$work/song.mid" || fail "MIDI export of the saved file"
notes="$("$python" - "$work/song.mid" << 'PY'
import sys, mido
notes = [m.note for t in mido.MidiFile(sys.argv[1]).tracks for m in t
         if m.type == "note_on" and m.velocity > 0]
print(" ".join(map(str, notes)))
PY
)"
# The rest is time passing, no note.
melody="60 62 64 65 67 69 71 72 71 69 67 65 64 62 60"
[ "$notes" = "$melody $melody" ] || fail "the saved melody is [$notes], expected twice [$melody]"

# Play while the sink's monitor is recorded, until one whole pass is in the recording.
# A new user hears the PCjr.
"$convert" --chip pcjr "$song" "$work/song.wav" || fail "render of the saved file"
cat > "$work/find.py" << 'PY'
import sys
render = open(sys.argv[1], "rb").read()[44:]
recorded = open(sys.argv[2], "rb").read()
# The render from its first sound on: leading silence matches anywhere.
first = next(i for i in range(0, len(render), 2) if render[i:i + 2] != b"\0\0")
at = recorded.find(render[first:])
while at >= 0 and at % 2:
    at = recorded.find(render[first:], at + 1)
print(f"render ({len(render) // 2} samples) at sample {(at - first) // 2} of the recording "
      f"({len(recorded) // 2} samples)")
sys.exit(at < 0)
PY
parec -d null.monitor --format=s16le --rate=44100 --channels=1 --raw "$work/capture.raw" &
parec_pid=$!
wait_for test -s "$work/capture.raw" || fail "parec records nothing"
keys F3
# A pass is 32 rows; a loaded machine may be slow to start the stream.
found=0
for _ in $(seq 120); do
    sleep 0.25
    if "$python" "$work/find.py" "$work/song.wav" "$work/capture.raw" > "$work/found"; then
        found=1
        break
    fi
done
keys F4
kill -INT "$parec_pid"
wait "$parec_pid" 2> /dev/null
kill -0 "${pids[-1]}" 2> /dev/null || fail "the editor ended while playing"
cat "$work/found"
[ "$found" = 1 ] || fail "the recording does not hold the render"
echo "PASS"
