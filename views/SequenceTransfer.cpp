// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/SequenceTransfer.h"

#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/DragScroller.h"
#include "views/SoundSequenceView.h"

#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

#include <mutex>

using namespace SequenceTransfer;

const char* const SequenceTransfer::kInvalidPatternMessage =
    "The data on the clipboard is not a valid pattern.";

QString SequenceTransfer::PatternMimeType()
{
    return QString::fromLatin1(CSoundDoc::kPatternMimeType);
}

std::unique_ptr<QMimeData> SequenceTransfer::NewPatternData(const std::string& block)
{
    auto pData = std::make_unique<QMimeData>();
    pData->setData(PatternMimeType(),
                   QByteArray(block.data(), static_cast<qsizetype>(block.size())));
    return pData;
}

QString SequenceTransfer::OriginMimeType()
{
    return QStringLiteral("application/x-tarvok-sound-pattern-origin");
}

std::unique_ptr<CSoundPattern> SequenceTransfer::ReadPatternBlock(const QByteArray& bytes)
{
    Result<std::unique_ptr<CSoundPattern>> read =
        CSoundDoc::PatternFromGlobal(bytes.toStdString());
    return read.Ok() ? std::move(read).Value() : nullptr;
}

void CSoundSequenceView::OnEditCopy()
{
    CSoundDoc* pDoc = GetDocument();
    std::string block;
    const CSoundPattern* pPattern = pDoc->GetPatternAt(GetSession().GetSequenceCursor());
    if (pPattern == nullptr)
        return;
    block = CSoundDoc::CopyPatternToGlobal(pPattern);
    std::unique_ptr<QMimeData> pData = NewPatternData(block);
    // Which pattern it is, so that a paste into the same sound can place that very one.
    pData->setData(OriginMimeType(), GetSession().GetIdentity().toByteArray() + ' ' +
                                         QByteArray::number(pPattern->GetId()));
    QGuiApplication::clipboard()->setMimeData(pData.release());
}

void CSoundSequenceView::OnEditCut()
{
    OnEditCopy();
    const SequencePos cursor = GetSession().GetSequenceCursor();
    SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Cut"), cursor, 0);
    viewport()->update();
}

void CSoundSequenceView::OnEditPaste()
{
    const SequencePos cursor = GetSession().GetSequenceCursor();
    if (CSoundPattern* pCopied = CopiedPattern(cursor.channel))
    {
        SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Paste"), cursor,
                                 pCopied->GetId());
        viewport()->update();
        return;
    }
    DropPattern(nullptr, cursor);
}

CSoundPattern* CSoundSequenceView::CopiedPattern(int nChannel) const
{
    const QMimeData* pData = QGuiApplication::clipboard()->mimeData();
    if (pData == nullptr || !pData->hasFormat(PatternMimeType()))
        return nullptr;
    const QList<QByteArray> origin = pData->data(OriginMimeType()).split(' ');
    if (origin.size() != 2 || QUuid(origin[0]) != GetSession().GetIdentity())
        return nullptr;
    bool bNumber = false;
    const PatternId id = origin[1].toUInt(&bNumber);
    CSoundPattern* pPattern = bNumber ? GetDocument()->FindPattern(id) : nullptr;
    // A pattern belongs to one channel; another channel gets a copy.
    return pPattern != nullptr && GetDocument()->HoldsPattern(nChannel, pPattern) ? pPattern
                                                                                  : nullptr;
}

CSoundPattern* CSoundSequenceView::DropPattern(const QMimeData* pData, const SequencePos& cell)
{
    if (cell.channel < 0 || cell.channel >= kChannelCount)
        return nullptr;
    const bool bDrop = pData != nullptr;
    if (!bDrop)
        pData = QGuiApplication::clipboard()->mimeData();
    if (pData == nullptr || !pData->hasFormat(PatternMimeType()))
        return nullptr;

    std::unique_ptr<CSoundPattern> pNew = ReadPatternBlock(pData->data(PatternMimeType()));
    if (pNew == nullptr)
    {
        // A drop is answered only after it has finished: the dragging program waits for
        // the answer, and a message box would hold it up.
        if (bDrop)
            QTimer::singleShot(0, this,
                               [] { AfxMessageBox(kInvalidPatternMessage, MessageKind::Warning); });
        else
            AfxMessageBox(kInvalidPatternMessage, MessageKind::Warning);
        return nullptr;
    }

    CSoundDoc* pDoc = GetDocument();
    const PatternId id =
        SoundEdits::PastePattern(GetSession(), CurrentPosition(),
                                 bDrop ? tr("Drop Pattern") : tr("Paste"), std::move(pNew), cell);
    GetSession().SetSequenceCursor(cell);
    viewport()->repaint();
    return pDoc->FindPattern(id);
}

std::unique_ptr<QMimeData> CSoundSequenceView::BeginDrag(const SequencePos& source)
{
    CSoundDoc* pDoc = GetDocument();
    std::string block;
    const CSoundPattern* pPattern = pDoc->GetPatternAt(source);
    if (pPattern == nullptr)
        return nullptr;
    block = CSoundDoc::CopyPatternToGlobal(pPattern);
    m_dragSource = source;
    m_bDragFromHere = true;
    return NewPatternData(block);
}

void CSoundSequenceView::EndDrag(Qt::DropAction result)
{
    m_bDragArmed = false;
    // Already clear: the drop was a move inside this view, and it has been carried out.
    if (!m_bDragFromHere)
        return;
    m_bDragFromHere = false;
    // Moved elsewhere as a copy: the placement here goes.
    if (result == Qt::MoveAction)
    {
        SoundEdits::SetPlacement(GetSession(), CurrentPosition(), tr("Move Pattern"), m_dragSource,
                                 0);
        viewport()->update();
    }
}

void CSoundSequenceView::StartDrag(const SequencePos& source)
{
    std::unique_ptr<QMimeData> pData = BeginDrag(source);
    if (pData == nullptr)
        return;
    viewport()->repaint();
    QPointer<CSoundSequenceView> pSelf(this);
    // The drag owns its data and is deleted by Qt once the loop is over.
    auto* pDrag = new QDrag(this);
    pDrag->setMimeData(pData.release());
    const Qt::DropAction result = pDrag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // The loop runs events: the window may have closed meanwhile.
    if (pSelf != nullptr)
        EndDrag(result);
}

Qt::DropAction CSoundSequenceView::DropEffect(const QMimeData* pData, Qt::KeyboardModifiers keys,
                                              const QPoint& point, Qt::DropActions allowed) const
{
    if (pData == nullptr || !pData->hasFormat(PatternMimeType()) || !GetGridRect().contains(point))
        return Qt::IgnoreAction;
    Qt::DropAction effect;
    if ((keys & Qt::ShiftModifier) != 0)
        effect = Qt::MoveAction;
    else if ((keys & Qt::ControlModifier) != 0)
        effect = Qt::CopyAction;
    else if (m_bDragFromHere && HitTest(point).channel == m_dragSource.channel)
        effect = Qt::MoveAction;
    else
        effect = Qt::CopyAction;
    return (allowed & effect) != 0 ? effect : Qt::IgnoreAction;
}

Qt::DropAction CSoundSequenceView::OnDragOver(const QMimeData* pData, Qt::KeyboardModifiers keys,
                                              const QPoint& point, Qt::DropActions allowed)
{
    const Qt::DropAction effect = DropEffect(pData, keys, point, allowed);
    const SequencePos hit = HitTest(point);
    const QRect rc = GetCellRect(hit.channel, hit.step);
    // Whether an outline is shown counts too: the pointer may come back to the cell it
    // left, or leave the grid sideways without leaving the cell's rectangle.
    if (rc == m_rcDragFocus && (m_nDragFocus != 0) == (effect != Qt::IgnoreAction))
        return effect;
    if (m_nDragFocus != 0)
        viewport()->update(m_rcDragFocus);
    m_nDragFocus = effect;
    if (effect != Qt::IgnoreAction)
    {
        m_rcDragFocus = rc;
        viewport()->update(m_rcDragFocus);
    }
    return effect;
}

void CSoundSequenceView::OnDragLeave()
{
    if (m_nDragFocus != 0)
    {
        viewport()->update(m_rcDragFocus);
        m_nDragFocus = 0;
    }
}

bool CSoundSequenceView::OnDrop(const QMimeData* pData, Qt::DropAction effect, const QPoint& point)
{
    OnDragLeave();
    if (!GetGridRect().contains(point))
        return false;
    const SequencePos target = HitTest(point);
    if (effect == Qt::MoveAction && m_bDragFromHere && target.channel == m_dragSource.channel)
    {
        // Within a channel a move keeps the very same pattern object.
        m_bDragFromHere = false;
        if (!(target == m_dragSource))
        {
            CSoundDoc* pDoc = GetDocument();
            if (pDoc->GetPlacement(m_dragSource) != 0)
            {
                SoundEdits::MovePlacement(GetSession(), CurrentPosition(), m_dragSource, target);
                GetSession().SetSequenceCursor(target);
            }
            viewport()->update();
        }
        return false;
    }
    return DropPattern(pData, target) != nullptr;
}

bool CSoundSequenceView::OnScroll(int nRequest, bool bDoScroll)
{
    const int p = GetScrollPos();
    int nNew;
    if (nRequest == CDragScroller::kLineUp && p >= 1)
        nNew = p - 1;
    else if (nRequest == CDragScroller::kLineDown && p < GetScrollLimit())
        nNew = p + 1;
    else
        return false;
    if (bDoScroll)
    {
        SetScrollPos(nNew);
        viewport()->update();
    }
    return true;
}

void CSoundSequenceView::dragEnterEvent(QDragEnterEvent* pEvent)
{
    dragMoveEvent(pEvent);
    // Taken wherever the block is offered, so that the moves over the header and the
    // margins still arrive and are refused one by one.
    if (pEvent->mimeData() != nullptr && pEvent->mimeData()->hasFormat(PatternMimeType()))
        pEvent->accept();
}

void CSoundSequenceView::dragMoveEvent(QDragMoveEvent* pEvent)
{
    const QPoint point = pEvent->position().toPoint();
    const Qt::DropAction effect =
        OnDragOver(pEvent->mimeData(), pEvent->modifiers(), point, pEvent->possibleActions());
    m_pDragScroller->Track(point, viewport()->rect());
    if (effect == Qt::IgnoreAction)
    {
        pEvent->ignore();
        return;
    }
    pEvent->setDropAction(effect);
    pEvent->accept();
}

void CSoundSequenceView::dragLeaveEvent(QDragLeaveEvent* pEvent)
{
    m_pDragScroller->Stop();
    OnDragLeave();
    pEvent->accept();
}

void CSoundSequenceView::dropEvent(QDropEvent* pEvent)
{
    m_pDragScroller->Stop();
    const QPoint point = pEvent->position().toPoint();
    const Qt::DropAction effect =
        DropEffect(pEvent->mimeData(), pEvent->modifiers(), point, pEvent->possibleActions());
    if (effect == Qt::IgnoreAction)
    {
        OnDragLeave();
        pEvent->ignore();
        return;
    }
    if (OnDrop(pEvent->mimeData(), effect, point))
    {
        pEvent->setDropAction(effect);
        pEvent->accept();
    }
    else
    {
        pEvent->ignore();
    }
}
