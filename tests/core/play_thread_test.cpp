#include "playback/OfflineRenderer.h"
#include "playback/SoundPlayThread.h"
#include "playback/VirtualAudioDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace
{
constexpr unsigned kRowBytes = 11026; // 120 beats per minute, 4 tracks per beat
constexpr unsigned kRow = kRowBytes / 2;
constexpr unsigned kBlocks = 10;

// The view: applies each report to the document as the editor's report handler does.
class CRecordingView : public ISoundRowSink
{
public:
    void PostRowPlayed(std::uint32_t nGeneration) override
    {
        std::lock_guard lock(m_mutex);
        m_generations.push_back(nGeneration);
    }
    std::vector<std::uint32_t> Take()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_generations, {});
    }

private:
    std::mutex m_mutex;
    std::vector<std::uint32_t> m_generations;
};

class PlayThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_doc.DeleteContents();
        m_doc.m_nBeatsPerMinute = 120;
        m_doc.m_nTracksPerBeat = 4;
        m_doc.m_nRangeStart = 0;
        m_doc.m_nRangeEnd = 7;
        // A different note on every row of voice 0, a held chord on voices 1 and 2.
        CSoundPattern* p0 = m_doc.CreatePattern(0, 8);
        for (int row = 0; row < 8; ++row)
            p0->SetCell(row, {static_cast<std::uint8_t>(60 + row), 255, 0, 0});
        m_doc.m_sequence[0][0] = p0;
        CSoundPattern* p1 = m_doc.CreatePattern(1, 8);
        p1->SetCell(0, {48, 255, 0, 4});
        m_doc.m_sequence[1][0] = p1;
        CSoundPattern* p2 = m_doc.CreatePattern(2, 4);
        p2->SetCell(0, {55, 255, 0, 8});
        m_doc.m_sequence[2][2] = p2;

        m_thread = std::make_unique<CSoundPlayThread>(
            [this]
            {
                auto pDevice = std::make_unique<CVirtualAudioDevice>();
                m_pDevice = pDevice.get();
                return pDevice;
            });
        ASSERT_TRUE(m_thread->CreateThread());
        ASSERT_TRUE(m_thread->WaitUntilHandled());
        ASSERT_NE(m_pDevice, nullptr);
        m_pDevice->SetRecording(true);
    }

    void TearDown() override { m_thread->QuitAndWait(); }

    // Plays whole row slots, lets the thread handle what they signalled and applies the
    // reports to the document; returns the number of reports.
    int Advance(unsigned nRows)
    {
        int nReports = 0;
        for (unsigned i = 0; i < nRows; ++i)
        {
            m_pDevice->Advance(kRow);
            m_thread->WaitUntilHandled();
            for (std::uint32_t generation : m_view.Take())
            {
                m_thread->AcceptRowPlayed(&m_doc, generation);
                ++nReports;
            }
        }
        return nReports;
    }

    std::vector<std::int16_t> Offline(int rangeStart, int rangeEnd)
    {
        const int start = m_doc.m_nRangeStart, end = m_doc.m_nRangeEnd;
        m_doc.m_nRangeStart = rangeStart;
        m_doc.m_nRangeEnd = rangeEnd;
        std::vector<std::int16_t> samples;
        EXPECT_TRUE(RenderPlayRange(m_doc, samples, 1u << 28));
        m_doc.m_nRangeStart = start;
        m_doc.m_nRangeEnd = end;
        return samples;
    }

    static std::vector<std::int16_t> Slot(const std::vector<std::int16_t>& samples, unsigned slot)
    {
        return {samples.begin() + slot * kRow, samples.begin() + (slot + 1) * kRow};
    }

    CSoundDoc m_doc;
    CRecordingView m_view;
    CVirtualAudioDevice* m_pDevice = nullptr;
    std::unique_ptr<CSoundPlayThread> m_thread;
};
} // namespace

TEST_F(PlayThreadTest, StreamBufferGeometryAndFirstRowHalfABufferAhead)
{
    m_thread->PostPlay(&m_doc, &m_view);
    ASSERT_TRUE(m_thread->WaitUntilHandled());
    auto snapshot = m_pDevice->SnapshotStream();
    ASSERT_TRUE(snapshot.bPlaying);
    EXPECT_EQ(snapshot.nBytes, 110260u);
    EXPECT_EQ(snapshot.nCursor, 0u);
    ASSERT_EQ(snapshot.positions.size(), kBlocks);
    for (unsigned i = 0; i < kBlocks; ++i)
        EXPECT_EQ(snapshot.positions[i], kRowBytes * (i + 1) - 2);
    EXPECT_EQ(snapshot.positions.front(), 11024u);
    EXPECT_EQ(snapshot.positions.back(), 110258u);
    EXPECT_TRUE(std::all_of(snapshot.samples.begin(), snapshot.samples.end(),
                            [](std::int16_t s) { return s == 0; }));

    // The first notification renders the start row into slot B/2 and nothing else.
    EXPECT_EQ(Advance(1), 0);
    snapshot = m_pDevice->SnapshotStream();
    const auto expected = Offline(0, 7);
    for (unsigned slot = 0; slot < kBlocks; ++slot)
    {
        if (slot == kBlocks / 2)
            EXPECT_EQ(Slot(snapshot.samples, slot), Slot(expected, 0));
        else
            EXPECT_EQ(Slot(snapshot.samples, slot), std::vector<std::int16_t>(kRow, 0)) << slot;
    }

    // Reports begin at notification B/2 + 1, one per row from then on.
    EXPECT_EQ(Advance(kBlocks / 2 - 1), 0);
    EXPECT_EQ(m_doc.m_nCurrentPos, 0);
    EXPECT_EQ(Advance(1), 1);
    EXPECT_EQ(m_doc.m_nCurrentPos, 1);
    EXPECT_EQ(Advance(3), 3);
    EXPECT_EQ(m_doc.m_nCurrentPos, 4);
}

TEST_F(PlayThreadTest, OutputIsSilenceThenTheOfflineRenderLooping)
{
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    // Half a buffer of silence, then two passes of the range and two more rows.
    const unsigned nRows = kBlocks / 2 + 18;
    EXPECT_EQ(Advance(nRows), 18);
    const auto output = m_pDevice->TakeOutput();
    ASSERT_EQ(output.size(), nRows * kRow);

    const auto pass = Offline(0, 7);
    std::vector<std::int16_t> expected(kBlocks / 2 * kRow, 0);
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), pass.begin(), pass.end());
    expected.resize(output.size());
    for (unsigned slot = 0; slot < nRows; ++slot)
        EXPECT_EQ(Slot(output, slot), Slot(expected, slot)) << "slot " << slot;
    EXPECT_EQ(m_doc.m_nCurrentPos, 18 % 8);
}

TEST_F(PlayThreadTest, OneRowRangeRepeatsThatRow)
{
    m_doc.m_nRangeStart = m_doc.m_nRangeEnd = 3;
    m_doc.m_nCurrentPos = 3;
    m_doc.m_sequence[0][3] = m_doc.m_sequence[0][0];
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(Advance(kBlocks / 2 + 6), 6);
    EXPECT_EQ(m_doc.m_nCurrentPos, 3);
    const auto output = m_pDevice->TakeOutput();
    const auto row = Slot(output, kBlocks / 2);
    EXPECT_NE(row, std::vector<std::int16_t>(kRow, 0));
    for (unsigned slot = kBlocks / 2 + 1; slot < kBlocks / 2 + 6; ++slot)
        EXPECT_EQ(Slot(output, slot), row) << slot;

    m_thread->PostStop();
    m_thread->WaitUntilHandled();
    EXPECT_EQ(m_doc.m_nCurrentPos, 3);
}

TEST_F(PlayThreadTest, PauseStoresTheHeardRowAndPlayResumesThere)
{
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(Advance(kBlocks / 2 + 1 + 12), 13);
    // 13 rows heard in a range of 8: the row heard now is 5.
    EXPECT_EQ(m_doc.m_nCurrentPos, 5);

    // Reports still on their way when the stop is handled do not count.
    m_pDevice->Advance(kRow);
    m_thread->PostStop();
    m_thread->WaitUntilHandled();
    EXPECT_EQ(m_doc.m_nCurrentPos, 6);
    const auto late = m_view.Take();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_FALSE(m_thread->AcceptRowPlayed(&m_doc, late[0]));
    EXPECT_EQ(m_doc.m_nCurrentPos, 6);
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);

    m_pDevice->TakeOutput();
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(Advance(kBlocks / 2), 0);
    const auto output = m_pDevice->TakeOutput();
    // Row 6 first, with the channel state cleared: as a pass that starts at 6.
    EXPECT_EQ(Slot(output, kBlocks / 2 - 1), std::vector<std::int16_t>(kRow, 0));
    const auto snapshot = m_pDevice->SnapshotStream();
    EXPECT_EQ(Slot(snapshot.samples, kBlocks / 2), Slot(Offline(6, 7), 0));
    EXPECT_EQ(Advance(1), 1);
    EXPECT_EQ(m_doc.m_nCurrentPos, 7);
}

TEST_F(PlayThreadTest, StopWhenIdleAndPlayWithoutADocument)
{
    m_doc.m_nCurrentPos = 7;
    m_thread->PostStop();
    m_thread->WaitUntilHandled();
    EXPECT_EQ(m_doc.m_nCurrentPos, 7);
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);

    m_doc.m_nCurrentPos = 2;
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(Advance(kBlocks / 2 + 2), 2);
    EXPECT_EQ(m_doc.m_nCurrentPos, 4);
    // A play message without a document is a stop: the heard row is stored, nothing plays.
    m_thread->PostPlay(nullptr, &m_view);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(m_doc.m_nCurrentPos, 4);
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);
    m_pDevice->TakeOutput();
    EXPECT_EQ(Advance(kBlocks), 0);
    const auto output = m_pDevice->TakeOutput();
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](std::int16_t s) { return s == 0; }));
}

TEST_F(PlayThreadTest, ClosingTheDocumentStopsPlaybackBeforeItGoes)
{
    auto pDoc = std::make_unique<CSoundDoc>();
    ASSERT_TRUE(pDoc->OnNewDocument());
    CSoundDoc::SetCloseListener(m_thread.get());
    m_thread->PostPlay(pDoc.get(), &m_view);
    m_thread->WaitUntilHandled();
    m_pDevice->Advance(kRow * (kBlocks / 2 + 3));
    pDoc->OnCloseDocument();
    // Returned only after the stop was handled.
    EXPECT_FALSE(m_pDevice->SnapshotStream().bPlaying);
    CSoundDoc::SetCloseListener(nullptr);
    pDoc.reset();
    EXPECT_EQ(m_view.Take().size(), 3u);
    // The thread no longer knows the document: playing on reports and reads nothing.
    m_pDevice->Advance(kRow * kBlocks);
    m_thread->WaitUntilHandled();
    EXPECT_TRUE(m_view.Take().empty());
}

TEST_F(PlayThreadTest, PreviewSoundsWithTheSongAndASecondOneCutsTheFirst)
{
    CToneSynth synth;
    std::vector<std::int16_t> a(11025), b(11025);
    synth.RenderPreview(69, a.data());
    synth.RenderPreview(76, b.data());

    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    Advance(kBlocks / 2);
    m_pDevice->TakeOutput();
    m_thread->PostPreview(&m_doc, 69);
    m_thread->WaitUntilHandled();
    m_pDevice->Advance(3000);
    m_thread->PostPreview(&m_doc, 76);
    m_thread->PostPreview(&m_doc, 200); // no such note: ignored
    m_thread->WaitUntilHandled();
    m_pDevice->Advance(2 * kRow + 11025 - 3000);
    m_thread->WaitUntilHandled();
    const auto output = m_pDevice->TakeOutput();

    const auto song = Offline(0, 7);
    for (std::size_t i = 0; i < output.size(); ++i)
    {
        int expected = i < song.size() ? song[i] : 0;
        if (i < 3000)
            expected += a[i];
        else if (i - 3000 < b.size())
            expected += b[i - 3000];
        expected = std::clamp(expected, -32768, 32767);
        ASSERT_EQ(output[i], expected) << "sample " << i;
    }
}

TEST_F(PlayThreadTest, SlowTempoKeepsAWholeRowBetweenWriterAndCursor)
{
    // 30 x 1: two seconds a row. Two slots would have the first row written into the slot
    // that starts playing at that very notification.
    m_doc.m_nBeatsPerMinute = 30;
    m_doc.m_nTracksPerBeat = 1;
    m_doc.m_nRangeEnd = 2;
    const unsigned row = 88200;
    m_thread->PostPlay(&m_doc, &m_view);
    m_thread->WaitUntilHandled();
    auto snapshot = m_pDevice->SnapshotStream();
    EXPECT_EQ(snapshot.nBytes, 4 * row * 2);
    EXPECT_EQ(snapshot.positions, (std::vector<unsigned>{176398, 352798, 529198, 705598}));

    m_pDevice->Advance(row);
    m_thread->WaitUntilHandled();
    snapshot = m_pDevice->SnapshotStream();
    EXPECT_EQ(snapshot.nCursor, row * 2);
    const auto expected = Offline(0, 2);
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.begin() + row, snapshot.samples.begin() + 2 * row));
    EXPECT_TRUE(std::all_of(snapshot.samples.begin() + row, snapshot.samples.begin() + 2 * row,
                            [](std::int16_t s) { return s == 0; }));
    m_pDevice->Advance(row);
    m_thread->WaitUntilHandled();
    EXPECT_TRUE(m_view.Take().empty());
    m_pDevice->Advance(row);
    m_thread->WaitUntilHandled();
    EXPECT_EQ(m_view.Take().size(), 1u);
}

TEST(PlayThreadDevice, NoDeviceShowsTheMessageOnceAndRefusesMessages)
{
    CRecordingMessages messages;
    CSoundPlayThread thread([] { return std::unique_ptr<CAudioDevice>(); });
    ASSERT_TRUE(thread.CreateThread());
    thread.QuitAndWait();
    ASSERT_EQ(messages.m_texts.size(), 1u);
    EXPECT_EQ(messages.m_texts[0],
              "Could not use the sound device!\n\nSound will be disabled for this session!");
    EXPECT_EQ(messages.m_types[0] & MB_ICONMASK, static_cast<unsigned>(MB_ICONSTOP));
    CSoundDoc doc;
    EXPECT_FALSE(thread.PostPlay(&doc, nullptr));
    EXPECT_FALSE(thread.WaitUntilHandled());
    // Closing a document does not wait for a thread that has ended.
    thread.OnDocumentClosing(&doc);
}

TEST(PlayThreadDevice, NoSoundSelectedIsQuiet)
{
    CRecordingMessages messages;
    CSoundPlayThread thread(nullptr);
    ASSERT_TRUE(thread.CreateThread());
    EXPECT_FALSE(thread.WaitUntilHandled());
    thread.QuitAndWait();
    EXPECT_TRUE(messages.m_texts.empty());
    EXPECT_EQ(thread.GetDeviceDescription(), "");
}
