// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a version 3 game's directory and one volume file: the first two bytes give the
// directory's length, the directory follows, the rest is the volume every entry points into.
// Beyond not crashing: what reads back is as its header says, a sound made again from it reads
// back as itself, setting a directory entry changes that entry alone, and the volume's bytes
// survive compression. The same bytes are then listed as a game folder: the listing and a
// read agree, and a folder whose directory cannot be read lists nothing.
#include "FuzzFolder.h"
#include "game/AgiLzw.h"
#include "game/AgiV3Directory.h"
#include "game/AgiV3Volume.h"
#include "game/GameFolder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace
{
// Keeps one input's work small: remaking a record compresses up to 64 KB.
constexpr int kMaxEntriesPerSection = 256;
constexpr int kMaxRemade = 4;

void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

void CheckResource(const GameBytes& vol, const AgiDirEntry& entry, int& remade)
{
    AgiV3Resource resource;
    if (!ReadV3Resource(vol, "VOL.0", entry, resource).empty())
        return;
    const AgiV3RecordHeader& header = resource.header;
    Check(resource.bytes.size() ==
          (header.IsCompressed() ? header.unpackedSize : header.storedSize));
    if (header.bPackedPicture || remade++ >= kMaxRemade)
        return;
    GameBytes record, again;
    Check(MakeV3SoundRecord(header.volume, resource.bytes, record).empty());
    Check(ReadV3Sound(record, "VOL.0", {false, header.volume, 0}, again).empty());
    Check(again == resource.bytes);
}

void CheckDirectory(const GameBytes& dir, const GameBytes& vol)
{
    AgiV3Sections sections;
    if (!ReadV3Sections(dir, "DIR", sections).empty())
        return;
    int remade = 0;
    for (int k = 0; k < kAgiSections; ++k)
    {
        const auto section = static_cast<EAgiSection>(k);
        const int count = std::min(V3EntryCount(sections, section), kMaxEntriesPerSection);
        for (int n = 0; n < count; ++n)
            if (const AgiDirEntry entry = ReadV3DirEntry(dir, sections, section, n); !entry.bEmpty)
                CheckResource(vol, entry, remade);
    }

    const int n = dir.back() % 8 + V3EntryCount(sections, EAgiSection::View) / 2;
    const AgiDirEntry written{false, dir.back() & 0x0F, static_cast<std::uint32_t>(dir.size())};
    GameBytes changed = dir;
    if (!SetV3DirEntry(changed, "DIR", EAgiSection::View, n, written).empty())
        return;
    AgiV3Sections after;
    Check(ReadV3Sections(changed, "DIR", after).empty());
    for (int k = 0; k < kAgiSections; ++k)
    {
        const auto section = static_cast<EAgiSection>(k);
        const int count = std::min(V3EntryCount(sections, section), kMaxEntriesPerSection);
        for (int m = 0; m < count; ++m)
            Check(ReadV3DirEntry(changed, after, section, m) ==
                  (section == EAgiSection::View && m == n
                       ? written
                       : ReadV3DirEntry(dir, sections, section, m)));
    }
}

void CheckListing(const GameBytes& dir, const GameBytes& vol)
{
    const std::string path = FolderPath();
    WriteFile(path + "/KQ4DIR", dir);
    WriteFile(path + "/KQ4VOL.0", vol);
    CGameFolder game;
    Check(game.Open(path).empty() && game.GetLayoutVersion() == 3);
    std::vector<GameSoundInfo> sounds;
    AgiV3Sections sections;
    const bool bReadable = ReadV3Sections(dir, "KQ4DIR", sections).empty();
    Check(game.ListSounds(sounds).empty() == bReadable);
    Check(sounds.size() <= kMaxResourceNumber + 1);
    for (const GameSoundInfo& sound : sounds)
    {
        GameBytes resource;
        if (!game.ReadSound(sound.number, resource).empty())
        {
            Check(!sound.damaged.empty() && sound.bytes == 0);
            continue;
        }
        Check(resource.size() == sound.bytes && sound.compressedBytes < vol.size());
    }
}

void CheckCompression(const GameBytes& vol)
{
    // Damaged or not, never more than the size asked for.
    GameBytes decoded;
    const std::size_t limit = vol.size() * 3;
    DecodeAgiLzw(vol, limit, decoded);
    Check(decoded.size() <= limit);
    GameBytes again;
    Check(DecodeAgiLzw(EncodeAgiLzw(vol), vol.size(), again).empty());
    Check(again == vol);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t dirBytes = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    const GameBytes dir(data + 2, data + 2 + dirBytes);
    const GameBytes vol(data + 2 + dirBytes, data + size);
    CheckDirectory(dir, vol);
    CheckCompression(vol);
    CheckListing(dir, vol);
    return 0;
}
