// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

class QWidget;

// While some of the sound's voices are muted, asks whether the export keeps only the voices
// heard ("Only the voices you hear", unticked at first). Returns the voices to leave out: none
// unless it is ticked, and none without asking while nothing is muted. Nothing when cancelled.
std::optional<unsigned> AskVoicesLeftOut(unsigned muteMask, const std::string& title,
                                         QWidget* pParent);
