// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's AGI sound resource and MIDI handlers.
#include "tools/ConvertFormats.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"

#include <mutex>

namespace
{
bool WriteOutput(const std::string& path, const void* pData, std::size_t nCount)
{
    try
    {
        WriteFileAtomically(path, pData, nCount);
        return true;
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
}
} // namespace

bool ImportAgiInput(CSoundDoc& doc, const std::string& path)
{
    try
    {
        return doc.ImportAGIFile(path);
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
}

bool WriteAgiOutput(CSoundDoc& doc, const std::string& path)
{
    AgiResourceBuild build;
    {
        std::lock_guard lock(doc.Guard());
        build = BuildAgiResource(doc);
    }
    if (!build.Ok())
    {
        AfxMessageBox(build.error);
        return false;
    }
    return WriteOutput(path, build.bytes.data(), build.bytes.size());
}

bool WriteMidiOutput(CSoundDoc& doc, const std::array<int, 3>& programs, const std::string& path)
{
    const std::string bytes = doc.BuildMIDIFile(programs);
    if (bytes.empty())
    {
        AfxMessageBox(CSoundDoc::kMidiTooLargeText, MB_ICONEXCLAMATION);
        return false;
    }
    return WriteOutput(path, bytes.data(), bytes.size());
}
