// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/ExportSizeMeter.h"

#include <QColor>
#include <QObject>
#include <QTimer>

#include <functional>

class CSoundDoc;
class QLabel;

// The status bar's pane of the active sound's AGI export size ("12,345 of 65,535 bytes",
// each voice in its tooltip), in a warning colour near the limit. Edits that come in a burst
// are measured once, after the burst, on the meter's thread.
class CExportSizeStatus : public QObject
{
    Q_OBJECT
public:
    using DocumentSource = std::function<const CSoundDoc*()>;
    CExportSizeStatus(QLabel* pPane, DocumentSource activeDocument);

    // The active sound or its contents changed: measure again soon.
    void Schedule();
    QLabel* Pane() const { return m_pPane; }

    // How long a burst of edits is waited out before the size is measured.
    static constexpr int kSettleMs = 120;
    static constexpr QColor kWarningColor{192, 57, 43};

private:
    void MeasureNow();
    void Show(const AgiExportSize& size);

    QLabel* m_pPane;
    DocumentSource m_activeDocument;
    CExportSizeMeter m_meter;
    QTimer m_settle;
};
