// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QSplitter>

class CInstrumentWindow;
class CSoundDoc;
class CSoundFrame;
class CSoundSession;
class CVoiceScopes;
class IVoiceScopeSource;

// Whoever keeps the sound windows: asked before one closes at the person's request.
class ISoundFrameOwner
{
public:
    virtual ~ISoundFrameOwner() = default;
    // False keeps the window open.
    virtual bool OnCloseFrame(CSoundFrame* pFrame) = 0;
};

// The window of one sound document: a splitter with the sequence editor on the left and the
// pattern editor on the right, over the piano roll (shown on request, a splitter between;
// pane 2), under a strip of the voices' scopes (when it has a source for
// them), which also mute and solo the voices. A document may have several of these (Window,
// New Window).
class CSoundFrame : public QMdiSubWindow
{
    Q_OBJECT
public:
    static constexpr int kSequenceIdealWidth = 340;
    static constexpr int kPatternIdealWidth = 200;
    static constexpr int kMinimumPaneWidth = 40;

    // The session and the scopes' source outlive the window; without an owner a window closes
    // when asked.
    CSoundFrame(CSoundSession* pSession, ISoundFrameOwner* pOwner,
                const IVoiceScopeSource* pScopeSource = nullptr);
    ~CSoundFrame() override;

    // Fills the client area with the two editors; false when they cannot be made.
    bool OnCreateClient();

    CSoundDoc* GetDocument() const { return m_pDoc; }
    CSoundSession* GetSession() const { return m_pSession; }
    // Null without a scope source.
    CVoiceScopes* GetScopes() const { return m_pScopes; }
    // 0 the sequence editor, 1 the pattern editor, 2 the piano roll (null while hidden).
    QWidget* GetPane(int nColumn) const;
    static constexpr int kPianoRollPane = 2;
    // The piano roll, shown or not.
    QWidget* GetPianoRoll() const { return m_pPianoRoll; }
    // The piano roll shown or hidden, and whether it fills the window alone; both remembered
    // in the settings with its size, for the next windows.
    void ShowPianoRoll(bool bShow);
    bool IsPianoRollShown() const;
    void SetPianoRollAlone(bool bAlone);
    bool IsPianoRollAlone() const;
    // The pane that has the keyboard focus, or else the one that had it last.
    QWidget* GetActivePane() const;
    void SetActivePane(int nColumn);
    // The focus to the next pane (to the right, around) or the previous one.
    void OnNextPane();
    void OnPrevPane();

    // A closing window no longer counts among its document's windows.
    bool IsClosing() const { return m_bClosing || m_bDestroying; }
    void SetClosing(bool bClosing) { m_bClosing = bClosing; }

    // The window's Instruments window, made the first time, shown and raised.
    CInstrumentWindow* ShowInstruments();
    // Null while it is not open.
    CInstrumentWindow* GetInstruments() const;

    // Removes the editors and the Instruments window (they unregister from the document as
    // they go).
    void DestroyViews();
    // Takes the editors down and closes the window without asking anything: the document is
    // closing and its views must be gone before it is.
    void DestroyFrame();

signals:
    // The pane the window's commands act on is another one now.
    void ActivePaneChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    void OnFocusChanged(QWidget* pOld, QWidget* pNow);
    QWidget* CreateScopes();
    void MovePane(int nStep);
    void SetActivePaneIndex(int nColumn);

    CSoundSession* m_pSession;
    CSoundDoc* m_pDoc;
    ISoundFrameOwner* m_pOwner;
    const IVoiceScopeSource* m_pScopeSource;
    void SavePianoRollLayout() const;
    int PaneCount() const;

    QPointer<QSplitter> m_pSplitter;
    QPointer<QSplitter> m_pRollSplitter; // the editors over the piano roll
    QWidget* m_pPianoRoll = nullptr;
    QPointer<CInstrumentWindow> m_pInstruments;
    CVoiceScopes* m_pScopes = nullptr;
    int m_nActivePane = 0;
    bool m_bDestroying = false;
    bool m_bClosing = false;
};
