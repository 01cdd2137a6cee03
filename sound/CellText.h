// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundPattern.h"

#include <string>
#include <string_view>

// A cell as the attributes of a pattern's row element in the document's text. The file's
// writer, its direct reader and the element tree's reader all go through these, so a row
// reads the same whichever way the file was taken in.

// Compared in place: the readers compare short literals for every row of a file, where the
// operator would call strlen and memcmp.
inline bool IsText(std::string_view text, std::string_view literal)
{
    if (text.size() != literal.size())
        return false;
    for (std::size_t i = 0; i < literal.size(); ++i)
        if (text[i] != literal[i])
            return false;
    return true;
}

// The row attributes that carry the cell, in the order they are written.
enum class CellField
{
    Note,
    Divisor,
    Frequency,
    NoiseType,
    Attenuation,
    Instrument,
};
inline constexpr CellField kCellFields[] = {CellField::Note,        CellField::Divisor,
                                            CellField::Frequency,   CellField::NoiseType,
                                            CellField::Attenuation, CellField::Instrument};
const char* CellFieldName(CellField field);
// The field an attribute name carries; false for any other name.
bool CellFieldOf(std::string_view name, CellField& field);

// Sets the part of the cell that the attribute carries, from the attribute's value.
void ReadCellField(SoundCell& cell, CellField field, std::string_view value);

// A row is written unless its note, frequency and attenuation are all empty and it keeps
// no divisor and no instrument (the noise type alone says nothing). Inline and without
// branches: saving asks it of every row of every pattern, and most rows of a song are empty.
inline bool IsWrittenRow(const SoundCell& cell)
{
    return ((cell.note ^ NOTE_EMPTY) | (cell.freq ^ FREQ_EMPTY) | (cell.atten ^ ATTEN_EMPTY) |
            static_cast<int>(cell.HasDivisor()) | cell.instrument) != 0;
}
// Writes the attributes after "index" of a written row (` note="C-5" attenuation="4"`), at
// most kMaxCellAttributeBytes, and returns the end of what it wrote.
char* WriteCellAttributes(char* p, const SoundCell& cell);
inline constexpr std::size_t kMaxCellAttributeBytes = 96;
