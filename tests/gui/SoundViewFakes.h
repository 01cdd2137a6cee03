// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Recording stand-ins for what the editors talk to: the application's services, the play
// thread, the dialogs and the message box; and the editor tests' common set-up.

#include "playback/SoundPlayThread.h"
#include "resources/ResourceTables.h"
#include "session/Prompts.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/NoteKeyboard.h"
#include "views/SoundBase.h"

#include <QBoxLayout>
#include <QPaintEvent>
#include <QTest>

#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Keeps the status bar's last prompt (its text once it is a text of the moment).
class CStubHost : public ISoundViewHost
{
public:
    void SetIdleMessage(unsigned nStringId) override { status = GetPromptText(nStringId); }
    void SetIdleText(const std::string& text) override { status = text; }
    void ShowToolbar(unsigned, bool) override {}
    bool IsToolbarVisible(unsigned) const override { return false; }
    std::string status;
};

class CRecordingTransport : public ISoundTransport
{
public:
    void PostPlay(CSoundDoc*, CSoundSession*, int) override {}
    void PostStop() override {}
    void PostPreview(CSoundDoc*, int nNote, int nVoice) override
    {
        previews.push_back(nNote);
        previewVoices.push_back(nVoice);
        previewInstruments.push_back(kNoInstrument);
    }
    void PostPreview(CSoundDoc*, int nNote, int nVoice, const CInstrument& instrument) override
    {
        previews.push_back(nNote);
        previewVoices.push_back(nVoice);
        previewInstruments.push_back(instrument.GetNumber());
    }

    std::vector<int> previews;
    std::vector<int> previewVoices;
    std::vector<int> previewInstruments;
};

// Answers the dialogs from a queue; an empty queue cancels.
class CScriptedDialogs : public ISoundDialogs
{
public:
    struct PatternAnswer
    {
        int nRows;
        std::string name;
    };

    bool PatternDialog(QWidget*, const std::string&, int& nRows, std::string& name) override
    {
        if (patternAnswers.empty())
            return false;
        nRows = patternAnswers.front().nRows;
        name = patternAnswers.front().name;
        patternAnswers.pop_front();
        return true;
    }
    bool PropertiesDialog(QWidget*, int& nBpm, int& nStep, int& nTpb, std::int64_t) override
    {
        if (propertiesAnswer.empty())
            return false;
        nBpm = propertiesAnswer[0];
        nStep = propertiesAnswer[1];
        nTpb = propertiesAnswer[2];
        return true;
    }
    void ManagePatternsDialog(QWidget*, CSoundSession&) override {}

    std::deque<PatternAnswer> patternAnswers;
    std::vector<int> propertiesAnswer; // beats per minute, step size, tracks per beat
};

// The region a widget paints from its making on.
class CPaintedRegion : public QObject
{
public:
    explicit CPaintedRegion(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint)
            m_region += static_cast<QPaintEvent*>(pEvent)->region();
        return false;
    }
    QRegion m_region;
};

class CRecordingMessages : public IMessageSink
{
public:
    Answer ShowMessage(const MessageRequest& request) override
    {
        texts.push_back(request.text);
        return Answer::Ok;
    }
    std::vector<std::string> texts;
};

// A new document, the stand-ins installed, and a window for the editors under test.
class CSoundViewTest : public QObject
{
protected:
    bool StartDocument()
    {
        SetMessageSink(&m_messages);
        m_transport = CRecordingTransport();
        m_dialogs = CScriptedDialogs();
        m_messages = CRecordingMessages();
        m_host = CStubHost();
        CNoteKeyboard::Instance().SetOctave(4);
        CNoteKeyboard::Instance().SetEditStep(1);
        m_pDoc = std::make_unique<CSoundDoc>();
        m_pSession = MakeSession(m_pDoc.get());
        return m_pDoc->OnNewDocument();
    }
    bool ShowWindow(QBoxLayout::Direction direction, std::initializer_list<QWidget*> widgets,
                    QSize size = {})
    {
        m_pWindow = std::make_unique<QWidget>();
        auto* pLayout = new QBoxLayout(direction, m_pWindow.get());
        for (QWidget* pWidget : widgets)
            pLayout->addWidget(pWidget);
        if (size.isValid())
            m_pWindow->resize(size);
        m_pWindow->show();
        return QTest::qWaitForWindowActive(m_pWindow.get());
    }
    void EndDocument()
    {
        m_pWindow.reset();
        m_pSession.reset();
        m_pDoc.reset();
        SetMessageSink(nullptr);
    }

    // A session of pDoc whose editors talk to the stand-ins.
    std::unique_ptr<CSoundSession> MakeSession(CSoundDoc* pDoc)
    {
        return std::make_unique<CSoundSession>(
            pDoc, SoundViewServices{&m_host, &m_transport, &m_dialogs});
    }

    static void Key(QWidget* pTarget, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(pTarget, static_cast<Qt::Key>(key), mods);
    }

    std::unique_ptr<QWidget> m_pWindow;
    std::unique_ptr<CSoundDoc> m_pDoc;
    std::unique_ptr<CSoundSession> m_pSession;
    CStubHost m_host;
    CRecordingTransport m_transport;
    CScriptedDialogs m_dialogs;
    CRecordingMessages m_messages;
};
