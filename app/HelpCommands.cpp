// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpCommands.h"

#include "app/AboutDlg.h"
#include "app/CommandActions.h"
#include "app/EditorApp.h"
#include "app/HelpWindow.h"
#include "app/MainFrame.h"

#include <QTextBrowser>
#include <QWhatsThis>

void CHelpCommands::CreateActions(CCommandActions& commands)
{
    for (const UINT nID : {ID_HELP_FINDER, ID_HELP})
        commands.Add(nID, [this] { ShowHelp(); });
    commands.Add(ID_HELP_KEYS, [this] { ShowHelp(QStringLiteral("keyboard")); });
    commands.Add(ID_CONTEXT_HELP, [] { QWhatsThis::enterWhatsThisMode(); });
    commands.Add(ID_APP_ABOUT, [this] { OnAppAbout(); });
}

void CHelpCommands::ShowHelp(const QString& anchor)
{
    if (m_pHelpWindow == nullptr)
        m_pHelpWindow = new CHelpWindow(m_app.GetMainFrame());
    m_pHelpWindow->show();
    m_pHelpWindow->raise();
    m_pHelpWindow->activateWindow();
    // Scrolled once shown, when the text has its layout.
    if (!anchor.isEmpty())
        m_pHelpWindow->GetBrowser()->scrollToAnchor(anchor);
}

void CHelpCommands::OnAppAbout()
{
    const CSoundPlayThread* pThread = m_app.Playback().GetPlayThread();
    const std::string device = pThread != nullptr ? pThread->GetDeviceDescription() : std::string();
    const DropoutCounts dropouts = pThread != nullptr ? pThread->GetDropouts() : DropoutCounts{};
    CAboutDlg dialog(QString::fromStdString(device), dropouts, m_app.GetMainFrame());
    dialog.exec();
}
