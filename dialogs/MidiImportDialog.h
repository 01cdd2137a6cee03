// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/MidiImport.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

// Where each channel of a MIDI file goes, with what the voices would lose for the choice shown
// as it changes.
class CMidiImportDialog : public QDialog
{
    Q_OBJECT

public:
    using Counter = std::function<MidiImportCounts(const MidiImportOptions&)>;

    CMidiImportDialog(const QString& fileName, const std::vector<MidiChannelInfo>& channels,
                      Counter count, const MidiImportOptions& initial, QWidget* pParent = nullptr);

    // The choice shown; channels the file does not use keep their initial use.
    MidiImportOptions Options() const;
    // The use list of a channel (1-16) the file uses; null for another.
    QComboBox* UseList(int channel) const;
    QString CountsText() const;

private:
    void ShowCounts();

    std::vector<MidiChannelInfo> m_channels;
    std::vector<QComboBox*> m_useLists;
    Counter m_count;
    MidiImportOptions m_initial;
    QTableWidget* m_pTable = nullptr;
    QLabel* m_pCounts = nullptr;
};
