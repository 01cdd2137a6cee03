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
#include <climits>
#include <iterator>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace
{
// The longest row line: `<row index="-2147483648"`, the cell's attributes, ` />` and CR LF.
// A placement's line and a pattern's start tag with a name of kMaxPlainNameBytes are shorter.
constexpr std::size_t kMaxRowBytes = 32 + kMaxCellAttributeBytes;

constexpr std::size_t kMaxPlacementBytes =
    sizeof("<row index=\"-2147483648\" pattern=\"-2147483648\" />\r\n");
// A pattern's end tag, and its start tag but for the name.
constexpr std::size_t kMaxPatternTagBytes =
    sizeof("<pattern index=\"-2147483648\" name=\"\" rows=\"-2147483648\">\r\n</pattern>\r\n");
// An escaped character takes at most six ("&quot;").
constexpr std::size_t kMaxEscapedBytes = 6;
// Settings, instruments without sequences and the machines' tags.
constexpr std::size_t kMaxFrameBytes = 1024;

char* PutText(char* p, std::string_view text)
{
    return std::copy(text.begin(), text.end(), p);
}

// At least the text of the patterns and sequences, so that the file it goes to is made once,
// not grown by copies; proportional to them, so a small document takes little.
std::size_t TextBytesBound(const CSoundDoc& doc)
{
    std::size_t nBytes = kMaxFrameBytes;
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        for (const CSoundPattern* pPattern : doc.GetPatterns(channel))
        {
            const auto nRows = static_cast<std::size_t>(pPattern->CountHeldRows());
            nBytes += kMaxPatternTagBytes + pPattern->GetName().size() * kMaxEscapedBytes +
                      nRows * kMaxRowBytes;
        }
        nBytes += doc.GetSequence(channel).size() * kMaxPlacementBytes;
    }
    return nBytes;
}
} // namespace

CSoundFileWriter::CSoundFileWriter(CArchive& ar)
    : m_ar(ar), m_pBuffer(new char[kBlockBytes + kMaxRowBytes])
{
}

void CSoundFileWriter::Write(const CSoundDoc& doc)
{
    m_ar.Reserve(TextBytesBound(doc));
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
    for (std::size_t i = 0; i < patterns.size(); ++i)
        WritePattern(*patterns[i], static_cast<int>(i));
    const CSoundDoc::Sequence& sequence = doc.GetSequence(channel);
    if (!sequence.empty())
        WriteSequence(sequence, patterns);
    EndTag("machine");
}

void CSoundFileWriter::WriteSequence(const CSoundDoc::Sequence& sequence,
                                     const CPatternView& patterns)
{
    // Each pattern's number by its address alone, for a placement may name a pattern the
    // channel does not hold. Placements mostly follow the list, so the pattern after the last
    // one found is tried first, then the last one looked up, then the few before the next; only
    // a song placed in another order pays for the sorted table. A pattern placed again (an
    // import's silent steps) leaves the list's order to be followed on.
    constexpr std::size_t kNearBehind = 8;
    std::vector<std::pair<const CSoundPattern*, int>> sorted;
    std::size_t nNext = 0;
    const CSoundPattern* pLast = nullptr;
    int nLast = -1;
    auto numberOf = [&](const CSoundPattern* pPattern)
    {
        if (nNext < patterns.size() && patterns[nNext] == pPattern)
            return static_cast<int>(nNext++);
        if (pPattern == pLast)
            return nLast;
        pLast = pPattern;
        for (std::size_t i = nNext; i > 0 && nNext - i < kNearBehind; --i)
            if (patterns[i - 1] == pPattern)
                return nLast = static_cast<int>(i - 1);
        if (sorted.empty())
        {
            sorted.reserve(patterns.size());
            for (std::size_t i = 0; i < patterns.size(); ++i)
                sorted.emplace_back(patterns[i], static_cast<int>(i));
            std::sort(sorted.begin(), sorted.end());
        }
        const auto it =
            std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(pPattern, INT_MIN));
        nLast = it != sorted.end() && it->first == pPattern ? it->second : -1;
        if (nLast >= 0)
            nNext = std::max(nNext, static_cast<std::size_t>(nLast) + 1);
        return nLast;
    };
    // A placement of a pattern the channel does not hold is not written.
    auto it = sequence.begin();
    int number = -1;
    auto skipUnheld = [&]
    {
        while (it != sequence.end() && (number = numberOf(it->second)) < 0)
            ++it;
    };
    skipUnheld();
    const bool bAnyRow = it != sequence.end();
    StartTag("sequence");
    EndStartTag(bAnyRow);
    for (; it != sequence.end(); ++it, skipUnheld())
        WritePlacement(it->first, number);
    if (bAnyRow)
        EndTag("sequence");
}

void CSoundFileWriter::WritePattern(const CSoundPattern& pattern, int index)
{
    if (!WritePatternStartAtOnce(pattern, index))
    {
        StartTag("pattern");
        Attribute("index", index);
        Attribute("name", pattern.GetName());
        Attribute("rows", pattern.GetRows());
    }
    // The start tag ends once it is known whether a row follows.
    bool bAnyRow = false;
    const std::span<const SoundCell> cells = pattern.Cells();
    // A plain loop: through find_if the row test was called through a pointer, not inlined.
    for (std::size_t row = 0; row < cells.size(); ++row)
    {
        if (!IsWrittenRow(cells[row]))
            continue;
        if (!bAnyRow)
            EndStartTag(true);
        bAnyRow = true;
        WriteRow(static_cast<std::int32_t>(row), cells[row]);
    }
    if (bAnyRow)
        EndTag("pattern");
    else
        EndStartTag(false);
}

bool CSoundFileWriter::WritePatternStartAtOnce(const CSoundPattern& pattern, int index)
{
    static_assert(sizeof("<pattern index=\"-2147483648\" name=\"\" rows=\"-2147483648\"") - 1 +
                      kMaxPlainNameBytes <=
                  kMaxRowBytes);
    const std::string_view name = UpToNul(pattern.GetName());
    if (name.size() > kMaxPlainNameBytes || !CXMLWriter::IsPlain(name))
        return false;
    char* p = PutText(LineStart(), "<pattern index=\"");
    p = std::to_chars(p, p + 12, index).ptr;
    p = PutText(p, "\" name=\"");
    p = PutText(p, name);
    p = PutText(p, "\" rows=\"");
    p = std::to_chars(p, p + 12, pattern.GetRows()).ptr;
    *p++ = '"';
    LineEnd(p);
    return true;
}

void CSoundFileWriter::WritePlacement(std::int32_t songPos, int number)
{
    char* p = PutText(LineStart(), "<row index=\"");
    p = std::to_chars(p, p + 12, songPos).ptr;
    p = PutText(p, "\" pattern=\"");
    p = std::to_chars(p, p + 12, number).ptr;
    LineEnd(PutText(p, "\" />\r\n"));
}

char* CSoundFileWriter::LineStart()
{
    if (m_nUsed >= kBlockBytes)
        Flush();
    return m_pBuffer.get() + m_nUsed;
}

void CSoundFileWriter::LineEnd(const char* pEnd)
{
    m_nUsed = static_cast<std::size_t>(pEnd - m_pBuffer.get());
}

void CSoundFileWriter::WriteRow(std::int32_t row, const SoundCell& cell)
{
    char* p = PutText(LineStart(), "<row index=\"");
    p = std::to_chars(p, p + 12, row).ptr;
    *p++ = '"';
    p = WriteCellAttributes(p, cell);
    LineEnd(PutText(p, " />\r\n"));
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
