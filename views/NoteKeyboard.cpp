// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/NoteKeyboard.h"

#include "resources/Resource.h"
#include "resources/ResourceTables.h"
#include "sound/SoundPattern.h"
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

QString EditStepSettingsKey()
{
    return QStringLiteral("Editor/EditStep");
}

QString RecordToStepSettingsKey()
{
    return QStringLiteral("Editor/RecordToStep");
}

// A toolbar box named by its resource's tooltip. Neither the box nor its text takes the
// focus, so the editor keeps the keys.
QSpinBox* NewToolbarSpinBox(QWidget* pParent, UINT nID, int nMax, int nValue)
{
    const QString name = QString::fromStdString(GetTooltipText(nID));
    auto* pSpin = new QSpinBox(pParent);
    pSpin->setRange(0, nMax);
    pSpin->setValue(nValue);
    pSpin->setPrefix(name + ' ');
    pSpin->setToolTip(name);
    pSpin->setAccessibleName(name);
    pSpin->setStatusTip(QString::fromStdString(GetPromptText(nID)));
    pSpin->setFocusPolicy(Qt::NoFocus);
    if (auto* pEdit = pSpin->findChild<QLineEdit*>())
    {
        pEdit->setFocusPolicy(Qt::NoFocus);
        pEdit->setReadOnly(true);
    }
    return pSpin;
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
    QSettings settings;
    m_bByPosition = settings.value(NoteKeysSettingsKey()).toString() != QLatin1String("letter");
    const QVariant step = settings.value(EditStepSettingsKey());
    bool bNumber = false;
    const int nStep = step.toInt(&bNumber);
    m_nEditStep = bNumber ? std::clamp(nStep, 0, kMaxEditStep) : 1;
    m_bRecordToStep = settings.value(RecordToStepSettingsKey()).toBool();
}

void CNoteKeyboard::SetRecordToStep(bool bToStep)
{
    m_bRecordToStep = bToStep;
    QSettings().setValue(RecordToStepSettingsKey(), bToStep);
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

void CNoteKeyboard::SetEditStep(int nRows)
{
    nRows = std::clamp(nRows, 0, kMaxEditStep);
    if (nRows == m_nEditStep)
        return;
    m_nEditStep = nRows;
    QSettings().setValue(EditStepSettingsKey(), nRows);
    emit EditStepChanged(nRows);
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

bool CNoteKeyboard::IsNoteLetter(QKeyCombination key)
{
    static constexpr std::string_view kLetters = "ZSXDCVGBHNJMQWERTYUIOP";
    const int nKey = key.key();
    return key.keyboardModifiers() == Qt::NoModifier && nKey >= Qt::Key_A && nKey <= Qt::Key_Z &&
           kLetters.find(static_cast<char>(nKey)) != std::string_view::npos;
}

std::optional<int> CNoteKeyboard::PianoNoteOf(QKeyCombination key, int nOctave)
{
    // Qt names these keys by their characters.
    static constexpr std::string_view kKeys = "ZSXDCVGBHNJMQ2W3ER5T6Y7UI9O0P";
    const int nKey = key.key();
    if (EditorKeys::IsKeypad(key) || nKey < Qt::Key_0 || nKey > Qt::Key_Z)
        return std::nullopt;
    const std::size_t nIndex = kKeys.find(static_cast<char>(nKey));
    if (nIndex == std::string_view::npos)
        return std::nullopt;
    const int note = static_cast<int>(nIndex) + 12 * nOctave;
    if (note >= NOTE_OFF)
        return std::nullopt;
    return note;
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
    QSpinBox* pSpin = NewToolbarSpinBox(pParent, IDC_SOUND_OCTAVE, kMaxOctave, m_nOctave);
    pSpin->setObjectName(QStringLiteral("Octave"));
    connect(pSpin, &QSpinBox::valueChanged, this, &CNoteKeyboard::SetOctave);
    connect(this, &CNoteKeyboard::OctaveChanged, pSpin, &QSpinBox::setValue);
    return pSpin;
}

QSpinBox* CNoteKeyboard::CreateEditStepSpinBox(QWidget* pParent)
{
    QSpinBox* pSpin = NewToolbarSpinBox(pParent, IDC_SOUND_EDITSTEP, kMaxEditStep, m_nEditStep);
    pSpin->setObjectName(QStringLiteral("EditStep"));
    connect(pSpin, &QSpinBox::valueChanged, this, &CNoteKeyboard::SetEditStep);
    connect(this, &CNoteKeyboard::EditStepChanged, pSpin, &QSpinBox::setValue);
    return pSpin;
}
