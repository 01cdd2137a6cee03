// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"

#include <array>
#include <cstdint>
#include <vector>

// The sine synthesizer: turns the sequencer's row events into 16-bit mono PCM one row at a
// time, three sine voices and their mix. Playback, the .wav export and the note preview use
// the same object, so what is exported is what is heard.
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

    // Bytes per row for a tempo: a whole number of samples.
    static unsigned RowBytes(int beatsPerMinute, int tracksPerBeat);
    // Rows in the stream buffer for a row length: even and at least 4.
    static unsigned BlocksForRowBytes(unsigned rowBytes);
    // 1 at attenuation 0 down to 0.02 at 14; 0 at 15 and above.
    static double Amplitude(int attenuation);
    // The fade factor of ramp sample j for a ramp of the given length.
    static double RampFactor(int j, int rampLength);

    // Prepares for rows of rowBytes, with every voice's phase at its start.
    void Start(unsigned rowBytes);
    // Frees the row buffers.
    void Release();
    unsigned GetSamplesPerRow() const { return m_nSamples; }

    // Renders the current row (queue entry 1) of the three voices into m_channelBuf, with
    // their oscillators run side by side, and pMix[i] = voice 0 + voice 1 + voice 2, leaving
    // out the voices whose bit is set in muteMask.
    void RenderRow(const RowQueues& queues, std::int16_t* pMix, unsigned muteMask = 0);

    // Fills kPreviewBytes / 2 samples: a ramped sine of the note from the first sample,
    // then silence. Returns false for a note without a frequency.
    bool RenderPreview(int note, std::int16_t* pOut) const;

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
    VoiceRow BeginChannel(int channel, const CRowQueue& queue);
    // Samples [begin, end) of N sounding voices and their mix; bRamps where a ramp may fall.
    template <int N, bool bRamps>
    void Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut, std::int16_t* pMix,
                   unsigned begin, unsigned end) const;
    template <int N>
    void OscillateRow(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                      std::int16_t* pMix) const;
    unsigned RampLength() const;

    unsigned m_nSamples = 0;
    // Ramp factors for the current row length.
    std::vector<double> m_ramp;
};
