// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstrumentBox.h"

#include "framework/TextCodec.h"
#include "resources/Resource.h"
#include "resources/ResourceTables.h"
#include "session/SoundSession.h"

#include <QSignalBlocker>

#include <algorithm>

namespace
{
// "01 Pluck"; the item's data is the number.
QString ItemText(const CInstrument& instrument)
{
    return QStringLiteral("%1 %2")
        .arg(instrument.GetNumber(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromStdString(ToDisplayUtf8(instrument.GetName())));
}
} // namespace

CInstrumentBox::CInstrumentBox(QWidget* pParent, SessionSource activeSession)
    : QComboBox(pParent), m_activeSession(std::move(activeSession))
{
    const QString name = QString::fromStdString(GetTooltipText(IDC_SOUND_INSTRUMENT));
    setObjectName(QStringLiteral("Instrument"));
    setFocusPolicy(Qt::NoFocus);
    setToolTip(name);
    setAccessibleName(name);
    setStatusTip(QString::fromStdString(GetPromptText(IDC_SOUND_INSTRUMENT)));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(this, &QComboBox::activated, this, &CInstrumentBox::OnChosen);
    Refresh();
}

void CInstrumentBox::Refresh()
{
    const CSoundSession* pSession = m_activeSession ? m_activeSession() : nullptr;
    QStringList texts{tr("None")};
    QList<int> numbers{kNoInstrument};
    if (pSession != nullptr)
        for (const CInstrument& instrument : pSession->GetDocument()->GetInstruments())
        {
            texts.append(ItemText(instrument));
            numbers.append(instrument.GetNumber());
        }
    const QSignalBlocker blocker(this);
    if (texts != m_shown)
    {
        clear();
        for (qsizetype i = 0; i < texts.size(); ++i)
            addItem(texts[i], numbers[i]);
        m_shown = texts;
    }
    setEnabled(pSession != nullptr);
    const int current = pSession != nullptr ? pSession->GetCurrentInstrument() : kNoInstrument;
    setCurrentIndex(std::max(findData(current), 0));
}

void CInstrumentBox::OnChosen(int index)
{
    if (CSoundSession* pSession = m_activeSession ? m_activeSession() : nullptr)
        pSession->SetCurrentInstrument(itemData(index).toInt());
}
