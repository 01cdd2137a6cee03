// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/GameExportAll.h"
#include "game/GameFolder.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <vector>

class CSoundDoc;
class ISoundTransport;
class QPushButton;
class QTableWidget;

// A new document holding sound n of the game, its play range the whole sound; null after
// telling the person why it cannot be read.
std::unique_ptr<CSoundDoc> LoadGameSound(const CGameFolder& game, int n);

// The sounds of a game folder with their size and length, each with a Play button that
// previews it through the transport; damaged ones are listed and marked, and cannot be opened.
class CGameSoundListDialog : public QDialog
{
    Q_OBJECT

public:
    enum Column
    {
        kNumberColumn,
        kSizeColumn,
        kLengthColumn,
        kPlayColumn,
        // Why a sound cannot be opened; last, so a long reason never pushes Play out of view.
        kNoteColumn,
    };

    CGameSoundListDialog(const CGameFolder& game, std::vector<GameSoundInfo> sounds,
                         ISoundTransport* pTransport, QWidget* pParent = nullptr);
    ~CGameSoundListDialog() override;

    // The number of the sound chosen with Open, -1 when none.
    int GetChosenSound() const { return m_nChosen; }
    QTableWidget* GetTable() const { return m_pTable; }
    // The formats "Export all…" offers; without any the button is hidden.
    void SetExportFormats(std::vector<GameExportFormat> formats);
    // Names the chip the Play buttons preview with, in their column's header and tooltips.
    void SetChipName(const QString& name);
    // Starts the preview of the list's row, or stops it when that row is playing.
    void TogglePreview(int row);

    void done(int result) override;

private:
    void AddRow(int row, const GameSoundInfo& info);
    bool IsOpenable(int row) const;
    // "" or why the row's sound cannot be opened: damaged, or longer than the editor holds.
    std::string Refusal(int row) const;
    void StartPreview(int row);
    void StopPreview();

    const CGameFolder& m_game;
    std::vector<GameSoundInfo> m_sounds;
    ISoundTransport* m_pTransport;
    QTableWidget* m_pTable = nullptr;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pExportAll = nullptr;
    std::vector<GameExportFormat> m_exportFormats;
    std::unique_ptr<CSoundDoc> m_pPreview;
    int m_nPreviewRow = -1;
    QTimer m_previewEnd;
    int m_nChosen = -1;
};
