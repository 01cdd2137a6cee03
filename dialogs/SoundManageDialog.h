// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/Dialog.h"

#include <string>

class CSoundDoc;
class CSoundPattern;
class CSoundSession;
class CUpDownSpinBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// The patterns of one channel at a time: create, copy, delete, rename, resize and transpose
// them.
class CSoundManageDialog : public CDialog
{
    Q_OBJECT

public:
    explicit CSoundManageDialog(QWidget* pParent = nullptr);

    // The pattern of the selected list item, null when none is selected.
    CSoundPattern* GetSelectedPattern() const;

    void OnSelChangeChannel();
    void OnPatternChanged();
    void OnNew();
    void OnCreateCopy();
    void OnDelete();
    void OnChange();
    // Moves every note of the selected pattern by the amount, in semitones or octaves.
    void OnTranspose();

    // The edits go to m_pSession's history; m_pDoc is its document.
    CSoundSession* m_pSession = nullptr;
    CSoundDoc* m_pDoc = nullptr;

protected:
    void OnInitDialog() override;
    // Closing with an edited name or row count asks whether to apply it first.
    bool SaveData() override;

private:
    void CreateControls();
    void LayOut();
    void Connect();
    // Shows m_strName and m_nRows without counting as an edit.
    void ShowFields();
    void FillList(int nChannel);
    void AppendAndSelect(CSoundPattern* pPattern);
    void OnFieldEdited();
    void EnablePatternControls(bool bEnable);
    bool HasUnappliedChange() const;
    bool ApplyChange();

    QComboBox* m_pChannel = nullptr;
    QListWidget* m_pList = nullptr;
    QPushButton* m_pNew = nullptr;
    QPushButton* m_pCreateCopy = nullptr;
    QPushButton* m_pDelete = nullptr;
    QLineEdit* m_pNameEdit = nullptr;
    CUpDownSpinBox* m_pRowsEdit = nullptr;
    QPushButton* m_pChange = nullptr;
    QPushButton* m_pTranspose = nullptr;
    QLineEdit* m_pTransposeAmount = nullptr;
    QRadioButton* m_pSemitones = nullptr;
    QRadioButton* m_pOctaves = nullptr;
    QPushButton* m_pHarmonize = nullptr;
    QPushButton* m_pClose = nullptr;

    std::string m_strName;
    int m_nRows = 0;
    bool m_bShowingFields = false;
};
