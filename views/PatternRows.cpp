// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/PatternRows.h"

#include "sound/AgiTone.h"

#include <QMimeData>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
constexpr int kNoteChar = 8;
constexpr int kAttenChar = 13;
constexpr int kDivisorColumn = 15; // two blanks, then the divisor right-aligned in 4
constexpr int kCellBytes = 4;
// After the cells, a block holding an exact divisor carries this tag and a little-endian
// 16-bit divisor per row. A cell's fourth byte (its noise type) is 0 or 1, never 'v', so
// blocks from before the divisors never read as carrying them.
constexpr char kDivisorTag[4] = {'T', 'k', 'D', 'v'};

bool AnyDivisor(const std::vector<SoundCell>& cells)
{
    return std::any_of(cells.begin(), cells.end(),
                       [](const SoundCell& cell) { return cell.HasDivisor(); });
}

std::uint16_t CheckedDivisor(int divisor, const SoundCell& cell, bool bNoise)
{
    const bool bTone = !bNoise && cell.note <= kMaxNote;
    return bTone && divisor >= kAgiMinToneDivisor && divisor <= kMaxExactDivisor
               ? static_cast<std::uint16_t>(divisor)
               : kNoDivisor;
}

std::string NoteField(const SoundCell& cell, bool bNoise)
{
    char sz[8];
    if (bNoise)
    {
        if (cell.freq == FREQ_EMPTY)
            return ". .";
        if (cell.freq == FREQ_OFF)
            return "off";
        std::snprintf(sz, sizeof sz, "%01d %01d", cell.freq % 10, cell.noiseType % 10);
        return sz;
    }
    if (cell.note == NOTE_EMPTY)
        return "...";
    if (cell.note == NOTE_OFF)
        return "off";
    std::snprintf(sz, sizeof sz, "%s%01d", g_noteNames[cell.note % 12], (cell.note / 12) % 10);
    return sz;
}

std::string AttenuationField(const SoundCell& cell)
{
    if (cell.atten == ATTEN_EMPTY)
        return "..";
    char sz[8];
    std::snprintf(sz, sizeof sz, "%02d", cell.atten % 100);
    return sz;
}

void ParseNoteField(const std::string& field, bool bNoise, SoundCell& cell)
{
    if (field == "off")
    {
        (bNoise ? cell.freq : cell.note) = bNoise ? FREQ_OFF : NOTE_OFF;
        return;
    }
    if (bNoise)
    {
        if (field[0] >= '0' && field[0] <= '3' && (field[2] == '0' || field[2] == '1'))
        {
            cell.freq = static_cast<std::uint8_t>(field[0] - '0');
            cell.noiseType = field[2] == '1' ? NOISE_WHITE : NOISE_PERIODIC;
        }
        return;
    }
    for (int i = 0; i < 12; ++i)
        if (field.compare(0, 2, g_noteNames[i]) == 0 && field[2] >= '0' && field[2] <= '9')
        {
            const int note = (field[2] - '0') * 12 + i;
            if (note <= kMaxNote)
                cell.note = static_cast<std::uint8_t>(note);
        }
}

SoundCell ParseLine(const std::string& line, bool bNoise)
{
    SoundCell cell = SoundCell::Empty();
    if (line.size() < kAttenChar + 2)
        return cell;
    ParseNoteField(line.substr(kNoteChar, 3), bNoise, cell);
    const std::string atten = line.substr(kAttenChar, 2);
    if (atten[0] >= '0' && atten[0] <= '9' && atten[1] >= '0' && atten[1] <= '9')
        cell.atten =
            static_cast<std::uint8_t>(std::min((atten[0] - '0') * 10 + atten[1] - '0', 15));
    // The divisor column is optional: text copied before it existed pastes as before.
    if (line.size() > kDivisorColumn)
    {
        const std::string rest = line.substr(kDivisorColumn);
        int divisor = 0;
        if (std::sscanf(rest.c_str(), "%d", &divisor) == 1)
            cell.divisor = CheckedDivisor(divisor, cell, bNoise);
    }
    return cell;
}

std::vector<SoundCell> CellsFromBytes(const QByteArray& bytes, bool bNoise)
{
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype nRows = size / kCellBytes;
    const qsizetype nWithDivisors = (size - 4) / (kCellBytes + 2);
    const bool bDivisors = size >= 4 && (size - 4) % (kCellBytes + 2) == 0 &&
                           std::memcmp(p + nWithDivisors * kCellBytes, kDivisorTag, 4) == 0;
    if (bDivisors)
        nRows = nWithDivisors;
    std::vector<SoundCell> cells;
    for (qsizetype i = 0; i < nRows; ++i, p += kCellBytes)
        cells.push_back({p[0], p[2], static_cast<std::uint8_t>(p[3] != 0 ? 1 : 0), p[1]});
    if (bDivisors)
    {
        p += 4;
        for (SoundCell& cell : cells)
        {
            cell.divisor = CheckedDivisor(p[0] | p[1] << 8, cell, bNoise);
            p += 2;
        }
    }
    return cells;
}
} // namespace

namespace PatternRows
{
std::string RowText(int nRow, const SoundCell& cell, bool bNoise)
{
    char sz[48];
    std::snprintf(sz, sizeof sz, "%6d  %s  %s", nRow, NoteField(cell, bNoise).c_str(),
                  AttenuationField(cell).c_str());
    return sz;
}

std::unique_ptr<QMimeData> ToMimeData(const std::vector<SoundCell>& cells, int nFirstRow,
                                      bool bNoise)
{
    QByteArray bytes;
    QString text;
    for (std::size_t i = 0; i < cells.size(); ++i)
    {
        const SoundCell& cell = cells[i];
        for (const std::uint8_t byte : {cell.note, cell.atten, cell.freq, cell.noiseType})
            bytes.append(static_cast<char>(byte));
        text += QString::fromStdString(RowText(nFirstRow + static_cast<int>(i), cell, bNoise));
        if (cell.HasDivisor())
            text += QStringLiteral("  %1").arg(cell.divisor, 4);
        text += QLatin1Char('\n');
    }
    if (AnyDivisor(cells))
    {
        bytes.append(kDivisorTag, 4);
        for (const SoundCell& cell : cells)
        {
            bytes.append(static_cast<char>(cell.divisor & 0xFF));
            bytes.append(static_cast<char>(cell.divisor >> 8));
        }
    }
    auto pData = std::make_unique<QMimeData>();
    pData->setData(QString::fromLatin1(kMimeType), bytes);
    pData->setText(text);
    return pData;
}

std::vector<SoundCell> FromMimeData(const QMimeData* pData, bool bNoise)
{
    std::vector<SoundCell> cells;
    if (pData == nullptr)
        return cells;
    const QString mime = QString::fromLatin1(kMimeType);
    if (pData->hasFormat(mime))
        return CellsFromBytes(pData->data(mime), bNoise);
    if (!pData->hasText())
        return cells;
    // Only text that reads as rows throughout pastes: anything else is not ours.
    for (const QString& line : pData->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    {
        bool bNumbered = false;
        line.left(6).trimmed().toInt(&bNumbered);
        if (!bNumbered || line.size() < kAttenChar + 2)
            return {};
        cells.push_back(ParseLine(line.toStdString(), bNoise));
    }
    return cells;
}
} // namespace PatternRows
