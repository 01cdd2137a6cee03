// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/EditNames.h"

#include <QObject>

#include <algorithm>

namespace
{
QString Channel(int channel)
{
    return channel >= 0 && channel < kChannelCount ? QString::fromLatin1(g_channelNames[channel])
                                                   : QObject::tr("no channel");
}

int ChannelOf(const CSoundDoc& doc, PatternId id)
{
    const CSoundPattern* pPattern = doc.FindPattern(id);
    return pPattern != nullptr ? doc.FindPatternChannel(pPattern) : -1;
}

QString PatternName(const CSoundDoc& doc, PatternId id)
{
    const CSoundPattern* pPattern = doc.FindPattern(id);
    return pPattern != nullptr ? QString::fromStdString(pPattern->GetName()) : QString();
}

QString Place(int channel, std::int32_t row)
{
    return QObject::tr("%1 row %2").arg(Channel(channel)).arg(row);
}

// Named by its song position, as the sequence editor numbers its lines.
QString Step(const CSoundDoc& doc, const SequencePos& pos)
{
    const std::int64_t row = std::int64_t{pos.step} * std::max(doc.GetStepSize(), 1);
    return QObject::tr("%1 step %2").arg(Channel(pos.channel)).arg(row);
}

// What a single typed cell now holds, in the editor's own spelling.
QString Typed(const SoundCell& before, const SoundCell& after, bool bNoise)
{
    if (bNoise && (after.freq != before.freq || after.noiseType != before.noiseType))
    {
        if (after.freq == FREQ_OFF)
            return QObject::tr("off");
        if (after.freq == FREQ_EMPTY)
            return QObject::tr("clear");
        return QObject::tr("noise %1 %2").arg(after.freq).arg(after.noiseType);
    }
    if (!bNoise && after.note != before.note)
    {
        if (after.note == NOTE_OFF)
            return QObject::tr("off");
        if (after.note == NOTE_EMPTY)
            return QObject::tr("clear");
        return QString::fromStdString(NoteText(after.note));
    }
    if (after.atten == ATTEN_EMPTY)
        return QObject::tr("clear");
    return QObject::tr("attenuation %1").arg(after.atten);
}
} // namespace

namespace EditNames
{
QString Cells(const CSoundDoc& doc, const QString& kind, PatternId id, std::int32_t row,
              const std::vector<SoundCell>& before, const std::vector<SoundCell>& after)
{
    const int channel = ChannelOf(doc, id);
    if (after.size() == 1 && before.size() == 1)
        return QObject::tr("%1 %2 at %3")
            .arg(kind, Typed(before[0], after[0], channel == kNoiseChannel), Place(channel, row));
    return QObject::tr("%1 %2 rows at %3").arg(kind).arg(after.size()).arg(Place(channel, row));
}

QString AtRow(const CSoundDoc& doc, const QString& kind, PatternId id, std::int32_t row)
{
    return QObject::tr("%1 at %2").arg(kind, Place(ChannelOf(doc, id), row));
}

QString AtStep(const CSoundDoc& doc, const QString& kind, const SequencePos& pos, PatternId placed)
{
    if (placed == 0)
        return QObject::tr("%1 at %2").arg(kind, Step(doc, pos));
    return Placed(doc, kind, PatternName(doc, placed).toStdString(), pos);
}

QString Placed(const CSoundDoc& doc, const QString& kind, const std::string& patternName,
               const SequencePos& pos)
{
    return QObject::tr("%1 %2 at %3")
        .arg(kind, QString::fromStdString(patternName), Step(doc, pos));
}

QString Move(const CSoundDoc& doc, const QString& kind, const SequencePos& from,
             const SequencePos& to)
{
    return QObject::tr("%1 from %2 to %3").arg(kind, Step(doc, from), Step(doc, to));
}

QString OfPattern(const CSoundDoc& doc, const QString& kind, PatternId id)
{
    return QObject::tr("%1 %2 on %3").arg(kind, PatternName(doc, id), Channel(ChannelOf(doc, id)));
}

QString NewPattern(const QString& kind, int channel, const std::string& name)
{
    if (name.empty())
        return QObject::tr("%1 on %2").arg(kind, Channel(channel));
    return QObject::tr("%1 %2 on %3").arg(kind, QString::fromStdString(name), Channel(channel));
}

QString Properties(const SoundProperties& props)
{
    return QObject::tr("Properties: %1 BPM, step size %2, %3 rows per beat")
        .arg(props.beatsPerMinute)
        .arg(props.stepSize)
        .arg(props.tracksPerBeat);
}

QString Range(const PlayRange& range)
{
    return QObject::tr("Play Range %1\u2013%2").arg(range.start).arg(range.end);
}
} // namespace EditNames
