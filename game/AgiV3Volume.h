// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "game/AgiVolume.h"

#include <span>
#include <string>

// A resource in a version 3 game's volume file: 12 34, the volume byte (bit 7: a packed
// picture), the unpacked size and the stored size (16 bits each), then the stored bytes.
// Equal sizes mean stored as is, otherwise (not a picture) LZW.

constexpr std::size_t kV3VolHeaderBytes = 7;

struct AgiV3RecordHeader
{
    int volume = 0;
    bool bPackedPicture = false;
    std::size_t unpackedSize = 0;
    std::size_t storedSize = 0;
    bool IsCompressed() const { return !bPackedPicture && unpackedSize != storedSize; }
};

struct AgiV3Resource
{
    AgiV3RecordHeader header;
    // Unpacked; a packed picture's bytes as stored, since nothing here decodes them.
    GameBytes bytes;
};

// The resource an entry points at in its volume file's bytes. Returns "" or the reason it is
// damaged: the entry or the header past the end, no signature, the stored bytes past the end,
// compressed data that does not decode to the unpacked size. Never reads outside vol.
std::string ReadV3Resource(std::span<const std::uint8_t> vol, const std::string& volName,
                           const AgiDirEntry& entry, AgiV3Resource& resource);
// As ReadV3Resource, refusing a packed picture: the unpacked bytes of a sound.
std::string ReadV3Sound(std::span<const std::uint8_t> vol, const std::string& volName,
                        const AgiDirEntry& entry, GameBytes& sound);

// The bytes a sound takes in volume file number volume: compressed when that is smaller,
// else stored as is. The record is read back and compared with the sound before it is
// given out; returns "" or why there is none.
std::string MakeV3SoundRecord(int volume, const GameBytes& sound, GameBytes& record);
