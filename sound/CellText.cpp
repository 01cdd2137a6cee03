// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/CellText.h"

#include "xml/XMLElement.h"

#include <charconv>
#include <cstring>

namespace
{
std::uint8_t NoteOfText(std::string_view text)
{
    if (IsText(text, "off"))
        return NOTE_OFF;
    // The last character is the octave, the first two the name; a name not in the table
    // counts as the thirteenth.
    const char last = text.empty() ? '0' : text.back();
    const int octave = last >= '0' && last <= '9' ? last - '0' : 0;
    int index = 12;
    for (int i = 0; i < 12 && text.size() >= 2; ++i)
        if (text[0] == g_noteNames[i][0] && text[1] == g_noteNames[i][1])
        {
            index = i;
            break;
        }
    return static_cast<std::uint8_t>(octave * 12 + index);
}

// A divisor that is not a whole number from 0 to 1023 leaves the note as it is.
std::uint16_t DivisorOfText(std::string_view text)
{
    int value = -1;
    const char* pEnd = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), pEnd, value);
    if (ec != std::errc() || ptr != pEnd || value < 0 || value > kMaxExactDivisor)
        return kNoDivisor;
    return static_cast<std::uint16_t>(value);
}

// A number no instrument has stays one (255), so that the load drops it with a note rather
// than wrapping it onto an instrument the sound holds.
std::uint8_t InstrumentOfText(std::string_view text)
{
    const int value = CXMLElement::ToInt(text);
    return static_cast<std::uint8_t>(value >= 0 && value <= 255 ? value : 255);
}

char* Put(char* p, std::string_view text)
{
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

char* PutNumber(char* p, int value)
{
    return std::to_chars(p, p + 12, value).ptr;
}
} // namespace

const char* CellFieldName(CellField field)
{
    switch (field)
    {
    case CellField::Note:
        return "note";
    case CellField::Divisor:
        return "divisor";
    case CellField::Frequency:
        return "frequency";
    case CellField::NoiseType:
        return "noisetype";
    case CellField::Attenuation:
        return "attenuation";
    case CellField::Instrument:
        break;
    }
    return "instrument";
}

bool CellFieldOf(std::string_view name, CellField& field)
{
    // By length first: a row is read for every row of a file.
    auto is = [&](CellField candidate, std::string_view text)
    {
        field = candidate;
        return IsText(name, text);
    };
    switch (name.size())
    {
    case 4:
        return is(CellField::Note, "note");
    case 7:
        return is(CellField::Divisor, "divisor");
    case 9:
        return name[0] == 'f' ? is(CellField::Frequency, "frequency")
                              : is(CellField::NoiseType, "noisetype");
    case 10:
        return is(CellField::Instrument, "instrument");
    case 11:
        return is(CellField::Attenuation, "attenuation");
    default:
        return false;
    }
}

void ReadCellField(SoundCell& cell, CellField field, std::string_view value)
{
    switch (field)
    {
    case CellField::Note:
        cell.note = NoteOfText(value);
        break;
    case CellField::Divisor:
        cell.divisor = DivisorOfText(value);
        break;
    case CellField::Frequency:
        cell.freq = IsText(value, "off") ? std::uint8_t{FREQ_OFF}
                                   : static_cast<std::uint8_t>(CXMLElement::ToInt(value));
        break;
    case CellField::NoiseType:
        cell.noiseType =
            IsText(value, "white") || IsText(value, "whitenoise") ? NOISE_WHITE : NOISE_PERIODIC;
        break;
    case CellField::Attenuation:
        cell.atten = static_cast<std::uint8_t>(CXMLElement::ToInt(value));
        break;
    case CellField::Instrument:
        cell.instrument = InstrumentOfText(value);
        break;
    }
}

char* WriteCellAttributes(char* p, const SoundCell& cell)
{
    if (cell.note <= kMaxNote)
    {
        p = Put(p, " note=\"");
        const char* pszName = g_noteNames[cell.note % 12]; // two characters
        *p++ = pszName[0];
        *p++ = pszName[1];
        p = PutNumber(p, cell.note / 12);
        *p++ = '"';
    }
    else if (cell.note != NOTE_EMPTY)
        p = Put(p, " note=\"off\""); // every note from 118 up is silence
    if (cell.HasDivisor())
    {
        p = Put(p, " divisor=\"");
        p = PutNumber(p, cell.divisor);
        *p++ = '"';
    }
    if (cell.note == NOTE_EMPTY && cell.freq == FREQ_OFF)
        p = Put(p, " frequency=\"off\"");
    else if (cell.note == NOTE_EMPTY && cell.freq != FREQ_EMPTY)
    {
        p = Put(p, " frequency=\"");
        p = PutNumber(p, cell.freq);
        p = Put(p, cell.noiseType != 0 ? "\" noisetype=\"white\"" : "\" noisetype=\"periodic\"");
    }
    if (cell.atten != ATTEN_EMPTY)
    {
        p = Put(p, " attenuation=\"");
        p = PutNumber(p, cell.atten);
        *p++ = '"';
    }
    if (cell.instrument != kNoInstrument)
    {
        p = Put(p, " instrument=\"");
        p = PutNumber(p, cell.instrument);
        *p++ = '"';
    }
    return p;
}
