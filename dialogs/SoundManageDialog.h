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
    // Shows m_strName and m_nRows without counting as an edit.
    void ShowFields();
    void FillList(int nChannel);
    void AppendAndSelect(CSoundPattern* pPattern);
    void OnFieldEdited();
    void EnablePatternControls(bool bEnable);
    bool HasUnappliedChange() const;
    bool ApplyChange();

    QComboBox* m_pChannel;
    QListWidget* m_pList;
    QLineEdit* m_pNameEdit;
    CUpDownSpinBox* m_pRowsEdit;
    QPushButton* m_pChange;
    QPushButton* m_pDelete;
    QPushButton* m_pCreateCopy;
    QPushButton* m_pTranspose;
    QRadioButton* m_pOctaves;

    std::string m_strName;
    int m_nRows = 0;
    bool m_bShowingFields = false;
};
