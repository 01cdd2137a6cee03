// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/NoteBars.h"
#include "sound/SoundDoc.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

// Edits of what plays, in the terms of the bars, planned as writes into the cells: notes
// added, removed, moved, lengthened or shortened, transposed or made louder. Nothing is
// changed here; the plan is carried out (and undone) by the editing session.

// A pattern the plan makes: it stands for the new pattern's id in the writes until made.
constexpr PatternId kFirstNewPatternId = 0xFFFF0000u;
inline bool IsNewPatternId(PatternId id)
{
    return id >= kFirstNewPatternId;
}

struct CellWrite
{
    PatternId pattern = 0;
    std::int32_t row = 0;
    std::vector<SoundCell> cells;
    bool operator==(const CellWrite&) const = default;
};

struct NewPatternPlan
{
    PatternId id = 0; // kFirstNewPatternId onwards
    int channel = 0;
    std::int32_t rows = 0;
    std::int32_t placeAt = 0; // song position
};

struct NoteEdit
{
    std::vector<NewPatternPlan> newPatterns; // made first, placed, then written into
    std::vector<CellWrite> writes;
    // A note was cut short where its pattern stops playing.
    bool bClipped = false;
    bool IsEmpty() const { return newPatterns.empty() && writes.empty(); }
};

// What a note is made of when it is written: the note (noise: the rate), its exact divisor
// and noise type, and an attenuation (ATTEN_EMPTY: the one in force).
struct NoteSpec
{
    std::uint8_t note = 0;
    std::uint16_t divisor = kNoDivisor;
    std::uint8_t noiseType = NOISE_PERIODIC;
    std::uint8_t atten = ATTEN_EMPTY;
    std::uint8_t instrument = 0;
};

class CNoteEditor
{
public:
    // newPatternRows: the length of a pattern made for a note where none plays (the step size).
    CNoteEditor(const CSoundDoc& doc, std::int32_t newPatternRows);

    // The note (or noise hit) no longer sounds; what played before it does not come back.
    void Remove(int channel, const NoteBar& bar, const ChannelBars& before);
    // A note from pos lasting length rows, cutting what it covers. It ends where its pattern
    // stops playing; where no pattern plays a new one is made and placed. The rows it got
    // (0 when it cannot be written: before the song's start).
    std::int32_t Add(int channel, std::int32_t pos, std::int32_t length, const NoteSpec& newNote,
                     const ChannelBars& before);
    // The same for a note that is never cut short: where no pattern plays over its rows, new
    // ones are made and placed, one after another.
    void AddHeld(int channel, std::int32_t pos, std::int32_t length, const NoteSpec& newNote,
                 const ChannelBars& before);
    // The tone note written into the cell at pos, nothing else of what plays changed; where no
    // pattern plays a new one is made and placed, as for Add. An attenuation of ATTEN_EMPTY
    // keeps the cell's. False off the song or on the noise channel.
    bool PutNote(int channel, std::int32_t pos, const NoteSpec& newNote);
    // The cell starting the bar, changed: transposed or one attenuation step louder or
    // quieter. The note after it keeps the attenuation it had.
    void Transpose(int channel, const NoteBar& bar, int nSemitones);
    void NudgeAttenuation(int channel, const NoteBar& bar, int nDelta, const ChannelBars& before);

    NoteEdit Finish() const;

private:
    struct Spot
    {
        PatternId id = 0;
        std::int32_t placedAt = 0;
        std::int32_t playEnd = 0; // where the placement stops playing
    };
    // The placement playing at pos, if any.
    bool PatternAt(int channel, std::int32_t pos, Spot& spot) const;
    Spot MakePattern(int channel, std::int32_t pos);
    // The note from pos up to end, over the placements playing there.
    void WriteNote(int channel, std::int32_t pos, std::int32_t end, const NoteSpec& newNote,
                   const ChannelBars& before);
    std::int32_t RowsOf(PatternId id) const;
    SoundCell Cell(PatternId id, std::int32_t row);
    void SetCell(PatternId id, std::int32_t row, const SoundCell& cell);
    // The cell at a song position, inside the placement playing there; false outside one.
    bool CellAt(int channel, std::int32_t pos, PatternId& id, std::int32_t& row) const;
    CSoundDoc::Placements& Placements(int channel);
    const CSoundDoc::Placements& Placements(int channel) const;

    const CSoundDoc& m_doc;
    std::int32_t m_nNewRows;
    mutable std::array<bool, kChannelCount> m_bPlacementsRead{};
    mutable std::array<CSoundDoc::Placements, kChannelCount> m_placements;
    std::map<PatternId, std::vector<SoundCell>> m_original;
    std::map<PatternId, std::vector<SoundCell>> m_cells;
    std::vector<NewPatternPlan> m_new;
    bool m_bClipped = false;
};
