// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/Dialog.h"

#include "dialogs/UpDownSpinBox.h"
#include "framework/TextCodec.h"
#include "framework/UserInterface.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace
{
// Dialog units to pixels, from the dialog font as the templates expect.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const QString letters =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_nBaseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
        m_nBaseY = metrics.height();
    }
    int X(int n) const { return n * m_nBaseX / 4; }
    int Y(int n) const { return n * m_nBaseY / 8; }
    QRect Rect(const DialogItem& item) const
    {
        return {X(item.x), Y(item.y), X(item.cx), Y(item.cy)};
    }

private:
    int m_nBaseX;
    int m_nBaseY;
};

std::string Substitute(std::string text, const std::string& first, const std::string& second = {})
{
    for (const auto& [key, value] : {std::pair{"%1", first}, std::pair{"%2", second}})
        if (const auto at = text.find(key); at != std::string::npos)
            text.replace(at, 2, value);
    return text;
}
} // namespace

QString DisplayName(const std::string& name)
{
    return QString::fromStdString(ToDisplayUtf8(name));
}

CDialog::CDialog(UINT nIDTemplate, QWidget* pParent)
    : QDialog(pParent), m_pTemplate(GetDialogTemplate(nIDTemplate))
{
    setModal(true);
}

void CDialog::CreateControls()
{
    if (m_pTemplate == nullptr || !m_items.empty())
        return;
    setWindowTitle(QString::fromUtf8(m_pTemplate->pszTitle));
    const CDialogUnits units(font());
    const auto items = m_pTemplate->items;
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        const DialogItem& item = items[i];
        QRect rect = units.Rect(item);
        QWidget* pWidget = nullptr;
        switch (item.kind)
        {
        case DialogItemKind::PushButton:
        case DialogItemKind::DefPushButton:
        {
            auto* pButton = new QPushButton(QString::fromUtf8(item.pszText), this);
            pButton->setDefault(item.kind == DialogItemKind::DefPushButton);
            if (item.nID == IDOK)
                connect(pButton, &QPushButton::clicked, this, &CDialog::accept);
            else if (item.nID == IDCANCEL)
                connect(pButton, &QPushButton::clicked, this, &CDialog::reject);
            pWidget = pButton;
            break;
        }
        case DialogItemKind::GroupBox:
            pWidget = new QGroupBox(QString::fromUtf8(item.pszText), this);
            break;
        case DialogItemKind::Static:
            pWidget = new QLabel(QString::fromUtf8(item.pszText), this);
            break;
        case DialogItemKind::Edit:
            if (i + 1 < items.size() && items[i + 1].kind == DialogItemKind::UpDown)
            {
                // The arrows sit inside the edit's right edge.
                CUpDownSpinBox* pSpin = CreateSpinBox(items[i + 1].nID);
                pSpin->setParent(this);
                m_items[items[i + 1].nID] = pSpin;
                pWidget = pSpin;
            }
            else
                pWidget = new QLineEdit(this);
            break;
        case DialogItemKind::UpDown:
            continue; // made with its edit
        case DialogItemKind::DropDownList:
        {
            auto* pCombo = new QComboBox(this);
            const int nHeight = pCombo->sizeHint().height();
            pCombo->setMaxVisibleItems(std::max(1, (rect.height() - nHeight) / nHeight));
            rect.setHeight(nHeight);
            pWidget = pCombo;
            break;
        }
        case DialogItemKind::ListView:
        {
            auto* pList = new QListWidget(this);
            pList->setSelectionMode(QAbstractItemView::SingleSelection);
            pWidget = pList;
            break;
        }
        case DialogItemKind::RadioButton:
            pWidget = new QRadioButton(QString::fromUtf8(item.pszText), this);
            break;
        }
        if (item.cx == 0 && item.cy == 0)
            rect.setSize(pWidget->sizeHint());
        pWidget->setGeometry(rect);
        pWidget->setEnabled(!item.bDisabled);
        if (item.nID != 0)
            m_items[item.nID] = pWidget;
    }
    setFixedSize(units.X(m_pTemplate->cx), units.Y(m_pTemplate->cy));
}

CUpDownSpinBox* CDialog::CreateSpinBox(UINT)
{
    return new CUpDownSpinBox;
}

QWidget* CDialog::GetDlgItem(UINT nID) const
{
    const auto it = m_items.find(nID);
    return it != m_items.end() ? it->second : nullptr;
}

void CDialog::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        CreateControls();
        OnInitDialog();
    }
    QDialog::showEvent(pEvent);
}

void CDialog::accept()
{
    if (SaveData())
        QDialog::accept();
}

void CDialog::SetDlgItemInt(UINT nID, int nValue)
{
    QWidget* pItem = GetDlgItem(nID);
    if (auto* pSpin = qobject_cast<QSpinBox*>(pItem))
        pSpin->setValue(nValue);
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pItem))
        pEdit->setText(QString::number(nValue));
}

void CDialog::SetDlgItemText(UINT nID, const std::string& text)
{
    auto* pEdit = GetItem<QLineEdit>(nID);
    if (pEdit == nullptr)
        return;
    const QString shown = DisplayName(text);
    m_shownTexts[nID] = {shown, text};
    pEdit->setText(shown);
}

QString CDialog::FieldText(UINT nID) const
{
    QWidget* pItem = GetDlgItem(nID);
    if (auto* pSpin = qobject_cast<QSpinBox*>(pItem))
        return pSpin->cleanText();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pItem))
        return pEdit->text();
    return {};
}

void CDialog::Refuse(UINT nID, const std::string& message)
{
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    QWidget* pItem = GetDlgItem(nID);
    if (pItem == nullptr)
        return;
    pItem->setFocus(Qt::OtherFocusReason);
    if (auto* pSpin = qobject_cast<QSpinBox*>(pItem))
        pSpin->selectAll();
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pItem))
        pEdit->selectAll();
}

bool CDialog::GetDlgItemInt(UINT nID, int nMin, int nMax, int& nValue)
{
    bool bNumber = false;
    const int nRead = FieldText(nID).trimmed().toInt(&bNumber);
    if (!bNumber)
    {
        Refuse(nID, g_pszMsgEnterInteger);
        return false;
    }
    if (nRead < nMin || nRead > nMax)
    {
        Refuse(nID, Substitute(g_pszMsgIntegerRange, std::to_string(nMin), std::to_string(nMax)));
        return false;
    }
    nValue = nRead;
    return true;
}

bool CDialog::GetDlgItemText(UINT nID, int nMaxChars, std::string& text)
{
    const QString field = FieldText(nID);
    if (field.toUcs4().size() > nMaxChars)
    {
        Refuse(nID, Substitute(g_pszMsgMaxChars, std::to_string(nMaxChars)));
        return false;
    }
    const auto shown = m_shownTexts.find(nID);
    text = shown != m_shownTexts.end() && shown->second.first == field ? shown->second.second
                                                                       : field.toStdString();
    return true;
}
