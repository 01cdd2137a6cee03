// SPDX-License-Identifier: GPL-3.0-or-later
// The document's XML file: the element tree of a sound and the pattern's part of it.
#include "sound/SoundDoc.h"

#include "framework/Archive.h"
#include "xml/XMLElement.h"
#include "xml/XMLException.h"

#include <charconv>
#include <cstdlib>
#include <map>

namespace
{
const char kNotValidMessage[] =
    "The resource you are trying to load\nis not a valid sound resource.";
// 64 MB of cells, days of music: far beyond any real sound.
constexpr std::int64_t kMaxDocumentRows = std::int64_t{1} << 24;

[[noreturn]] void AbandonLoad(const std::string& message)
{
    throw CArchiveException(CArchiveException::badLength, message);
}

std::uint8_t NoteFromText(const std::string& text)
{
    if (text == "off")
        return NOTE_OFF;
    const int octave = text.empty() ? 0 : std::atoi(text.substr(text.size() - 1).c_str());
    int index = 12;
    for (int i = 0; i < 12; ++i)
        if (text.compare(0, 2, g_noteNames[i]) == 0)
        {
            index = i;
            break;
        }
    return static_cast<std::uint8_t>(octave * 12 + index);
}

// A divisor attribute that is not a whole number from 0 to 1023 leaves the note as it is.
std::uint16_t DivisorFromText(const std::string& text)
{
    int value = -1;
    const char* pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, value);
    if (ec != std::errc() || ptr != pEnd || value < 0 || value > kMaxExactDivisor)
        return kNoDivisor;
    return static_cast<std::uint16_t>(value);
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
} // namespace

void CSoundPattern::WriteXML(CXMLElement& element) const
{
    element.AddAttribute("name", m_strName.c_str());
    element.AddAttribute("rows", m_nRows);
    for (std::int32_t row = 0; row < static_cast<std::int32_t>(m_cells.size()); ++row)
    {
        const SoundCell& cell = m_cells[static_cast<std::size_t>(row)];
        if (cell.note == NOTE_EMPTY && cell.freq == FREQ_EMPTY && cell.atten == ATTEN_EMPTY &&
            !cell.HasDivisor())
            continue;
        CXMLElement* pRow = element.AddChild("row");
        pRow->AddAttribute("index", row);
        if (cell.note <= kMaxNote)
            pRow->AddAttribute("note", NoteText(cell.note).c_str());
        else if (cell.note != NOTE_EMPTY)
            pRow->AddAttribute("note", "off"); // every note from 118 up is silence
        if (cell.HasDivisor())
            pRow->AddAttribute("divisor", cell.divisor);
        if (cell.note == NOTE_EMPTY && cell.freq == FREQ_OFF)
            pRow->AddAttribute("frequency", "off");
        else if (cell.note == NOTE_EMPTY && cell.freq != FREQ_EMPTY)
        {
            pRow->AddAttribute("frequency", cell.freq);
            pRow->AddAttribute("noisetype", cell.noiseType != 0 ? "white" : "periodic");
        }
        if (cell.atten != ATTEN_EMPTY)
            pRow->AddAttribute("attenuation", cell.atten);
    }
}

void CSoundPattern::ReadXML(const CXMLElement& element)
{
    std::string text;
    int nValue = 0;
    POSITION pos = element.GetFirstChildPosition();
    while (const CXMLElement* pRow = element.GetNextChild(pos, "row"))
    {
        int row = 0;
        if (!pRow->GetAttribute("index", row) || !IsRowInside(row))
            continue;
        SoundCell& cell = m_cells[static_cast<std::size_t>(row)];
        if (pRow->GetAttribute("note", text))
            cell.note = NoteFromText(text);
        if (pRow->GetAttribute("divisor", text))
            cell.divisor = DivisorFromText(text);
        if (pRow->GetAttribute("attenuation", nValue))
            cell.atten = static_cast<std::uint8_t>(nValue);
        if (pRow->GetAttribute("frequency", text))
        {
            if (text == "off")
                cell.freq = FREQ_OFF;
            else if (pRow->GetAttribute("frequency", nValue))
                cell.freq = static_cast<std::uint8_t>(nValue);
        }
        if (pRow->GetAttribute("noisetype", text))
            cell.noiseType = (text == "white" || text == "whitenoise") ? 1 : 0;
    }
}

void CSoundDoc::Serialize(CArchive& ar)
{
    {
        std::lock_guard lock(m_guard);
        if (ar.IsStoring())
            StoreXML(ar);
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
    StoreXML(ar);
}

void CSoundDoc::StoreXML(CArchive& ar) const
{
    CXMLElement sound("sound");
    sound.AddAttribute("type", "tracker");
    CXMLElement* pSettings = sound.AddChild("settings");
    CXMLElement* pSong = pSettings->AddChild("song");
    CXMLElement* pRange = pSong->AddChild("playrange");
    pRange->AddAttribute("start", m_nRangeStart);
    pRange->AddAttribute("end", m_nRangeEnd);
    CXMLElement* pTempo = pSong->AddChild("tempo");
    pTempo->AddAttribute("tpb", m_nTracksPerBeat);
    pTempo->AddAttribute("bpm", m_nBeatsPerMinute);
    pSettings->AddChild("editor")->AddAttribute("stepsize", m_nStepSize);

    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const PatternList& patterns = m_patterns[channel];
        if (patterns.empty())
            continue;
        CXMLElement* pMachine = sound.AddChild("machine");
        pMachine->AddAttribute("channel", channel);
        pMachine->AddAttribute("name", g_channelNames[channel]);
        pMachine->AddAttribute("nextpattern", m_nNextPattern[channel]);
        std::map<const CSoundPattern*, int> numbers;
        for (std::size_t i = 0; i < patterns.size(); ++i)
        {
            CXMLElement* pPattern = pMachine->AddChild("pattern");
            pPattern->AddAttribute("index", static_cast<int>(i));
            patterns[i]->WriteXML(*pPattern);
            numbers[patterns[i].get()] = static_cast<int>(i);
        }
        const Sequence& sequence = m_sequence[channel];
        if (sequence.empty())
            continue;
        CXMLElement* pSequence = pMachine->AddChild("sequence");
        for (const auto& [songPos, pPattern] : sequence)
        {
            const auto it = numbers.find(pPattern);
            if (it == numbers.end())
                continue;
            CXMLElement* pRow = pSequence->AddChild("row");
            pRow->AddAttribute("index", songPos);
            pRow->AddAttribute("pattern", it->second);
        }
    }
    sound.Serialize(ar);
}

void CSoundDoc::LoadXML(CArchive& ar)
{
    CXMLElement root;
    try
    {
        root.Serialize(ar);
    }
    catch (const CXMLException& e)
    {
        AbandonLoad("Could not load resource. XML loader reported;\n\n" + e.m_strMessage);
    }
    const CXMLElement* pSound = root.FindElement("sound");
    if (pSound == nullptr)
        AbandonLoad(kNotValidMessage);

    std::int64_t nTotalRows = 0;
    POSITION machinePos = pSound->GetFirstChildPosition();
    while (const CXMLElement* pMachine = pSound->GetNextChild(machinePos, "machine"))
    {
        int channel = -1;
        if (!pMachine->GetAttribute("channel", channel) || channel < 0 || channel >= kChannelCount)
            continue;
        // Each pattern created below advances the number past the stored one.
        int nNext = 0;
        if (pMachine->GetAttribute("nextpattern", nNext))
            m_nNextPattern[channel] = nNext;

        std::map<int, CSoundPattern*> byIndex;
        POSITION patternPos = pMachine->GetFirstChildPosition();
        while (const CXMLElement* pElement = pMachine->GetNextChild(patternPos, "pattern"))
        {
            int rows = 0;
            std::string name;
            if (!pElement->GetAttribute("rows", rows) || !pElement->GetAttribute("name", name))
                continue;
            // Row counts size allocations: a file of a few bytes per pattern must not claim
            // gigabytes, neither with one pattern nor with many.
            nTotalRows += rows;
            if (rows < 0 || rows > CSoundPattern::kMaxRows || nTotalRows > kMaxDocumentRows)
                AbandonLoad(kNotValidMessage);
            CSoundPattern* pPattern = CreatePattern(channel, rows, name.c_str());
            pPattern->ReadXML(*pElement);
            int index = 0;
            if (pElement->GetAttribute("index", index))
                byIndex[index] = pPattern;
        }

        const CXMLElement* pSequence = pMachine->FindElement("sequence");
        if (pSequence == nullptr)
            continue;
        POSITION rowPos = pSequence->GetFirstChildPosition();
        while (const CXMLElement* pRow = pSequence->GetNextChild(rowPos, "row"))
        {
            int songPos = 0;
            int index = 0;
            if (!pRow->GetAttribute("index", songPos) || !pRow->GetAttribute("pattern", index))
                continue;
            const auto it = byIndex.find(index);
            if (it != byIndex.end())
                m_sequence[channel][songPos] = it->second;
        }
    }

    if (const CXMLElement* pSettings = pSound->FindElement("settings"))
    {
        if (const CXMLElement* pSong = pSettings->FindElement("song"))
        {
            if (const CXMLElement* pRange = pSong->FindElement("playrange"))
            {
                int nValue = 0;
                if (pRange->GetAttribute("start", nValue))
                    m_nRangeStart = nValue;
                if (pRange->GetAttribute("end", nValue))
                    m_nRangeEnd = nValue;
            }
            if (const CXMLElement* pTempo = pSong->FindElement("tempo"))
            {
                ReadSetting(*pTempo, "tpb", 1, 256, m_nTracksPerBeat);
                ReadSetting(*pTempo, "bpm", 1, 256, m_nBeatsPerMinute);
            }
        }
        if (const CXMLElement* pEditor = pSettings->FindElement("editor"))
            ReadSetting(*pEditor, "stepsize", 1, 1024, m_nStepSize);
    }
}
