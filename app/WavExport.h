// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/PlayVoice.h"

#include <optional>
#include <string>

class CSoundDoc;
struct PlayRange;
class QWidget;

// How long a render runs before its progress dialog appears.
constexpr int kWavProgressDelayMs = 500;

// The name an export offers for the document: its file or title with extension (".wav", say)
// for ".tks".
std::string ExportFileNameFor(const CSoundDoc& doc, const char* extension);
// The .wav name offered for the document.
std::string WavFileNameFor(const CSoundDoc& doc);

// Asks for a file name and writes one pass of the range as voice plays it, behind a progress
// dialog with Cancel; the voices of muteMask, muted where it was asked for, are offered to be
// left out. Failures are shown. The path written; nothing when nothing was.
std::optional<std::string> ExportWav(const CSoundDoc& doc, const PlayRange& range,
                                     PlayVoice voice, unsigned muteMask, QWidget* pParent,
                                     int nProgressDelayMs = kWavProgressDelayMs);
