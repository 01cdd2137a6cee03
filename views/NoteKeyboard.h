// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyCombination>
#include <QObject>

#include <optional>

class QKeyEvent;
class QSpinBox;
class QWidget;

// How every editor reads the note keyboard: the current octave, and whether the note, digit
// and noise keys are taken by their place on the keyboard (so the piano rows sit where they
// do on a US keyboard whatever the layout) or by the character they type.
class CNoteKeyboard : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMaxOctave = 9;
    static constexpr int kMaxEditStep = 16;

    // The program's one keyboard, kept by the application object (which must exist).
    static CNoteKeyboard& Instance();

    // Reads the stored way of reading keys (by place unless "letter" is stored) and edit step.
    void Load();
    bool IsByPosition() const { return m_bByPosition; }
    void SetByPosition(bool bByPosition);

    int GetOctave() const { return m_nOctave; }
    // Kept within 0..kMaxOctave.
    void SetOctave(int nOctave);

    // Rows the pattern editor's cursor moves on after an entry, 0 to kMaxEditStep; stored.
    int GetEditStep() const { return m_nEditStep; }
    void SetEditStep(int nRows);

    // Whether a recorded note's start and end are rounded to the step size rather than to the
    // nearest row; stored.
    bool IsRecordToStep() const { return m_bRecordToStep; }
    void SetRecordToStep(bool bToStep);

    // The key an editor reads in a key event, with the event's modifiers: a key of the typing
    // block by its place (or, read by letter, a digit key held with Shift as its digit),
    // anything else, and a key whose place is not known, as Qt names it.
    QKeyCombination KeyOf(const QKeyEvent* pEvent) const;
    // Whether the key is one of the note keys' letters, without Ctrl, Alt or Shift.
    static bool IsNoteLetter(QKeyCombination key);
    // The note a piano key (as KeyOf gives it) plays in the octave; nothing for another key
    // or a note above the highest.
    static std::optional<int> PianoNoteOf(QKeyCombination key, int nOctave);
    // The key a US keyboard has at a native scan code (the X and Wayland key code, the
    // kernel's plus 8): Qt::Key_unknown for a typing-block key no editor uses, nothing for a
    // code outside the typing block.
    static std::optional<Qt::Key> UsKeyAt(unsigned nScanCode);

    // Spin boxes showing and changing the octave and the edit step; they never take the
    // keyboard focus.
    QSpinBox* CreateSpinBox(QWidget* pParent);
    QSpinBox* CreateEditStepSpinBox(QWidget* pParent);

signals:
    void OctaveChanged(int nOctave);
    void EditStepChanged(int nRows);

private:
    int m_nOctave = 4;
    int m_nEditStep = 1;
    bool m_bByPosition = true;
    bool m_bRecordToStep = false;
};
