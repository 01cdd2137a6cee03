# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the script tests that run the real programs: a scratch folder holding the
# settings, an X display and a PulseAudio server of their own, all ended on exit.
#   source session.sh <tarvok-convert>

convert="$1"
build_dir="$(cd "$(dirname "$convert")/.." && pwd)"
editor="$build_dir/app/tarvok"
python=/usr/bin/python3
work="$(mktemp -d)"
pids=()
xvfb_pid=""
# Settings, recent files and the registered document type stay in the scratch folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/xdg" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

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
    for pid in "${pids[@]}"; do
        stop_pid "$pid"
    done
    [ -f "$work/pulse/pid" ] && stop_pid "$(cat "$work/pulse/pid")"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for log in "$work"/*.log; do
        [ -s "$log" ] && sed "s/^/$(basename "$log" .log): /" "$log" | tail -n 20
    done
    exit 1
}
skip_without() { # tools...
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null 2>&1; then
            echo "skipped: $tool is not installed"
            exit 0
        fi
    done
}
skip_without_editor() {
    if [ ! -x "$editor" ]; then
        echo "skipped: the editor was not built ($editor)"
        exit 0
    fi
}
wait_for() { # command...: true once it succeeds, within ten seconds
    for _ in $(seq 100); do
        "$@" > /dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

start_xvfb() { # A display of its own, at a number chosen at random
    # The lowest free number (what -displayfd picks) is the one every other X server on the
    # machine tries first, and a server in another mount namespace holds it unseen: the client
    # then reaches that server, which may end at any time. Our own server at a number nobody
    # else is likely to pick, its lock holding its own process id, is the one we reach.
    # Without -noreset the server resets each time its last client leaves (the probe below,
    # a bus launcher that looks at the root window), and a client connecting then is refused.
    local server number
    for _ in 1 2 3 4 5; do
        number=$((RANDOM % 20000 + 1000))
        [ -e "/tmp/.X$number-lock" ] && continue
        Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp -noreset 2> "$work/xvfb.log" &
        server=$!
        export DISPLAY=":$number"
        if wait_for xdotool getdisplaygeometry && sleep 0.5 && kill -0 "$server" 2> /dev/null &&
            [ "$(tr -d ' ' < "/tmp/.X$number-lock" 2> /dev/null)" = "$server" ]; then
            pids+=("$server")
            xvfb_pid=$server
            return 0
        fi
        stop_pid "$server"
    done
    fail "Xvfb did not start: $(cat "$work/xvfb.log")"
}

start_pulseaudio() { # [--no-reader]: a private server with a null sink; as root it warns, and runs.
    for tool in parec pactl; do
        command -v "$tool" > /dev/null 2>&1 || fail "pulseaudio is installed but $tool is not"
    done
    export PULSE_RUNTIME_PATH="$work/pulse" PULSE_STATE_PATH="$work/state"
    export PULSE_SERVER="unix:$work/pulse/native"
    unset PULSE_SINK PULSE_SOURCE
    mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
    # Real time, as a desktop session's sound server runs, so a busy machine does not starve it.
    pulseaudio -n --daemonize=yes --exit-idle-time=-1 --realtime=yes --high-priority=yes \
        --load="module-null-sink sink_name=null rate=44100 channels=1 format=s16le" \
        --load=module-native-protocol-unix > "$work/pulseaudio.log" 2>&1
    wait_for pactl info || fail "the PulseAudio server did not start"
    # Until a client asks for a short latency the null sink renders two seconds at a time, and
    # a recording started then waits for the end of that block. A reader of its own keeps the
    # sink in short blocks, as a sound card's sink runs, and a suspend and resume ends the long
    # block at once. Whatever records nothing does without: the reader, a second client in
    # blocks of its own, costs the editor's stream wakes a desktop's server would not.
    [ "${1:-}" = --no-reader ] && return 0
    parec -d null.monitor --raw --latency-msec=10 > /dev/null 2>&1 &
    pids+=($!)
    wait_for eval 'pactl list short source-outputs | grep -q .' ||
        fail "the PulseAudio server records nothing"
    pactl suspend-sink null 1 && pactl suspend-sink null 0 || fail "the null sink did not resume"
}

start_editor() { # log name, title pattern, editor arguments...: sets wid
    local log="$1" title="$2"
    shift 2
    kill -0 "$xvfb_pid" 2> /dev/null || fail "the X server $DISPLAY ended before the editor started"
    "$editor" "$@" > "$work/$log.log" 2>&1 &
    pids+=($!)
    wid=""
    for _ in $(seq 200); do
        wid="$(xdotool search --onlyvisible --name "$title" 2> /dev/null | head -n 1)"
        if [ -n "$wid" ]; then
            sleep 1
            return 0
        fi
        sleep 0.1
    done
    fail "no window named $title"
}

# Xvfb runs no window manager, so no window is ever activated by itself, and Qt matches menu
# shortcuts only in the active window. Giving a window the X input focus makes Qt activate
# it; a pause lets that happen before the keys arrive. A window that has the focus already
# is active.
send_keys() { # window, keys...
    local target="$1"
    shift
    if [ "$(xdotool getwindowfocus 2> /dev/null)" != "$target" ]; then
        xdotool windowfocus --sync "$target" || return 1
        sleep 0.5
    fi
    xdotool key --window "$target" --delay 80 "$@"
    sleep 0.3
}
