# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a MIDI file with mido (a seeded tempo map on the first track, notes on two more, an
odd division) and prints each note-on as "channel key seconds" from mido's own clock, so the
importer's time can be checked against an independent reader."""
import random
import sys

import mido

random.seed(int(sys.argv[2]))
mid = mido.MidiFile(type=1, ticks_per_beat=383)
tempo = mido.MidiTrack()
for i in range(40):
    tempo.append(mido.MetaMessage('set_tempo', tempo=random.randint(200000, 1500000),
                                  time=random.randint(0, 900)))
mid.tracks.append(tempo)
for channel in (0, 1):
    track = mido.MidiTrack()
    for i in range(300):
        key = random.randint(40, 90)
        track.append(mido.Message('note_on', channel=channel, note=key, velocity=90,
                                  time=random.randint(0, 200)))
        track.append(mido.Message('note_off', channel=channel, note=key, time=random.randint(1, 150)))
    mid.tracks.append(track)
mid.save(sys.argv[1])

now = 0.0
for msg in mido.MidiFile(sys.argv[1]):
    now += msg.time
    if msg.type == 'note_on' and msg.velocity > 0:
        print(msg.channel, msg.note, repr(now))
