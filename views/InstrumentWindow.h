// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Document.h"
#include "sound/Instrument.h"

#include <QWidget>

#include <array>

class CSequenceRow;
class CSoundDoc;
class CSoundSession;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

// The instruments of a sound window's document, in a window of their own beside it: the list
// (add, ready-made, duplicate, rename, delete, move), and the selected instrument's sequences.
// Every change is one step of the document's history, and the window shows whatever the
// document holds, undone or not. While it has the focus the note keys play the selected
// instrument.
class CInstrumentWindow : public QWidget, public IDocumentView
{
    Q_OBJECT
public:
    CInstrumentWindow(CSoundSession& session, QWidget* pParent);
    ~CInstrumentWindow() override;

    void OnUpdate(IDocumentView* pSender) override;
    // 0 while none is.
    int SelectedNumber() const { return m_nSelected; }
    void Select(int number);

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    QWidget* CreateList();
    QWidget* CreateSequences();
    QToolButton* CreateReadyMadeButton();
    void InstallShortcuts();
    void Refresh();
    const CInstrument* Selected() const;
    void Show(const CInstrument* pInstrument);
    void Tell(const QString& message);

    void OnAdd(const CInstrument& instrument);
    void OnDuplicate();
    // Selects an instrument just added, or says why none was (kNoInstrument).
    void ShowAdded(int number);
    void OnRename();
    void OnDelete();
    void OnMove(int delta);
    void OnSequenceChanged(SequenceKind kind, const InstrumentSequence& sequence,
                           const QString& verb);
    // A note key played the selected instrument.
    bool Preview(const QKeyEvent& event);

    CSoundSession& m_session;
    CSoundDoc* m_pDoc;
    int m_nSelected = 0;
    QListWidget* m_pList = nullptr;
    QLineEdit* m_pName = nullptr;
    QLabel* m_pMessage = nullptr;
    std::array<QPushButton*, 4> m_listButtons{}; // duplicate, delete, up, down
    std::array<CSequenceRow*, kSequenceKindCount> m_rows{};
    bool m_bRefreshing = false;
};
