// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/SoundPlayThread.h"
#include "playback/VirtualAudioDevice.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

// A play thread on a virtual device that records what is heard. It keeps the row reports for
// the test to apply as the editor's report handler does.
class CVirtualPlayer : public ISoundRowSink
{
public:
    struct Report
    {
        std::int32_t row;
        std::uint32_t generation;
    };

private:
    // Declared before the thread, so that they outlive its last report.
    std::mutex m_mutex;
    std::vector<Report> m_reports;

public:
    CRecordedErrors m_errors;

    static constexpr unsigned kRow = 8 * 735; // 120 beats per minute, 4 tracks per beat: 8 ticks

    explicit CVirtualPlayer(
        std::chrono::steady_clock::duration restDelay = CSoundPlayThread::kRestAfter)
        : m_thread(
              [this]
              {
                  auto pDevice = std::make_unique<CVirtualAudioDevice>();
                  m_pDevice = pDevice.get();
                  return pDevice;
              })
    {
        m_thread.SetErrorReport(m_errors.Report());
        m_thread.SetRestDelay(restDelay);
        EXPECT_TRUE(m_thread.CreateThread() && m_thread.WaitUntilHandled());
        m_pDevice->SetRecording(true);
    }

    void PostRowPlayed(std::int32_t row, std::uint32_t nGeneration, double) override
    {
        std::lock_guard lock(m_mutex);
        m_reports.push_back({row, nGeneration});
    }
    std::vector<Report> TakeReports()
    {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_reports, {});
    }
    // Applies the reports of the current playback as the editor's handler does; returns how
    // many there were.
    int ApplyReports()
    {
        const std::vector<Report> reports = TakeReports();
        for (const Report& report : reports)
            if (m_thread.IsCurrentPlayback(report.generation))
                m_nShownRow = report.row;
        return static_cast<int>(reports.size());
    }

    void Play(CSoundDoc& doc, std::int32_t startRow = 0)
    {
        m_nShownRow = startRow;
        m_thread.PostPlay(&doc, this, startRow);
        m_thread.WaitUntilHandled();
    }
    // Plays samples, lets the thread handle what they signalled and applies the reports;
    // returns the number of reports.
    int Advance(unsigned nSamples)
    {
        m_pDevice->Advance(nSamples);
        m_thread.WaitUntilHandled();
        return ApplyReports();
    }
    int AdvanceRows(unsigned nRows)
    {
        int nReports = 0;
        for (unsigned i = 0; i < nRows; ++i)
            nReports += Advance(kRow);
        return nReports;
    }
    // The row the editor would show: the last one reported by the current playback.
    std::int32_t ShownRow() const { return m_nShownRow; }
    std::int32_t m_nShownRow = 0;

    CVirtualAudioDevice* m_pDevice = nullptr;
    CSoundPlayThread m_thread;
};
