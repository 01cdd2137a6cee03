// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// What a screen reader (and a test driving the program from outside) sees of the editors:
// the pattern and sequence editors as tables whose cells carry the text drawn in them, the
// piano roll with every visible note as a child named like "Voice0 C-5 at row 32, 4 rows,
// attenuation 2" at the rectangle it is drawn in.

// Registers the editors' interfaces with Qt, once; later calls do nothing.
void InstallEditorAccessibility();

// The factory InstallEditorAccessibility registers.
QAccessibleInterface* EditorAccessibleFactory(const QString& className, QObject* pObject);
// The piano roll's part of it (views/PianoRollAccessibility.cpp).
QAccessibleInterface* PianoRollAccessible(QObject* pObject);
