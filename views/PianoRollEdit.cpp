// SPDX-License-Identifier: GPL-3.0-or-later
// The piano roll's mouse, keys and edits. Every edit is planned on the bars (sound/NoteEdits)
// and carried out as one step of the session's history.
#include "views/PianoRollView.h"

#include "session/NoteEditSteps.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextStream>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace
{
constexpr char kNotesMimeType[] = "application/x-tarvok-notes";
constexpr int kEdgeGrip = 4;
constexpr int kClickSlop = 3;

// A copied note, its start counted from the first one copied.
struct CopiedNote
{
    int channel = 0;
    std::int32_t offset = 0;
    std::int32_t length = 1;
    NoteSpec newNote;
};

NoteSpec SpecOf(const NoteBar& bar)
{
    return {bar.note, bar.divisor, bar.noiseType, bar.atten, bar.instrument};
}
} // namespace

std::int32_t CPianoRollView::SnapRow(double row, bool bStep) const
{
    const std::int32_t step = bStep ? std::max(GetDocument()->GetStepSize(), 1) : 1;
    const auto whole = static_cast<std::int64_t>(std::floor(std::max(row, 0.0)));
    return static_cast<std::int32_t>(std::min<std::int64_t>(whole - whole % step, INT32_MAX));
}

std::pair<std::int32_t, std::int32_t>
CPianoRollView::DrawnSpan(const QPoint& point, Qt::KeyboardModifiers modifiers) const
{
    const bool bStep = modifiers.testFlag(Qt::ShiftModifier);
    const std::int32_t unit = bStep ? std::max(GetDocument()->GetStepSize(), 1) : 1;
    const std::int32_t start = SnapRow(XToRow(m_pressPoint.x()), bStep);
    const std::int32_t end = SnapRow(XToRow(point.x()) + unit / 2.0 + 0.5 * (unit == 1), bStep);
    return {start, std::max(end, start + unit)};
}

CPianoRollView::Hit CPianoRollView::HitBar(const QPoint& point) const
{
    Hit hit;
    const bool bNoise = NoiseLaneRect().contains(point);
    if (!bNoise && !GridRect().contains(point))
        return hit;
    const auto row = static_cast<std::int32_t>(std::floor(XToRow(point.x())));
    // The current voice first: its bars lie on top.
    for (int k = 0; k < kChannelCount; ++k)
    {
        const int channel = k == 0 ? m_nVoice : (k <= m_nVoice ? k - 1 : k);
        if ((channel == kNoiseChannel) != bNoise)
            continue;
        const NoteBar* pBar = Bars(channel).At(row);
        if (pBar == nullptr || !BarRect(channel, *pBar).adjusted(0, 0, 1, 1).contains(point))
            continue;
        hit.channel = channel;
        hit.pBar = pBar;
        hit.bRightEdge = point.x() >= BarRect(channel, *pBar).right() - kEdgeGrip &&
                         BarRect(channel, *pBar).width() > 2 * kEdgeGrip;
        return hit;
    }
    return hit;
}

void CPianoRollView::mousePressEvent(QMouseEvent* pEvent)
{
    setFocus(Qt::MouseFocusReason);
    m_bScrolledToStart = true;
    const QPoint point = pEvent->position().toPoint();
    const Qt::KeyboardModifiers modifiers = pEvent->modifiers();
    m_pressPoint = m_dragPoint = point;
    m_dragModifiers = modifiers;
    m_drag = Drag::None;
    if (point.y() < kLegendHeight)
        return LegendClick(point, modifiers);
    if (point.y() < kLegendHeight + kRulerHeight && point.x() >= kKeyboardWidth)
        return RulerClick(point);
    if (point.x() < kKeyboardWidth)
        return KeyboardClick(point);
    if (point.y() < kGridTop)
        return;

    const Hit hit = HitBar(point);
    const bool bBand =
        modifiers.testFlag(Qt::ControlModifier) || pEvent->button() == Qt::RightButton;
    if (hit.pBar != nullptr && !bBand)
    {
        const BarKey key{hit.channel, hit.pBar->start};
        if (modifiers.testFlag(Qt::ShiftModifier))
        {
            if (!m_selection.erase(key))
                m_selection.insert(key);
        }
        else if (m_selection.count(key) == 0)
        {
            m_selection = {key};
        }
        SetVoice(hit.channel);
        m_dragBar = key;
        m_drag = hit.bRightEdge ? Drag::Resize : Drag::Move;
        m_nCursorRow = hit.pBar->start;
        if (hit.channel != kNoiseChannel)
            m_nCursorNote = hit.pBar->note;
        ShowStatusOfCursor();
    }
    else if (bBand)
    {
        m_drag = Drag::Band;
    }
    else
    {
        if (!modifiers.testFlag(Qt::ShiftModifier))
            m_selection.clear();
        m_drag = Drag::Draw;
        m_nCursorRow = SnapRow(XToRow(point.x()), false);
        if (!NoiseLaneRect().contains(point))
            m_nCursorNote = YToNote(point.y());
        else
            SetVoice(kNoiseChannel);
    }
    viewport()->update();
}

void CPianoRollView::mouseMoveEvent(QMouseEvent* pEvent)
{
    if (m_drag == Drag::None)
        return;
    m_dragPoint = pEvent->position().toPoint();
    m_dragModifiers = pEvent->modifiers();
    viewport()->update();
}

void CPianoRollView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const Drag drag = m_drag;
    m_drag = Drag::None;
    const QPoint point = pEvent->position().toPoint();
    const bool bMoved = (point - m_pressPoint).manhattanLength() >= kClickSlop;
    if (drag == Drag::Draw && bMoved)
        FinishDraw(point, pEvent->modifiers());
    else if (drag == Drag::Move && bMoved)
        FinishMove(point);
    else if (drag == Drag::Resize && bMoved)
        FinishResize(point);
    else if (drag == Drag::Band)
        FinishBand(point);
    viewport()->update();
}

void CPianoRollView::wheelEvent(QWheelEvent* pEvent)
{
    const int notches = pEvent->angleDelta().y() / 120;
    const QPoint point = pEvent->position().toPoint();
    const Qt::KeyboardModifiers modifiers = pEvent->modifiers();
    m_bScrolledToStart = true;
    if (modifiers.testFlag(Qt::ControlModifier) && modifiers.testFlag(Qt::ShiftModifier))
        ZoomPitch(notches, point.y());
    else if (modifiers.testFlag(Qt::ControlModifier))
        ZoomTime(notches, point.x());
    else if (modifiers.testFlag(Qt::ShiftModifier) || pEvent->angleDelta().x() != 0)
    {
        const int delta =
            pEvent->angleDelta().x() != 0 ? pEvent->angleDelta().x() : pEvent->angleDelta().y();
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta);
    }
    else
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 3 * notches * m_nKeyHeight);
    pEvent->accept();
}

void CPianoRollView::LegendClick(const QPoint& point, Qt::KeyboardModifiers modifiers)
{
    const int channel = (point.x() - 4) / kLegendItemWidth;
    if (!IsChannel(channel))
        return;
    const int inside = point.x() - 4 - channel * kLegendItemWidth;
    if (inside >= 66 && inside < 84)
        GetSession().ToggleMute(channel);
    else if (inside >= 88 && inside < 106)
        GetSession().Solo(channel);
    else if (modifiers.testFlag(Qt::ControlModifier))
        GetSession().Solo(channel);
    else
        SetVoice(channel);
    viewport()->update();
}

void CPianoRollView::RulerClick(const QPoint& point)
{
    const int channel = (point.y() - kLegendHeight) / kRulerLaneHeight;
    const auto row = static_cast<std::int32_t>(std::floor(XToRow(point.x())));
    m_rulerPick.reset();
    const CSoundDoc::Sequence& sequence = GetDocument()->GetSequence(channel);
    if (auto it = sequence.upper_bound(row); it != sequence.begin())
    {
        --it;
        if (row < std::int64_t{it->first} + it->second->GetRows())
            m_rulerPick = std::make_pair(channel, it->second->GetId());
    }
    viewport()->update();
}

void CPianoRollView::KeyboardClick(const QPoint& point)
{
    if (!GridRect().adjusted(-kKeyboardWidth, 0, 0, 0).contains(point))
        return;
    const int note = YToNote(point.y());
    m_nCursorNote = note;
    const int voice = m_nVoice == kNoiseChannel ? 0 : m_nVoice;
    if (GetTransport() != nullptr)
        GetTransport()->PostPreview(GetDocument(), note, voice);
    viewport()->update();
}

void CPianoRollView::ApplyEdit(const QString& text, const NoteEdit& edit,
                               std::optional<std::pair<int, int>> sound)
{
    SoundEdits::EditNotes(GetSession(), CurrentPosition(), text, edit);
    if (edit.bClipped)
        SetIdleText("The note ends where its pattern ends");
    if (sound && GetSession().GetPlayNotes() && GetTransport() != nullptr &&
        sound->first != kNoiseChannel)
        GetTransport()->PostPreview(GetDocument(), sound->second, sound->first);
}

void CPianoRollView::FinishDraw(const QPoint& point, Qt::KeyboardModifiers modifiers)
{
    const auto [start, end] = DrawnSpan(point, modifiers);
    NoteSpec newNote;
    if (m_nVoice == kNoiseChannel)
    {
        const NoteBar* pLast = Bars(kNoiseChannel).At(start);
        newNote.note = pLast != nullptr ? pLast->note : 0;
        newNote.noiseType = pLast != nullptr ? pLast->noiseType : std::uint8_t{NOISE_WHITE};
    }
    else
    {
        newNote.note = static_cast<std::uint8_t>(YToNote(m_pressPoint.y()));
    }
    newNote.instrument = static_cast<std::uint8_t>(GetSession().GetCurrentInstrument());
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    const std::int32_t got = editor.Add(m_nVoice, start, end - start, newNote, Bars(m_nVoice));
    if (got <= 0)
        return;
    m_nNoteLength = got;
    ApplyEdit(tr("Draw Note"), editor.Finish(), std::make_pair(m_nVoice, int(newNote.note)));
    m_selection = {{m_nVoice, start}};
}

void CPianoRollView::FinishMove(const QPoint& point)
{
    const NoteBar* pDragged = FindBar(m_dragBar);
    if (pDragged == nullptr)
        return;
    const auto dRows =
        static_cast<std::int32_t>(std::lround(XToRow(point.x()) - XToRow(m_pressPoint.x())));
    const int dNotes =
        m_dragBar.first == kNoiseChannel ? 0 : YToNote(point.y()) - YToNote(m_pressPoint.y());
    if (dRows == 0 && dNotes == 0)
        return;
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    std::vector<std::pair<int, NoteBar>> moved;
    for (const BarKey& key : m_selection)
        if (const NoteBar* pBar = FindBar(key))
            moved.emplace_back(key.first, *pBar);
    for (const auto& [channel, bar] : moved)
        editor.Remove(channel, bar, Bars(channel));
    std::set<BarKey> selection;
    std::optional<std::pair<int, int>> sound;
    for (const auto& [channel, bar] : moved)
    {
        NoteSpec newNote = SpecOf(bar);
        if (channel != kNoiseChannel)
        {
            const int note = std::clamp(int(bar.note) + dNotes, 0, kMaxNote);
            newNote.divisor = dNotes == 0 ? bar.divisor : kNoDivisor;
            newNote.note = static_cast<std::uint8_t>(note);
            if (!sound)
                sound = std::make_pair(channel, note);
        }
        const std::int32_t start = std::max(bar.start + dRows, 0);
        if (editor.Add(channel, start, bar.Length(), newNote, Bars(channel)) > 0)
            selection.insert({channel, start});
    }
    ApplyEdit(tr("Move Notes"), editor.Finish(), sound);
    m_selection = selection;
}

void CPianoRollView::FinishResize(const QPoint& point)
{
    const NoteBar* pBar = FindBar(m_dragBar);
    if (pBar == nullptr)
        return;
    const NoteBar bar = *pBar;
    const std::int32_t end =
        std::max(static_cast<std::int32_t>(std::lround(XToRow(point.x()))), bar.start + 1);
    if (end == bar.end)
        return;
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    editor.Remove(m_dragBar.first, bar, Bars(m_dragBar.first));
    editor.Add(m_dragBar.first, bar.start, end - bar.start, SpecOf(bar), Bars(m_dragBar.first));
    ApplyEdit(tr("Note Length"), editor.Finish());
}

void CPianoRollView::FinishBand(const QPoint& point)
{
    const QRect band = QRect(m_pressPoint, point).normalized();
    if (!m_dragModifiers.testFlag(Qt::ShiftModifier))
        m_selection.clear();
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const ChannelBars& bars = Bars(channel);
        const auto [first, last] =
            bars.Overlapping(static_cast<std::int32_t>(std::floor(XToRow(band.left()))),
                             static_cast<std::int32_t>(std::ceil(XToRow(band.right()))) + 1);
        for (std::size_t i = first; i < last; ++i)
            if (BarRect(channel, bars.bars[i]).intersects(band))
                m_selection.insert({channel, bars.bars[i].start});
    }
}

void CPianoRollView::RemoveBars(const QString& text, const std::set<BarKey>& keys)
{
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    for (const BarKey& key : keys)
        if (const NoteBar* pBar = FindBar(key))
            editor.Remove(key.first, *pBar, Bars(key.first));
    ApplyEdit(text, editor.Finish());
}

bool CPianoRollView::CanDelete() const
{
    return !m_selection.empty();
}

void CPianoRollView::OnEditDelete()
{
    RemoveBars(tr("Delete Notes"), m_selection);
    m_selection.clear();
}

void CPianoRollView::OnEditCopy()
{
    if (m_selection.empty())
        return;
    std::int32_t first = INT32_MAX;
    for (const BarKey& key : m_selection)
        first = std::min(first, key.second);
    QString text;
    QTextStream out(&text);
    // One note a line: channel, start from the first, length, note, divisor, noise type,
    // attenuation.
    for (const BarKey& key : m_selection)
        if (const NoteBar* pBar = FindBar(key))
            out << key.first << ' ' << (pBar->start - first) << ' ' << pBar->Length() << ' '
                << pBar->note << ' ' << pBar->divisor << ' ' << pBar->noiseType << ' '
                << pBar->atten << '\n';
    auto* pData = new QMimeData;
    pData->setData(QString::fromLatin1(kNotesMimeType), text.toUtf8());
    QApplication::clipboard()->setMimeData(pData);
}

void CPianoRollView::OnEditCut()
{
    OnEditCopy();
    RemoveBars(tr("Cut Notes"), m_selection);
    m_selection.clear();
}

void CPianoRollView::OnEditPaste()
{
    const QMimeData* pData = QApplication::clipboard()->mimeData();
    if (pData == nullptr || !pData->hasFormat(QString::fromLatin1(kNotesMimeType)))
        return;
    std::vector<CopiedNote> notes;
    QString text = QString::fromUtf8(pData->data(QString::fromLatin1(kNotesMimeType)));
    QTextStream in(&text);
    while (!in.atEnd())
    {
        int channel = -1, note = -1, divisor = -1, noiseType = -1, atten = -1;
        qint64 offset = -1, length = 0;
        in >> channel >> offset >> length >> note >> divisor >> noiseType >> atten;
        if (in.status() != QTextStream::Ok)
            break;
        // Data from anywhere: only what a cell can hold.
        if (!IsChannel(channel) || offset < 0 || offset > INT32_MAX || length <= 0 ||
            length > CSoundPattern::kMaxRows || note < 0 || note > kMaxNote || divisor < 0 ||
            divisor > kNoDivisor || (divisor > kMaxExactDivisor && divisor != kNoDivisor) ||
            noiseType < 0 || noiseType > 1 || atten < 0 || atten > 15)
            continue;
        notes.push_back({channel,
                         static_cast<std::int32_t>(offset),
                         static_cast<std::int32_t>(length),
                         {static_cast<std::uint8_t>(note), static_cast<std::uint16_t>(divisor),
                          static_cast<std::uint8_t>(noiseType), static_cast<std::uint8_t>(atten)}});
    }
    if (notes.empty())
        return;
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    std::set<BarKey> selection;
    for (const CopiedNote& copied : notes)
    {
        const std::int64_t start = std::int64_t{m_nCursorRow} + copied.offset;
        if (start > INT32_MAX)
            continue;
        const auto pos = static_cast<std::int32_t>(start);
        if (editor.Add(copied.channel, pos, copied.length, copied.newNote, Bars(copied.channel)) >
            0)
            selection.insert({copied.channel, pos});
    }
    ApplyEdit(tr("Paste Notes"), editor.Finish());
    m_selection = selection;
}

void CPianoRollView::Transpose(int nSemitones)
{
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    std::optional<std::pair<int, int>> sound;
    for (const BarKey& key : m_selection)
        if (const NoteBar* pBar = FindBar(key); pBar != nullptr && key.first != kNoiseChannel)
        {
            editor.Transpose(key.first, *pBar, nSemitones);
            if (!sound)
                sound = std::make_pair(key.first,
                                       std::clamp(int(pBar->note) + nSemitones, 0, kMaxNote));
        }
    ApplyEdit(tr("Transpose"), editor.Finish(), sound);
}

void CPianoRollView::NudgeAttenuation(int nDelta)
{
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    for (const BarKey& key : m_selection)
        if (const NoteBar* pBar = FindBar(key))
            editor.NudgeAttenuation(key.first, *pBar, nDelta, Bars(key.first));
    ApplyEdit(nDelta < 0 ? tr("Louder") : tr("Quieter"), editor.Finish());
}

void CPianoRollView::ToggleNoteAtCursor()
{
    const ChannelBars& bars = Bars(m_nVoice);
    const NoteBar* pBar = bars.At(m_nCursorRow);
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    const bool bNoise = m_nVoice == kNoiseChannel;
    if (pBar != nullptr && pBar->start == m_nCursorRow && (bNoise || pBar->note == m_nCursorNote))
    {
        editor.Remove(m_nVoice, *pBar, bars);
        m_selection.erase({m_nVoice, m_nCursorRow});
        ApplyEdit(tr("Delete Notes"), editor.Finish());
        return;
    }
    NoteSpec newNote;
    newNote.note = static_cast<std::uint8_t>(bNoise ? 0 : m_nCursorNote);
    newNote.noiseType = NOISE_WHITE;
    newNote.instrument = static_cast<std::uint8_t>(GetSession().GetCurrentInstrument());
    if (editor.Add(m_nVoice, m_nCursorRow, m_nNoteLength, newNote, bars) <= 0)
        return;
    const NoteEdit edit = editor.Finish();
    ApplyEdit(tr("Draw Note"), edit, std::make_pair(m_nVoice, m_nCursorNote));
    // Without the mouse the status bar is where the new note is read.
    if (!edit.bClipped)
        ShowStatusOfCursor();
}

void CPianoRollView::MoveCursor(std::int32_t nRows, int nNotes)
{
    m_nCursorRow = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t{m_nCursorRow} + nRows, 0, INT32_MAX));
    m_nCursorNote = std::clamp(m_nCursorNote + nNotes, 0, kTopNote);
    EnsureCursorVisible();
    ShowStatusOfCursor();
}

void CPianoRollView::ShowStatusOfCursor()
{
    const NoteBar* pBar = Bars(m_nVoice).At(m_nCursorRow);
    if (pBar != nullptr)
        SetIdleText(BarName(m_nVoice, *pBar).toStdString());
}

void CPianoRollView::keyPressEvent(QKeyEvent* pEvent)
{
    m_bScrolledToStart = true;
    const Qt::KeyboardModifiers modifiers = pEvent->modifiers();
    const bool bShift = modifiers.testFlag(Qt::ShiftModifier);
    const bool bAlt = modifiers.testFlag(Qt::AltModifier);
    const std::int32_t beat = std::max(GetDocument()->GetTracksPerBeat(), 1);
    const bool bSelection = !m_selection.empty();
    switch (pEvent->key())
    {
    case Qt::Key_Up:
    case Qt::Key_Down:
    {
        const int sign = pEvent->key() == Qt::Key_Up ? 1 : -1;
        if (bAlt && bSelection)
            NudgeAttenuation(-sign);
        else if (bSelection && !modifiers.testFlag(Qt::ControlModifier))
            Transpose(sign * (bShift ? 12 : 1));
        else
            MoveCursor(0, sign * (bShift ? 12 : 1));
        break;
    }
    case Qt::Key_Left:
        MoveCursor(bShift ? -beat : -1, 0);
        break;
    case Qt::Key_Right:
        MoveCursor(bShift ? beat : 1, 0);
        break;
    case Qt::Key_Home:
        MoveCursor(-m_nCursorRow, 0);
        break;
    case Qt::Key_End:
        MoveCursor(std::max(GetDocument()->GetWholeSongEnd() - 1, 0) - m_nCursorRow, 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ToggleNoteAtCursor();
        break;
    case Qt::Key_Escape:
        m_selection.clear();
        break;
    case Qt::Key_Space:
    {
        const NoteBar* pBar = Bars(m_nVoice).At(m_nCursorRow);
        if (pBar != nullptr)
        {
            const BarKey key{m_nVoice, pBar->start};
            if (!m_selection.erase(key))
                m_selection.insert(key);
        }
        break;
    }
    case Qt::Key_Tab:
        ActivateNext();
        break;
    default:
        CSoundBase::keyPressEvent(pEvent);
        return;
    }
    viewport()->update();
    pEvent->accept();
}
