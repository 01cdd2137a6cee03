// SPDX-License-Identifier: GPL-3.0-or-later
#include "AgiTestBytes.h"
#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
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
} // namespace

TEST(RealAudio, PlayedSongIsCapturedSampleExact)
{
    const char* pszDir = std::getenv("TARVOK_REAL_AUDIO_DIR");
    if (pszDir == nullptr)
        GTEST_SKIP() << "run by tests/scripts/real_audio_check.sh";
    const std::string dir = pszDir;
    const std::string source = dir + "/song.agi";
    // Tones and both noises, silent at the end, where the next pass follows without a fade.
    WriteFileBytes(
        source,
        Resource({Tone(0, 40, 427, 0) + Tone(0, 30, 254, 3) + Tone(0, 20, 15, 15),
                  Tone(1, 50, 339, 6) + Tone(1, 40, 15, 15),
                  Tone(2, 25, 1016, 2) + Tone(2, 65, 15, 15),
                  Noise(30, 1, true, 2) + Noise(30, 3, false, 5) + Noise(30, 0, false, 15)}));
    const std::string wav = dir + "/song.wav";
    const std::string capture = dir + "/capture.raw";

    const std::string command = std::string(TARVOK_CONVERT_EXE) + " '" + source + "' '" + wav + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto render = ToSamples(ReadFileBytes(wav).substr(44));

    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    ASSERT_TRUE(doc.ImportAGIFile(source));
    std::vector<std::int16_t> offline;
    ASSERT_TRUE(RenderPlayRange(doc, offline, 1u << 28));
    ASSERT_EQ(offline, render);
    const int nRows = doc.m_nRangeEnd - doc.m_nRangeStart + 1;
    const unsigned rowBytes = CToneSynth::RowBytes(doc.m_nBeatsPerMinute, doc.m_nTracksPerBeat);

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
        ASSERT_TRUE(thread.CreateThread());
        ASSERT_TRUE(thread.WaitUntilHandled()) << "no sound device";
        CCountingView view;
        thread.PostPlay(&doc, &view);
        // One pass has been heard once the report after its last row has come.
        const int seconds = static_cast<int>(nRows * rowBytes / 88200) + 10;
        EXPECT_TRUE(view.WaitFor(nRows + 1, std::chrono::seconds(seconds)));
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
