// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundFileReader.h"

#include "framework/Archive.h"
#include "sound/CellText.h"
#include "sound/InstrumentText.h"
#include "sound/SoundDoc.h"
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
// One line of the writer's layout: "<name a="v" b="w">", "<name ... />" or "</name>", its
// names in lower-case letters and its values free of quotes, brackets and control
// characters. The element tree's reader reads such a line into the same names and values
// (references decoded), which is what lets the two readers agree.
enum class Element
{
    Row, // first: most lines are rows
    Sound,
    Settings,
    Song,
    PlayRange,
    Tempo,
    Editor,
    Machine,
    Pattern,
    Sequence,
    Instruments,
    Instrument,
    Volume, // the sequences of an instrument, in the order of SequenceKind
    Arpeggio,
    Pitch,
    Noise,
};

struct Line
{
    enum Kind
    {
        Start,
        Empty, // self-closing
        End,
    };
    static constexpr std::size_t kMaxAttributes = 8;

    Kind kind = Start;
    Element element = Element::Sound;
    std::array<std::string_view, kMaxAttributes> names;
    std::array<std::string_view, kMaxAttributes> values;
    std::size_t count = 0;

    bool Is(Kind k, Element e) const { return kind == k && element == e; }
    bool IsElement(Element e) const { return kind != End && element == e; }
    // The first value of that name, as the element tree's lookup gives it.
    bool Find(std::string_view attribute, std::string_view& value) const
    {
        for (std::size_t i = 0; i < count; ++i)
            if (IsText(names[i], attribute))
            {
                value = values[i];
                return true;
            }
        return false;
    }
    bool FindInt(std::string_view attribute, int& value) const
    {
        std::string_view text;
        if (!Find(attribute, text))
            return false;
        value = CXMLElement::ToInt(text);
        return true;
    }
};

// Bytes a value may hold as it stands in the layout.
struct ValueBytes
{
    std::array<bool, 256> allowed{};
    constexpr ValueBytes()
    {
        for (int c = 0x20; c < 0x7F; ++c)
            allowed[c] = c != '"' && c != '<' && c != '>';
        for (int c = 0x80; c < 0x100; ++c)
            allowed[c] = true;
    }
};
constexpr ValueBytes kValueBytes;

// The element names of the layout, in the order of Element.
constexpr std::string_view kElementNames[] = {"row",   "sound",  "settings", "song",
                                              "playrange", "tempo", "editor", "machine",
                                              "pattern", "sequence", "instruments", "instrument",
                                              "volume", "arpeggio", "pitch", "noise"};

// Lines of a loading archive read in blocks, so the text is never whole in memory. A line's
// values are good until the next line is read.
class CLineReader
{
public:
    explicit CLineReader(CArchive& ar)
        : m_ar(ar), m_buffer(kBlockBytes, '\0'), m_p(m_buffer.data()), m_pEnd(m_p), m_pLineEnd(m_p)
    {
    }

    // No byte left after the last line.
    bool AtEnd() { return m_p == m_pEnd && !FillBuffer(); }

    // False at the end or for a line out of the layout.
    bool Next(Line& line)
    {
        if (!FindLine())
            return false;
        line.count = 0;
        if (!Take('<'))
            return false;
        line.kind = Take('/') ? Line::End : Line::Start;
        if (!ElementName(line.element))
            return false;
        if (line.kind == Line::End)
            return Take('>') && EndOfLine();
        while (Take(' '))
        {
            if (Take('/'))
            {
                line.kind = Line::Empty;
                break;
            }
            if (line.count == Line::kMaxAttributes)
                return false;
            line.names[line.count] = Name();
            if (line.names[line.count].empty() || !Take('=') || !Take('"') ||
                !Value(line.values[line.count]))
                return false;
            ++line.count;
        }
        if (line.kind != Line::Empty && Take('/'))
            line.kind = Line::Empty;
        return Take('>') && EndOfLine();
    }

private:
    static constexpr std::size_t kBlockBytes = 64 * 1024;

    // Makes [m_p, m_pLineEnd) the next line, its LF included; false when no byte is left.
    bool FindLine()
    {
        std::size_t nScanned = 0; // bytes from m_p known to hold no LF
        for (;;)
        {
            const void* pLf = std::memchr(m_p + nScanned, '\n', m_pEnd - m_p - nScanned);
            if (pLf != nullptr)
            {
                m_pLineEnd = static_cast<const char*>(pLf) + 1;
                return true;
            }
            nScanned = m_pEnd - m_p;
            if (!FillBuffer())
            {
                m_pLineEnd = m_pEnd;
                return m_p != m_pEnd;
            }
        }
    }

    // Keeps the unread bytes and appends a block; false at the end of the input.
    bool FillBuffer()
    {
        if (m_bEnd)
            return false;
        const std::size_t nKept = m_pEnd - m_p;
        std::memmove(m_buffer.data(), m_p, nKept);
        // A line that fills half the buffer doubles it, so a long line is copied a few times
        // at most.
        if (nKept > m_buffer.size() / 2)
            m_buffer.resize(2 * m_buffer.size());
        const std::size_t nRead = m_ar.Read(m_buffer.data() + nKept, m_buffer.size() - nKept);
        m_bEnd = nRead == 0;
        m_p = m_buffer.data();
        m_pEnd = m_p + nKept + nRead;
        m_pLineEnd = m_p;
        return !m_bEnd;
    }

    bool Take(char c)
    {
        if (m_p == m_pLineEnd || *m_p != c)
            return false;
        ++m_p;
        return true;
    }

    // The loops below run on a local copy of the cursor, which stays in a register.
    std::string_view Name()
    {
        const char* const pStart = m_p;
        const char* p = pStart;
        while (p != m_pLineEnd && static_cast<unsigned char>(*p - 'a') <= 'z' - 'a')
            ++p;
        m_p = p;
        return {pStart, static_cast<std::size_t>(p - pStart)};
    }

    bool ElementName(Element& element)
    {
        const std::string_view text = Name();
        for (std::size_t i = 0; i < std::size(kElementNames); ++i)
            if (IsText(text, kElementNames[i]))
            {
                element = static_cast<Element>(i);
                return true;
            }
        return false;
    }

    // The value up to its closing quote, which is taken too; references decoded.
    bool Value(std::string_view& value)
    {
        const char* const pStart = m_p;
        const char* p = pStart;
        bool bReference = false;
        for (; p != m_pLineEnd && *p != '"'; ++p)
        {
            const auto c = static_cast<unsigned char>(*p);
            if (!kValueBytes.allowed[c])
                return false;
            bReference |= c == '&';
        }
        if (p == m_pLineEnd)
            return false;
        value = {pStart, static_cast<std::size_t>(p - pStart)};
        m_p = p + 1;
        if (bReference)
        {
            // Each decoded value needs a home of its own while the line is read.
            std::string& home = m_decoded[m_nextDecoded];
            m_nextDecoded = (m_nextDecoded + 1) % m_decoded.size();
            home.clear();
            value = CXMLReader::DecodeReferences(value, home);
        }
        return true;
    }

    // The line is used up: LF or CR LF, or the end of the input.
    bool EndOfLine()
    {
        Take('\r');
        Take('\n');
        return m_p == m_pLineEnd && (m_pLineEnd[-1] == '\n' || m_bEnd);
    }

    CArchive& m_ar;
    std::string m_buffer;
    const char* m_p; // the next unread byte
    const char* m_pEnd;
    const char* m_pLineEnd;
    bool m_bEnd = false;
    std::array<std::string, Line::kMaxAttributes> m_decoded;
    std::size_t m_nextDecoded = 0;
};

class CDirectLoad
{
public:
    CDirectLoad(CArchive& ar, CSoundDoc& doc)
        : m_lines(ar), m_doc(doc), m_range(doc.GetPlayRange()), m_props(doc.GetProperties())
    {
    }

    bool Run()
    {
        Line line;
        if (!m_lines.Next(line) || !line.IsElement(Element::Sound))
            return false;
        if (line.kind == Line::Start)
        {
            if (!m_lines.Next(line))
                return false;
            if (line.IsElement(Element::Settings))
            {
                if (!ReadSettings(line) || !m_lines.Next(line))
                    return false;
            }
            if (line.IsElement(Element::Instruments))
            {
                if (!ReadInstruments(line) || !m_lines.Next(line))
                    return false;
            }
            while (line.IsElement(Element::Machine))
                if (!ReadMachine(line) || !m_lines.Next(line))
                    return false;
            if (!line.Is(Line::End, Element::Sound))
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
    template <class F> bool ReadChildren(const Line& parent, F read)
    {
        if (parent.kind == Line::Empty)
            return true;
        const Element element = parent.element;
        Line child;
        for (;;)
        {
            if (!m_lines.Next(child))
                return false;
            if (child.Is(Line::End, element))
                return true;
            if (child.kind == Line::End || !read(child))
                return false;
        }
    }

    bool ReadSettings(const Line& settings)
    {
        bool bSong = false, bEditor = false;
        return ReadChildren(settings,
                            [&](const Line& line)
                            {
                                if (line.element == Element::Song && !bSong)
                                {
                                    bSong = true;
                                    return ReadSong(line);
                                }
                                if (line.Is(Line::Empty, Element::Editor) && !bEditor)
                                {
                                    bEditor = true;
                                    ReadSetting(line, "stepsize", 1, 1024, m_props.stepSize);
                                    return true;
                                }
                                return false;
                            });
    }

    bool ReadSong(const Line& song)
    {
        bool bRange = false, bTempo = false;
        return ReadChildren(song,
                            [&](const Line& line)
                            {
                                if (line.Is(Line::Empty, Element::PlayRange) && !bRange)
                                {
                                    bRange = true;
                                    line.FindInt("start", m_range.start);
                                    line.FindInt("end", m_range.end);
                                    return true;
                                }
                                if (line.Is(Line::Empty, Element::Tempo) && !bTempo)
                                {
                                    bTempo = true;
                                    ReadSetting(line, "tpb", 1, 256, m_props.tracksPerBeat);
                                    ReadSetting(line, "bpm", 1, 256, m_props.beatsPerMinute);
                                    return true;
                                }
                                return false;
                            });
    }

    static AttributeText FindText(const Line& line, std::string_view name)
    {
        std::string_view value;
        if (!line.Find(name, value))
            return std::nullopt;
        return value;
    }

    bool ReadInstruments(const Line& instruments)
    {
        CInstrumentLoad load;
        const bool bRead = ReadChildren(
            instruments,
            [&](const Line& line)
            {
                if (!line.IsElement(Element::Instrument))
                    return false;
                load.Begin(FindText(line, "index"), FindText(line, "name"));
                const bool bSequences = ReadChildren(line, [&](const Line& child)
                                                     { return ReadSequence(child, load); });
                load.End();
                return bSequences;
            });
        load.Finish(m_doc);
        return bRead;
    }

    static bool ReadSequence(const Line& line, CInstrumentLoad& load)
    {
        const int kind = static_cast<int>(line.element) - static_cast<int>(Element::Volume);
        if (line.kind != Line::Empty || kind < 0 || kind >= kSequenceKindCount)
            return false;
        load.Sequence(static_cast<SequenceKind>(kind), FindText(line, "values"),
                      FindText(line, "loop"), FindText(line, "release"));
        return true;
    }

    static void ReadSetting(const Line& line, std::string_view name, int nMin, int nMax,
                            std::int32_t& nSetting)
    {
        int nValue = 0;
        if (line.FindInt(name, nValue) && nValue >= nMin && nValue <= nMax)
            nSetting = nValue;
    }

    bool ReadMachine(const Line& machine)
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
                            [&](const Line& line)
                            {
                                if (line.IsElement(Element::Pattern) && !bSequence)
                                    return ReadPattern(line, channel, byIndex);
                                if (line.IsElement(Element::Sequence) && !bSequence)
                                {
                                    bSequence = true;
                                    return ReadSequence(line, channel, byIndex);
                                }
                                return false;
                            });
    }

    bool ReadPattern(const Line& line, int channel, std::map<int, CSoundPattern*>& byIndex)
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
        return ReadChildren(line, [&](const Line& row) { return ReadRow(row, *pPattern); });
    }

    static bool ReadRow(const Line& line, CSoundPattern& pattern)
    {
        if (!line.Is(Line::Empty, Element::Row))
            return false;
        // Each name's first value counts, as in the element tree's lookup.
        constexpr std::size_t kFields = std::size(kCellFields);
        std::array<std::string_view, kFields> values;
        std::array<bool, kFields> found{};
        std::string_view index;
        bool bIndex = false;
        for (std::size_t i = 0; i < line.count; ++i)
        {
            CellField field;
            if (IsText(line.names[i], "index"))
            {
                if (!bIndex)
                    index = line.values[i];
                bIndex = true;
            }
            else if (CellFieldOf(line.names[i], field) &&
                     !found[static_cast<std::size_t>(field)])
            {
                found[static_cast<std::size_t>(field)] = true;
                values[static_cast<std::size_t>(field)] = line.values[i];
            }
        }
        const int row = CXMLElement::ToInt(index);
        if (!bIndex || !pattern.IsRowInside(row))
            return true;
        SoundCell cell = pattern.GetCell(row);
        for (std::size_t f = 0; f < kFields; ++f)
            if (found[f])
                ReadCellField(cell, kCellFields[f], values[f]);
        pattern.SetCell(row, cell);
        return true;
    }

    bool ReadSequence(const Line& sequence, int channel,
                      const std::map<int, CSoundPattern*>& byIndex)
    {
        return ReadChildren(sequence,
                            [&](const Line& line)
                            {
                                if (!line.Is(Line::Empty, Element::Row))
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

    CLineReader m_lines;
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
