// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundPattern.h"

#include <memory>
#include <string>
#include <vector>

class QMimeData;

// Rows of a pattern as the editor draws them and as they travel on the clipboard: every field,
// the exact divisor and the instrument in the program's own format, and a plain-text form,
// one line per row as drawn, with the divisor after the instrument where a cell keeps one.
namespace PatternRows
{
constexpr const char* kMimeType = "application/x-tarvok-pattern-rows";

// "     3  C#4  07  01": the row number, the note (or noise) field, the attenuation and the
// instrument (".." for none).
std::string RowText(int nRow, const SoundCell& cell, bool bNoise);
std::unique_ptr<QMimeData> ToMimeData(const std::vector<SoundCell>& cells, int nFirstRow,
                                      bool bNoise);
// Empty when the data holds no rows. Instruments are those the cells named where they were
// copied; the one pasting them keeps only those its sound holds.
std::vector<SoundCell> FromMimeData(const QMimeData* pData, bool bNoise);
} // namespace PatternRows
