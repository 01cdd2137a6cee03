// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "framework/Result.h"

#include <string>

// How the editor talks to a person: message boxes and file choosers. The core never asks;
// its operations return a Result, and the editor shows the failures through these. Tests
// record what was asked.

// Button and icon flags, and answers, of a message box.
enum : unsigned
{
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_TYPEMASK = 0x0F,
    MB_ICONSTOP = 0x10,
    MB_ICONERROR = MB_ICONSTOP,
    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_ICONMASK = 0xF0,
    MB_DEFBUTTON1 = 0x000,
    MB_DEFBUTTON2 = 0x100,
    MB_DEFMASK = 0xF00,
};
enum : int
{
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
};

class IMessageSink
{
public:
    virtual ~IMessageSink() = default;
    // Shows text with the given MB_ flags and returns the answer (IDOK, IDYES ...).
    // An empty caption means the application's title.
    virtual int ShowMessage(const std::string& text, unsigned nType,
                            const std::string& caption) = 0;
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

int AfxMessageBox(const std::string& text, unsigned nType = MB_OK, const std::string& caption = {});

// Shows the failure's message unless it is silent: a file system failure with the
// exclamation icon, a refusal with nRefusedType.
void ShowFailure(const Failure& failure, unsigned nRefusedType = MB_ICONEXCLAMATION);
