// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <atomic>
#include <functional>

class CProgress;
class QWidget;

// Runs work on a thread of its own while the windows keep painting, under a busy cursor. Work
// that ends soon is done before the person can act; longer work shows a window-modal progress
// dialog named strLabel, whose Cancel (or Escape) sets the flag work watches. Returns false
// when the person cancelled; work has ended either way.
bool RunAside(QWidget* pParent, const QString& strLabel,
              const std::function<void(const std::atomic<bool>& bCancel)>& work);
// The same for work that tells how far it has come: the dialog shows it as a bar.
bool RunAsideWithProgress(QWidget* pParent, const QString& strLabel,
                          const std::function<void(const CProgress& progress)>& work);

// How long work runs before the progress dialog shows, in milliseconds.
constexpr int kWorkAsideDialogAfterMs = 400;
