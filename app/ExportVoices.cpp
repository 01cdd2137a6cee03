// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportVoices.h"

#include "sound/VoiceMute.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QStringList>

namespace
{
const char* const kVoiceNames[] = {"Voice0", "Voice1", "Voice2", "Noise"};

QString MutedNames(unsigned muteMask)
{
    QStringList names;
    for (int voice = 0; voice < IChipWrites::kVoices; ++voice)
        if (IsVoiceMuted(muteMask, voice))
            names << QString::fromLatin1(kVoiceNames[voice]);
    return names.join(QStringLiteral(", "));
}
} // namespace

std::optional<unsigned> AskVoicesLeftOut(unsigned muteMask, const std::string& title,
                                         QWidget* pParent)
{
    muteMask &= kAllVoicesMask;
    if (muteMask == 0)
        return 0u;
    QMessageBox box(QMessageBox::Question, QString::fromStdString(title),
                    QStringLiteral("Muted now: %1. The export writes every voice unless you "
                                   "choose only the voices you hear.")
                        .arg(MutedNames(muteMask)),
                    QMessageBox::Ok | QMessageBox::Cancel, pParent);
    box.setObjectName(QStringLiteral("ExportVoices"));
    auto* pHeard = new QCheckBox(QStringLiteral("Only the voices you hear"), &box);
    box.setCheckBox(pHeard);
    box.setDefaultButton(QMessageBox::Ok);
    if (box.exec() != QMessageBox::Ok)
        return std::nullopt;
    return pHeard->isChecked() ? muteMask : 0u;
}
