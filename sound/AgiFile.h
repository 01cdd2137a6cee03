// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <cstdint>
#include <string>
#include <vector>

class CFile;
class CSoundDoc;
struct PlayRange;

// The AGI sound resource as a file: the document's import and export. They take the
// document's guard themselves and return their failures, never showing anything, so the
// caller reports them once the guard is released. The resource reader and writer proper
// are in sound/AgiResource.h.

// The resource of the range written to out. A refused document is a failure of cause
// Refused; a write failure throws CFileException (WriteAtomically turns it into a failure).
Status ExportAgi(const CSoundDoc& doc, const PlayRange& range, CFile& out);
// The same as bytes, for a game folder.
Result<std::vector<std::uint8_t>> BuildAgiBytes(const CSoundDoc& doc, const PlayRange& range);

// The bytes of a resource file; one larger than any resource is refused as the import refuses
// it, a file that cannot be read is a failure of cause File.
Result<std::vector<std::uint8_t>> ReadAgiFile(const std::string& path);

// Rebuilds the document from a resource and tells its views; a refused resource leaves the
// document as it was.
Status ImportAgi(CSoundDoc& doc, const std::vector<std::uint8_t>& resource);
// The same from a file; a file that cannot be read is a failure of cause File.
Status ImportAgiFile(CSoundDoc& doc, const std::string& path);
