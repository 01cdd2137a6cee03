// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/AgiEngine.h"

#include "sound/AgiResource.h"

#include <algorithm>

CAgiEngine::CAgiEngine(const std::uint8_t* pData, std::size_t size, FadeKind fade)
    : m_data(pData, pData + size), m_fade(fade)
{
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
        m_voiceStart[voice] = m_data.size() < kAgiOffsetTableBytes
                                  ? m_data.size()
                                  : ReadLE16(&m_data[static_cast<std::size_t>(voice) * 2]);
    StartVoices();
}

CAgiEngine::CAgiEngine(const AgiVoiceRecords& records, FadeKind fade) : m_fade(fade)
{
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
    {
        m_voiceStart[voice] = m_data.size();
        m_data.insert(m_data.end(), records[voice].begin(), records[voice].end());
    }
    StartVoices();
}

void CAgiEngine::StartVoices()
{
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
    {
        m_voices[voice].pos = m_voiceStart[voice];
        m_totalTicks = std::max(m_totalTicks, VoiceTicks(voice));
    }
}

bool CAgiEngine::HasRecord(std::size_t pos) const
{
    if (pos >= m_data.size() || m_data.size() - pos < kAgiRecordBytes)
        return false;
    return !(m_data[pos] == 0xFF && m_data[pos + 1] == 0xFF);
}

unsigned CAgiEngine::Duration(std::size_t pos) const
{
    return ReadLE16(&m_data[pos]);
}

std::uint64_t CAgiEngine::VoiceTicks(int voice) const
{
    std::uint64_t ticks = 0;
    for (std::size_t pos = m_voiceStart[voice]; HasRecord(pos); pos += kAgiRecordBytes)
        ticks += Duration(pos);
    return ticks;
}

bool CAgiEngine::IsFading(const Voice& v) const
{
    return !v.bEnded && m_tick - v.recordTick < FadeTicks(m_fade);
}

std::uint64_t CAgiEngine::NextWriteTick() const
{
    std::uint64_t next = m_totalTicks + 1;
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
    {
        const Voice& v = m_voices[voice];
        if (v.bEnded)
            continue;
        next = std::min(next, std::max(v.nextTick, m_tick));
        if (voice != IChipWrites::kNoiseVoice && IsFading(v))
            next = std::min(next, m_tick);
    }
    return next;
}

void CAgiEngine::StartTick(IChipWrites& chip)
{
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
    {
        Voice& v = m_voices[voice];
        const bool bStarts = !v.bEnded && v.nextTick <= m_tick;
        // Records of no duration are written and at once replaced by the next.
        while (!v.bEnded && v.nextTick <= m_tick)
            StepRecord(voice, chip);
        if (!bStarts && voice != IChipWrites::kNoiseVoice && IsFading(v))
            WriteFade(voice, chip);
    }
    ++m_tick;
}

void CAgiEngine::SkipTo(std::uint64_t tick, IChipWrites& chip)
{
    while (m_tick < tick)
    {
        const std::uint64_t next = NextWriteTick();
        if (next >= tick)
        {
            m_tick = tick;
            return;
        }
        m_tick = next;
        StartTick(chip);
    }
}

void CAgiEngine::StepRecord(int voice, IChipWrites& chip)
{
    Voice& v = m_voices[voice];
    if (!HasRecord(v.pos))
    {
        // A finished voice falls silent but keeps its divisor for noise that follows it.
        chip.SetAttenuation(voice, IChipWrites::kSilent);
        v.bEnded = true;
        return;
    }
    v.recordTick = m_tick;
    ApplyRecord(voice, &m_data[v.pos], chip);
    v.nextTick += Duration(v.pos);
    v.pos += kAgiRecordBytes;
}

void CAgiEngine::ApplyRecord(int voice, const std::uint8_t* pRecord, IChipWrites& chip)
{
    Voice& v = m_voices[voice];
    v.attenuation = pRecord[4] & IChipWrites::kSilent;
    const FadeKind fade = voice == IChipWrites::kNoiseVoice ? FadeKind::None : m_fade;
    v.written = FadedAttenuation(fade, v.attenuation, 0);
    chip.SetAttenuation(voice, v.written);
    // A zero control byte leaves the pitch or noise running and changes only the volume.
    if (pRecord[3] == 0)
        return;
    if (voice == IChipWrites::kNoiseVoice)
        chip.StartNoise(pRecord[3] & 7);
    else
        chip.SetDivisor(voice, static_cast<unsigned>(pRecord[2] & 0x3F) << 4 | (pRecord[3] & 0x0F));
}

void CAgiEngine::WriteFade(int voice, IChipWrites& chip)
{
    Voice& v = m_voices[voice];
    const unsigned level = FadedAttenuation(m_fade, v.attenuation, m_tick - v.recordTick);
    if (level == v.written)
        return;
    v.written = level;
    chip.SetAttenuation(voice, level);
}
