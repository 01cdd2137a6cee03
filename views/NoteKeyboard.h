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

    // The program's one keyboard, kept by the application object (which must exist).
    static CNoteKeyboard& Instance();

    // Reads the stored way of reading keys; by place unless "letter" is stored.
    void Load();
    bool IsByPosition() const { return m_bByPosition; }
    void SetByPosition(bool bByPosition);

    int GetOctave() const { return m_nOctave; }
    // Kept within 0..kMaxOctave.
    void SetOctave(int nOctave);

    // The key an editor reads in a key event, with the event's modifiers: a key of the typing
    // block by its place (or, read by letter, a digit key held with Shift as its digit),
    // anything else, and a key whose place is not known, as Qt names it.
    QKeyCombination KeyOf(const QKeyEvent* pEvent) const;
    // The key a US keyboard has at a native scan code (the X and Wayland key code, the
    // kernel's plus 8): Qt::Key_unknown for a typing-block key no editor uses, nothing for a
    // code outside the typing block.
    static std::optional<Qt::Key> UsKeyAt(unsigned nScanCode);

    // A spin box showing and changing the octave; it never takes the keyboard focus.
    QSpinBox* CreateSpinBox(QWidget* pParent);

signals:
    void OctaveChanged(int nOctave);

private:
    int m_nOctave = 4;
    bool m_bByPosition = true;
};
