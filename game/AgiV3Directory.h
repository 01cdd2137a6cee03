// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiVolume.h"

#include <array>
#include <string>

// A version 3 game's combined directory: four 16-bit offsets (logic, picture, view, sound),
// then the sections in that order, each running to the next one (the last to the end of the
// file) and holding version 2 directory entries.

enum class EAgiSection
{
    Logic,
    Picture,
    View,
    Sound
};
constexpr int kAgiSections = 4;
constexpr std::size_t kV3DirHeaderBytes = 2 * kAgiSections;

struct AgiV3Sections
{
    std::array<std::size_t, kAgiSections> start{};
    std::array<std::size_t, kAgiSections> end{};
};

// The sections of dir, or the reason (naming dirName) why they cannot be read: shorter than
// its header, a section starting inside the header or before the one ahead of it, or past
// the end of the file.
std::string ReadV3Sections(const GameBytes& dir, const std::string& dirName,
                           AgiV3Sections& sections);

int V3EntryCount(const AgiV3Sections& sections, EAgiSection section);
// Entry n of a section; one beyond its end is empty.
AgiDirEntry ReadV3DirEntry(const GameBytes& dir, const AgiV3Sections& sections, EAgiSection section,
                           int n);

// Sets entry n of a section. When n is beyond the section's end, the section grows by empty
// entries (any bytes short of a whole entry at its end become part of them), the sections
// after it move and their offsets change; every other byte stays. Returns "" or why not:
// the directory cannot be read, or its offsets would pass 16 bits. dir is unchanged then.
std::string SetV3DirEntry(GameBytes& dir, const std::string& dirName, EAgiSection section, int n,
                          const AgiDirEntry& entry);
