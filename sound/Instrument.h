// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// What an instrument shapes, tick by tick, in a note that names it.
enum class SequenceKind
{
    Volume,   // attenuation steps added to the cell's
    Arpeggio, // semitones added to the note
    Pitch,    // cents added to the pitch
    Noise,    // the noise channel's setting: rate in bits 0-1, white noise in bit 2
};
inline constexpr SequenceKind kSequenceKinds[] = {SequenceKind::Volume, SequenceKind::Arpeggio,
                                                  SequenceKind::Pitch, SequenceKind::Noise};
inline constexpr int kSequenceKindCount = 4;

struct SequenceRange
{
    int low;
    int high;
};
// The values a sequence of that kind may hold.
SequenceRange RangeOf(SequenceKind kind);
// "volume", "arpeggio", "pitch", "noise": the file's element names and the messages' words.
const char* SequenceName(SequenceKind kind);

constexpr int kMaxSequenceLength = 255;
constexpr int kMaxInstruments = 99;
constexpr int kNoInstrument = 0;
// An index a sequence does not have.
constexpr int kNoIndex = -1;

// One value per game tick. Empty: the instrument has no sequence of that kind, which changes
// nothing. A loop index sends a held note back there when it reaches the release index (or
// the end); a release index is where the volume goes on from once the note is let go.
struct InstrumentSequence
{
    std::vector<int> values;
    int loop = kNoIndex;
    int release = kNoIndex;

    bool Empty() const { return values.empty(); }
    bool HasLoop() const { return loop != kNoIndex; }
    bool HasRelease() const { return release != kNoIndex; }
    int Length() const { return static_cast<int>(values.size()); }
    bool operator==(const InstrumentSequence&) const = default;
};

// A numbered, named shape for notes: up to four sequences, each run from a note's first tick.
class CInstrument
{
public:
    CInstrument() = default;
    CInstrument(int number, std::string name) : m_nNumber(number), m_strName(std::move(name)) {}

    int GetNumber() const { return m_nNumber; }
    void SetNumber(int number) { m_nNumber = number; }
    const std::string& GetName() const { return m_strName; }
    void SetName(std::string name) { m_strName = std::move(name); }
    const InstrumentSequence& GetSequence(SequenceKind kind) const
    {
        return m_sequences[static_cast<std::size_t>(kind)];
    }
    void SetSequence(SequenceKind kind, InstrumentSequence sequence)
    {
        m_sequences[static_cast<std::size_t>(kind)] = std::move(sequence);
    }

    // What is wrong with the instrument ("volume loop 9 past the end"), empty when nothing is.
    std::string Problem() const;
    bool operator==(const CInstrument&) const = default;

private:
    int m_nNumber = 1;
    std::string m_strName;
    std::array<InstrumentSequence, kSequenceKindCount> m_sequences;
};

// Brings a sequence within what an instrument may hold: values clamped, a sequence longer
// than kMaxSequenceLength cut, an index outside it (or a loop not before the release)
// dropped. Returns what was changed, in words ("volume values clamped to 0-15, volume loop
// dropped"); empty when nothing was.
std::string MakeSequenceValid(SequenceKind kind, InstrumentSequence& sequence);
// A name without blanks: each blank becomes '_'. True when one was changed.
bool MakeInstrumentNameValid(std::string& name);
