// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/ToneSynth.h"

#include "playback/AudioFormat.h"
#include "sound/InstrumentVoice.h"
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
    for (int j = 0; j < kRampSamples; ++j)
        m_ramp[j] = RampFactor(j);
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

double CToneSynth::RampFactor(int j)
{
    return std::log10(1.0 + j * 0.03125);
}

void CToneSynth::Start(unsigned nRowSamples, unsigned nSliceSamples)
{
    Release();
    m_nRowSamples = nRowSamples;
    m_nSliceSamples = nSliceSamples;
    m_nRowPos = 0;
    for (int c = 0; c < kVoices; ++c)
    {
        m_channelBuf[c].assign(m_nSliceSamples, 0);
        m_osc[c] = {0.0, 0.0, 0.0};
        m_voices[c] = {};
    }
    EndNotes();
}

void CToneSynth::Release()
{
    for (auto& buffer : m_channelBuf)
    {
        buffer.clear();
        buffer.shrink_to_fit();
    }
}

CToneSynth::VoiceRow CToneSynth::BeginChannel(int channel, const CRowQueue& queue) const
{
    VoiceRow voice;
    if (queue.GetCount() < 3)
    {
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
    return voice;
}

void CToneSynth::EndNotes()
{
    for (auto& voice : m_instrumentVoices)
        voice.Reset();
    m_bInstrumentRow.fill(false);
}

void CToneSynth::BeginRow(const RowQueues& queues, const CSoundDoc& doc)
{
    m_nRowPos = 0;
    for (int c = 0; c < kVoices; ++c)
    {
        m_bInstrumentRow[c] = m_instrumentVoices[c].BeginRow(queues[c], doc);
        m_voices[c] = m_bInstrumentRow[c] ? VoiceRow{} : BeginChannel(c, queues[c]);
    }
}

void CToneSynth::RenderInstrumentTicks(std::int16_t* pMix, unsigned muteMask)
{
    for (int c = 0; c < kVoices; ++c)
    {
        if (!m_bInstrumentRow[c])
            continue;
        std::int16_t* pOut = m_channelBuf[c].data();
        m_instrumentVoices[c].RenderTick(pOut, m_nSliceSamples, m_nRowPos, m_nRowSamples,
                                         m_ramp.data(), kRampSamples);
        if (((muteMask >> c) & 1u) != 0)
            continue;
        for (unsigned i = 0; i < m_nSliceSamples; ++i)
            pMix[i] = static_cast<std::int16_t>(pMix[i] + pOut[i]);
    }
}

// Each voice's recurrence is one long dependency chain; running the voices in one loop lets
// them overlap, and the mix is summed in the same pass. The arithmetic per voice is exactly
// that of a voice on its own, ramps included: a sample is scaled by its ramp's factor and
// rounded to 16 bits (a row's fade-in and fade-out never meet).
template <int N, CToneSynth::Ramp kRamp, bool bMixOnly>
void CToneSynth::Oscillate(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                           std::int16_t* pMix, unsigned begin, unsigned end) const
{
    double k[N], y2[N], y1[N], a[N];
    int keep[N];
    bool bFade[N];
    for (int v = 0; v < N; ++v)
    {
        k[v] = ppVoices[v]->k;
        y2[v] = ppVoices[v]->y2;
        y1[v] = ppVoices[v]->y1;
        a[v] = ppVoices[v]->amplitude;
        keep[v] = ppVoices[v]->bMixed ? -1 : 0;
        bFade[v] = kRamp == Ramp::In ? ppVoices[v]->bFadeIn : ppVoices[v]->bFadeOut;
    }
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
            if constexpr (bMixOnly && kRamp == Ramp::None)
            {
                // The low 16 bits of the sum do not depend on when each sample is cut to 16.
                mix += static_cast<int>(y * a[v] * kPeak);
                continue;
            }
            auto sample = static_cast<std::int16_t>(y * a[v] * kPeak);
            if constexpr (kRamp != Ramp::None)
            {
                const unsigned pos = m_nRowPos + i;
                const unsigned j = kRamp == Ramp::In ? pos : m_nRowSamples - 1 - pos;
                if (bFade[v])
                    sample = static_cast<std::int16_t>(sample * m_ramp[j]);
            }
            if constexpr (bMixOnly)
                mix += sample;
            else
            {
                ppOut[v][i] = sample;
                mix += sample & keep[v];
            }
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
void CToneSynth::OscillateSlice(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                                std::int16_t* pMix) const
{
    // Only the row's first and last ramp's worth of samples can carry a ramp; a row is at
    // least two ramps long.
    const auto ramp = static_cast<long long>(kRampSamples);
    const auto pos = static_cast<long long>(m_nRowPos);
    const auto slice = static_cast<long long>(m_nSliceSamples);
    const auto middleBegin = static_cast<unsigned>(std::clamp(ramp - pos, 0LL, slice));
    const auto middleEnd = static_cast<unsigned>(
        std::clamp(static_cast<long long>(m_nRowSamples) - ramp - pos,
                   static_cast<long long>(middleBegin), slice));
    OscillateRange<N, Ramp::In>(ppVoices, ppOut, pMix, 0, middleBegin);
    OscillateRange<N, Ramp::None>(ppVoices, ppOut, pMix, middleBegin, middleEnd);
    OscillateRange<N, Ramp::Out>(ppVoices, ppOut, pMix, middleEnd, m_nSliceSamples);
}

template <int N, CToneSynth::Ramp kRamp>
void CToneSynth::OscillateRange(VoiceRow* const* ppVoices, std::int16_t* const* ppOut,
                                std::int16_t* pMix, unsigned begin, unsigned end) const
{
    if (begin == end)
        return;
    if (!m_bVoiceBuffers && m_bAllMixed)
        Oscillate<N, kRamp, true>(ppVoices, ppOut, pMix, begin, end);
    else
        Oscillate<N, kRamp, false>(ppVoices, ppOut, pMix, begin, end);
}

bool CToneSynth::RenderSlice(std::int16_t* pMix, unsigned muteMask)
{
    VoiceRow* pSounding[kVoices];
    std::int16_t* pOut[kVoices];
    int n = 0;
    m_bAllMixed = (muteMask & ((1u << kVoices) - 1)) == 0;
    for (int c = 0; c < kVoices; ++c)
    {
        m_voices[c].bMixed = ((muteMask >> c) & 1u) == 0;
        if (m_voices[c].bSound)
        {
            pSounding[n] = &m_voices[c];
            pOut[n] = m_channelBuf[c].data();
            ++n;
        }
        else
            std::fill_n(m_channelBuf[c].data(), m_nSliceSamples, std::int16_t{0});
    }
    switch (n)
    {
    case 1:
        OscillateSlice<1>(pSounding, pOut, pMix);
        break;
    case 2:
        OscillateSlice<2>(pSounding, pOut, pMix);
        break;
    case 3:
        OscillateSlice<3>(pSounding, pOut, pMix);
        break;
    default:
        std::fill_n(pMix, m_nSliceSamples, std::int16_t{0});
        break;
    }
    RenderInstrumentTicks(pMix, muteMask);
    m_nRowPos += m_nSliceSamples;
    if (m_nRowPos < m_nRowSamples)
        return false;
    for (int c = 0; c < kVoices; ++c)
        m_osc[c] = {m_voices[c].k, m_voices[c].y2, m_voices[c].y1};
    return true;
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
        const double f = m_ramp[j];
        pTone[tone - 1 - j] = static_cast<std::int16_t>(pTone[tone - 1 - j] * f);
        pTone[j] = static_cast<std::int16_t>(pTone[j] * f);
    }
    return true;
}

void CToneSynth::RenderTicks(const std::vector<VoiceTick>& ticks, unsigned samplesPerTick,
                             std::int16_t* pOut) const
{
    // The tone generator's input clock over its divider of 32.
    constexpr double kToneClockHz = 3579545.0 / 32.0;
    double phase = 0.0;
    std::int16_t* p = pOut;
    for (const VoiceTick& tick : ticks)
    {
        const double step = kTwoPi * kToneClockHz / std::max(tick.setting, 1) / kSampleRate;
        const double level = Amplitude(tick.atten) * kPeak;
        for (unsigned i = 0; i < samplesPerTick; ++i, phase += step)
            *p++ = static_cast<std::int16_t>(std::sin(phase) * level);
        phase = std::fmod(phase, kTwoPi);
    }
    const auto total = static_cast<std::size_t>(p - pOut);
    for (std::size_t j = 0; j < std::min<std::size_t>(kRampSamples, total / 2); ++j)
    {
        pOut[j] = static_cast<std::int16_t>(pOut[j] * m_ramp[j]);
        pOut[total - 1 - j] = static_cast<std::int16_t>(pOut[total - 1 - j] * m_ramp[j]);
    }
}
