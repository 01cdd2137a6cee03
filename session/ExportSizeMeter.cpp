// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ExportSizeMeter.h"

#include "sound/SoundDoc.h"
#include "sound/SoundSnapshot.h"

namespace
{
AgiExportSize MeasurePlayRange(const CSoundDoc& doc)
{
    return MeasureAgiExport(doc, doc.GetPlayRange());
}
} // namespace

CExportSizeMeter::CExportSizeMeter(Measure measure, QObject* pParent)
    : QObject(pParent), m_measure(measure ? std::move(measure) : MeasurePlayRange),
      m_worker(&CExportSizeMeter::Work, this)
{
}

CExportSizeMeter::~CExportSizeMeter()
{
    {
        std::lock_guard lock(m_mutex);
        m_bQuit = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

void CExportSizeMeter::Request(const CSoundDoc& doc)
{
    std::unique_ptr<CSoundDoc> pCopy = SnapshotSound(doc);
    {
        std::lock_guard lock(m_mutex);
        m_pWaiting = std::move(pCopy);
        m_nWaitingGeneration = ++m_nGeneration;
    }
    m_wake.notify_one();
}

void CExportSizeMeter::Work()
{
    std::unique_lock lock(m_mutex);
    for (;;)
    {
        m_wake.wait(lock, [this] { return m_bQuit || m_pWaiting != nullptr; });
        if (m_bQuit)
            return;
        const std::unique_ptr<CSoundDoc> pDoc = std::move(m_pWaiting);
        const std::uint64_t generation = m_nWaitingGeneration;
        lock.unlock();
        const AgiExportSize size = m_measure(*pDoc);
        // Queued to the owner's thread; dropped with the meter if it is gone by then.
        QMetaObject::invokeMethod(
            this, [this, generation, size] { Deliver(generation, size); }, Qt::QueuedConnection);
        lock.lock();
    }
}

void CExportSizeMeter::Deliver(std::uint64_t generation, const AgiExportSize& size)
{
    if (generation == m_nGeneration)
        emit Measured(size);
}
