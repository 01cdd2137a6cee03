// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/SoundDoc.h"

#include <cstdint>

// Sequences one channel of a document position by position: which pattern plays and what
// each song position holds. The AGI export, the MIDI export and playback share it; each
// keeps its own rules for filling empty cell bytes.
//
// State: the pattern that plays and the position it started at. At each position:
//  - a placement there starts its pattern (cutting off the one that played);
//  - with no pattern playing the step is NoPattern;
//  - a pattern whose rows have run out (or that has 0 rows) stops, and that step is
//    PatternEnded; the positions after it are NoPattern until the next placement;
//  - otherwise the step is PatternRow with the pattern's cell.
// Nothing plays at the first position walked unless a pattern is placed exactly there.
//
// The walk reads the document's sequence and patterns: hold the document's Guard() while
// walking, and do not keep a Step across a change of the document.
class CChannelWalk
{
public:
    enum class Kind
    {
        NoPattern,
        PatternEnded,
        PatternRow,
    };

    struct Step
    {
        std::int32_t pos = 0;
        // The positions this step stands for, pos onwards: more than 1 only for a stretch
        // of NoPattern steps from NextRun.
        std::int64_t nCount = 1;
        Kind kind = Kind::NoPattern;
        // PatternRow: the playing pattern, its row at this position and that row's cell.
        const CSoundPattern* pPattern = nullptr;
        std::int32_t row = 0;
        SoundCell cell;

        // The base rule for a working cell that keeps its value from position to position:
        // NoPattern empties note and frequency (255), PatternEnded writes an off (note 118,
        // frequency 240), both dropping any exact divisor; PatternRow replaces the whole
        // cell with the pattern's. The caller applies its own carry rules afterwards.
        void MergeInto(SoundCell& working) const;
    };

    // Walks the range, its start to its end inclusive (nothing when the start lies beyond
    // the end).
    CChannelWalk(const CSoundDoc& doc, int channel, const PlayRange& range);

    // The next position of the range; false once the range is done.
    bool Next(Step& step);
    // As Next, but a NoPattern step stands for every position up to the next placement, so
    // a long empty range costs one step. The walk's first and last positions are always
    // steps of their own, for callers that treat the range ends specially.
    bool NextRun(Step& step);
    // Sequences any position, keeping the state: for a caller that moves on its own
    // (playback wraps from the range end to its start without forgetting what plays).
    Step At(std::int32_t pos);
    // Forgets the playing pattern.
    void Reset() { m_pPattern = nullptr; }

private:
    const CSoundDoc::Sequence* m_pSequence = nullptr; // null for a channel outside 0-3
    const CSoundPattern* m_pPattern = nullptr;
    std::int32_t m_nPatternStart = 0;
    std::int64_t m_nFirst;
    std::int64_t m_nNext;
    std::int64_t m_nLast;
};
