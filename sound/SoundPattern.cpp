// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/SoundPattern.h"

#include "framework/Archive.h"

#include <algorithm>
#include <cstring>
#include <memory>

const char* const g_noteNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                     "F#", "G-", "G#", "A-", "A#", "B-"};

std::string NoteText(int note)
{
    if (note < 0)
        return {};
    return std::string(g_noteNames[note % 12]) + std::to_string(note / 12);
}

CSoundPattern::CSoundPattern(std::int32_t nRows, const SoundCell& fill)
    : m_nRows(nRows), m_pCells(m_inlineCells)
{
    Reserve(nRows, fill);
}

void CSoundPattern::SetRows(std::int32_t n)
{
    Reserve(n, SoundCell::Empty());
    m_nRows = n;
}

void CSoundPattern::Reserve(std::int32_t n, const SoundCell& fill)
{
    const std::int32_t nCells = std::max<std::int32_t>(n, 0);
    if (nCells > m_nCapacity)
    {
        auto pCells = std::make_unique_for_overwrite<SoundCell[]>(static_cast<std::size_t>(nCells));
        std::copy(m_pCells, m_pCells + m_nCells, pCells.get());
        m_pLongCells = std::move(pCells);
        m_pCells = m_pLongCells.get();
        m_nCapacity = nCells;
    }
    if (nCells > m_nCells)
    {
        std::uninitialized_fill(m_pCells + m_nCells, m_pCells + nCells, fill);
        m_nHeldRows += (nCells - m_nCells) * Holds(fill);
    }
    for (std::int32_t row = nCells; row < m_nCells; ++row)
        m_nHeldRows -= Holds(m_pCells[row]);
    m_nCells = nCells;
}

void CSoundPattern::Store(CArchive& ar) const
{
    ar << m_nRows;
    ar.WriteCountedString(m_strName);
    for (const SoundCell& cell : Cells())
    {
        const std::uint8_t bytes[4] = {cell.note, cell.atten, cell.freq,
                                       static_cast<std::uint8_t>(cell.noiseType != 0 ? 1 : 0)};
        ar.Write(bytes, sizeof bytes);
    }
    if (HasDivisors())
    {
        ar.Write(kDivisorTag, sizeof kDivisorTag);
        for (const SoundCell& cell : Cells())
            ar << (cell.HasDivisor() ? cell.divisor : kNoDivisor);
    }
    if (HasInstruments())
    {
        ar.Write(kInstrumentTag, sizeof kInstrumentTag);
        for (const SoundCell& cell : Cells())
            ar << cell.instrument;
    }
}

bool CSoundPattern::HasInstruments() const
{
    const auto cells = Cells();
    return std::any_of(cells.begin(), cells.end(),
                       [](const SoundCell& cell) { return cell.instrument != 0; });
}

void CSoundPattern::ReadSections(CArchive& ar, std::vector<SoundCell>& cells)
{
    bool bDivisors = false;
    bool bInstruments = false;
    char tag[sizeof kDivisorTag] = {};
    while (ar.RemainingBytes() >= sizeof tag)
    {
        ar.ReadExact(tag, sizeof tag);
        if (!bDivisors && std::memcmp(tag, kDivisorTag, sizeof tag) == 0)
        {
            bDivisors = true;
            ReadDivisors(ar, cells);
        }
        else if (!bInstruments && std::memcmp(tag, kInstrumentTag, sizeof tag) == 0)
        {
            bInstruments = true;
            ReadInstruments(ar, cells);
        }
        else
            return; // anything else behind the cells is not ours; older versions ignored it too
    }
}

void CSoundPattern::ReadInstruments(CArchive& ar, std::vector<SoundCell>& cells)
{
    if (cells.size() > ar.RemainingBytes())
        throw CArchiveException(CArchiveException::endOfFile, "The pattern data ends early.");
    for (SoundCell& cell : cells)
    {
        std::uint8_t instrument = 0;
        ar >> instrument;
        if (instrument > kMaxInstruments)
            throw CArchiveException(CArchiveException::badLength,
                                    "The pattern's instrument is not valid.");
        cell.instrument = instrument;
    }
}

bool CSoundPattern::HasDivisors() const
{
    const auto cells = Cells();
    return std::any_of(cells.begin(), cells.end(),
                       [](const SoundCell& cell) { return cell.HasDivisor(); });
}

void CSoundPattern::ReadDivisors(CArchive& ar, std::vector<SoundCell>& cells)
{
    if (cells.size() * 2 > ar.RemainingBytes())
        throw CArchiveException(CArchiveException::endOfFile, "The pattern data ends early.");
    for (SoundCell& cell : cells)
    {
        std::uint16_t divisor = 0;
        ar >> divisor;
        if (divisor > kMaxExactDivisor && divisor != kNoDivisor)
            throw CArchiveException(CArchiveException::badLength,
                                    "The pattern's divisor is not valid.");
        cell.divisor = divisor;
    }
}

void CSoundPattern::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
    {
        Store(ar);
        return;
    }

    // The block may come from another program: check every size before trusting it, and
    // change nothing until the whole block has been read.
    std::int32_t nRows = 0;
    ar >> nRows;
    if (nRows < 0 || nRows > kMaxRows)
        throw CArchiveException(CArchiveException::badLength,
                                "The pattern's row count is not valid.");
    std::string name = ar.ReadCountedString();
    const std::size_t nBytes = static_cast<std::size_t>(nRows) * 4;
    if (nBytes > ar.RemainingBytes())
        throw CArchiveException(CArchiveException::endOfFile, "The pattern data ends early.");
    std::string raw(nBytes, '\0');
    ar.ReadExact(raw.data(), raw.size());

    std::vector<SoundCell> cells(static_cast<std::size_t>(nRows));
    for (std::size_t i = 0; i < cells.size(); ++i)
    {
        const auto* p = reinterpret_cast<const std::uint8_t*>(raw.data()) + 4 * i;
        cells[i] = {p[0], p[2], static_cast<std::uint8_t>(p[3] != 0 ? 1 : 0), p[1]};
    }
    ReadSections(ar, cells);
    m_nCells = 0;
    Reserve(nRows, {});
    std::copy(cells.begin(), cells.end(), m_pCells);
    m_nHeldRows = static_cast<std::int32_t>(std::count_if(cells.begin(), cells.end(), Holds));
    m_nRows = nRows;
    m_strName = std::move(name);
}
