// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundBase.h"

#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/EditorAccessibility.h"
#include "views/EditorKeys.h"
#include "views/FrameClock.h"
#include "views/NoteKeyboard.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSplitter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace
{
constexpr int kFirstGlyph = 32;
constexpr int kGlyphCount = 95;

// Length in bytes of the UTF-8 sequence starting at text[i], 1 for anything malformed.
std::size_t Utf8Length(std::string_view text, std::size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF8 ? 4 : 1;
    if (i + n > text.size())
        return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}
} // namespace

CSoundBase::CSoundBase(CSoundSession* pSession, QWidget* pParent)
    : QAbstractScrollArea(pParent), m_pSession(pSession), m_pDocument(pSession->GetDocument())
{
    m_penPlay = QPen(QColor(150, 150, 250), 2, Qt::SolidLine);
    m_penWhite = QPen(Qt::white, 0, Qt::SolidLine);
    m_brBack = QBrush(m_crBack);
    m_font = QFont("Courier", 10);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    BuildGlyphs(devicePixelRatio());
    InstallEditorAccessibility();

    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The whole picture is painted on every update: no background erase, no flicker.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::ArrowCursor);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    m_pDocument->AddView(this);
    connect(m_pSession, &CSoundSession::PlayPositionMoved, this, &CSoundBase::DrawPlayPosition);
    connect(&CFrameClock::Instance(), &CFrameClock::Frame, this, &CSoundBase::FlushFrame);
    // A playback that ends by itself (it could not start) takes its marker along.
    connect(m_pSession, &CSoundSession::TransportChanged, viewport(),
            qOverload<>(&QWidget::update));
}

CSoundBase::~CSoundBase()
{
    m_pDocument->RemoveView(this);
}

EditorPosition CSoundBase::CurrentPosition() const
{
    EditorPosition position;
    position.editor = Kind();
    position.scroll = GetScrollPos();
    if (const CSoundPattern* pPattern = GetSession().GetCurrentPattern())
        position.pattern = pPattern->GetId();
    position.patternCursor = GetSession().GetPatternCursor();
    position.sequenceCursor = GetSession().GetSequenceCursor();
    return position;
}

void CSoundBase::ShowPosition(const EditorPosition& position)
{
    UpdateScrollBars();
    SetScrollPos(position.scroll);
    EnsureCursorVisible();
    setFocus(Qt::OtherFocusReason);
}

ISoundViewHost* CSoundBase::GetHost() const
{
    return m_pSession->Services().pHost;
}
ISoundTransport* CSoundBase::GetTransport() const
{
    return m_pSession->Services().pTransport;
}
ISoundDialogs* CSoundBase::GetDialogs() const
{
    return m_pSession->Services().pDialogs;
}

void CSoundBase::BuildGlyphs(qreal ratio) const
{
    const QFontMetrics fm(m_font);
    // Keep the baseline inside the cell whatever the font's leading.
    m_nAscent = std::min(fm.ascent(), kCharHeight - std::min(fm.descent(), 3));
    m_glyphRatio = ratio;
    m_tintedGlyphs.clear();
    const int nCellWidth = static_cast<int>(std::ceil(kCharWidth * ratio));
    m_glyphs = QImage(nCellWidth * kGlyphCount, static_cast<int>(std::ceil(kCharHeight * ratio)),
                      QImage::Format_ARGB32_Premultiplied);
    m_glyphs.setDevicePixelRatio(ratio);
    m_glyphs.fill(Qt::transparent);
    QPainter dc(&m_glyphs);
    dc.setFont(m_font);
    dc.setPen(m_crText);
    for (int i = 0; i < kGlyphCount; ++i)
    {
        const QRectF cell(i * nCellWidth / ratio, 0, kCharWidth, kCharHeight);
        dc.setClipRect(cell);
        dc.drawText(QPointF(cell.x(), m_nAscent), QString(QChar(kFirstGlyph + i)));
    }
}

void CSoundBase::TextOut(QPainter& dc, int x, int y, std::string_view text,
                         const QColor& crBack) const
{
    TextOut(dc, x, y, text, crBack, m_crText);
}

void CSoundBase::TextOut(QPainter& dc, int x, int y, std::string_view text, const QColor& crBack,
                         const QColor& crText) const
{
    const qreal ratio = dc.device() != nullptr ? dc.device()->devicePixelRatio() : 1.0;
    if (ratio != m_glyphRatio)
        BuildGlyphs(ratio);
    const QImage* pGlyphs = &m_glyphs;
    if (crText != m_crText)
    {
        QImage& tinted = m_tintedGlyphs[crText.rgba()];
        if (tinted.isNull())
        {
            tinted = m_glyphs;
            QPainter painter(&tinted);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(tinted.rect(), crText);
        }
        pGlyphs = &tinted;
    }
    int nChars = 0;
    for (std::size_t i = 0; i < text.size(); i += Utf8Length(text, i))
        ++nChars;
    const qreal cellWidth = std::ceil(kCharWidth * ratio);
    dc.fillRect(x, y, nChars * kCharWidth, kCharHeight, crBack);
    int cx = x;
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t n = Utf8Length(text, i);
        const auto c = static_cast<unsigned char>(text[i]);
        if (n == 1 && c >= kFirstGlyph && c < kFirstGlyph + kGlyphCount)
        {
            if (c != ' ')
                dc.drawImage(QRectF(cx, y, kCharWidth, kCharHeight), *pGlyphs,
                             QRectF((c - kFirstGlyph) * cellWidth, 0, kCharWidth * ratio,
                                    kCharHeight * ratio));
        }
        else
        {
            // Rare: a name with characters beyond ASCII. Drawn directly, kept in its cell.
            const QString str =
                n > 1 ? QString::fromUtf8(text.data() + i, static_cast<int>(n)) : QString(QChar(c));
            dc.save();
            dc.setClipRect(QRect(cx, y, kCharWidth, kCharHeight), Qt::IntersectClip);
            dc.setFont(m_font);
            dc.setPen(crText);
            dc.drawText(cx, y + m_nAscent, str);
            dc.restore();
        }
        cx += kCharWidth;
        i += n;
    }
}

void CSoundBase::PaintHeader(QPainter& dc) const
{
    dc.fillRect(0, 0, viewport()->width(), kHeaderHeight, HeaderBack());
}

int CSoundBase::GetPage() const
{
    return std::max(viewport()->height() / kRowHeight - 2, 0);
}

void CSoundBase::SetScrollRange(int nMax, int nPage)
{
    QScrollBar* pBar = verticalScrollBar();
    const int nLimit = std::max(nMax - std::max(nPage, 1) + 1, 0);
    pBar->setPageStep(std::max(nPage, 1));
    pBar->setSingleStep(1);
    pBar->setRange(0, nLimit);
}

int CSoundBase::GetScrollLimit() const
{
    return verticalScrollBar()->maximum();
}
int CSoundBase::GetScrollPos() const
{
    return verticalScrollBar()->value();
}

void CSoundBase::SetScrollPos(int nPos)
{
    QScrollBar* pBar = verticalScrollBar();
    pBar->setValue(std::clamp(nPos, 0, pBar->maximum()));
}

void CSoundBase::UpdateScrollBars()
{
    SetScrollRange(0, GetPage());
}

void CSoundBase::OnUpdate(IDocumentView* pSender)
{
    if (pSender != nullptr)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
    UpdateScrollBars();
    emit DocumentChanged();
}

void CSoundBase::ActivateNext()
{
    // The splitter pane holding this view may be the view itself or a wrapper around it.
    QWidget* pPane = this;
    while (pPane->parentWidget() != nullptr &&
           qobject_cast<QSplitter*>(pPane->parentWidget()) == nullptr)
        pPane = pPane->parentWidget();
    auto* pSplitter = qobject_cast<QSplitter*>(pPane->parentWidget());
    if (pSplitter == nullptr || pSplitter->count() < 2)
        return;
    const int nNext = (pSplitter->indexOf(pPane) + 1) % pSplitter->count();
    QWidget* pNext = pSplitter->widget(nNext);
    QWidget* pTarget = pNext->findChild<CSoundBase*>();
    if (auto* pView = qobject_cast<CSoundBase*>(pNext))
        pTarget = pView;
    (pTarget != nullptr ? pTarget : pNext)->setFocus(Qt::OtherFocusReason);
}

void CSoundBase::SetIdleMessage(unsigned nStringId) const
{
    if (GetHost() != nullptr)
        GetHost()->SetIdleMessage(nStringId);
}

void CSoundBase::SetIdleText(const std::string& text) const
{
    if (GetHost() != nullptr)
        GetHost()->SetIdleText(text);
}

void CSoundBase::paintEvent(QPaintEvent* pEvent)
{
    QPainter dc(viewport());
    dc.setClipRect(pEvent->rect());
    OnDraw(dc, pEvent->rect());
}

void CSoundBase::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollBars();
    viewport()->update();
}

void CSoundBase::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    viewport()->update();
}

bool CSoundBase::event(QEvent* pEvent)
{
    const bool bPress = pEvent->type() == QEvent::KeyPress;
    if ((bPress || pEvent->type() == QEvent::KeyRelease) &&
        RecordNoteKey(static_cast<const QKeyEvent*>(pEvent), bPress))
    {
        pEvent->accept();
        return true;
    }
    return QAbstractScrollArea::event(pEvent);
}

bool CSoundBase::RecordNoteKey(const QKeyEvent* pEvent, bool bPress)
{
    CLiveRecorder& recorder = m_pSession->Recorder();
    constexpr Qt::KeyboardModifiers kCommandKeys =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (!recorder.IsRecording() || (pEvent->modifiers() & kCommandKeys) != 0)
        return false;
    const QKeyCombination key = CNoteKeyboard::Instance().KeyOf(pEvent);
    const int nKey = key.key();
    const auto held = m_recordedKeys.constFind(nKey);
    // Key repeat comes as releases and presses of its own.
    if (held != m_recordedKeys.cend() && pEvent->isAutoRepeat())
        return true;
    if (!bPress)
    {
        if (held == m_recordedKeys.cend())
            return false;
        recorder.NoteOff(held.value(), 0);
        m_recordedKeys.remove(nKey);
        return true;
    }
    int nNote = 0;
    if (!KeyToNote(key, &nNote) || nNote > kMaxNote)
        return false;
    m_recordedKeys.insert(nKey, nNote);
    // The note keys know no velocity: full.
    recorder.NoteOn(nNote, 127, 0);
    return true;
}

void CSoundBase::focusInEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusInEvent(pEvent);
    viewport()->update();
    if (GetHost() != nullptr)
        GetHost()->ShowToolbar(IDR_SOUNDTYPE, true);
}

void CSoundBase::focusOutEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusOutEvent(pEvent);
    viewport()->update();
    // An open menu keeps the editor in charge; it has not lost the user's attention.
    if (pEvent->reason() == Qt::PopupFocusReason)
        return;
    SetIdleMessage(AFX_IDS_IDLEMESSAGE);
    // A dialog or another window taking over leaves the editor the one the sound bar serves.
    if (GetHost() != nullptr && pEvent->reason() != Qt::ActiveWindowFocusReason)
        GetHost()->ShowToolbar(IDR_SOUNDTYPE, false);
}

// Tab belongs to the editors: it switches panes through their key handlers.
bool CSoundBase::focusNextPrevChild(bool /*bNext*/)
{
    return false;
}

void CSoundBase::MovePlayLine(int y)
{
    if (y == m_nPlayLineY)
        return;
    const int nWidth = viewport()->width();
    if (m_nPlayLineY >= 0)
        UpdateAtNextFrame(QRect(0, m_nPlayLineY - 1, nWidth, 2));
    if (y >= 0)
        UpdateAtNextFrame(QRect(0, y - 1, nWidth, 2));
    m_nPlayLineY = y;
}

void CSoundBase::UpdateAtNextFrame(const QRect& rc)
{
    m_frameDirty += rc;
    CFrameClock& clock = CFrameClock::Instance();
    // Rows a tick long would repaint the window at the tick's pace; the eye needs less.
    if (!clock.IsRunning())
        FlushFrame();
    clock.Request();
}

void CSoundBase::FlushFrame()
{
    if (m_frameDirty.isEmpty())
        return;
    viewport()->update(m_frameDirty);
    m_frameDirty = QRegion();
}

void CSoundBase::PaintPlayLine(QPainter& dc)
{
    const bool bPlaying = GetSession().IsPlaying();
    // The parts of an out-of-date marker outside this repaint are repainted after it.
    MovePlayLine(bPlaying ? PlayLineY() : -1);
    if (m_nPlayLineY < 0)
        return;
    dc.save();
    dc.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    dc.fillRect(QRect(0, m_nPlayLineY - 1, viewport()->width(), 2), m_penPlay.color());
    dc.restore();
}

bool CSoundBase::KeyToNote(QKeyCombination key, int* pNote) const
{
    if (EditorKeys::DigitOf(key) == 1 || EditorKeys::IsComma(key))
    {
        *pNote = NOTE_OFF;
        return true;
    }
    if (EditorKeys::IsPeriod(key))
    {
        *pNote = NOTE_EMPTY;
        return true;
    }
    const std::optional<int> note = CNoteKeyboard::PianoNoteOf(key, GetOctave());
    if (note.has_value())
        *pNote = *note;
    return note.has_value();
}

bool CSoundBase::KeyToPattern(QKeyCombination key, int nChannel, CSoundPattern** ppPattern) const
{
    const bool bShift = key.keyboardModifiers().testFlag(Qt::ShiftModifier);
    const int nKey = key.key();
    int nIndex = EditorKeys::DigitOf(key);
    if (nIndex < 0 && nKey >= Qt::Key_A && nKey <= Qt::Key_Z)
        nIndex = nKey - Qt::Key_A + (bShift ? 36 : 10);
    if (nIndex < 0)
        return false;
    if (nChannel < 0 || nChannel >= kChannelCount)
        return false;
    const auto& patterns = m_pDocument->GetPatterns(nChannel);
    if (nIndex >= static_cast<int>(patterns.size()))
        return false;
    *ppPattern = patterns[nIndex].get();
    return true;
}

std::string CSoundBase::PatternKeyName(std::size_t nIndex)
{
    if (nIndex <= 9)
        return std::string(1, static_cast<char>('0' + nIndex));
    if (nIndex <= 35)
        return std::string(1, static_cast<char>('A' + (nIndex - 10)));
    if (nIndex <= 61)
        return "Shift+" + std::string(1, static_cast<char>('A' + (nIndex - 36)));
    return {};
}

int CSoundBase::GetLastPosition() const
{
    int nLast = 0;
    for (int c = 0; c < kChannelCount; ++c)
        if (const auto& seq = m_pDocument->GetSequence(c); !seq.empty())
            nLast = std::max(nLast, seq.rbegin()->first);
    return nLast;
}

int CSoundBase::GetPatternOffset(int nPosition, const CSoundPattern* pPattern) const
{
    if (pPattern == nullptr)
        return -1;
    const int nStart = m_pDocument->GetPlayRange().start;
    for (int c = 0; c < kChannelCount; ++c)
    {
        const auto& seq = m_pDocument->GetSequence(c);
        for (auto it = seq.upper_bound(nPosition); it != seq.begin();)
        {
            --it;
            if (it->first < nStart)
                break;
            if (it->second == pPattern)
                return nPosition - it->first;
        }
    }
    return -1;
}

std::optional<int> CSoundBase::PatternCursorPosition() const
{
    CSoundDoc* pDoc = m_pDocument;
    const CSoundPattern* pPattern = GetSession().GetCurrentPattern();
    const int nChannel = pDoc->FindPatternChannel(pPattern);
    if (nChannel < 0)
        return std::nullopt;
    // The placement under or before the sequence cursor, else the first one after it.
    const int nNear = GetSession().GetSequenceCursor().step * std::max(pDoc->GetStepSize(), 1);
    std::optional<int> placed;
    for (const auto& [nPos, pPlaced] : pDoc->GetSequence(nChannel))
    {
        if (pPlaced != pPattern)
            continue;
        if (nPos > nNear && placed)
            break;
        placed = nPos;
        if (nPos > nNear)
            break;
    }
    if (!placed)
        return std::nullopt;
    return *placed + GetSession().GetPatternCursor().row;
}

CSoundPattern* CSoundBase::NewPatternDialog(int nChannel, const SequencePos* pPlace)
{
    if (GetDialogs() == nullptr || nChannel < 0 || nChannel >= kChannelCount)
        return nullptr;
    int nRows = 16;
    char szName[16];
    std::snprintf(szName, sizeof szName, "%03d", m_pDocument->GetNextPatternNumber(nChannel));
    std::string name = szName;
    if (!GetDialogs()->PatternDialog(this, "Create new pattern", nRows, name))
        return nullptr;
    return m_pDocument->FindPattern(
        SoundEdits::NewPattern(*m_pSession, CurrentPosition(), nChannel, nRows, name, pPlace));
}

int CSoundBase::ScrollTarget(int nAction, int p, int nPage, int nMax, bool bOpenEnded) const
{
    switch (nAction)
    {
    case QAbstractSlider::SliderSingleStepSub:
        return p >= 1 ? p - 1 : p;
    case QAbstractSlider::SliderSingleStepAdd:
        return (bOpenEnded || p < nMax) ? p + 1 : p;
    case QAbstractSlider::SliderPageStepSub:
        return p >= 1 ? std::max(p - nPage + 1, 0) : p;
    case QAbstractSlider::SliderPageStepAdd:
        return p < nMax ? std::min(p + nPage - 1, nMax) : p;
    case QAbstractSlider::SliderMove:
        return verticalScrollBar()->sliderPosition();
    case QAbstractSlider::SliderToMinimum:
        return 0;
    case QAbstractSlider::SliderToMaximum:
        return nMax;
    default:
        return p;
    }
}
