#include "AgiTestBytes.h"
#include "sound/MidiInstrumentSource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace
{
const std::string kHeader = "4D 54 68 64 00 00 00 06 00 01 00 03 00 1C";

// The events of each track, checked against the track's length field.
std::vector<std::string> Tracks(const std::string& file)
{
    std::vector<std::string> tracks;
    std::size_t pos = 14;
    while (pos + 8 <= file.size())
    {
        EXPECT_EQ(file.substr(pos, 4), "MTrk");
        const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + pos + 4;
        const std::size_t length = std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16 |
                                   std::size_t{p[2]} << 8 | std::size_t{p[3]};
        tracks.push_back(file.substr(pos + 8, length));
        EXPECT_EQ(tracks.back().size(), length);
        pos += 8 + length;
    }
    EXPECT_EQ(pos, file.size());
    return tracks;
}

std::string VarLen(std::int32_t value)
{
    std::string out;
    CSoundDoc::WriteVarLen(out, value);
    return Hex(out);
}

class CChosenInstruments : public IMidiInstrumentSource
{
public:
    CChosenInstruments() { SetMidiInstrumentSource(this); }
    ~CChosenInstruments() override { SetMidiInstrumentSource(nullptr); }
    bool ChooseInstruments(std::array<int, 3>& programs) override
    {
        m_offered.push_back(programs);
        if (m_bCancel)
            return false;
        programs = m_programs;
        return true;
    }
    std::vector<std::array<int, 3>> m_offered;
    std::array<int, 3> m_programs{0, 0, 0};
    bool m_bCancel = false;
};

// A document at one row per tick with one note of the given rows on Voice0.
void OneNote(CSoundDoc& doc, std::int32_t rows, int note, int atten)
{
    doc.m_nTracksPerBeat = 24;
    doc.m_nBeatsPerMinute = 140;
    doc.m_patterns[0][0]->SetRows(rows);
    doc.m_patterns[0][0]->SetCell(0, ToneCell(note, atten));
    doc.m_nRangeEnd = rows;
}
} // namespace

TEST(MidiWriters, VariableLengthQuantities)
{
    EXPECT_EQ(VarLen(0), "00");
    EXPECT_EQ(VarLen(0x40), "40");
    EXPECT_EQ(VarLen(0x7F), "7F");
    EXPECT_EQ(VarLen(0x80), "81 00");
    EXPECT_EQ(VarLen(200), "81 48");
    EXPECT_EQ(VarLen(0x3FFF), "FF 7F");
    EXPECT_EQ(VarLen(0x4000), "81 80 00");
    EXPECT_EQ(VarLen(0x200000), "81 80 80 00");
    EXPECT_EQ(VarLen(0x0FFFFFFF), "FF FF FF 7F");
    EXPECT_EQ(VarLen(-1), "7F");
}

TEST(MidiWriters, BytesAndBigEndianNumbers)
{
    std::string out;
    CSoundDoc::WriteByte(out, 0x1C5);
    CSoundDoc::WriteBE16(out, 0x12345);
    CSoundDoc::WriteBE32(out, 0x01020304);
    CSoundDoc::WriteBE32(out, -2);
    EXPECT_EQ(Hex(out), "C5 23 45 01 02 03 04 FF FF FF FE");
}

TEST(MidiExport, NewDocumentIsOneRestOnVoice0)
{
    NewDoc d;
    const std::string file = d.doc.BuildMIDIFile({0, 0, 0});
    EXPECT_EQ(Hex(file.substr(0, 14)), kHeader);
    const auto tracks = Tracks(file);
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(Hex(tracks[0]), "00 C0 00 00 90 00 40 70 80 00 40 00 FF 2F 00");
    EXPECT_EQ(Hex(tracks[1]), "00 C1 00 00 FF 2F 00");
    EXPECT_EQ(Hex(tracks[2]), "00 C2 00 00 FF 2F 00");
}

TEST(MidiExport, NotesVelocitiesAndRests)
{
    NewDoc d;
    CSoundPattern& p = *d.doc.m_patterns[0][0];
    p.SetCell(0, ToneCell(60, 0));
    EXPECT_EQ(Hex(Tracks(d.doc.BuildMIDIFile({0, 0, 0}))[0]),
              "00 C0 00 00 90 3C 64 70 80 3C 40 00 FF 2F 00");

    // An attenuation alone re-sounds the held note; a note alone keeps the attenuation;
    // 15 and off are rests.
    p.SetCell(2, ToneCell(NOTE_EMPTY, 14));
    p.SetCell(4, ToneCell(69, ATTEN_EMPTY));
    p.SetCell(6, ToneCell(45, 15));
    p.SetCell(8, ToneCell(NOTE_OFF, 0));
    p.SetCell(10, ToneCell(117, 1));
    EXPECT_EQ(Hex(Tracks(d.doc.BuildMIDIFile({0, 0, 0}))[0]),
              "00 C0 00 00 90 3C 64 0E 80 3C 40 00 90 3C 10 0E 80 3C 40 00 90 45 10 0E 80 45 40 "
              "00 90 00 40 0E 80 00 40 00 90 00 40 0E 80 00 40 00 90 75 5E 2A 80 75 40 00 FF 2F 00");
}

TEST(MidiExport, DurationsProgramsAndVoices)
{
    NewDoc d;
    OneNote(d.doc, 200, 60, 0);
    Place(d.doc, 1, 0, 1)->SetCell(0, ToneCell(72, 2));
    Place(d.doc, 3, 0, 1)->SetCell(0, NoiseCell(1, NOISE_WHITE, 0));
    const auto tracks = Tracks(d.doc.BuildMIDIFile({0, 40, 127}));
    EXPECT_EQ(Hex(tracks[0]), "00 C0 00 00 90 3C 64 81 48 80 3C 40 00 FF 2F 00");
    // Voice1's pattern ends after one row and is followed by a rest to the range end.
    EXPECT_EQ(Hex(tracks[1]), "00 C1 28 00 91 48 58 01 81 48 40 00 91 00 40 81 47 81 00 40 00 FF 2F 00");
    EXPECT_EQ(Hex(tracks[2]), "00 C2 7F 00 FF 2F 00");
    // A program byte never reads as a status byte.
    EXPECT_EQ(Hex(Tracks(d.doc.BuildMIDIFile({200, 0, 0}))[0].substr(0, 3)), "00 C0 48");
}

TEST(MidiExport, LongDurationsAreWrittenWhole)
{
    NewDoc d;
    OneNote(d.doc, 40000, 60, 0);
    EXPECT_EQ(Hex(Tracks(d.doc.BuildMIDIFile({0, 0, 0}))[0]),
              "00 C0 00 00 90 3C 64 82 B8 40 80 3C 40 00 FF 2F 00");

    // 600 rows of 470400 ticks are more than one delta can hold: an empty text event
    // carries the first 0x0FFFFFFF ticks.
    d.doc.m_nTracksPerBeat = 1;
    d.doc.m_nBeatsPerMinute = 1;
    d.doc.m_patterns[0][0]->SetRows(600);
    d.doc.m_nRangeEnd = 600;
    std::string rest;
    CSoundDoc::WriteVarLen(rest, 600 * 470400 - 0x0FFFFFFF);
    EXPECT_EQ(Hex(Tracks(d.doc.BuildMIDIFile({0, 0, 0}))[0]),
              "00 C0 00 00 90 3C 64 FF FF FF 7F FF 01 00 " + Hex(rest) + " 80 3C 40 00 FF 2F 00");
}

TEST(MidiExport, ExportMIDIAsksForInstrumentsThenAFile)
{
    const std::string dir = MakeTempDir();
    CChosenInstruments instruments;
    CScriptedFileNames names;
    NewDoc d;

    instruments.m_bCancel = true;
    EXPECT_FALSE(d.doc.ExportMIDI());
    EXPECT_TRUE(names.m_requests.empty());
    ASSERT_EQ(instruments.m_offered.size(), 1u);
    EXPECT_EQ(instruments.m_offered[0], (std::array<int, 3>{0, 0, 0}));

    instruments.m_bCancel = false;
    instruments.m_programs = {0, 40, 0};
    EXPECT_FALSE(d.doc.ExportMIDI());
    ASSERT_EQ(names.m_requests.size(), 1u);
    const FileDialogRequest& request = names.m_requests[0];
    EXPECT_FALSE(request.bOpen);
    EXPECT_EQ(request.strDefaultExt, ".mid");
    EXPECT_EQ(request.strFileName, ".mid");
    EXPECT_EQ(request.strFilter, "MIDI Files (*.mid)|*.mid||");
    EXPECT_TRUE(request.bOverwritePrompt);
    EXPECT_TRUE(request.bPathMustExist);

    names.m_strAnswer = dir + "/song.mid";
    EXPECT_TRUE(d.doc.ExportMIDI());
    const std::string file = ReadFileBytes(names.m_strAnswer);
    EXPECT_EQ(file, d.doc.BuildMIDIFile({0, 40, 0}));
    EXPECT_EQ(Hex(Tracks(file)[1]), "00 C1 28 00 FF 2F 00");

    CRecordingMessages messages;
    names.m_strAnswer = dir + "/missing-folder/song.mid";
    EXPECT_FALSE(d.doc.ExportMIDI());
    EXPECT_EQ(messages.m_texts.size(), 1u);
}
