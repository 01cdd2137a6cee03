#include "AgiTestBytes.h"
#include "framework/File.h"
#include "sound/AgiTone.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
// Parses bytes into a new document, expecting success.
void Import(CSoundDoc& doc, const std::string& bytes)
{
    doc.OnNewDocument();
    SetRawData(doc, bytes);
    ASSERT_TRUE(doc.ParseAGIResource());
}

SoundCell Cell(const CSoundDoc& doc, int channel, std::int32_t songPos)
{
    const auto& seq = doc.m_sequence[channel];
    auto it = seq.upper_bound(songPos);
    if (it == seq.begin())
        return {};
    --it;
    return it->second->GetCell(songPos - it->first);
}

class CCountingView : public IDocumentView
{
public:
    void OnUpdate(IDocumentView*, CObject*) override { ++m_nUpdates; }
    int m_nUpdates = 0;
};
} // namespace

TEST(AgiTone, NoteFromDivisor)
{
    EXPECT_EQ(AgiNoteFromDivisor(427), 60);
    EXPECT_EQ(AgiNoteFromDivisor(254), 69);
    EXPECT_EQ(AgiNoteFromDivisor(16), 116);
    EXPECT_EQ(AgiNoteFromDivisor(1023), 44);
    // Lower divisors are higher pitches, and every note from 44 to 116 is reachable.
    std::vector<bool> seen(118, false);
    for (int d = kAgiMinToneDivisor; d <= kAgiMaxToneDivisor; ++d)
    {
        const int note = AgiNoteFromDivisor(d);
        ASSERT_GE(note, 44);
        ASSERT_LE(note, 116);
        if (d > kAgiMinToneDivisor)
        {
            EXPECT_LE(note, AgiNoteFromDivisor(d - 1)) << d;
        }
        seen[note] = true;
    }
    for (int note = 44; note <= 116; ++note)
        EXPECT_TRUE(seen[note]) << note;
}

TEST(AgiImport, EightByteResourceGivesAnEmptyDocument)
{
    NewDoc d;
    Import(d.doc, Bytes({8, 0, 8, 0, 8, 0, 8, 0}));
    for (int c = 0; c < kChannelCount; ++c)
    {
        EXPECT_TRUE(d.doc.m_patterns[c].empty()) << c;
        EXPECT_TRUE(d.doc.m_sequence[c].empty()) << c;
    }
    EXPECT_EQ(d.doc.m_nRangeStart, 0);
    EXPECT_EQ(d.doc.m_nRangeEnd, 16);
    EXPECT_EQ(d.doc.m_nTracksPerBeat, 24);
    EXPECT_EQ(d.doc.m_nBeatsPerMinute, 140);
    EXPECT_EQ(d.doc.m_nStepSize, 32);
    EXPECT_TRUE(d.doc.IsModified());
}

TEST(AgiImport, ShortNoteIsClosedByAnOff)
{
    NewDoc d;
    Import(d.doc, Resource({ToneRecord(0, 10, 427, 2) + kChannelEnd, kChannelEnd, kChannelEnd,
                            kChannelEnd}));
    ASSERT_EQ(d.doc.m_patterns[0].size(), 1u);
    const CSoundPattern& p = *d.doc.m_patterns[0][0];
    EXPECT_EQ(p.GetName(), "000");
    EXPECT_EQ(p.GetRows(), 32);
    EXPECT_EQ(d.doc.m_sequence[0].at(0), &p);
    EXPECT_EQ(p.GetCell(0), ToneCell(60, 2));
    for (int r = 1; r < 10; ++r)
        EXPECT_EQ(p.GetCell(r), SoundCell::Empty()) << r;
    EXPECT_EQ(p.GetCell(10), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    for (int r = 11; r < 32; ++r)
        EXPECT_EQ(p.GetCell(r), SoundCell::Empty()) << r;
    EXPECT_EQ(d.doc.m_nRangeEnd, 32);
    for (int c = 1; c < kChannelCount; ++c)
        EXPECT_TRUE(d.doc.m_patterns[c].empty());
}

TEST(AgiImport, NoteEndingAtThePatternsLastRowOrBoundary)
{
    NewDoc d;
    // 32 ticks end exactly at the boundary: the pattern made for row 32 is dropped again.
    Import(d.doc, Resource({ToneRecord(0, 32, 427, 0) + kChannelEnd,
                            ToneRecord(1, 31, 427, 0) + kChannelEnd, kChannelEnd, kChannelEnd}));
    ASSERT_EQ(d.doc.m_patterns[0].size(), 1u);
    EXPECT_EQ(d.doc.m_nNextPattern[0], 2);
    EXPECT_EQ(d.doc.m_sequence[0].size(), 1u);
    for (int r = 1; r < 32; ++r)
        EXPECT_EQ(d.doc.m_patterns[0][0]->GetCell(r), SoundCell::Empty()) << r;
    // 31 ticks end on the last row, which stays empty.
    ASSERT_EQ(d.doc.m_patterns[1].size(), 1u);
    EXPECT_EQ(d.doc.m_patterns[1][0]->GetCell(31), SoundCell::Empty());
    EXPECT_EQ(d.doc.m_nRangeEnd, 32);
}

TEST(AgiImport, LongNoteRunsOverPatternsPlacedEvery32Rows)
{
    NewDoc d;
    Import(d.doc, Resource({ToneRecord(0, 100, 254, 7) + ToneRecord(0, 3, 1016, 0) + kChannelEnd,
                            kChannelEnd, kChannelEnd, kChannelEnd}));
    const auto& seq = d.doc.m_sequence[0];
    ASSERT_EQ(seq.size(), 4u);
    const char* names[] = {"000", "001", "002", "003"};
    int i = 0;
    for (const auto& [pos, pPattern] : seq)
    {
        EXPECT_EQ(pos, 32 * i);
        EXPECT_EQ(pPattern->GetName(), names[i]);
        ++i;
    }
    EXPECT_EQ(Cell(d.doc, 0, 0), ToneCell(69, 7));
    EXPECT_EQ(Cell(d.doc, 0, 100), ToneCell(45, 0));
    EXPECT_EQ(Cell(d.doc, 0, 103), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    EXPECT_EQ(d.doc.m_nRangeEnd, 128);
}

TEST(AgiImport, SilentDivisorsZeroDurationsAndSkippedRecords)
{
    NewDoc d;
    const std::string voice0 = Record(5, 0x00, 0x80, 0x92)   // divisor 0: an off
                               + Record(7, 0x1A, 0x00, 0x90) // control byte 0: skipped, no time
                               + ToneRecord(0, 0, 254, 3)    // no time: replaced by the next
                               + ToneRecord(0, 4, 427, 1)    //
                               + ToneRecord(0, 2, 15, 4)     // divisor 15: an off
                               + kChannelEnd;
    Import(d.doc, Resource({voice0, kChannelEnd, kChannelEnd, kChannelEnd}));
    EXPECT_EQ(Cell(d.doc, 0, 0), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    EXPECT_EQ(Cell(d.doc, 0, 5), ToneCell(60, 1));
    EXPECT_EQ(Cell(d.doc, 0, 9), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    EXPECT_EQ(Cell(d.doc, 0, 11), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    EXPECT_EQ(Cell(d.doc, 0, 12), SoundCell::Empty());
}

TEST(AgiImport, NoiseRecordsAndTheirClosingOff)
{
    NewDoc d;
    // Bits of the control byte beyond frequency and type, and the attenuation's top bits,
    // are not read.
    const std::string noise = NoiseRecord(3, 2, true, 4) + Record(2, 0x3F, 0xE1, 0xFF) +
                              NoiseRecord(1, 3, false, 0) + kChannelEnd;
    Import(d.doc, Resource({kChannelEnd, kChannelEnd, kChannelEnd, noise}));
    EXPECT_EQ(Cell(d.doc, 3, 0), NoiseCell(2, NOISE_WHITE, 4));
    EXPECT_EQ(Cell(d.doc, 3, 3), NoiseCell(1, NOISE_PERIODIC, 15));
    EXPECT_EQ(Cell(d.doc, 3, 5), NoiseCell(3, NOISE_PERIODIC, 0));
    EXPECT_EQ(Cell(d.doc, 3, 6), NoiseCell(FREQ_OFF, NOISE_PERIODIC, ATTEN_EMPTY));
    for (int c = 0; c < 3; ++c)
        EXPECT_TRUE(d.doc.m_patterns[c].empty());
}

TEST(AgiImport, RecordsAreReadOnlyInsideTheirChannelAndTheData)
{
    NewDoc d;
    // Voice0's offset lies beyond Voice1's: it reads nothing. Voice1's record starts before
    // Voice2's offset and is read whole. The Noise record runs past the end: not read.
    std::string bytes = Bytes({14, 0, 8, 0, 11, 0, 16, 0}) + ToneRecord(1, 6, 427, 5) + kChannelEnd +
                        Bytes({0x04, 0x00, 0x00});
    Import(d.doc, bytes);
    EXPECT_TRUE(d.doc.m_patterns[0].empty());
    EXPECT_EQ(Cell(d.doc, 1, 0), ToneCell(60, 5));
    EXPECT_EQ(Cell(d.doc, 1, 6), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    // Voice2 starts inside Voice1's record: AB B5 FF FF 04 reads as 0xB5AB ticks of
    // divisor 1023 at attenuation 4.
    EXPECT_EQ(d.doc.m_patterns[2].size(), 1454u);
    EXPECT_EQ(Cell(d.doc, 2, 0), ToneCell(44, 4));
    EXPECT_EQ(Cell(d.doc, 2, 0xB5AB), ToneCell(NOTE_OFF, ATTEN_EMPTY));
    EXPECT_EQ(d.doc.m_nRangeEnd, 46528);
    EXPECT_TRUE(d.doc.m_patterns[3].empty());
}

TEST(AgiImport, NoiseDataRunsToTheEndOfALargeResource)
{
    NewDoc d;
    // 14,000 one-tick noise records reach beyond 64 KiB; none may be lost.
    std::string noise;
    for (int i = 0; i < 14000; ++i)
        noise += NoiseRecord(1, i % 4, i % 2 == 1, i % 16);
    noise += kChannelEnd;
    Import(d.doc, Resource({kChannelEnd, kChannelEnd, kChannelEnd, noise}));
    ASSERT_GT(d.doc.m_rawData.size(), 0x10000u);
    EXPECT_EQ(d.doc.m_nRangeEnd, 14016);
    EXPECT_EQ(Cell(d.doc, 3, 13999), NoiseCell(3, NOISE_WHITE, 13999 % 16));
    EXPECT_EQ(Cell(d.doc, 3, 14000).freq, FREQ_OFF);
}

TEST(AgiImport, DamagedResourcesAreRefusedAndLeaveTheDocumentAsItWas)
{
    std::string tooManyRows;
    for (int i = 0; i < 17; ++i)
        tooManyRows += ToneRecord(2, 65534, 427, 0);
    struct Case
    {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {Bytes({8, 0, 8, 0, 8, 0, 8}), "Error: Raw data too short! ( 7 bytes )"},
        {{}, "Error: Raw data too short! ( 0 bytes )"},
        {Bytes({8, 0, 8, 0, 8, 0, 9, 0}), "Error: Offset 9 for machine 3 is out of bounds! ( total size 8 )"},
        {Bytes({17, 0, 40, 0, 8, 0, 8, 0}) + std::string(8, '\xFF'),
         "Error: Offset 17 for machine 0 is out of bounds! ( total size 16 )"},
        {Resource({kChannelEnd, kChannelEnd, kChannelEnd, std::string(1048576 - 13, '\0')}),
         "Error: Raw data too long! ( 1048577 bytes )"},
        {Resource({kChannelEnd, kChannelEnd, tooManyRows + kChannelEnd, kChannelEnd}),
         "Error: Sound too long on machine 2! ( more than 1048576 rows )"},
    };
    for (const Case& c : cases)
    {
        CRecordingMessages messages;
        NewDoc d;
        CSoundPattern* pBefore = d.doc.m_patterns[0][0].get();
        SetRawData(d.doc, c.bytes);
        EXPECT_FALSE(d.doc.ParseAGIResource()) << c.message;
        EXPECT_EQ(messages.m_texts, std::vector<std::string>{c.message});
        EXPECT_EQ(messages.m_types, std::vector<unsigned>{MB_OK});
        ASSERT_EQ(d.doc.m_patterns[0].size(), 1u);
        EXPECT_EQ(d.doc.m_patterns[0][0].get(), pBefore);
        EXPECT_EQ(d.doc.m_sequence[0].at(0), pBefore);
        EXPECT_EQ(d.doc.m_nTracksPerBeat, 4);
        EXPECT_EQ(d.doc.m_nRangeEnd, 16);
        EXPECT_FALSE(d.doc.IsModified());
    }
}

TEST(AgiImport, TheLongestChannelAcceptedFillsEverySequenceStep)
{
    // 16 × 65534 + 32 = 1,048,576 rows: 32768 patterns, the last at step 32767.
    std::string voice;
    for (int i = 0; i < 16; ++i)
        voice += ToneRecord(0, 65534, 427 + i, 0);
    voice += ToneRecord(0, 32, 254, 0) + kChannelEnd;
    NewDoc d;
    Import(d.doc, Resource({voice, kChannelEnd, kChannelEnd, kChannelEnd}));
    EXPECT_EQ(d.doc.m_patterns[0].size(), 32768u);
    EXPECT_EQ(d.doc.m_sequence[0].rbegin()->first, 32767 * 32);
    EXPECT_EQ(d.doc.m_nRangeEnd, 1048576);
    EXPECT_EQ(Cell(d.doc, 0, 1048544), ToneCell(69, 0));
}

TEST(AgiImport, ImportAGIFileReadsParsesAndUpdatesTheViews)
{
    const std::string dir = MakeTempDir();
    const std::string good = dir + "/good";
    const std::string bytes = Resource({ToneRecord(0, 10, 427, 2) + kChannelEnd, kChannelEnd,
                                        kChannelEnd, kChannelEnd});
    WriteFileBytes(good, bytes);
    NewDoc d;
    CCountingView view;
    d.doc.AddView(&view);
    EXPECT_TRUE(d.doc.ImportAGIFile(good));
    EXPECT_EQ(RawData(d.doc), bytes);
    EXPECT_EQ(Cell(d.doc, 0, 0), ToneCell(60, 2));
    const int nUpdates = view.m_nUpdates;
    EXPECT_GE(nUpdates, 1);

    // A damaged file: its bytes are kept, the contents stay, the views are not told.
    CRecordingMessages messages;
    const std::string bad = dir + "/bad";
    WriteFileBytes(bad, "\x08");
    EXPECT_FALSE(d.doc.ImportAGIFile(bad));
    EXPECT_EQ(messages.m_texts.at(0), "Error: Raw data too short! ( 1 bytes )");
    EXPECT_EQ(view.m_nUpdates, nUpdates);
    EXPECT_EQ(Cell(d.doc, 0, 0), ToneCell(60, 2));

    // Too large to be a sound: not even read.
    const std::string large = dir + "/large";
    WriteFileBytes(large, std::string(2 * 1024 * 1024, '\x08'));
    EXPECT_FALSE(d.doc.ImportAGIFile(large));
    EXPECT_EQ(messages.m_texts.at(1), "Error: Raw data too long! ( 2097152 bytes )");
    EXPECT_EQ(RawData(d.doc), "\x08");

    EXPECT_THROW(d.doc.ImportAGIFile(dir + "/missing"), CFileException);
    d.doc.RemoveView(&view);
}

TEST(AgiImport, SampleSoundsImport)
{
    struct Sample
    {
        const char* name;
        std::int32_t rangeEnd; // the longest channel's ticks, rounded up to 32
        bool bNoise;
    };
    const Sample known[] = {
        {"buddhies-sound000.agi", 11712, false},
        {"countryoforigin-sound000.agi", 25152, false},
        {"countryoforigin-sound001.agi", 192, false}, // its noise record's control byte is 0
        {"countryoforigin-sound013.agi", 32, true},
    };
    for (const Sample& s : known)
    {
        NewDoc d;
        ASSERT_TRUE(d.doc.ImportAGIFile(SampleSoundPath(s.name))) << s.name;
        EXPECT_EQ(d.doc.m_nRangeEnd, s.rangeEnd) << s.name;
        EXPECT_EQ(d.doc.m_patterns[3].empty(), !s.bNoise) << s.name;
    }
    int nFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(TARVOK_SOUNDS_DIR))
    {
        if (entry.path().extension() != ".agi")
            continue;
        CRecordingMessages messages;
        NewDoc d;
        EXPECT_TRUE(d.doc.ImportAGIFile(entry.path().string())) << entry.path();
        EXPECT_TRUE(messages.m_texts.empty());
        EXPECT_FALSE(d.doc.m_patterns[0].empty()) << entry.path();
        ++nFiles;
    }
    EXPECT_GE(nFiles, 20);
}
