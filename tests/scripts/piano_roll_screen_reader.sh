#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The piano roll as a screen reader reads it: the real editor under Xvfb with a session bus
# and an accessibility bus of its own. A note is found by its accessible name, dragged with
# the mouse at the rectangle it reports, and the saved file must hold it where it was dropped.
#   piano_roll_screen_reader.sh <tarvok-convert> <source folder>
set -u
source "$(dirname "$0")/support/session.sh" "$1"
skip_without Xvfb xdotool dbus-daemon
skip_without_editor
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "skipped: at-spi2-core is not installed"; exit 0; }
"$python" -c 'import pyatspi' 2> /dev/null || { echo "skipped: python3-pyatspi is not installed"; exit 0; }
start_xvfb

dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 \
    3> "$work/bus" 4> "$work/bus.pid" 2> "$work/dbus.log" || fail "no session bus"
pids+=("$(cat "$work/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bus")"
/usr/libexec/at-spi-bus-launcher --launch-immediately > "$work/atspi.log" 2>&1 &
pids+=($!)
# The launcher sets the bus on the root window; an editor started before it answers finds no
# accessibility bus.
wait_for dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress ||
    fail "the accessibility bus did not start"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# The roll fills the window, so nothing else takes the pointer.
mkdir -p "$XDG_CONFIG_HOME/Zantiva Software"
printf '[View]\nPianoRoll=true\nPianoRollAlone=true\n' > "$XDG_CONFIG_HOME/Zantiva Software/Tarvok.conf"
song="$work/song.tks"
cat > "$song" << 'XML'
<sound type="tracker">
<settings><song><playrange start="0" end="32" /><tempo tpb="4" bpm="125" /></song>
<editor stepsize="16" /></settings>
<machine channel="0" name="Voice0" nextpattern="1">
<pattern index="0" name="000" rows="32">
<row index="0" note="C-5" attenuation="2" />
<row index="4" note="off" />
</pattern>
<sequence><row index="0" pattern="0" /></sequence>
</machine>
</sound>
XML
start_editor editor '^song\.tks.* Tarvok' --no-sound "$song"

# Prints "x y width height" of the note of that name once the bus shows it.
cat > "$work/find.py" << 'PY'
import sys, time, pyatspi

def notes(node, depth=0):
    if node is None or depth > 30:
        return
    if node.getRoleName() == "list item":
        yield node
    for i in range(node.childCount):
        yield from notes(node.getChildAtIndex(i), depth + 1)

name = sys.argv[1]
deadline = time.monotonic() + 30
while time.monotonic() < deadline:
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name.lower() == "tarvok":
                for note in notes(app):
                    if note.name == name:
                        box = note.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                        print(box.x, box.y, box.width, box.height)
                        sys.exit(0)
    except Exception:
        pass
    time.sleep(0.2)
seen = [n.name for a in pyatspi.Registry.getDesktop(0) if a is not None for n in notes(a)]
sys.exit(f"no note named {name!r}; the roll holds {seen}")
PY
find_note() { "$python" "$work/find.py" "$1" 2> "$work/find.log"; }

box="$(find_note 'Voice0 C-5 at row 0, 4 rows, attenuation 2')" || fail "$(cat "$work/find.log")"
read -r x y w h <<< "$box"
[ "$w" -gt 8 ] && [ "$h" -gt 2 ] || fail "the note's rectangle is $box"
# Grab the bar in its middle, not at its right end (that resizes), and drop it 8 rows later
# (a row is 8 pixels wide at the opening zoom) and two semitones higher.
from_x=$((x + w / 3)) from_y=$((y + h / 2))
xdotool mousemove --sync "$from_x" "$from_y" mousedown 1
xdotool mousemove --sync $((from_x + 32)) $((from_y - h)) mousemove --sync $((from_x + 64)) $((from_y - 2 * h))
xdotool mouseup 1
find_note 'Voice0 D-5 at row 8, 4 rows, attenuation 2' > /dev/null || fail "$(cat "$work/find.log")"

send_keys "$wid" ctrl+s || fail "the window cannot take the keyboard"
wait_for grep -q '<row index="8" note="D-5" attenuation="2" />' "$song" ||
    fail "the moved note was not saved: $(grep '<row' "$song")"
grep -q '<row index="12" note="off" />' "$song" || fail "the note's off did not move with it: $(grep '<row' "$song")"
grep -q '<row index="0" note=' "$song" && fail "the note is still at row 0: $(grep '<row' "$song")"
echo "PASS"
