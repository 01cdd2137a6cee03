// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/InstrumentWindow.h"

#include "session/InstrumentEdits.h"
#include "session/SoundSession.h"
#include "sound/ReadyInstruments.h"
#include "sound/SoundDoc.h"
#include "views/CloseKeys.h"
#include "views/NoteKeyboard.h"
#include "views/SequenceGraph.h"
#include "views/SequenceRow.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>

#include <algorithm>

namespace
{
QString ListText(const CInstrument& instrument)
{
    return QStringLiteral("%1 %2")
        .arg(instrument.GetNumber(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromStdString(instrument.GetName()));
}

bool HasBlank(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

QPushButton* Button(const QString& text, const char* pszObject, QWidget* pParent)
{
    auto* pButton = new QPushButton(text, pParent);
    pButton->setObjectName(QLatin1String(pszObject));
    pButton->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    return pButton;
}
} // namespace

CInstrumentWindow::CInstrumentWindow(CSoundSession& session, QWidget* pParent)
    : QWidget(pParent, Qt::Tool), m_session(session), m_pDoc(session.GetDocument())
{
    setObjectName(QStringLiteral("instrumentWindow"));
    setWindowTitle(QString::fromStdString(m_pDoc->GetTitle()) + tr(" - Instruments"));
    setAccessibleName(tr("Instruments"));
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(CreateList());
    pLayout->addWidget(CreateSequences(), 1);
    InstallShortcuts();
    CCloseKeys::Install(this);
    m_pDoc->AddView(this);
    Refresh();
    resize(720, 520);
}

CInstrumentWindow::~CInstrumentWindow()
{
    m_pDoc->RemoveView(this);
}

QWidget* CInstrumentWindow::CreateList()
{
    auto* pPanel = new QWidget(this);
    auto* pLayout = new QVBoxLayout(pPanel);
    pLayout->setContentsMargins(0, 0, 0, 0);
    m_pList = new QListWidget(pPanel);
    m_pList->setObjectName(QStringLiteral("instrumentList"));
    m_pList->setAccessibleName(tr("Instrument list"));
    m_pList->installEventFilter(this);
    connect(m_pList, &QListWidget::currentRowChanged, this,
            [this](int row)
            {
                if (m_bRefreshing || row < 0)
                    return;
                m_nSelected = m_pList->item(row)->data(Qt::UserRole).toInt();
                Show(Selected());
            });
    pLayout->addWidget(m_pList, 1);

    auto* pAdd = Button(tr("&Add"), "addInstrument", pPanel);
    connect(pAdd, &QPushButton::clicked, this,
            [this]
            {
                const int number = InstrumentEdits::FreeNumber(m_pDoc->GetInstruments());
                OnAdd(CInstrument(number, "Instrument_" + std::to_string(number)));
            });
    m_listButtons = {Button(tr("D&uplicate"), "duplicateInstrument", pPanel),
                     Button(tr("De&lete"), "deleteInstrument", pPanel),
                     Button(tr("Move U&p"), "moveInstrumentUp", pPanel),
                     Button(tr("Move Do&wn"), "moveInstrumentDown", pPanel)};
    connect(m_listButtons[0], &QPushButton::clicked, this, &CInstrumentWindow::OnDuplicate);
    connect(m_listButtons[1], &QPushButton::clicked, this, &CInstrumentWindow::OnDelete);
    connect(m_listButtons[2], &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_listButtons[3], &QPushButton::clicked, this, [this] { OnMove(1); });
    pLayout->addWidget(pAdd);
    pLayout->addWidget(CreateReadyMadeButton());
    for (QPushButton* pButton : m_listButtons)
        pLayout->addWidget(pButton);

    auto* pNameLabel = new QLabel(tr("&Name:"), pPanel);
    pNameLabel->setObjectName(QStringLiteral("instrumentNameLabel"));
    m_pName = new QLineEdit(pPanel);
    m_pName->setObjectName(QStringLiteral("instrumentName"));
    m_pName->setAccessibleName(tr("Instrument name"));
    pNameLabel->setBuddy(m_pName);
    connect(m_pName, &QLineEdit::editingFinished, this, &CInstrumentWindow::OnRename);
    pLayout->addWidget(pNameLabel);
    pLayout->addWidget(m_pName);
    return pPanel;
}

QToolButton* CInstrumentWindow::CreateReadyMadeButton()
{
    auto* pButton = new QToolButton(this);
    pButton->setText(tr("&Ready-made"));
    pButton->setObjectName(QStringLiteral("readyMadeInstrument"));
    pButton->setAccessibleName(tr("Ready-made"));
    pButton->setPopupMode(QToolButton::InstantPopup);
    pButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* pMenu = new QMenu(pButton);
    pMenu->setObjectName(QStringLiteral("readyMadeMenu"));
    pMenu->setAccessibleName(tr("Ready-made instruments"));
    for (const CInstrument& instrument : ReadyInstruments())
        pMenu->addAction(QString::fromStdString(instrument.GetName()), this,
                         [this, &instrument] { OnAdd(instrument); });
    pButton->setMenu(pMenu);
    return pButton;
}

QWidget* CInstrumentWindow::CreateSequences()
{
    auto* pPanel = new QWidget(this);
    auto* pLayout = new QVBoxLayout(pPanel);
    pLayout->setContentsMargins(0, 0, 0, 0);
    for (const SequenceKind kind : kSequenceKinds)
    {
        auto* pRow = new CSequenceRow(kind, pPanel);
        m_rows[static_cast<std::size_t>(kind)] = pRow;
        pRow->Graph()->installEventFilter(this);
        connect(pRow, &CSequenceRow::Changed, this, &CInstrumentWindow::OnSequenceChanged);
        connect(pRow, &CSequenceRow::Refused, this, &CInstrumentWindow::Tell);
        pLayout->addWidget(pRow, 1);
    }
    m_pMessage = new QLabel(pPanel);
    m_pMessage->setObjectName(QStringLiteral("instrumentMessage"));
    m_pMessage->setAccessibleName(tr("Message"));
    m_pMessage->setWordWrap(true);
    pLayout->addWidget(m_pMessage);
    return pPanel;
}

void CInstrumentWindow::InstallShortcuts()
{
    // The main window's Undo and Redo do not reach a window of its own.
    auto* pUndo = new QShortcut(QKeySequence::Undo, this);
    connect(pUndo, &QShortcut::activated, this, [this] { m_session.Undo().Undo(); });
    auto* pRedo = new QShortcut(QKeySequence::Redo, this);
    connect(pRedo, &QShortcut::activated, this, [this] { m_session.Undo().Redo(); });
}

void CInstrumentWindow::OnUpdate(IDocumentView* /*pSender*/)
{
    Refresh();
}

void CInstrumentWindow::Select(int number)
{
    m_nSelected = number;
    Refresh();
}

const CInstrument* CInstrumentWindow::Selected() const
{
    return m_nSelected != kNoInstrument ? m_pDoc->FindInstrument(m_nSelected) : nullptr;
}

void CInstrumentWindow::Refresh()
{
    const std::vector<CInstrument>& instruments = m_pDoc->GetInstruments();
    if (Selected() == nullptr)
        m_nSelected = instruments.empty() ? kNoInstrument : instruments.front().GetNumber();
    m_bRefreshing = true;
    m_pList->clear();
    for (const CInstrument& instrument : instruments)
    {
        auto* pItem = new QListWidgetItem(ListText(instrument), m_pList);
        pItem->setData(Qt::UserRole, instrument.GetNumber());
        if (instrument.GetNumber() == m_nSelected)
            m_pList->setCurrentItem(pItem);
    }
    m_bRefreshing = false;
    Show(Selected());
}

void CInstrumentWindow::Show(const CInstrument* pInstrument)
{
    const bool bAny = pInstrument != nullptr;
    for (QPushButton* pButton : m_listButtons)
        pButton->setEnabled(bAny);
    const int row = m_pList->currentRow();
    m_listButtons[2]->setEnabled(bAny && row > 0);
    m_listButtons[3]->setEnabled(bAny && row + 1 < m_pList->count());
    m_pName->setEnabled(bAny);
    m_pName->setText(bAny ? QString::fromStdString(pInstrument->GetName()) : QString());
    for (CSequenceRow* pRow : m_rows)
    {
        pRow->setEnabled(bAny);
        pRow->SetSequence(bAny ? pInstrument->GetSequence(pRow->Kind()) : InstrumentSequence{});
    }
}

void CInstrumentWindow::Tell(const QString& message)
{
    m_pMessage->setText(message);
}

void CInstrumentWindow::OnAdd(const CInstrument& instrument)
{
    ShowAdded(InstrumentEdits::Add(m_session, instrument));
}

void CInstrumentWindow::OnDuplicate()
{
    ShowAdded(InstrumentEdits::Duplicate(m_session, m_nSelected));
}

void CInstrumentWindow::ShowAdded(int number)
{
    if (number == kNoInstrument)
        return Tell(tr("A sound holds at most %1 instruments.").arg(kMaxInstruments));
    Tell({});
    Select(number);
}

void CInstrumentWindow::OnRename()
{
    const CInstrument* pInstrument = Selected();
    if (pInstrument == nullptr)
        return;
    const QString name = m_pName->text();
    if (name.isEmpty() || HasBlank(name))
        return Tell(name.isEmpty() ? tr("An instrument needs a name.")
                                   : tr("An instrument's name cannot hold blanks."));
    Tell({});
    InstrumentEdits::Rename(m_session, pInstrument->GetNumber(), name.toStdString());
}

void CInstrumentWindow::OnDelete()
{
    InstrumentEdits::Delete(m_session, m_nSelected);
}

void CInstrumentWindow::OnMove(int delta)
{
    const int row = m_pList->currentRow() + delta;
    if (row < 0 || row >= m_pList->count())
        return;
    // The instrument keeps the selection under its new number.
    const int number = m_pList->item(row)->data(Qt::UserRole).toInt();
    if (InstrumentEdits::Move(m_session, m_nSelected, delta))
        Select(number);
}

void CInstrumentWindow::OnSequenceChanged(SequenceKind kind, const InstrumentSequence& sequence,
                                          const QString& verb)
{
    Tell({});
    if (!InstrumentEdits::SetSequence(m_session, m_nSelected, kind, sequence, verb))
        Show(Selected());
}

bool CInstrumentWindow::eventFilter(QObject* pObject, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::KeyPress && Preview(*static_cast<QKeyEvent*>(pEvent)))
        return true;
    return QWidget::eventFilter(pObject, pEvent);
}

bool CInstrumentWindow::Preview(const QKeyEvent& event)
{
    const CInstrument* pInstrument = Selected();
    ISoundTransport* pTransport = m_session.Services().pTransport;
    CNoteKeyboard& keyboard = CNoteKeyboard::Instance();
    const QKeyCombination key = keyboard.KeyOf(&event);
    if (pInstrument == nullptr || key.keyboardModifiers() != Qt::NoModifier)
        return false;
    const std::optional<int> note = CNoteKeyboard::PianoNoteOf(key, keyboard.GetOctave());
    if (!note.has_value())
        return false;
    if (pTransport != nullptr && !event.isAutoRepeat())
        pTransport->PostPreview(m_pDoc, *note, IsNoiseInstrument(*pInstrument) ? kNoiseChannel : 0,
                                *pInstrument);
    return true;
}
