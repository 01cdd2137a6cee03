// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class CArchive;
class CSoundDoc;

// Reads a document's text in the layout its own writer gives it (one tag a line, each value
// in double quotes) straight into the cells, without an element tree. For such text it gives
// exactly what the element tree's reader (CSoundTreeReader) gives; any other text (another
// layout, an element it does not know, a value the limits refuse, a broken file) it leaves to
// that reader, which alone decides what such a file means and how it is refused.
class CSoundFileReader
{
public:
    // Fills a document emptied by DeleteContents from a loading archive. False when the text
    // is not in that layout; the document must then be emptied again and the archive
    // rewound.
    static bool Read(CArchive& ar, CSoundDoc& doc);
};
