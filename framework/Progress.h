// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

// How far a long job has come, for whoever waits on it, and whether they still want it. The
// job asks Cancelled() often (it is one relaxed load) and gives up soon after it turns true;
// a default one is watched by nobody and never cancelled.
class CProgress
{
public:
    // Called with the fraction of the whole job done, from 0 to 1, on the job's thread.
    using Report = std::function<void(double fraction)>;

    CProgress() = default;
    CProgress(Report report, const std::atomic<bool>* pCancel);

    bool Cancelled() const
    {
        return m_pCancel != nullptr && m_pCancel->load(std::memory_order_relaxed);
    }

    // done of total items of this part are done.
    void Step(std::size_t done, std::size_t total) const;
    // For a loop over total items: reports when done is a multiple of kItemsPerStep, and says
    // whether to go on.
    bool KeepGoing(std::size_t done, std::size_t total) const
    {
        if (done % kItemsPerStep == 0)
            Step(done, total);
        return !Cancelled();
    }
    // This part is done.
    void Done() const { Tell(1.0); }

    // The stretch [from, to) of this part, as a part of its own, for one stage of the job.
    CProgress Part(double from, double to) const;

    // Items between reports in a loop, so that reporting costs nothing beside the work.
    static constexpr std::size_t kItemsPerStep = 4096;

private:
    void Tell(double fraction) const;

    Report m_report;
    const std::atomic<bool>* m_pCancel = nullptr;
    double m_from = 0.0;
    double m_to = 1.0;
};
