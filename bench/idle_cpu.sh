#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU of the real editor and of its sound server, in percent of one core: idle with a sound
# open, then playing it with the scopes shown. Prints the figures; it does not judge.
#   idle_cpu.sh <tarvok-convert> <source folder> [seconds, default 30]
set -u
source "$2/tests/scripts/support/session.sh" "$1"
skip_without Xvfb xdotool pulseaudio
skip_without_editor
seconds="${3:-30}"
start_xvfb
start_pulseaudio --no-reader

song="$work/song.tks"
"$convert" "$2/tests/data/buddhies-sound000.agi" "$song" || fail "tarvok-convert"
start_editor editor '^song\.tks.* Tarvok' "$song"
editor_pid="${pids[-1]}"
server_pid="$(cat "$PULSE_RUNTIME_PATH/pid")"

ticks() { # pid: user and system clock ticks so far
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}
measure() { # label
    local e0 s0 e1 s1 hz
    hz="$(getconf CLK_TCK)"
    e0="$(ticks "$editor_pid")" s0="$(ticks "$server_pid")"
    sleep "$seconds"
    e1="$(ticks "$editor_pid")" s1="$(ticks "$server_pid")"
    awk -v l="$1" -v e=$((e1 - e0)) -v s=$((s1 - s0)) -v hz="$hz" -v t="$seconds" \
        'BEGIN { printf "%s over %d s: editor %.2f %%, sound server %.2f %%\n", l, t, 100 * e / hz / t, 100 * s / hz / t }'
}

# Past the output's rest delay after opening.
sleep 3
measure idle
send_keys "$wid" F3 || fail "the window cannot take the keyboard"
measure playing
kill -0 "$editor_pid" 2> /dev/null || fail "the editor ended while measuring"
