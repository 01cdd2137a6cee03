// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Instrument.h"

#include <algorithm>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void Append(std::string& text, const std::string& part)
{
    if (!text.empty())
        text += ", ";
    text += part;
}

bool IndexInside(int index, const InstrumentSequence& sequence)
{
    return index == kNoIndex || (index >= 0 && index < sequence.Length());
}
} // namespace

SequenceRange RangeOf(SequenceKind kind)
{
    switch (kind)
    {
    case SequenceKind::Volume:
        return {0, 15};
    case SequenceKind::Arpeggio:
        return {-48, 48};
    case SequenceKind::Pitch:
        return {-1200, 1200};
    case SequenceKind::Noise:
        break;
    }
    return {0, 7};
}

const char* SequenceName(SequenceKind kind)
{
    switch (kind)
    {
    case SequenceKind::Volume:
        return "volume";
    case SequenceKind::Arpeggio:
        return "arpeggio";
    case SequenceKind::Pitch:
        return "pitch";
    case SequenceKind::Noise:
        break;
    }
    return "noise";
}

std::string CInstrument::Problem() const
{
    if (m_nNumber < 1 || m_nNumber > kMaxInstruments)
        return "number " + std::to_string(m_nNumber) + " outside 1-99";
    if (std::any_of(m_strName.begin(), m_strName.end(), IsBlank))
        return "a blank in its name";
    for (const SequenceKind kind : kSequenceKinds)
    {
        InstrumentSequence copy = GetSequence(kind);
        if (std::string fixes = MakeSequenceValid(kind, copy); !fixes.empty())
            return fixes.replace(fixes.find(' '), std::string::npos, " out of range");
    }
    return {};
}

std::string MakeSequenceValid(SequenceKind kind, InstrumentSequence& sequence)
{
    const std::string name = SequenceName(kind);
    std::string fixes;
    if (sequence.Length() > kMaxSequenceLength)
    {
        sequence.values.resize(kMaxSequenceLength);
        Append(fixes, name + " cut to " + std::to_string(kMaxSequenceLength) + " values");
    }
    const SequenceRange range = RangeOf(kind);
    bool bClamped = false;
    for (int& value : sequence.values)
    {
        const int clamped = std::clamp(value, range.low, range.high);
        bClamped |= clamped != value;
        value = clamped;
    }
    if (bClamped)
        Append(fixes, name + " values clamped to " + std::to_string(range.low) + " to " +
                          std::to_string(range.high));
    if (!IndexInside(sequence.loop, sequence))
    {
        sequence.loop = kNoIndex;
        Append(fixes, name + " loop past the end dropped");
    }
    if (!IndexInside(sequence.release, sequence))
    {
        sequence.release = kNoIndex;
        Append(fixes, name + " release past the end dropped");
    }
    if (sequence.HasLoop() && sequence.HasRelease() && sequence.loop >= sequence.release)
    {
        sequence.loop = kNoIndex;
        Append(fixes, name + " loop not before its release dropped");
    }
    return fixes;
}

bool MakeInstrumentNameValid(std::string& name)
{
    bool bChanged = false;
    for (char& c : name)
        if (IsBlank(c))
        {
            c = '_';
            bChanged = true;
        }
    return bChanged;
}
