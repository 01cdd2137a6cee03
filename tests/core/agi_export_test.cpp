#include "AgiTestBytes.h"
#include "sound/AgiTone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace
{
std::string Build(CSoundDoc& doc)
{
    EXPECT_TRUE(doc.BuildAGIResource());
    return RawData(doc);
}

// The resource of a document whose only sound is on one channel.
std::string OneChannel(int channel, const std::string& data)
{
    std::array<std::string, 4> channels{kChannelEnd, kChannelEnd, kChannelEnd, kChannelEnd};
    channels[channel] = data + kChannelEnd;
    return Resource(channels);
}
} // namespace

TEST(AgiTone, DivisorOfNote)
{
    EXPECT_EQ(AgiDivisorOfNote(60), 427);
    EXPECT_EQ(AgiDivisorOfNote(69), 254);
    EXPECT_EQ(AgiDivisorOfNote(45), 1016);
    EXPECT_EQ(AgiDivisorOfNote(117), 15);
    // Below the generator's range the lowest pitch it has, not a wrapped divisor.
    EXPECT_EQ(AgiDivisorOfNote(44), 1023);
    EXPECT_EQ(AgiDivisorOfNote(0), 1023);
}

TEST(AgiTone, TicksPerRow)
{
    EXPECT_EQ(AgiTicksPerRow(4, 125), 7);
    EXPECT_EQ(AgiTicksPerRow(24, 140), 1);
    EXPECT_EQ(AgiTicksPerRow(1, 1), 470400);
    EXPECT_EQ(AgiTicksPerRow(256, 256), 0);
    EXPECT_EQ(AgiTicksPerRow(0, 125), 0);
    EXPECT_EQ(AgiTicksPerRow(4, 0), 0);
    EXPECT_EQ(AgiTicksPerRow(-4, 125), 0);
}

TEST(AgiExport, NewDocumentIsOneSilentRecord)
{
    NewDoc d;
    EXPECT_EQ(Hex(Build(d.doc)), "08 00 0F 00 11 00 13 00 70 00 00 8F 9F FF FF FF FF FF FF FF FF");
    // Without a usable tempo the rows take no time, but the export still works.
    d.doc.m_nBeatsPerMinute = 0;
    EXPECT_EQ(Hex(Build(d.doc)), "08 00 0F 00 11 00 13 00 00 00 00 8F 9F FF FF FF FF FF FF FF FF");
}

TEST(AgiExport, HeldNoteAndAttenuationChanges)
{
    NewDoc d;
    CSoundPattern& p = *d.doc.m_patterns[0][0];
    p.SetCell(0, ToneCell(60, 0));
    EXPECT_EQ(Build(d.doc), OneChannel(0, Bytes({0x70, 0x00, 0x1A, 0x8B, 0x90})));

    // An attenuation without a note re-sounds the held note at the new level.
    p.SetCell(4, ToneCell(NOTE_EMPTY, 5));
    EXPECT_EQ(Hex(Build(d.doc)), Hex(OneChannel(0, ToneRecord(0, 28, 427, 0) + ToneRecord(0, 84, 427, 5))));

    // A note without an attenuation keeps the held one; an off is silent whatever it holds.
    p.SetCell(8, ToneCell(69, ATTEN_EMPTY));
    p.SetCell(12, ToneCell(NOTE_OFF, 3));
    EXPECT_EQ(Hex(Build(d.doc)), Hex(OneChannel(0, ToneRecord(0, 28, 427, 0) + ToneRecord(0, 28, 427, 5) +
                                                       ToneRecord(0, 28, 254, 5) + ToneRecord(0, 28, 15, 15))));
}

TEST(AgiExport, NoteHeldAcrossThePatternsEndIsFollowedBySilence)
{
    NewDoc d;
    d.doc.m_patterns[0][0]->SetCell(0, ToneCell(60, 0));
    d.doc.m_nRangeEnd = 40;
    // A later placement ends the silence; the range end closes its note.
    Place(d.doc, 0, 32, 16)->SetCell(0, ToneCell(45, 1));
    EXPECT_EQ(Hex(Build(d.doc)), Hex(OneChannel(0, ToneRecord(0, 112, 427, 0) + ToneRecord(0, 112, 15, 15) +
                                                       ToneRecord(0, 56, 1016, 1))));
}

TEST(AgiExport, VoiceAndNoiseRecordBytes)
{
    NewDoc d;
    d.doc.m_nRangeEnd = 4;
    d.doc.m_patterns[0][0]->SetCell(0, ToneCell(NOTE_OFF, 0));
    Place(d.doc, 2, 0, 4)->SetCell(0, ToneCell(69, 3));
    // The noise channel starts with nothing, then white noise, then an attenuation alone
    // re-sounds it, then a periodic setting.
    CSoundPattern* pNoise = Place(d.doc, 3, 1, 3);
    pNoise->SetCell(0, NoiseCell(2, NOISE_WHITE, 4));
    pNoise->SetCell(1, NoiseCell(FREQ_EMPTY, NOISE_PERIODIC, 9));
    pNoise->SetCell(2, NoiseCell(1, NOISE_PERIODIC, ATTEN_EMPTY));
    const std::string bytes = Build(d.doc);
    EXPECT_EQ(Hex(bytes), Hex(Resource({Bytes({0x1C, 0, 0, 0x8F, 0x9F}) + kChannelEnd, kChannelEnd,
                                        Bytes({0x1C, 0, 0x0F, 0xCE, 0xD3}) + kChannelEnd,
                                        Bytes({0x07, 0, 0, 0xE3, 0xFF, 0x07, 0, 0, 0xE6, 0xF4, 0x07, 0,
                                               0, 0xE6, 0xF9, 0x07, 0, 0, 0xE1, 0xF9}) +
                                            kChannelEnd})));
}

TEST(AgiExport, EmptyAndReversedRanges)
{
    NewDoc d;
    d.doc.m_patterns[0][0]->SetCell(0, ToneCell(60, 0));
    const std::string onlyEnds = "08 00 0A 00 0C 00 0E 00 FF FF FF FF FF FF FF FF";
    d.doc.m_nRangeStart = d.doc.m_nRangeEnd = 0;
    EXPECT_EQ(Hex(Build(d.doc)), onlyEnds);
    d.doc.m_nRangeStart = 10;
    d.doc.m_nRangeEnd = 9;
    EXPECT_EQ(Hex(Build(d.doc)), onlyEnds);
}

TEST(AgiExport, LongSoundsAreSplitWithoutLosingTime)
{
    // 10000 rows of 7 ticks: one record cannot say 70000 ticks, two can.
    NewDoc d;
    d.doc.m_patterns[0][0]->SetRows(10000);
    d.doc.m_patterns[0][0]->SetCell(0, ToneCell(60, 0));
    d.doc.m_nRangeEnd = 10000;
    EXPECT_EQ(Hex(Build(d.doc)), Hex(OneChannel(0, Bytes({0xFE, 0xFF, 0x1A, 0x8B, 0x90, 0x72, 0x11,
                                                           0x1A, 0x8B, 0x90}))));
    CSoundDoc imported;
    imported.m_rawData = d.doc.m_rawData;
    ASSERT_TRUE(imported.ParseAGIResource());
    EXPECT_EQ(imported.m_nRangeEnd, 70016);

    // An exact multiple of the longest record gets no empty record after it.
    d.doc.m_nTracksPerBeat = 24;
    d.doc.m_nBeatsPerMinute = 140;
    d.doc.m_patterns[0][0]->SetRows(2 * 65534);
    d.doc.m_nRangeEnd = 2 * 65534;
    EXPECT_EQ(Hex(Build(d.doc)), Hex(OneChannel(0, ToneRecord(0, 65534, 427, 0) + ToneRecord(0, 65534, 427, 0))));
}

TEST(AgiExport, ResourceMustFitItsSixteenBitOffsets)
{
    // Every row a new note: 16 + 5 × rows bytes.
    auto build = [](std::int32_t rows, std::string& bytes)
    {
        CRecordingMessages messages;
        NewDoc d;
        CSoundPattern& p = *d.doc.m_patterns[0][0];
        p.SetRows(rows);
        for (std::int32_t r = 0; r < rows; ++r)
            p.SetCell(r, ToneCell(50 + r % 20, 0));
        d.doc.m_nRangeEnd = rows;
        SetRawData(d.doc, "old");
        const bool bBuilt = d.doc.BuildAGIResource();
        bytes = RawData(d.doc);
        EXPECT_EQ(messages.m_texts.empty(), bBuilt);
        if (!bBuilt)
        {
            EXPECT_EQ(messages.m_texts.at(0), "Error: Sound too long for an AGI resource! ( more than 65535 bytes )");
        }
        return bBuilt;
    };
    std::string bytes;
    EXPECT_TRUE(build(13103, bytes));
    EXPECT_EQ(bytes.size(), 65531u);
    EXPECT_FALSE(build(13104, bytes));
    EXPECT_EQ(bytes, "old");
}

TEST(AgiExport, ExportAGIAsksForAFileAndWritesIt)
{
    const std::string dir = MakeTempDir();
    CScriptedFileNames names;
    NewDoc d;
    d.doc.m_patterns[0][0]->SetCell(0, ToneCell(60, 0));

    EXPECT_FALSE(d.doc.ExportAGI());
    ASSERT_EQ(names.m_requests.size(), 1u);
    const FileDialogRequest& request = names.m_requests[0];
    EXPECT_FALSE(request.bOpen);
    EXPECT_EQ(request.strFileName, "sound");
    EXPECT_EQ(request.strDefaultExt, "");
    EXPECT_EQ(request.strFilter, "Resource Files (*.*)|*.*||");
    EXPECT_TRUE(request.bOverwritePrompt);
    EXPECT_TRUE(request.bPathMustExist);

    names.m_strAnswer = dir + "/sound";
    WriteFileBytes(names.m_strAnswer, std::string(100, 'x'));
    EXPECT_TRUE(d.doc.ExportAGI());
    EXPECT_EQ(ReadFileBytes(names.m_strAnswer), OneChannel(0, Bytes({0x70, 0x00, 0x1A, 0x8B, 0x90})));
    EXPECT_EQ(RawData(d.doc), ReadFileBytes(names.m_strAnswer));

    CRecordingMessages messages;
    names.m_strAnswer = dir + "/missing-folder/sound";
    EXPECT_FALSE(d.doc.ExportAGI());
    EXPECT_EQ(messages.m_texts.size(), 1u);
}
