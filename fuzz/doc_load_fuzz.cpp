// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as a sound document. A document that loads must save and load again
// to the same text (loading advances the next pattern numbers, which are set aside).
#include "sound/SoundDoc.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CSoundDoc doc;
    if (!doc.LoadFromBytes(std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    const std::string text = doc.SaveToBytes();
    CSoundDoc again;
    if (!again.LoadFromBytes(text))
        std::abort();
    for (int c = 0; c < kChannelCount; ++c)
        again.SetNextPatternNumber(c, doc.GetNextPatternNumber(c));
    if (again.SaveToBytes() != text)
        std::abort();
    return 0;
}
