// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CArchive;

// Writes a document's text straight from its cells into one buffer that goes to the archive
// whenever it fills: the very bytes the element tree of the document would write, without
// making the tree.
class CSoundFileWriter
{
public:
    explicit CSoundFileWriter(CArchive& ar);
    // The caller holds the document's guard.
    void Write(const CSoundDoc& doc);

private:
    void WriteSettings(const CSoundDoc& doc);
    void WriteInstruments(const CSoundDoc& doc);
    void WriteMachine(const CSoundDoc& doc, int channel);
    void WriteSequence(const CSoundDoc::Sequence& sequence, const CPatternView& patterns);
    void WritePattern(const CSoundPattern& pattern, int index);
    // A pattern's start tag up to its end, straight into the block, when its name is short
    // and needs no escaping; false, having written nothing, otherwise.
    bool WritePatternStartAtOnce(const CSoundPattern& pattern, int index);
    void WritePlacement(std::int32_t songPos, int number);
    // Where a line of at most kMaxRowBytes goes straight into the block, and its end.
    char* LineStart();
    void LineEnd(const char* pEnd);

    void StartTag(std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    void Attribute(std::string_view name, int value);
    // Ends the start tag: " />" for an element without children, else ">".
    void EndStartTag(bool bHasChildren);
    void EndTag(std::string_view name);
    void WriteRow(std::int32_t row, const SoundCell& cell);
    void Put(std::string_view text);
    void Flush();

    static constexpr std::size_t kBlockBytes = 64 * 1024;
    static constexpr std::size_t kMaxPlainNameBytes = 64;
    CArchive& m_ar;
    // A block and room for one row beyond it: what is written goes out once a block is full.
    std::unique_ptr<char[]> m_pBuffer;
    std::size_t m_nUsed = 0;
    std::string m_escaped;
};
