// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/VirtualPlayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

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
            auto tempo = [&]
            {
                std::lock_guard lock(doc.Guard());
                // Short rows: many notifications per clock step.
                doc.AssignProperties({256, doc.GetStepSize(), 16});
                const auto start = static_cast<std::int32_t>(random() % 16);
                doc.AssignPlayRange({start, start + static_cast<std::int32_t>(random() % 64)});
            };
            for (unsigned i = 0; !bDone.load(); ++i)
            {
                const int channel = static_cast<int>(random() % 4);
                // Under the guard: any pattern of the channel, or null.
                auto any = [&]() -> CSoundPattern*
                {
                    const auto& list = doc.GetPatterns(channel);
                    return list.empty() ? nullptr : list[random() % list.size()].get();
                };
                // Document operations take the guard themselves; direct changes take it here.
                switch (random() % 7)
                {
                case 0:
                {
                    CSoundPattern* p = doc.CreatePattern(channel, 1 + random() % 32);
                    std::lock_guard lock(doc.Guard());
                    for (int row = 0; row < p->GetRows(); ++row)
                        p->SetCell(row, {static_cast<std::uint8_t>(random() % 256), 255, 0,
                                         static_cast<std::uint8_t>(random() % 16)});
                    break;
                }
                case 1:
                {
                    std::unique_lock lock(doc.Guard());
                    CSoundPattern* p = any();
                    lock.unlock();
                    doc.DeletePattern(p);
                    break;
                }
                case 2:
                {
                    std::lock_guard lock(doc.Guard());
                    const SequencePos pos{channel, static_cast<std::int32_t>(random() % 4)};
                    doc.SetPatternAt(&pos, any());
                    break;
                }
                case 3:
                {
                    std::lock_guard lock(doc.Guard());
                    if (CSoundPattern* p = any())
                        p->SetRows(1 + random() % 64);
                    break;
                }
                case 4:
                    doc.InsertSequenceStep(channel, static_cast<std::int32_t>(random() % 64));
                    break;
                case 5:
                    doc.DeleteSequenceStep(channel, static_cast<std::int32_t>(random() % 64));
                    break;
                default:
                    if (i % 512 == 0)
                        doc.DeleteContents();
                    tempo();
                    break;
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
