// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/DialogTemplates.h"

#include <span>
#include <vector>

class QWidget;

// Lays a template's controls out in grids, one for the dialog and one per group box. Rows and
// columns are where the template's controls start, so the template keeps deciding the order
// and the neighbours, while every label gets its text's width and fields of one group line up.
class CTemplateGrid
{
public:
    // widgets[i] is the control made for items[i], null for an up-down merged into its edit.
    // nBaseX and nBaseY are the dialog font's units, for the fields' template widths.
    static void Apply(QWidget* pDialog, std::span<const DialogItem> items,
                      const std::vector<QWidget*>& widgets, int nBaseX, int nBaseY);
};
