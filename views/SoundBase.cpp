// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SoundBase.h"

#include "app/ExportCommands.h"
#include "app/ExportScope.h"
#include "session/Prompts.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/NoteKeyboard.h"
#include "views/SoundUndo.h"
#include "views/SoundUndoCommands.h"

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
ISoundViewHost* g_pHost = nullptr;
ISoundTransport* g_pTransport = nullptr;
ISoundDialogs* g_pDialogs = nullptr;

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

CSoundBase::CSoundBase(CSoundDoc* pDoc, QWidget* pParent)
    : QAbstractScrollArea(pParent), m_pDocument(pDoc)
{
    m_penPlay = QPen(QColor(150, 150, 250), 2, Qt::SolidLine);
    m_penWhite = QPen(Qt::white, 0, Qt::SolidLine);
    m_brBack = QBrush(m_crBack);
    m_font = QFont("Courier", 10);
    m_font.setStyleHint(QFont::TypeWriter);
    m_font.setFixedPitch(true);
    BuildGlyphs(devicePixelRatio());

    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The whole picture is painted on every update: no background erase, no flicker.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::ArrowCursor);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    if (m_pDocument != nullptr)
    {
        m_pDocument->AddView(this);
        CSoundUndo::Attach(m_pDocument);
    }
}

CSoundBase::~CSoundBase()
{
    if (m_pDocument != nullptr)
    {
        m_pDocument->RemoveView(this);
        CSoundUndo::Detach(m_pDocument);
    }
}

EditorPosition CSoundBase::CurrentPosition() const
{
    EditorPosition position;
    position.editor = Kind();
    position.scroll = GetScrollPos();
    std::lock_guard lock(m_pDocument->Guard());
    if (m_pDocument->m_pCurrentPattern != nullptr)
        position.pattern = m_pDocument->m_pCurrentPattern->GetId();
    position.patternCursor = m_pDocument->m_patternCursor;
    position.sequenceCursor = m_pDocument->m_sequenceCursor;
    return position;
}

void CSoundBase::ShowPosition(const EditorPosition& position)
{
    UpdateScrollBars();
    SetScrollPos(position.scroll);
    EnsureCursorVisible();
    setFocus(Qt::OtherFocusReason);
}

void CSoundBase::SetHost(ISoundViewHost* pHost)
{
    g_pHost = pHost;
}
void CSoundBase::SetTransport(ISoundTransport* pTransport)
{
    g_pTransport = pTransport;
}
void CSoundBase::SetDialogs(ISoundDialogs* pDialogs)
{
    g_pDialogs = pDialogs;
}
ISoundViewHost* CSoundBase::GetHost()
{
    return g_pHost;
}
ISoundTransport* CSoundBase::GetTransport()
{
    return g_pTransport;
}
ISoundDialogs* CSoundBase::GetDialogs()
{
    return g_pDialogs;
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

void CSoundBase::OnUpdate(IDocumentView* pSender, CObject* /*pHint*/)
{
    if (pSender != nullptr)
        setFocus(Qt::OtherFocusReason);
    viewport()->update();
    UpdateScrollBars();
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
    if (g_pHost != nullptr)
        g_pHost->SetIdleMessage(nStringId);
}

void CSoundBase::SetIdleText(const std::string& text) const
{
    if (g_pHost != nullptr)
        g_pHost->SetIdleText(text);
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

void CSoundBase::focusInEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusInEvent(pEvent);
    viewport()->update();
    if (g_pHost != nullptr)
        g_pHost->ShowToolbar(IDR_SOUNDTYPE, true);
}

void CSoundBase::focusOutEvent(QFocusEvent* pEvent)
{
    QAbstractScrollArea::focusOutEvent(pEvent);
    viewport()->update();
    // An open menu keeps the editor in charge; it has not lost the user's attention.
    if (pEvent->reason() == Qt::PopupFocusReason)
        return;
    SetIdleMessage(AFX_IDS_IDLEMESSAGE);
    if (g_pHost != nullptr)
        g_pHost->ShowToolbar(IDR_SOUNDTYPE, false);
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
        viewport()->update(0, m_nPlayLineY - 1, nWidth, 2);
    if (y >= 0)
        viewport()->update(0, y - 1, nWidth, 2);
    m_nPlayLineY = y;
}

void CSoundBase::PaintPlayLine(QPainter& dc)
{
    bool bPlaying;
    {
        std::lock_guard lock(m_pDocument->Guard());
        bPlaying = m_pDocument->m_bSongPlaying;
    }
    // The parts of an out-of-date marker outside this repaint are repainted after it.
    MovePlayLine(bPlaying ? PlayLineY() : -1);
    if (m_nPlayLineY < 0)
        return;
    dc.save();
    dc.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    dc.fillRect(QRect(0, m_nPlayLineY - 1, viewport()->width(), 2), m_penPlay.color());
    dc.restore();
}

unsigned CSoundBase::VirtualKeyOf(const QKeyEvent* pEvent)
{
    const int key = pEvent->key();
    const bool bKeypad = (pEvent->modifiers() & Qt::KeypadModifier) != 0;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return bKeypad ? 0x60u + static_cast<unsigned>(key - Qt::Key_0)
                       : static_cast<unsigned>(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<unsigned>(key);
    switch (key)
    {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Asterisk:
        return bKeypad ? 0x6A : 0;
    case Qt::Key_Slash:
        return bKeypad ? 0x6F : 0xBF;
    case Qt::Key_Comma:
        return 0xBC;
    case Qt::Key_Period:
        return bKeypad ? 0x6E : 0xBE;
    default:
        return 0;
    }
}

bool CSoundBase::KeyToNote(unsigned nKey, int* pNote) const
{
    if (nKey == '1' || nKey == 0xBC)
    {
        *pNote = NOTE_OFF;
        return true;
    }
    if (nKey == 0xBE)
    {
        *pNote = NOTE_EMPTY;
        return true;
    }
    static constexpr std::string_view kKeys = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";
    if (nKey > 0xFF)
        return false;
    const std::size_t nIndex = kKeys.find(static_cast<char>(nKey));
    if (nIndex == std::string_view::npos)
        return false;
    *pNote = static_cast<int>(nIndex) + 12 * GetOctave();
    return *pNote < NOTE_OFF;
}

bool CSoundBase::KeyToPattern(unsigned nKey, bool bShift, int nChannel,
                              CSoundPattern** ppPattern) const
{
    int nIndex;
    if (nKey >= '0' && nKey <= '9')
        nIndex = static_cast<int>(nKey - '0');
    else if (nKey >= 'A' && nKey <= 'Z')
        nIndex = static_cast<int>(nKey - 'A') + (bShift ? 36 : 10);
    else
        return false;
    if (nChannel < 0 || nChannel >= kChannelCount)
        return false;
    std::lock_guard lock(m_pDocument->Guard());
    const auto& patterns = m_pDocument->m_patterns[nChannel];
    if (nIndex >= static_cast<int>(patterns.size()))
        return false;
    *ppPattern = patterns[nIndex].get();
    return true;
}

int CSoundBase::GetLastPosition() const
{
    std::lock_guard lock(m_pDocument->Guard());
    int nLast = 0;
    for (const auto& seq : m_pDocument->m_sequence)
        if (!seq.empty())
            nLast = std::max(nLast, seq.rbegin()->first);
    return nLast;
}

int CSoundBase::GetPatternOffset(int nPosition, const CSoundPattern* pPattern) const
{
    if (pPattern == nullptr)
        return -1;
    std::lock_guard lock(m_pDocument->Guard());
    const int nStart = m_pDocument->m_nRangeStart;
    for (const auto& seq : m_pDocument->m_sequence)
    {
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
    std::lock_guard lock(pDoc->Guard());
    const CSoundPattern* pPattern = pDoc->m_pCurrentPattern;
    const int nChannel = pDoc->FindPatternChannel(pPattern);
    if (nChannel < 0)
        return std::nullopt;
    // The placement under or before the sequence cursor, else the first one after it.
    const int nNear = pDoc->m_sequenceCursor.step * std::max(pDoc->m_nStepSize, 1);
    std::optional<int> placed;
    for (const auto& [nPos, pPlaced] : pDoc->m_sequence[nChannel])
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
    return *placed + pDoc->m_patternCursor.row;
}

CSoundPattern* CSoundBase::NewPatternDialog(int nChannel, const SequencePos* pPlace)
{
    if (g_pDialogs == nullptr || nChannel < 0 || nChannel >= kChannelCount)
        return nullptr;
    int nRows = 16;
    char szName[16];
    {
        std::lock_guard lock(m_pDocument->Guard());
        std::snprintf(szName, sizeof szName, "%03d", m_pDocument->m_nNextPattern[nChannel]);
    }
    std::string name = szName;
    if (!g_pDialogs->PatternDialog(this, "Create new pattern", nRows, name))
        return nullptr;
    return m_pDocument->FindPattern(
        SoundEdits::NewPattern(m_pDocument, CurrentPosition(), nChannel, nRows, name, pPlace));
}

void CSoundBase::OnPlay()
{
    {
        std::lock_guard lock(m_pDocument->Guard());
        if (!m_pDocument->m_bSongPlaying)
            m_pDocument->m_nCurrentPos = m_pDocument->m_nRangeStart;
    }
    if (g_pTransport != nullptr)
        g_pTransport->PostPlay(m_pDocument, this);
    std::lock_guard lock(m_pDocument->Guard());
    m_pDocument->m_bSongPlaying = true;
    m_pDocument->m_bSongPaused = false;
}

void CSoundBase::OnPlayFrom()
{
    const std::optional<int> from = PlayFromPosition();
    bool bPlaying;
    {
        std::lock_guard lock(m_pDocument->Guard());
        bPlaying = m_pDocument->m_bSongPlaying && !m_pDocument->m_bSongPaused;
    }
    // The stop stores the row it heard: the start row must be set after it.
    if (bPlaying && g_pTransport != nullptr)
        g_pTransport->PostStop();
    {
        std::lock_guard lock(m_pDocument->Guard());
        const int nStart = m_pDocument->m_nRangeStart;
        const bool bInRange = from && *from >= nStart && *from <= m_pDocument->m_nRangeEnd;
        m_pDocument->m_nCurrentPos = bInRange ? *from : nStart;
    }
    if (g_pTransport != nullptr)
        g_pTransport->PostPlayFrom(m_pDocument, this);
    std::lock_guard lock(m_pDocument->Guard());
    m_pDocument->m_bSongPlaying = true;
    m_pDocument->m_bSongPaused = false;
}

int CSoundBase::GetOctave() const
{
    return CNoteKeyboard::Instance().GetOctave();
}

void CSoundBase::SetOctave(int nOctave)
{
    CNoteKeyboard::Instance().SetOctave(nOctave);
}

void CSoundBase::OnPause()
{
    if (g_pTransport != nullptr)
        g_pTransport->PostStop();
    std::lock_guard lock(m_pDocument->Guard());
    m_pDocument->m_bSongPaused = true;
}

void CSoundBase::OnStop()
{
    if (g_pTransport != nullptr)
        g_pTransport->PostStop();
    {
        std::lock_guard lock(m_pDocument->Guard());
        m_pDocument->m_bSongPlaying = false;
        m_pDocument->m_bSongPaused = false;
    }
    // Every editor of the document shows the marker, so every one loses it.
    for (IDocumentView* pView : m_pDocument->GetViews())
        if (auto* pSoundView = dynamic_cast<CSoundBase*>(pView))
            pSoundView->viewport()->update();
}

void CSoundBase::OnProperties()
{
    if (g_pDialogs == nullptr)
        return;
    int nBpm, nStep, nTpb;
    {
        std::lock_guard lock(m_pDocument->Guard());
        nBpm = m_pDocument->m_nBeatsPerMinute;
        nStep = m_pDocument->m_nStepSize;
        nTpb = m_pDocument->m_nTracksPerBeat;
    }
    if (!g_pDialogs->PropertiesDialog(this, nBpm, nStep, nTpb))
        return;
    SoundEdits::SetProperties(m_pDocument, CurrentPosition(), {nBpm, nStep, nTpb});
    // Unchanged properties make no undo step; the views are refreshed all the same.
    m_pDocument->UpdateAllViews(nullptr);
}

bool CSoundBase::OnHistoryCommand(UINT nID)
{
    CSoundUndo* pUndo = CSoundUndo::For(m_pDocument);
    if (pUndo == nullptr)
        return false;
    if (nID == ID_EDIT_UNDO)
        pUndo->Undo();
    else if (nID == ID_EDIT_REDO)
        pUndo->Redo();
    else if (nID == ID_EDIT_HISTORY)
        pUndo->ShowHistory(window());
    else
        return false;
    return true;
}

bool CSoundBase::OnUpdateHistoryCommand(UINT nID, CCmdUI& ui) const
{
    CSoundUndo* pUndo = CSoundUndo::For(m_pDocument);
    if (pUndo == nullptr || (nID != ID_EDIT_UNDO && nID != ID_EDIT_REDO && nID != ID_EDIT_HISTORY))
        return false;
    const QUndoStack& stack = pUndo->Stack();
    if (nID == ID_EDIT_UNDO)
    {
        ui.Enable(stack.canUndo());
        ui.SetText((stack.canUndo() ? "&Undo " + stack.undoText().toStdString() : "&Undo") +
                   "\tCtrl+Z");
    }
    else if (nID == ID_EDIT_REDO)
    {
        ui.Enable(stack.canRedo());
        ui.SetText((stack.canRedo() ? "&Redo " + stack.redoText().toStdString() : "&Redo") +
                   "\tCtrl+Y");
    }
    else
    {
        ui.Enable(true);
    }
    return true;
}

bool CSoundBase::OnCmdMsg(UINT nID, CCmdUI* pCmdUI)
{
    return pCmdUI != nullptr ? OnUpdateCommand(nID, *pCmdUI) : OnCommand(nID);
}

bool CSoundBase::OnCommand(UINT nID)
{
    if (OnHistoryCommand(nID))
        return true;
    switch (nID)
    {
    case ID_EDIT_DELETE:
        OnEditDelete();
        return true;
    case ID_EDIT_COPY:
        OnEditCopy();
        return true;
    case ID_EDIT_CUT:
        OnEditCut();
        return true;
    case ID_EDIT_PASTE:
        OnEditPaste();
        return true;
    case ID_SOUND_PLAY:
        OnPlay();
        return true;
    case ID_SOUND_STOP:
        OnStop();
        return true;
    case ID_SOUND_PLAYFROM:
        OnPlayFrom();
        return true;
    case ID_SOUND_PAUSE:
        OnPause();
        return true;
    case ID_SOUND_PLAYNOTES:
    {
        std::lock_guard lock(m_pDocument->Guard());
        m_pDocument->m_bPlayNotes = !m_pDocument->m_bPlayNotes;
        return true;
    }
    case ID_EXPORT_AGI:
        ExportInScope(*m_pDocument, this, [](CSoundDoc& doc) { return ExportAgiCommand(doc); });
        return true;
    case ID_EXPORT_MIDI:
        ExportInScope(*m_pDocument, this,
                      [this](CSoundDoc& doc) { return ExportMidiCommand(doc, this); });
        return true;
    case ID_SOUND_PROPERTIES:
        OnProperties();
        return true;
    case ID_SOUND_MANAGEPATTERNS:
        if (g_pDialogs != nullptr)
            g_pDialogs->ManagePatternsDialog(this, m_pDocument);
        return true;
    case ID_VIEW_SOUNDBAR:
        if (g_pHost != nullptr)
            g_pHost->ShowToolbar(IDR_SOUNDTYPE, !g_pHost->IsToolbarVisible(IDR_SOUNDTYPE));
        return true;
    default:
        return false;
    }
}

bool CSoundBase::OnUpdateCommand(UINT nID, CCmdUI& ui) const
{
    if (OnUpdateHistoryCommand(nID, ui))
        return true;
    std::lock_guard lock(m_pDocument->Guard());
    const bool bPlaying = m_pDocument->m_bSongPlaying;
    const bool bPaused = m_pDocument->m_bSongPaused;
    switch (nID)
    {
    case ID_SOUND_PLAY:
        ui.Enable(!bPlaying || bPaused);
        return true;
    case ID_SOUND_PAUSE:
        ui.Enable(bPlaying && !bPaused);
        return true;
    case ID_SOUND_STOP:
        ui.Enable(bPlaying);
        return true;
    case ID_SOUND_PLAYNOTES:
        ui.Enable(true);
        ui.SetCheck(m_pDocument->m_bPlayNotes);
        return true;
    case ID_VIEW_SOUNDBAR:
        ui.Enable(true);
        ui.SetCheck(g_pHost != nullptr && g_pHost->IsToolbarVisible(IDR_SOUNDTYPE));
        return true;
    case ID_SOUND_PLAYFROM:
    case ID_EXPORT_AGI:
    case ID_EXPORT_MIDI:
    case ID_SOUND_PROPERTIES:
    case ID_SOUND_MANAGEPATTERNS:
        ui.Enable(true);
        return true;
    default:
        return false;
    }
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
