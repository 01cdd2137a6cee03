// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Archive.h"
#include "sound/CellText.h"
#include "xml/XMLElement.h"
#include "xml/XMLReader.h"

#include <array>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

// One line of the writer's layout: "<name a="v" b="w">", "<name ... />" or "</name>", its
// names in lower-case letters and its values free of quotes, brackets and control
// characters. The element tree's reader reads such a line into the same names and values
// (references decoded), which is what lets the two readers agree.
enum class SoundElement
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

struct SoundLine
{
    enum Kind
    {
        Start,
        Empty, // self-closing
        End,
    };
    static constexpr std::size_t kMaxAttributes = 8;

    Kind kind = Start;
    SoundElement element = SoundElement::Sound;
    std::array<std::string_view, kMaxAttributes> names;
    std::array<std::string_view, kMaxAttributes> values;
    std::size_t count = 0;

    bool Is(Kind k, SoundElement e) const { return kind == k && element == e; }
    bool IsElement(SoundElement e) const { return kind != End && element == e; }
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
struct SoundValueBytes
{
    std::array<bool, 256> allowed{};
    constexpr SoundValueBytes()
    {
        for (int c = 0x20; c < 0x7F; ++c)
            allowed[c] = c != '"' && c != '<' && c != '>';
        for (int c = 0x80; c < 0x100; ++c)
            allowed[c] = true;
    }
};
inline constexpr SoundValueBytes kSoundValueBytes;

// The element names of the layout, in the order of SoundElement.
inline constexpr std::string_view kSoundElementNames[] = {"row",   "sound",  "settings", "song",
                                              "playrange", "tempo", "editor", "machine",
                                              "pattern", "sequence", "instruments", "instrument",
                                              "volume", "arpeggio", "pitch", "noise"};

// A row's index and the first value of each cell attribute it carries.
struct RowFields
{
    static constexpr std::size_t kFields = std::size(kCellFields);
    std::string_view index;
    bool bIndex = false;
    std::array<std::string_view, kFields> values;
    std::array<bool, kFields> found{};
};

// Lines of a loading archive read in blocks, so the text is never whole in memory. A line's
// values are good until the next line is read.
class CSoundLineReader
{
public:
    explicit CSoundLineReader(CArchive& ar)
        : m_ar(ar), m_buffer(kBlockBytes, '\0'), m_p(m_buffer.data()), m_pEnd(m_p), m_pLineEnd(m_p)
    {
    }

    // No byte left after the last line.
    bool AtEnd() { return m_p == m_pEnd && !FillBuffer(); }

    // Takes the next line when it is a row exactly as the writer writes it: the index, the
    // cell's attributes in the writer's order, no references. Such a line gives what Next
    // gives, without its search for names; any other line is left for Next.
    bool NextWrittenRow(RowFields& row)
    {
        if (!FindLine())
            return false;
        const char* const pLine = m_p;
        if (WrittenRow(row))
            return true;
        m_p = pLine;
        return false;
    }

    // False at the end or for a line out of the layout.
    bool Next(SoundLine& line)
    {
        if (!FindLine())
            return false;
        line.count = 0;
        if (!Take('<'))
            return false;
        line.kind = Take('/') ? SoundLine::End : SoundLine::Start;
        if (!ElementName(line.element))
            return false;
        if (line.kind == SoundLine::End)
            return Take('>') && EndOfLine();
        while (Take(' '))
        {
            if (Take('/'))
            {
                line.kind = SoundLine::Empty;
                break;
            }
            if (line.count == SoundLine::kMaxAttributes)
                return false;
            line.names[line.count] = Name();
            if (line.names[line.count].empty() || !Take('=') || !Take('"') ||
                !Value(line.values[line.count]))
                return false;
            ++line.count;
        }
        if (line.kind != SoundLine::Empty && Take('/'))
            line.kind = SoundLine::Empty;
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

    bool WrittenRow(RowFields& row)
    {
        if (!TakeLiteral("<row index=\""))
            return false;
        const char* const pDigits = m_p;
        const char* p = pDigits;
        while (p != m_pLineEnd && static_cast<unsigned char>(*p - '0') <= 9)
            ++p;
        if (p == pDigits || p == m_pLineEnd || *p != '"')
            return false;
        row.index = {pDigits, static_cast<std::size_t>(p - pDigits)};
        row.bIndex = true;
        m_p = p + 1;
        row.found = {};
        // In the order of kCellFields.
        return TakeField(row, CellField::Note, " note=\"") &&
               TakeField(row, CellField::Divisor, " divisor=\"") &&
               TakeField(row, CellField::Frequency, " frequency=\"") &&
               TakeField(row, CellField::NoiseType, " noisetype=\"") &&
               TakeField(row, CellField::Attenuation, " attenuation=\"") &&
               TakeField(row, CellField::Instrument, " instrument=\"") && TakeLiteral(" />") &&
               EndOfLine();
    }

    // False only for an attribute of that name whose value is not plain.
    template <std::size_t N>
    bool TakeField(RowFields& row, CellField field, const char (&name)[N])
    {
        if (!TakeLiteral(name))
            return true;
        const auto f = static_cast<std::size_t>(field);
        row.found[f] = PlainValue(row.values[f]);
        return row.found[f];
    }

    // Compared at a length known here, which the compiler does without a call.
    template <std::size_t N> bool TakeLiteral(const char (&text)[N])
    {
        constexpr std::size_t n = N - 1;
        if (static_cast<std::size_t>(m_pLineEnd - m_p) < n || std::memcmp(m_p, text, n) != 0)
            return false;
        m_p += n;
        return true;
    }

    // A value without references up to its closing quote, which is taken too.
    bool PlainValue(std::string_view& value)
    {
        const char* const pStart = m_p;
        const char* p = pStart;
        for (; p != m_pLineEnd && *p != '"'; ++p)
            if (!kSoundValueBytes.allowed[static_cast<unsigned char>(*p)] || *p == '&')
                return false;
        if (p == m_pLineEnd)
            return false;
        value = {pStart, static_cast<std::size_t>(p - pStart)};
        m_p = p + 1;
        return true;
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

    bool ElementName(SoundElement& element)
    {
        const std::string_view text = Name();
        for (std::size_t i = 0; i < std::size(kSoundElementNames); ++i)
            if (IsText(text, kSoundElementNames[i]))
            {
                element = static_cast<SoundElement>(i);
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
            if (!kSoundValueBytes.allowed[c])
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
    std::array<std::string, SoundLine::kMaxAttributes> m_decoded;
    std::size_t m_nextDecoded = 0;
};
