// SPDX-License-Identifier: GPL-3.0-or-later
// The document's file: written straight from the cells, read straight into them when it is
// in the writer's own layout and through an element tree otherwise. Both read the file as it
// streams in.
#include "sound/SoundDoc.h"

#include "framework/Archive.h"
#include "framework/MemFile.h"
#include "sound/SoundFileReader.h"
#include "sound/SoundFileWriter.h"
#include "sound/SoundTreeReader.h"

#include <map>
#include <string>
#include <utility>

namespace
{
// A stream that cannot go back is read whole first, so that the tree's reader can still have
// the text when the direct reader declines it.
std::string ReadAllText(CArchive& ar)
{
    std::string text;
    char block[64 * 1024];
    while (const std::size_t nRead = ar.Read(block, sizeof block))
        text.append(block, nRead);
    return text;
}
} // namespace

void CSoundDoc::Serialize(CArchive& ar)
{
    {
        std::lock_guard lock(m_guard);
        if (ar.IsStoring())
            CSoundFileWriter(ar).Write(*this);
        else
            LoadXML(ar);
    }
    // The text is not on disk yet when storing: the save clears the modified flag only once
    // the file has been written, so a failed save still shows unsaved changes.
    if (ar.IsLoading())
        SetModifiedFlag(false);
    UpdateAllViews(nullptr);
}

void CSoundDoc::Store(CArchive& ar) const
{
    std::lock_guard lock(m_guard);
    CSoundFileWriter(ar).Write(*this);
}

void CSoundDoc::LoadXML(CArchive& ar)
{
    if (!ar.Rewind())
    {
        const std::string text = ReadAllText(ar);
        CMemFile file(text.data(), text.size());
        CArchive inMemory(&file, CArchive::load);
        LoadXML(inMemory);
        return;
    }
    if (!CSoundFileReader::Read(ar, *this))
    {
        DeleteContents();
        ar.Rewind();
        CSoundTreeReader::Read(ar, *this);
    }
    DropUnknownInstruments();
}

std::map<int, std::pair<std::int32_t, int>>
CSoundDoc::ClearUnknownInstruments(CSoundPattern& pattern) const
{
    std::map<int, std::pair<std::int32_t, int>> unknown;
    for (std::int32_t row = 0; row < pattern.GetRows(); ++row)
    {
        SoundCell cell = pattern.GetCell(row);
        if (cell.instrument == kNoInstrument || FindInstrument(cell.instrument) != nullptr)
            continue;
        ++unknown.try_emplace(cell.instrument, row, 0).first->second.second;
        cell.instrument = kNoInstrument;
        pattern.SetCell(row, cell);
    }
    return unknown;
}

void CSoundDoc::DropUnknownInstruments()
{
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const auto& pPattern : m_patterns[channel])
            for (const auto& [number, place] : ClearUnknownInstruments(*pPattern))
                AddLoadNote(std::string(g_channelNames[channel]) + " pattern " +
                            pPattern->GetName() + " row " + std::to_string(place.first) +
                            ": no instrument " + std::to_string(number) + ", dropped from " +
                            std::to_string(place.second) +
                            (place.second == 1 ? " cell" : " cells"));
}
