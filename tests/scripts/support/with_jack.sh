#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with a JACK server of its own (dummy driver, no sound card, no real-time
# rights needed), under a server name no other run uses, and stops the server afterwards.
#   with_jack.sh [--in-step] COMMAND...
# --in-step: the server waits for its clients each cycle (a long timeout), so a loaded machine
# delays a cycle instead of dropping the MIDI a late client had not yet read. The latency
# check runs free: in step, the editor it starts and ends made it three times as long.
set -u
mode=()
if [ "${1:-}" = "--in-step" ]; then
    mode=(--sync --timeout 5000)
    shift
fi
export JACK_DEFAULT_SERVER="tarvok-test-$$-$RANDOM"
log=$(mktemp)
jackd --no-realtime "${mode[@]}" -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$log"' EXIT
for _ in $(seq 100); do
    jack_lsp >/dev/null 2>&1 && break
    kill -0 "$server" 2>/dev/null || { echo "jackd did not start:"; cat "$log"; exit 1; }
    sleep 0.1
done
jack_lsp >/dev/null 2>&1 || { echo "jackd does not answer:"; cat "$log"; exit 1; }
"$@"
status=$?
# What the server said helps when a test missed a key.
[ "$status" -eq 0 ] || { echo "--- jackd:"; cat "$log"; }
exit "$status"
