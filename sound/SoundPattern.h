// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Object.h"
#include "sound/AgiTone.h"
#include "sound/Instrument.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CArchive;

// Cell byte values.
enum : std::uint8_t
{
    NOTE_OFF = 118,    // rest: silence from this row
    NOTE_EMPTY = 255,  // no new note in this row
    FREQ_OFF = 240,    // noise off
    FREQ_EMPTY = 255,  // no new noise setting
    ATTEN_EMPTY = 255, // keep the previous attenuation
    NOISE_PERIODIC = 0,
    NOISE_WHITE = 1,
};
constexpr int kMaxNote = 117;
// A tone cell's divisor when the note alone says how it sounds.
constexpr std::uint16_t kNoDivisor = 0xFFFF;
constexpr int kMaxExactDivisor = kAgiMaxToneDivisor;

// One row of one channel: note, noise frequency, noise type, attenuation, the exact
// divisor of a note taken from a game's sound that lies between two semitones, and the
// instrument that shapes the note (0 for none).
struct SoundCell
{
    std::uint8_t note = 0;
    std::uint8_t freq = 0;
    std::uint8_t noiseType = 0;
    std::uint8_t atten = 0;
    std::uint16_t divisor = kNoDivisor;
    std::uint8_t instrument = 0;

    static constexpr SoundCell Empty()
    {
        return {NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, ATTEN_EMPTY};
    }
    bool HasDivisor() const { return divisor <= kMaxExactDivisor; }
    // A note that sounds at its exact divisor rather than at its own.
    bool HasExactNote() const { return HasDivisor() && note <= kMaxNote; }
    // A note entered by hand is exact by definition, so it drops the old divisor; an
    // attenuation alone is set on the member and keeps it.
    void SetNote(std::uint8_t newNote)
    {
        note = newNote;
        divisor = kNoDivisor;
    }
    bool operator==(const SoundCell&) const = default;
};

// "C-", "C#", ... "B-".
extern const char* const g_noteNames[12];
// "C-5" for 60; the caller handles 118 ("off") and 255.
std::string NoteText(int note);

// A named column of rows of one channel.
class CSoundPattern : public CObject
{
public:
    // Rows start as all-zero cells, or as the given cell (CSoundDoc::CreatePattern gives
    // empty ones).
    explicit CSoundPattern(std::int32_t nRows = 16, const SoundCell& fill = {});
    // Its cells may live inside it.
    CSoundPattern(const CSoundPattern&) = delete;
    CSoundPattern& operator=(const CSoundPattern&) = delete;

    std::int32_t GetRows() const { return m_nRows; }
    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& name) { m_strName = name; }
    // Identity within its document, stable for the document's lifetime; 0 until it joins one.
    std::uint32_t GetId() const { return m_nId; }
    void SetId(std::uint32_t nId) { m_nId = nId; }

    bool IsRowInside(std::int32_t row) const { return row >= 0 && row < m_nRows; }
    // A cell for each row and no more.
    bool HoldsItsRows() const { return m_nCells == m_nRows; }
    // A row outside the pattern reads as an all-zero cell.
    SoundCell GetCell(std::int32_t row) const
    {
        return IsRowInside(row) ? m_pCells[row] : SoundCell{};
    }
    // Writes outside the pattern are ignored.
    void SetCell(std::int32_t row, const SoundCell& cell)
    {
        if (!IsRowInside(row))
            return;
        m_nHeldRows += Holds(cell) - Holds(m_pCells[row]);
        m_pCells[row] = cell;
    }
    // The rows whose cells hold more than a noise type, counted as they change: what a
    // writer reserves room for without reading every cell.
    std::int32_t CountHeldRows() const { return m_nHeldRows; }
    // A cell for each row, in row order.
    std::span<const SoundCell> Cells() const
    {
        return {m_pCells, static_cast<std::size_t>(m_nCells)};
    }
    // Grows with empty cells, shrinks by dropping the last rows.
    void SetRows(std::int32_t n);

    // Binary form: rows, counted name, then per row note, attenuation, frequency, noise type.
    // When a cell has an exact divisor, a section follows: kDivisorTag, then per row the
    // divisor (16-bit, kNoDivisor for none); when a cell has an instrument, then another:
    // kInstrumentTag, then per row its instrument (8-bit). Older readers stop before them; a
    // block without them reads as having none. Loading validates sizes and throws
    // CArchiveException for a block that is not a pattern.
    void Serialize(CArchive& ar);
    void Store(CArchive& ar) const;

    // Largest row count a loaded pattern may have.
    static constexpr std::int32_t kMaxRows = 65536;
    static constexpr char kDivisorTag[4] = {'T', 'k', 'D', 'v'};
    static constexpr char kInstrumentTag[4] = {'T', 'k', 'I', 'n'};

private:
    // Makes room for n cells (none for a negative n), keeping those there up to n and
    // filling the rest.
    void Reserve(std::int32_t n, const SoundCell& fill);
    static int Holds(const SoundCell& cell)
    {
        return cell.note != NOTE_EMPTY || cell.freq != FREQ_EMPTY || cell.atten != ATTEN_EMPTY ||
                       cell.divisor != kNoDivisor || cell.instrument != 0
                   ? 1
                   : 0;
    }
    bool HasDivisors() const;
    bool HasInstruments() const;
    // Reads the optional sections into cells; leaves them as they are without them.
    static void ReadSections(CArchive& ar, std::vector<SoundCell>& cells);
    static void ReadDivisors(CArchive& ar, std::vector<SoundCell>& cells);
    static void ReadInstruments(CArchive& ar, std::vector<SoundCell>& cells);

    // A song imported or written is mostly patterns of a few dozen rows, thousands of them:
    // theirs live in the pattern itself, so that each costs one allocation and one free.
    static constexpr std::int32_t kInlineRows = 64;

    std::int32_t m_nRows;
    std::int32_t m_nCells = 0; // one per row; none for a negative row count
    std::int32_t m_nCapacity = kInlineRows;
    std::int32_t m_nHeldRows = 0;
    SoundCell* m_pCells;
    std::unique_ptr<SoundCell[]> m_pLongCells; // those of a pattern beyond kInlineRows
    std::string m_strName;
    std::uint32_t m_nId = 0;
    union // left unmade: the cells are filled when the rows are known
    {
        SoundCell m_inlineCells[kInlineRows];
    };
};
