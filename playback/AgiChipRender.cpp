// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/AgiChipRender.h"

#include "sound/AgiResource.h"

#include <algorithm>

namespace
{
constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kRecordBytes = 5;
} // namespace

CAgiChipRender::CAgiChipRender(const std::uint8_t* pData, std::size_t size, ChipVariant variant)
    : m_data(pData, pData + size), m_chip(variant)
{
    std::uint64_t longest = 0;
    for (int voice = 0; voice < CChipSynth::kVoices; ++voice)
    {
        m_voices[voice].pos = VoiceOffset(voice);
        longest = std::max(longest, VoiceTicks(voice));
    }
    m_totalSamples = longest * CChipSynth::kSamplesPerTick;
}

std::size_t CAgiChipRender::VoiceOffset(int voice) const
{
    if (m_data.size() < kHeaderBytes)
        return m_data.size();
    const std::size_t at = static_cast<std::size_t>(voice) * 2;
    return ReadLE16(&m_data[at]);
}

bool CAgiChipRender::HasRecord(std::size_t pos) const
{
    if (pos >= m_data.size() || m_data.size() - pos < kRecordBytes)
        return false;
    return !(m_data[pos] == 0xFF && m_data[pos + 1] == 0xFF);
}

unsigned CAgiChipRender::Duration(std::size_t pos) const
{
    return ReadLE16(&m_data[pos]);
}

std::uint64_t CAgiChipRender::VoiceTicks(int voice) const
{
    std::uint64_t ticks = 0;
    for (std::size_t pos = VoiceOffset(voice); HasRecord(pos); pos += kRecordBytes)
        ticks += Duration(pos);
    return ticks;
}

std::size_t CAgiChipRender::Read(std::int16_t* pOut, std::size_t n)
{
    std::size_t done = 0;
    while (done < n && m_position < m_totalSamples)
    {
        for (int voice = 0; voice < CChipSynth::kVoices; ++voice)
            StartRecords(voice);
        const std::uint64_t end =
            std::min<std::uint64_t>(NextRecordSample(), m_position + (n - done));
        const auto count = static_cast<std::size_t>(end - m_position);
        m_chip.Render(pOut + done, count);
        done += count;
        m_position = end;
    }
    return done;
}

void CAgiChipRender::SeekTick(std::uint64_t tick)
{
    for (int voice = 0; voice < CChipSynth::kVoices; ++voice)
    {
        Voice& v = m_voices[voice];
        // Records that start at the tick itself are left for Read.
        while (!v.bEnded && v.nextTick < tick)
            StepRecord(voice);
    }
    m_position = std::min(m_totalSamples, tick * CChipSynth::kSamplesPerTick);
}

void CAgiChipRender::StartRecords(int voice)
{
    const Voice& v = m_voices[voice];
    while (!v.bEnded && v.nextTick * CChipSynth::kSamplesPerTick == m_position)
        StepRecord(voice);
}

void CAgiChipRender::StepRecord(int voice)
{
    Voice& v = m_voices[voice];
    if (!HasRecord(v.pos))
    {
        // A finished voice falls silent but keeps its divisor for noise that follows it.
        m_chip.SetAttenuation(voice, CChipSynth::kSilent);
        v.bEnded = true;
        return;
    }
    ApplyRecord(voice, &m_data[v.pos]);
    v.nextTick += Duration(v.pos);
    v.pos += kRecordBytes;
}

void CAgiChipRender::ApplyRecord(int voice, const std::uint8_t* pRecord)
{
    // A zero control byte leaves the pitch or noise running and changes only the volume.
    if (pRecord[3] != 0)
    {
        if (voice == CChipSynth::kNoiseVoice)
            m_chip.StartNoise(pRecord[3]);
        else
            m_chip.SetDivisor(voice,
                              static_cast<unsigned>(pRecord[2] & 0x3F) << 4 | (pRecord[3] & 0x0F));
    }
    m_chip.SetAttenuation(voice, pRecord[4]);
}

std::uint64_t CAgiChipRender::NextRecordSample() const
{
    std::uint64_t next = m_totalSamples;
    for (const Voice& v : m_voices)
        if (!v.bEnded)
            next = std::min<std::uint64_t>(next, v.nextTick * CChipSynth::kSamplesPerTick);
    return next;
}

std::uint64_t CAgiChipRender::RenderAll(const std::uint8_t* pData, std::size_t size,
                                        ChipVariant variant, const Sink& sink)
{
    CAgiChipRender render(pData, size, variant);
    std::vector<std::int16_t> block(
        static_cast<std::size_t>(std::min<std::uint64_t>(render.GetTotalSamples(), kMaxBlock)));
    while (std::size_t n = render.Read(block.data(), block.size()))
        sink(block.data(), n);
    return render.GetTotalSamples();
}
