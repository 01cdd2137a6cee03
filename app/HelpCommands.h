// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QString>

class CCommandActions;
class CEditorApp;
class CHelpWindow;

// The Help menu and keys: the manual, the help on what is clicked next, and the About box.
class CHelpCommands
{
public:
    explicit CHelpCommands(CEditorApp& app) : m_app(app) {}

    void CreateActions(CCommandActions& commands);

    // The manual, at the section of that anchor when one is given.
    void ShowHelp(const QString& anchor = {});
    void OnAppAbout();

private:
    CEditorApp& m_app;
    // A window of the main window's, gone with it.
    QPointer<CHelpWindow> m_pHelpWindow;
};
