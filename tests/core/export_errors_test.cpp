// SPDX-License-Identifier: GPL-3.0-or-later
// The failures of every import and export reach their caller with the message for the person
// and its cause, and a failed export leaves no file behind.
#include "AgiTestBytes.h"
#include "framework/AtomicFile.h"
#include "playback/SoundRenderer.h"
#include "playback/WavWriter.h"
#include "sound/AgiResource.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace
{
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

TEST(ExportErrors, ReachTheCallerWithTheirTextAndLeaveNoFile)
{
    const auto agi = [](const CSoundDoc& doc, CFile& out) { return ExportAgi(doc, out); };
    const auto chipWav = [](const CSoundDoc& doc, CFile& out) {
        return ExportWav(doc, {SynthKind::PCjr, {}}, out);
    };
    const auto noSetup = [](CSoundDoc&) {};
    const auto tooFast = [](CSoundDoc& doc) { doc.AssignProperties({250, doc.GetStepSize(), 24}); };
    const Case cases[] = {
        {"agi", noSetup, agi, false, true, "", Failure::Cause::Refused},
        {"agi too long", MakeTooLongForAgi, agi, false, false, kTooLongForAgi,
         Failure::Cause::Refused},
        {"agi no folder", noSetup, agi, true, false, "Cannot save ", Failure::Cause::File},
        {"chip wav too long", MakeTooLongForAgi, chipWav, false, false, kTooLongForAgi,
         Failure::Cause::Refused},
        {"chip wav too fast", tooFast, chipWav, false, false, kTempoTooFastText,
         Failure::Cause::Refused},
        {"sine wav cancelled", noSetup,
         [](const CSoundDoc& doc, CFile& out) {
             return ExportWav(doc, {SynthKind::Sine, [](double) { return false; }}, out);
         },
         false, false, "", Failure::Cause::Refused},
    };
    for (const Case& c : cases)
    {
        const std::string dir = MakeTempDir();
        const std::string path = dir + (c.bMissingFolder ? "/missing/out" : "/out");
        NewDoc d;
        c.setup(d.doc);
        const Status written =
            WriteAtomically(path, [&](CFile& out) { return c.exportTo(d.doc, out); });
        EXPECT_EQ(written.Ok(), c.bOk) << c.name;
        EXPECT_EQ(written.Error().substr(0, c.message.size()), c.message) << c.name;
        EXPECT_EQ(written.Error().empty(), c.message.empty()) << c.name;
        if (!written.Ok())
        {
            EXPECT_EQ(written.GetFailure().cause, c.cause) << c.name;
        }
        EXPECT_EQ(std::filesystem::exists(path), written.Ok()) << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), written.Ok() ? 1 : 0)
            << c.name;
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

TEST(DocumentErrors, OpenAndSaveReturnTheirText)
{
    const std::string dir = MakeTempDir();
    NewDoc d;
    const Status saved = d.doc.OnSaveDocument(dir + "/missing/a.tks");
    EXPECT_EQ(saved.Error().substr(0, 12), "Cannot save ");
    EXPECT_EQ(saved.GetFailure().cause, Failure::Cause::File);

    WriteFileBytes(dir + "/bad.tks", "not a sound");
    const Status loaded = d.doc.OnOpenDocument(dir + "/bad.tks");
    EXPECT_FALSE(loaded.Ok());
    EXPECT_FALSE(loaded.GetFailure().Silent());
    EXPECT_EQ(loaded.GetFailure().cause, Failure::Cause::Refused);
}
