#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays a song through PortAudio into a PulseAudio null sink, records the sink's monitor and
# checks every pass of the recording against the converter's .wav render, sample for sample,
# naming each dropout heard with its place in the song and its length.
# Usage: real_audio_check.sh TARVOK_CONVERT SOURCE_DIR
set -u
source "$(dirname "$0")/support/session.sh" "$1"
skip_without pulseaudio
player="$build_dir/tests/real_audio_test"
[ -x "$player" ] || fail "$player is not built"
start_pulseaudio
mkdir -p "$work/run"

# ALSA's plugins, loaded and unloaded by the audio library, keep small allocations that a
# leak-checking build would report against an unknown module; our own code is leak-checked
# by every other test.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    TARVOK_REAL_AUDIO_DIR="$work/run" "$player" --gtest_filter='*RealAudio.*' > "$work/player.log" 2>&1
status=$?
grep -E 'passes, |^  (dropout|the )' "$work/player.log"
grep -q '^\[  PASSED  \] 2 tests' "$work/player.log" && [ "$status" = 0 ] ||
    fail "the recording does not hold the render"
echo "PASS"
