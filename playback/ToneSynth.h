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

    // Renders the current row (queue entry 1) of the four channels into m_channelBuf, with
    // the voices' oscillators run side by side.
    void RenderChannels(const RowQueues& queues);
    // out[i] = voice 0 + voice 1 + voice 2 for the row just rendered, leaving out the voices
    // whose bit is set in muteMask.
    void MixRow(std::int16_t* pOut, unsigned muteMask = 0) const;

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
    VoiceRow BeginChannel(int channel, const CRowQueue& queue);
    void EndChannel(int channel, const VoiceRow& voice);
    template <int N> void Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut) const;
    void ApplyRamps(std::int16_t* pSamples, unsigned n, bool bFadeIn, bool bFadeOut) const;

    unsigned m_nSamples = 0;
    // Ramp factors for the current row length.
    std::vector<double> m_ramp;
};
