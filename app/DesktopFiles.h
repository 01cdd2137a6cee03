// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Files as the desktop hands them to the editor.

// Registers the document type for this user, so the desktop opens .tks files with the editor;
// any failure is harmless and silent.
void RegisterDocumentType();

