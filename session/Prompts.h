// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <string>
#include <vector>

// How the editor talks to a person: message boxes and file choosers. The core never asks;
// its operations return a Result, and the editor shows the failures through these. Tests
// record what was asked.

// What a message box offers, what kind of message it is, and what the person answered.
enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    YesNoCancel,
};
enum class MessageKind
{
    Plain,
    Error,
    Question,
    Warning,
    Information,
};
// The second button (Cancel, No) answers Enter where the first would lose work.
enum class DefaultButton
{
    First,
    Second,
};
enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No,
};

struct MessageRequest
{
    std::string text;
    MessageKind kind = MessageKind::Plain;
    Buttons buttons = Buttons::Ok;
    DefaultButton defaultButton = DefaultButton::First;
    // Empty means the application's title.
    std::string caption;
    // Texts in place of the buttons' own, in their order ("Overwrite" for Yes, say); the
    // answer is still the button's.
    std::vector<std::string> buttonTexts;
};

// The answer when nobody can be asked: the one that changes nothing.
Answer CautiousAnswer(Buttons buttons);

class IMessageSink
{
public:
    virtual ~IMessageSink() = default;
    virtual Answer ShowMessage(const MessageRequest& request) = 0;
};

// What a file chooser is asked. Filters use the "Name (*.ext)|*.ext||" form.
struct FileDialogRequest
{
    bool bOpen = true;
    // The chooser's title; empty for the toolkit's own.
    std::string strTitle;
    std::string strDefaultExt;
    std::string strFileName;
    std::string strFilter;
    bool bOverwritePrompt = false;
    bool bFileMustExist = false;
    bool bPathMustExist = false;
    // Choose a folder rather than a file.
    bool bFolder = false;
};

class IFileNameSource
{
public:
    virtual ~IFileNameSource() = default;
    // Returns true and the chosen path, or false when the person cancelled.
    virtual bool AskFileName(const FileDialogRequest& request, std::string& path) = 0;
};

// The sinks, kept by the application object (the QCoreApplication) and used on its thread;
// null restores the defaults (messages to stderr, no file chosen).
void SetMessageSink(IMessageSink* pSink);
void SetFileNameSource(IFileNameSource* pSource);
IFileNameSource& GetFileNameSource();

Answer ShowMessageBox(const MessageRequest& request);
Answer AfxMessageBox(const std::string& text, MessageKind kind = MessageKind::Plain,
                     Buttons buttons = Buttons::Ok,
                     DefaultButton defaultButton = DefaultButton::First);

// Shows the failure's message unless it is silent: a file system failure as a warning, a
// refusal as refusedKind.
void ShowFailure(const Failure& failure, MessageKind refusedKind = MessageKind::Warning);
