// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/InstrumentEdits.h"

#include "session/SoundSession.h"
#include "session/SoundUndo.h"
#include "sound/SoundDoc.h"

#include <algorithm>
#include <memory>

namespace
{
// A pattern whose cells name an instrument that is renumbered or goes.
struct RenumberedCells
{
    PatternId id = 0;
    std::vector<SoundCell> before;
    std::vector<SoundCell> after;
};

std::vector<RenumberedCells> CellsFollowing(const CSoundDoc& doc,
                                            const InstrumentEdits::Renumbering& renumber)
{
    std::vector<RenumberedCells> changes;
    if (renumber.empty())
        return changes;
    for (int channel = 0; channel < kChannelCount; ++channel)
        for (const CSoundPattern* pPattern : doc.GetPatterns(channel))
        {
            RenumberedCells change{pPattern->GetId(),
                                   doc.GetCells(pPattern->GetId(), 0, pPattern->GetRows()), {}};
            change.after = change.before;
            bool bChanged = false;
            for (SoundCell& cell : change.after)
                if (const auto it = renumber.find(cell.instrument); it != renumber.end())
                {
                    cell.instrument = static_cast<std::uint8_t>(it->second);
                    bChanged = true;
                }
            if (bChanged)
                changes.push_back(std::move(change));
        }
    return changes;
}

std::size_t CostOf(const std::vector<CInstrument>& instruments)
{
    std::size_t nBytes = sizeof(CInstrument) * instruments.size();
    for (const CInstrument& instrument : instruments)
        for (const SequenceKind kind : kSequenceKinds)
            nBytes += instrument.GetSequence(kind).values.size() * sizeof(int);
    return nBytes;
}

std::vector<CInstrument>::const_iterator Find(const std::vector<CInstrument>& instruments,
                                              int number)
{
    return std::find_if(instruments.begin(), instruments.end(),
                        [number](const CInstrument& i) { return i.GetNumber() == number; });
}

QString Named(const char* pattern, const std::string& name)
{
    return QObject::tr(pattern).arg(QString::fromStdString(name));
}

// "Pluck_2", "Pluck_3", ...: the first name no instrument has.
std::string CopyName(const std::vector<CInstrument>& instruments, const std::string& name)
{
    for (int n = 2;; ++n)
    {
        std::string candidate = name + "_" + std::to_string(n);
        if (std::none_of(instruments.begin(), instruments.end(),
                         [&](const CInstrument& i) { return i.GetName() == candidate; }))
            return candidate;
    }
}
} // namespace

namespace InstrumentEdits
{
bool Apply(CSoundSession& session, const QString& text, std::vector<CInstrument> after,
           const Renumbering& renumber)
{
    CSoundDoc& doc = *session.GetDocument();
    std::vector<CInstrument> before = doc.GetInstruments();
    if (after == before && renumber.empty())
        return false;
    {
        // Checked before the step is pushed, so a refused set never enters the history.
        CSoundDoc probe;
        if (!probe.SetInstruments(after))
            return false;
    }
    auto pCells = std::make_shared<const std::vector<RenumberedCells>>(CellsFollowing(doc, renumber));
    std::size_t nCost = CostOf(before) + CostOf(after);
    for (const RenumberedCells& change : *pCells)
        nCost += 2 * change.before.size() * sizeof(SoundCell);
    auto pAfter = std::make_shared<const std::vector<CInstrument>>(std::move(after));
    auto pBefore = std::make_shared<const std::vector<CInstrument>>(std::move(before));
    CSoundUndo& undo = session.Undo();
    undo.Push(new CSoundEditCommand(
        &undo, text, EditorPosition{},
        [pAfter, pCells](CSoundDoc& d)
        {
            for (const RenumberedCells& change : *pCells)
                d.SetCells(change.id, 0, change.after);
            d.SetInstruments(*pAfter);
        },
        [pBefore, pCells](CSoundDoc& d)
        {
            d.SetInstruments(*pBefore);
            for (const RenumberedCells& change : *pCells)
                d.SetCells(change.id, 0, change.before);
        },
        sizeof(CSoundEditCommand) + nCost));
    return true;
}

int FreeNumber(const std::vector<CInstrument>& instruments)
{
    for (int number = 1; number <= kMaxInstruments; ++number)
        if (Find(instruments, number) == instruments.end())
            return number;
    return kNoInstrument;
}

namespace
{
int AddNamed(CSoundSession& session, CInstrument instrument, const QString& text)
{
    std::vector<CInstrument> after = session.GetDocument()->GetInstruments();
    const int number = InstrumentEdits::FreeNumber(after);
    if (number == kNoInstrument)
        return kNoInstrument;
    instrument.SetNumber(number);
    // The list stays in the order of the numbers.
    const auto at = std::find_if(after.begin(), after.end(),
                                 [number](const CInstrument& i) { return i.GetNumber() > number; });
    after.insert(at, std::move(instrument));
    return InstrumentEdits::Apply(session, text, std::move(after)) ? number : kNoInstrument;
}
} // namespace

int Add(CSoundSession& session, CInstrument instrument)
{
    const QString text = Named("Add instrument %1", instrument.GetName());
    return AddNamed(session, std::move(instrument), text);
}

int Duplicate(CSoundSession& session, int number)
{
    const std::vector<CInstrument>& instruments = session.GetDocument()->GetInstruments();
    const auto it = Find(instruments, number);
    if (it == instruments.end())
        return kNoInstrument;
    CInstrument copy = *it;
    copy.SetName(CopyName(instruments, it->GetName()));
    return AddNamed(session, std::move(copy), Named("Duplicate instrument %1", it->GetName()));
}

bool Rename(CSoundSession& session, int number, const std::string& name)
{
    std::vector<CInstrument> after = session.GetDocument()->GetInstruments();
    const auto it = Find(after, number);
    if (it == after.end())
        return false;
    const QString text = QObject::tr("Rename instrument %1 to %2")
                             .arg(QString::fromStdString(it->GetName()), QString::fromStdString(name));
    after[static_cast<std::size_t>(it - after.cbegin())].SetName(name);
    return Apply(session, text, std::move(after));
}

bool Delete(CSoundSession& session, int number)
{
    std::vector<CInstrument> after = session.GetDocument()->GetInstruments();
    const auto it = Find(after, number);
    if (it == after.end())
        return false;
    const QString text = Named("Delete instrument %1", it->GetName());
    after.erase(it);
    return Apply(session, text, std::move(after), {{number, kNoInstrument}});
}

bool Move(CSoundSession& session, int number, int delta)
{
    std::vector<CInstrument> after = session.GetDocument()->GetInstruments();
    const auto it = Find(after, number);
    const std::ptrdiff_t from = it - after.cbegin();
    const std::ptrdiff_t to = from + delta;
    if (it == after.end() || to < 0 || to >= static_cast<std::ptrdiff_t>(after.size()))
        return false;
    CInstrument& moved = after[static_cast<std::size_t>(from)];
    CInstrument& other = after[static_cast<std::size_t>(to)];
    const int otherNumber = other.GetNumber();
    const QString text = Named(delta < 0 ? "Move instrument %1 up" : "Move instrument %1 down",
                               moved.GetName());
    other.SetNumber(number);
    moved.SetNumber(otherNumber);
    std::swap(moved, other);
    return Apply(session, text, std::move(after), {{number, otherNumber}, {otherNumber, number}});
}

bool SetSequence(CSoundSession& session, int number, SequenceKind kind,
                 InstrumentSequence sequence, const QString& verb)
{
    std::vector<CInstrument> after = session.GetDocument()->GetInstruments();
    const auto it = Find(after, number);
    if (it == after.end())
        return false;
    const QString text = QObject::tr("%1 %2 of %3")
                             .arg(verb, QString::fromLatin1(SequenceName(kind)),
                                  QString::fromStdString(it->GetName()));
    after[static_cast<std::size_t>(it - after.cbegin())].SetSequence(kind, std::move(sequence));
    return Apply(session, text, std::move(after));
}
} // namespace InstrumentEdits
