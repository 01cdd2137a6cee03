// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/Instrument.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CSoundDoc;

// The instruments as elements of the document's text:
//   <instruments>
//   <instrument index="1" name="Pluck">
//   <volume values="0,1,2,3" loop="1" release="2" />
//   </instrument>
//   </instruments>
// The writer, the direct reader and the element tree's reader all go through these, so an
// instrument reads the same whichever way the file was taken in.

// "0,1,2,3".
std::string SequenceValuesText(const InstrumentSequence& sequence);
// The sequence kind an element name carries; false for any other name.
bool SequenceKindOf(std::string_view name, SequenceKind& kind);

// An attribute's value as a reader found it; nullopt when the element lacks it.
using AttributeText = std::optional<std::string_view>;

// Takes the instrument elements one by one, as either reader meets them, and makes what they
// say valid: a value out of range is clamped, an index past the end dropped, an instrument
// without a number of its own (1-99, not taken yet) dropped, each with one note for the
// instrument.
class CInstrumentLoad
{
public:
    void Begin(AttributeText index, AttributeText name);
    void Sequence(SequenceKind kind, AttributeText values, AttributeText loop,
                  AttributeText release);
    void End();
    // Hands the instruments and the notes to the document.
    void Finish(CSoundDoc& doc);

private:
    void Note(const std::string& fix);

    std::vector<CInstrument> m_instruments;
    std::vector<std::string> m_notes;
    CInstrument m_current;
    bool m_bNumbered = false;
    std::string m_label; // "instrument 1 Pluck"
    std::string m_fixes;
};
