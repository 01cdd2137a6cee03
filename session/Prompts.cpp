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
    Answer ShowMessage(const MessageRequest& request) override
    {
        std::fprintf(stderr, "%s\n", request.text.c_str());
        const bool bQuestion =
            request.buttons == Buttons::YesNo || request.buttons == Buttons::YesNoCancel;
        return bQuestion ? Answer::No : Answer::Ok;
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

Answer CautiousAnswer(Buttons buttons)
{
    switch (buttons)
    {
    case Buttons::OkCancel:
    case Buttons::YesNoCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
        return Answer::No;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

Answer ShowMessageBox(const MessageRequest& request)
{
    return Messages().ShowMessage(request);
}

Answer AfxMessageBox(const std::string& text, MessageKind kind, Buttons buttons,
                     DefaultButton defaultButton)
{
    return ShowMessageBox({text, kind, buttons, defaultButton, {}, {}});
}

void ShowFailure(const Failure& failure, MessageKind refusedKind)
{
    if (failure.Silent())
        return;
    AfxMessageBox(failure.message,
                  failure.cause == Failure::Cause::File ? MessageKind::Warning : refusedKind);
}
