// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <string>
#include <vector>

// Which of the two AGI game layouts a folder's file names hold: version 2 (SNDDIR beside
// VOL.0, VOL.1, ...) or version 3 (<ID>DIR beside <ID>VOL.0, ...). Names match whatever
// their case; the names found are kept as the folder spells them.
struct AgiFolderLayout
{
    // 2 or 3; 0 when the folder holds neither, and error says why.
    int version = 0;
    std::string error;
    // Both layouts are there; version 2 is the one read.
    bool bBothLayouts = false;
    // The version 3 game's id as its directory file spells it ("KQ4"), also when version 2
    // is the one read; "" when there is none.
    std::string id;
    // SNDDIR, or the version 3 directory file.
    std::string dirName;
    // The volume files by number (0 to 15).
    std::map<int, std::string> volNames;
    // The start of a new volume file's name: as the last one is spelled, "VOL." or
    // "<ID>VOL." otherwise, in the case of the directory file.
    std::string volPrefix;
    // The file that holds the interpreter's version, or "".
    std::string agidataName;
    // A volume file of the layout read numbered past 15, which no directory entry can reach;
    // "" when there is none.
    std::string volPastLast;
};

AgiFolderLayout FindAgiFolderLayout(std::vector<std::string> fileNames);

// A file name in lower case, for matching names whatever their case.
std::string Lower(std::string text);

// The number of a volume file named "<id>VOL.N" in any case (N from 0 to 15, no leading
// zero), or -1; id is "" for a version 2 game.
int AgiVolNumber(const std::string& fileName, const std::string& id);
