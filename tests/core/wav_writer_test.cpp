// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "framework/AtomicFile.h"
#include "playback/SynthKind.h"
#include "playback/WavWriter.h"
#include "sound/VgmWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/resource.h>

namespace
{
long PeakKilobytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

Status WriteWav(const std::string& path, const std::string& agi, WavOptions options)
{
    const std::vector<std::uint8_t> resource(agi.begin(), agi.end());
    return WriteAtomically(path, [&](CFile& out) { return ExportAgiWav(resource, options, out); });
}

std::string Measure(const std::string& agi, SynthKind kind, WavLength& length)
{
    return MeasureAgiWavFile(reinterpret_cast<const std::uint8_t*>(agi.data()), agi.size(), kind,
                             length);
}

// Records of 65534 ticks, each 18 minutes at the chips' tick.
std::string LongestRecords(int n)
{
    return Resource({Repeat(Tone(0, 0xFFFE, 254, 0), n), "", "", ""});
}

long FilesIn(const std::string& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), {});
}
} // namespace

TEST(WavWriter, LongRenderStreamsAndCancelLeavesNoFile)
{
    // 96 MB of samples.
    const std::string agi = LongestRecords(1);
    const std::string dir = MakeTempDir();
    const long before = PeakKilobytes();
    int nCalls = 0;
    EXPECT_TRUE(
        WriteWav(dir + "/long.wav", agi, {SynthKind::PCjr, [&](double) { return ++nCalls > 0; }}));
    EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
    EXPECT_EQ(std::filesystem::file_size(dir + "/long.wav"), 44u + 2u * 0xFFFE * 735);
    EXPECT_EQ(nCalls, (0xFFFE * 735 + 44099) / 44100);

    const Status cut = WriteWav(
        dir + "/cut.wav", agi, {SynthKind::Tandy, [](double fraction) { return fraction < 0.01; }});
    EXPECT_TRUE(!cut.Ok() && cut.GetFailure().Silent());
    EXPECT_EQ(FilesIn(dir), 1);
}

TEST(WavWriter, EveryRenderRefusesWhatTheImportRefuses)
{
    // A channel offset past the end of the resource.
    std::string agi = Resource({Tone(0, 10, 254, 0), "", "", ""});
    agi[6] = static_cast<char>(0xF0);
    NewDoc d;
    const Status imported = ImportBytes(d.doc, agi);
    ASSERT_NE(imported.Error(), "");
    const std::string dir = MakeTempDir();
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy})
    {
        SCOPED_TRACE(SynthKindName(kind));
        EXPECT_EQ(WriteWav(dir + "/bad.wav", agi, {kind, {}}).Error(), imported.Error());
        WavLength length;
        EXPECT_EQ(Measure(agi, kind, length), imported.Error());
    }
    const auto* pData = reinterpret_cast<const std::uint8_t*>(agi.data());
    EXPECT_EQ(BuildVgm(pData, agi.size(), {}).error, imported.Error());
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    // The converter, every output and chip: the import's message after the file's name.
    WriteFileBytes(dir + "/bad.agi", agi);
    for (const char* command :
         {"--from agi --chip pcjr D/bad.agi D/out.wav", "--chip tandy D/bad.agi D/out.wav",
          "--chip speaker D/bad.agi D/out.wav", "--chip sine D/bad.agi D/out.wav",
          "D/bad.agi D/out.vgm", "--chip tandy --fade 3 D/bad.agi D/out.vgz", "D/bad.agi D/out.mid",
          "D/bad.agi D/out.tks", "--to agi D/bad.agi D/out"})
    {
        SCOPED_TRACE(command);
        const ConvertResult r = RunConvert(InFolder(command, dir));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "tarvok-convert: " + dir + "/bad.agi: " + imported.Error() + "\n");
        EXPECT_EQ(FilesIn(dir), 1);
    }
}

TEST(WavWriter, TheLengthIsKnownBeforeRendering)
{
    const std::string dir = MakeTempDir();
    const std::string song = RandomResource(7, 25, 30);
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr, SynthKind::Tandy})
    {
        SCOPED_TRACE(SynthKindName(kind));
        WavLength length;
        ASSERT_EQ(Measure(song, kind, length), "");
        ASSERT_TRUE(WriteWav(dir + "/song.wav", song, {kind, {}}));
        EXPECT_EQ(std::filesystem::file_size(dir + "/song.wav"), length.bytes);
        EXPECT_EQ(length.bytes, 44 + 2 * length.samples);
    }

    // A few hundred bytes of the longest records: ten hours, or more than a .wav file holds.
    for (const auto& [records, error] : {std::pair{33, ""}, {50, kWavTooLongText}})
    {
        WavLength length;
        EXPECT_EQ(Measure(LongestRecords(records), SynthKind::PCjr, length), error);
        if (*error == '\0')
        {
            EXPECT_EQ(length.samples, 33u * 0xFFFE * 735);
            EXPECT_GT(length.Seconds(), 10 * 3600);
        }
    }
}

TEST(WavWriter, RendersPastAnHourAreNamedAndNeedLong)
{
    const std::tuple<std::uint64_t, bool, const char*> lengths[] = {
        {59ull * 44100, false, "0:00:59 (5 MB)"},
        {3600ull * 44100, false, "1:00:00 (318 MB)"},
        {3600ull * 44100 + 1, true, "1:00:01 (318 MB)"},
        {36003ull * 44100, true, "10:00:03 (3.2 GB)"},
    };
    for (const auto& [samples, bLong, text] : lengths)
    {
        const WavLength length{samples, 44 + 2 * samples};
        EXPECT_EQ(length.IsLong(), bLong) << text;
        EXPECT_EQ(DescribeWavLength(length), text);
    }

    // Four of the longest records: 1:12:49.
    const std::string dir = MakeTempDir();
    WriteFileBytes(dir + "/long.agi", LongestRecords(4));
    ASSERT_EQ(RunConvert(dir + "/long.agi " + dir + "/long.tks").exitCode, 0);
    const std::string chipRefusal = "the render would last 1:12:49 (385 MB); add --long";
    // Every route to a .wav: a raw resource or a document, played by a chip or the sine.
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"--chip pcjr", "long.agi", true},       {"--from agi --chip speaker", "long.agi", true},
        {"--chip tandy", "long.tks", true},      {"", "long.agi", false},
        {"--to wav --whole", "long.tks", false},
    };
    for (const auto& [options, input, bChip] : cases)
    {
        SCOPED_TRACE(std::string(options) + " " + input);
        const std::string in = dir + "/" + input;
        const std::string line = std::string(options) + " " + in + " " + dir + "/out.wav";
        const ConvertResult refused = RunConvert(line);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_EQ(refused.out.rfind("tarvok-convert: " + in + ": the render would last ", 0), 0u)
            << refused.out;
        EXPECT_NE(refused.out.find("; add --long to write it anyway\n"), std::string::npos);
        if (bChip)
            EXPECT_NE(refused.out.find(chipRefusal), std::string::npos) << refused.out;
        // With --long it renders: past a small file limit, the system's message.
        const ConvertResult started = RunConvertWithFileLimit("--long " + line, 256);
        EXPECT_EQ(started.exitCode, 1);
        EXPECT_EQ(started.out.rfind("tarvok-convert: Cannot save " + dir + "/out.wav:\n", 0), 0u)
            << started.out;
        EXPECT_EQ(FilesIn(dir), 2);
    }
}
