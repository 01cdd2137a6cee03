// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/MidiChord.h"
#include "views/SoundBase.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The editor of the document's current pattern: one row per line, the cells of its channel.
class CSoundPatternView : public CSoundBase
{
    Q_OBJECT

public:
    explicit CSoundPatternView(CSoundSession* pSession, QWidget* pParent = nullptr);

    EditorKind Kind() const override { return EditorKind::Pattern; }
    void OnUpdate(IDocumentView* pSender) override;
    void OnDraw(QPainter& dc, const QRect& rcClip) override;
    void DrawPlayPosition() override;
    // Keeps the playing row in view; the edit cursor stays where it is.
    void ScrollToPlayingRow();
    int PlayLineY() const override;
    void UpdateScrollBars() override;
    void EnsureCursorVisible() override;
    // Rows to copy, cut, paste or delete need a current pattern.
    bool CanUseClipboard() const override;
    bool CanDelete() const override { return CanUseClipboard(); }

    void OnEditDelete() override;
    void OnSequenceEditor();
    // A new pattern of the current pattern's channel, shown here; it is placed from the
    // sequence editor.
    void OnNewPattern() override;
    CSoundPattern* GetPropertiesPattern() const override;
    void OnEditCopy() override;
    void OnEditCut() override;
    void OnEditPaste() override;
    // Moves the notes of the selection (or the cursor row) by semitones.
    void Transpose(int nSemitones);
    // One step louder (-1) or quieter (+1) for the selection or the cursor row.
    void NudgeAttenuation(int nDelta);

    // Step entry: a key alone at the cursor, keys struck while another is down as a chord on
    // the next tone voices at the same song row.
    void OnMidiKeyDown(int key, std::uint8_t atten) override;
    void OnMidiKeyUp(int key) override;

    // The selected rows, first and last; false when nothing is selected.
    bool GetSelection(int& nFirst, int& nLast) const;
    void ClearSelection();

    // Notes with an exact divisor, which lie between two semitones.
    QColor m_crExactNote{255, 215, 90};

    // Character index in the row text, and its x, of each cursor field: note, octave, the
    // attenuation's two digits, the instrument's two digits.
    static constexpr int kFieldCount = 6;
    static constexpr int kFieldChar[kFieldCount] = {8, 10, 13, 14, 17, 18};
    static constexpr int kFieldX[kFieldCount] = {64, 80, 104, 112, 136, 144};
    static constexpr int kFirstInstrumentField = 4;

protected:
    std::optional<int> PlayFromPosition() const override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void focusOutEvent(QFocusEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

private:
    // An attenuation digit 0 or 1 written, or an instrument's first digit typed, waiting for
    // a second one.
    struct PendingDigit
    {
        PatternId pattern = 0;
        int row = 0;
        int nDigit = 0;
        std::uint32_t nTyping = 0;
        bool bInstrument = false;
    };
    // What a key typed into a field did: its cell changed (bWrite), complete (bAdvance), the
    // note to preview (-1 none), the field's prompt, the undo typing it continues.
    struct Entry
    {
        bool bWrite = false;
        bool bAdvance = false;
        bool bRefused = false;
        std::string refusal; // said instead of the note prompt when refused
        int nPreview = -1;
        unsigned nPrompt = 0;
        std::uint32_t nTyping = 0;
    };

    void OnKeyDown(QKeyCombination key);
    void EnterIntoField(QKeyCombination key, const std::optional<PendingDigit>& pending);
    Entry EnterTone(QKeyCombination key, int nField, SoundCell& cell);
    Entry EnterNoise(QKeyCombination key, int nField, SoundCell& cell);
    Entry EnterAttenuation(QKeyCombination key, const std::optional<PendingDigit>& pending,
                           SoundCell& cell);
    Entry EnterInstrument(QKeyCombination key, const std::optional<PendingDigit>& pending,
                          SoundCell& cell);
    bool IsPendingHere(const std::optional<PendingDigit>& pending, bool bInstrument) const;
    // Delete in the instrument column clears the cursor cell's instrument alone.
    void ClearInstrumentAtCursor();
    void EnterMidiNote(const CMidiChord::Key& struck);
    // The song row the cursor's cell plays at; -1 where its pattern does not play that row.
    std::int32_t CursorSongRow() const;
    // The chord's keys written at its song row, as one step.
    void WriteChord();
    void OnScrollAction(int nAction);
    void SetCursorFromPoint(const QPoint& point);
    void KeepCursorInPage(int nFirst);
    // Keeps the cursor on a row of the current pattern; false when there is no row to edit.
    bool ClampCursor();
    void ShowFieldPrompt();
    // The exact divisor of the cell under the cursor, when it has one, else the field prompt.
    void ShowDivisorStatus();
    QRect GetClickRect() const;
    // Keys with Ctrl, Alt or Shift that act on rows; true when the key was one of them.
    bool OnBlockKey(const QKeyEvent* pEvent);
    // The rows a block command acts on: the selection, else the cursor row.
    bool GetBlock(PatternId& id, int& nFirst, int& nLast, bool& bNoise) const;
    using BlockTransform = std::function<std::vector<SoundCell>(std::vector<SoundCell>, bool)>;
    void ReplaceBlock(const QString& text, const BlockTransform& transform, bool bMerge);

    std::optional<PendingDigit> m_pendingDigit;
    std::uint32_t m_nTypings = 0;
    int m_nAnchor = -1; // the row where the selection began, -1 when none
    int m_nDragRow = -1;
    bool m_bDivisorShown = false;
    PatternId m_nShownPattern = 0;
    CMidiChord m_chord;
};
