// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "playback/SynthKind.h"
#include "playback/ToneSynth.h"
#include "playback/VoiceSink.h"
#include "sound/AgiTone.h"
#include "sound/InterpreterFade.h"

#include <cstdint>
#include <memory>
#include <string>

class CInstrument;
class CSoundDoc;
struct PlayRange;

// Plays a range of a document as a stream of slots, each a fixed number of samples: a
// sequencer reads the document into events and a synthesizer turns them into sound. The play
// thread and the .wav writer drive the same renderer, so the file holds what is heard. The
// range comes with every call that reads the document: playback hands in the document's play
// range as it is at that moment, an export the range it writes.
class ISoundRenderer
{
public:
    static constexpr unsigned kPreviewSamples = CToneSynth::kPreviewBytes / 2;
    static constexpr unsigned kPreviewToneSamples = CToneSynth::kPreviewToneSamples;

    virtual ~ISoundRenderer() = default;

    // Prepares a playback that wants to start at row pos; refused when the document cannot be
    // played (silently when there is nothing to tell the person). The caller holds the
    // document's guard.
    virtual Status Begin(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos) = 0;
    // As Begin, with every channel sounding at pos as if playback had run from the range
    // start (a resumed playback starts with the channels cleared instead).
    virtual Status BeginFrom(const CSoundDoc& doc, const PlayRange& range, std::int32_t pos)
    {
        return Begin(doc, range, pos);
    }
    // The row playback starts at: pos, or the range start where pos cannot start a pass.
    virtual std::int32_t GetStartRow() const = 0;
    // Samples in every slot, from Begin on.
    virtual unsigned GetSlotSamples() const = 0;
    // Renders the next slot; true when the slot ends a row. Without the guard.
    virtual bool RenderSlot(std::int16_t* pOut) = 0;
    // Called after each RenderSlot under the document's guard: reads what the coming slots
    // need from the document.
    virtual void Advance(const CSoundDoc& doc, const PlayRange& range) = 0;
    // Frees what a playback holds.
    virtual void End() = 0;
    // Silences the voices of the mask (bit v for voice v) from the next slot on; the kept
    // voices sound exactly as they would unmuted. Kept across Begin and End.
    virtual void SetMuteMask(unsigned muteMask) = 0;
    // Hands each voice's own output of every slot rendered, after the mute, to the sink as
    // well (null: none). Kept across Begin and End.
    virtual void SetVoiceSink(IVoiceSink* pSink) = 0;

    // Fills kPreviewSamples: the note from the first sample for kPreviewToneSamples, then
    // silence. False for a note that has no sound.
    virtual bool RenderPreview(int note, std::int16_t* pOut) = 0;
    // The note shaped by the instrument, held and let go (InstrumentPreview), on voice 0 or
    // the noise channel: fills as many samples as it sounds, at most
    // InstrumentPreview::kMaxSamples, and returns how many; 0 when nothing sounds.
    virtual unsigned RenderPreview(int note, const CInstrument& instrument, bool bNoise,
                                   std::int16_t* pOut) = 0;
};

// The fade applies to the two chips; the sine and the speaker play without it.
std::unique_ptr<ISoundRenderer> MakeSoundRenderer(SynthKind kind, FadeKind fade = FadeKind::None);
