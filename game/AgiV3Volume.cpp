// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/AgiV3Volume.h"

#include "game/AgiLzw.h"
#include "sound/AgiResource.h"

#include <algorithm>

namespace
{
constexpr std::uint8_t kPackedPictureBit = 0x80;

GameBytes MakeHeader(int volume, std::size_t unpackedSize, std::size_t storedSize)
{
    return {kVolSignature0,
            kVolSignature1,
            static_cast<std::uint8_t>(volume & 0x0F),
            static_cast<std::uint8_t>(unpackedSize & 0xFF),
            static_cast<std::uint8_t>(unpackedSize >> 8),
            static_cast<std::uint8_t>(storedSize & 0xFF),
            static_cast<std::uint8_t>(storedSize >> 8)};
}
} // namespace

std::string ReadV3Resource(std::span<const std::uint8_t> vol, const std::string& volName,
                           const AgiDirEntry& entry, AgiV3Resource& resource)
{
    resource = {};
    const std::size_t start = entry.offset;
    if (start >= vol.size())
        return "its entry points past the end of " + volName;
    if (vol.size() - start < kV3VolHeaderBytes)
        return "its header runs past the end of " + volName;
    const std::uint8_t* p = &vol[start];
    if (p[0] != kVolSignature0 || p[1] != kVolSignature1)
        return "no resource signature at offset " + std::to_string(start) + " of " + volName;
    AgiV3RecordHeader& header = resource.header;
    header.volume = p[2] & 0x0F;
    header.bPackedPicture = (p[2] & kPackedPictureBit) != 0;
    header.unpackedSize = ReadLE16(p + 3);
    header.storedSize = ReadLE16(p + 5);
    if (vol.size() - start - kV3VolHeaderBytes < header.storedSize)
        return "its " + std::to_string(header.storedSize) + " stored bytes run past the end of " +
               volName;
    const std::span<const std::uint8_t> stored =
        vol.subspan(start + kV3VolHeaderBytes, header.storedSize);
    if (!header.IsCompressed())
    {
        resource.bytes.assign(stored.begin(), stored.end());
        return {};
    }
    return DecodeAgiLzw(stored, header.unpackedSize, resource.bytes);
}

std::string ReadV3Sound(std::span<const std::uint8_t> vol, const std::string& volName,
                        const AgiDirEntry& entry, GameBytes& sound)
{
    AgiV3Resource resource;
    if (std::string error = ReadV3Resource(vol, volName, entry, resource); !error.empty())
        return error;
    if (resource.header.bPackedPicture)
        return "it is stored as a packed picture";
    sound = std::move(resource.bytes);
    return {};
}

std::string MakeV3SoundRecord(int volume, const GameBytes& sound, GameBytes& record)
{
    record.clear();
    if (sound.size() > kMaxAgiResourceBytes)
        return std::to_string(sound.size()) +
               " bytes is more than a game resource can hold (65535)";
    const GameBytes packed = EncodeAgiLzw(sound);
    const bool bCompressed = packed.size() < sound.size();
    const GameBytes& stored = bCompressed ? packed : sound;
    GameBytes candidate = MakeHeader(volume, sound.size(), stored.size());
    candidate.insert(candidate.end(), stored.begin(), stored.end());

    GameBytes readBack;
    const std::string error =
        ReadV3Sound(candidate, "the new record", {false, volume, 0}, readBack);
    if (!error.empty() || readBack != sound)
        return "its compressed form does not read back as the sound" +
               (error.empty() ? std::string() : " (" + error + ")");
    record = std::move(candidate);
    return {};
}
