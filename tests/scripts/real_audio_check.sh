#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays a song through PortAudio into a PulseAudio null sink, records the sink's monitor and
# checks that the recording holds the converter's .wav render as one sample-exact run.
# Usage: real_audio_check.sh TARVOK_CONVERT SOURCE_DIR
set -u

convert="$1"
if ! command -v pulseaudio > /dev/null 2>&1; then
    echo "skipped: pulseaudio is not installed"
    exit 0
fi
for tool in parec pactl; do
    if ! command -v "$tool" > /dev/null 2>&1; then
        echo "FAIL: pulseaudio is installed but $tool is not (pulseaudio-utils)"
        exit 1
    fi
done

build_dir="$(cd "$(dirname "$convert")/.." && pwd)"
player="$build_dir/tests/real_audio_test"
if [ ! -x "$player" ]; then
    echo "FAIL: $player is not built"
    exit 1
fi

work="$(mktemp -d)"
# A private server: its socket, pid file and state live in the scratch folder.
export PULSE_RUNTIME_PATH="$work/pulse"
export PULSE_STATE_PATH="$work/state"
export PULSE_SERVER="unix:$work/pulse/native"
unset PULSE_SINK PULSE_SOURCE
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$work/run"

cleanup() {
    if [ -f "$work/pulse/pid" ]; then
        pid="$(cat "$work/pulse/pid")"
        kill "$pid" 2> /dev/null
        for _ in $(seq 50); do
            kill -0 "$pid" 2> /dev/null || break
            sleep 0.1
        done
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# As root it warns that it is not meant to run as root, and runs.
pulseaudio -n --daemonize=yes --exit-idle-time=-1 \
    --load="module-null-sink sink_name=null rate=44100 channels=1 format=s16le" \
    --load=module-native-protocol-unix > "$work/pulseaudio.log" 2>&1
ready=0
for _ in $(seq 100); do
    if pactl info > /dev/null 2>&1; then
        ready=1
        break
    fi
    sleep 0.1
done
if [ "$ready" != 1 ]; then
    echo "FAIL: the PulseAudio server did not start"
    cat "$work/pulseaudio.log"
    exit 1
fi

# ALSA's plugins, loaded and unloaded by the audio library, keep small allocations that a
# leak-checking build would report against an unknown module; our own code is leak-checked
# by every other test.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    TARVOK_REAL_AUDIO_DIR="$work/run" "$player" --gtest_filter='RealAudio.*' > "$work/player.log" 2>&1
status=$?
grep -E '^(device:|render found|\[  |.*Failure|.*longest)' "$work/player.log"
if [ "$status" != 0 ] || ! grep -q '^\[  PASSED  \] 1 test' "$work/player.log"; then
    echo "FAIL: the recording does not hold the render"
    cat "$work/player.log"
    exit 1
fi
echo "PASS"
