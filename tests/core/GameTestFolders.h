// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Game folders of both layouts made byte by byte, and a reader of their sounds written from the
// format's rules alone, to check what the game folder writes.

#include "AgiTestBytes.h"
#include "PlainLzw.h"
#include "game/AgiLzw.h"
#include "game/AgiVolume.h"
#include "game/GameFolder.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <string>

inline const std::string kSound0 = Resource({Tone(0, 10, 427, 2), "", "", Noise(25, 1, true, 3)});
inline const std::string kSound2 = Resource({Tone(0, 40, 254, 0), Tone(1, 7, 300, 1), "", ""});

inline std::string Lower(std::string s)
{
    std::ranges::transform(s, s.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

inline std::string Entry(int volume, int offset)
{
    return Bytes({volume << 4 | offset >> 16, (offset >> 8) & 0xFF, offset & 0xFF});
}

inline std::string VolRecord(int volume, const std::string& data)
{
    return Bytes({0x12, 0x34, volume}) + Le16(data.size()) + data;
}

// LOGDIR with one logic in VOL.0; SNDDIR: sound 0 in VOL.0, slot 1 empty, sound 2 in VOL.1.
inline std::string MakeGame(bool bUpper)
{
    const std::string dir = MakeTempDir();
    const auto name = [&](const std::string& n) { return dir + "/" + (bUpper ? n : Lower(n)); };
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

inline const std::string kBackupMarker = ".made-by-tarvok";

// A backup folder as the game folder makes them, marker and all.
inline void MakeBackupFolder(const std::string& path)
{
    std::filesystem::create_directories(path);
    WriteFileBytes(path + "/" + kBackupMarker, "");
}

// The names of the files the last write backed up, blank-separated; each backup must hold
// the file as it was before.
inline std::string BackedUp(const CGameFolder& game, std::map<std::string, std::string>& before)
{
    std::string names;
    for (const auto& [name, data] : Snapshot(game.GetBackupPath()))
    {
        if (name == kBackupMarker)
            continue;
        names += (names.empty() ? "" : " ") + name;
        EXPECT_EQ(data, before[name]) << name;
    }
    return names;
}

// The four offsets, then the logic, picture, view and sound sections.
inline std::string V3Dir(const std::array<std::string, 4>& sections)
{
    std::string head, body;
    for (const auto& s : sections)
    {
        head += Le16(8 + body.size());
        body += s;
    }
    return head + body;
}

inline std::string V3Record(int volByte, std::size_t unpacked, const std::string& stored)
{
    return Bytes({0x12, 0x34, volByte}) + Le16(unpacked) + Le16(stored.size()) + stored;
}

inline std::string Packed(const std::string& data)
{
    const GameBytes packed = EncodeAgiLzw(GameBytes(data.begin(), data.end()));
    return {packed.begin(), packed.end()};
}

// Compressed only when that makes it smaller: equal sizes mean stored as is.
inline std::string V3SoundRecord(int volume, const std::string& sound)
{
    const std::string packed = Packed(sound);
    return V3Record(volume, sound.size(), packed.size() < sound.size() ? packed : sound);
}

// A sound of repeated records, which compresses.
inline const std::string kRepeatedSound =
    Resource({Repeat(Tone(0, 10, 427, 2), 6), "", "", Noise(25, 1, true, 3)});
inline const std::string kV3Logic(300, 'L');

// KQ4DIR (or kq4dir): logic 0 compressed, picture 0 packed and view 0 stored in VOL.0; sound 0
// (repeated, compressed) in VOL.0, slot 1 empty, sound 2 (kSound2, stored) in VOL.1.
inline std::string MakeV3Game(bool bUpper)
{
    const std::string dir = MakeTempDir();
    const std::string id = bUpper ? "KQ4" : "kq4";
    const std::string vol = bUpper ? "VOL." : "vol.";
    std::string vol0;
    auto put = [&](const std::string& record)
    {
        const std::string entry = Entry(0, static_cast<int>(vol0.size()));
        vol0 += record;
        return entry;
    };
    const std::string logic = put(V3Record(0, kV3Logic.size(), Packed(kV3Logic)));
    const std::string picture = put(V3Record(0x80, 50, "picture"));
    const std::string view = put(V3Record(0, 4, "view"));
    const std::string sound0 = put(V3Record(0, kRepeatedSound.size(), Packed(kRepeatedSound)));
    WriteFileBytes(dir + "/" + id + vol + "0", vol0);
    WriteFileBytes(dir + "/" + id + vol + "1", "pad" + V3Record(1, kSound2.size(), kSound2));
    WriteFileBytes(dir + "/" + id + (bUpper ? "DIR" : "dir"),
                   V3Dir({logic, picture, view, sound0 + Bytes({0xFF, 0xFF, 0xFF}) + Entry(1, 3)}));
    return dir;
}

// What the tests need to know of each layout; names as made in upper case.
struct GameLayout
{
    int version;
    std::string dirName, volStem;
    std::size_t headerBytes;
    const std::string& sound0;
    std::string Make(bool bUpper) const
    {
        return version == 2 ? MakeGame(bUpper) : MakeV3Game(bUpper);
    }
};
inline const GameLayout kV2Layout{2, "SNDDIR", "VOL.", 5, kSound0};
inline const GameLayout kV3Layout{3, "KQ4DIR", "KQ4VOL.", 7, kRepeatedSound};

// Appends records to KQ4VOL.<volume> and their entries to the sound section, which ends KQ4DIR;
// "" is an empty entry.
inline void AddV3Sounds(const std::string& dir, int volume, const std::vector<std::string>& records)
{
    const std::string volName = dir + "/KQ4VOL." + std::to_string(volume);
    std::string vol = ReadFileBytes(volName), sounds = ReadFileBytes(dir + "/KQ4DIR");
    for (const std::string& record : records)
    {
        sounds += record.empty() ? Bytes({0xFF, 0xFF, 0xFF})
                                 : Entry(volume, static_cast<int>(vol.size()));
        vol += record;
    }
    WriteFileBytes(volName, vol);
    WriteFileBytes(dir + "/KQ4DIR", sounds);
}

// kRepeatedSound compressed and cut in half: its stream never ends.
inline std::string UnendingV3Record(int volume)
{
    const std::string packed = Packed(kRepeatedSound);
    return V3Record(volume, kRepeatedSound.size(), packed.substr(0, packed.size() / 2));
}

struct PlainSound
{
    std::string bytes;
    int volume = -1;
    std::uint32_t offset = 0;
    bool bCompressed = false;
    std::size_t recordBytes = 0;
    std::string error;
};

inline std::size_t PlainLe16(const std::string& b, std::size_t at)
{
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8;
}

// Where the sound entries start in a directory of the layout.
inline std::size_t SoundSectionStart(const GameLayout& layout, const std::string& dirBytes)
{
    return layout.version == 3 ? PlainLe16(dirBytes, 6) : 0;
}

// Sound n of a game whose directory and volume files have the given names.
inline PlainSound ReadSoundPlainly(const std::string& dir, const GameLayout& layout,
                                   const std::string& dirName, const std::string& volStem, int n)
{
    PlainSound s;
    const std::string d = ReadFileBytes(dir + "/" + dirName);
    const std::size_t at = SoundSectionStart(layout, d) + 3 * static_cast<std::size_t>(n);
    if (at + 3 > d.size())
        return s.error = "no entry", s;
    const auto e = [&](std::size_t i) { return static_cast<std::uint8_t>(d[at + i]); };
    if (e(0) == 0xFF && e(1) == 0xFF && e(2) == 0xFF)
        return s.error = "empty", s;
    s.volume = e(0) >> 4;
    s.offset = static_cast<std::uint32_t>((e(0) & 0x0F) << 16 | e(1) << 8 | e(2));
    const std::string vol = ReadFileBytes(dir + "/" + volStem + std::to_string(s.volume));
    const std::size_t header = layout.headerBytes;
    if (s.offset + header > vol.size() || vol.compare(s.offset, 2, "\x12\x34") != 0 ||
        (static_cast<std::uint8_t>(vol[s.offset + 2]) & 0x8F) != s.volume)
        return s.error = "no header", s;
    const std::size_t stored = PlainLe16(vol, s.offset + header - 2);
    const std::size_t unpacked = layout.version == 3 ? PlainLe16(vol, s.offset + 3) : stored;
    s.recordBytes = header + stored;
    const std::string data = vol.substr(s.offset + header, stored);
    s.bCompressed = unpacked != stored;
    if (!s.bCompressed)
        return s.bytes = data, s;
    const PlainDecode plain = DecodePlainly(GameBytes(data.begin(), data.end()));
    s.bytes = plain.out;
    s.error = plain.error;
    if (s.error.empty() && s.bytes.size() != unpacked)
        s.error = "decodes to another size";
    return s;
}
