"""Reads exported MIDI files with mido, strictly, and checks them against what they were
made from: a new document, or an AGI sound resource read here on its own."""
import math
import struct
import sys

import mido

TICKS_PER_QUARTER = 28
REST = (0, 64)


def load(path):
    with open(path, 'rb') as f:
        raw = f.read()
    assert raw[:14] == b'MThd\x00\x00\x00\x06\x00\x01\x00\x03\x00\x1c', raw[:14]
    pos = 14
    while pos < len(raw):
        assert raw[pos:pos + 4] == b'MTrk', pos
        pos += 8 + struct.unpack('>I', raw[pos + 4:pos + 8])[0]
    assert pos == len(raw), 'track lengths do not add up to the file'
    mid = mido.MidiFile(path, clip=False)
    assert mid.type == 1, mid.type
    assert mid.ticks_per_beat == TICKS_PER_QUARTER, mid.ticks_per_beat
    assert len(mid.tracks) == 3, len(mid.tracks)
    return mid


def notes(track, voice):
    """The track's program and its note pairs as (key, velocity, ticks)."""
    msgs = list(track)
    first, last = msgs[0], msgs[-1]
    assert first.type == 'program_change' and first.channel == voice and first.time == 0, first
    assert last.type == 'end_of_track' and last.time == 0, last
    pairs = []
    i = 1
    while i < len(msgs) - 1:
        on = msgs[i]
        assert on.type == 'note_on' and on.channel == voice and on.time == 0, on
        i += 1
        ticks = 0
        # A wait longer than one delta time is carried by empty text events.
        while msgs[i].type == 'text':
            assert msgs[i].text == '', msgs[i]
            ticks += msgs[i].time
            i += 1
        off = msgs[i]
        assert off.type == 'note_off' and off.channel == voice, off
        assert off.note == on.note and off.velocity == 64, (on, off)
        pairs.append((on.note, on.velocity, ticks + off.time))
        i += 1
    return first.program, pairs


def note_of_divisor(divisor):
    n = math.log(3579520.0 / (divisor * 440.0)) * (12.0 / math.log(2.0)) + 9.0 - 0.46
    whole = math.floor(n)
    return whole + 1 if n - whole > 0.5 else whole


def agi_records(data, channel):
    offsets = [data[2 * c] | data[2 * c + 1] << 8 for c in range(4)] + [len(data)]
    pos, end = offsets[channel], offsets[channel + 1]
    records = []
    while pos < end and pos + 5 <= len(data):
        rec = data[pos:pos + 5]
        if rec[0] == 0xFF and rec[1] == 0xFF:
            break
        if rec[3] != 0:
            records.append(rec)
        pos += 5
    return records


def expected_voices(data):
    """What the MIDI export of an imported resource holds: one pair per record, the song
    rounded up to whole 32-tick patterns with a rest, one row being one tick."""
    lengths = []
    voices = []
    for channel in range(4):
        pairs = []
        for rec in agi_records(data, channel):
            ticks = rec[0] | rec[1] << 8
            assert ticks > 0, 'records without time are not covered here'
            divisor = (rec[3] & 0x0F) + (rec[2] & 0x3F) * 16
            atten = rec[4] & 0x0F
            if divisor <= 15 or atten == 15:
                pairs.append(REST + (ticks,))
            else:
                pairs.append((note_of_divisor(divisor), 100 - 6 * atten, ticks))
        lengths.append(sum(p[2] for p in pairs))
        voices.append(pairs)
    song_end = max([16] + [32 * math.ceil(t / 32) for t in lengths])
    for pairs, length in zip(voices[:3], lengths):
        if not pairs:
            continue
        # A note ending on a pattern's last row runs on to the pattern's end.
        if length % 32 == 31:
            pairs[-1] = pairs[-1][:2] + (pairs[-1][2] + 1,)
            length += 1
        # The last note is closed where it ends, and the end of its pattern closes the rest.
        pattern_end = 32 * math.ceil(length / 32)
        if length < pattern_end:
            pairs.append(REST + (pattern_end - length,))
        if pattern_end < song_end:
            pairs.append(REST + (song_end - pattern_end,))
    return voices[:3]


def check_new(path, programs):
    mid = load(path)
    want = [[REST + (112,)], [], []]
    for voice, track in enumerate(mid.tracks):
        assert notes(track, voice) == (programs[voice], want[voice]), (voice, notes(track, voice))


def check_agi(agi_path, path):
    mid = load(path)
    with open(agi_path, 'rb') as f:
        want = expected_voices(f.read())
    for voice, track in enumerate(mid.tracks):
        program, pairs = notes(track, voice)
        assert program == 0, program
        if pairs != want[voice]:
            at = next((i for i, (a, b) in enumerate(zip(pairs, want[voice])) if a != b),
                      min(len(pairs), len(want[voice])))
            raise AssertionError('voice %d differs at pair %d: got %s, want %s (%d and %d pairs)' % (
                voice, at, pairs[at:at + 3], want[voice][at:at + 3], len(pairs), len(want[voice])))


def make_long(path):
    """A resource of long notes: deltas beyond two bytes of a variable-length quantity."""
    def tone(channel, ticks, divisor, atten):
        return struct.pack('<HBBB', ticks, (divisor >> 4) & 0x3F,
                           0x80 + 32 * channel + (divisor & 0x0F), 0x90 + 32 * channel + atten)
    end = b'\xff\xff'
    channels = [
        tone(0, 40000, 427, 0) + tone(0, 100, 0, 15) + tone(0, 32768, 254, 2) + end,
        tone(1, 65534, 254, 14) + tone(1, 65534, 254, 14) + end,
        tone(2, 5, 1016, 3) + end,
        struct.pack('<HBBB', 300, 0, 0xE5, 0xF1) + end,
    ]
    header = b''
    offset = 8
    for data in channels:
        header += struct.pack('<H', offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(header + b''.join(channels))


def main(argv):
    command = argv[1]
    if command == 'new':
        check_new(argv[2], [int(p) for p in argv[3].split(',')])
    elif command == 'agi':
        check_agi(argv[2], argv[3])
    elif command == 'make-long':
        make_long(argv[2])
    else:
        raise SystemExit('unknown command ' + command)


if __name__ == '__main__':
    main(sys.argv)
