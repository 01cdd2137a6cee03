// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "resources/DialogTemplates.h"

#include <QDialog>
#include <QString>

#include <map>
#include <string>

class CUpDownSpinBox;

// A modal dialog laid out from one of the program's dialog templates. Its controls are reached
// by their identifiers; an edit with an attached up-down control becomes one spin box,
// reachable by either identifier. OK (and Enter) reads the fields back through SaveData and
// keeps the dialog open when it refuses them; Cancel (and Escape) closes it untouched.
class CDialog : public QDialog
{
    Q_OBJECT

public:
    CDialog(UINT nIDTemplate, QWidget* pParent);

    QWidget* GetDlgItem(UINT nID) const;
    template <class T> T* GetItem(UINT nID) const { return qobject_cast<T*>(GetDlgItem(nID)); }

    void accept() override;

protected:
    // Makes the template's controls; the derived constructor calls it first, so that its own
    // spin boxes are used.
    void CreateControls();
    // The spin box for the up-down control nUpDownID.
    virtual CUpDownSpinBox* CreateSpinBox(UINT nUpDownID);

    // Runs once, just before the dialog first shows: fill the controls from the members.
    virtual void OnInitDialog() {}
    // Reads the controls into the members; false keeps the dialog open.
    virtual bool SaveData() { return true; }

    void SetDlgItemInt(UINT nID, int nValue);
    // UTF-8 text; a name that is not UTF-8 shows as Windows-1252 and is given back unchanged
    // unless it was edited.
    void SetDlgItemText(UINT nID, const std::string& text);
    // The field's integer. A field that holds no integer or one outside nMin..nMax is refused
    // with the standard message and gets the focus.
    bool GetDlgItemInt(UINT nID, int nMin, int nMax, int& nValue);
    // The field's text, refused when it is longer than nMaxChars characters.
    bool GetDlgItemText(UINT nID, int nMaxChars, std::string& text);
    void Refuse(UINT nID, const std::string& message);

    void showEvent(QShowEvent* pEvent) override;

private:
    QWidget* CreateControl(const DialogItem& item, UINT nUpDownID, int nListHeight);
    // The first field that takes typing, or else the first list, gets the focus, its text
    // selected so that typing replaces it.
    void FocusFirstField();
    QString FieldText(UINT nID) const;

    const DialogTemplate* m_pTemplate;
    std::map<UINT, QWidget*> m_items;
    // What SetDlgItemText showed, with the text it came from.
    std::map<UINT, std::pair<QString, std::string>> m_shownTexts;
    bool m_bInitialized = false;
};

// The name of a pattern as a list or field shows it.
QString DisplayName(const std::string& name);
