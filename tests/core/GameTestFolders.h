// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Game folders made byte by byte for the game folder tests.

#include "AgiTestBytes.h"
#include "game/AgiVolume.h"
#include "game/GameFolder.h"
#include "support/TestSupport.h"

#include <cctype>
#include <filesystem>
#include <map>
#include <string>

inline const std::string kSound0 = Resource({Tone(0, 10, 427, 2), "", "", Noise(25, 1, true, 3)});
inline const std::string kSound2 = Resource({Tone(0, 40, 254, 0), Tone(1, 7, 300, 1), "", ""});

inline std::string Entry(int volume, int offset)
{
    return Bytes({volume << 4 | offset >> 16, (offset >> 8) & 0xFF, offset & 0xFF});
}

inline std::string VolRecord(int volume, const std::string& data)
{
    return Bytes({0x12, 0x34, volume, static_cast<int>(data.size() & 0xFF),
                  static_cast<int>(data.size() >> 8)}) +
           data;
}

// LOGDIR with one logic in VOL.0; SNDDIR: sound 0 in VOL.0, slot 1 empty, sound 2 in VOL.1.
inline std::string MakeGame(bool bUpper)
{
    const std::string dir = MakeTempDir();
    auto name = [&](std::string n)
    {
        for (char& c : n)
            c = static_cast<char>(bUpper ? std::toupper(c) : std::tolower(c));
        return dir + "/" + n;
    };
    const std::string logic = VolRecord(0, "logic bytes");
    WriteFileBytes(name("LOGDIR"), Entry(0, 0));
    WriteFileBytes(name("VOL.0"), logic + VolRecord(0, kSound0));
    WriteFileBytes(name("VOL.1"), "pad" + VolRecord(1, kSound2));
    WriteFileBytes(name("SNDDIR"), Entry(0, static_cast<int>(logic.size())) +
                                       Bytes({0xFF, 0xFF, 0xFF}) + Entry(1, 3));
    return dir;
}

// Every file under the folder and its bytes.
inline std::map<std::string, std::string> Snapshot(const std::string& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[std::filesystem::relative(e.path(), dir).string()] =
                ReadFileBytes(e.path().string());
    return files;
}

inline GameBytes ToBytes(const std::string& s)
{
    return {s.begin(), s.end()};
}

// "number:bytes/ticks[ in compressed](damage) " for each sound the folder lists, after any
// error; the folder's description goes to pDescription.
inline std::string ListText(const std::string& dir, std::string* pDescription = nullptr)
{
    CGameFolder game;
    std::vector<GameSoundInfo> sounds;
    std::string out = game.Open(dir);
    out += game.ListSounds(sounds);
    if (pDescription != nullptr)
        *pDescription = game.Describe();
    for (const auto& s : sounds)
        out += std::to_string(s.number) + ":" + std::to_string(s.bytes) + "/" +
               std::to_string(s.ticks) +
               (s.compressedBytes != 0 ? " in " + std::to_string(s.compressedBytes) : "") +
               (s.damaged.empty() ? "" : "(" + s.damaged + ")") + " ";
    return out;
}

// The names of the files the last write backed up, blank-separated; each backup must hold
// the file as it was before.
inline std::string BackedUp(const CGameFolder& game, std::map<std::string, std::string>& before)
{
    std::string names;
    for (const auto& [name, data] : Snapshot(game.GetBackupPath()))
    {
        names += (names.empty() ? "" : " ") + name;
        EXPECT_EQ(data, before[name]) << name;
    }
    return names;
}
