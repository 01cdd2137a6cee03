// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

class CSoundDoc;
struct PlayRange;

// The AGI export's size of the range, one line per voice ("voice 0: 312 records, 1,562
// bytes", the end mark counted) and the resource's total ("total: 6,256 bytes").
std::string ExportSizeText(const CSoundDoc& doc, const PlayRange& range);
