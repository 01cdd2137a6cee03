// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/Prompts.h"

#include <QStringList>

// Message boxes and file choosers for the core, shown as the desktop's dialogs.

class CQtMessageSink : public IMessageSink
{
public:
    Answer ShowMessage(const MessageRequest& request) override;
};

class CQtFileNameSource : public IFileNameSource
{
public:
    bool AskFileName(const FileDialogRequest& request, std::string& path) override;
};

// "Name (*.a;*.b)|*.a;*.b|...||" as name filters of a file chooser. "*.*" means every file
// there, so it becomes "*" here (a name without a dot is a file too).
QStringList TranslateFileFilter(const std::string& strFilter);

// Paths are the file system's bytes in the core and QStrings in Qt.
QString PathToQString(const std::string& path);
std::string QStringToPath(const QString& path);
