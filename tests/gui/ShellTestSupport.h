// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the shell tests share: the message and file interfaces answered from a script, an
// application started with them, answers to its modal windows, files read, written, opened
// and dropped, and a main() that keeps settings in a folder of its own.

#include "app/EditorApp.h"
#include "app/MainFrame.h"
#include "playback/SoundPlayThread.h"
#include "playback/VirtualAudioDevice.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "views/FrameClock.h"
#include "views/SoundFrame.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QMdiArea>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QTest>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Records each message; answers from a queue, then "No" to questions and OK to the rest.
class CScriptedMessages : public IMessageSink
{
public:
    CScriptedMessages() { SetMessageSink(this); }
    ~CScriptedMessages() override { SetMessageSink(nullptr); }

    Answer ShowMessage(const MessageRequest& request) override
    {
        texts.push_back(request.text);
        requests.push_back(request);
        if (!answers.empty())
        {
            const Answer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        const bool bQuestion =
            request.buttons == Buttons::YesNo || request.buttons == Buttons::YesNoCancel;
        return bQuestion ? Answer::No : Answer::Ok;
    }

    std::vector<std::string> texts;
    std::vector<MessageRequest> requests;
    std::deque<Answer> answers;
};

// Answers file choosers from a queue of paths; an empty queue cancels.
class CScriptedFileNames : public IFileNameSource
{
public:
    CScriptedFileNames() { SetFileNameSource(this); }
    ~CScriptedFileNames() override { SetFileNameSource(nullptr); }

    bool AskFileName(const FileDialogRequest& request, std::string& path) override
    {
        requests.push_back(request);
        if (answers.empty())
            return false;
        path = answers.front();
        answers.pop_front();
        return true;
    }

    std::vector<FileDialogRequest> requests;
    std::deque<std::string> answers;
};

// One run of the program, from start-up to exit.
class CShell
{
public:
    ~CShell() { Quit(); }

    bool Start(const QStringList& arguments = {QStringLiteral("--no-sound")},
               AudioDeviceFactory openDevice = {})
    {
        app = std::make_unique<CEditorApp>();
        app->SetDialogs(pDialogs);
        if (openDevice)
            app->Playback().SetAudioDeviceFactory(std::move(openDevice));
        return app->InitInstance(arguments);
    }
    // Starts with sound going to a virtual device, which pDevice is then pointed at, once the
    // play thread has opened it; the play thread, or null.
    CSoundPlayThread* StartWithDevice(CVirtualAudioDevice*& pDevice)
    {
        const auto open = [&pDevice]
        {
            auto pNew = std::make_unique<CVirtualAudioDevice>();
            pDevice = pNew.get();
            return pNew;
        };
        const bool bStarted = Start({}, open) && app->Playback().GetPlayThread() != nullptr &&
                              app->Playback().GetPlayThread()->WaitUntilHandled() &&
                              pDevice != nullptr;
        return bStarted ? app->Playback().GetPlayThread() : nullptr;
    }

    // Closes the main window as the person would (questions answered "No"), then exits.
    void Quit()
    {
        if (app == nullptr)
            return;
        if (Frame() != nullptr && Frame()->isVisible())
            Frame()->close();
        app->ExitInstance();
        app.reset();
    }

    CMainFrame* Frame() const { return app->GetMainFrame(); }
    // The command's action, its state as it is now.
    QAction* Command(UINT nID) const
    {
        Frame()->UpdateCommandStates();
        return Frame()->Action(nID);
    }
    QList<QMdiSubWindow*> Windows() const { return Frame()->GetMdiArea()->subWindowList(); }
    CSoundFrame* ActiveFrame() const { return Frame()->GetActiveSoundFrame(); }
    CSoundDoc* ActiveDoc() const { return app->Documents().GetActiveDocument(); }
    // Lets deferred deletions and delayed bar changes happen.
    static void Settle()
    {
        for (int i = 0; i < 3; ++i)
        {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    CScriptedMessages messages;
    CScriptedFileNames files;
    std::unique_ptr<CEditorApp> app;
    // The dialogs the editors run, when a test answers them.
    ISoundDialogs* pDialogs = nullptr;
};

// Runs answer inside the next modal dialog of type T (named name, when one is given), from
// inside its event loop; whatever the answer leaves open is cancelled so that a failing check
// cannot hang the test.
template <class T> void AnswerNextModal(std::function<void(T*)> answer, const QString& name = {})
{
    QTimer::singleShot(0,
                       [answer, name]
                       {
                           auto* pDialog = qobject_cast<T*>(QApplication::activeModalWidget());
                           if (pDialog == nullptr ||
                               (!name.isEmpty() && pDialog->objectName() != name))
                               return AnswerNextModal<T>(answer, name);
                           answer(pDialog);
                           if (pDialog->isVisible())
                               pDialog->reject();
                       });
}

// Answers the next message box called name: its check box ticked as asked, then the button.
inline void AnswerNextBox(const QString& name, bool bTick, QMessageBox::StandardButton button)
{
    AnswerNextModal<QMessageBox>(
        [=](QMessageBox* pBox)
        {
            pBox->checkBox()->setChecked(bTick);
            pBox->button(button)->click();
        },
        name);
}

// A path as the file choosers give it.
inline std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Drags the file from outside the program and drops it on pTarget.
inline void DropFile(QWidget* pTarget, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pTarget, &drop);
}

// The ways a file is opened; OpenBy starts the program and opens it the way named.
inline const char* const kOpenRoutes[] = {"open", "recent", "command line", "drop"};

inline bool OpenBy(CShell& shell, const QString& route, const QString& path)
{
    const QString quiet = QStringLiteral("--no-sound");
    if (!shell.Start(route == "command line" ? QStringList{quiet, path} : QStringList{quiet}))
        return false;
    if (route == "open")
    {
        shell.files.answers = {LocalPath(path)};
        return shell.Frame()->Trigger(ID_FILE_OPEN);
    }
    if (route == "recent")
    {
        shell.app->Documents().AddToRecentFileList(LocalPath(path));
        shell.app->Documents().OpenRecentFile(0);
    }
    else if (route == "drop")
        DropFile(shell.Frame(), path);
    return true;
}

// Settings and shared data go to a temporary folder for the whole run.
#define TARVOK_SHELL_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));    \
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));        \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))                                         \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        QApplication application(argc, argv);                                                      \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// Plays a virtual device one game tick at a time, keeping a clock of the samples played, until
// the session has heard a row: what a take is stamped against, without waiting on real time.
class CTickPlayer
{
public:
    static constexpr unsigned kTickSamples = 735;

    CTickPlayer(CVirtualAudioDevice& device, CSoundPlayThread& thread)
        : m_device(device), m_thread(thread)
    {
    }
    double Now() const { return m_device.ClockSeconds(); }
    bool PlayUntil(const CSoundSession& session, std::int32_t row)
    {
        for (int i = 0; i < 2000 && session.GetPlayRow() != row; ++i)
            PlayTicks(1);
        return session.GetPlayRow() == row;
    }
    // Row reports are taken in a frame at a time: by default one at each tick.
    void SetTicksPerFrame(int nTicks) { m_nTicksPerFrame = nTicks; }
    void PlayTicks(int nTicks)
    {
        for (int i = 0; i < nTicks; ++i)
        {
            m_device.Advance(kTickSamples);
            m_thread.WaitUntilHandled();
            QCoreApplication::processEvents();
            if (++m_nTicks % m_nTicksPerFrame == 0)
                CFrameClock::Instance().FrameNow();
        }
    }

private:
    CVirtualAudioDevice& m_device;
    CSoundPlayThread& m_thread;
    int m_nTicksPerFrame = 1;
    long m_nTicks = 0;
};
