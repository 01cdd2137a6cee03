// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/PianoRollView.h"

#include "session/SoundSession.h"
#include "sound/AgiTone.h"
#include "sound/SoundDoc.h"
#include "views/FollowPlayback.h"

#include <QAccessible>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
constexpr double kZoomStep = 1.25;
constexpr double kMinPxPerRow = 0.05;
constexpr double kMaxPxPerRow = 64.0;
constexpr int kMinKeyHeight = 3;
constexpr int kMaxKeyHeight = 32;
// Bounds the scroll range, so that the pixel offsets of the longest song stay integers.
constexpr double kMaxContentPx = 1.0e9;
} // namespace

const std::array<QColor, kChannelCount> CPianoRollView::kVoiceColours = {
    QColor(240, 110, 90), QColor(110, 210, 110), QColor(90, 170, 250), QColor(230, 205, 90)};

CPianoRollView::CPianoRollView(CSoundSession* pSession, QWidget* pParent)
    : CSoundBase(pSession, pParent)
{
    setObjectName(QStringLiteral("PianoRoll"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setMouseTracking(false);
    // The notes in view change with the scroll position.
    for (QScrollBar* pBar : {horizontalScrollBar(), verticalScrollBar()})
    {
        connect(pBar, &QScrollBar::valueChanged, this, &CPianoRollView::TellAccessibility);
        connect(pBar, &QScrollBar::actionTriggered, this, [this] { m_bScrolledToStart = true; });
    }
    m_nNoteLength = std::max(GetDocument()->GetTracksPerBeat(), 1);
}

void CPianoRollView::OnUpdate(IDocumentView* pSender)
{
    m_bBarsStale = true;
    // Bars that no longer exist leave the selection.
    EnsureBars();
    for (auto it = m_selection.begin(); it != m_selection.end();)
        it = FindBar(*it) == nullptr ? m_selection.erase(it) : std::next(it);
    AdoptTrackerChannel();
    // Another editor handing over does not take the keys from whoever has them here.
    CSoundBase::OnUpdate(pSender == this ? pSender : nullptr);
    TellAccessibility();
}

void CPianoRollView::TellAccessibility()
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

void CPianoRollView::AdoptTrackerChannel()
{
    const int channel = GetSession().GetSequenceCursor().channel;
    if (channel != m_nTrackerChannel && IsChannel(channel))
    {
        m_nTrackerChannel = channel;
        m_nVoice = channel;
    }
}

void CPianoRollView::SetVoice(int nVoice)
{
    if (!IsChannel(nVoice) || nVoice == m_nVoice)
        return;
    m_nVoice = nVoice;
    viewport()->update();
}

void CPianoRollView::EnsureBars() const
{
    if (!m_bBarsStale)
        return;
    const CSoundDoc& doc = *GetDocument();
    const PlayRange range = doc.GetPlayRange();
    const PlayRange song{0, std::max(doc.GetWholeSongEnd(), range.end)};
    for (int channel = 0; channel < kChannelCount; ++channel)
        m_bars[channel] = BuildChannelBars(doc, channel, song, range.end);
    m_bBarsStale = false;
}

const ChannelBars& CPianoRollView::Bars(int channel) const
{
    EnsureBars();
    return m_bars[std::clamp(channel, 0, kChannelCount - 1)];
}

const NoteBar* CPianoRollView::FindBar(const BarKey& key) const
{
    const ChannelBars& bars = Bars(key.first);
    const NoteBar* pBar = bars.At(key.second);
    return pBar != nullptr && pBar->start == key.second ? pBar : nullptr;
}

std::int32_t CPianoRollView::SongRows() const
{
    const CSoundDoc& doc = *GetDocument();
    // Room after the song to draw the next notes in.
    const std::int64_t extra = 4 * std::int64_t{std::max(doc.GetStepSize(), 1)};
    return static_cast<std::int32_t>(std::min<std::int64_t>(
        std::max(doc.GetWholeSongEnd(), doc.GetPlayRange().end) + extra, INT32_MAX));
}

QRect CPianoRollView::GridRect() const
{
    const QRect client = viewport()->rect();
    return QRect(QPoint(kKeyboardWidth, kGridTop),
                 QPoint(client.right(), std::max(client.bottom() - kNoiseLaneHeight, kGridTop)));
}

QRect CPianoRollView::NoiseLaneRect() const
{
    const QRect grid = GridRect();
    return QRect(QPoint(kKeyboardWidth, grid.bottom() + 1),
                 QPoint(grid.right(), viewport()->rect().bottom()));
}

int CPianoRollView::RowToX(double row) const
{
    const double x = kKeyboardWidth + row * m_pxPerRow - horizontalScrollBar()->value();
    return static_cast<int>(std::floor(std::clamp(x, -1.0e6, 1.0e6)));
}

double CPianoRollView::XToRow(int x) const
{
    return (x - kKeyboardWidth + horizontalScrollBar()->value()) / m_pxPerRow;
}

int CPianoRollView::PitchToY(double pitch) const
{
    const double y = kGridTop + (kTopNote - pitch) * m_nKeyHeight - verticalScrollBar()->value();
    return static_cast<int>(std::lround(y));
}

int CPianoRollView::YToNote(int y) const
{
    const int offset = y - kGridTop + verticalScrollBar()->value();
    return std::clamp(kTopNote - static_cast<int>(std::floor(double(offset) / m_nKeyHeight)), 0,
                      kTopNote);
}

QRect CPianoRollView::BarRect(int channel, const NoteBar& bar) const
{
    const int x0 = RowToX(bar.start);
    const int x1 = std::max(RowToX(bar.end) - 1, x0 + 1);
    if (channel == kNoiseChannel)
    {
        const QRect lane = NoiseLaneRect();
        return QRect(QPoint(x0, lane.top() + 3), QPoint(x1, lane.bottom() - 3)).intersected(lane);
    }
    const int y = PitchToY(bar.pitch);
    return QRect(QPoint(x0, y), QPoint(x1, y + m_nKeyHeight - 1)).intersected(GridRect());
}

std::vector<std::pair<int, const NoteBar*>> CPianoRollView::VisibleBars() const
{
    std::vector<std::pair<int, const NoteBar*>> visible;
    const QRect grid = GridRect();
    const auto from = static_cast<std::int32_t>(std::floor(XToRow(grid.left())));
    const auto to = static_cast<std::int32_t>(std::ceil(XToRow(grid.right() + 1)));
    for (int channel = 0; channel < kChannelCount; ++channel)
    {
        const ChannelBars& bars = Bars(channel);
        const auto [first, last] = bars.Overlapping(from, to);
        for (std::size_t i = first; i < last; ++i)
            if (!BarRect(channel, bars.bars[i]).isEmpty())
                visible.emplace_back(channel, &bars.bars[i]);
    }
    return visible;
}

QString CPianoRollView::BarName(int channel, const NoteBar& bar)
{
    const QString rows =
        bar.Length() == 1 ? QStringLiteral("1 row") : QStringLiteral("%1 rows").arg(bar.Length());
    QString what;
    if (channel == kNoiseChannel)
        what = QStringLiteral("Noise rate %1 %2")
                   .arg(bar.note)
                   .arg(bar.noiseType == NOISE_WHITE ? QStringLiteral("white")
                                                     : QStringLiteral("periodic"));
    else
        what = QStringLiteral("%1 %2").arg(QString::fromLatin1(g_channelNames[channel]),
                                           QString::fromStdString(NoteText(bar.note)));
    QString name = QStringLiteral("%1 at row %2, %3, attenuation %4")
                       .arg(what)
                       .arg(bar.start)
                       .arg(rows)
                       .arg(bar.atten);
    if (bar.instrument != 0)
        name += QStringLiteral(", instrument %1").arg(bar.instrument);
    return name;
}

void CPianoRollView::UpdateScrollBars()
{
    const QRect grid = GridRect();
    const double content = std::min(SongRows() * m_pxPerRow, kMaxContentPx);
    QScrollBar* pTime = horizontalScrollBar();
    pTime->setRange(0, std::max(static_cast<int>(content) - grid.width(), 0));
    pTime->setPageStep(std::max(grid.width(), 1));
    pTime->setSingleStep(std::max(static_cast<int>(m_pxPerRow), 8));
    QScrollBar* pPitch = verticalScrollBar();
    pPitch->setRange(0, std::max((kTopNote + 1) * m_nKeyHeight - grid.height(), 0));
    pPitch->setPageStep(std::max(grid.height(), 1));
    pPitch->setSingleStep(m_nKeyHeight);
}

void CPianoRollView::resizeEvent(QResizeEvent* pEvent)
{
    CSoundBase::resizeEvent(pEvent);
    // Until the person moves the view, it keeps the start in view as the window takes shape.
    if (!m_bScrolledToStart && isVisible())
        ScrollToStart();
}

void CPianoRollView::showEvent(QShowEvent* pEvent)
{
    CSoundBase::showEvent(pEvent);
    if (!m_bScrolledToStart)
        ScrollToStart();
}

void CPianoRollView::ZoomTime(int nSteps, std::optional<int> aroundX)
{
    const QRect grid = GridRect();
    const int x = aroundX.value_or(grid.center().x());
    const double row = XToRow(x);
    m_bScrolledToStart = true;
    m_pxPerRow = std::clamp(m_pxPerRow * std::pow(kZoomStep, nSteps), kMinPxPerRow, kMaxPxPerRow);
    UpdateScrollBars();
    horizontalScrollBar()->setValue(
        static_cast<int>(std::lround(row * m_pxPerRow - (x - kKeyboardWidth))));
    viewport()->update();
}

void CPianoRollView::ZoomPitch(int nSteps, std::optional<int> aroundY)
{
    const QRect grid = GridRect();
    const int y = aroundY.value_or(grid.center().y());
    const double pitch =
        kTopNote - double(y - kGridTop + verticalScrollBar()->value()) / m_nKeyHeight;
    m_bScrolledToStart = true;
    m_nKeyHeight = std::clamp(m_nKeyHeight + nSteps, kMinKeyHeight, kMaxKeyHeight);
    UpdateScrollBars();
    verticalScrollBar()->setValue(
        static_cast<int>(std::lround((kTopNote - pitch) * m_nKeyHeight - (y - kGridTop))));
    viewport()->update();
}

void CPianoRollView::ScrollToRow(std::int32_t row)
{
    horizontalScrollBar()->setValue(static_cast<int>(std::min(row * m_pxPerRow, kMaxContentPx)));
}

void CPianoRollView::ScrollToStart()
{
    UpdateScrollBars();
    const std::int32_t from = GetSession().GetPlayRow();
    ScrollToRow(from);
    // The first notes after the play position set the pitches in view.
    double low = kTopNote;
    double high = 0;
    const auto to = static_cast<std::int32_t>(XToRow(GridRect().right()));
    for (int channel = 0; channel < kNoiseChannel; ++channel)
    {
        const ChannelBars& bars = Bars(channel);
        const auto [first, last] = bars.Overlapping(from, std::max(to, from + 1));
        for (std::size_t i = first; i < last; ++i)
        {
            low = std::min(low, bars.bars[i].pitch);
            high = std::max(high, bars.bars[i].pitch);
        }
    }
    const double middle = high >= low ? (low + high) / 2 : 60.0;
    // Lower keys where the notes would not fit otherwise.
    const int fit = static_cast<int>(GridRect().height() / std::max(high - low + 3, 1.0));
    m_nKeyHeight = high >= low && GridRect().height() > 4 * kDefaultKeyHeight
                       ? std::clamp(fit, kMinKeyHeight, kDefaultKeyHeight)
                       : kDefaultKeyHeight;
    UpdateScrollBars();
    m_nCursorRow = from;
    m_nCursorNote = static_cast<int>(std::lround(middle));
    verticalScrollBar()->setValue(static_cast<int>(
        std::lround((kTopNote - middle + 0.5) * m_nKeyHeight - GridRect().height() / 2.0)));
}

void CPianoRollView::EnsureCursorVisible()
{
    const QRect grid = GridRect();
    const int x = RowToX(m_nCursorRow);
    QScrollBar* pTime = horizontalScrollBar();
    if (x < grid.left())
        pTime->setValue(pTime->value() - (grid.left() - x));
    else if (x + std::max(int(m_pxPerRow), 1) > grid.right())
        pTime->setValue(pTime->value() + x + std::max(int(m_pxPerRow), 1) - grid.right());
    const int y = PitchToY(m_nCursorNote);
    QScrollBar* pPitch = verticalScrollBar();
    if (y < grid.top())
        pPitch->setValue(pPitch->value() - (grid.top() - y));
    else if (y + m_nKeyHeight > grid.bottom())
        pPitch->setValue(pPitch->value() + y + m_nKeyHeight - grid.bottom());
    viewport()->update();
}

void CPianoRollView::ShowPosition(const EditorPosition& position)
{
    UpdateScrollBars();
    horizontalScrollBar()->setValue(position.scroll);
    setFocus(Qt::OtherFocusReason);
}

int CPianoRollView::PlayLineX() const
{
    if (!GetSession().IsPlaying())
        return -1;
    const QRect grid = GridRect();
    const int x = RowToX(GetSession().GetPlayRow());
    return x >= grid.left() && x <= grid.right() ? x : -1;
}

void CPianoRollView::MovePlayMarker(int x)
{
    if (x == m_nPlayX)
        return;
    const int height = viewport()->height();
    if (m_nPlayX >= 0)
        UpdateAtNextFrame(QRect(m_nPlayX - 1, 0, 3, height));
    if (x >= 0)
        UpdateAtNextFrame(QRect(x - 1, 0, 3, height));
    m_nPlayX = x;
}

void CPianoRollView::FollowPlayRow()
{
    const CSoundSession& session = GetSession();
    if (!session.IsPlaying() || session.IsPaused() || !CFollowPlayback::Instance().IsOn())
        return;
    const QRect grid = GridRect();
    const int x = RowToX(session.GetPlayRow());
    // A page at a time, as the line leaves the view, so the notes stay still to read.
    if (x < grid.left() || x > grid.right())
        ScrollToRow(session.GetPlayRow());
}

void CPianoRollView::DrawPlayPosition()
{
    FollowPlayRow();
    MovePlayMarker(PlayLineX());
}

bool CPianoRollView::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ToolTip)
    {
        auto* pHelp = static_cast<QHelpEvent*>(pEvent);
        const Hit hit = HitBar(pHelp->pos() - viewport()->geometry().topLeft());
        if (hit.pBar == nullptr)
        {
            QToolTip::hideText();
            return true;
        }
        QString text = BarName(hit.channel, *hit.pBar);
        if (hit.pBar->divisor != kNoDivisor)
            text += QStringLiteral("\n") +
                    QString::fromStdString(AgiDivisorText(hit.pBar->divisor, hit.pBar->note));
        QToolTip::showText(pHelp->globalPos(), text, this);
        return true;
    }
    return CSoundBase::event(pEvent);
}

void CPianoRollView::OnMidiKeyDown(int key, std::uint8_t atten)
{
    if (m_nVoice == kNoiseChannel || key > kMaxNote)
        return;
    CNoteEditor editor(*GetDocument(), GetDocument()->GetStepSize());
    NoteSpec newNote;
    newNote.note = static_cast<std::uint8_t>(key);
    newNote.atten = atten;
    newNote.instrument = static_cast<std::uint8_t>(GetSession().GetCurrentInstrument());
    if (editor.Add(m_nVoice, m_nCursorRow, m_nNoteLength, newNote, Bars(m_nVoice)) > 0)
        // The key is heard while it is held, not as a preview.
        ApplyEdit(tr("Draw Note"), editor.Finish(), std::nullopt);
}
