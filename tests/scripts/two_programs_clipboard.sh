#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Two running editors on one X display: a pattern copied in the first is pasted into the
# second, which saves it; the saved file must hold the pattern with its name and cells.
# Usage: two_programs_clipboard.sh TARVOK_CONVERT SOURCE_DIR
#
# Xvfb runs no window manager, so windows are never activated by themselves, and Qt only
# matches menu shortcuts (Ctrl+C, Ctrl+V, Ctrl+S) in the active window. Giving a window the
# X input focus (xdotool windowfocus) makes Qt activate it; keys are then sent to it.
set -u

convert="$1"
for tool in Xvfb xdotool; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "skipped: $tool is not installed"
        exit 0
    fi
done
build_dir="$(cd "$(dirname "$convert")/.." && pwd)"
editor="$build_dir/app/tarvok"
if [ ! -x "$editor" ]; then
    echo "skipped: the editor is not built (configure with -DTARVOK_GUI=ON)"
    exit 0
fi

work="$(mktemp -d)"
pids=()
xvfb_pid=""
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2> /dev/null
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2> /dev/null
    done
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2> /dev/null
        wait "$xvfb_pid" 2> /dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && { echo "--- $(basename "$log")"; tail -n 20 "$log"; }
    done
    exit 1
}

# Settings and the registered document type stay in the scratch folder.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# Xvfb picks a free display and writes its number when it is ready.
exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2> /dev/null || fail "Xvfb did not start"
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not report its display"
export DISPLAY=":$(head -n 1 "$work/display")"

cat > "$work/source.tks" << 'TKS'
<sound type="tracker">
<settings>
<song>
<playrange start="0" end="16" />
<tempo tpb="4" bpm="125" />
</song>
<editor stepsize="16" />
</settings>
<machine channel="0" name="Voice0" nextpattern="1">
<pattern index="0" name="Zephyr" rows="24">
<row index="0" note="C-5" attenuation="3" />
<row index="5" note="off" />
<row index="23" note="A-4" attenuation="12" />
</pattern>
<sequence>
<row index="0" pattern="0" />
</sequence>
</machine>
</sound>
TKS
"$convert" --new "$work/target.tks" || fail "tarvok-convert could not make a new sound"

find_window() { # title pattern; prints the window id once the window exists
    for _ in $(seq 100); do
        local wid
        wid="$(xdotool search --name "$1" 2> /dev/null | head -n 1)"
        if [ -n "$wid" ]; then
            echo "$wid"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Focus, then a pause for Qt to take the window as active before the keys arrive.
send_keys() { # window, keys...
    local wid="$1"
    shift
    xdotool windowfocus --sync "$wid" 2>> "$work/xdotool.log" || return 1
    sleep 0.5
    xdotool key --delay 100 --window "$wid" "$@" 2>> "$work/xdotool.log"
}

"$editor" --no-sound "$work/source.tks" > "$work/source.log" 2>&1 &
pids+=($!)
source_wid="$(find_window '^Tarvok - source\.tks$')" || fail "the first program's window did not appear"

"$editor" --no-sound "$work/target.tks" > "$work/target.log" 2>&1 &
pids+=($!)
target_wid="$(find_window '^Tarvok - target\.tks$')" || fail "the second program's window did not appear"

# Both open with the sequence editor focused and the cursor on Voice0, step 0.
send_keys "$source_wid" ctrl+c || fail "could not send Copy to the first program"
# Paste into Voice1, so the pattern arrives in another channel than the one it left.
send_keys "$target_wid" Right ctrl+v ctrl+s || fail "could not send Paste and Save to the second program"

saved=0
for _ in $(seq 100); do
    if grep -q 'Zephyr' "$work/target.tks"; then
        saved=1
        break
    fi
    sleep 0.1
done
[ "$saved" = 1 ] || fail "the second program did not save the pasted pattern"
"$convert" "$work/target.tks" "$work/check.tks" > "$work/convert.log" 2>&1 ||
    fail "the saved file does not load"
# A pasted pattern keeps its name and does not use up a pattern number.
expected='<machine channel="1" name="Voice1" nextpattern="0">
<pattern index="0" name="Zephyr" rows="24">
<row index="0" note="C-5" attenuation="3" />
<row index="5" note="off" />
<row index="23" note="A-4" attenuation="12" />
</pattern>
<sequence>
<row index="0" pattern="0" />
</sequence>
</machine>'
# Channel 1 is written after the new sound's own channel 0, whose pattern stays.
got="$(tr -d '\r' < "$work/target.tks" | sed -n '/<machine channel="1"/,/<\/machine>/p')"
if [ "$got" != "$expected" ]; then
    echo "expected:"
    echo "$expected"
    echo "saved:"
    cat "$work/target.tks"
    fail "the pasted pattern was not saved as copied"
fi
grep -q '<pattern index="0" name="000" rows="16" />' "$work/target.tks" ||
    fail "the new sound's own pattern is gone"
echo "ok: a pattern copied in one program was pasted, saved and read back in another"
