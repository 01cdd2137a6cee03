#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Key-to-sound time of the real editor through a PulseAudio null sink: a typed note's preview,
# a MIDI key held (through a JACK server of its own, where JACK and its Python client are
# installed) and Play (F3). Prints the figures; it measures, it does not judge, so it fails only
# when the set-up does. TARVOK_LATENCY_CHIP=sine|pcjr|tandy picks the sound chip (default sine).
#   latency_check.sh <tarvok-convert> <source folder>
set -u
if [ -z "${JACK_DEFAULT_SERVER:-}" ] && command -v jackd > /dev/null 2>&1 &&
    /usr/bin/python3 -c 'import jack' 2> /dev/null; then
    exec bash "$(dirname "$0")/support/with_jack.sh" bash "$0" "$@"
fi
source "$(dirname "$0")/support/session.sh" "$1"
skip_without Xvfb xdotool pulseaudio
skip_without_editor
chip="${TARVOK_LATENCY_CHIP:-sine}"
start_xvfb
start_pulseaudio

mkdir -p "$XDG_CONFIG_HOME/Zantiva Software"
printf '[Playback]\nChip=%s\n' "$chip" > "$XDG_CONFIG_HOME/Zantiva Software/Tarvok.conf"
song="$work/song.tks"
"$convert" --new "$song" || fail "tarvok-convert --new"
start_editor editor '^song\.tks.* Tarvok' "$song"
# Into the pattern editor of the first step, so that letters are notes.
send_keys "$wid" Return || fail "the window cannot take the keyboard"

cat > "$work/measure.py" << 'PY'
import array, os, statistics, subprocess, sys, threading, time

RATE = 44100
THRESHOLD = 8  # silence through the null sink is exact zeros
# The MIDI keys are written in a JACK process callback, which needs the interpreter lock each
# cycle; a cycle it misses loses what it wrote. Hand the lock over soon, and never scan the
# recording sample by sample in Python while holding it.
sys.setswitchinterval(0.0005)
window = sys.argv[1]
parec = subprocess.Popen(["parec", "-d", "null.monitor", "--raw", "--format=s16le",
                          f"--rate={RATE}", "--channels=1", "--latency-msec=5"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
recorded = bytearray()
# The sink runs on the clock and data only ever arrives late, so the earliest
# (read time - samples read / rate) is the best estimate of when sample 0 was played.
start = [float("inf")]
lock = threading.Lock()

def record():
    while chunk := parec.stdout.read1(4096):
        now = time.monotonic()
        with lock:
            recorded.extend(chunk)
            start[0] = min(start[0], now - len(recorded) // 2 / RATE)

def samples(last):
    # The latest samples, the time sample 0 was played and the index of the first one taken.
    with lock:
        end = len(recorded) // 2 * 2
        begin = max(0, end - 2 * last)
        return array.array("h", bytes(recorded[begin:end])), start[0], begin // 2

def first_loud(a, i, block=441):
    for b in range(i, len(a), block):
        part = a[b:b + block]
        if max(part) >= THRESHOLD or min(part) <= -THRESHOLD:
            return next(j for j in range(b, b + len(part)) if abs(a[j]) >= THRESHOLD)
    return None

def wait_for_quiet(seconds=0.15, limit=3.0):
    # A late tail of the previous sound must not pass for the next one.
    deadline = time.monotonic() + limit
    n = int(seconds * RATE)
    while time.monotonic() < deadline:
        a, _, _ = samples(n + 1)
        if len(a) > n and first_loud(a, len(a) - n) is None:
            return
        time.sleep(0.05)

def heard_since(t_key):
    # Only the samples from the key on are scanned.
    a, t0, index = samples(int((time.monotonic() - t_key) * RATE) + RATE // 10)
    first = t0 + index / RATE
    j = first_loud(a, max(0, int((t_key - first) * RATE)))
    return None if j is None else (first + j / RATE - t_key) * 1000

def onset_ms(name, wait, quiet=0.15, press=None):
    # Waits up to wait seconds for the sound; press, when given, holds the key until then.
    wait_for_quiet(quiet, quiet + 3.0)
    t_key = time.monotonic()
    if press is None:
        subprocess.run(["xdotool", "key", "--window", window, name], check=True)
    else:
        press.down()
    found = None
    while found is None and time.monotonic() < t_key + wait:
        time.sleep(0.02)
        found = heard_since(t_key)
    if press is not None:
        press.up()
    return found

def report(label, figures):
    found = [f for f in figures if f is not None]
    print(f"{label}: median {statistics.median(found):.0f} ms (min {min(found):.0f}, "
          f"max {max(found):.0f}; {len(found)} of {len(figures)} keys; from rest: "
          f"{'none' if figures[0] is None else f'{figures[0]:.0f} ms'})" if found
          else f"{label}: no sound after any of {len(figures)} keys")
    return bool(found)

class Keys:
    """Another program's MIDI keyboard playing into Tarvok's own port."""

    def __init__(self):
        import jack
        self.client = jack.Client("Latency Keys", no_start_server=True)
        self.port = self.client.midi_outports.register("keys")
        self.pending = []
        self.client.set_process_callback(self.process)
        self.client.activate()
        ours = [p for p in self.client.get_ports(is_midi=True, is_input=True)
                if "Tarvok MIDI In" in p.name]
        if not ours:
            raise RuntimeError("Tarvok offers no MIDI port")
        self.client.connect(self.port, ours[0])
        time.sleep(0.3)

    def process(self, frames):
        self.port.clear_buffer()
        while self.pending:
            self.port.write_midi_event(0, self.pending.pop(0))

    def down(self):
        self.pending.append((0x90, 60, 100))

    def up(self):
        self.pending.append((0x80, 60, 0))

threading.Thread(target=record, daemon=True).start()
time.sleep(0.5)
midi = []
if os.environ.get("JACK_DEFAULT_SERVER"):
    keys = Keys()
    midi = [onset_ms("MIDI", 0.6, 2.5 if i == 0 else 0.3, keys) for i in range(5)]
# The first key of each kind comes once the output has stopped for the quiet (after two
# seconds), the others while it still runs.
preview = [onset_ms(note, 0.6, 2.5 if note == "q" else 0.15) for note in "qwert"]
play = []
for i in range(5):
    # Long enough for a slow start to be measured rather than cut off by the stop.
    play.append(onset_ms("F3", 1.2, 2.5 if i == 0 else 0.15))
    subprocess.run(["xdotool", "key", "--window", window, "F4"], check=True)
parec.terminate()
ok = report("key-to-sound, typed note's preview", preview)
if midi:
    ok = report("key-to-sound, MIDI key held", midi) and ok
sys.exit(0 if report("key-to-sound, Play (F3)", play) and ok else 1)
PY
echo "sound chip: $chip"
"$python" "$work/measure.py" "$wid" || fail "no sound reached the sink"
kill -0 "${pids[-1]}" 2> /dev/null || fail "the editor ended while measuring"
