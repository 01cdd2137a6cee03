#pragma once

#include "views/SoundBase.h"

#include <QRect>

#include <string>

struct SequencePos;
class QMenu;

// The song arranger: one line per sequence step, one cell per channel naming the pattern
// that starts there.
class CSoundSequenceView : public CSoundBase
{
    Q_OBJECT

public:
    // The cursor goes no further down: steps beyond it would alias earlier song positions.
    static constexpr int kMaxStep = 32767;

    explicit CSoundSequenceView(CSoundDoc* pDoc, QWidget* pParent = nullptr);

    void OnDraw(QPainter& dc, const QRect& rcClip) override;
    void DrawPlayPosition() override;
    int PlayLineY() const override;
    void UpdateScrollBars() override;
    void EnsureCursorVisible() override;
    bool OnCommand(UINT nID) override;
    bool OnUpdateCommand(UINT nID, CCmdUI& ui) const override;

    // The 7-character text of a cell: "  ...  ", the padded name, or 6 characters and ">".
    static std::string CellText(const CSoundPattern* pPattern);
    QRect GetCellRect(int nChannel, int nStep) const;
    QRect GetGridRect() const;
    SequencePos HitTest(const QPoint& point) const;

    // Fills the context menu of the cursor cell; its actions carry out their commands.
    void BuildContextMenu(QMenu& menu);

    void OpenPattern(CSoundPattern* pPattern);
    void OnPatternEditor();
    void OnEditPattern();
    void OnNewPattern();
    void OnEditDelete();
    void OnPatternProperties();
    void OnSetStartPosition();
    void OnSetEndPosition();

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    void OnKeyDown(unsigned nKey, bool bShift);
    void OnScrollAction(int nAction);
    void KeepCursorInPage(int nFirst);
    CSoundPattern* GetCursorPattern() const;
    int StepSize() const;
};
