# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads exported MIDI files strictly with mido and checks them against what they were made
from: a new document, or an AGI sound resource read here on its own."""
import math
import struct
import sys

import mido

TEMPO = 466667  # microseconds a quarter note of 28 ticks: a MIDI tick is a game tick
DRUMS = 9


def load(path):
    with open(path, 'rb') as f:
        raw = f.read()
    assert raw[:10] == b'MThd\0\0\0\6\0\1' and raw[12:14] == b'\0\x1c', raw[:14]
    count = struct.unpack('>H', raw[10:12])[0]
    pos = 14
    while pos < len(raw):
        assert raw[pos:pos + 4] == b'MTrk', pos
        pos += 8 + struct.unpack('>I', raw[pos + 4:pos + 8])[0]
    assert pos == len(raw), 'the track lengths do not add up to the file'
    mid = mido.MidiFile(path, clip=False)
    assert (mid.type, mid.ticks_per_beat, len(mid.tracks)) == (1, 28, count)
    first = mid.tracks[0][0]
    assert (first.type, first.tempo, first.time) == ('set_tempo', TEMPO, 0), first
    return mid


def notes(track, channel):
    """The track's program, its notes as (key, velocity, first tick, ticks) and its length."""
    msgs = [m for m in track if m.type != 'set_tempo']
    assert msgs[0].type == 'program_change' and msgs[0].channel == channel and msgs[0].time == 0
    assert msgs[-1].type == 'end_of_track'
    now, sounding, held = 0, [], None
    for m in msgs[1:]:
        now += m.time
        if m.type == 'text':  # a wait beyond one delta
            assert m.text == ''
        elif m.type == 'note_on':
            assert held is None and m.channel == channel and m.velocity > 0, m
            held = (m.note, m.velocity, now)
        elif m.type == 'note_off':
            assert held and (m.channel, m.note, m.velocity) == (channel, held[0], 64), m
            sounding.append(held + (now - held[2],))
            held = None
        else:
            assert m.type == 'end_of_track', m
    assert held is None
    return msgs[0].program, sounding, now


def note_of_divisor(divisor):
    divisor = divisor or 1024  # 0 sounds as 1024
    n = math.log(3579520.0 / (divisor * 440.0)) * (12.0 / math.log(2.0)) + 9.0 - 0.46
    return min(117, math.floor(n) + (1 if n - math.floor(n) > 0.5 else 0))


def drum_of(control):
    return (42, 38, 36, 46)[control & 3] if control & 4 else 39


def expected_channels(data):
    """Each channel's notes, one per sounding record, and its length in ticks."""
    offsets = [data[2 * c] | data[2 * c + 1] << 8 for c in range(4)] + [len(data)]
    channels = []
    for c in range(4):
        sounding, now, pos, divisor = [], 0, offsets[c], 0
        while pos < offsets[c + 1] and pos + 5 <= len(data) and data[pos:pos + 2] != b'\xff\xff':
            rec = data[pos:pos + 5]
            pos += 5
            ticks = rec[0] | rec[1] << 8
            assert ticks > 0, 'records without time are not covered here'
            if c < 3 and rec[3] != 0:  # a control byte of 0 keeps the pitch
                divisor = (rec[3] & 0x0F) + (rec[2] & 0x3F) * 16
            key = note_of_divisor(divisor) if c < 3 else drum_of(rec[3])
            atten = rec[4] & 0x0F
            if atten < 15:
                sounding.append((key, 100 - 6 * atten, now, ticks))
            now += ticks
        channels.append((sounding, now))
    return channels


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
        want = [(programs[0], [], 112), (programs[1], [], 0), (programs[2], [], 0)]
    else:
        with open(args[1], 'rb') as f:
            channels = expected_channels(f.read())
        song_end = max(length for _, length in channels)
        # Every track that holds records lasts to the song's end; the drums only when they play.
        want = [(0, sounding, song_end if length else 0) for sounding, length in channels]
        if not channels[3][0]:
            want = want[:3]
    assert len(mid.tracks) == len(want), len(mid.tracks)
    for c, track in enumerate(mid.tracks):
        got = notes(track, DRUMS if c == 3 else c)
        assert got == want[c], 'track %d: program %d, %d notes, %d ticks' % (c, got[0], len(got[1]), got[2])


if __name__ == '__main__':
    main(*sys.argv[1:])
