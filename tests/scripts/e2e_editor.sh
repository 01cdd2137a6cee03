#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real editor under Xvfb, driven by key presses as a person would: a melody typed into the
# pattern editor, the pattern placed twice in the sequence editor, the play range set, Ctrl+S,
# then F3 / F4 while a PulseAudio null sink records. The saved file must hold the melody and
# the recording must hold the converter's render of it, sample for sample.
#   e2e_editor.sh <tarvok-convert> <source folder>
set -u

convert="$1"
build_dir="$(cd "$(dirname "$convert")/.." && pwd)"
editor="$build_dir/app/tarvok"
python=/usr/bin/python3

for tool in Xvfb xdotool pulseaudio; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 0
    fi
done
if [ ! -x "$editor" ]; then
    echo "skipped: the editor was not built ($editor)"
    exit 0
fi
for tool in parec pactl; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "FAIL: pulseaudio is installed but $tool is not (pulseaudio-utils)"
        exit 1
    fi
done
if ! "$python" -c 'import mido' 2> /dev/null; then
    echo "FAIL: mido is not available to $python (python3-mido)"
    exit 1
fi

work="$(mktemp -d)"
export PULSE_RUNTIME_PATH="$work/pulse"
export PULSE_STATE_PATH="$work/state"
export PULSE_SERVER="unix:$work/pulse/native"
unset PULSE_SINK PULSE_SOURCE WAYLAND_DISPLAY
# Settings, recent files and the registered document type stay in the scratch folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/xdg" QT_QPA_PLATFORM=xcb
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

xvfb_pid="" app_pid="" parec_pid=""
stop_pid() { # pid: TERM, then KILL if it lingers
    [ -n "$1" ] || return 0
    kill "$1" 2> /dev/null || return 0
    for _ in $(seq 50); do
        kill -0 "$1" 2> /dev/null || return 0
        sleep 0.1
    done
    kill -9 "$1" 2> /dev/null
}
cleanup() {
    stop_pid "$parec_pid"
    stop_pid "$app_pid"
    stop_pid "$xvfb_pid"
    [ -f "$work/pulse/pid" ] && stop_pid "$(cat "$work/pulse/pid")"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    [ -s "$work/editor.log" ] && sed 's/^/editor: /' "$work/editor.log" | tail -n 20
    exit 1
}

# A free display, chosen by the server itself.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"

pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
    --load="module-null-sink sink_name=null rate=44100 channels=1 format=s16le" \
    --load=module-native-protocol-unix > "$work/pulseaudio.log" 2>&1
for _ in $(seq 100); do
    pactl info > /dev/null 2>&1 && break
    sleep 0.1
done
pactl info > /dev/null 2>&1 || fail "the PulseAudio server did not start"

# A path that does not exist yet ends the start with a message, so begin from a saved new sound.
song="$work/song.tks"
"$convert" --new "$song" || fail "tarvok-convert --new"

"$editor" "$song" > "$work/editor.log" 2>&1 &
app_pid=$!
wid=""
for _ in $(seq 200); do
    wid="$(xdotool search --onlyvisible --name '^Tarvok - song\.tks' 2> /dev/null | head -n 1)"
    [ -n "$wid" ] && break
    kill -0 "$app_pid" 2> /dev/null || fail "the editor ended at start"
    sleep 0.1
done
[ -n "$wid" ] || fail "no editor window"
sleep 1
# No window manager: give the window the keyboard ourselves. The sequence editor has the
# focus inside it, its cursor on step 0 of Voice0.
xdotool windowfocus --sync "$wid" || fail "the window cannot take the keyboard"

keys() { xdotool key --window "$wid" --delay 60 "$@"; sleep 0.3; }

# Sequence editor, step 0 of Voice0 holds pattern 000: Enter opens it in the pattern editor.
keys Return
# The melody, octave 4: C D E F G A B C, back down, and a rest.
keys q w e r t y u i u y t r e w q 1
# Back to the sequence editor; place pattern 000 again at step 1 (key 0), then the play
# range: end at step 2, start at step 0.
keys Tab Down 0
keys ctrl+e Up Up ctrl+b
keys ctrl+s

for _ in $(seq 100); do
    grep -q 'row index="16" pattern="0"' "$song" && break
    sleep 0.1
done
grep -q '<playrange start="0" end="32" />' "$song" || fail "the saved play range is wrong: $(grep playrange "$song")"
grep -q 'row index="16" pattern="0"' "$song" || fail "the second placement was not saved"

# The melody, read back from the converter's MIDI export by an independent reader.
"$convert" "$song" "$work/song.mid" || fail "MIDI export of the saved file"
notes="$("$python" - "$work/song.mid" << 'EOF'
import sys, mido
notes = [m.note for t in mido.MidiFile(sys.argv[1]).tracks for m in t
         if m.type == "note_on" and m.velocity > 0]
print(" ".join(map(str, notes)))
EOF
)"
# The rest is exported as key 0.
melody="60 62 64 65 67 69 71 72 71 69 67 65 64 62 60 0"
[ "$notes" = "$melody $melody" ] || fail "the saved melody is [$notes], expected twice [$melody]"

# Play while the sink's monitor is recorded, until one whole pass is in the recording.
"$convert" "$song" "$work/song.wav" || fail "render of the saved file"
cat > "$work/find.py" << 'EOF'
import sys
render = open(sys.argv[1], "rb").read()[44:]
recorded = open(sys.argv[2], "rb").read()
# The render from its first sound on: leading silence matches anywhere.
first = next(i for i in range(0, len(render), 2) if render[i:i + 2] != b"\0\0")
needle = render[first:]
at = recorded.find(needle)
while at >= 0 and at % 2:
    at = recorded.find(needle, at + 1)
if at >= 0:
    print(f"render ({len(render) // 2} samples) found at sample {(at - first) // 2} of the "
          f"recording ({len(recorded) // 2} samples)")
    sys.exit(0)
if len(sys.argv) > 3:
    # Tell a dropout (a long matching run) from a wrong render (none at all).
    probe = needle[:4410]
    p = recorded.find(probe)
    longest, zeros = 0, 0
    while p >= 0:
        if p % 2 == 0:
            n = 0
            while n < len(needle) and p + n < len(recorded) and recorded[p + n] == needle[n]:
                n += 1
            n -= n % 2
            if n // 2 > longest:
                longest, z = n // 2, p + n
                while z < len(recorded) and recorded[z:z + 2] == b"\0\0":
                    z += 2
                zeros = (z - p - n) // 2
        p = recorded.find(probe, p + 1)
    print(f"render of {len(render) // 2} samples not in the recording of {len(recorded) // 2}; "
          f"longest matching run {longest} samples, then {zeros} samples of silence")
sys.exit(1)
EOF
parec -d null.monitor --format=s16le --rate=44100 --channels=1 --raw "$work/capture.raw" &
parec_pid=$!
for _ in $(seq 100); do
    [ -s "$work/capture.raw" ] && break
    sleep 0.1
done
[ -s "$work/capture.raw" ] || fail "parec records nothing"
keys F3
# A pass is 33 rows of 0.12 s; a loaded machine may be slow to start the stream.
found=0
for _ in $(seq 30); do
    sleep 1
    if "$python" "$work/find.py" "$work/song.wav" "$work/capture.raw" > "$work/found"; then
        found=1
        break
    fi
done
keys F4
kill -INT "$parec_pid"
wait "$parec_pid" 2> /dev/null
parec_pid=""
kill -0 "$app_pid" 2> /dev/null || fail "the editor ended while playing"
if [ "$found" != 1 ]; then
    "$python" "$work/find.py" "$work/song.wav" "$work/capture.raw" explain
    fail "the recording does not hold the render"
fi
cat "$work/found"
echo "PASS"
