// SPDX-License-Identifier: GPL-3.0-or-later
// Standard MIDI file of the three tone voices of the play range.
#include "sound/SoundDoc.h"

#include "framework/File.h"
#include "framework/UserInterface.h"
#include "sound/AgiTone.h"
#include "sound/ChannelWalk.h"
#include "sound/MidiInstrumentSource.h"

#include <atomic>
#include <filesystem>
#include <mutex>

namespace
{
constexpr int kMidiVoices = 3;
constexpr std::int32_t kTicksPerQuarter = 28;
// The largest delta time a variable-length quantity holds.
constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

class CKeepPreselection : public IMidiInstrumentSource
{
public:
    bool ChooseInstruments(std::array<int, 3>&) override { return true; }
};

CKeepPreselection g_keepPreselection;
std::atomic<IMidiInstrumentSource*> g_pInstrumentSource{&g_keepPreselection};

// A wait longer than one delta time can hold is reached through empty text events.
void WriteDelta(std::string& file, std::int64_t ticks)
{
    for (; ticks > kMaxDelta; ticks -= kMaxDelta)
    {
        CSoundDoc::WriteVarLen(file, static_cast<std::int32_t>(kMaxDelta));
        CSoundDoc::WriteByte(file, 0xFF);
        CSoundDoc::WriteByte(file, 0x01);
        CSoundDoc::WriteByte(file, 0x00);
    }
    CSoundDoc::WriteVarLen(file, static_cast<std::int32_t>(ticks));
}

// One note-on/note-off pair for the held cell; silence is key 0 at velocity 64.
void WriteNotePair(std::string& file, int voice, const SoundCell& held, std::int64_t ticks)
{
    const int atten = held.note >= NOTE_OFF ? 15 : held.atten & 0x0F;
    int key = 0;
    int velocity = 0x40;
    if (atten != 15)
    {
        key = held.note;
        velocity = 100 - 6 * atten;
    }
    CSoundDoc::WriteByte(file, 0);
    CSoundDoc::WriteByte(file, 0x90 + voice);
    CSoundDoc::WriteByte(file, key);
    CSoundDoc::WriteByte(file, velocity);
    WriteDelta(file, ticks);
    CSoundDoc::WriteByte(file, 0x80 + voice);
    CSoundDoc::WriteByte(file, key);
    CSoundDoc::WriteByte(file, 0x40);
}

void WriteVoiceNotes(std::string& file, const CSoundDoc& doc, int voice, std::int64_t ticksPerRow)
{
    // Before the first placement nothing sounds, at attenuation 0.
    SoundCell working{NOTE_EMPTY, FREQ_EMPTY, NOISE_PERIODIC, 0};
    SoundCell held = working;
    std::int64_t nRows = 0;

    CChannelWalk walk(doc, voice);
    CChannelWalk::Step step;
    while (walk.Next(step))
    {
        step.MergeInto(working);
        if (step.kind == CChannelWalk::Kind::PatternRow)
        {
            // Empty bytes keep the held note; an attenuation alone re-sounds it at that level.
            if (working.atten == ATTEN_EMPTY)
                working.atten = held.atten;
            else if (working.note == NOTE_EMPTY)
                working.note = held.note;
        }
        if (step.pos == doc.m_nRangeEnd && held.note != NOTE_EMPTY)
            working.note = NOTE_OFF;

        const bool bEvent = working.note != NOTE_EMPTY;
        if (!bEvent)
            ++nRows;
        if (step.pos == doc.m_nRangeStart || bEvent)
        {
            if (step.pos != doc.m_nRangeStart)
                WriteNotePair(file, voice, held, nRows * ticksPerRow);
            held = working;
            nRows = 1;
        }
    }
}
} // namespace

void SetMidiInstrumentSource(IMidiInstrumentSource* pSource)
{
    g_pInstrumentSource = pSource != nullptr ? pSource : &g_keepPreselection;
}

IMidiInstrumentSource& GetMidiInstrumentSource()
{
    return *g_pInstrumentSource.load();
}

void CSoundDoc::WriteByte(std::string& file, std::int32_t value)
{
    file.push_back(static_cast<char>(value & 0xFF));
}

void CSoundDoc::WriteBE16(std::string& file, std::int32_t value)
{
    WriteByte(file, value >> 8);
    WriteByte(file, value);
}

void CSoundDoc::WriteBE32(std::string& file, std::int32_t value)
{
    WriteByte(file, value >> 24);
    WriteByte(file, value >> 16);
    WriteByte(file, value >> 8);
    WriteByte(file, value);
}

void CSoundDoc::WriteVarLen(std::string& file, std::int32_t value)
{
    for (const int shift : {21, 14, 7})
        if ((value >> shift) > 0)
            WriteByte(file, ((value >> shift) & 0x7F) | 0x80);
    WriteByte(file, value & 0x7F);
}

std::string CSoundDoc::BuildMIDIFile(const std::array<int, 3>& programs) const
{
    std::lock_guard lock(m_guard);
    const std::int64_t ticksPerRow = AgiTicksPerRow(m_nTracksPerBeat, m_nBeatsPerMinute);
    std::string file = "MThd";
    WriteBE32(file, 6);
    WriteBE16(file, 1);
    WriteBE16(file, kMidiVoices);
    WriteBE16(file, kTicksPerQuarter);
    for (int voice = 0; voice < kMidiVoices; ++voice)
    {
        file += "MTrk";
        const std::size_t lengthPos = file.size();
        WriteBE32(file, 0);
        WriteByte(file, 0);
        WriteByte(file, 0xC0 + voice);
        // A program byte with its top bit set would read as a status byte.
        WriteByte(file, programs[voice] & 0x7F);
        WriteVoiceNotes(file, *this, voice, ticksPerRow);
        WriteByte(file, 0);
        WriteByte(file, 0xFF);
        WriteByte(file, 0x2F);
        WriteByte(file, 0x00);

        std::string length;
        WriteBE32(length, static_cast<std::int32_t>(file.size() - lengthPos - 4));
        file.replace(lengthPos, 4, length);
    }
    return file;
}

bool CSoundDoc::ExportMIDI()
{
    std::array<int, 3> programs{0, 0, 0};
    if (!GetMidiInstrumentSource().ChooseInstruments(programs))
        return false;

    FileDialogRequest request;
    request.bOpen = false;
    request.strTitle = "Export MIDI";
    request.strDefaultExt = ".mid";
    request.strFileName = std::filesystem::path(GetTitle()).stem().string() + ".mid";
    request.strFilter = "MIDI Files (*.mid)|*.mid||";
    request.bOverwritePrompt = true;
    request.bPathMustExist = true;
    std::string path;
    if (!GetFileNameSource().AskFileName(request, path))
        return false;

    const std::string bytes = BuildMIDIFile(programs);
    try
    {
        WriteFileAtomically(path, bytes.data(), bytes.size());
    }
    catch (const CFileException& e)
    {
        AfxMessageBox(e.what(), MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}
