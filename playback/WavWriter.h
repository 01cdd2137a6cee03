// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SynthKind.h"

#include <functional>
#include <string>

class CSoundDoc;

// Writes one pass of the document's play range, voiced by kind, as a mono 16-bit .wav file.
// progress is told the fraction done as the render goes on; false from it cancels. Returns
// "" or the message of what went wrong; on cancel or failure no file is left at path (an
// existing one stays as it was).
std::string WriteWavFile(const CSoundDoc& doc, SynthKind kind, const std::string& path,
                         const std::function<bool(double fraction)>& progress);
