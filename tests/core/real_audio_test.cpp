// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

// Needs a PulseAudio server with a null sink; tests/scripts/real_audio_check.sh starts one
// and runs this with TARVOK_REAL_AUDIO_DIR set to a scratch folder.

namespace
{
class CCountingView : public ISoundRowSink
{
public:
    void PostRowPlayed(std::uint32_t) override
    {
        std::lock_guard lock(m_mutex);
        ++m_nReports;
        m_changed.notify_all();
    }
    bool WaitFor(int nReports, std::chrono::seconds timeout)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [&] { return m_nReports >= nReports; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_nReports = 0;
};

std::vector<std::int16_t> ToSamples(const std::string& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Where needle lies in haystack sample for sample, or -1; leading silence matches anywhere.
long Find(const std::vector<std::int16_t>& haystack, const std::vector<std::int16_t>& needle)
{
    const auto first = std::find_if(needle.begin(), needle.end(), [](auto s) { return s != 0; });
    const auto at = std::search(haystack.begin(), haystack.end(), first, needle.end());
    const long offset = static_cast<long>(first - needle.begin());
    return at == haystack.end() || at - haystack.begin() < offset ? -1
                                                                  : at - haystack.begin() - offset;
}

bool MachineIsOverloaded()
{
    double load = 0.0;
    if (std::FILE* pFile = std::fopen("/proc/loadavg", "r"))
    {
        if (std::fscanf(pFile, "%lf", &load) != 1)
            load = 0.0;
        std::fclose(pFile);
    }
    return load > std::thread::hardware_concurrency() + 1.0;
}
} // namespace

// The sine plays one pass; the chip plays a minute with the other core busy, and the
// device must not run dry once.
struct RealAudioCase
{
    SynthKind kind;
    int minimumSeconds;
};

class RealAudio : public ::testing::TestWithParam<RealAudioCase>
{
};

TEST_P(RealAudio, PlayedSongIsCapturedSampleExact)
{
    const char* pszDir = std::getenv("TARVOK_REAL_AUDIO_DIR");
    if (pszDir == nullptr)
        GTEST_SKIP() << "run by tests/scripts/real_audio_check.sh";
    const RealAudioCase& param = GetParam();
    const std::string dir = pszDir;
    const std::string name = dir + "/" + SynthKindName(param.kind);
    const std::string source = name + ".agi";
    // Tones and both noises, silent at the end, where the next pass follows without a fade.
    WriteFileBytes(
        source,
        Resource({Tone(0, 40, 427, 0) + Tone(0, 30, 254, 3) + Tone(0, 20, 15, 15),
                  Tone(1, 50, 339, 6) + Tone(1, 40, 15, 15),
                  Tone(2, 25, 1016, 2) + Tone(2, 65, 15, 15),
                  Noise(30, 1, true, 2) + Noise(30, 3, false, 5) + Noise(30, 0, false, 15)}));
    const std::string wav = name + ".wav";
    const std::string capture = name + ".raw";

    // The converter renders the document, as saved, with the chosen synthesizer.
    const std::string convert = std::string(TARVOK_CONVERT_EXE);
    const std::string command = convert + " '" + source + "' '" + name + ".tks' && " + convert +
                                " --chip " + SynthKindName(param.kind) + " '" + name + ".tks' '" +
                                wav + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto render = ToSamples(ReadFileBytes(wav).substr(44));

    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ASSERT_TRUE(doc.ImportAGIFile(source));
    if (param.kind == SynthKind::Sine)
    {
        std::vector<std::int16_t> offline;
        ASSERT_TRUE(RenderPlayRange(doc, offline, 1u << 28));
        ASSERT_EQ(offline, render);
    }
    const double passSeconds = render.size() / 44100.0;
    const int nPasses = std::max(1, static_cast<int>(param.minimumSeconds / passSeconds) + 1);
    // Rows reported in one pass: the chip's pass stops before the range end.
    const int nRows =
        doc.GetPlayRange().end - doc.GetPlayRange().start + (param.kind == SynthKind::Sine);

    // Record the sink's monitor from before the first sample until after the last.
    const char* argv[] = {"parec",        "-d",           "null.monitor", "--format=s16le",
                          "--rate=44100", "--channels=1", "--raw",        capture.c_str(),
                          nullptr};
    pid_t parec = 0;
    ASSERT_EQ(posix_spawnp(&parec, "parec", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(capture) || std::filesystem::file_size(capture) < 8820)
    {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "parec records nothing";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    {
        CRecordingMessages messages;
        CSoundPlayThread thread;
        thread.SetSynthKind(param.kind);
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitUntilHandled()) << "no sound device";
        std::atomic<bool> bBusy{param.minimumSeconds > 0};
        std::thread other(
            [&bBusy]
            {
                volatile unsigned spin = 0;
                while (bBusy.load(std::memory_order_relaxed))
                    spin = spin + 1;
            });
        // Settling in after the device opened is not part of the playing.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const unsigned nUnderflowsBefore = thread.GetUnderflowCount();
        CCountingView view;
        thread.PostPlay(&doc, &view);
        // The passes have been heard once the report after their last row has come.
        const int seconds = static_cast<int>(nPasses * passSeconds) + 10;
        EXPECT_TRUE(view.WaitFor(nPasses * nRows + 1, std::chrono::seconds(seconds)));
        bBusy = false;
        other.join();
        const unsigned nUnderflows = thread.GetUnderflowCount() - nUnderflowsBefore;
        // The promise holds beside one busy core; a machine loaded beyond its cores by
        // others starves the sound server too, and then the count is only reported.
        if (MachineIsOverloaded())
            std::printf("underflows while the machine was overloaded: %u\n", nUnderflows);
        else
            EXPECT_EQ(nUnderflows, 0u) << "the device ran dry";
        thread.PostStop();
        thread.QuitAndWait();
        EXPECT_TRUE(messages.m_texts.empty());
    }
    // Let the end of the output reach the recording.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(parec, SIGINT);
    int status = 0;
    ::waitpid(parec, &status, 0);

    const auto recorded = ToSamples(ReadFileBytes(capture));
    EXPECT_GE(Find(recorded, render), 0) << "the render is not in the recording";
}

INSTANTIATE_TEST_SUITE_P(Synthesizers, RealAudio,
                         ::testing::Values(RealAudioCase{SynthKind::Sine, 0},
                                           RealAudioCase{SynthKind::PCjr, 60}));
