// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"
#include "playback/SineInstrumentVoice.h"

#include <array>
#include <cstdint>
#include <vector>

struct VoiceTick;

// The sine synthesizer: turns the sequencer's row events into 16-bit mono PCM, three sine
// voices and their mix, a row at a time in slices of a fixed length (a row can last minutes).
// Playback, the .wav export and the note preview use the same object, so what is exported is
// what is heard.
class CToneSynth
{
public:
    static constexpr int kNoteCount = 120;
    static constexpr int kRampSamples = 288;
    static constexpr int kPeak = 10000;
    // The preview: the tone at once, then a stretch of silence.
    static constexpr unsigned kPreviewBytes = 20050;
    static constexpr unsigned kPreviewTailBytes = 2000;
    static constexpr unsigned kPreviewToneSamples = (kPreviewBytes - kPreviewTailBytes) / 2;

    CToneSynth();

    // Slots in the stream buffer for a slot length: even and at least 4.
    static unsigned BlocksForRowBytes(unsigned rowBytes);
    // 1 at attenuation 0 down to 0.02 at 14; 0 at 15 and above.
    static double Amplitude(int attenuation);
    // The fade factor of sample j of a ramp.
    static double RampFactor(int j);

    // Prepares for rows of nRowSamples rendered nSliceSamples at a time (a row is a whole
    // number of slices, and at least two ramps long), with every voice's phase at its start.
    void Start(unsigned nRowSamples, unsigned nSliceSamples);
    // Frees the slice buffers.
    void Release();
    unsigned GetSliceSamples() const { return m_nSliceSamples; }

    // Starts the current row (queue entry 1) of the three voices; a note with one of the
    // document's instruments is shaped by it. The caller holds the document's guard.
    void BeginRow(const RowQueues& queues, const CSoundDoc& doc);
    // Ends every instrument's note, as the end of a pass does.
    void EndNotes();
    // Renders the row's next slice of the three voices into m_channelBuf, with their
    // oscillators run side by side, and pMix[i] = voice 0 + voice 1 + voice 2, leaving out the
    // voices whose bit is set in muteMask; true when it was the row's last.
    bool RenderSlice(std::int16_t* pMix, unsigned muteMask = 0);
    // Whether RenderSlice fills m_channelBuf with every voice (on until switched off).
    void SetVoiceBuffers(bool bOn) { m_bVoiceBuffers = bOn; }

    // Fills kPreviewBytes / 2 samples: a ramped sine of the note from the first sample,
    // then silence. Returns false for a note without a frequency.
    bool RenderPreview(int note, std::int16_t* pOut) const;
    // A tone voice's ticks, samplesPerTick each: a sine at each tick's divisor and level, its
    // phase running on from tick to tick, ramped in and out as the preview is.
    void RenderTicks(const std::vector<VoiceTick>& ticks, unsigned samplesPerTick,
                     std::int16_t* pOut) const;

    std::array<double, kNoteCount> m_freq{};
    // The sine voices: the noise channel is not heard.
    static constexpr int kVoices = 3;
    std::array<std::array<double, 3>, kVoices> m_osc{};
    std::array<std::vector<std::int16_t>, kVoices> m_channelBuf;

private:
    // One channel's row between its set-up and its ramps.
    struct VoiceRow
    {
        double k = 0.0, y2 = 0.0, y1 = 0.0;
        double amplitude = 0.0;
        bool bSound = false;
        bool bFadeIn = false;
        bool bFadeOut = false;
        bool bMixed = true;
    };
    VoiceRow BeginChannel(int channel, const CRowQueue& queue) const;
    // Each tick of the instruments' voices goes into its buffer and, unless muted, the mix.
    void RenderInstrumentTicks(std::int16_t* pMix, unsigned muteMask);
    // Where in the row a range of samples lies: its fade-in, its middle, its fade-out.
    enum class Ramp
    {
        In,
        None,
        Out,
    };
    // Slice samples [begin, end) of N sounding voices and their mix; bMixOnly when no voice
    // is muted and only the mix is wanted.
    template <int N, Ramp kRamp, bool bMixOnly>
    void Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut, std::int16_t* pMix,
                   unsigned begin, unsigned end) const;
    template <int N, Ramp kRamp>
    void OscillateRange(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                        std::int16_t* pMix, unsigned begin, unsigned end) const;
    template <int N>
    void OscillateSlice(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                        std::int16_t* pMix) const;

    bool m_bVoiceBuffers = true;
    bool m_bAllMixed = true;
    unsigned m_nRowSamples = 0;
    unsigned m_nSliceSamples = 0;
    // Where the next slice starts in the row.
    unsigned m_nRowPos = 0;
    std::array<VoiceRow, kVoices> m_voices{};
    std::array<CSineInstrumentVoice, kVoices> m_instrumentVoices;
    std::array<bool, kVoices> m_bInstrumentRow{};
    std::array<double, kRampSamples> m_ramp{};
};
