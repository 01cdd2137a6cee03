// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/Prompts.h"

#include <atomic>
#include <cstdio>

namespace
{
class CStderrMessages : public IMessageSink
{
public:
    int ShowMessage(const std::string& text, unsigned nType, const std::string&) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        switch (nType & MB_TYPEMASK)
        {
        case MB_YESNO:
        case MB_YESNOCANCEL:
            return IDNO;
        default:
            return IDOK;
        }
    }
};

class CNoFileNames : public IFileNameSource
{
public:
    bool AskFileName(const FileDialogRequest&, std::string&) override { return false; }
};

CStderrMessages g_stderrMessages;
CNoFileNames g_noFileNames;
std::atomic<IMessageSink*> g_pMessageSink{&g_stderrMessages};
std::atomic<IFileNameSource*> g_pFileNameSource{&g_noFileNames};
} // namespace

void SetMessageSink(IMessageSink* pSink)
{
    g_pMessageSink = pSink != nullptr ? pSink : &g_stderrMessages;
}

void SetFileNameSource(IFileNameSource* pSource)
{
    g_pFileNameSource = pSource != nullptr ? pSource : &g_noFileNames;
}

IFileNameSource& GetFileNameSource()
{
    return *g_pFileNameSource.load();
}

int AfxMessageBox(const std::string& text, unsigned nType, const std::string& caption)
{
    return g_pMessageSink.load()->ShowMessage(text, nType, caption);
}

void ShowFailure(const Failure& failure, unsigned nRefusedType)
{
    if (failure.Silent())
        return;
    AfxMessageBox(failure.message,
                  failure.cause == Failure::Cause::File ? MB_ICONEXCLAMATION : nRefusedType);
}
