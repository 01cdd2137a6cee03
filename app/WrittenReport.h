// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// The status bar's word after a write: what was written, where, and how big, so the person
// need not look for the file to know the export or the save went through.

// "171 bytes", "3.4 KB", "1.2 MB" (powers of 1024).
std::string SizeText(std::uintmax_t bytes);
// "Wrote song.wav (1.2 MB)"; the size is left out when the file cannot be measured.
std::string WroteFileText(const std::string& path);
// "Wrote sound 12 into MYGAME (171 bytes)", the game named by its folder.
std::string WroteGameSoundText(const std::string& folder, int nSound, std::uintmax_t bytes);
