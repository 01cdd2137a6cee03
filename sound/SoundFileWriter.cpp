// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFileWriter.h"

#include "framework/Archive.h"
#include "sound/CellText.h"
#include "sound/InstrumentText.h"
#include "sound/SoundDoc.h"
#include "xml/XMLElement.h"
#include "xml/XMLWriter.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <climits>
#include <utility>
#include <vector>

namespace
{
// The longest row line: `<row index="-2147483648"`, the cell's attributes, ` />` and CR LF.
constexpr std::size_t kMaxRowBytes = 32 + kMaxCellAttributeBytes;
} // namespace

CSoundFileWriter::CSoundFileWriter(CArchive& ar)
    : m_ar(ar), m_pBuffer(new char[kBlockBytes + kMaxRowBytes])
{
}

void CSoundFileWriter::Write(const CSoundDoc& doc)
{
    StartTag("sound");
    Attribute("type", "tracker");
    EndStartTag(true);
    WriteSettings(doc);
    // A sound without instruments is written as before they were known.
    if (!doc.GetInstruments().empty())
        WriteInstruments(doc);
    for (int channel = 0; channel < kChannelCount; ++channel)
        if (!doc.GetPatterns(channel).empty())
            WriteMachine(doc, channel);
    EndTag("sound");
    Flush();
}

void CSoundFileWriter::WriteSettings(const CSoundDoc& doc)
{
    const PlayRange range = doc.GetPlayRange();
    StartTag("settings");
    EndStartTag(true);
    StartTag("song");
    EndStartTag(true);
    StartTag("playrange");
    Attribute("start", range.start);
    Attribute("end", range.end);
    EndStartTag(false);
    StartTag("tempo");
    Attribute("tpb", doc.GetTracksPerBeat());
    Attribute("bpm", doc.GetBeatsPerMinute());
    EndStartTag(false);
    EndTag("song");
    StartTag("editor");
    Attribute("stepsize", doc.GetStepSize());
    EndStartTag(false);
    EndTag("settings");
}

void CSoundFileWriter::WriteInstruments(const CSoundDoc& doc)
{
    StartTag("instruments");
    EndStartTag(true);
    for (const CInstrument& instrument : doc.GetInstruments())
    {
        const bool bAnySequence =
            std::any_of(std::begin(kSequenceKinds), std::end(kSequenceKinds),
                        [&](SequenceKind kind) { return !instrument.GetSequence(kind).Empty(); });
        StartTag("instrument");
        Attribute("index", instrument.GetNumber());
        Attribute("name", instrument.GetName());
        EndStartTag(bAnySequence);
        for (const SequenceKind kind : kSequenceKinds)
        {
            const InstrumentSequence& sequence = instrument.GetSequence(kind);
            if (sequence.Empty())
                continue;
            StartTag(SequenceName(kind));
            Attribute("values", SequenceValuesText(sequence));
            if (sequence.HasLoop())
                Attribute("loop", sequence.loop);
            if (sequence.HasRelease())
                Attribute("release", sequence.release);
            EndStartTag(false);
        }
        if (bAnySequence)
            EndTag("instrument");
    }
    EndTag("instruments");
}

void CSoundFileWriter::WriteMachine(const CSoundDoc& doc, int channel)
{
    const CPatternView patterns = doc.GetPatterns(channel);
    StartTag("machine");
    Attribute("channel", channel);
    Attribute("name", g_channelNames[channel]);
    Attribute("nextpattern", doc.GetNextPatternNumber(channel));
    EndStartTag(true);
    // Each pattern's number by its address, for the placements.
    std::vector<std::pair<const CSoundPattern*, int>> numbers;
    numbers.reserve(patterns.size());
    for (std::size_t i = 0; i < patterns.size(); ++i)
    {
        WritePattern(*patterns[i], static_cast<int>(i));
        numbers.emplace_back(patterns[i], static_cast<int>(i));
    }
    std::sort(numbers.begin(), numbers.end());
    auto numberOf = [&](const CSoundPattern* pPattern)
    {
        const auto it = std::lower_bound(numbers.begin(), numbers.end(),
                                         std::make_pair(pPattern, INT_MIN));
        return it != numbers.end() && it->first == pPattern ? it->second : -1;
    };
    const CSoundDoc::Sequence& sequence = doc.GetSequence(channel);
    if (!sequence.empty())
    {
        // A placement of a pattern the channel does not hold is not written.
        const bool bAnyRow = std::any_of(sequence.begin(), sequence.end(), [&](const auto& entry)
                                         { return numberOf(entry.second) >= 0; });
        StartTag("sequence");
        EndStartTag(bAnyRow);
        for (const auto& [songPos, pPattern] : sequence)
        {
            const int number = numberOf(pPattern);
            if (number < 0)
                continue;
            StartTag("row");
            Attribute("index", songPos);
            Attribute("pattern", number);
            EndStartTag(false);
        }
        if (bAnyRow)
            EndTag("sequence");
    }
    EndTag("machine");
}

void CSoundFileWriter::WritePattern(const CSoundPattern& pattern, int index)
{
    StartTag("pattern");
    Attribute("index", index);
    Attribute("name", pattern.GetName());
    Attribute("rows", pattern.GetRows());
    // The start tag ends once it is known whether a row follows.
    bool bAnyRow = false;
    for (std::int32_t row = 0; row < pattern.GetRows(); ++row)
    {
        const SoundCell cell = pattern.GetCell(row);
        if (!IsWrittenRow(cell))
            continue;
        if (!bAnyRow)
            EndStartTag(true);
        bAnyRow = true;
        WriteRow(row, cell);
    }
    if (bAnyRow)
        EndTag("pattern");
    else
        EndStartTag(false);
}

void CSoundFileWriter::WriteRow(std::int32_t row, const SoundCell& cell)
{
    if (m_nUsed >= kBlockBytes)
        Flush();
    char* const pStart = m_pBuffer.get() + m_nUsed;
    char* p = pStart;
    constexpr std::string_view kStart = "<row index=\"";
    constexpr std::string_view kEnd = " />\r\n";
    p = std::copy(kStart.begin(), kStart.end(), p);
    p = std::to_chars(p, p + 12, row).ptr;
    *p++ = '"';
    p = WriteCellAttributes(p, cell);
    p = std::copy(kEnd.begin(), kEnd.end(), p);
    m_nUsed += static_cast<std::size_t>(p - pStart);
}

void CSoundFileWriter::StartTag(std::string_view name)
{
    Put("<");
    Put(name);
}

void CSoundFileWriter::Attribute(std::string_view name, std::string_view value)
{
    Put(" ");
    Put(name);
    Put("=\"");
    // A name ends at a NUL, as the element tree keeps it.
    m_escaped.clear();
    CXMLWriter::AppendEscaped(m_escaped, UpToNul(value));
    Put(m_escaped);
    Put("\"");
}

void CSoundFileWriter::Attribute(std::string_view name, int value)
{
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Put(" ");
    Put(name);
    Put("=\"");
    Put(std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
    Put("\"");
}

void CSoundFileWriter::EndStartTag(bool bHasChildren)
{
    Put(bHasChildren ? ">\r\n" : " />\r\n");
}

void CSoundFileWriter::EndTag(std::string_view name)
{
    Put("</");
    Put(name);
    Put(">\r\n");
}

void CSoundFileWriter::Put(std::string_view text)
{
    if (m_nUsed + text.size() > kBlockBytes)
    {
        Flush();
        if (text.size() > kBlockBytes)
        {
            m_ar.Write(text.data(), text.size());
            return;
        }
    }
    std::copy(text.begin(), text.end(), m_pBuffer.get() + m_nUsed);
    m_nUsed += text.size();
}

void CSoundFileWriter::Flush()
{
    m_ar.Write(m_pBuffer.get(), m_nUsed);
    m_nUsed = 0;
}
