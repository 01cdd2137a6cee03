// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/Resource.h"

#include <QIcon>

// The toolbar button images and the program icon, drawn rather than shipped as bitmaps so
// that they stay sharp at any scale.
QIcon CommandIcon(UINT nID);
QIcon ApplicationIcon();
