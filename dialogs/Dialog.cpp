// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/Dialog.h"

#include "framework/TextCodec.h"
#include "session/Prompts.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace
{
const char* const kEnterInteger = "Please enter an integer.";
const char* const kIntegerRange = "Please enter an integer between %1 and %2.";
const char* const kMaxChars = "Please enter no more than %1 characters.";

// Typing then replaces the field's text.
void FocusAndSelect(QWidget* pField)
{
    pField->setFocus(Qt::OtherFocusReason);
    if (auto* pSpin = qobject_cast<QAbstractSpinBox*>(pField))
        pSpin->selectAll();
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->selectAll();
}

bool TakesTyping(const QWidget* pWidget)
{
    return qobject_cast<const QLineEdit*>(pWidget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(pWidget) != nullptr;
}

bool IsList(const QWidget* pWidget)
{
    return qobject_cast<const QComboBox*>(pWidget) != nullptr ||
           qobject_cast<const QAbstractItemView*>(pWidget) != nullptr;
}

QString FieldText(const QWidget* pField)
{
    if (auto* pSpin = qobject_cast<const QSpinBox*>(pField))
        return pSpin->cleanText();
    if (auto* pEdit = qobject_cast<const QLineEdit*>(pField))
        return pEdit->text();
    return {};
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

QSize TextSize(const QWidget* pWidget, int nColumns, int nLines)
{
    const QFontMetrics metrics = pWidget->fontMetrics();
    return {metrics.averageCharWidth() * nColumns, metrics.lineSpacing() * nLines};
}

int ColumnsWidth(const QTableView* pTable, int nColumns)
{
    const QHeaderView* pHeader = pTable->horizontalHeader();
    const int nLast = std::min(nColumns, pHeader->count()) - 1;
    const int nColumnsWidth =
        nLast < 0 ? 0 : pHeader->sectionPosition(nLast) + pHeader->sectionSize(nLast);
    return nColumnsWidth + 2 * pTable->frameWidth() + pTable->verticalScrollBar()->sizeHint().width();
}

CDialog::CDialog(QWidget* pParent) : QDialog(pParent)
{
    setModal(true);
}

QPushButton* CDialog::MakeButton(const QString& text, const QString& name)
{
    auto* pButton = new QPushButton(text, this);
    pButton->setObjectName(name);
    return pButton;
}

std::pair<QPushButton*, QPushButton*> CDialog::MakeOkCancel()
{
    QPushButton* pOk = MakeButton(tr("OK"), QStringLiteral("ok"));
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &CDialog::accept);
    QPushButton* pCancel = MakeButton(tr("Cancel"), QStringLiteral("cancel"));
    connect(pCancel, &QPushButton::clicked, this, &CDialog::reject);
    return {pOk, pCancel};
}

QLabel* CDialog::MakeLabel(const QString& text, QWidget* pBuddy)
{
    auto* pLabel = new QLabel(text, this);
    pLabel->setBuddy(pBuddy);
    return pLabel;
}

QVBoxLayout* CDialog::ButtonColumn(std::initializer_list<QPushButton*> buttons)
{
    auto* pColumn = new QVBoxLayout;
    for (QPushButton* pButton : buttons)
        pColumn->addWidget(pButton);
    pColumn->addStretch();
    return pColumn;
}

void CDialog::SetTabOrder(std::initializer_list<QWidget*> controls)
{
    QWidget* pBefore = nullptr;
    for (QWidget* pControl : controls)
    {
        if (pBefore != nullptr)
            QWidget::setTabOrder(pBefore, pControl);
        pBefore = pControl;
    }
}

void CDialog::setVisible(bool bVisible)
{
    // Sized before its window exists, so the window system is told once.
    if (bVisible && layout() != nullptr)
    {
        layout()->setSizeConstraint(QLayout::SetFixedSize);
        layout()->activate();
    }
    QDialog::setVisible(bVisible);
}

void CDialog::showEvent(QShowEvent* pEvent)
{
    if (!m_bInitialized)
    {
        m_bInitialized = true;
        OnInitDialog();
        FocusFirstField();
    }
    QDialog::showEvent(pEvent);
}

void CDialog::FocusFirstField()
{
    QWidget* pFirstList = nullptr;
    for (QWidget* pWidget = nextInFocusChain(); pWidget != this;
         pWidget = pWidget->nextInFocusChain())
    {
        // A spin box's own text field stands for the spin box.
        QWidget* pControl = qobject_cast<QAbstractSpinBox*>(pWidget->parentWidget()) != nullptr
                                ? pWidget->parentWidget()
                                : pWidget;
        if (!isAncestorOf(pControl) || !pControl->isEnabled() || !pControl->isVisibleTo(this) ||
            (pControl->focusPolicy() & Qt::TabFocus) == 0)
            continue;
        if (TakesTyping(pControl))
        {
            FocusAndSelect(pControl);
            return;
        }
        if (pFirstList == nullptr && IsList(pControl))
            pFirstList = pControl;
    }
    if (pFirstList != nullptr)
        pFirstList->setFocus(Qt::OtherFocusReason);
}

void CDialog::accept()
{
    if (SaveData())
        QDialog::accept();
}

void CDialog::ShowNumber(QWidget* pField, int nValue)
{
    if (auto* pSpin = qobject_cast<QSpinBox*>(pField))
        pSpin->setValue(nValue);
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->setText(QString::number(nValue));
}

void CDialog::ShowText(QLineEdit* pField, const std::string& text)
{
    const QString shown = DisplayName(text);
    m_shownTexts[pField] = {shown, text};
    pField->setText(shown);
}

void CDialog::Refuse(QWidget* pField, const std::string& message)
{
    AfxMessageBox(message, MessageKind::Warning);
    FocusAndSelect(pField);
}

bool CDialog::ReadNumber(QWidget* pField, int nMin, int nMax, int& nValue)
{
    bool bNumber = false;
    const int nRead = FieldText(pField).trimmed().toInt(&bNumber);
    if (!bNumber)
    {
        Refuse(pField, kEnterInteger);
        return false;
    }
    if (nRead < nMin || nRead > nMax)
    {
        Refuse(pField, Substitute(kIntegerRange, std::to_string(nMin), std::to_string(nMax)));
        return false;
    }
    nValue = nRead;
    return true;
}

bool CDialog::ReadText(QLineEdit* pField, int nMaxChars, std::string& text)
{
    const QString field = pField->text();
    if (field.toUcs4().size() > nMaxChars)
    {
        Refuse(pField, Substitute(kMaxChars, std::to_string(nMaxChars)));
        return false;
    }
    const auto shown = m_shownTexts.find(pField);
    text = shown != m_shownTexts.end() && shown->second.first == field ? shown->second.second
                                                                       : field.toStdString();
    return true;
}
