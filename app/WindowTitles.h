// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Window titles carry the toolkit's "[*]" mark, shown as "*" while the window is modified.
namespace WindowTitles
{
// name as a window title: a literal "[*]" in it kept, the modified mark after it.
QString Marked(QString name);
// What a window's title reads as, with the mark resolved.
QString Shown(const QWidget& window);
} // namespace WindowTitles
