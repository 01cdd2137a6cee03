// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/InstrumentText.h"

#include "sound/SoundDoc.h"

#include <algorithm>
#include <charconv>

namespace
{
std::optional<int> NumberOf(std::string_view text)
{
    int value = 0;
    const char* const pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, value);
    if (ec == std::errc::result_out_of_range)
        return text.starts_with('-') ? -1000000 : 1000000; // clamped like any value too large
    if (ec != std::errc() || ptr != pEnd)
        return std::nullopt;
    return value;
}

// An index attribute: kNoIndex when missing; false for one that is not a number.
bool ReadIndex(AttributeText text, int& index)
{
    index = kNoIndex;
    if (!text)
        return true;
    const std::optional<int> value = NumberOf(*text);
    if (!value)
        return false;
    // Negative ones lie outside the sequence as much as those past its end.
    index = *value < 0 ? kNoIndex - 1 : *value;
    return true;
}
} // namespace

std::string SequenceValuesText(const InstrumentSequence& sequence)
{
    std::string text;
    for (const int value : sequence.values)
    {
        if (!text.empty())
            text += ',';
        text += std::to_string(value);
    }
    return text;
}

bool SequenceKindOf(std::string_view name, SequenceKind& kind)
{
    for (const SequenceKind candidate : kSequenceKinds)
        if (name == SequenceName(candidate))
        {
            kind = candidate;
            return true;
        }
    return false;
}

void CInstrumentLoad::Begin(AttributeText index, AttributeText name)
{
    m_fixes.clear();
    m_label = "instrument " + (index ? std::string(*index) : std::string("without an index")) +
              (name && !name->empty() ? " " + std::string(*name) : std::string());
    const int number = (index ? NumberOf(*index) : std::nullopt).value_or(0);
    m_bNumbered = number >= 1 && number <= kMaxInstruments;
    m_current = CInstrument(number, name ? std::string(*name) : std::string());
    std::string validName = m_current.GetName();
    if (MakeInstrumentNameValid(validName))
    {
        m_current.SetName(validName);
        Note("blanks in the name made _");
    }
}

void CInstrumentLoad::Sequence(SequenceKind kind, AttributeText values, AttributeText loop,
                               AttributeText release)
{
    const std::string name = SequenceName(kind);
    InstrumentSequence sequence;
    bool bNonNumbers = false;
    for (std::string_view rest = values.value_or(""); !rest.empty();)
    {
        const std::size_t comma = std::min(rest.find(','), rest.size());
        const std::optional<int> value = NumberOf(rest.substr(0, comma));
        if (value)
            sequence.values.push_back(*value);
        bNonNumbers |= !value;
        rest.remove_prefix(std::min(comma + 1, rest.size()));
    }
    if (bNonNumbers)
        Note(name + " values that are not numbers dropped");
    if (!ReadIndex(loop, sequence.loop))
        Note(name + " loop that is not a number dropped");
    if (!ReadIndex(release, sequence.release))
        Note(name + " release that is not a number dropped");
    if (sequence.Empty())
    {
        Note(name + " without values dropped");
        sequence = {};
    }
    else if (const std::string fixes = MakeSequenceValid(kind, sequence); !fixes.empty())
        Note(fixes);
    m_current.SetSequence(kind, std::move(sequence));
}

void CInstrumentLoad::End()
{
    const bool bTaken =
        m_bNumbered && std::any_of(m_instruments.begin(), m_instruments.end(),
                                   [&](const CInstrument& i)
                                   { return i.GetNumber() == m_current.GetNumber(); });
    if (!m_bNumbered || bTaken)
    {
        m_notes.push_back(m_label + ": dropped, " +
                          (bTaken ? "its number is taken" : "numbers go from 1 to 99"));
        return;
    }
    if (!m_fixes.empty())
        m_notes.push_back(m_label + ": " + m_fixes);
    m_instruments.push_back(std::move(m_current));
}

void CInstrumentLoad::Finish(CSoundDoc& doc)
{
    doc.AssignInstruments(std::move(m_instruments));
    for (std::string& note : m_notes)
        doc.AddLoadNote(std::move(note));
}

void CInstrumentLoad::Note(const std::string& fix)
{
    if (!m_fixes.empty())
        m_fixes += ", ";
    m_fixes += fix;
}
