// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/GameSoundListDialog.h"

#include "dialogs/Dialog.h"
#include "dialogs/GameListing.h"
#include "session/Prompts.h"
#include "session/SoundServices.h"
#include "sound/AgiResource.h"
#include "sound/SoundDoc.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <mutex>

namespace
{
constexpr std::int64_t kTicksPerSecond = 60;
// The play thread stops a little after the sound's end, so its last note is heard out.
constexpr int kPreviewTailMs = 150;
const char* const kPlayText = "Play";
const char* const kStopText = "Stop";
} // namespace

std::unique_ptr<CSoundDoc> LoadGameSound(const CGameFolder& game, int n)
{
    GameBytes bytes;
    std::string error = game.ReadSound(n, bytes);
    auto pDoc = std::make_unique<CSoundDoc>();
    if (error.empty() && pDoc->OnNewDocument())
    {
        error = ParseAgiResource(*pDoc, bytes).Error();
    }
    if (!error.empty())
    {
        AfxMessageBox(error, MessageKind::Warning);
        return nullptr;
    }
    pDoc->SetModifiedFlag(false);
    return pDoc;
}

CGameSoundListDialog::CGameSoundListDialog(const CGameFolder& game,
                                           std::vector<GameSoundInfo> sounds,
                                           ISoundTransport* pTransport, QWidget* pParent)
    : QDialog(pParent), m_game(game), m_sounds(std::move(sounds)), m_pTransport(pTransport)
{
    setObjectName(QStringLiteral("GameSoundList"));
    setWindowTitle(QStringLiteral("Sounds of %1").arg(QString::fromStdString(game.GetPath())));
    m_pTable = new QTableWidget(static_cast<int>(m_sounds.size()), kNoteColumn + 1, this);
    m_pTable->setObjectName(QStringLiteral("sounds"));
    m_pTable->setAccessibleName(QStringLiteral("Sounds"));
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Sound"), QStringLiteral("Size"),
                                         QStringLiteral("Length"), QStringLiteral("Play"),
                                         QString()});
    m_pTable->verticalHeader()->hide();
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int row = 0; row < static_cast<int>(m_sounds.size()); ++row)
        AddRow(row, m_sounds[static_cast<std::size_t>(row)]);
    m_pTable->resizeColumnsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    m_pTable->setMinimumWidth(ColumnsWidth(m_pTable, kPlayColumn + 1));

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    m_pOpen = pButtons->addButton(QStringLiteral("Open"), QDialogButtonBox::AcceptRole);
    m_pOpen->setObjectName(QStringLiteral("open"));
    m_pOpen->setEnabled(false);
    m_pExportAll = pButtons->addButton(QStringLiteral("Export all…"), QDialogButtonBox::ActionRole);
    m_pExportAll->setObjectName(QStringLiteral("ExportAll"));
    m_pExportAll->hide();
    connect(m_pExportAll, &QPushButton::clicked, this,
            [this] { ExportAllGameSounds(m_game, m_exportFormats, this); });
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pTable, &QTableWidget::itemSelectionChanged, this,
            [this] { m_pOpen->setEnabled(IsOpenable(m_pTable->currentRow())); });
    connect(m_pTable, &QTableWidget::cellDoubleClicked, this,
            [this](int row)
            {
                if (IsOpenable(row))
                    accept();
            });

    m_previewEnd.setSingleShot(true);
    connect(&m_previewEnd, &QTimer::timeout, this, &CGameSoundListDialog::StopPreview);

    auto* pVersion = new QLabel(QString::fromStdString(game.Describe()), this);
    pVersion->setObjectName(QStringLiteral("GameVersion"));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pVersion);
    pLayout->addWidget(m_pTable);
    pLayout->addWidget(pButtons);
    resize(TextSize(this, 100, 21));
}

void CGameSoundListDialog::SetExportFormats(std::vector<GameExportFormat> formats)
{
    m_exportFormats = std::move(formats);
    m_pExportAll->setVisible(!m_exportFormats.empty());
}

CGameSoundListDialog::~CGameSoundListDialog()
{
    StopPreview();
}

void CGameSoundListDialog::AddRow(int row, const GameSoundInfo& info)
{
    auto* pNumber = new QTableWidgetItem(QString::number(info.number));
    pNumber->setData(Qt::TextAlignmentRole, int(Qt::AlignRight | Qt::AlignVCenter));
    m_pTable->setItem(row, kNumberColumn, pNumber);
    m_pTable->setItem(row, kSizeColumn,
                      new QTableWidgetItem(
                          info.bytes > 0 ? QStringLiteral("%1 bytes").arg(info.bytes) : QString()));
    if (info.damaged.empty())
    {
        auto* pLength = new QTableWidgetItem(GameSoundLength(info.ticks));
        pLength->setData(Qt::TextAlignmentRole, int(Qt::AlignRight | Qt::AlignVCenter));
        m_pTable->setItem(row, kLengthColumn, pLength);
    }
    const std::string refusal = Refusal(row);
    if (!refusal.empty())
    {
        auto* pNote = new QTableWidgetItem(QString::fromStdString(refusal));
        pNote->setToolTip(pNote->text());
        pNote->setForeground(palette().brush(QPalette::PlaceholderText));
        m_pTable->setItem(row, kNoteColumn, pNote);
        return;
    }
    auto* pPlay = new QPushButton(QString::fromLatin1(kPlayText), m_pTable);
    pPlay->setFocusPolicy(Qt::NoFocus);
    connect(pPlay, &QPushButton::clicked, this, [this, row] { TogglePreview(row); });
    m_pTable->setCellWidget(row, kPlayColumn, pPlay);
}

void CGameSoundListDialog::SetChipName(const QString& name)
{
    const QString header = QStringLiteral("Play (%1)").arg(name);
    m_pTable->horizontalHeaderItem(kPlayColumn)->setText(header);
    const QString tip = QStringLiteral("Plays the sound with the %1").arg(name);
    for (int row = 0; row < m_pTable->rowCount(); ++row)
        if (QWidget* pPlay = m_pTable->cellWidget(row, kPlayColumn))
            pPlay->setToolTip(tip);
    m_pTable->resizeColumnToContents(kPlayColumn);
    m_pTable->setMinimumWidth(ColumnsWidth(m_pTable, kPlayColumn + 1));
}

std::string CGameSoundListDialog::Refusal(int row) const
{
    const GameSoundInfo& info = m_sounds[static_cast<std::size_t>(row)];
    if (!info.damaged.empty())
        return "damaged: " + info.damaged;
    return CheckAgiImportLength(info.ticks).Error();
}

bool CGameSoundListDialog::IsOpenable(int row) const
{
    return row >= 0 && row < static_cast<int>(m_sounds.size()) && Refusal(row).empty();
}

void CGameSoundListDialog::TogglePreview(int row)
{
    const bool bWasPlaying = row == m_nPreviewRow;
    StopPreview();
    if (!bWasPlaying && IsOpenable(row))
        StartPreview(row);
}

void CGameSoundListDialog::StartPreview(int row)
{
    const GameSoundInfo& info = m_sounds[static_cast<std::size_t>(row)];
    m_pPreview = LoadGameSound(m_game, info.number);
    if (m_pPreview == nullptr)
        return;
    m_nPreviewRow = row;
    if (auto* pButton = qobject_cast<QPushButton*>(m_pTable->cellWidget(row, kPlayColumn)))
        pButton->setText(QString::fromLatin1(kStopText));
    if (m_pTransport != nullptr)
        m_pTransport->PostPlay(m_pPreview.get(), nullptr, m_pPreview->GetPlayRange().start);
    m_previewEnd.start(
        static_cast<int>(static_cast<double>(info.ticks) * 1000.0 / kTicksPerSecond) +
        kPreviewTailMs);
}

void CGameSoundListDialog::StopPreview()
{
    m_previewEnd.stop();
    if (m_pPreview == nullptr)
        return;
    // The play thread lets go of the document before it goes.
    if (m_pTransport != nullptr)
        m_pTransport->StopDocument(m_pPreview.get());
    m_pPreview->OnCloseDocument();
    m_pPreview.reset();
    if (auto* pButton =
            qobject_cast<QPushButton*>(m_pTable->cellWidget(m_nPreviewRow, kPlayColumn)))
        pButton->setText(QString::fromLatin1(kPlayText));
    m_nPreviewRow = -1;
}

void CGameSoundListDialog::done(int result)
{
    StopPreview();
    const int row = m_pTable->currentRow();
    m_nChosen = result == QDialog::Accepted && IsOpenable(row)
                    ? m_sounds[static_cast<std::size_t>(row)].number
                    : -1;
    QDialog::done(result);
}
