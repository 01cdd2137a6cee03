// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundDoc.h"

#include "framework/Archive.h"
#include "framework/MemFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <limits>

const char* const g_channelNames[kChannelCount] = {"Voice0", "Voice1", "Voice2", "Noise"};

namespace
{
// "%03d", without the cost of a format for each of an import's patterns.
std::string FormatNumber(std::int32_t n)
{
    char buf[16];
    if (n < 0)
        return {buf, static_cast<std::size_t>(std::snprintf(buf, sizeof buf, "%03d", n))};
    const char* const pEnd = std::to_chars(buf, buf + sizeof buf, n).ptr;
    const auto nDigits = static_cast<std::size_t>(pEnd - buf);
    std::string text(nDigits < 3 ? 3 - nDigits : 0, '0');
    text.append(buf, nDigits);
    return text;
}

// Floor division for a positive divisor.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Largest key above 0 that is a multiple of s, or 0.
std::int64_t LastStepKey(const CSoundDoc::Sequence& seq, std::int32_t s)
{
    for (auto it = seq.rbegin(); it != seq.rend() && it->first > 0; ++it)
        if (it->first % s == 0)
            return it->first;
    return 0;
}
} // namespace

CSoundDoc::CSoundDoc()
{
    DeleteContents();
}

CSoundDoc::~CSoundDoc() = default;

void CSoundDoc::DeleteContents()
{
    std::lock_guard lock(m_guard);
    m_nRangeStart = 0;
    m_nStepSize = 16;
    m_nRangeEnd = m_nStepSize;
    m_nBeatsPerMinute = 125;
    m_nTracksPerBeat = 4;
    m_nNextPattern.fill(0);
    m_instruments.clear();
    m_loadNotes.clear();
    // The maps refer into the lists: empty them first.
    for (Sequence& seq : m_sequence)
        seq.clear();
    for (PatternList& list : m_patterns)
        list.clear();
    m_index.Clear();
}

bool CSoundDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument())
        return false;
    CSoundPattern* pPattern = nullptr;
    {
        std::lock_guard lock(m_guard);
        DeleteContents();
        pPattern = CreatePattern(0, 16);
        const SequencePos start{0, 0};
        SetPatternAt(&start, pPattern);
    }
    SetModifiedFlag(false);
    UpdateAllViews(nullptr);
    return true;
}

CSoundPattern* CSoundDoc::CreatePattern(int channel, std::int32_t rows, const char* pszName)
{
    if (!IsChannel(channel))
        return nullptr;
    std::lock_guard lock(m_guard);
    auto pPattern = std::make_unique<CSoundPattern>(rows, SoundCell::Empty());
    pPattern->SetName(pszName != nullptr ? std::string(pszName)
                                         : FormatNumber(m_nNextPattern[channel]));
    m_nNextPattern[channel] =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(m_nNextPattern[channel]) +
                                  1u); // a file may set it to the maximum
    CSoundPattern* pResult = AppendPattern(channel, std::move(pPattern));
    SetModifiedFlag();
    return pResult;
}

CSoundPattern* CSoundDoc::AppendPattern(int channel, std::unique_ptr<CSoundPattern> pPattern)
{
    CSoundPattern* pResult = pPattern.get();
    pResult->SetId(++m_nLastPatternId);
    m_patterns[channel].push_back(std::move(pPattern));
    m_index.Add(channel, pResult);
    return pResult;
}

void CSoundDoc::ReindexPatterns()
{
    m_index.Clear();
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const auto& pPattern : m_patterns[channel])
            m_index.Add(channel, pPattern.get());
}

CSoundPattern* CSoundDoc::AddPattern(int channel, std::unique_ptr<CSoundPattern> pPattern)
{
    if (!IsChannel(channel) || pPattern == nullptr)
        return nullptr;
    std::lock_guard lock(m_guard);
    ClearUnknownInstruments(*pPattern);
    CSoundPattern* pResult = AppendPattern(channel, std::move(pPattern));
    SetModifiedFlag();
    return pResult;
}

CSoundPattern* CSoundDoc::CopyPattern(int channel, const CSoundPattern* pSource)
{
    if (pSource == nullptr || !IsChannel(channel))
        return nullptr;
    std::lock_guard lock(m_guard);
    const std::string name =
        FormatNumber(m_nNextPattern[channel]) + " (" + pSource->GetName() + ")";
    CSoundPattern* pCopy = CreatePattern(channel, pSource->GetRows(), name.c_str());
    for (std::int32_t row = 0; row < pSource->GetRows(); ++row)
        pCopy->SetCell(row, pSource->GetCell(row));
    return pCopy;
}

void CSoundDoc::DeletePattern(CSoundPattern* pPattern)
{
    {
        std::lock_guard lock(m_guard);
        const int channel = FindPatternChannel(pPattern);
        if (channel < 0)
            return;
        m_sequence[channel].EraseIf([&](const auto& entry) { return entry.second == pPattern; });
        m_index.Remove(pPattern);
        std::erase_if(m_patterns[channel], [&](const auto& p) { return p.get() == pPattern; });
    }
    UpdateAllViews(nullptr);
    SetModifiedFlag();
}

int CSoundDoc::FindPatternChannel(const CSoundPattern* pPattern) const
{
    if (pPattern == nullptr)
        return -1;
    std::lock_guard lock(m_guard);
    return m_index.ChannelOf(pPattern);
}

bool CSoundDoc::HoldsPattern(int channel, const CSoundPattern* pPattern) const
{
    if (!IsChannel(channel) || pPattern == nullptr)
        return false;
    std::lock_guard lock(m_guard);
    return m_index.ChannelOf(pPattern) == channel;
}

std::int32_t CSoundDoc::StepToSongPos(std::int32_t step) const
{
    std::lock_guard lock(m_guard);
    const auto step16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(step & 0xFFFF));
    // Wraps like the 32-bit product would, without overflowing.
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::int64_t>(step16) * m_nStepSize));
}

CSoundPattern* CSoundDoc::GetPatternAt(const SequencePos& pos)
{
    // The document owns its patterns as changeable ones.
    return const_cast<CSoundPattern*>(std::as_const(*this).GetPatternAt(pos));
}

const CSoundPattern* CSoundDoc::GetPatternAt(const SequencePos& pos) const
{
    if (!IsChannel(pos.channel))
        return nullptr;
    std::lock_guard lock(m_guard);
    const Sequence& seq = m_sequence[pos.channel];
    const auto it = seq.find(StepToSongPos(pos.step));
    return it != seq.end() ? it->second : nullptr;
}

void CSoundDoc::SetPatternAt(const SequencePos* pPos, CSoundPattern* pPattern)
{
    if (pPos == nullptr || !IsChannel(pPos->channel))
        return;
    std::lock_guard lock(m_guard);
    // A placement must refer to a pattern of its own channel: deleting the pattern removes
    // only that channel's placements, so any other would be left dangling.
    if (pPattern != nullptr && !HoldsPattern(pPos->channel, pPattern))
        return;
    Sequence& seq = m_sequence[pPos->channel];
    const std::int32_t songPos = StepToSongPos(pPos->step);
    if (pPattern != nullptr)
        seq[songPos] = pPattern;
    else
        seq.erase(songPos);
    SetModifiedFlag();
}

// Moving the placements one by one over every step up to the last placement would take
// time in proportion to the song position of that placement, which a file can make huge.
// Both step operations therefore touch only the placements that exist on the moved grid.
bool CSoundDoc::DeleteSequenceStep(int channel, std::int32_t pos)
{
    if (!IsChannel(channel))
        return false;
    std::lock_guard lock(m_guard);
    Sequence& seq = m_sequence[channel];
    const std::int32_t s = m_nStepSize;
    if (seq.empty() || s <= 0)
        return false;
    const std::int64_t limit = LastStepKey(seq, s) + s;
    const std::int64_t p = pos;
    // The first step on p's grid at or beyond the limit: emptied; the steps from p up to it
    // take the pattern of the step after them.
    const std::int64_t last = p >= limit ? p : p + (limit - p + s - 1) / s * s;
    std::vector<Sequence::value_type> moved;
    seq.EraseIf(
        [&](const Sequence::value_type& entry)
        {
            if (entry.first < pos || entry.first > last || (entry.first - p) % s != 0)
                return false;
            if (entry.first != p)
                moved.emplace_back(static_cast<std::int32_t>(entry.first - s), entry.second);
            return true;
        });
    seq.Merge(moved);
    SetModifiedFlag();
    return true;
}

bool CSoundDoc::InsertSequenceStep(int channel, std::int32_t pos)
{
    if (!IsChannel(channel))
        return false;
    std::lock_guard lock(m_guard);
    Sequence& seq = m_sequence[channel];
    const std::int32_t s = m_nStepSize;
    if (seq.empty() || s <= 0)
        return false;
    const std::int64_t top = LastStepKey(seq, s) + s;
    // The last placement has no step after it to move to.
    if (top > std::numeric_limits<std::int32_t>::max())
        return false;
    // The steps are multiples of s from top down to the first one at or below pos, which is
    // emptied; every step above it takes the pattern of the step before it.
    const std::int64_t first = top <= pos ? top : FloorDiv(pos, s) * s;
    std::vector<Sequence::value_type> moved;
    const auto from = static_cast<std::int32_t>(
        std::max<std::int64_t>(first, std::numeric_limits<std::int32_t>::min()));
    seq.EraseIf(
        [&](const Sequence::value_type& entry)
        {
            if (entry.first < from || entry.first > top || entry.first % s != 0)
                return false;
            if (entry.first != top)
                moved.emplace_back(static_cast<std::int32_t>(entry.first + s), entry.second);
            return true;
        });
    seq.Merge(moved);
    SetModifiedFlag();
    return true;
}

std::string CSoundDoc::CopyPatternToGlobal(const CSoundPattern* pPattern)
{
    if (pPattern == nullptr)
        return {};
    CMemFile file(1024);
    CArchive ar(&file, CArchive::store, 4096);
    pPattern->Store(ar);
    ar.Close();
    return file.Detach();
}

Result<std::unique_ptr<CSoundPattern>> CSoundDoc::PatternFromGlobal(const std::string& block)
{
    CMemFile file(block.data(), block.size());
    CArchive ar(&file, CArchive::load, 4096);
    auto pPattern = std::make_unique<CSoundPattern>(16);
    try
    {
        pPattern->Serialize(ar);
    }
    catch (const CArchiveException& e)
    {
        return Failure{e.m_strMessage};
    }
    if (ar.RemainingBytes() != 0)
        return Failure{"The pattern data runs on past its end."};
    return pPattern;
}

std::string CSoundDoc::GetExportFileStem() const
{
    const std::string stem = std::filesystem::path(GetTitle()).stem().string();
    return stem.empty() ? "sound" : stem;
}

std::int32_t CSoundDoc::GetWholeSongEnd() const
{
    std::lock_guard lock(m_guard);
    std::int64_t end = 0;
    for (const Sequence& seq : m_sequence)
        for (const auto& [pos, pPattern] : seq)
            if (pPattern != nullptr)
                end = std::max<std::int64_t>(end, std::int64_t{pos} + pPattern->GetRows());
    return static_cast<std::int32_t>(std::min<std::int64_t>(end, INT32_MAX));
}
