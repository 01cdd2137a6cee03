// SPDX-License-Identifier: GPL-3.0-or-later
#include "playback/DropoutCounter.h"
#include "playback/InstrumentPreview.h"
#include "playback/OfflineRenderer.h"
#include "playback/RowSequencer.h"
#include "playback/SoundPlayThread.h"
#include "sound/AgiResource.h"
#include "sound/ReadyInstruments.h"
#include "support/RenderedSound.h"
#include "support/TestSupport.h"
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <random>
#include <thread>
#include <vector>

namespace
{
constexpr unsigned kRow = CVirtualPlayer::kRow;
constexpr unsigned kTick = 735;
constexpr unsigned kBlocks = 10;

class CNotifyCounter : public IAudioNotify
{
public:
    void OnAudioNotify() noexcept override { m_nCount.fetch_add(1); }
    std::atomic<int> m_nCount{0};
};

class PlayThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_doc.AssignProperties({120, m_doc.GetStepSize(), m_doc.GetTracksPerBeat()});
        m_doc.AssignPlayRange({m_doc.GetPlayRange().start, 7});
        // A different note on every row of voice 0, a held chord on voices 1 and 2.
        CSoundPattern* p0 = m_doc.PlacePattern(0, 0, m_doc.CreatePattern(0, 8));
        for (int row = 0; row < 8; ++row)
            p0->SetCell(row, {static_cast<std::uint8_t>(60 + row), 255, 0, 0});
        m_doc.PlacePattern(1, 0, m_doc.CreatePattern(1, 8))->SetCell(0, {48, 255, 0, 4});
        m_doc.PlacePattern(2, 2, m_doc.CreatePattern(2, 4))->SetCell(0, {55, 255, 0, 8});
    }

    Samples Offline(int rangeStart, int rangeEnd)
    {
        const PlayRange stored = m_doc.GetPlayRange();
        m_doc.AssignPlayRange({rangeStart, rangeEnd});
        Samples samples;
        EXPECT_TRUE(RenderPlayRange(m_doc, samples, 1u << 28));
        m_doc.AssignPlayRange(stored);
        return samples;
    }

    CSoundDoc m_doc;
    CVirtualPlayer m_player;
    CVirtualAudioDevice* const m_pDevice = m_player.m_pDevice;
    CSoundPlayThread* const m_thread = &m_player.m_thread;
};
} // namespace

TEST(AudioDevice, StreamLoopsFromItsPositionAndNotifiesAtEachPosition)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(20);
    ASSERT_NE(pStream, nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(0), nullptr);
    EXPECT_EQ(device.CreateStreamBuffer(7), nullptr);
    const Samples ramp = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(pStream->Write(0, ramp.data(), 20));
    EXPECT_FALSE(pStream->Write(18, ramp.data(), 4));
    EXPECT_FALSE(pStream->SetNotificationPositions({3}, nullptr));
    CNotifyCounter counter;
    ASSERT_TRUE(pStream->SetNotificationPositions({8, 18}, &counter));
    ASSERT_TRUE(pStream->SetCurrentPosition(12));

    // Not yet playing: the output is silent and the cursor stays.
    device.Advance(4);
    EXPECT_EQ(pStream->GetCurrentPosition(), 12u);
    ASSERT_TRUE(pStream->Play());
    // Samples 6..9 (position 18 at sample 9), then 0..4 (position 8 at sample 4).
    std::string counts;
    for (const unsigned n : {3, 1, 4, 1, 20})
    {
        device.Advance(n);
        counts += std::to_string(counter.m_nCount.load()) + " ";
    }
    EXPECT_EQ(counts, "0 1 1 2 6 ");
    EXPECT_EQ(pStream->GetCurrentPosition(), 10u);
    pStream->Stop();
    device.Advance(2);
    EXPECT_EQ(counter.m_nCount.load(), 6);
    const Samples output = device.TakeOutput();
    EXPECT_EQ(Samples(output.begin(), output.begin() + 13),
              (Samples{0, 0, 0, 0, 7, 8, 9, 10, 1, 2, 3, 4, 5}));
    EXPECT_EQ(Samples(output.end() - 2, output.end()), Samples(2, 0));
}

TEST(AudioDevice, TrackedStreamPlaysOnlyWhatWasCommittedAndCountsEachGapOnce)
{
    CVirtualAudioDevice device;
    device.SetRecording(true);
    auto pStream = device.CreateStreamBuffer(16);
    ASSERT_NE(pStream, nullptr);
    const Samples ramp = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(pStream->Write(0, ramp.data(), 16));
    CNotifyCounter counter;
    ASSERT_TRUE(pStream->SetNotificationPositions({6}, &counter));
    ASSERT_TRUE(pStream->TrackFill());
    pStream->Commit(3 * 2);
    ASSERT_TRUE(pStream->Play());
    EXPECT_FALSE(pStream->TrackFill());

    // Each step: samples committed before it, samples played, then what was heard and the
    // gaps counted so far. The cursor waits where the writer fell behind, so nothing is
    // skipped and no old sample is replayed.
    const std::tuple<unsigned, unsigned, Samples, unsigned, int> steps[] = {
        {0, 2, {1, 2}, 0, 0},    {0, 3, {3, 0, 0}, 1, 0}, {0, 2, {0, 0}, 1, 0},
        {4, 3, {4, 5, 6}, 1, 1}, {0, 3, {7, 0, 0}, 2, 1}, {8, 6, {8, 1, 2, 3, 4, 5}, 2, 2},
    };
    for (const auto& [nCommit, nPlay, heard, nGaps, nNotified] : steps)
    {
        pStream->Commit(nCommit * 2);
        device.Advance(nPlay);
        EXPECT_EQ(device.TakeOutput(), heard) << nPlay;
        EXPECT_EQ(device.GetDropouts().ring, nGaps) << nPlay;
        EXPECT_EQ(counter.m_nCount.load(), nNotified) << nPlay;
    }
}

TEST(DropoutCounter, CountsFlaggedBlocksAndDrainedOutputsOncePerGapAfterTheStreamSettles)
{
    // 1000 frames a second, 10 ms latency: 100 frames of settling. Each block: flagged by the
    // driver, its time, when it was due, its frames, and the dropouts counted after it, as
    // the device's and the late callbacks'.
    const std::tuple<bool, double, double, unsigned, unsigned, unsigned> blocks[] = {
        {true, 1.000, 1.000, 60, 0, 0},   // priming: nothing is due yet
        {false, 1.050, 1.050, 40, 0, 0},  // still priming
        {false, 1.060, 1.060, 10, 0, 1},  // a latency late and due already: the server played silence
        {false, 1.080, 1.070, 10, 0, 1},  // the same gap goes on
        {false, 1.085, 1.095, 10, 0, 1},  // in time again
        {false, 1.090, 1.090, 10, 0, 1},  // due now, but the output still held the block before
        {false, 1.110, 1.1104, 10, 0, 1}, // late, but the output had not drained
        {true, 1.112, 1.130, 10, 1, 1},   // the driver flags one
        {true, 1.130, 1.130, 10, 1, 1},   // the same one, late as well
        {false, 0.0, 0.0, 10, 1, 1},      // a host without a clock
        {true, 0.0, 0.0, 10, 2, 1},
    };
    CDropoutCounter counter;
    counter.StartStream(1000, 0.010);
    for (const auto& [bFlagged, now, due, nFrames, nDevice, nLate] : blocks)
    {
        counter.OnBlock(bFlagged, now, due, nFrames);
        EXPECT_EQ(counter.GetCounts().device, nDevice) << now;
        EXPECT_EQ(counter.GetCounts().late, nLate) << now;
    }
    counter.CountGap();
    // A new stream primes again, and forgets the gap of the old one.
    counter.StartStream(1000, 0.010);
    counter.OnBlock(false, 5.0, 5.0, 100);
    counter.OnBlock(true, 5.002, 5.010, 10);
    EXPECT_EQ(counter.GetCounts().Describe(), "5 (device 4, late callback 1)");
    EXPECT_EQ(DropoutCounts{}.Describe(), "0");
}

TEST_F(PlayThreadTest, StreamGeometryFirstRowsAtOnceAndTheOfflineRenderWrappingToTheStart)
{
    m_player.Play(m_doc);
    auto snapshot = m_pDevice->SnapshotStream();
    ASSERT_TRUE(snapshot.bPlaying);
    // A slot is a game tick, notified at its last sample.
    const auto nSlots = static_cast<unsigned>(snapshot.positions.size());
    ASSERT_GE(nSlots, 4u);
    EXPECT_EQ(snapshot.nBytes, nSlots * 2 * kTick);
    EXPECT_EQ(snapshot.nCursor, 0u);
    for (unsigned i = 1; i <= nSlots; ++i)
        EXPECT_EQ(snapshot.positions[i - 1], 2 * kTick * i - 2);
    // The first half of the ring, played next, holds the first ticks already.
    const Samples pass = Offline(0, 7);
    ASSERT_EQ(pass.size(), 7 * kRow);
    Samples expected(pass.begin(), pass.begin() + nSlots / 2 * kTick);
    expected.resize(nSlots * kTick);
    EXPECT_EQ(snapshot.samples, expected);

    // A row is reported as its last tick is heard.
    EXPECT_EQ(m_player.Advance(kRow - 1), 0);
    EXPECT_EQ(m_player.Advance(1), 1);
    EXPECT_EQ(m_player.ShownRow(), 1);
    EXPECT_EQ(m_player.AdvanceRows(3), 3);
    EXPECT_EQ(m_player.ShownRow(), 4);

    // Two passes of rows 0 to 6 and four more rows, from the first sample.
    EXPECT_EQ(m_player.AdvanceRows(14), 14);
    EXPECT_EQ(m_player.ShownRow(), 18 % 7);
    Samples passes;
    for (int i = 0; i < 3; ++i)
        passes.insert(passes.end(), pass.begin(), pass.end());
    passes.resize(18 * kRow);
    EXPECT_TRUE(m_pDevice->TakeOutput() == passes);
}

TEST_F(PlayThreadTest, PauseStoresTheHeardRowAndPlayResumesThere)
{
    m_player.Play(m_doc);
    // 12 rows heard in a pass of 7: the row heard now is 5.
    EXPECT_EQ(m_player.AdvanceRows(12), 12);
    EXPECT_EQ(m_player.ShownRow(), 5);

    // Reports still on their way when the stop is handled do not count.
    m_pDevice->Advance(kRow);
    m_thread->PostStop();
    m_thread->WaitUntilHandled();
    const CSoundPlayThread::StoppedPlayback stopped = m_thread->TakeLastStop();
    EXPECT_EQ(stopped.pDoc, &m_doc);
    EXPECT_EQ(stopped.row, 6);
    EXPECT_EQ(m_thread->TakeLastStop().pDoc, nullptr);
    const auto late = m_player.TakeReports();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].row, 6);
    EXPECT_FALSE(m_thread->IsCurrentPlayback(late[0].generation));
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);

    // Row 6 first, with the channel state cleared: as a pass that starts at 6; the range
    // start follows it.
    m_player.Play(m_doc, stopped.row);
    const Samples ring = m_pDevice->SnapshotStream().samples;
    EXPECT_EQ(Samples(ring.begin(), ring.begin() + kRow), Offline(6, 7));
    EXPECT_EQ(m_player.AdvanceRows(1), 1);
    EXPECT_EQ(m_player.ShownRow(), 0);
}

TEST_F(PlayThreadTest, PlayFromCarriesEveryChannelInFromTheRangeStart)
{
    // From row 6: voice 0's own note, voice 1's held note and attenuation, voice 2 ended.
    CRowSequencer sequencer;
    sequencer.StartFrom(m_doc, m_doc.GetPlayRange(), 6);
    sequencer.Prime(m_doc, m_doc.GetPlayRange());
    const RowEntry heard[] = {{66, 0}, {48, 4}, {NOTE_OFF, 8}};
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(sequencer.GetQueues()[c][1], heard[c]) << c;
}

TEST_F(PlayThreadTest, ClosingTheDocumentStopsPlaybackBeforeItGoes)
{
    auto pDoc = std::make_unique<CSoundDoc>();
    ASSERT_TRUE(pDoc->OnNewDocument());
    m_player.Play(*pDoc);
    m_pDevice->Advance(kRow * 3);
    // Closing another document leaves it playing.
    m_thread->OnDocumentClosing(&m_doc);
    EXPECT_TRUE(m_pDevice->SnapshotStream().bPlaying);
    m_thread->OnDocumentClosing(pDoc.get());
    // Returned only after the stop was handled.
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);
    pDoc->OnCloseDocument();
    pDoc.reset();
    EXPECT_EQ(m_player.TakeReports().size(), 3u);
    // The thread no longer knows the document: playing on reports and reads nothing.
    EXPECT_EQ(m_player.Advance(kRow * kBlocks), 0);
}

TEST_F(PlayThreadTest, PreviewSoundsWithTheSongAndASecondOneCutsTheFirst)
{
    CToneSynth synth;
    Samples a(10025), b(10025);
    synth.RenderPreview(69, a.data());
    synth.RenderPreview(76, b.data());
    m_player.Play(m_doc);
    m_player.AdvanceRows(kBlocks / 2);
    m_pDevice->TakeOutput();
    m_thread->PostPreview(&m_doc, 69);
    m_thread->WaitUntilHandled();
    m_pDevice->Advance(3000);
    m_thread->PostPreview(&m_doc, 76);
    m_thread->PostPreview(&m_doc, 200); // no such note: ignored
    m_thread->WaitUntilHandled();
    m_player.Advance(2 * kRow + 11025 - 3000);
    const auto output = m_pDevice->TakeOutput();

    auto song = Offline(0, 7);
    song.insert(song.end(), song.begin(), song.end());
    const std::size_t heard = kBlocks / 2 * kRow;
    for (std::size_t i = 0; i < output.size(); ++i)
    {
        const int preview = i < 3000 ? a[i] : i - 3000 < b.size() ? b[i - 3000] : 0;
        const int expected = std::clamp(song[heard + i] + preview, -32768, 32767);
        ASSERT_EQ(output[i], expected) << "sample " << i;
    }
}

TEST_F(PlayThreadTest, InstrumentPreviewPlaysItsOwnLengthAndAPlainOneStillItsOwn)
{
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr})
    {
        m_thread->SetVoice({kind, FadeKind::None});
        const CInstrument& pad = ReadyInstruments()[1];
        Samples shaped(InstrumentPreview::kMaxSamples), plain(10025);
        shaped.resize(MakeSoundRenderer(kind)->RenderPreview(69, pad, false, shaped.data()));
        MakeSoundRenderer(kind)->RenderPreview(69, plain.data());
        for (const Samples* pExpected : {&shaped, &plain})
        {
            m_pDevice->TakeOutput();
            if (pExpected == &shaped)
                m_thread->PostPreview(&m_doc, 69, 0, pad);
            else
                m_thread->PostPreview(&m_doc, 69);
            m_thread->WaitUntilHandled();
            m_pDevice->Advance(static_cast<unsigned>(pExpected->size()) + 1000);
            Samples expected = *pExpected;
            expected.resize(pExpected->size() + 1000, 0);
            ASSERT_EQ(m_pDevice->TakeOutput(), expected) << static_cast<int>(kind);
        }
    }
}

TEST_F(PlayThreadTest, OutputRestsWhenSilentNeverDuringASongAndWakesWithTheNoteAtOnce)
{
    CVirtualPlayer player(std::chrono::milliseconds(50));
    CVirtualAudioDevice& device = *player.m_pDevice;
    const auto restsWithin = [&](int ms)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!device.IsResting() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return device.IsResting();
    };
    EXPECT_TRUE(restsWithin(2000)) << "an output that never played";

    // The note's first sample is the first one the woken output plays.
    Samples note(10025);
    CToneSynth().RenderPreview(69, note.data());
    player.m_thread.PostPreview(&m_doc, 69);
    player.m_thread.WaitUntilHandled();
    EXPECT_FALSE(device.IsResting());
    device.TakeOutput();
    device.Advance(2000);
    EXPECT_EQ(device.TakeOutput(), Samples(note.begin(), note.begin() + 2000));
    EXPECT_TRUE(restsWithin(3000)) << "after the note";

    player.Play(m_doc);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(device.IsResting()) << "a song waiting for its output";
    player.AdvanceRows(2);
    player.m_thread.PostStop();
    EXPECT_TRUE(restsWithin(2000)) << "after the song";
}

TEST_F(PlayThreadTest, ChipPlaysTheExportAtTheGamesTempoAndWrapsBeforeTheRangeEnd)
{
    // 120 x 4 is 8 ticks a row; a pass is rows 0 to 6.
    constexpr unsigned kChipRow = 8 * 735;
    const std::vector<std::uint8_t> resource = BuildAgiResource(m_doc, m_doc.GetPlayRange()).Value();
    const Samples pass = RenderAgi({resource.begin(), resource.end()}, SynthKind::Tandy);
    ASSERT_EQ(pass.size(), 7u * kChipRow);

    m_thread->SetSynthKind(SynthKind::Tandy);
    m_player.Play(m_doc);
    std::vector<int> positions;
    for (int row = 0; row < 9; ++row)
    {
        EXPECT_EQ(m_player.Advance(kChipRow - 1), 0) << row;
        m_player.Advance(1);
        positions.push_back(m_player.ShownRow());
    }
    EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 0, 1, 2}));
    const auto output = m_pDevice->TakeOutput();
    EXPECT_TRUE(Samples(output.begin(), output.begin() + pass.size()) == pass);
    EXPECT_TRUE(Samples(output.begin() + pass.size(), output.end()) ==
                Samples(pass.begin(), pass.begin() + 2 * kChipRow));
}

TEST_F(PlayThreadTest, ATempoTooFastForTheGamePlaysEveryRowForOneTick)
{
    m_doc.AssignProperties({250, m_doc.GetStepSize(), 24});
    for (const SynthKind kind : {SynthKind::Sine, SynthKind::PCjr})
    {
        SCOPED_TRACE(SynthKindName(kind));
        m_thread->SetSynthKind(kind);
        m_player.Play(m_doc);
        EXPECT_TRUE(m_pDevice->SnapshotStream().bPlaying);
        EXPECT_EQ(m_player.Advance(3 * 735), 3);
        EXPECT_EQ(m_player.ShownRow(), 3);
        EXPECT_TRUE(m_player.m_errors.Texts().empty());
        m_thread->PostStop();
        m_thread->WaitUntilHandled();
    }
}

TEST(PlayThreadDevice, NoDeviceReportsTheMessageOnceAndNoneSelectedIsQuiet)
{
    CRecordedErrors errors;
    CSoundDoc doc;
    {
        CSoundPlayThread thread([] { return std::unique_ptr<CAudioDevice>(); });
        thread.SetErrorReport(errors.Report());
        ASSERT_TRUE(thread.CreateThread());
        thread.QuitAndWait();
        EXPECT_FALSE(thread.PostPlay(&doc, nullptr, 0));
        EXPECT_FALSE(thread.WaitUntilHandled());
        thread.OnDocumentClosing(&doc); // does not wait for a thread that has ended
    }
    EXPECT_EQ(errors.Texts(), std::vector<std::string>{CSoundPlayThread::kDeviceErrorText});

    CSoundPlayThread quiet(nullptr);
    quiet.SetErrorReport(errors.Report());
    ASSERT_TRUE(quiet.CreateThread());
    EXPECT_FALSE(quiet.WaitUntilHandled());
    quiet.QuitAndWait();
    EXPECT_EQ(errors.Texts().size(), 1u);
    EXPECT_EQ(quiet.GetDeviceDescription(), "");
}

TEST_F(PlayThreadTest, AnOutputThatOutrunsTheThreadHearsSilenceThenTheSongGoesOnWhereItStopped)
{
    m_player.Play(m_doc);
    // Past everything rendered ahead in one go, before the thread can render more.
    const unsigned nAhead =
        static_cast<unsigned>(m_pDevice->SnapshotStream().positions.size()) / 2 * kTick;
    m_player.Advance(nAhead + 100);
    EXPECT_EQ(m_pDevice->GetDropouts().Describe(), "1 (ring 1)");
    m_player.Advance(2 * kRow);
    EXPECT_EQ(m_pDevice->GetDropouts().Total(), 1u);

    const auto pass = Offline(0, 7);
    Samples expected(pass.begin(), pass.begin() + nAhead);
    expected.resize(nAhead + 100);
    expected.insert(expected.end(), pass.begin() + nAhead, pass.begin() + nAhead + 2 * kRow);
    EXPECT_TRUE(m_pDevice->TakeOutput() == expected);
}

namespace
{
// A device whose dropouts the test adds, and which records each request for more latency;
// like a real one, its restart is heard as one more gap.
class CDroppingDevice : public CVirtualAudioDevice
{
public:
    DropoutCounts GetDropouts() const override { return {0, m_nDropouts.load(), 0}; }
    bool RaiseLatency() override
    {
        ++m_nRaised;
        ++m_nDropouts;
        return true;
    }
    std::atomic<unsigned> m_nDropouts{0};
    std::atomic<int> m_nRaised{0};
};
} // namespace

TEST(PlayThreadDevice, RepeatedDropoutsRaiseTheLatencyAndASingleOneDoesNot)
{
    CDroppingDevice* pDevice = nullptr;
    CSoundPlayThread thread(
        [&pDevice]
        {
            auto p = std::make_unique<CDroppingDevice>();
            pDevice = p.get();
            return p;
        });
    ASSERT_TRUE(thread.CreateThread() && thread.WaitUntilHandled());
    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    thread.PostPlay(&doc, nullptr, 0);
    thread.WaitUntilHandled();

    // Dropouts added before each row is played, and the raises asked for so far. The gap of
    // a restart does not raise again by itself; a new dropout soon after it does.
    const std::pair<unsigned, int> rows[] = {{0, 0}, {1, 0}, {0, 0}, {2, 1}, {0, 1}, {1, 2}};
    for (const auto& [nDropouts, nRaised] : rows)
    {
        pDevice->m_nDropouts += nDropouts;
        pDevice->Advance(CVirtualPlayer::kRow);
        thread.WaitUntilHandled();
        EXPECT_EQ(pDevice->m_nRaised.load(), nRaised) << nDropouts;
    }
    thread.PostStop();
    thread.QuitAndWait();
}

// The play thread plays on a clock that runs far faster than real time while another
// thread edits the document as hard as it can, through document operations and direct
// changes under the guard. Run under ThreadSanitizer this must report no race; anywhere it
// must neither crash nor touch a deleted pattern.
TEST(PlayStress, PlaybackWhileTheDocumentIsEdited)
{
    CSoundDoc doc;
    ASSERT_TRUE(doc.OnNewDocument());
    doc.AssignProperties({256, doc.GetStepSize(), 16});
    doc.AssignPlayRange({doc.GetPlayRange().start, 63});

    CVirtualPlayer player;
    CSoundPlayThread& thread = player.m_thread;
    CVirtualAudioDevice* pDevice = player.m_pDevice;
    pDevice->SetRecording(false);

    std::atomic<bool> bDone{false};
    std::thread clock(
        [&]
        {
            std::mt19937 random(1);
            while (!bDone.load())
                pDevice->Advance(64 + random() % 4000);
        });
    std::thread editor(
        [&]
        {
            std::mt19937 random(2);
            for (unsigned i = 0; !bDone.load(); ++i)
            {
                const int channel = static_cast<int>(random() % 4);
                const auto step = static_cast<std::int32_t>(random() % 64);
                // Direct changes hold the guard; document operations take it themselves.
                std::unique_lock lock(doc.Guard());
                const auto& list = doc.GetPatterns(channel);
                CSoundPattern* p = list.empty() ? nullptr : list[random() % list.size()].get();
                const unsigned edit = random() % 7;
                if (edit == 2)
                {
                    const SequencePos pos{channel, step % 4};
                    doc.SetPatternAt(&pos, p);
                }
                else if (edit == 3 && p != nullptr)
                    p->SetRows(1 + step);
                if (edit == 2 || edit == 3)
                    continue;
                lock.unlock();
                if (edit == 0)
                {
                    p = doc.CreatePattern(channel, 1 + step % 32);
                    lock.lock();
                    for (int row = 0; row < p->GetRows(); ++row)
                        p->SetCell(row, {static_cast<std::uint8_t>(random() % 256), 255, 0,
                                         static_cast<std::uint8_t>(random() % 16)});
                }
                else if (edit == 1)
                    doc.DeletePattern(p);
                else if (edit == 4)
                    doc.InsertSequenceStep(channel, step);
                else if (edit == 5)
                    doc.DeleteSequenceStep(channel, step);
                else
                {
                    if (i % 512 == 0)
                        doc.DeleteContents();
                    lock.lock();
                    // Short rows: many notifications per clock step.
                    doc.AssignProperties({256, doc.GetStepSize(), 16});
                    const auto start = static_cast<std::int32_t>(random() % 16);
                    doc.AssignPlayRange({start, start + step});
                }
            }
        });

    // The user interface: play, pause, preview, and apply the reports.
    std::mt19937 random(3);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    int nCommands = 0;
    std::size_t nReports = 0;
    while (std::chrono::steady_clock::now() < end)
    {
        const unsigned command = random() % 4;
        if (command == 0)
            thread.PostPlay(&doc, &player, 0);
        else if (command == 1)
            thread.PostStop();
        else if (command == 2)
            thread.PostPreview(&doc, static_cast<int>(random() % 130));
        else
            nReports += static_cast<std::size_t>(player.ApplyReports());
        ++nCommands;
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 20));
    }
    thread.PostPlay(&doc, &player, 0);
    thread.WaitUntilHandled();
    // The editor stands for the user interface thread, which also closes the document.
    bDone.store(true);
    editor.join();
    thread.OnDocumentClosing(&doc);
    doc.OnCloseDocument();
    clock.join();
    thread.QuitAndWait();

    EXPECT_GT(nCommands, 50);
    EXPECT_GT(nReports + player.TakeReports().size(), 100u);
}
