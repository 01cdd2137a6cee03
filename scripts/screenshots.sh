#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's pictures, taken from the real editor under Xvfb:
#   docs/screenshot.png  the main window as it starts, with Sound1 open
#   docs/editors.png     both editors on an imported sample sound, the window tiled
#   docs/game-sounds.png, docs/game-sounds@2x.png
#                        the sound list of a small game folder with a damaged entry, at 100% and 200%
#   docs/pianoroll.png, docs/pianoroll@2x.png
#                        the piano roll on the imported sample: under both editors at 100%, filling
#                        the window at 200%
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build; needs Xvfb, xdotool, ImageMagick)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
editor="$build/app/tarvok"
convert="$build/tools/tarvok-convert"
sample="tests/data/countryoforigin-sound000.agi"
for tool in Xvfb xdotool import; do
    command -v "$tool" > /dev/null || {
        echo "$tool is missing" >&2
        exit 1
    }
done
[ -x "$editor" ] && [ -x "$convert" ] || {
    echo "build the editor first: $editor" >&2
    exit 1
}

work="$(mktemp -d)"
xvfb="" app=""
cleanup() {
    # An editor that is already gone must not keep Xvfb running.
    if [ -n "$app" ]; then kill "$app" 2> /dev/null || true; fi
    if [ -n "$xvfb" ]; then kill "$xvfb" 2> /dev/null || true; fi
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# Fresh settings, so the pictures show the default layout.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/xdg" QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" 2> /dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$work/display")"

start() { # title pattern, editor arguments...
    local title="$1"
    shift
    "$editor" --no-sound "$@" > "$work/editor.log" 2>&1 &
    app=$!
    wid=""
    for _ in $(seq 200); do
        wid="$(xdotool search --onlyvisible --name "$title" 2> /dev/null | head -n 1 || true)"
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || {
        echo "no window named $title" >&2
        cat "$work/editor.log" >&2
        exit 1
    }
    xdotool windowfocus --sync "$wid"
    sleep 1
}
stop() {
    kill "$app"
    wait "$app" 2> /dev/null || true
    app=""
}

start '^Sound1.* Tarvok'
import -window "$wid" docs/screenshot.png
stop

"$convert" "$sample" "$work/theme.tks"
start '^theme\.tks.* Tarvok' "$work/theme.tks"
# Window, Tile: the sound's window fills the main window.
xdotool key --window "$wid" --delay 150 alt+w t
sleep 0.5
# Enter opens the pattern under the sequence editor's cursor in the pattern editor.
xdotool key --window "$wid" --delay 150 Return
sleep 1
import -window "$wid" docs/editors.png
stop
# A game of two sounds and a directory entry that points past the end of VOL.0.
hex() { printf '\\x%02x' "$@"; }
game="$work/MYGAME"
mkdir -p "$game"
size=$(stat -c %s "$sample")
second=$((5 + size))
for _ in 1 2; do
    printf "$(hex 0x12 0x34 0 $((size & 255)) $((size >> 8)))"
    cat "$sample"
done > "$game/VOL.0"
printf "$(hex 0 0 0 0 $((second >> 8)) $((second & 255)) 255 255 255 0 0x40 0)" > "$game/SNDDIR"

for scale in 1 2; do
    QT_SCALE_FACTOR=$scale start '^Sound1.* Tarvok'
    # File, Open Game Folder…, then the folder typed into the chooser.
    # The menu's own key goes to the open menu, which a key sent to the window misses.
    xdotool key --window "$wid" --delay 200 alt+f
    sleep 0.5
    xdotool key --delay 200 g
    sleep 1
    xdotool type --delay 20 "$game"
    xdotool key --delay 200 Return
    list=""
    for _ in $(seq 100); do
        list="$(xdotool search --onlyvisible --name '^Sounds of' 2> /dev/null | head -n 1 || true)"
        [ -n "$list" ] && break
        sleep 0.1
    done
    [ -n "$list" ] || {
        echo "no game sound list" >&2
        exit 1
    }
    sleep 1
    out=docs/game-sounds.png
    [ "$scale" = 2 ] && out=docs/game-sounds@2x.png
    import -window "$list" "$out"
    stop
done

# The piano roll shown, as View > Piano Roll leaves it for the next start.
settings="$XDG_CONFIG_HOME/Zantiva Software/Tarvok.conf"
mkdir -p "$(dirname "$settings")"
for scale in 1 2; do
    # At 200% the screen holds half as much: the roll fills the window alone.
    alone=false
    [ "$scale" = 2 ] && alone=true
    printf '[View]\nPianoRoll=true\nPianoRollAlone=%s\n' "$alone" > "$settings"
    QT_SCALE_FACTOR=$scale start '^theme\.tks.* Tarvok' "$work/theme.tks"
    xdotool key --window "$wid" --delay 150 alt+w t
    sleep 1
    out=docs/pianoroll.png
    [ "$scale" = 2 ] && out=docs/pianoroll@2x.png
    import -window "$wid" "$out"
    stop
done
rm "$settings"
echo "docs/screenshot.png docs/editors.png docs/game-sounds.png docs/game-sounds@2x.png"
echo "docs/pianoroll.png docs/pianoroll@2x.png"
