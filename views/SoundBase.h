// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Document.h"
#include "resources/Resource.h"
#include "session/SoundEditCommand.h"
#include "session/SoundServices.h"

#include <QAbstractScrollArea>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QKeyCombination>
#include <QPen>
#include <QRegion>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CSoundDoc;
class CSoundPattern;
class CSoundSession;
class QKeyEvent;
class QPainter;

// Common base of the sequence and pattern editors: transport and document commands,
// colours, font, the note keyboard and the pattern shortcut keys.
class CSoundBase : public QAbstractScrollArea, public IDocumentView, public ISoundEditor
{
    Q_OBJECT

public:
    static constexpr int kRowHeight = 14;
    static constexpr int kHeaderHeight = 20;
    static constexpr int kCharWidth = 8;
    static constexpr int kCharHeight = 13;

    // The session outlives the view.
    explicit CSoundBase(CSoundSession* pSession, QWidget* pParent = nullptr);
    ~CSoundBase() override;

    CSoundDoc* GetDocument() const { return m_pDocument; }
    CSoundSession& GetSession() const { return *m_pSession; }

    ISoundViewHost* GetHost() const;
    ISoundTransport* GetTransport() const;
    ISoundDialogs* GetDialogs() const;

    void OnUpdate(IDocumentView* pSender) override;

    // Draws the whole view (the parts inside rcClip at least) onto dc.
    virtual void OnDraw(QPainter& dc, const QRect& rcClip) = 0;
    virtual void DrawPlayPosition() {}
    virtual void UpdateScrollBars();
    virtual void EnsureCursorVisible() {}

    // Edit ▸ Delete, Copy, Cut and Paste, each editor in its own terms, and whether they
    // have something to act on.
    virtual void OnEditDelete() {}
    virtual void OnEditCopy() {}
    virtual void OnEditCut() {}
    virtual void OnEditPaste() {}
    virtual bool CanUseClipboard() const { return false; }
    virtual bool CanDelete() const { return false; }
    void OnEditUndo();
    void OnEditRedo();
    // The window listing the history's steps.
    void OnEditHistory();

    // The transport: Play resumes a pause or starts at the play range start, Play from
    // Cursor at the editor's cursor.
    void OnPlay();
    void OnPlayFrom();
    void OnPause();
    void OnStop();
    // Record: with Play when stopped; again, the take ends and playback goes on.
    void OnRecord();
    // The document's properties and its patterns, in their dialogs.
    void OnProperties();
    void OnManagePatterns();
    // Pattern ▸ New… and Properties…, each editor on its own pattern: the one Properties
    // would change, or none.
    virtual void OnNewPattern() {}
    void OnPatternProperties();
    virtual CSoundPattern* GetPropertiesPattern() const { return nullptr; }
    // A key of a MIDI keyboard went down, to be written with that attenuation (ATTEN_EMPTY:
    // the cell's own), or up. Editors that take notes enter it.
    virtual void OnMidiKeyDown(int /*key*/, std::uint8_t /*atten*/) {}
    virtual void OnMidiKeyUp(int /*key*/) {}
    // The play range back to the whole song, which it then follows.
    void OnWholeSongRange();

    bool KeyToNote(QKeyCombination key, int* pNote) const;
    // 0-9, A-Z and Shift with A-Z: the channel's patterns in list order.
    bool KeyToPattern(QKeyCombination key, int nChannel, CSoundPattern** ppPattern) const;
    // The key KeyToPattern takes for the pattern at nIndex ("7", "B", "Shift+B"); empty when
    // no key reaches it.
    static std::string PatternKeyName(std::size_t nIndex);
    int GetLastPosition() const;
    int GetPatternOffset(int nPosition, const CSoundPattern* pPattern) const;
    // The song position of the pattern cursor's row in the current pattern's placement under
    // or before the sequence cursor (else the first after it); none when it is not placed.
    std::optional<int> PatternCursorPosition() const;
    // Asks for a new pattern of the channel and makes it, placed at *pPlace when given.
    CSoundPattern* NewPatternDialog(int nChannel, const SequencePos* pPlace = nullptr);

    EditorKind Kind() const override { return EditorKind::None; }
    // The cursors, current pattern and scroll position, as an edit made now records them.
    EditorPosition CurrentPosition() const;
    void ShowPosition(const EditorPosition& position) override;
    bool IsInActiveWindow() const override { return isActiveWindow(); }

    // Rows the scroll bar counts as visible.
    int GetPage() const;
    // The octave every editor's note keys write (CNoteKeyboard's).
    int GetOctave() const;
    void SetOctave(int nOctave);
    int GetPlayLineY() const { return m_nPlayLineY; }

    QColor m_crText{255, 255, 255};
    // The editor that has the keyboard shows it plainly: its header and its cursor in amber,
    // their text dark.
    QColor m_crCursorFocus{250, 200, 60};
    QColor m_crFocusText{0, 20, 50};
    QColor m_crCursor{60, 80, 110};
    QColor m_crBarRow{0, 60, 150};
    QColor m_crBeatRow{0, 80, 180};
    QColor m_crBack{0, 100, 200};
    QPen m_penPlay;
    QPen m_penWhite;
    QBrush m_brBack;

signals:
    // The document told its views of a change (what the commands act on may have changed).
    void DocumentChanged();

protected:
    // While recording, the note keys play into the take instead of editing.
    bool event(QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    bool focusNextPrevChild(bool bNext) override;
    void scrollContentsBy(int dx, int dy) override;

    void SetIdleMessage(unsigned nStringId) const;
    void SetIdleText(const std::string& text) const;
    // Gives the keyboard focus to the other pane of the splitter holding this view.
    void ActivateNext();
    // Makes the scroll bar show the inclusive range 0..nMax with the given page.
    void SetScrollRange(int nMax, int nPage);
    // The largest first row the scroll bar allows.
    int GetScrollLimit() const;
    // The first line a scroll bar action moves to from p, with page moves and the jump to
    // the end bounded by nMax; an open-ended view lets a single step go past nMax.
    int ScrollTarget(int nAction, int p, int nPage, int nMax, bool bOpenEnded) const;
    int GetScrollPos() const;
    void SetScrollPos(int nPos);

    // Text of single-byte or UTF-8 characters, each at its own 8-pixel cell, on an opaque
    // background one character cell high.
    void TextOut(QPainter& dc, int x, int y, std::string_view text, const QColor& crBack) const;
    void TextOut(QPainter& dc, int x, int y, std::string_view text, const QColor& crBack,
                 const QColor& crText) const;
    // The header strip's background and text: the focus colours while this editor has the
    // keyboard. PaintHeader fills the strip.
    const QColor& HeaderBack() const { return hasFocus() ? m_crCursorFocus : m_crBack; }
    const QColor& HeaderText() const { return hasFocus() ? m_crFocusText : m_crText; }
    void PaintHeader(QPainter& dc) const;
    // The cursor's background and text.
    const QColor& CursorBack() const { return hasFocus() ? m_crCursorFocus : m_crCursor; }
    const QColor& CursorText(const QColor& crUnfocused) const
    {
        return hasFocus() ? m_crFocusText : crUnfocused;
    }
    // Moves the play marker from m_nPlayLineY to y, repainting only the two lines, and at
    // most once a frame.
    void MovePlayLine(int y);
    // Repaints rc with the next frame of the frame clock, or at once when none is due.
    void UpdateAtNextFrame(const QRect& rc);
    // y of the play marker for the document's current position, -1 when it is off screen.
    virtual int PlayLineY() const { return -1; }
    // Ends a repaint: the marker belongs to every picture while the document plays.
    void PaintPlayLine(QPainter& dc);

    // The song position Play from Cursor starts at; none to start at the play range start.
    virtual std::optional<int> PlayFromPosition() const { return std::nullopt; }

    QFont m_font;
    int m_nScrollMax = 0;
    int m_nPlayLineY = -1;

private:
    // The cache for a device of the given pixel ratio, so text is as sharp as the device allows.
    void BuildGlyphs(qreal ratio) const;
    // The status bar names the rows a playback plays and the whole song's.
    void SayWhatPlays() const;
    // A note key pressed or released into the take; false for a key that is not one.
    bool RecordNoteKey(const QKeyEvent* pEvent, bool bPress);
    // Repaints what moved since the last frame.
    void FlushFrame();

    CSoundSession* m_pSession;
    CSoundDoc* m_pDocument;
    // Printable ASCII in text colour on transparent, one cell of m_glyphRatio times 8 x 13
    // pixels each; made again when painting moves to a device of another ratio.
    mutable QImage m_glyphs;
    mutable qreal m_glyphRatio = 0;
    mutable int m_nAscent = 10;
    // The same in other colours, made when first used.
    mutable QHash<QRgb, QImage> m_tintedGlyphs;
    // The note keys held down in a take, and the notes they started.
    QHash<int, int> m_recordedKeys;
    QRegion m_frameDirty;
};
