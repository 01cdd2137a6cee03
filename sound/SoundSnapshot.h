// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class CSoundDoc;

// A document of its own holding what the document plays (settings, play range, instruments,
// patterns and their placements), for work on another thread while the original goes on being
// edited. The caller holds the original's guard or is its editor's thread.
std::unique_ptr<CSoundDoc> SnapshotSound(const CSoundDoc& doc);
