#pragma once

#include "app/CommandTarget.h"
#include "framework/Document.h"

#include <QWidget>

class CSoundDoc;

// Stands in a sound window's pane until its editor exists: shows the pane's role and the
// document's outline, and keeps the sound toolbar following the keyboard focus.
class CPlaceholderView : public QWidget, public IDocumentView, public ICommandTarget
{
    Q_OBJECT
public:
    CPlaceholderView(const QString& strRole, CSoundDoc* pDoc, QWidget* pParent);
    ~CPlaceholderView() override;

    CSoundDoc* GetDocument() const { return m_pDoc; }

    void OnUpdate(IDocumentView* pSender, CObject* pHint) override;
    bool OnCmdMsg(UINT nID, CCmdUI* pCmdUI) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QString m_strRole;
    CSoundDoc* m_pDoc;
};
