// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundPattern.h"

#include <memory>
#include <string>
#include <vector>

class QMimeData;

// Rows of a pattern as the editor draws them and as they travel on the clipboard: all four
// fields and the exact divisor in the program's own format, and a plain-text form, one line
// per row as drawn, with the divisor after the attenuation where a cell keeps one.
namespace PatternRows
{
constexpr const char* kMimeType = "application/x-tarvok-pattern-rows";

// "     3  C#4  07": the row number, the note (or noise) field and the attenuation.
std::string RowText(int nRow, const SoundCell& cell, bool bNoise);
std::unique_ptr<QMimeData> ToMimeData(const std::vector<SoundCell>& cells, int nFirstRow,
                                      bool bNoise);
// Empty when the data holds no rows.
std::vector<SoundCell> FromMimeData(const QMimeData* pData, bool bNoise);
} // namespace PatternRows
