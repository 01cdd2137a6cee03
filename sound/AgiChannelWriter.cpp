// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/AgiChannelWriter.h"

#include "sound/AgiResource.h"
#include "sound/ChannelWalk.h"

#include <algorithm>

CAgiChannelWriter::CAgiChannelWriter(const CSoundDoc& doc, int channel, std::int64_t ticksPerRow,
                                     std::vector<std::uint8_t>* pOut, std::int64_t nRoom)
    : m_doc(doc), m_nChannel(channel), m_bNoise(channel == kNoiseChannel),
      m_nTicksPerRow(ticksPerRow), m_pOut(pOut), m_nRoom(nRoom), m_voice(m_bNoise)
{
}

bool CAgiChannelWriter::Write(const PlayRange& range)
{
    // Before the first placement nothing sounds; the channel starts loud and periodic.
    SoundCell working{NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, 0};
    SoundCell held = working;
    bool bHeldStarts = false;
    std::int64_t nRows = 0;

    CChannelWalk walk(m_doc, m_nChannel, range);
    CChannelWalk::Step step;
    while (walk.NextRun(step))
    {
        step.MergeInto(working);
        bool bStarts = false;
        if (step.kind == CChannelWalk::Kind::PatternRow)
        {
            // Empty bytes keep the held sound; an attenuation alone re-sounds it at that level.
            if (working.atten == ATTEN_EMPTY)
                working.atten = held.atten;
            else if (m_bNoise && working.freq == FREQ_EMPTY)
            {
                working.freq = held.freq;
                working.noiseType = held.noiseType;
                working.instrument = held.instrument;
            }
            else if (!m_bNoise && working.note == NOTE_EMPTY)
            {
                working.note = held.note;
                working.divisor = held.divisor;
                working.instrument = held.instrument;
            }
            bStarts = m_bNoise ? step.cell.freq != FREQ_EMPTY : step.cell.note != NOTE_EMPTY;
        }
        if (step.pos == range.end)
        {
            if (held.note != NOTE_EMPTY)
                working.note = NOTE_OFF;
            if (held.freq != FREQ_EMPTY)
                working.freq = FREQ_OFF;
        }

        const bool bEvent = m_bNoise ? working.freq != FREQ_EMPTY : working.note != NOTE_EMPTY;
        if (!bEvent)
            nRows += step.nCount;
        if (step.pos == range.start || bEvent)
        {
            if (step.pos != range.start)
            {
                Segment(held, bHeldStarts, nRows * m_nTicksPerRow);
                if (m_bFull)
                    return false;
            }
            held = working;
            bHeldStarts = bStarts;
            nRows = 1;
        }
    }
    return Finish();
}

bool CAgiChannelWriter::Sounds(const SoundCell& held) const
{
    return m_bNoise ? held.freq != FREQ_OFF && held.freq != FREQ_EMPTY : held.note < NOTE_OFF;
}

void CAgiChannelWriter::Segment(const SoundCell& held, bool bStarts, std::int64_t ticks)
{
    const bool bSounds = Sounds(held);
    const CInstrument* pInstrument =
        bSounds && held.instrument != kNoInstrument ? m_doc.FindInstrument(held.instrument)
                                                    : nullptr;
    if (pInstrument != nullptr)
    {
        const bool bNewNote = bStarts || m_mode != Mode::Held;
        if (bNewNote)
            m_voice.Start(held, held.atten, *pInstrument);
        else
            m_voice.SetAttenuation(held.atten);
        m_mode = Mode::Held;
        PlayVoice(ticks, bNewNote);
        return;
    }
    if (!bSounds && m_mode == Mode::Held)
        m_mode = m_voice.Release() ? Mode::Releasing : Mode::Plain;
    if (!bSounds && m_mode == Mode::Releasing)
    {
        PlayVoice(ticks, false);
        return;
    }
    m_mode = Mode::Plain;
    Add(SoundOf(held), ticks, true);
}

void CAgiChannelWriter::PlayVoice(std::int64_t ticks, bool bNewRecord)
{
    for (std::int64_t tick = 0; tick < ticks && !m_bFull; ++tick)
    {
        const Sound sound = SoundOf(m_voice.Next());
        Add(sound, 1, bNewRecord && tick == 0);
        if (m_voice.IsSteady())
        {
            Add(sound, ticks - tick - 1, false);
            return;
        }
    }
}

void CAgiChannelWriter::Add(const Sound& sound, std::int64_t ticks, bool bNewRecord)
{
    if (m_bOpen && !bNewRecord && sound == m_open)
    {
        m_nOpenTicks += ticks;
        return;
    }
    Flush();
    m_bOpen = true;
    m_open = sound;
    m_nOpenTicks = ticks;
}

// Writes the open record: as several when it is longer than one record can say, so the
// song keeps its length.
void CAgiChannelWriter::Flush()
{
    if (!m_bOpen || m_bFull)
        return;
    m_bOpen = false;
    const auto bytes = static_cast<std::int64_t>(AgiRecordBytesFor(m_nOpenTicks));
    if (m_size.bytes + bytes > m_nRoom)
    {
        m_bFull = true;
        return;
    }
    m_size.bytes += bytes;
    m_size.records += bytes / static_cast<std::int64_t>(kAgiRecordBytes);
    if (m_pOut == nullptr)
        return;
    std::int64_t ticks = m_nOpenTicks;
    do
    {
        const std::int64_t part = std::min(ticks, kAgiMaxRecordTicks);
        m_pOut->insert(m_pOut->end(), {static_cast<std::uint8_t>(part & 0xFF),
                                       static_cast<std::uint8_t>((part >> 8) & 0xFF), m_open[0],
                                       m_open[1], m_open[2]});
        ticks -= part;
    } while (ticks > 0);
}

bool CAgiChannelWriter::Finish()
{
    Flush();
    if (m_bFull || m_size.bytes + 2 > m_nRoom)
        return false;
    m_size.bytes += 2;
    if (m_pOut != nullptr)
        m_pOut->insert(m_pOut->end(), {0xFF, 0xFF});
    return true;
}

CAgiChannelWriter::Sound CAgiChannelWriter::SoundOf(const SoundCell& held) const
{
    if (m_bNoise)
    {
        const int atten = held.freq == FREQ_OFF || held.freq == FREQ_EMPTY ? 15 : held.atten & 0x0F;
        return SoundOf(VoiceTick{(held.noiseType != 0 ? 4 : 0) + (held.freq & 3), atten});
    }
    int divisor = kAgiRestDivisor;
    if (held.HasDivisor())
        divisor = held.divisor;
    else if (held.note < NOTE_OFF)
        divisor = AgiDivisorOfNote(held.note);
    return SoundOf(VoiceTick{divisor, held.note >= NOTE_OFF ? 15 : held.atten & 0x0F});
}

CAgiChannelWriter::Sound CAgiChannelWriter::SoundOf(const VoiceTick& tick) const
{
    if (m_bNoise)
        return {0, static_cast<std::uint8_t>(0xE0 + (tick.setting & 7)),
                static_cast<std::uint8_t>(0xF0 + tick.atten)};
    return {static_cast<std::uint8_t>((tick.setting >> 4) & 0x3F),
            static_cast<std::uint8_t>(0x80 + 32 * m_nChannel + (tick.setting & 0x0F)),
            static_cast<std::uint8_t>(0x90 + 32 * m_nChannel + tick.atten)};
}
