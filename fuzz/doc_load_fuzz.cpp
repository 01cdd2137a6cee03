// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as a sound document. Text the direct reader takes must read exactly
// as the element tree's reader reads it, with the same notes on what it changed, and it must take all the writer writes; a document that loads must save and load again to
// the same text (loading advances the next pattern numbers, which are set aside).
#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "sound/SoundDoc.h"
#include "sound/SoundFileReader.h"
#include "sound/SoundTreeReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
// False when the reader declined (or refused) the text.
template <class Reader> bool ReadWith(const std::string& text, CSoundDoc& doc, Reader read)
{
    CMemFile file(text.data(), text.size());
    CArchive ar(&file, CArchive::load);
    try
    {
        return read(ar, doc);
    }
    catch (const CArchiveException&)
    {
        return false;
    }
}

// Whether the direct reader took the text.
bool CheckReadersAgree(const std::string& text)
{
    CSoundDoc direct;
    if (!ReadWith(text, direct, CSoundFileReader::Read))
        return false;
    CSoundDoc tree;
    if (!ReadWith(text, tree,
                  [](CArchive& ar, CSoundDoc& doc)
                  {
                      CSoundTreeReader::Read(ar, doc);
                      return true;
                  }) ||
        tree.SaveToBytes() != direct.SaveToBytes() || tree.GetLoadNotes() != direct.GetLoadNotes())
        std::abort();
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    CheckReadersAgree(input);
    CSoundDoc doc;
    if (!doc.LoadFromBytes(input))
        return 0;
    // What the writer writes, the direct reader reads.
    const std::string text = doc.SaveToBytes();
    if (!CheckReadersAgree(text))
        std::abort();
    CSoundDoc again;
    if (!again.LoadFromBytes(text))
        std::abort();
    for (int c = 0; c < kChannelCount; ++c)
        again.SetNextPatternNumber(c, doc.GetNextPatternNumber(c));
    if (again.SaveToBytes() != text)
        std::abort();
    return 0;
}
