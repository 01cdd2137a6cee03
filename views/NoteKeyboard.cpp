// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/NoteKeyboard.h"

#include "resources/Resource.h"
#include "resources/ResourceTables.h"
#include "views/SoundBase.h"
#include "views/VirtualKeys.h"

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

unsigned KeyCodeOf(char c)
{
    switch (c)
    {
    case ',':
        return VirtualKey::Comma;
    case '.':
        return VirtualKey::Period;
    case '/':
        return VirtualKey::Slash;
    case ' ':
        return 0;
    default:
        return static_cast<unsigned char>(c);
    }
}
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

std::optional<unsigned> CNoteKeyboard::UsKeyAt(unsigned nScanCode)
{
    if (nScanCode < kXkbOffset)
        return std::nullopt;
    const unsigned nKernel = nScanCode - kXkbOffset;
    if (nKernel == kIsoKey)
        return 0u;
    if (nKernel >= kUsBlock.size() || kUsBlock[nKernel] == '~')
        return std::nullopt;
    return KeyCodeOf(kUsBlock[nKernel]);
}

unsigned CNoteKeyboard::KeyOf(const QKeyEvent* pEvent) const
{
    const unsigned nLetter = CSoundBase::VirtualKeyOf(pEvent);
    if ((pEvent->modifiers() & Qt::KeypadModifier) != 0)
        return nLetter;
    const std::optional<unsigned> place = UsKeyAt(pEvent->nativeScanCode());
    if (!place)
        return nLetter;
    if (m_bByPosition)
        return *place;
    // Layouts whose digits need Shift still type digits when read by letter.
    const bool bDigit = *place >= '0' && *place <= '9';
    return bDigit && (pEvent->modifiers() & Qt::ShiftModifier) != 0 ? *place : nLetter;
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
