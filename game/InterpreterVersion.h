// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/InterpreterFade.h"

#include <cstdint>
#include <span>
#include <string>

// The version of the interpreter a game runs, as its AGIDATA.OVL names it, and the note fade
// that version plays.

struct InterpreterVersion
{
    // "2.917", "3.002.149"
    std::string text;
    // Not found in the game: what a game of its layout most likely runs.
    bool bAssumed = false;
    bool operator==(const InterpreterVersion&) const = default;
};

// The version named in agidata (the bytes of AGIDATA.OVL, empty when the game has none): the
// first "2" with four characters forming a known release, or "3" with ".ddd.ddd". Without
// one, 2.917 for a version 2 game and 3.002.149 for a version 3 game, assumed.
InterpreterVersion FindInterpreterVersion(std::span<const std::uint8_t> agidata, int layoutVersion);

// "3.002.086", or "2.917 (assumed)".
std::string DescribeInterpreterVersion(const InterpreterVersion& version);

// The note fade an interpreter plays: none up to 2.4xx, the 2.9xx table, the 3.x table.
FadeKind FadeOfInterpreter(const std::string& versionText);
