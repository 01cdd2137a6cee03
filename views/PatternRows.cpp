// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/PatternRows.h"

#include "sound/AgiTone.h"

#include <QMimeData>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

namespace
{
constexpr std::size_t kNoteChar = 8;
constexpr std::size_t kAttenChar = 13;
constexpr std::size_t kInstrumentChar = 17;
constexpr std::size_t kRowChars = 19;
// After the fields, two blanks, then the divisor right-aligned in 4. Text from before the
// instrument column has it at the old end of the row, character 15.
constexpr std::size_t kOldRowChars = 15;
constexpr int kCellBytes = 4;
// After the cells, a block holding an exact divisor carries this tag and a little-endian
// 16-bit divisor per row; then one holding an instrument carries the other tag and a byte per
// row. A cell's fourth byte (its noise type) is 0 or 1, never a tag's last letter, so blocks
// from before these sections never read as carrying them.
constexpr char kDivisorTag[4] = {'T', 'k', 'D', 'v'};
constexpr char kInstrumentTag[4] = {'T', 'k', 'I', 'n'};
constexpr int kTagBytes = 4;

bool AnyDivisor(const std::vector<SoundCell>& cells)
{
    return std::any_of(cells.begin(), cells.end(),
                       [](const SoundCell& cell) { return cell.HasDivisor(); });
}

bool AnyInstrument(const std::vector<SoundCell>& cells)
{
    return std::any_of(cells.begin(), cells.end(),
                       [](const SoundCell& cell) { return cell.instrument != kNoInstrument; });
}

std::uint8_t CheckedInstrument(int number)
{
    return number > 0 && number <= kMaxInstruments ? static_cast<std::uint8_t>(number)
                                                   : std::uint8_t{kNoInstrument};
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
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

// Two digits, or ".." for none.
std::string TwoDigitField(int value, bool bNone)
{
    if (bNone)
        return "..";
    char sz[8];
    std::snprintf(sz, sizeof sz, "%02d", value % 100);
    return sz;
}

std::string InstrumentField(const SoundCell& cell)
{
    return TwoDigitField(cell.instrument, cell.instrument == kNoInstrument);
}

std::string AttenuationField(const SoundCell& cell)
{
    return TwoDigitField(cell.atten, cell.atten == ATTEN_EMPTY);
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

// Rows with the instrument column have its two characters after two blanks, then nothing or
// a blank; a row from before it has a divisor there (right-aligned in 4: a blank at 17, or a
// digit at 19), or nothing.
bool HasInstrumentColumn(const std::string& line)
{
    if (line.size() < kRowChars || line.compare(kOldRowChars, 2, "  ") != 0)
        return false;
    const char tens = line[kInstrumentChar], units = line[kInstrumentChar + 1];
    const bool bField = (tens == '.' && units == '.') || (IsDigit(tens) && IsDigit(units));
    return bField && (line.size() == kRowChars || line[kRowChars] == ' ');
}

SoundCell ParseLine(const std::string& line, bool bNoise)
{
    SoundCell cell = SoundCell::Empty();
    if (line.size() < kAttenChar + 2)
        return cell;
    ParseNoteField(line.substr(kNoteChar, 3), bNoise, cell);
    const std::string atten = line.substr(kAttenChar, 2);
    if (IsDigit(atten[0]) && IsDigit(atten[1]))
        cell.atten =
            static_cast<std::uint8_t>(std::min((atten[0] - '0') * 10 + atten[1] - '0', 15));
    std::size_t divisorColumn = kOldRowChars;
    if (HasInstrumentColumn(line))
    {
        if (IsDigit(line[kInstrumentChar]))
            cell.instrument = CheckedInstrument((line[kInstrumentChar] - '0') * 10 +
                                                line[kInstrumentChar + 1] - '0');
        divisorColumn = kRowChars;
    }
    // The divisor column is optional: text copied before it existed pastes as before.
    if (line.size() > divisorColumn)
    {
        const std::string rest = line.substr(divisorColumn);
        int divisor = 0;
        if (std::sscanf(rest.c_str(), "%d", &divisor) == 1)
            cell.divisor = CheckedDivisor(divisor, cell, bNoise);
    }
    return cell;
}

// The rows a block of size bytes holds with those sections, or -1 when it does not hold them.
qsizetype RowsWithSections(const QByteArray& bytes, bool bDivisors, bool bInstruments)
{
    const qsizetype fixed = (bDivisors ? kTagBytes : 0) + (bInstruments ? kTagBytes : 0);
    const qsizetype perRow = kCellBytes + (bDivisors ? 2 : 0) + (bInstruments ? 1 : 0);
    const qsizetype size = bytes.size() - fixed;
    if (size < 0 || size % perRow != 0)
        return -1;
    const qsizetype nRows = size / perRow;
    const char* p = bytes.constData() + nRows * kCellBytes;
    if (bDivisors && std::memcmp(p, kDivisorTag, kTagBytes) != 0)
        return -1;
    if (bDivisors)
        p += kTagBytes + 2 * nRows;
    if (bInstruments && std::memcmp(p, kInstrumentTag, kTagBytes) != 0)
        return -1;
    return nRows;
}

std::vector<SoundCell> CellsFromBytes(const QByteArray& bytes, bool bNoise)
{
    bool bDivisors = false, bInstruments = false;
    qsizetype nRows = -1;
    constexpr std::pair<bool, bool> kLayouts[] = {{true, true}, {true, false}, {false, true}};
    for (const auto& [bD, bI] : kLayouts)
        if (nRows < 0 && (nRows = RowsWithSections(bytes, bD, bI)) >= 0)
            std::tie(bDivisors, bInstruments) = std::pair{bD, bI};
    if (nRows < 0)
        nRows = bytes.size() / kCellBytes;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    std::vector<SoundCell> cells;
    for (qsizetype i = 0; i < nRows; ++i, p += kCellBytes)
        cells.push_back({p[0], p[2], static_cast<std::uint8_t>(p[3] != 0 ? 1 : 0), p[1]});
    if (bDivisors)
    {
        p += kTagBytes;
        for (SoundCell& cell : cells)
        {
            cell.divisor = CheckedDivisor(p[0] | p[1] << 8, cell, bNoise);
            p += 2;
        }
    }
    if (bInstruments)
    {
        p += kTagBytes;
        for (SoundCell& cell : cells)
            cell.instrument = CheckedInstrument(*p++);
    }
    return cells;
}
} // namespace

namespace PatternRows
{
std::string RowText(int nRow, const SoundCell& cell, bool bNoise)
{
    char sz[48];
    std::snprintf(sz, sizeof sz, "%6d  %s  %s  %s", nRow, NoteField(cell, bNoise).c_str(),
                  AttenuationField(cell).c_str(), InstrumentField(cell).c_str());
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
        bytes.append(kDivisorTag, kTagBytes);
        for (const SoundCell& cell : cells)
        {
            bytes.append(static_cast<char>(cell.divisor & 0xFF));
            bytes.append(static_cast<char>(cell.divisor >> 8));
        }
    }
    if (AnyInstrument(cells))
    {
        bytes.append(kInstrumentTag, kTagBytes);
        for (const SoundCell& cell : cells)
            bytes.append(static_cast<char>(cell.instrument));
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
        if (!bNumbered || line.size() < static_cast<qsizetype>(kAttenChar) + 2)
            return {};
        cells.push_back(ParseLine(line.toStdString(), bNoise));
    }
    return cells;
}
} // namespace PatternRows
