// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class CArchive;
class CSoundDoc;

// Reads a document's text of any layout the XML reader takes, through an element tree: the
// reader of record for every file that the direct reader (CSoundFileReader) leaves to it.
class CSoundTreeReader
{
public:
    // Fills a document emptied by DeleteContents from a loading archive; throws
    // CArchiveException with the message for the person when the text is not a sound.
    static void Read(CArchive& ar, CSoundDoc& doc);

    // 64 MB of cells, days of music: far beyond any real sound. Row counts size allocations,
    // so a file of a few bytes per pattern must not claim gigabytes, with one pattern or many.
    static constexpr std::int64_t kMaxDocumentRows = std::int64_t{1} << 24;
    static constexpr const char* kNotValidMessage =
        "The resource you are trying to load\nis not a valid sound resource.";
};
