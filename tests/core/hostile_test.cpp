// SPDX-License-Identifier: GPL-3.0-or-later
// Documents at the limits: positions at the top of the integer range, play ranges far
// larger than their content, exports too large to write, and transport requests in a hurry.
// The failures of every import and export reach their caller with the message for the person
// and its cause, and a failed export leaves no file behind.
#include "AgiTestBytes.h"
#include "framework/AtomicFile.h"
#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "playback/SoundRenderer.h"
#include "playback/WavWriter.h"
#include "sound/AgiFile.h"
#include "sound/AgiResource.h"
#include "sound/MidiExport.h"
#include "support/TestSupport.h"
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>

namespace
{
using Samples = std::vector<std::int16_t>;
constexpr unsigned kRow = CVirtualPlayer::kRow;

// A 16-row song at pos: a melody on voice 0 and a chord note on voice 1 that starts later.
void PlaceSong(CSoundDoc& doc, std::int32_t pos)
{
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    CSoundPattern* pMelody = doc.PlacePattern(0, pos, doc.CreatePattern(0, 16));
    for (int row = 0; row < 16; row += 2)
        pMelody->SetCell(row, {static_cast<std::uint8_t>(50 + row), 255, 0, 2});
    doc.PlacePattern(1, pos + 4, doc.CreatePattern(1, 8))->SetCell(0, {45, 255, 0, 6});
    doc.AssignPlayRange({pos, pos + 15});
}

const char kTooLongForAgi[] =
    "Error: Sound too long for an AGI resource! ( more than 65535 bytes )";

// A document whose AGI export is past the 16-bit offsets: a new note on each of 13104 rows.
void MakeTooLongForAgi(CSoundDoc& doc)
{
    CSoundPattern& p = *doc.GetPatterns(0)[0];
    p.SetRows(13104);
    doc.AssignPlayRange({doc.GetPlayRange().start, 13104});
    for (std::int32_t r = 0; r < 13104; ++r)
        p.SetCell(r, ToneCell(50 + r % 20, 0));
}

struct Case
{
    const char* name;
    std::function<void(CSoundDoc&)> setup;
    std::function<Status(const CSoundDoc&, CFile&)> exportTo;
    bool bMissingFolder;
    bool bOk;
    std::string message; // a prefix for file failures; "" for a success or a cancel
    Failure::Cause cause;
};
} // namespace

TEST(TopOfRange, RendersAndPlaysAsTheSameSongAtZero)
{
    CSoundDoc atZero, atTop;
    PlaceSong(atZero, 0);
    PlaceSong(atTop, INT_MAX - 15);

    Samples zero, top;
    ASSERT_TRUE(RenderPlayRange(atZero, zero, 1u << 28));
    ASSERT_TRUE(RenderPlayRange(atTop, top, 1u << 28));
    EXPECT_EQ(zero.size(), 15u * kRow);
    EXPECT_NE(zero, Samples(zero.size(), 0));
    EXPECT_TRUE(zero == top);

    // Two and a half passes: the play thread and the reports wrap at the integer limit.
    Samples heard[2];
    CSoundDoc* docs[2] = {&atZero, &atTop};
    for (int i = 0; i < 2; ++i)
    {
        CVirtualPlayer player;
        const std::int32_t start = docs[i]->GetPlayRange().start;
        player.Play(*docs[i], start);
        player.AdvanceRows(40);
        heard[i] = player.m_pDevice->TakeOutput();
        EXPECT_EQ(player.ShownRow() - start, 40 % 15);
        player.m_thread.PostStop();
        EXPECT_EQ(player.m_thread.TakeLastStop().row - start, 40 % 15);
    }
    EXPECT_EQ(heard[0].size(), 40 * kRow);
    EXPECT_TRUE(heard[0] == heard[1]);
    EXPECT_TRUE(Samples(heard[0].begin(), heard[0].begin() + 15 * kRow) == zero);
}

TEST(HugeRange, MidiExportedQuicklyAndWavRefused)
{
    CSoundDoc doc;
    PlaceSong(doc, 0);
    doc.AssignPlayRange({doc.GetPlayRange().start, 2000000000});

    const Result<std::string> midi = doc.BuildMIDIFile({0, 0, 0}, doc.GetPlayRange());
    EXPECT_TRUE(midi.Ok() && midi.Value().size() > 14 && midi.Value().size() < 1000);

    // A .wav file holds at most 4 GiB.
    Samples samples;
    EXPECT_FALSE(RenderPlayRange(doc, samples, 0xFFFFFFFFu / 2));
    EXPECT_TRUE(samples.empty());
}

TEST(HugeMidi, RefusedBeforeWriting)
{
    // Three voices of 48 x 65536 rows with a new note on every row: past 64 MiB.
    CSoundDoc doc;
    for (int voice = 0; voice < 3; ++voice)
    {
        CSoundPattern* p = doc.CreatePattern(voice, CSoundPattern::kMaxRows);
        for (int row = 0; row < CSoundPattern::kMaxRows; ++row)
            p->SetCell(row, {static_cast<std::uint8_t>(40 + row % 2), 255, 0, 0});
        for (std::int32_t pos = 0; pos < 48 * CSoundPattern::kMaxRows; pos += p->GetRows())
            doc.PlacePattern(voice, pos, p);
    }
    doc.AssignPlayRange({doc.GetPlayRange().start, 48 * CSoundPattern::kMaxRows});
    EXPECT_FALSE(doc.BuildMIDIFile({0, 0, 0}, doc.GetPlayRange()).Ok());

    const std::string path = MakeTempDir() + "/big.mid";
    const Status written = WriteAtomically(path,
                                           [&doc](CFile& out) {
                                               return ExportMidi(doc, doc.GetPlayRange(),
                                                                 {0, 0, 0}, out);
                                           });
    EXPECT_EQ(written.Error(), CSoundDoc::kMidiTooLargeText);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(StopThenPlay, StartsAtTheRangeStartEveryTime)
{
    CSoundDoc doc;
    PlaceSong(doc, 0);
    CVirtualPlayer player;
    for (int round = 0; round < 20; ++round)
    {
        player.Play(doc);
        player.AdvanceRows(3);
        // As the editor does: stop, then play from the range start, with no wait of its own
        // in between.
        player.m_thread.PostStop();
        player.Play(doc, doc.GetPlayRange().start);
        player.m_pDevice->TakeOutput();
        ASSERT_EQ(player.AdvanceRows(1), 1) << "round " << round;
        ASSERT_EQ(player.ShownRow(), doc.GetPlayRange().start + 1) << "round " << round;
        player.m_thread.PostStop();
    }
}

TEST(ExportErrors, ReachTheCallerWithTheirTextAndLeaveNoFile)
{
    const auto agi = [](const CSoundDoc& doc, CFile& out)
    { return ExportAgi(doc, doc.GetPlayRange(), out); };
    const auto chipWav = [](const CSoundDoc& doc, CFile& out) {
        return ExportWav(doc, doc.GetPlayRange(), {SynthKind::PCjr, {}}, out);
    };
    const auto noSetup = [](CSoundDoc&) {};
    const auto tooFast = [](CSoundDoc& doc) { doc.AssignProperties({250, doc.GetStepSize(), 24}); };
    const Case cases[] = {
        {"agi", noSetup, agi, false, true, "", Failure::Cause::Refused},
        {"agi too long", MakeTooLongForAgi, agi, false, false, kTooLongForAgi,
         Failure::Cause::Refused},
        {"agi no folder", noSetup, agi, true, false, "Cannot save ", Failure::Cause::File},
        {"chip wav too fast plays a tick a row", tooFast, chipWav, false, true, "",
         Failure::Cause::Refused},
        {"sine wav cancelled", noSetup,
         [](const CSoundDoc& doc, CFile& out) {
             return ExportWav(doc, doc.GetPlayRange(),
                              {SynthKind::Sine, [](double) { return false; }}, out);
         },
         false, false, "", Failure::Cause::Refused},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string dir = MakeTempDir();
        const std::string path = dir + (c.bMissingFolder ? "/missing/out" : "/out");
        NewDoc d;
        c.setup(d.doc);
        const Status written =
            WriteAtomically(path, [&](CFile& out) { return c.exportTo(d.doc, out); });
        EXPECT_EQ(written.Ok(), c.bOk);
        EXPECT_EQ(written.Error().substr(0, c.message.size()), c.message);
        EXPECT_EQ(written.Error().empty(), c.message.empty());
        if (!written.Ok())
        {
            EXPECT_EQ(written.GetFailure().cause, c.cause);
        }
        EXPECT_EQ(std::filesystem::exists(path), written.Ok());
        EXPECT_EQ(FilesIn(dir), written.Ok() ? 1 : 0);
    }
}

TEST(ImportErrors, ReachTheCallerWithTheirTextAndLeaveTheDocument)
{
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/big", std::string(kMaxAgiFileBytes + 1, '\0'));
    WriteFileBytes(dir + "/short", "\x08");
    const struct
    {
        std::string path;
        std::string message; // a prefix
        Failure::Cause cause;
    } cases[] = {
        {dir, "Cannot open " + dir + ":\nit is a folder", Failure::Cause::File},
        {dir + "/big", AgiTooLongMessage(kMaxAgiFileBytes + 1), Failure::Cause::Refused},
        {dir + "/short", "Error: ", Failure::Cause::Refused},
    };
    for (const auto& c : cases)
    {
        NewDoc d;
        const std::string before = d.doc.SaveToBytes();
        const Status imported = ImportAgiFile(d.doc, c.path);
        ASSERT_FALSE(imported.Ok()) << c.path;
        EXPECT_EQ(imported.Error().substr(0, c.message.size()), c.message) << imported.Error();
        EXPECT_EQ(imported.GetFailure().cause, c.cause) << c.path;
        EXPECT_EQ(d.doc.SaveToBytes(), before) << c.path;
    }
}

TEST(DocumentErrors, ARefusedFileIsNotSilent)
{
    const std::string dir = MakeTempDir();
    NewDoc d;
    WriteFileBytes(dir + "/bad.tks", "not a sound");
    const Status loaded = d.doc.OnOpenDocument(dir + "/bad.tks");
    EXPECT_FALSE(loaded.Ok());
    EXPECT_FALSE(loaded.GetFailure().Silent());
    EXPECT_EQ(loaded.GetFailure().cause, Failure::Cause::Refused);
}
