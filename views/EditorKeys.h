// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeyCombination>

// The keys as the editors read them: a Qt key with the event's modifiers (CNoteKeyboard::KeyOf
// puts the typing block's keys in their place first). The keypad's digits and point type no
// digit, note or clear; its * and / are the octave keys.
namespace EditorKeys
{
constexpr bool IsKeypad(QKeyCombination key)
{
    return key.keyboardModifiers().testFlag(Qt::KeypadModifier);
}

// 0-9, or -1 for a key that types no digit.
constexpr int DigitOf(QKeyCombination key)
{
    const int nKey = key.key();
    return !IsKeypad(key) && nKey >= Qt::Key_0 && nKey <= Qt::Key_9 ? nKey - Qt::Key_0 : -1;
}

constexpr bool IsComma(QKeyCombination key)
{
    return !IsKeypad(key) && key.key() == Qt::Key_Comma;
}

constexpr bool IsPeriod(QKeyCombination key)
{
    return !IsKeypad(key) && key.key() == Qt::Key_Period;
}

// +1 for keypad *, -1 for keypad /, 0 for any other key.
constexpr int OctaveStepOf(QKeyCombination key)
{
    if (!IsKeypad(key))
        return 0;
    return key.key() == Qt::Key_Asterisk ? 1 : key.key() == Qt::Key_Slash ? -1 : 0;
}

// Whether an editor acts on the key at all: a modifier or function key pressed alone leaves
// the cursor, the scroll position and the prompt as they are.
constexpr bool IsEditorKey(Qt::Key key)
{
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return true;
    switch (key)
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Asterisk:
    case Qt::Key_Slash:
    case Qt::Key_Comma:
    case Qt::Key_Period:
        return true;
    default:
        return false;
    }
}
} // namespace EditorKeys
