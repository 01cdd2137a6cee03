// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundTreeReader.h"

#include "framework/Archive.h"
#include "sound/CellText.h"
#include "sound/InstrumentText.h"
#include "sound/SoundDoc.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <map>
#include <string>

namespace
{
[[noreturn]] void RefuseTree(const std::string& message)
{
    throw CArchiveException(CArchiveException::badLength, message);
}

// Reads a setting that the editor's own dialogs keep within [nMin, nMax]; anything else
// (0 would divide by zero in the views, the exporters and playback) leaves the default.
void ReadSetting(const CXMLElement& element, const char* pszName, int nMin, int nMax,
                 std::int32_t& nSetting)
{
    int nValue = 0;
    if (element.GetAttribute(pszName, nValue) && nValue >= nMin && nValue <= nMax)
        nSetting = nValue;
}

void ReadPatternRows(const CXMLElement& element, CSoundPattern& pattern)
{
    std::string text;
    POSITION pos = element.GetFirstChildPosition();
    while (const CXMLElement* pRow = element.GetNextChild(pos, "row"))
    {
        int row = 0;
        if (!pRow->GetAttribute("index", row) || !pattern.IsRowInside(row))
            continue;
        SoundCell cell = pattern.GetCell(row);
        for (const CellField field : kCellFields)
            if (pRow->GetAttribute(CellFieldName(field), text))
                ReadCellField(cell, field, text);
        pattern.SetCell(row, cell);
    }
}

void ReadMachine(const CXMLElement& machine, int channel, std::int64_t& nTotalRows,
                 CSoundDoc& doc)
{
    // Each pattern created below advances the number past the stored one.
    int nNext = 0;
    if (machine.GetAttribute("nextpattern", nNext))
        doc.SetNextPatternNumber(channel, nNext);

    std::map<int, CSoundPattern*> byIndex;
    POSITION patternPos = machine.GetFirstChildPosition();
    while (const CXMLElement* pElement = machine.GetNextChild(patternPos, "pattern"))
    {
        int rows = 0;
        std::string name;
        if (!pElement->GetAttribute("rows", rows) || !pElement->GetAttribute("name", name))
            continue;
        nTotalRows += rows;
        if (rows < 0 || rows > CSoundPattern::kMaxRows ||
            nTotalRows > CSoundTreeReader::kMaxDocumentRows)
            RefuseTree(CSoundTreeReader::kNotValidMessage);
        CSoundPattern* pPattern = doc.CreatePattern(channel, rows, name.c_str());
        ReadPatternRows(*pElement, *pPattern);
        int index = 0;
        if (pElement->GetAttribute("index", index))
            byIndex[index] = pPattern;
    }

    const CXMLElement* pSequence = machine.FindElement("sequence");
    if (pSequence == nullptr)
        return;
    POSITION rowPos = pSequence->GetFirstChildPosition();
    while (const CXMLElement* pRow = pSequence->GetNextChild(rowPos, "row"))
    {
        int songPos = 0;
        int index = 0;
        if (!pRow->GetAttribute("index", songPos) || !pRow->GetAttribute("pattern", index))
            continue;
        const auto it = byIndex.find(index);
        if (it != byIndex.end())
            doc.PlacePattern(channel, songPos, it->second);
    }
}

AttributeText TextOf(const CXMLElement& element, const char* pszName, std::string& home)
{
    if (!element.GetAttribute(pszName, home))
        return std::nullopt;
    return home;
}

void ReadInstrumentList(const CXMLElement& instruments, CSoundDoc& doc)
{
    CInstrumentLoad load;
    std::string index, name, values, loop, release;
    POSITION pos = instruments.GetFirstChildPosition();
    while (const CXMLElement* pInstrument = instruments.GetNextChild(pos, "instrument"))
    {
        load.Begin(TextOf(*pInstrument, "index", index), TextOf(*pInstrument, "name", name));
        POSITION childPos = pInstrument->GetFirstChildPosition();
        while (const CXMLElement* pChild = pInstrument->GetNextChild(childPos))
        {
            SequenceKind kind;
            if (SequenceKindOf(pChild->GetName(), kind))
                load.Sequence(kind, TextOf(*pChild, "values", values),
                              TextOf(*pChild, "loop", loop),
                              TextOf(*pChild, "release", release));
        }
        load.End();
    }
    load.Finish(doc);
}

void ReadSettings(const CXMLElement& settings, CSoundDoc& doc)
{
    PlayRange range = doc.GetPlayRange();
    SoundProperties props = doc.GetProperties();
    if (const CXMLElement* pSong = settings.FindElement("song"))
    {
        if (const CXMLElement* pRange = pSong->FindElement("playrange"))
        {
            pRange->GetAttribute("start", range.start);
            pRange->GetAttribute("end", range.end);
        }
        if (const CXMLElement* pTempo = pSong->FindElement("tempo"))
        {
            ReadSetting(*pTempo, "tpb", 1, 256, props.tracksPerBeat);
            ReadSetting(*pTempo, "bpm", 1, 256, props.beatsPerMinute);
        }
    }
    if (const CXMLElement* pEditor = settings.FindElement("editor"))
        ReadSetting(*pEditor, "stepsize", 1, 1024, props.stepSize);
    doc.AssignPlayRange(range);
    doc.AssignProperties(props);
}
} // namespace

void CSoundTreeReader::Read(CArchive& ar, CSoundDoc& doc)
{
    CXMLElement root;
    try
    {
        root.Serialize(ar);
    }
    catch (const CXMLException& e)
    {
        RefuseTree(e.Explanation());
    }
    const CXMLElement* pSound = root.FindElement("sound");
    if (pSound == nullptr)
        RefuseTree(kNotValidMessage);

    POSITION instrumentsPos = pSound->GetFirstChildPosition();
    if (const CXMLElement* pInstruments = pSound->GetNextChild(instrumentsPos, "instruments"))
        ReadInstrumentList(*pInstruments, doc);
    std::int64_t nTotalRows = 0;
    POSITION machinePos = pSound->GetFirstChildPosition();
    while (const CXMLElement* pMachine = pSound->GetNextChild(machinePos, "machine"))
    {
        int channel = -1;
        if (pMachine->GetAttribute("channel", channel) && IsChannel(channel))
            ReadMachine(*pMachine, channel, nTotalRows, doc);
    }
    if (const CXMLElement* pSettings = pSound->FindElement("settings"))
        ReadSettings(*pSettings, doc);
}
