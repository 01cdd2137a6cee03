// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/Dialog.h"

#include "dialogs/TemplateGrid.h"
#include "dialogs/UpDownSpinBox.h"
#include "framework/TextCodec.h"
#include "session/Prompts.h"

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
    int Y(int n) const { return n * m_nBaseY / 8; }
    int BaseX() const { return m_nBaseX; }
    int BaseY() const { return m_nBaseY; }

private:
    int m_nBaseX;
    int m_nBaseY;
};

// Typing then replaces the field's text.
void FocusAndSelect(QWidget* pField)
{
    pField->setFocus(Qt::OtherFocusReason);
    if (auto* pSpin = qobject_cast<QSpinBox*>(pField))
        pSpin->selectAll();
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->selectAll();
}

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
    std::vector<QWidget*> widgets(items.size(), nullptr);
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        const DialogItem& item = items[i];
        if (item.kind == DialogItemKind::UpDown)
            continue; // made with its edit
        const bool bHasArrows = i + 1 < items.size() && items[i + 1].kind == DialogItemKind::UpDown;
        QWidget* pWidget = CreateControl(item, bHasArrows ? items[i + 1].nID : 0, units.Y(item.cy));
        pWidget->setEnabled(!item.bDisabled);
        if (item.nID != 0)
            m_items[item.nID] = pWidget;
        widgets[i] = pWidget;
    }
    CTemplateGrid::Apply(this, items, widgets, units.BaseX(), units.BaseY());
}

QWidget* CDialog::CreateControl(const DialogItem& item, UINT nUpDownID, int nListHeight)
{
    const QString text = QString::fromUtf8(item.pszText);
    switch (item.kind)
    {
    case DialogItemKind::PushButton:
    case DialogItemKind::DefPushButton:
    {
        auto* pButton = new QPushButton(text, this);
        pButton->setDefault(item.kind == DialogItemKind::DefPushButton);
        if (item.nID == IDOK)
            connect(pButton, &QPushButton::clicked, this, &CDialog::accept);
        else if (item.nID == IDCANCEL)
            connect(pButton, &QPushButton::clicked, this, &CDialog::reject);
        return pButton;
    }
    case DialogItemKind::GroupBox:
        return new QGroupBox(text, this);
    case DialogItemKind::Static:
        return new QLabel(text, this);
    case DialogItemKind::Edit:
        if (nUpDownID != 0)
        {
            CUpDownSpinBox* pSpin = CreateSpinBox(nUpDownID);
            pSpin->setParent(this);
            m_items[nUpDownID] = pSpin;
            return pSpin;
        }
        return new QLineEdit(this);
    case DialogItemKind::DropDownList:
    {
        auto* pCombo = new QComboBox(this);
        const int nHeight = pCombo->sizeHint().height();
        pCombo->setMaxVisibleItems(std::max(1, (nListHeight - nHeight) / nHeight));
        return pCombo;
    }
    case DialogItemKind::ListView:
    {
        auto* pList = new QListWidget(this);
        pList->setSelectionMode(QAbstractItemView::SingleSelection);
        return pList;
    }
    case DialogItemKind::RadioButton:
        return new QRadioButton(text, this);
    case DialogItemKind::UpDown:
        break; // made with its edit
    }
    return nullptr;
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
        FocusFirstField();
    }
    QDialog::showEvent(pEvent);
}

void CDialog::FocusFirstField()
{
    if (m_pTemplate == nullptr)
        return;
    QWidget* pFirstList = nullptr;
    for (const DialogItem& item : m_pTemplate->items)
    {
        QWidget* pItem = GetDlgItem(item.nID);
        if (pItem == nullptr || !pItem->isEnabled())
            continue;
        if (item.kind == DialogItemKind::Edit)
        {
            FocusAndSelect(pItem);
            return;
        }
        if (pFirstList == nullptr &&
            (item.kind == DialogItemKind::DropDownList || item.kind == DialogItemKind::ListView))
            pFirstList = pItem;
    }
    if (pFirstList != nullptr)
        pFirstList->setFocus(Qt::OtherFocusReason);
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
    AfxMessageBox(message, MessageKind::Warning);
    QWidget* pItem = GetDlgItem(nID);
    if (pItem != nullptr)
        FocusAndSelect(pItem);
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
