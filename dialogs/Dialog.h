// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QVBoxLayout;

// A modal dialog that edits members its caller fills before running it and reads after OK.
// OnInitDialog shows the members once, just before the dialog first shows; OK (and Enter)
// reads the fields back through SaveData and keeps the dialog open when it refuses them;
// Cancel (and Escape) closes it untouched. It opens on the first field in tab order that
// takes typing (or else the first list), its text selected so that typing replaces it. Its
// size is its layout's, so it grows with the font and the texts and is not resized by hand.
class CDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CDialog(QWidget* pParent);

    void accept() override;
    void setVisible(bool bVisible) override;

protected:
    // Fill the controls from the members.
    virtual void OnInitDialog() {}
    // Read the controls into the members; false keeps the dialog open.
    virtual bool SaveData() { return true; }

    // A button named for the tests and the accessibility tree.
    QPushButton* MakeButton(const QString& text, const QString& name);
    // The default button, which accepts, and the one that rejects.
    std::pair<QPushButton*, QPushButton*> MakeOkCancel();
    // A label that names pBuddy, also to the accessibility tree.
    QLabel* MakeLabel(const QString& text, QWidget* pBuddy);
    // The buttons one above the other at the top of a column.
    static QVBoxLayout* ButtonColumn(std::initializer_list<QPushButton*> buttons);
    static void SetTabOrder(std::initializer_list<QWidget*> controls);

    // A spin box's number, or a line edit's text.
    void ShowNumber(QWidget* pField, int nValue);
    // UTF-8 text; a name that is not UTF-8 shows as Windows-1252 and is given back unchanged
    // unless it was edited.
    void ShowText(QLineEdit* pField, const std::string& text);
    // The field's integer. A field that holds no integer or one outside nMin..nMax is refused
    // with the standard message and gets the focus.
    bool ReadNumber(QWidget* pField, int nMin, int nMax, int& nValue);
    // The field's text, refused when it is longer than nMaxChars characters.
    bool ReadText(QLineEdit* pField, int nMaxChars, std::string& text);
    void Refuse(QWidget* pField, const std::string& message);

    void showEvent(QShowEvent* pEvent) override;

private:
    void FocusFirstField();

    // What ShowText showed, with the text it came from.
    std::map<const QLineEdit*, std::pair<QString, std::string>> m_shownTexts;
    bool m_bInitialized = false;
};

// The name of a pattern as a list or field shows it.
QString DisplayName(const std::string& name);
// nColumns average characters by nLines lines of the widget's font.
QSize TextSize(const QWidget* pWidget, int nColumns, int nLines);
// The width a table needs to show its first nColumns columns whole beside its scroll bar.
int ColumnsWidth(const QTableView* pTable, int nColumns);
