// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFileReader.h"

#include "framework/Archive.h"
#include "sound/CellText.h"
#include "sound/InstrumentText.h"
#include "sound/SoundDoc.h"
#include "sound/SoundLineReader.h"
#include "sound/SoundTreeReader.h"
#include "xml/XMLElement.h"
#include "xml/XMLReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <string>

namespace
{
class CDirectLoad
{
public:
    CDirectLoad(CArchive& ar, CSoundDoc& doc)
        : m_lines(ar), m_doc(doc), m_range(doc.GetPlayRange()), m_props(doc.GetProperties())
    {
    }

    bool Run()
    {
        SoundLine line;
        if (!m_lines.Next(line) || !line.IsElement(SoundElement::Sound))
            return false;
        if (line.kind == SoundLine::Start)
        {
            if (!m_lines.Next(line))
                return false;
            if (line.IsElement(SoundElement::Settings))
            {
                if (!ReadSettings(line) || !m_lines.Next(line))
                    return false;
            }
            if (line.IsElement(SoundElement::Instruments))
            {
                if (!ReadInstruments(line) || !m_lines.Next(line))
                    return false;
            }
            while (line.IsElement(SoundElement::Machine))
                if (!ReadMachine(line) || !m_lines.Next(line))
                    return false;
            if (!line.Is(SoundLine::End, SoundElement::Sound))
                return false;
        }
        if (!m_lines.AtEnd())
            return false;
        m_doc.AssignPlayRange(m_range);
        m_doc.AssignProperties(m_props);
        return true;
    }

private:
    // The children of a start line, each handed to read, up to the end line of that name.
    template <class F> bool ReadChildren(const SoundLine& parent, F read)
    {
        if (parent.kind == SoundLine::Empty)
            return true;
        const SoundElement element = parent.element;
        SoundLine child;
        for (;;)
        {
            if (!m_lines.Next(child))
                return false;
            if (child.Is(SoundLine::End, element))
                return true;
            if (child.kind == SoundLine::End || !read(child))
                return false;
        }
    }

    bool ReadSettings(const SoundLine& settings)
    {
        bool bSong = false, bEditor = false;
        return ReadChildren(settings,
                            [&](const SoundLine& line)
                            {
                                if (line.element == SoundElement::Song && !bSong)
                                {
                                    bSong = true;
                                    return ReadSong(line);
                                }
                                if (line.Is(SoundLine::Empty, SoundElement::Editor) && !bEditor)
                                {
                                    bEditor = true;
                                    ReadSetting(line, "stepsize", 1, 1024, m_props.stepSize);
                                    return true;
                                }
                                return false;
                            });
    }

    bool ReadSong(const SoundLine& song)
    {
        bool bRange = false, bTempo = false;
        return ReadChildren(song,
                            [&](const SoundLine& line)
                            {
                                if (line.Is(SoundLine::Empty, SoundElement::PlayRange) && !bRange)
                                {
                                    bRange = true;
                                    line.FindInt("start", m_range.start);
                                    line.FindInt("end", m_range.end);
                                    return true;
                                }
                                if (line.Is(SoundLine::Empty, SoundElement::Tempo) && !bTempo)
                                {
                                    bTempo = true;
                                    ReadSetting(line, "tpb", 1, 256, m_props.tracksPerBeat);
                                    ReadSetting(line, "bpm", 1, 256, m_props.beatsPerMinute);
                                    return true;
                                }
                                return false;
                            });
    }

    static AttributeText FindText(const SoundLine& line, std::string_view name)
    {
        std::string_view value;
        if (!line.Find(name, value))
            return std::nullopt;
        return value;
    }

    bool ReadInstruments(const SoundLine& instruments)
    {
        CInstrumentLoad load;
        const bool bRead = ReadChildren(
            instruments,
            [&](const SoundLine& line)
            {
                if (!line.IsElement(SoundElement::Instrument))
                    return false;
                load.Begin(FindText(line, "index"), FindText(line, "name"));
                const bool bSequences = ReadChildren(line, [&](const SoundLine& child)
                                                     { return ReadSequence(child, load); });
                load.End();
                return bSequences;
            });
        load.Finish(m_doc);
        return bRead;
    }

    static bool ReadSequence(const SoundLine& line, CInstrumentLoad& load)
    {
        const int kind = static_cast<int>(line.element) - static_cast<int>(SoundElement::Volume);
        if (line.kind != SoundLine::Empty || kind < 0 || kind >= kSequenceKindCount)
            return false;
        load.Sequence(static_cast<SequenceKind>(kind), FindText(line, "values"),
                      FindText(line, "loop"), FindText(line, "release"));
        return true;
    }

    static void ReadSetting(const SoundLine& line, std::string_view name, int nMin, int nMax,
                            std::int32_t& nSetting)
    {
        int nValue = 0;
        if (line.FindInt(name, nValue) && nValue >= nMin && nValue <= nMax)
            nSetting = nValue;
    }

    bool ReadMachine(const SoundLine& machine)
    {
        int channel = -1;
        if (!machine.FindInt("channel", channel) || !IsChannel(channel))
            return false;
        int nNext = 0;
        if (machine.FindInt("nextpattern", nNext))
            m_doc.SetNextPatternNumber(channel, nNext);
        std::map<int, CSoundPattern*> byIndex;
        bool bSequence = false;
        return ReadChildren(machine,
                            [&](const SoundLine& line)
                            {
                                if (line.IsElement(SoundElement::Pattern) && !bSequence)
                                    return ReadPattern(line, channel, byIndex);
                                if (line.IsElement(SoundElement::Sequence) && !bSequence)
                                {
                                    bSequence = true;
                                    return ReadSequence(line, channel, byIndex);
                                }
                                return false;
                            });
    }

    bool ReadPattern(const SoundLine& line, int channel, std::map<int, CSoundPattern*>& byIndex)
    {
        int rows = 0;
        std::string_view name;
        if (!line.FindInt("rows", rows) || !line.Find("name", name))
            return false;
        m_nTotalRows += rows;
        if (rows < 0 || rows > CSoundPattern::kMaxRows ||
            m_nTotalRows > CSoundTreeReader::kMaxDocumentRows)
            return false;
        CSoundPattern* pPattern = m_doc.CreatePattern(channel, rows, std::string(name).c_str());
        int index = 0;
        if (line.FindInt("index", index))
            byIndex[index] = pPattern;
        return ReadRows(line, *pPattern);
    }

    // ReadChildren for a pattern's rows, most of which the writer's own layout reads faster.
    bool ReadRows(const SoundLine& pattern, CSoundPattern& target)
    {
        if (pattern.kind == SoundLine::Empty)
            return true;
        RowFields fields;
        SoundLine child;
        for (;;)
        {
            if (m_lines.NextWrittenRow(fields))
            {
                SetRow(fields, target);
                continue;
            }
            if (!m_lines.Next(child))
                return false;
            if (child.Is(SoundLine::End, SoundElement::Pattern))
                return true;
            if (!child.Is(SoundLine::Empty, SoundElement::Row))
                return false;
            SetRow(FieldsOf(child), target);
        }
    }

    static RowFields FieldsOf(const SoundLine& line)
    {
        // Each name's first value counts, as in the element tree's lookup.
        RowFields fields;
        for (std::size_t i = 0; i < line.count; ++i)
        {
            CellField field;
            if (IsText(line.names[i], "index"))
            {
                if (!fields.bIndex)
                    fields.index = line.values[i];
                fields.bIndex = true;
            }
            else if (CellFieldOf(line.names[i], field) &&
                     !fields.found[static_cast<std::size_t>(field)])
            {
                fields.found[static_cast<std::size_t>(field)] = true;
                fields.values[static_cast<std::size_t>(field)] = line.values[i];
            }
        }
        return fields;
    }

    static void SetRow(const RowFields& fields, CSoundPattern& pattern)
    {
        const int row = CXMLElement::ToInt(fields.index);
        if (!fields.bIndex || !pattern.IsRowInside(row))
            return;
        SoundCell cell = pattern.GetCell(row);
        for (std::size_t f = 0; f < RowFields::kFields; ++f)
            if (fields.found[f])
                ReadCellField(cell, kCellFields[f], fields.values[f]);
        pattern.SetCell(row, cell);
    }

    bool ReadSequence(const SoundLine& sequence, int channel,
                      const std::map<int, CSoundPattern*>& byIndex)
    {
        return ReadChildren(sequence,
                            [&](const SoundLine& line)
                            {
                                if (!line.Is(SoundLine::Empty, SoundElement::Row))
                                    return false;
                                int songPos = 0;
                                int index = 0;
                                if (!line.FindInt("index", songPos) ||
                                    !line.FindInt("pattern", index))
                                    return true;
                                if (const auto it = byIndex.find(index); it != byIndex.end())
                                    m_doc.PlacePattern(channel, songPos, it->second);
                                return true;
                            });
    }

    CSoundLineReader m_lines;
    CSoundDoc& m_doc;
    std::int64_t m_nTotalRows = 0;
    PlayRange m_range;
    SoundProperties m_props;
};
} // namespace

bool CSoundFileReader::Read(CArchive& ar, CSoundDoc& doc)
{
    CDirectLoad load(ar, doc);
    return load.Run();
}
