// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "sound/AgiFile.h"
#include "support/RenderedSound.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
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
    void PostRowPlayed(std::int32_t, std::uint32_t, double) override
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

constexpr double kRate = 44100.0;

// The first sample that is not silence, or the end.
std::size_t FirstSound(const std::vector<std::int16_t>& samples, std::size_t from = 0)
{
    const auto at = std::find_if(samples.begin() + static_cast<long>(from), samples.end(),
                                 [](auto s) { return s != 0; });
    return static_cast<std::size_t>(at - samples.begin());
}

// Where the recording, from recorded[i] on, goes on as expected[k..] does for a stretch long
// enough to be no accident; k is looked for from j on. Returns expected.size() if nowhere.
std::size_t Resume(const std::vector<std::int16_t>& recorded, std::size_t i,
                   const std::vector<std::int16_t>& expected, std::size_t j)
{
    constexpr std::size_t kStretch = 64;
    const std::size_t n = std::min(kStretch, recorded.size() - i);
    const std::size_t last = std::min(expected.size(), j + static_cast<std::size_t>(kRate));
    for (std::size_t k = j; k + n <= last; ++k)
        if (std::equal(recorded.begin() + static_cast<long>(i),
                       recorded.begin() + static_cast<long>(i + n),
                       expected.begin() + static_cast<long>(k)))
            return k;
    return expected.size();
}

// Walks the recording against every expected sample and names each place the listener heard
// something else: a dropout (silence, or a jump, after which the song goes on, perhaps further
// along) with its position in the song and its length, or where the recording stops following
// the song.
std::vector<std::string> Dropouts(const std::vector<std::int16_t>& recorded,
                                  const std::vector<std::int16_t>& expected)
{
    std::vector<std::string> found;
    char text[160];
    const std::size_t soundAt = FirstSound(expected);
    const std::size_t heardAt = FirstSound(recorded);
    if (soundAt == expected.size() || heardAt < soundAt || heardAt == recorded.size())
        return {"the song is not in the recording"};
    std::size_t i = heardAt - soundAt, j = 0;
    while (j < expected.size())
    {
        if (i == recorded.size())
        {
            std::snprintf(text, sizeof text, "the recording ends %.3f s into the song", j / kRate);
            found.push_back(text);
            break;
        }
        if (recorded[i] == expected[j])
        {
            ++i, ++j;
            continue;
        }
        // Silence, a jump ahead in the song, or both.
        const std::size_t resumedAt = FirstSound(recorded, i);
        const std::size_t k = resumedAt < recorded.size() ? Resume(recorded, resumedAt, expected, j)
                                                          : expected.size();
        if (k == expected.size())
        {
            std::snprintf(text, sizeof text, "the recording departs from the song %.3f s in",
                          j / kRate);
            found.push_back(text);
            break;
        }
        std::snprintf(text, sizeof text,
                      "dropout %.3f s into the song: %.1f ms of silence, %.1f ms of the song "
                      "skipped",
                      j / kRate, (resumedAt - i) * 1000 / kRate, (k - j) * 1000 / kRate);
        found.push_back(text);
        i = resumedAt;
        j = k;
    }
    return found;
}
} // namespace

// The sine plays one pass; the chip plays ten seconds with every core kept busy, and every
// pass must be heard whole, without one dropout.
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
    const auto render = WavSamples(ReadFileBytes(wav));

    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ASSERT_TRUE(ImportAgiFile(doc, source));
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

    // Record the sink's monitor from before the first sample until after the last. Asked for
    // a short latency, the null sink renders in short blocks, as a sound card's sink does;
    // otherwise it renders up to two seconds ahead while the program's stream is idle, and a
    // stream restarted after a dropout waits behind them.
    const char* argv[] = {"parec",         "-d",           "null.monitor", "--format=s16le",
                          "--rate=44100",  "--channels=1", "--raw",        "--latency-msec=10",
                          capture.c_str(), nullptr};
    pid_t parec = 0;
    ASSERT_EQ(posix_spawnp(&parec, "parec", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(capture) || std::filesystem::file_size(capture) < 8820)
    {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "parec records nothing";
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    DropoutCounts counted;
    std::string device;
    {
        CRecordedErrors errors;
        CSoundPlayThread thread;
        thread.SetErrorReport(errors.Report());
        thread.SetSynthKind(param.kind);
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitUntilHandled()) << "no sound device";
        std::atomic<bool> bBusy{param.minimumSeconds > 0};
        std::vector<std::thread> others;
        for (unsigned n = std::max(1u, std::thread::hardware_concurrency()); n > 0; --n)
            others.emplace_back(
                [&bBusy]
                {
                    volatile unsigned spin = 0;
                    while (bBusy.load(std::memory_order_relaxed))
                        spin = spin + 1;
                });
        // Settling in after the device opened is not part of the playing.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const DropoutCounts before = thread.GetDropouts();
        CCountingView view;
        thread.PostPlay(&doc, &view, doc.GetPlayRange().start);
        // The passes have been heard once the reports after their last row have come: a
        // report is the row's start as the device's latency estimates it, and the stop drops
        // what is still buffered, so the wait runs three rows (50 ms) past the last one.
        const int seconds = static_cast<int>(nPasses * passSeconds) + 10;
        EXPECT_TRUE(view.WaitFor(nPasses * nRows + 3, std::chrono::seconds(seconds)));
        bBusy = false;
        for (std::thread& other : others)
            other.join();
        counted = thread.GetDropouts() - before;
        device = thread.GetDeviceDescription();
        thread.PostStop();
        thread.QuitAndWait();
        EXPECT_TRUE(errors.Texts().empty());
    }
    // Let the end of the output reach the recording.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ::kill(parec, SIGINT);
    int status = 0;
    ::waitpid(parec, &status, 0);

    const auto recorded = WavSamples(ReadFileBytes(capture), 0);
    std::vector<std::int16_t> passes;
    for (int pass = 0; pass < nPasses; ++pass)
        passes.insert(passes.end(), render.begin(), render.end());
    const auto dropouts = Dropouts(recorded, passes);
    std::string list;
    for (const std::string& dropout : dropouts)
        list += "\n  " + dropout;
    // Which side failed: the play thread (the ring ran dry), the device and sound server, or
    // a callback that came late.
    std::printf("%d passes, %.1f s; dropouts heard: %zu, counted by the player: %s; %s\n",
                nPasses, passes.size() / kRate, dropouts.size(), counted.Describe().c_str(),
                device.c_str());
    EXPECT_TRUE(dropouts.empty()) << "heard:" << list;
    EXPECT_EQ(counted.Total(), 0u) << "the player counted dropouts";
}

INSTANTIATE_TEST_SUITE_P(Synthesizers, RealAudio,
                         ::testing::Values(RealAudioCase{SynthKind::Sine, 0},
                                           RealAudioCase{SynthKind::PCjr, 10}));
