// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a pattern block, as a paste or a drop would. A block that loads
// must copy and read back to the same pattern.
#include "framework/Archive.h"
#include "sound/SoundDoc.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read =
        CSoundDoc::PatternFromGlobal(std::string(reinterpret_cast<const char*>(data), size));
    if (!read.Ok())
        return 0;
    const std::unique_ptr<CSoundPattern> pPattern = std::move(read).Value();
    const std::string block = CSoundDoc::CopyPatternToGlobal(pPattern.get());
    const auto pAgain = CSoundDoc::PatternFromGlobal(block).Value();
    if (pAgain->GetRows() != pPattern->GetRows() || pAgain->GetName() != pPattern->GetName())
        std::abort();
    for (std::int32_t row = 0; row < pPattern->GetRows(); ++row)
        if (!(pAgain->GetCell(row) == pPattern->GetCell(row)))
            std::abort();
    return 0;
}
