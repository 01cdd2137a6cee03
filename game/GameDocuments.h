// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// The documents a game folder keeps beside its sounds: .tarvok/sound<N>.tks holds the document
// sound N was last written from, so that opening the sound again gives back its patterns.
namespace GameDocuments
{
inline constexpr const char* kFolder = ".tarvok";
// A game's document is far smaller; past this it is not one.
inline constexpr std::uint64_t kMaxBytes = std::uint64_t{64} << 20;

// ".tarvok/sound5.tks": sound n's document, relative to the game folder.
std::string NameOf(int n);
// Whether a name relative to the game folder is one of these documents.
bool IsDocumentName(const std::string& name);
// "" and sound n's document (empty when the game keeps none), or why it cannot be read. A
// .tarvok or a document that is a symbolic link is not followed.
std::string Read(const std::string& gameDir, int n, std::string& tks);
} // namespace GameDocuments
