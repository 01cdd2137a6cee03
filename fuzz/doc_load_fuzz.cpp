// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as a sound document. A document that loads must save and load again
// to the same text (loading advances the next pattern numbers, which are set aside).
#include "framework/UserInterface.h"
#include "sound/SoundDoc.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
class CSilentMessages : public IMessageSink
{
public:
    int ShowMessage(const std::string&, unsigned, const std::string&) override { return IDOK; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static CSilentMessages messages;
    SetMessageSink(&messages);

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
