#include "views/PlaceholderView.h"

#include "app/EditorApp.h"
#include "sound/SoundDoc.h"

#include <QFocusEvent>
#include <QPainter>

CPlaceholderView::CPlaceholderView(const QString& strRole, CSoundDoc* pDoc, QWidget* pParent)
    : QWidget(pParent), m_strRole(strRole), m_pDoc(pDoc)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_pDoc->AddView(this);
}

CPlaceholderView::~CPlaceholderView()
{
    m_pDoc->RemoveView(this);
}

void CPlaceholderView::OnUpdate(IDocumentView* pSender, CObject*)
{
    if (pSender != nullptr)
        setFocus(Qt::OtherFocusReason);
    update();
}

bool CPlaceholderView::OnCmdMsg(UINT, CCmdUI*)
{
    return false;
}

void CPlaceholderView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), hasFocus() ? QColor(0, 80, 180) : QColor(0, 100, 200));
    painter.setPen(Qt::white);
    QString text = m_strRole;
    {
        std::lock_guard lock(m_pDoc->Guard());
        for (int channel = 0; channel < kChannelCount; ++channel)
            text += QStringLiteral("\n%1: %2 patterns, %3 placed")
                        .arg(QString::fromLatin1(g_channelNames[channel]))
                        .arg(m_pDoc->m_patterns[channel].size())
                        .arg(m_pDoc->m_sequence[channel].size());
    }
    painter.drawText(rect().adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop, text);
}

void CPlaceholderView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
    if (CEditorApp* pApp = AfxGetEditorApp())
        pApp->ShowToolbar(IDR_SOUNDTYPE, true);
}

void CPlaceholderView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // A menu opening takes the focus only for as long as it is open.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    update();
    if (CEditorApp* pApp = AfxGetEditorApp())
    {
        pApp->SetIdleMessage(AFX_IDS_IDLEMESSAGE);
        pApp->ShowToolbar(IDR_SOUNDTYPE, false);
    }
}
