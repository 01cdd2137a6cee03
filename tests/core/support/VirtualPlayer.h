// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SoundPlayThread.h"
#include "playback/VirtualAudioDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>
#include <vector>

// A play thread on a virtual device that records what is heard. It keeps the row reports for
// the test to apply as the editor's report handler does.
class CVirtualPlayer : public ISoundRowSink
{
    // Declared before the thread, so that they outlive its last report.
    std::mutex m_mutex;
    std::vector<std::uint32_t> m_generations;

public:
    CRecordedErrors m_errors;

    static constexpr unsigned kRow = 11026 / 2; // 120 beats per minute, 4 tracks per beat

    CVirtualPlayer()
        : m_thread(
              [this]
              {
                  auto pDevice = std::make_unique<CVirtualAudioDevice>();
                  m_pDevice = pDevice.get();
                  return pDevice;
              })
    {
        m_thread.SetErrorReport(m_errors.Report());
        EXPECT_TRUE(m_thread.CreateThread() && m_thread.WaitUntilHandled());
        m_pDevice->SetRecording(true);
    }

    void PostRowPlayed(std::uint32_t nGeneration) override
    {
        std::lock_guard lock(m_mutex);
        m_generations.push_back(nGeneration);
    }
    std::vector<std::uint32_t> TakeReports()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_generations, {});
    }

    void Play(CSoundDoc& doc)
    {
        m_thread.PostPlay(&doc, this);
        m_thread.WaitUntilHandled();
    }
    // Plays samples, lets the thread handle what they signalled and applies the reports to
    // doc; returns the number of reports.
    int Advance(CSoundDoc& doc, unsigned nSamples)
    {
        m_pDevice->Advance(nSamples);
        m_thread.WaitUntilHandled();
        int nReports = 0;
        for (std::uint32_t generation : TakeReports())
        {
            m_thread.AcceptRowPlayed(&doc, generation);
            ++nReports;
        }
        return nReports;
    }
    int AdvanceRows(CSoundDoc& doc, unsigned nRows)
    {
        int nReports = 0;
        for (unsigned i = 0; i < nRows; ++i)
            nReports += Advance(doc, kRow);
        return nReports;
    }

    CVirtualAudioDevice* m_pDevice = nullptr;
    CSoundPlayThread m_thread;
};
