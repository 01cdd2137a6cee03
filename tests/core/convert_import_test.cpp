// SPDX-License-Identifier: GPL-3.0-or-later
// tarvok-convert with MIDI and VGM input: its options, what it reports, and bad files.
#include "sound/AgiResource.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "support/ImportBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
std::string Write(const std::string& dir, const std::string& name, const Bytes& bytes)
{
    WriteFileBytes(dir + "/" + name, std::string(bytes.begin(), bytes.end()));
    return dir + "/" + name;
}

std::array<std::vector<SongRecord>, 4> RecordsOf(const std::string& agiPath)
{
    const std::string bytes = ReadFileBytes(agiPath);
    return ResourceRecords({bytes.begin(), bytes.end()});
}

std::array<std::vector<SongRecord>, 4> RecordsImported(const Bytes& file,
                                                       const MidiImportOptions& options)
{
    CSoundDoc doc;
    EXPECT_TRUE(ImportMidi(file, options, doc).Ok());
    std::lock_guard lock(doc.Guard());
    return ResourceRecords(BuildAgiResource(doc).bytes);
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
} // namespace

TEST(ConvertImport, MidiOptionsChooseTheChannelsAndTheLossesAreReported)
{
    const std::string dir = MakeTempDir();
    const Bytes song = CrowdedMidiSong();
    const std::string in = Write(dir, "song.MID", song);
    const struct
    {
        const char* options;
        MidiImportOptions expected;
        std::string cut;
    } cases[] = {
        {"", MidiImportOptions{}, "tarvok-convert: " + in + ": 2 notes cut for polyphony\n"},
        {"--drums none", MidiImportOptions::WithDrums(0), "song.MID: 2 notes cut"},
        {"--map 2,0,0", MidiImportOptions::Mapped({2, 0, 0}, 10), ""},
        {"--map=0,1,2 --drums=none", MidiImportOptions::Mapped({0, 1, 2}, 0), "4 notes cut"},
    };
    for (const auto& c : cases)
    {
        const ConvertResult r =
            RunConvert(std::string(c.options) + " " + in + " " + dir + "/o.agi");
        ASSERT_EQ(r.exitCode, 0) << c.options << "\n" << r.out;
        EXPECT_EQ(RecordsOf(dir + "/o.agi"), RecordsImported(song, c.expected)) << c.options;
        EXPECT_EQ(Contains(r.out, c.cut.empty() ? "cut for polyphony" : c.cut), !c.cut.empty())
            << c.options << "\n"
            << r.out;
        EXPECT_EQ(Contains(r.out, "raised by octaves into range"),
                  c.expected.channels[0] != MidiChannelUse::LeaveOut)
            << c.options << "\n"
            << r.out;
    }
    EXPECT_TRUE(RecordsOf(dir + "/o.agi")[3].empty()); // --drums none
}

TEST(ConvertImport, EveryOutputFormatAndInputByExtensionOrFrom)
{
    const std::string dir = MakeTempDir();
    const Bytes vgm = VgmFile(VgmTone(0, 200) + VgmAtten(0, 2) + VgmWait(735 * 30), 735 * 30);
    const std::string inputs[] = {Write(dir, "a.mid", CrowdedMidiSong()),
                                  Write(dir, "b.midi", CrowdedMidiSong()),
                                  Write(dir, "c.vgm", vgm),
                                  Write(dir, "d.VGZ", Gzip(vgm)),
                                  "--from mid " + Write(dir, "e.song", CrowdedMidiSong()),
                                  "--from vgm " + Write(dir, "f.bin", vgm)};
    for (const std::string& input : inputs)
        for (const char* output : {"out.tks", "out.agi", "out.mid", "out.wav"})
        {
            const ConvertResult r = RunConvert(input + " " + dir + "/" + output);
            EXPECT_EQ(r.exitCode, 0) << input << " -> " << output << "\n" << r.out;
            EXPECT_GT(std::filesystem::file_size(dir + "/" + output), 0u) << input;
            std::filesystem::remove(dir + "/" + output);
        }
    // The VGM's one tone comes through as the engine plays it.
    ASSERT_EQ(RunConvert(dir + "/d.VGZ " + dir + "/v.agi").exitCode, 0);
    EXPECT_EQ(RecordsOf(dir + "/v.agi")[0], (std::vector<SongRecord>{{0, 30, 200, 2}}));
}

TEST(ConvertImport, BadFilesAreNamedAndWriteNothing)
{
    const std::string dir = MakeTempDir();
    Bytes truncated = CrowdedMidiSong();
    truncated.resize(truncated.size() - 5);
    const struct
    {
        std::string name;
        Bytes bytes;
    } cases[] = {
        {"text.mid", Bytes{'h', 'e', 'l', 'l', 'o'}},
        {"short.mid", truncated},
        {"nochip.vgm", VgmFile(VgmWait(735), 735, 0)},
        {"text.vgz", Bytes{'n', 'o', 't', ' ', 'g', 'z'}},
    };
    for (const auto& c : cases)
    {
        const std::string in = Write(dir, c.name, c.bytes);
        const ConvertResult r = RunConvert(in + " " + dir + "/out.tks");
        EXPECT_EQ(r.exitCode, 1) << c.name;
        const std::string named = "tarvok-convert: " + in + ": ";
        EXPECT_EQ(r.out.rfind(named, 0), 0u) << r.out;
        EXPECT_GT(r.out.size(), named.size() + 4) << r.out;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks")) << c.name;
    }
    const ConvertResult missing = RunConvert(dir + "/missing.mid " + dir + "/out.tks");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out,
              "tarvok-convert: Cannot open " + dir + "/missing.mid:\nNo such file or directory.\n");
}

TEST(ConvertImport, BadMidiOptionsSayWhatIsWrong)
{
    const std::string dir = MakeTempDir();
    const std::string mid = Write(dir, "s.mid", CrowdedMidiSong());
    const std::string out = " " + dir + "/out.tks";
    for (const std::string line :
         {"--map 1,2 " + mid, "--map 1,2,17 " + mid, "--map 1,,2 " + mid, "--map 1,1,2 " + mid,
          "--drums 0 " + mid, "--drums x " + mid, "--map 1,2,3 --drums 3 " + mid,
          "--from vgm --drums 9 " + mid, std::string("--drums 9 --new")})
    {
        const ConvertResult r = RunConvert(line + out);
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_TRUE(Contains(r.out, "\nTry 'tarvok-convert --help'.\n")) << line;
        EXPECT_FALSE(Contains(r.out, "usage:")) << line;
        EXPECT_FALSE(std::filesystem::exists(dir + "/out.tks")) << line;
    }
}
