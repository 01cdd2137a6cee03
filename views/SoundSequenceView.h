// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"
#include "views/SoundBase.h"

#include <QRect>

#include <memory>
#include <string>

class CDragScroller;
class QMenu;
class QMimeData;

// The song arranger: one line per sequence step, one cell per channel naming the pattern
// that starts there.
class CSoundSequenceView : public CSoundBase
{
    Q_OBJECT

public:
    // The cursor goes no further down: steps beyond it would alias earlier song positions.
    static constexpr int kMaxStep = 32767;

    explicit CSoundSequenceView(CSoundSession* pSession, QWidget* pParent = nullptr);

    EditorKind Kind() const override { return EditorKind::Sequence; }
    void OnDraw(QPainter& dc, const QRect& rcClip) override;
    void DrawPlayPosition() override;
    int PlayLineY() const override;
    void UpdateScrollBars() override;
    void EnsureCursorVisible() override;
    bool CanUseClipboard() const override { return true; }
    bool CanDelete() const override { return GetCursorPattern() != nullptr; }
    // The pattern placed at the cursor's cell, if any.
    CSoundPattern* GetCursorPattern() const;

    // The 7-character text of a cell: "  ...  ", the name (padded), or of a longer name its
    // first 6 characters and ">".
    static std::string CellText(const CSoundPattern* pPattern);
    QRect GetCellRect(int nChannel, int nStep) const;
    QRect GetGridRect() const;
    SequencePos HitTest(const QPoint& point) const;

    // Fills the context menu of the cursor cell; its actions carry out their commands.
    void BuildContextMenu(QMenu& menu);

    void OpenPattern(CSoundPattern* pPattern);
    void OnPatternEditor();
    void OnEditPattern();
    void OnNewPattern() override;
    void OnEditDelete() override;
    CSoundPattern* GetPropertiesPattern() const override { return GetCursorPattern(); }
    void OnSetStartPosition();
    void OnSetEndPosition();
    // The context menu's Set pattern: the channel's pattern of that index at the cursor, or
    // none.
    void OnSetPattern(std::size_t nIndex);
    void OnClearStep();

    // Clipboard and drag and drop: what travels is the pattern's block, so a transfer
    // works between cells, channels, documents and programs alike.
    void OnEditCopy() override;
    void OnEditCut() override;
    // A placement pasted in the sound it was copied from places the very pattern again; one
    // pasted anywhere else places a copy.
    void OnEditPaste() override;
    // Reads the block offered by pData (the clipboard when null) into a new pattern of the
    // cell's channel and places it there. Null when nothing was placed.
    CSoundPattern* DropPattern(const QMimeData* pData, const SequencePos& cell);

    // A drag of the pattern at source: BeginDrag, the platform's modal drag loop, then
    // EndDrag with the loop's result. The loop cannot run unattended, so the steps around
    // it are reachable on their own. BeginDrag returns null when the cell is empty.
    void StartDrag(const SequencePos& source);
    std::unique_ptr<QMimeData> BeginDrag(const SequencePos& source);
    void EndDrag(Qt::DropAction result);

    // The drop target. OnDragOver decides the effect and moves the outline; OnDrop returns
    // whether the source should see the effect.
    Qt::DropAction DropEffect(const QMimeData* pData, Qt::KeyboardModifiers keys,
                              const QPoint& point, Qt::DropActions allowed) const;
    Qt::DropAction OnDragOver(const QMimeData* pData, Qt::KeyboardModifiers keys,
                              const QPoint& point, Qt::DropActions allowed);
    void OnDragLeave();
    bool OnDrop(const QMimeData* pData, Qt::DropAction effect, const QPoint& point);
    // A line up (0) or down (1) while dragging; the cursor stays where it is.
    bool OnScroll(int nRequest, bool bDoScroll);

protected:
    std::optional<int> PlayFromPosition() const override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dragLeaveEvent(QDragLeaveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    // The clipboard's pattern when it was copied from this sound and the channel holds it.
    CSoundPattern* CopiedPattern(int nChannel) const;
    void OnKeyDown(QKeyCombination key);
    // Home and End: the first and last placed step of the cursor's channel; with Ctrl, the
    // first step and the last placed step of the whole sequence.
    bool OnJumpKey(const QKeyEvent* pEvent);
    void OnScrollAction(int nAction);
    void KeepCursorInPage(int nFirst);
    int StepSize() const;
    void DrawFocusRect(QPainter& dc, const QRect& rc) const;
    // The channels' names over their columns, a muted one struck through.
    void DrawChannelNames(QPainter& dc) const;
    // A click on a channel's name mutes it, with Ctrl solos it; false off the names.
    bool OnChannelNameClick(const QMouseEvent* pEvent);

    QRect m_rcDragFocus;
    int m_nDragFocus = 0; // the effect the outline shows, 0 when none is drawn
    bool m_bDragFromHere = false;
    bool m_bNoteKeysHinted = false;
    SequencePos m_dragSource;
    // A press on a pattern arms a drag; it starts once the pointer leaves that cell.
    bool m_bDragArmed = false;
    QRect m_rcDragStart;
    CDragScroller* m_pDragScroller;
};
