// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/RowSequencer.h"

#include <array>
#include <cstdint>
#include <vector>

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

    // Starts the current row (queue entry 1) of the four channels.
    void BeginRow(const RowQueues& queues);
    // Renders the row's next slice of the four channels into m_channelBuf, with the voices'
    // oscillators run side by side; true when it was the row's last.
    bool RenderSlice();
    // out[i] = voice 0 + voice 1 + voice 2 for the slice just rendered, leaving out the voices
    // whose bit is set in muteMask.
    void MixSlice(std::int16_t* pOut, unsigned muteMask = 0) const;

    // Fills kPreviewBytes / 2 samples: a ramped sine of the note from the first sample,
    // then silence. Returns false for a note without a frequency.
    bool RenderPreview(int note, std::int16_t* pOut) const;

    std::array<double, kNoteCount> m_freq{};
    std::array<std::array<double, 3>, 4> m_osc{};
    std::array<std::vector<std::int16_t>, 4> m_channelBuf;

private:
    // One channel's row between its set-up and its ramps.
    struct VoiceRow
    {
        double k = 0.0, y2 = 0.0, y1 = 0.0;
        double amplitude = 0.0;
        bool bSound = false;
        bool bFadeIn = false;
        bool bFadeOut = false;
    };
    VoiceRow BeginChannel(int channel, const CRowQueue& queue) const;
    template <int N> void Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut) const;
    // The ramps of the row that fall in the slice just rendered.
    void ApplyRamps(std::int16_t* pSamples, const VoiceRow& voice) const;

    unsigned m_nRowSamples = 0;
    unsigned m_nSliceSamples = 0;
    // Where the next slice starts in the row.
    unsigned m_nRowPos = 0;
    std::array<VoiceRow, 4> m_voices{};
    std::array<double, kRampSamples> m_ramp{};
};
