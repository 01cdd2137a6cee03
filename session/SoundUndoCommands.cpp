// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/SoundUndoCommands.h"

#include "session/EditNames.h"
#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <cstdio>

namespace
{
using Action = CSoundEditCommand::Action;

constexpr std::size_t kStepCost = sizeof(CSoundEditCommand) + 256;

void Run(CSoundSession& session, const EditorPosition& at, const QString& text, Action redo,
         Action undo, std::size_t nExtra = 0, SoundEdits::MergeKind merge = SoundEdits::kMergeNone,
         std::uint64_t nMergeKey = 0)
{
    CSoundUndo* pUndo = &session.Undo();
    auto* pCommand = new CSoundEditCommand(pUndo, text, at, std::move(redo), std::move(undo),
                                           kStepCost + nExtra);
    pCommand->SetMergeKey(merge, nMergeKey);
    pUndo->Push(pCommand);
}

std::size_t CellBytes(std::size_t nCells)
{
    return nCells * sizeof(SoundCell);
}

// A new pattern's state across undo and redo: made once, then moved out and back.
struct PatternBirth
{
    PatternId id = 0;
    int channel = -1;
    std::int32_t numberBefore = 0;
    std::int32_t numberAfter = 0;
    RemovedPattern removed;
};

Action Unborn(const std::shared_ptr<PatternBirth>& pBirth)
{
    return [pBirth](CSoundDoc& doc)
    {
        pBirth->removed = doc.RemovePattern(pBirth->id);
        doc.SetNextPatternNumber(pBirth->channel, pBirth->numberBefore);
    };
}

void Reborn(CSoundDoc& doc, PatternBirth& birth)
{
    doc.RestorePattern(birth.removed);
    doc.SetNextPatternNumber(birth.channel, birth.numberAfter);
}

bool NameTaken(const CSoundDoc& doc, int channel, const std::string& name, PatternId self)
{
    for (const CSoundPattern* pPattern : doc.GetPatterns(channel))
        if (pPattern->GetId() != self && pPattern->GetName() == name)
            return true;
    return false;
}

// Two patterns of one channel never share a name, so that a list of them tells them apart:
// a name taken by another becomes a copy's "NNN (name)", with the first free number from the
// channel's next one.
std::string FreeName(const CSoundDoc& doc, int channel, const std::string& name, PatternId self = 0)
{
    if (!NameTaken(doc, channel, name, self))
        return name;
    // A file may hold any next number; counting on from it in 64 bits cannot wrap.
    for (std::int64_t n = std::max(doc.GetNextPatternNumber(channel), 0);; ++n)
    {
        char szNumber[24];
        std::snprintf(szNumber, sizeof szNumber, "%03lld", static_cast<long long>(n));
        std::string candidate = szNumber + (" (" + name + ")");
        if (!NameTaken(doc, channel, candidate, self))
            return candidate;
    }
}
} // namespace

namespace SoundEdits
{
void SetCells(CSoundSession& session, const EditorPosition& at, const QString& text, PatternId id,
              std::int32_t row, const std::vector<SoundCell>& cells, MergeKind merge,
              std::uint32_t nTyping)
{
    CSoundDoc* pDoc = session.GetDocument();
    const std::vector<SoundCell> before =
        pDoc->GetCells(id, row, static_cast<std::int32_t>(cells.size()));
    if (before.empty() || std::equal(before.begin(), before.end(), cells.begin()))
        return;
    const std::uint64_t nKey = (std::uint64_t{id} << 40) ^ (std::uint64_t(row) << 20) ^
                               cells.size() ^ (std::uint64_t{nTyping} << 32);
    Run(
        session, at, EditNames::Cells(*pDoc, text, id, row, before, cells),
        [id, row, cells](CSoundDoc& doc) { doc.SetCells(id, row, cells); },
        [id, row, before](CSoundDoc& doc) { doc.SetCells(id, row, before); },
        CellBytes(cells.size() + before.size()), merge, nKey);
}

void InsertRow(CSoundSession& session, const EditorPosition& at, PatternId id, std::int32_t row)
{
    CSoundDoc* pDoc = session.GetDocument();
    const CSoundPattern* pPattern = pDoc->FindPattern(id);
    if (pPattern == nullptr || !pPattern->IsRowInside(row))
        return;
    const std::int32_t last = pPattern->GetRows() - 1;
    const std::vector<SoundCell> lost = pDoc->GetCells(id, last, 1);
    Run(
        session, at, EditNames::AtRow(*pDoc, QObject::tr("Insert Row"), id, row),
        [id, row](CSoundDoc& doc) { doc.InsertRows(id, row, 1); },
        [id, row, last, lost](CSoundDoc& doc)
        {
            doc.DeleteRows(id, row, 1);
            doc.SetCells(id, last, lost);
        });
}

void DeleteRow(CSoundSession& session, const EditorPosition& at, PatternId id, std::int32_t row)
{
    CSoundDoc* pDoc = session.GetDocument();
    const std::vector<SoundCell> gone = pDoc->GetCells(id, row, 1);
    const CSoundPattern* pPattern = pDoc->FindPattern(id);
    if (gone.empty() || pPattern == nullptr)
        return;
    const std::int32_t last = pPattern->GetRows() - 1;
    const std::vector<SoundCell> lastCell = pDoc->GetCells(id, last, 1);
    Run(
        session, at, EditNames::AtRow(*pDoc, QObject::tr("Delete Row"), id, row),
        [id, row](CSoundDoc& doc) { doc.DeleteRows(id, row, 1); },
        [id, row, gone, last, lastCell](CSoundDoc& doc)
        {
            doc.InsertRows(id, row, 1);
            doc.SetCells(id, row, gone);
            doc.SetCells(id, last, lastCell);
        });
}

void SetPlacement(CSoundSession& session, const EditorPosition& at, const QString& text,
                  const SequencePos& pos, PatternId id)
{
    CSoundDoc* pDoc = session.GetDocument();
    // Even a step that changes nothing counts as an edit here, as it always marked the
    // document modified.
    const PatternId before = pDoc->GetPlacement(pos);
    Run(
        session, at, EditNames::AtStep(*pDoc, text, pos, id),
        [pos, id](CSoundDoc& doc) { doc.SetPlacement(pos, id); },
        [pos, before](CSoundDoc& doc) { doc.SetPlacement(pos, before); });
}

void MovePlacement(CSoundSession& session, const EditorPosition& at, const SequencePos& from,
                   const SequencePos& to)
{
    CSoundDoc* pDoc = session.GetDocument();
    const PatternId id = pDoc->GetPlacement(from);
    const PatternId covered = pDoc->GetPlacement(to);
    if (id == 0 || from == to)
        return;
    Run(
        session, at, EditNames::Move(*pDoc, QObject::tr("Move Pattern"), from, to),
        [from, to, id](CSoundDoc& doc)
        {
            doc.SetPlacement(from, 0);
            doc.SetPlacement(to, id);
        },
        [from, to, id, covered](CSoundDoc& doc)
        {
            doc.SetPlacement(to, covered);
            doc.SetPlacement(from, id);
        });
}

namespace
{
void StepEdit(CSoundSession& session, const EditorPosition& at, const QString& text, int channel,
              std::int32_t step, bool bInsert)
{
    CSoundDoc* pDoc = session.GetDocument();
    const CSoundDoc::Placements before = pDoc->GetPlacements(channel);
    if (before.empty())
        return;
    Run(
        session, at, EditNames::AtStep(*pDoc, text, {channel, step}),
        [channel, step, bInsert](CSoundDoc& doc)
        { bInsert ? doc.InsertStep(channel, step) : doc.DeleteStep(channel, step); },
        [channel, before](CSoundDoc& doc) { doc.SetPlacements(channel, before); },
        before.size() * 48);
}
} // namespace

void InsertStep(CSoundSession& session, const EditorPosition& at, int channel, std::int32_t step)
{
    StepEdit(session, at, QObject::tr("Insert Step"), channel, step, true);
}

void DeleteStep(CSoundSession& session, const EditorPosition& at, int channel, std::int32_t step)
{
    StepEdit(session, at, QObject::tr("Delete Step"), channel, step, false);
}

namespace
{
// Makes a pattern on the first redo, moves it out and back after, and places it.
PatternId Birth(CSoundSession& session, const EditorPosition& at, const QString& text, int channel,
                std::function<PatternId(CSoundDoc&)> make, const SequencePos* pPlace,
                std::size_t nCost)
{
    CSoundDoc* pDoc = session.GetDocument();
    auto pBirth = std::make_shared<PatternBirth>();
    pBirth->channel = channel;
    pBirth->numberBefore = pDoc->GetNextPatternNumber(channel);
    const bool bPlace = pPlace != nullptr;
    const SequencePos place = bPlace ? *pPlace : SequencePos{};
    const PatternId covered = bPlace ? pDoc->GetPlacement(place) : 0;
    Run(
        session, at, text,
        [pBirth, make, bPlace, place](CSoundDoc& doc)
        {
            if (pBirth->id == 0)
            {
                pBirth->id = make(doc);
                pBirth->numberAfter = doc.GetNextPatternNumber(pBirth->channel);
            }
            else
            {
                Reborn(doc, *pBirth);
            }
            if (bPlace)
                doc.SetPlacement(place, pBirth->id);
        },
        [pBirth, bPlace, place, covered](CSoundDoc& doc)
        {
            Unborn(pBirth)(doc);
            if (bPlace)
                doc.SetPlacement(place, covered);
        },
        nCost);
    return pBirth->id;
}
} // namespace

PatternId NewPattern(CSoundSession& session, const EditorPosition& at, int channel,
                     std::int32_t rows, const std::string& name, const SequencePos* pPlace)
{
    if (channel < 0 || channel >= kChannelCount)
        return 0;
    const std::string free = FreeName(*session.GetDocument(), channel, name);
    return Birth(
        session, at, EditNames::NewPattern(QObject::tr("New Pattern"), channel, free), channel,
        [channel, rows, free](CSoundDoc& doc) { return doc.NewPattern(channel, rows, free); },
        pPlace, CellBytes(static_cast<std::size_t>(std::max(rows, 0))));
}

PatternId CopyPattern(CSoundSession& session, const EditorPosition& at, PatternId source)
{
    CSoundDoc* pDoc = session.GetDocument();
    const CSoundPattern* pSource = pDoc->FindPattern(source);
    if (pSource == nullptr)
        return 0;
    return Birth(
        session, at, EditNames::OfPattern(*pDoc, QObject::tr("Copy Pattern"), source),
        pDoc->FindPatternChannel(pSource),
        [source](CSoundDoc& doc)
        {
            const PatternId id = doc.DuplicatePattern(source);
            if (const CSoundPattern* pCopy = doc.FindPattern(id))
            {
                const int channel = doc.FindPatternChannel(pCopy);
                doc.RenamePattern(id, FreeName(doc, channel, pCopy->GetName(), id));
            }
            return id;
        },
        nullptr, CellBytes(static_cast<std::size_t>(pSource->GetRows())));
}

PatternId PastePattern(CSoundSession& session, const EditorPosition& at, const QString& text,
                       std::unique_ptr<CSoundPattern> pPattern, const SequencePos& place)
{
    if (pPattern == nullptr || place.channel < 0 || place.channel >= kChannelCount)
        return 0;
    const auto nCost = CellBytes(static_cast<std::size_t>(pPattern->GetRows()));
    pPattern->SetName(FreeName(*session.GetDocument(), place.channel, pPattern->GetName()));
    auto pBlock = std::make_shared<std::unique_ptr<CSoundPattern>>(std::move(pPattern));
    const int channel = place.channel;
    const QString name =
        EditNames::Placed(*session.GetDocument(), text, (*pBlock)->GetName(), place);
    return Birth(
        session, at, name, channel,
        [pBlock, channel](CSoundDoc& doc)
        { return doc.InsertPattern(channel, std::move(*pBlock)); },
        &place, nCost);
}

void DeletePattern(CSoundSession& session, const EditorPosition& at, PatternId id)
{
    CSoundDoc* pDoc = session.GetDocument();
    const CSoundPattern* pPattern = pDoc->FindPattern(id);
    if (pPattern == nullptr)
        return;
    auto pRemoved = std::make_shared<RemovedPattern>();
    Run(
        session, at, EditNames::OfPattern(*pDoc, QObject::tr("Delete Pattern"), id),
        [id, pRemoved](CSoundDoc& doc) { *pRemoved = doc.RemovePattern(id); },
        [pRemoved](CSoundDoc& doc) { doc.RestorePattern(*pRemoved); },
        CellBytes(static_cast<std::size_t>(pPattern->GetRows())));
}

void ChangePattern(CSoundSession& session, const EditorPosition& at, PatternId id,
                   const std::string& name, std::int32_t rows)
{
    CSoundDoc* pDoc = session.GetDocument();
    const CSoundPattern* pPattern = pDoc->FindPattern(id);
    if (pPattern == nullptr)
        return;
    const std::string oldName = pPattern->GetName();
    const std::int32_t oldRows = pPattern->GetRows();
    const std::vector<SoundCell> cells = pDoc->GetCells(id, 0, oldRows);
    rows = std::clamp(rows, 0, CSoundPattern::kMaxRows);
    const std::string free = FreeName(*pDoc, pDoc->FindPatternChannel(pPattern), name, id);
    if (free == oldName && rows == oldRows)
        return;
    Run(
        session, at, EditNames::OfPattern(*pDoc, QObject::tr("Pattern Properties"), id),
        [id, free, rows](CSoundDoc& doc)
        {
            doc.RenamePattern(id, free);
            doc.ResizePattern(id, rows);
        },
        [id, oldName, oldRows, cells](CSoundDoc& doc)
        {
            doc.RenamePattern(id, oldName);
            doc.ResizePattern(id, oldRows);
            doc.SetCells(id, 0, cells);
        },
        CellBytes(cells.size()));
}

void SetProperties(CSoundSession& session, const EditorPosition& at, const SoundProperties& props)
{
    CSoundDoc* pDoc = session.GetDocument();
    const SoundProperties before = pDoc->GetProperties();
    if (before == props)
        return;
    Run(
        session, at, EditNames::Properties(props),
        [props](CSoundDoc& doc) { doc.SetProperties(props); },
        [before](CSoundDoc& doc) { doc.SetProperties(before); });
}

void SetPlayRange(CSoundSession& session, const EditorPosition& at, const PlayRange& range)
{
    CSoundDoc* pDoc = session.GetDocument();
    const PlayRange before = pDoc->GetPlayRange();
    if (before == range)
        return;
    Run(
        session, at, EditNames::Range(range), [range](CSoundDoc& doc) { doc.SetPlayRange(range); },
        [before](CSoundDoc& doc) { doc.SetPlayRange(before); });
}

} // namespace SoundEdits

namespace
{
struct SwappedSound
{
    CSoundDoc::Contents contents;
    PatternId current = 0;
};

const CSoundPattern* FindIn(const CSoundDoc::Contents& contents, PatternId id)
{
    for (const auto& list : contents.patterns)
        for (const auto& pPattern : list)
            if (pPattern->GetId() == id)
                return pPattern.get();
    return nullptr;
}

// The current pattern changes before the sound does, so that the views the swap updates show
// the right one; patterns stay where they are in memory across the swap.
void SwapSound(CSoundSession& session, CSoundDoc& doc, SwappedSound& other)
{
    const CSoundPattern* pShown = session.GetCurrentPattern();
    session.SetCurrentPattern(FindIn(other.contents, other.current));
    other.current = pShown != nullptr ? pShown->GetId() : 0;
    doc.SwapContents(other.contents);
}

// The pattern under the sequence cursor, else the first placed one.
const CSoundPattern* FirstShownPattern(const CSoundSession& session)
{
    const CSoundDoc& doc = *session.GetDocument();
    if (const CSoundPattern* pPattern = doc.GetPatternAt(session.GetSequenceCursor()))
        return pPattern;
    for (int channel = 0; channel < kChannelCount; ++channel)
        if (!doc.GetSequence(channel).empty())
            return doc.GetSequence(channel).begin()->second;
    return nullptr;
}
} // namespace

namespace SoundEdits
{
void ReplaceSound(CSoundSession& session, const EditorPosition& at, const QString& text,
                  std::function<void(CSoundDoc&)> build, std::size_t nCost)
{
    const CSoundDoc* pDoc = session.GetDocument();
    std::size_t nRowsBefore = 0;
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const auto& pPattern : pDoc->GetPatterns(channel))
            nRowsBefore += static_cast<std::size_t>(pPattern->GetRows());
    // The sound not in the document (the replaced one after redo, the new one after undo), with
    // the pattern its editor showed, so that each side comes back as the person left it.
    auto pOther = std::make_shared<SwappedSound>();
    // Built once, on the first redo, so that the new patterns get ids of this document; the
    // builder and what it holds are let go then.
    auto pBuild = std::make_shared<std::function<void(CSoundDoc&)>>(std::move(build));
    Run(
        session, at, text,
        [&session, pOther, pBuild](CSoundDoc& doc)
        {
            SwapSound(session, doc, *pOther);
            if (*pBuild)
            {
                (*pBuild)(doc);
                *pBuild = nullptr;
                session.SetCurrentPattern(FirstShownPattern(session));
                doc.UpdateAllViews(nullptr);
            }
        },
        [&session, pOther](CSoundDoc& doc) { SwapSound(session, doc, *pOther); },
        CellBytes(nRowsBefore) + nCost);
}
} // namespace SoundEdits
