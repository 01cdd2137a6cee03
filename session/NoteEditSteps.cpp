// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/NoteEditSteps.h"

#include "session/SoundSession.h"
#include "session/SoundUndo.h"

#include <array>
#include <cstdio>
#include <memory>
#include <optional>

namespace
{
// What one note edit needs across undo and redo: the patterns it made, once made, and the
// cells and placements as they were.
struct NoteEditState
{
    NoteEdit edit;
    std::vector<PatternId> madeIds;     // by plan, once the first redo made them
    std::vector<RemovedPattern> unmade; // taken out by undo, put back by redo
    std::array<std::int32_t, kChannelCount> numbersBefore{};
    std::array<std::int32_t, kChannelCount> numbersAfter{};
    std::vector<CellWrite> before;
    std::array<std::optional<CSoundDoc::Placements>, kChannelCount> placementsBefore;
};

PatternId RealId(const NoteEditState& state, PatternId id)
{
    return IsNewPatternId(id) ? state.madeIds[id - kFirstNewPatternId] : id;
}

void MakePatterns(CSoundDoc& doc, NoteEditState& state)
{
    if (state.madeIds.empty())
    {
        for (const NewPatternPlan& plan : state.edit.newPatterns)
        {
            char name[16];
            std::snprintf(name, sizeof name, "%03d", doc.GetNextPatternNumber(plan.channel));
            state.madeIds.push_back(doc.NewPattern(plan.channel, plan.rows, name));
        }
        for (int channel = 0; channel < kChannelCount; ++channel)
            state.numbersAfter[channel] = doc.GetNextPatternNumber(channel);
    }
    else
    {
        for (RemovedPattern& removed : state.unmade)
            doc.RestorePattern(removed);
        state.unmade.clear();
        for (int channel = 0; channel < kChannelCount; ++channel)
            doc.SetNextPatternNumber(channel, state.numbersAfter[channel]);
    }
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        if (!state.placementsBefore[channel])
            continue;
        CSoundDoc::Placements placements = *state.placementsBefore[channel];
        for (std::size_t i = 0; i < state.edit.newPatterns.size(); ++i)
            if (state.edit.newPatterns[i].channel == channel)
                placements[state.edit.newPatterns[i].placeAt] = state.madeIds[i];
        doc.SetPlacements(channel, placements);
    }
}

void UnmakePatterns(CSoundDoc& doc, NoteEditState& state)
{
    for (int channel = 0; channel < kChannelCount; ++channel)
        if (state.placementsBefore[channel])
            doc.SetPlacements(channel, *state.placementsBefore[channel]);
    for (auto it = state.madeIds.rbegin(); it != state.madeIds.rend(); ++it)
        state.unmade.push_back(doc.RemovePattern(*it));
    for (int channel = 0; channel < kChannelCount; ++channel)
        if (!state.edit.newPatterns.empty())
            doc.SetNextPatternNumber(channel, state.numbersBefore[channel]);
}
} // namespace

namespace SoundEdits
{
void EditNotes(CSoundSession& session, const EditorPosition& at, const QString& text,
               const NoteEdit& edit)
{
    if (edit.IsEmpty())
        return;
    CSoundDoc* pDoc = session.GetDocument();
    auto pState = std::make_shared<NoteEditState>();
    pState->edit = edit;
    std::size_t nCells = 0;
    for (int channel = 0; channel < kChannelCount; ++channel)
        pState->numbersBefore[channel] = pDoc->GetNextPatternNumber(channel);
    for (const NewPatternPlan& plan : edit.newPatterns)
    {
        if (!pState->placementsBefore[plan.channel])
            pState->placementsBefore[plan.channel] = pDoc->GetPlacements(plan.channel);
        nCells += static_cast<std::size_t>(plan.rows);
    }
    for (const CellWrite& write : edit.writes)
    {
        nCells += 2 * write.cells.size();
        if (!IsNewPatternId(write.pattern))
            pState->before.push_back(
                {write.pattern, write.row,
                 pDoc->GetCells(write.pattern, write.row,
                                static_cast<std::int32_t>(write.cells.size()))});
    }
    CSoundUndo* pUndo = &session.Undo();
    auto* pCommand = new CSoundEditCommand(
        pUndo, text, at,
        [pState](CSoundDoc& doc)
        {
            if (!pState->edit.newPatterns.empty())
                MakePatterns(doc, *pState);
            for (const CellWrite& write : pState->edit.writes)
                doc.SetCells(RealId(*pState, write.pattern), write.row, write.cells);
        },
        [pState](CSoundDoc& doc)
        {
            for (auto it = pState->before.rbegin(); it != pState->before.rend(); ++it)
                doc.SetCells(it->pattern, it->row, it->cells);
            if (!pState->edit.newPatterns.empty())
                UnmakePatterns(doc, *pState);
        },
        sizeof(CSoundEditCommand) + 256 + nCells * sizeof(SoundCell));
    pUndo->Push(pCommand);
}
} // namespace SoundEdits
