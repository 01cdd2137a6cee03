// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AgiResource.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class CSoundDoc;

// Measures what a document's AGI export takes on a thread of its own, so that no edit waits
// for it. A request takes a copy of the document, which the worker measures; a request made
// before the worker took the previous one replaces it, and only the newest request's result
// is told (on the thread that owns the meter).
class CExportSizeMeter : public QObject
{
    Q_OBJECT
public:
    using Measure = std::function<AgiExportSize(const CSoundDoc&)>;
    // The export of the play range, unless told otherwise.
    explicit CExportSizeMeter(Measure measure = {}, QObject* pParent = nullptr);
    ~CExportSizeMeter() override;

    void Request(const CSoundDoc& doc);
    // Results of the requests made so far are no longer wanted.
    void Cancel() { ++m_nGeneration; }

signals:
    void Measured(const AgiExportSize& size);

private:
    void Work();
    void Deliver(std::uint64_t generation, const AgiExportSize& size);

    const Measure m_measure;
    std::uint64_t m_nGeneration = 0; // the newest request; the owner's thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::unique_ptr<CSoundDoc> m_pWaiting; // under m_mutex
    std::uint64_t m_nWaitingGeneration = 0;
    bool m_bQuit = false;
    std::thread m_worker;
};
