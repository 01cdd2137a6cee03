// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Version 3 game folders made byte by byte, and a reader of their sounds written from the
// format's rules alone, to check what the game folder writes.

#include "GameTestFolders.h"
#include "PlainLzw.h"
#include "game/AgiLzw.h"

#include <array>

inline std::string Le16(std::size_t v)
{
    return Bytes({static_cast<int>(v & 0xFF), static_cast<int>(v >> 8)});
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
    Resource({Tone(0, 10, 427, 2) + Tone(0, 10, 427, 2) + Tone(0, 10, 427, 2) +
                  Tone(0, 10, 427, 2) + Tone(0, 10, 427, 2) + Tone(0, 10, 427, 2),
              "", "", Noise(25, 1, true, 3)});
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

struct PlainV3Sound
{
    std::string bytes;
    int volume = -1;
    std::uint32_t offset = 0;
    bool bCompressed = false;
    std::size_t recordBytes = 0;
    std::string error;
};

// Sound n of a version 3 game whose directory and volume files have the given names.
inline PlainV3Sound ReadV3SoundPlainly(const std::string& dir, const std::string& dirName,
                                       const std::string& volStem, int n)
{
    PlainV3Sound s;
    const std::string d = ReadFileBytes(dir + "/" + dirName);
    auto le16 = [](const std::string& b, std::size_t at)
    {
        return static_cast<std::size_t>(static_cast<std::uint8_t>(b[at]) |
                                        static_cast<std::uint8_t>(b[at + 1]) << 8);
    };
    const std::size_t at = le16(d, 6) + 3 * static_cast<std::size_t>(n);
    if (at + 3 > d.size())
        return s.error = "no entry", s;
    const auto e = [&](std::size_t i) { return static_cast<std::uint8_t>(d[at + i]); };
    if (e(0) == 0xFF && e(1) == 0xFF && e(2) == 0xFF)
        return s.error = "empty", s;
    s.volume = e(0) >> 4;
    s.offset = static_cast<std::uint32_t>((e(0) & 0x0F) << 16 | e(1) << 8 | e(2));
    const std::string vol = ReadFileBytes(dir + "/" + volStem + std::to_string(s.volume));
    if (s.offset + 7 > vol.size() || vol.compare(s.offset, 2, "\x12\x34") != 0 ||
        (static_cast<std::uint8_t>(vol[s.offset + 2]) & 0x8F) != s.volume)
        return s.error = "no header", s;
    const std::size_t unpacked = le16(vol, s.offset + 3), stored = le16(vol, s.offset + 5);
    s.recordBytes = 7 + stored;
    const std::string data = vol.substr(s.offset + 7, stored);
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
