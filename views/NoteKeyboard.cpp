// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/NoteKeyboard.h"

#include "resources/Resource.h"
#include "resources/ResourceTables.h"
#include "views/EditorKeys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>

#include <algorithm>
#include <array>
#include <string_view>

namespace
{
QString NoteKeysSettingsKey()
{
    return QStringLiteral("Editor/NoteKeys");
}

// The typing block of a US keyboard by kernel key code: ' ' marks a key of the block no
// editor uses, '~' a key outside it.
constexpr std::string_view kUsBlock = "~~1234567890  ~~QWERTYUIOP  ~~ASDFGHJKL   ~ ZXCVBNM,./";
constexpr unsigned kIsoKey = 86; // the extra key beside the left Shift
constexpr unsigned kXkbOffset = 8;
} // namespace

CNoteKeyboard& CNoteKeyboard::Instance()
{
    // Kept by the application object, so that it lives and ends with it; every editor of the
    // program shares it.
    QCoreApplication* pApplication = QCoreApplication::instance();
    Q_ASSERT(pApplication != nullptr);
    auto* pKeyboard =
        pApplication->findChild<CNoteKeyboard*>(QString(), Qt::FindDirectChildrenOnly);
    if (pKeyboard == nullptr)
    {
        pKeyboard = new CNoteKeyboard;
        pKeyboard->setParent(pApplication);
    }
    return *pKeyboard;
}

void CNoteKeyboard::Load()
{
    m_bByPosition = QSettings().value(NoteKeysSettingsKey()).toString() != QLatin1String("letter");
}

void CNoteKeyboard::SetByPosition(bool bByPosition)
{
    m_bByPosition = bByPosition;
    QSettings().setValue(NoteKeysSettingsKey(),
                         bByPosition ? QStringLiteral("position") : QStringLiteral("letter"));
}

void CNoteKeyboard::SetOctave(int nOctave)
{
    nOctave = std::clamp(nOctave, 0, kMaxOctave);
    if (nOctave == m_nOctave)
        return;
    m_nOctave = nOctave;
    emit OctaveChanged(nOctave);
}

std::optional<Qt::Key> CNoteKeyboard::UsKeyAt(unsigned nScanCode)
{
    if (nScanCode < kXkbOffset)
        return std::nullopt;
    const unsigned nKernel = nScanCode - kXkbOffset;
    if (nKernel == kIsoKey)
        return Qt::Key_unknown;
    if (nKernel >= kUsBlock.size() || kUsBlock[nKernel] == '~')
        return std::nullopt;
    // Qt names the block's digits, capitals and , . / by their ASCII codes.
    const char c = kUsBlock[nKernel];
    return c == ' ' ? Qt::Key_unknown : static_cast<Qt::Key>(c);
}

QKeyCombination CNoteKeyboard::KeyOf(const QKeyEvent* pEvent) const
{
    const QKeyCombination letter = pEvent->keyCombination();
    if (EditorKeys::IsKeypad(letter))
        return letter;
    const std::optional<Qt::Key> place = UsKeyAt(pEvent->nativeScanCode());
    if (!place)
        return letter;
    const QKeyCombination placed(letter.keyboardModifiers(), *place);
    if (m_bByPosition)
        return placed;
    // Layouts whose digits need Shift still type digits when read by letter.
    const bool bShift = letter.keyboardModifiers().testFlag(Qt::ShiftModifier);
    return bShift && EditorKeys::DigitOf(placed) >= 0 ? placed : letter;
}

QSpinBox* CNoteKeyboard::CreateSpinBox(QWidget* pParent)
{
    auto* pSpin = new QSpinBox(pParent);
    pSpin->setObjectName(QStringLiteral("Octave"));
    pSpin->setRange(0, kMaxOctave);
    pSpin->setValue(m_nOctave);
    pSpin->setPrefix(QString::fromStdString(GetTooltipText(IDC_SOUND_OCTAVE)) + ' ');
    pSpin->setToolTip(QString::fromStdString(GetTooltipText(IDC_SOUND_OCTAVE)));
    pSpin->setStatusTip(QString::fromStdString(GetPromptText(IDC_SOUND_OCTAVE)));
    // Neither the box nor its text takes the focus, so the editor keeps the keys.
    pSpin->setFocusPolicy(Qt::NoFocus);
    if (auto* pEdit = pSpin->findChild<QLineEdit*>())
    {
        pEdit->setFocusPolicy(Qt::NoFocus);
        pEdit->setReadOnly(true);
    }
    connect(pSpin, &QSpinBox::valueChanged, this, &CNoteKeyboard::SetOctave);
    connect(this, &CNoteKeyboard::OctaveChanged, pSpin, &QSpinBox::setValue);
    return pSpin;
}
