// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/EditorApp.h"
#include "app/QtUserInterface.h"
#include "dialogs/SoundDialogs.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Before the application object, which would need a display.
    if (const std::optional<int> exitCode = CommandLine::AnswerInfoOptions(argc, argv))
        return *exitCode;
    QApplication application(argc, argv);
    CQtMessageSink messages;
    CQtFileNameSource fileNames;
    SetMessageSink(&messages);
    SetFileNameSource(&fileNames);
    CSoundDialogs dialogs;

    int result = 1;
    {
        CEditorApp app;
        app.SetDialogs(&dialogs);
        if (app.InitInstance(QApplication::arguments().mid(1)))
            result = QApplication::exec();
        const int exitCode = app.ExitInstance();
        if (result == 0)
            result = exitCode;
    }
    SetMessageSink(nullptr);
    SetFileNameSource(nullptr);
    return result;
}
