// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MidiImportDialog.h"

#include "dialogs/Dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
// In the order of MidiChannelUse.
const char* const kUseNames[] = {"Automatic", "Voice 0", "Voice 1",
                                 "Voice 2",   "Noise",   "Leave out"};

QTableWidgetItem* ReadOnlyItem(const QString& text)
{
    auto* pItem = new QTableWidgetItem(text);
    pItem->setFlags(Qt::ItemIsEnabled);
    return pItem;
}
} // namespace

CMidiImportDialog::CMidiImportDialog(const QString& fileName,
                                     const std::vector<MidiChannelInfo>& channels, Counter count,
                                     const MidiImportOptions& initial, QWidget* pParent)
    : QDialog(pParent), m_channels(channels), m_count(std::move(count)), m_initial(initial)
{
    setObjectName(QStringLiteral("MidiImportDialog"));
    setWindowTitle(tr("Import MIDI: %1").arg(fileName));

    m_pTable = new QTableWidget(static_cast<int>(channels.size()), 5, this);
    m_pTable->setObjectName(QStringLiteral("channels"));
    m_pTable->setAccessibleName(tr("Channels"));
    m_pTable->setHorizontalHeaderLabels(
        {tr("Channel"), tr("Instrument"), tr("Notes"), tr("Polyphony"), tr("Plays on")});
    m_pTable->verticalHeader()->hide();
    for (int row = 0; row < m_pTable->rowCount(); ++row)
    {
        const MidiChannelInfo& info = channels[static_cast<std::size_t>(row)];
        m_pTable->setItem(row, 0, ReadOnlyItem(QString::number(info.number)));
        m_pTable->setItem(row, 1, ReadOnlyItem(QString::fromStdString(info.instrument)));
        m_pTable->setItem(row, 2, ReadOnlyItem(QString::number(info.notes)));
        m_pTable->setItem(row, 3, ReadOnlyItem(QString::number(info.maxPolyphony)));
        auto* pUse = new QComboBox(m_pTable);
        pUse->setObjectName(QStringLiteral("use%1").arg(info.number));
        pUse->setAccessibleName(tr("Channel %1 plays on").arg(info.number));
        for (const char* pszName : kUseNames)
            pUse->addItem(tr(pszName));
        pUse->setCurrentIndex(static_cast<int>(initial.channels[info.number - 1]));
        connect(pUse, &QComboBox::currentIndexChanged, this, &CMidiImportDialog::ShowCounts);
        m_pTable->setCellWidget(row, 4, pUse);
        m_useLists.push_back(pUse);
    }
    m_pTable->resizeColumnsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->setMinimumWidth(ColumnsWidth(m_pTable, m_pTable->columnCount()));

    m_pCounts = new QLabel(this);
    m_pCounts->setObjectName(QStringLiteral("counts"));
    m_pCounts->setWordWrap(true);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTable);
    pLayout->addWidget(m_pCounts);
    pLayout->addWidget(pButtons);
    resize(TextSize(this, 92, 21));
    ShowCounts();
}

MidiImportOptions CMidiImportDialog::Options() const
{
    MidiImportOptions options = m_initial;
    for (std::size_t i = 0; i < m_channels.size(); ++i)
        options.channels[static_cast<std::size_t>(m_channels[i].number - 1)] =
            static_cast<MidiChannelUse>(m_useLists[i]->currentIndex());
    return options;
}

QComboBox* CMidiImportDialog::UseList(int channel) const
{
    for (std::size_t i = 0; i < m_channels.size(); ++i)
        if (m_channels[i].number == channel)
            return m_useLists[i];
    return nullptr;
}

QString CMidiImportDialog::CountsText() const
{
    return m_pCounts->text();
}

void CMidiImportDialog::ShowCounts()
{
    const MidiImportCounts counts = m_count(Options());
    QString text = tr("Cut for polyphony: %1 notes. Raised into range: %2 notes. "
                      "Drum hits merged into others: %3. As an AGI resource: %4 bytes.")
                       .arg(counts.cutNotes)
                       .arg(counts.raisedNotes)
                       .arg(counts.mergedDrumHits)
                       .arg(counts.agiBytes);
    if (counts.tooLongForAgi)
        text += tr("\nLonger than one AGI resource holds: the AGI export will refuse it; the "
                   "document, .tks and .wav still work.");
    m_pCounts->setText(text);
}
