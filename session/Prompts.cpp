// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/Prompts.h"

#include <QCoreApplication>
#include <QObject>

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

// Where the prompts go, kept by the application object so that it lives and ends with it;
// without one (a program that never made it) they go to stderr and choose no file.
class CPromptRoute : public QObject
{
public:
    explicit CPromptRoute(QObject* pApplication) : QObject(pApplication)
    {
        setObjectName(QStringLiteral("tarvok-prompt-route"));
    }
    IMessageSink* pMessages = nullptr;
    IFileNameSource* pFileNames = nullptr;
};

CPromptRoute* Route()
{
    QCoreApplication* pApplication = QCoreApplication::instance();
    if (pApplication == nullptr)
        return nullptr;
    auto* pRoute = pApplication->findChild<CPromptRoute*>(QStringLiteral("tarvok-prompt-route"),
                                                          Qt::FindDirectChildrenOnly);
    return pRoute != nullptr ? pRoute : new CPromptRoute(pApplication);
}

IMessageSink& Messages()
{
    static CStderrMessages stderrMessages;
    const CPromptRoute* pRoute = Route();
    return pRoute != nullptr && pRoute->pMessages != nullptr ? *pRoute->pMessages : stderrMessages;
}
} // namespace

void SetMessageSink(IMessageSink* pSink)
{
    if (CPromptRoute* pRoute = Route())
        pRoute->pMessages = pSink;
}

void SetFileNameSource(IFileNameSource* pSource)
{
    if (CPromptRoute* pRoute = Route())
        pRoute->pFileNames = pSource;
}

IFileNameSource& GetFileNameSource()
{
    static CNoFileNames noFileNames;
    const CPromptRoute* pRoute = Route();
    return pRoute != nullptr && pRoute->pFileNames != nullptr ? *pRoute->pFileNames : noFileNames;
}

int AfxMessageBox(const std::string& text, unsigned nType, const std::string& caption)
{
    return Messages().ShowMessage(text, nType, caption);
}

void ShowFailure(const Failure& failure, unsigned nRefusedType)
{
    if (failure.Silent())
        return;
    AfxMessageBox(failure.message,
                  failure.cause == Failure::Cause::File ? MB_ICONEXCLAMATION : nRefusedType);
}
