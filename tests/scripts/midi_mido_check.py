# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads exported MIDI files strictly with mido and checks them against what they were made
from: a new document, or an AGI sound resource read here on its own."""
import math
import struct
import sys

import mido

REST = (0, 64)


def load(path):
    with open(path, 'rb') as f:
        raw = f.read()
    assert raw[:14] == b'MThd\0\0\0\6\0\1\0\3\0\x1c', raw[:14]
    pos = 14
    while pos < len(raw):
        assert raw[pos:pos + 4] == b'MTrk', pos
        pos += 8 + struct.unpack('>I', raw[pos + 4:pos + 8])[0]
    assert pos == len(raw), 'the track lengths do not add up to the file'
    mid = mido.MidiFile(path, clip=False)
    assert (mid.type, mid.ticks_per_beat, len(mid.tracks)) == (1, 28, 3)
    return mid


def notes(track, voice):
    """The track's program and its back-to-back note pairs as (key, velocity, ticks)."""
    msgs = list(track)
    assert msgs[0].type == 'program_change' and msgs[0].channel == voice and msgs[0].time == 0
    assert msgs[-1].type == 'end_of_track' and msgs[-1].time == 0
    pairs, i = [], 1
    while i < len(msgs) - 1:
        on, ticks = msgs[i], 0
        assert on.type == 'note_on' and on.channel == voice and on.time == 0, on
        i += 1
        while msgs[i].type == 'text' and msgs[i].text == '':  # a wait beyond one delta
            ticks += msgs[i].time
            i += 1
        off = msgs[i]
        assert (off.type, off.channel, off.note, off.velocity) == ('note_off', voice, on.note, 64), off
        pairs.append((on.note, on.velocity, ticks + off.time))
        i += 1
    return msgs[0].program, pairs


def note_of_divisor(divisor):
    divisor = divisor or 1024  # 0 sounds as 1024
    n = math.log(3579520.0 / (divisor * 440.0)) * (12.0 / math.log(2.0)) + 9.0 - 0.46
    return min(117, math.floor(n) + (1 if n - math.floor(n) > 0.5 else 0))


def expected_voices(data):
    """One pair per record at one tick per row; the song lasts as long as its longest voice."""
    offsets = [data[2 * c] | data[2 * c + 1] << 8 for c in range(4)] + [len(data)]
    voices = []
    for c in range(4):
        pairs, pos, divisor = [], offsets[c], 0
        while pos < offsets[c + 1] and pos + 5 <= len(data) and data[pos:pos + 2] != b'\xff\xff':
            rec = data[pos:pos + 5]
            pos += 5
            ticks = rec[0] | rec[1] << 8
            assert ticks > 0, 'records without time are not covered here'
            if rec[3] != 0:  # a control byte of 0 keeps the pitch
                divisor = (rec[3] & 0x0F) + (rec[2] & 0x3F) * 16
            atten = rec[4] & 0x0F
            pairs.append((note_of_divisor(divisor), 100 - 6 * atten, ticks) if atten < 15 else REST + (ticks,))
        voices.append(pairs)
    lengths = [sum(p[2] for p in pairs) for pairs in voices]
    song_end = max(lengths)
    for pairs, length in zip(voices[:3], lengths):
        if not pairs:
            continue
        if length < song_end:
            pairs.append(REST + (song_end - length,))
    return voices[:3]


def make_long(path):
    """Notes whose durations need three bytes as variable-length quantities."""
    def tone(c, ticks, divisor, atten):
        return struct.pack('<HBBB', ticks, divisor >> 4, 0x80 + 32 * c + (divisor & 15), 0x90 + 32 * c + atten)
    channels = [tone(0, 40000, 427, 0) + tone(0, 100, 0, 15) + tone(0, 32768, 254, 2),
                tone(1, 65534, 254, 14) * 2, tone(2, 5, 1016, 3), struct.pack('<HBBB', 300, 0, 0xE5, 0xF1)]
    head, body = b'', b''
    for data in channels:
        head += struct.pack('<H', 8 + len(body))
        body += data + b'\xff\xff'
    with open(path, 'wb') as f:
        f.write(head + body)


def main(command, *args):
    if command == 'make-long':
        return make_long(args[0])
    mid = load(args[0])
    if command == 'new':
        programs = [int(p) for p in args[1].split(',')]
        want = [(programs[0], [REST + (112,)]), (programs[1], []), (programs[2], [])]
    else:
        with open(args[1], 'rb') as f:
            want = [(0, pairs) for pairs in expected_voices(f.read())]
    for voice, track in enumerate(mid.tracks):
        got = notes(track, voice)
        assert got == want[voice], 'voice %d: program %d, %d pairs' % (voice, got[0], len(got[1]))


if __name__ == '__main__':
    main(*sys.argv[1:])
