// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"

#include <string>

class CSoundDoc;
class QWidget;

// How long a render runs before its progress dialog appears.
constexpr int kWavProgressDelayMs = 500;

// The .wav name offered for the document: its file or title with ".wav" for ".tks".
std::string WavFileNameFor(const CSoundDoc& doc);

// Asks for a file name and writes one pass of the play range voiced by kind, behind a
// progress dialog with Cancel. Failures are shown; false when nothing was written.
bool ExportWav(const CSoundDoc& doc, SynthKind kind, QWidget* pParent,
               int nProgressDelayMs = kWavProgressDelayMs);
