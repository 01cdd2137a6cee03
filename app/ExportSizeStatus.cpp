// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportSizeStatus.h"

#include "sound/ExportSizeText.h"

#include <QLabel>
#include <QPalette>
#include <QStringList>

CExportSizeStatus::CExportSizeStatus(QLabel* pPane, DocumentSource activeDocument)
    : QObject(pPane), m_pPane(pPane), m_activeDocument(std::move(activeDocument))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CExportSizeStatus::MeasureNow);
    connect(&m_meter, &CExportSizeMeter::Measured, this, &CExportSizeStatus::Show);
}

void CExportSizeStatus::Schedule()
{
    if (m_activeDocument() == nullptr)
    {
        m_settle.stop();
        m_meter.Cancel();
        m_pPane->clear();
        m_pPane->setToolTip({});
        return;
    }
    // Not restarted by each edit of a burst: a long run of typing still shows its size.
    if (!m_settle.isActive())
        m_settle.start();
}

void CExportSizeStatus::MeasureNow()
{
    if (const CSoundDoc* pDoc = m_activeDocument())
        m_meter.Request(*pDoc);
}

void CExportSizeStatus::Show(const AgiExportSize& size)
{
    m_pPane->setText(QString::fromStdString(ResourceSizeText(size)));
    QStringList voices;
    for (int voice = 0; voice < kChannelCount; ++voice)
        voices.append(QString::fromStdString(
            VoiceSizeText(voice, size.voices[static_cast<std::size_t>(voice)])));
    m_pPane->setToolTip(voices.join(QLatin1Char('\n')));
    QPalette palette;
    if (size.bytes > kExportSizeWarningBytes)
        palette.setColor(QPalette::WindowText, kWarningColor);
    // A palette that sets nothing gives the pane back the status bar's colours.
    m_pPane->setPalette(palette);
}
