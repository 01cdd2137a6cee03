// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"

#include <cstdint>
#include <string>

// "1,562": the sizes read as a person reads them.
std::string GroupedNumber(std::int64_t value);
// "voice 0: 312 records, 1,562 bytes" (the end mark counted).
std::string VoiceSizeText(int voice, const AgiVoiceSize& size);
// "12,345 of 65,535 bytes": the resource against the most one can hold.
std::string ResourceSizeText(const AgiExportSize& size);
// Past this share of what a resource holds, the size is shown as a warning.
constexpr std::int64_t kExportSizeWarningBytes =
    static_cast<std::int64_t>(kMaxAgiResourceBytes) * 9 / 10;
