// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

class CSoundPattern;
class QMimeData;

// The pattern block as it travels on the clipboard and in drag and drop. The sequence
// editor's clipboard and drag handlers live beside these, in SequenceTransfer.cpp.
namespace SequenceTransfer
{
extern const char* const kInvalidPatternMessage;
QString PatternMimeType();
// Beside a copied block: the copying session's identity and the pattern's id.
QString OriginMimeType();
std::unique_ptr<QMimeData> NewPatternData(const std::string& block);
// The pattern in a block, or null when the block is not exactly one pattern
// (CSoundDoc::PatternFromGlobal).
std::unique_ptr<CSoundPattern> ReadPatternBlock(const QByteArray& bytes);
} // namespace SequenceTransfer
