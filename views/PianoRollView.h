// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/NoteBars.h"
#include "sound/NoteEdits.h"
#include "views/SoundBase.h"

#include <QString>

#include <array>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// The song as music: time from left to right in rows, pitch from bottom to top beside a
// keyboard, the three tone voices as bars in a colour each and the noise channel as a lane of
// hits below. Above the grid a legend of the voices (the current one, mute and solo) and a
// ruler with each channel's placements. Edits go through the same cells the tracker editors
// show, each one step of the session's history.
class CPianoRollView : public CSoundBase
{
    Q_OBJECT

public:
    // A bar by what identifies it: its channel and its start.
    using BarKey = std::pair<int, std::int32_t>;

    static constexpr int kLegendHeight = 20;
    static constexpr int kRulerLaneHeight = 12;
    static constexpr int kRulerHeight = kRulerLaneHeight * kChannelCount;
    static constexpr int kTimeHeaderHeight = 14;
    static constexpr int kGridTop = kLegendHeight + kRulerHeight + kTimeHeaderHeight;
    static constexpr int kNoiseLaneHeight = 24;
    static constexpr int kKeyboardWidth = 44;
    static constexpr int kLegendItemWidth = 120;
    // The pitches shown: every note a cell can hold.
    static constexpr int kTopNote = kMaxNote;
    static constexpr double kDefaultPxPerRow = 8.0;
    static constexpr int kDefaultKeyHeight = 8;

    explicit CPianoRollView(CSoundSession* pSession, QWidget* pParent = nullptr);

    EditorKind Kind() const override { return EditorKind::PianoRoll; }
    void OnUpdate(IDocumentView* pSender) override;
    void OnDraw(QPainter& dc, const QRect& rcClip) override;
    void DrawPlayPosition() override;
    void UpdateScrollBars() override;
    void EnsureCursorVisible() override;
    void ShowPosition(const EditorPosition& position) override;

    bool CanUseClipboard() const override { return !m_selection.empty(); }
    bool CanDelete() const override;
    void OnEditDelete() override;
    void OnEditCopy() override;
    void OnEditCut() override;
    void OnEditPaste() override;

    // Zoom by factor steps around the view's middle (or a point).
    void ZoomTime(int nSteps, std::optional<int> aroundX = std::nullopt);
    void ZoomPitch(int nSteps, std::optional<int> aroundY = std::nullopt);
    double GetPxPerRow() const { return m_pxPerRow; }
    int GetKeyHeight() const { return m_nKeyHeight; }

    // The channel drawn and written on; it follows the tracker's cursor channel.
    int GetVoice() const { return m_nVoice; }
    void SetVoice(int nVoice);
    // A MIDI key adds its note at the cursor on the current tone voice, as long as the last one
    // drawn.
    void OnMidiKeyDown(int key, std::uint8_t atten) override;
    // Transpose (by semitones) or louder/quieter (delta) the selection.
    void Transpose(int nSemitones);
    void NudgeAttenuation(int nDelta);
    // Scrolls so that a row is at the left edge (within the scroll range).
    void ScrollToRow(std::int32_t row);
    // Scrolls to the play position with the first notes of the song after it in view.
    void ScrollToStart();

    // What is drawn, for the accessibility interface and the tests.
    const ChannelBars& Bars(int channel) const;
    // The bars visible now with their channels, in channel then time order.
    std::vector<std::pair<int, const NoteBar*>> VisibleBars() const;
    // The rectangle a bar is drawn in, in viewport pixels (clipped to the grid or lane).
    QRect BarRect(int channel, const NoteBar& bar) const;
    // "Voice0 C-5 at row 32, 4 rows, attenuation 2"; noise: "Noise rate 2 white at row 8, …".
    static QString BarName(int channel, const NoteBar& bar);
    const std::set<BarKey>& Selection() const { return m_selection; }
    std::int32_t GetCursorRow() const { return m_nCursorRow; }
    int GetCursorNote() const { return m_nCursorNote; }
    QRect GridRect() const;
    QRect NoiseLaneRect() const;
    int RowToX(double row) const;
    double XToRow(int x) const;
    int PitchToY(double pitch) const; // top of the pitch's key row
    int YToNote(int y) const;

    // The voices' colours: Voice0, Voice1, Voice2, Noise.
    static const std::array<QColor, kChannelCount> kVoiceColours;

protected:
    std::optional<int> PlayFromPosition() const override { return m_nCursorRow; }
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    int PlayLineY() const override { return -1; }
    bool event(QEvent* pEvent) override;

private:
    enum class Drag
    {
        None,
        Draw,
        Move,
        Resize,
        Band,
    };
    struct Hit
    {
        int channel = -1;
        const NoteBar* pBar = nullptr;
        bool bRightEdge = false;
    };

    void EnsureBars() const;
    std::int32_t SongRows() const;
    Hit HitBar(const QPoint& point) const;
    // The play marker's x, -1 off the grid.
    int PlayLineX() const;
    void MovePlayMarker(int x);
    void FollowPlayRow();
    void AdoptTrackerChannel();
    // The notes in view have changed.
    void TellAccessibility();

    // Painting, in the order drawn.
    void PaintGrid(QPainter& dc, const QRect& rcGrid) const;
    void PaintBars(QPainter& dc, int channel) const;
    void PaintInstrumentNumber(QPainter& dc, const QRect& rect, int instrument) const;
    void PaintNoiseLane(QPainter& dc) const;
    void PaintKeyboard(QPainter& dc) const;
    void PaintRuler(QPainter& dc) const;
    void PaintLegend(QPainter& dc) const;
    void PaintDragPreview(QPainter& dc) const;

    // Editing.
    void LegendClick(const QPoint& point, Qt::KeyboardModifiers modifiers);
    void RulerClick(const QPoint& point);
    void KeyboardClick(const QPoint& point);
    void FinishDraw(const QPoint& point, Qt::KeyboardModifiers modifiers);
    void FinishMove(const QPoint& point);
    void FinishResize(const QPoint& point);
    void FinishBand(const QPoint& point);
    void ToggleNoteAtCursor();
    void RemoveBars(const QString& text, const std::set<BarKey>& keys);
    // One step of the history for a plan, telling on the status bar when a note was cut
    // short, and sounding the first new note when Play Notes is on.
    void ApplyEdit(const QString& text, const NoteEdit& edit,
                   std::optional<std::pair<int, int>> sound = std::nullopt);
    const NoteBar* FindBar(const BarKey& key) const;
    std::int32_t SnapRow(double row, bool bStep) const;
    // The rows a drawing drag from the press point to point covers: start and end.
    std::pair<std::int32_t, std::int32_t> DrawnSpan(const QPoint& point,
                                                    Qt::KeyboardModifiers modifiers) const;
    void MoveCursor(std::int32_t nRows, int nNotes);
    void ShowStatusOfCursor();

    mutable std::array<ChannelBars, kChannelCount> m_bars;
    mutable bool m_bBarsStale = true;
    double m_pxPerRow = kDefaultPxPerRow;
    int m_nKeyHeight = kDefaultKeyHeight;
    int m_nVoice = 0;
    int m_nTrackerChannel = -1;
    std::set<BarKey> m_selection;
    // The placement chosen on the ruler: channel and pattern.
    std::optional<std::pair<int, PatternId>> m_rulerPick;
    std::int32_t m_nCursorRow = 0;
    int m_nCursorNote = 60;
    std::int32_t m_nNoteLength = 4;
    int m_nPlayX = -1;
    bool m_bScrolledToStart = false;

    Drag m_drag = Drag::None;
    QPoint m_pressPoint;
    QPoint m_dragPoint;
    BarKey m_dragBar;
    Qt::KeyboardModifiers m_dragModifiers;
};
