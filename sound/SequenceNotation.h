// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"
#include "sound/Instrument.h"

#include <string>
#include <string_view>

// A sequence as a person types it: values between blanks, "|" before the loop index, "/"
// before the release index ("0 1 2 | 3 4 / 5 6"). Empty text is no sequence.
std::string FormatSequence(const InstrumentSequence& sequence);
// Refused, with what is wrong, for text that is not a valid sequence of that kind.
Result<InstrumentSequence> ParseSequence(SequenceKind kind, std::string_view text);
