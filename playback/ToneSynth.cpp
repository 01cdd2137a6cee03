// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ToneSynth.h"

#include "playback/AudioFormat.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kTwoPi = 6.283185307179586;

// Cell notes above the table, and the rest, sound as silence; 255 is no event at all.
bool IsSilentNote(int note)
{
    return note >= NOTE_OFF && note != NOTE_EMPTY;
}

} // namespace

CToneSynth::CToneSynth()
{
    const double twelfth = 1.0 / 12.0;
    for (int n = 0; n < kNoteCount; ++n)
        m_freq[n] = std::pow(2.0, (n - 9.0) * twelfth) * 13.75;
}

unsigned CToneSynth::RowBytes(int beatsPerMinute, int tracksPerBeat)
{
    const long long product = static_cast<long long>(beatsPerMinute) * tracksPerBeat;
    if (product <= 0)
        return 0;
    const double rowsPerSecond = static_cast<double>(product) * (1.0 / 60);
    auto bytes = static_cast<unsigned>(kBytesPerSecond / rowsPerSecond);
    bytes += bytes % kBytesPerSample;
    return bytes;
}

unsigned CToneSynth::BlocksForRowBytes(unsigned rowBytes)
{
    const unsigned n = kBytesPerSecond / rowBytes;
    // With rows of a second or more, two rows would put the row being written into the slot
    // that starts playing at that moment; four keep a whole row between writer and cursor.
    if (n == 0)
        return 4;
    return n + n % 2 + 2;
}

double CToneSynth::Amplitude(int attenuation)
{
    if (attenuation < 0 || attenuation >= 15)
        return 0.0;
    return 1.0 - 0.5 * std::pow(attenuation * 0.1, 2.0);
}

double CToneSynth::RampFactor(int j, int rampLength)
{
    // 9 / 288 is exactly 0.03125; a shortened ramp keeps the curve's full rise.
    return std::log10(1.0 + j * (9.0 / rampLength));
}

void CToneSynth::Start(unsigned rowBytes)
{
    Release();
    m_nSamples = rowBytes / kBytesPerSample;
    for (int c = 0; c < kVoices; ++c)
    {
        m_channelBuf[c].assign(m_nSamples, 0);
        m_osc[c] = {0.0, 0.0, 0.0};
    }
    // Rows shorter than a ramp keep both ramps inside the row, half of it each at most.
    const int rampLength = m_nSamples >= static_cast<unsigned>(kRampSamples)
                               ? kRampSamples
                               : static_cast<int>(m_nSamples / 2);
    m_ramp.resize(rampLength);
    for (int j = 0; j < rampLength; ++j)
        m_ramp[j] = RampFactor(j, rampLength);
}

void CToneSynth::Release()
{
    for (auto& buffer : m_channelBuf)
    {
        buffer.clear();
        buffer.shrink_to_fit();
    }
}

CToneSynth::VoiceRow CToneSynth::BeginChannel(int channel, const CRowQueue& queue)
{
    VoiceRow voice;
    std::int16_t* pSamples = m_channelBuf[channel].data();
    if (queue.GetCount() < 3)
    {
        std::fill_n(pSamples, m_nSamples, std::int16_t{0});
        const auto& osc = m_osc[channel];
        voice.k = osc[0];
        voice.y2 = osc[1];
        voice.y1 = osc[2];
        return voice;
    }

    const bool bContinuing = queue[1].note == NOTE_EMPTY;
    const RowEntry& effective = bContinuing ? queue[0] : queue[1];
    voice.bFadeIn = !bContinuing;
    voice.bFadeOut = queue[2].note != NOTE_EMPTY;
    voice.bSound = !IsSilentNote(effective.note) && effective.attenuation < 15;

    if (bContinuing)
    {
        const auto& osc = m_osc[channel];
        voice.k = osc[0];
        voice.y2 = osc[1];
        voice.y1 = osc[2];
    }
    else if (voice.bSound)
    {
        const double omega = kTwoPi * m_freq[effective.note] / kSampleRate;
        voice.k = 2.0 * std::cos(omega);
        voice.y2 = std::sin(-2.0 * omega);
        voice.y1 = std::sin(-omega);
    }
    if (voice.bSound)
        voice.amplitude = Amplitude(effective.attenuation);
    else
        std::fill_n(pSamples, m_nSamples, std::int16_t{0});
    return voice;
}

// Each voice's recurrence is one long dependency chain; running the voices in one loop lets
// them overlap, and the mix is summed in the same pass. The arithmetic per voice is exactly
// that of a voice on its own, ramps included: a sample is scaled by the fade-out's factor,
// then by the fade-in's, each rounded to 16 bits, wherever the two meet in a short row.
template <int N, bool bRamps>
void CToneSynth::Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                           std::int16_t* pMix, unsigned begin, unsigned end) const
{
    double k[N], y2[N], y1[N], a[N];
    int keep[N];
    for (int v = 0; v < N; ++v)
    {
        k[v] = ppVoices[v]->k;
        y2[v] = ppVoices[v]->y2;
        y1[v] = ppVoices[v]->y1;
        a[v] = ppVoices[v]->amplitude;
        keep[v] = ppVoices[v]->bMixed ? -1 : 0;
    }
    const unsigned rampLength = RampLength();
    const unsigned fadeOutFrom = m_nSamples - rampLength;
    for (unsigned i = begin; i < end; ++i)
    {
        int mix = 0;
        // Unrolled, so that each voice's state stays in registers.
#pragma GCC unroll 4
        for (int v = 0; v < N; ++v)
        {
            const double y = k[v] * y1[v] - y2[v];
            y2[v] = y1[v];
            y1[v] = y;
            std::int16_t sample = static_cast<std::int16_t>(y * a[v] * kPeak);
            if constexpr (bRamps)
            {
                if (ppVoices[v]->bFadeOut && i >= fadeOutFrom)
                    sample = static_cast<std::int16_t>(sample * m_ramp[m_nSamples - 1 - i]);
                if (ppVoices[v]->bFadeIn && i < rampLength)
                    sample = static_cast<std::int16_t>(sample * m_ramp[i]);
            }
            ppOut[v][i] = sample;
            mix += sample & keep[v];
        }
        // Wrapping 16-bit sums are the same in any order, so leaving a voice out changes no
        // other.
        pMix[i] = static_cast<std::int16_t>(mix);
    }
    for (int v = 0; v < N; ++v)
    {
        ppVoices[v]->y2 = y2[v];
        ppVoices[v]->y1 = y1[v];
    }
}

template <int N>
void CToneSynth::OscillateRow(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                              std::int16_t* pMix) const
{
    // Only the row's two ends can carry a ramp.
    const unsigned rampLength = RampLength();
    const unsigned middleEnd = m_nSamples - rampLength;
    if (rampLength >= middleEnd)
    {
        Oscillate<N, true>(ppVoices, ppOut, pMix, 0, m_nSamples);
        return;
    }
    Oscillate<N, true>(ppVoices, ppOut, pMix, 0, rampLength);
    Oscillate<N, false>(ppVoices, ppOut, pMix, rampLength, middleEnd);
    Oscillate<N, true>(ppVoices, ppOut, pMix, middleEnd, m_nSamples);
}

unsigned CToneSynth::RampLength() const
{
    return std::min<unsigned>(static_cast<unsigned>(m_ramp.size()), m_nSamples);
}

void CToneSynth::RenderRow(const RowQueues& queues, std::int16_t* pMix, unsigned muteMask)
{
    VoiceRow voices[kVoices];
    VoiceRow* pSounding[kVoices];
    std::int16_t* pOut[kVoices];
    int n = 0;
    for (int c = 0; c < kVoices; ++c)
    {
        voices[c] = BeginChannel(c, queues[c]);
        voices[c].bMixed = ((muteMask >> c) & 1u) == 0;
        if (voices[c].bSound)
        {
            pSounding[n] = &voices[c];
            pOut[n] = m_channelBuf[c].data();
            ++n;
        }
    }
    switch (n)
    {
    case 1:
        OscillateRow<1>(pSounding, pOut, pMix);
        break;
    case 2:
        OscillateRow<2>(pSounding, pOut, pMix);
        break;
    case 3:
        OscillateRow<3>(pSounding, pOut, pMix);
        break;
    default:
        std::fill_n(pMix, m_nSamples, std::int16_t{0});
        break;
    }
    for (int c = 0; c < kVoices; ++c)
        m_osc[c] = {voices[c].k, voices[c].y2, voices[c].y1};
}

bool CToneSynth::RenderPreview(int note, std::int16_t* pOut) const
{
    if (note < 0 || note >= kNoteCount)
        return false;
    constexpr unsigned total = kPreviewBytes / kBytesPerSample;
    constexpr unsigned tone = kPreviewToneSamples;
    std::fill_n(pOut, total, std::int16_t{0});

    const double omega = kTwoPi * m_freq[note] / kSampleRate;
    const double k = 2.0 * std::cos(omega);
    double y2 = std::sin(-2.0 * omega);
    double y1 = std::sin(-omega);
    std::int16_t* pTone = pOut;
    for (unsigned i = 0; i < tone; ++i)
    {
        const double y = k * y1 - y2;
        y2 = y1;
        y1 = y;
        pTone[i] = static_cast<std::int16_t>(y * 1.0 * kPeak);
    }
    for (int j = 0; j < kRampSamples; ++j)
    {
        const double f = RampFactor(j, kRampSamples);
        pTone[tone - 1 - j] = static_cast<std::int16_t>(pTone[tone - 1 - j] * f);
        pTone[j] = static_cast<std::int16_t>(pTone[j] * f);
    }
    return true;
}
