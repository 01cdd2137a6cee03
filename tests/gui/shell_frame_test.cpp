// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its menus, keys and messages, what reaches the screen, and the voices
// singled out from it.
#include "ShellTestSupport.h"
#include "SoundViewFakes.h"
#include "support/Spectrum.h"

#include "app/QtUserInterface.h"
#include "resources/Icons.h"
#include "sound/AgiResource.h"
#include "sound/SoundPattern.h"
#include "sound/ReadyInstruments.h"
#include "views/FrameClock.h"
#include "views/InstrumentWindow.h"
#include "views/SoundFrame.h"
#include "views/SoundSequenceView.h"
#include "views/VoiceScopeSource.h"
#include "views/VoiceScopes.h"

#include <QAbstractScrollArea>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>
#include <QToolBar>
#include <QUndoStack>

#include <future>

namespace
{
QStringList MenuTitles(const CMainFrame* pFrame)
{
    QStringList titles;
    for (QAction* pAction : pFrame->menuBar()->actions())
        titles.append(pAction->text());
    return titles;
}

// The command's action, when the menu or toolbar shows it.
QAction* MenuAction(const CMainFrame* pFrame, const QWidget* pMenu, UINT nID)
{
    QAction* pAction = pFrame->Action(nID);
    return pMenu->actions().contains(pAction) ? pAction : nullptr;
}

// Editor text alone, in its 8 x 13 cells from (8, 13).
class CTextView : public CSoundBase
{
public:
    using CSoundBase::CSoundBase;
    void OnDraw(QPainter& dc, const QRect&) override
    {
        dc.fillRect(QRect(0, 0, 200, 40), Qt::black);
        TextOut(dc, kCharWidth, kCharHeight, "C#4 0F Am 123 WXYZ", Qt::black);
    }
};

// Aligned 2 x 2 blocks of differing pixels: none in a picture doubled from half the resolution.
int DetailedBlocks(const QImage& image)
{
    int n = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2)
            n += image.pixel(x + 1, y) != image.pixel(x, y) ||
                 image.pixel(x, y + 1) != image.pixel(x, y) ||
                 image.pixel(x + 1, y + 1) != image.pixel(x, y);
    return n;
}
// A4 held on voice 0 and E5 on voice 1, looped.
void HoldTwoTones(CSoundDoc& doc)
{
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    doc.AssignPlayRange({0, 7});
    doc.PlacePattern(0, 0, doc.CreatePattern(0, 8))->SetCell(0, {69, 0, 0, 0});
    doc.PlacePattern(1, 0, doc.CreatePattern(1, 8))->SetCell(0, {76, 0, 0, 0});
}

// Plays on well past what the thread renders ahead, so the latest samples follow the mask in
// force now; whether each tone is in them.
std::pair<bool, bool> HeardTones(CVirtualAudioDevice& device, CSoundPlayThread& thread)
{
    constexpr unsigned kChunk = 2048;
    constexpr std::size_t kN = 4096;
    device.TakeOutput();
    for (int i = 0; i < 24; ++i)
    {
        device.Advance(kChunk);
        thread.WaitUntilHandled();
    }
    const std::vector<std::int16_t> heard = device.TakeOutput();
    const CSpectrum spectrum(heard.data() + heard.size() - kN, kN);
    return {spectrum.Db(440.0) > -40.0, spectrum.Db(659.3) > -40.0};
}

// Windows a test sets voice by voice: a level held for the whole window.
class CSetScopeSource : public IVoiceScopeSource
{
public:
    void LatestWindow(int voice, std::int16_t* pOut) const override
    {
        std::fill_n(pOut, kScopeWindow, m_levels[voice]);
    }
    bool IsSounding() const override { return true; }
    std::array<std::int16_t, IVoiceSink::kVoices> m_levels{};
};


int ScopeX(const CVoiceScopes& scopes, int voice)
{
    return (2 * voice + 1) * scopes.width() / 8;
}
} // namespace

class ShellFrameTest : public QObject
{
    Q_OBJECT
    CShell* m_pShell = nullptr;
    CSoundDoc* m_pDoc = nullptr;
    CSoundSession* m_pSession = nullptr;
    CSoundPattern* m_pPattern = nullptr;

    // Voice 0's pattern placed at rows 16 and 48 alone, and one of 8 rows at row 80 of voice 2.
    bool StartPlacedSong(CShell& shell)
    {
        if (!shell.Start())
            return false;
        shell.Frame()->activateWindow();
        m_pShell = &shell;
        m_pDoc = shell.ActiveDoc();
        m_pSession = shell.app->Documents().GetSession(m_pDoc);
        m_pSession->SetCurrentPattern(m_pPattern = m_pDoc->GetPatterns(0)[0].get());
        for (int c = 0; c < kChannelCount; ++c)
            m_pDoc->SetPlacements(c, {});
        m_pDoc->PlacePattern(0, 16, m_pDoc->PlacePattern(0, 48, m_pPattern));
        m_pDoc->PlacePattern(2, 80, m_pDoc->CreatePattern(2, 8));
        return QTest::qWaitForWindowActive(shell.Frame());
    }
    CSoundBase* Pane(int nPane) const
    {
        m_pShell->ActiveFrame()->SetActivePane(nPane);
        return qobject_cast<CSoundBase*>(m_pShell->ActiveFrame()->GetPane(nPane));
    }

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    void menusFollowTheActiveWindow()
    {
        CShell shell;
        QVERIFY(shell.Start());
        CMainFrame* pFrame = shell.Frame();
        QCOMPARE(MenuTitles(pFrame),
                 (QStringList{"&File", "&Edit", "&View", "Sound &Resource", "&Window", "&Help"}));
        QVERIFY(shell.Command(ID_FILE_SAVE)->isEnabled());

        QVERIFY(pFrame->Trigger(ID_FILE_CLOSE));
        shell.Settle();
        QVERIFY(MenuTitles(pFrame) == (QStringList{"&File", "&View", "&Help"}) &&
                pFrame->windowTitle() == "Tarvok");
        for (const UINT nID :
             {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_EDIT_UNDO,
              ID_SOUND_PLAY, ID_WINDOW_NEW, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_IMPORT})
            QVERIFY2(shell.Command(nID)->isEnabled() ==
                         (nID == ID_FILE_NEW || nID == ID_FILE_OPEN || nID == ID_FILE_IMPORT),
                     qPrintable(QString::number(nID)));
        QVERIFY(!pFrame->Trigger(ID_FILE_SAVE));

        // What the person sees: the File menu's Close item and the toolbar's buttons.
        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        QVERIFY(pFile != nullptr);
        pFile->popup(QPoint(0, 0));
        QVERIFY(!MenuAction(pFrame, pFile, ID_FILE_CLOSE)->isEnabled() &&
                MenuAction(pFrame, pFile, ID_FILE_NEW)->isEnabled());
        pFile->close();
        pFrame->UpdateCommandStates();
        for (const UINT nID : {ID_FILE_SAVE, ID_FILE_PRINT, ID_FILE_NEW})
            QCOMPARE(MenuAction(pFrame, pFrame->GetToolBar(), nID)->isEnabled(),
                     nID == ID_FILE_NEW);

        QVERIFY(pFrame->Trigger(ID_FILE_NEW) && MenuTitles(pFrame).size() == 6);
    }

    // One per sound window, from the menu or the sound bar, and gone with its document.
    void instrumentsWindowBelongsToItsSoundWindow()
    {
        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(MenuAction(shell.Frame(), shell.Frame()->GetSoundBar(), ID_SOUND_INSTRUMENTS));
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_INSTRUMENTS));
        QPointer<CInstrumentWindow> pWindow = shell.ActiveFrame()->GetInstruments();
        QVERIFY(pWindow != nullptr && pWindow->isVisible());
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_INSTRUMENTS));
        QCOMPARE(shell.ActiveFrame()->GetInstruments(), pWindow.data());
        QVERIFY(shell.ActiveDoc()->SetInstruments({ReadyInstruments()[0]}));
        QCOMPARE(pWindow->SelectedNumber(), 1);
        shell.ActiveDoc()->SetModifiedFlag(false);
        QVERIFY(shell.Frame()->Trigger(ID_FILE_CLOSE));
        shell.Settle();
        QVERIFY(pWindow == nullptr);
        QVERIFY(!shell.Command(ID_SOUND_INSTRUMENTS)->isEnabled());
    }

    void keysReachTheirCommands()
    {
        CShell shell;
        QVERIFY(shell.Start());
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        CSoundFrame* pFrame = shell.ActiveFrame();
        pFrame->SetActivePane(0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QCOMPARE(pFrame->GetActivePane(), pFrame->GetPane(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(pFrame->GetActivePane(), pFrame->GetPane(0));

        // The pattern editor has Pattern ▸ New… and Properties… and the whole-song range.
        CSoundDoc* pDoc = shell.ActiveDoc();
        shell.app->Documents().GetSession(pDoc)->SetCurrentPattern(pDoc->GetPatterns(0)[0].get());
        pFrame->SetActivePane(1);
        for (const UINT nID : {ID_PATTERN_NEW, ID_PATTERN_PROPERTIES, ID_RANGE_WHOLE, ID_RANGE_END})
            QCOMPARE(shell.Command(nID)->isEnabled(), nID != ID_RANGE_END);
        pFrame->SetActivePane(0);

        // The transport keys reach the focused editor.
        const std::tuple<Qt::Key, Qt::KeyboardModifiers, bool, bool> transport[] = {
            {Qt::Key_F3, {}, true, false},
            {Qt::Key_F3, Qt::ShiftModifier, true, true},
            {Qt::Key_F4, {}, false, false}};
        for (const auto& [key, mods, bPlaying, bPaused] : transport)
        {
            QTest::keyClick(QApplication::focusWidget(), key, mods);
            QCOMPARE(std::pair(shell.app->Documents().GetSession(pDoc)->IsPlaying(),
                               shell.app->Documents().GetSession(pDoc)->IsPaused()),
                     std::pair(bPlaying, bPaused));
        }

        // The key of a disabled command reaches no editor: Ctrl+B (the play range start, the
        // sequence editor's) writes no note, Del on an empty step deletes no step.
        pDoc->PlacePattern(1, 16, pDoc->CreatePattern(1, 8));
        const std::string before = pDoc->SaveToBytes();
        pFrame->SetActivePane(1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier);
        pFrame->SetActivePane(0);
        shell.app->Documents().GetSession(pDoc)->SetSequenceCursor({1, 0});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QVERIFY(pDoc->SaveToBytes() == before);
    }

    // Qt runs neither of two actions that share a key; the sound window's keys are in force
    // only while one is active.
    void everyKeyInForceBelongsToOneAction()
    {
        CShell shell;
        QVERIFY(shell.Start());
        for (const bool bSoundWindow : {true, false})
        {
            if (!bSoundWindow)
                shell.app->Documents().CloseAllDocuments();
            QStringList keys, shared;
            for (const QAction* pAction : shell.Frame()->findChildren<QAction*>())
                for (const QKeySequence& key : pAction->shortcuts())
                    keys.append(key.toString());
            keys.sort();
            for (qsizetype i = 1; i < keys.size(); ++i)
                if (keys[i] == keys[i - 1])
                    shared.append(keys[i]);
            QCOMPARE(shared, QStringList());
            QVERIFY(keys.contains("Ctrl+N") && keys.contains("F3") == bSoundWindow);
        }
    }

    void messagesFromAnotherThreadDoNotWait()
    {
        CQtMessageSink sink;
        auto answer = std::async(std::launch::async,
                                 [&sink]
                                 {
                                     MessageRequest request;
                                     request.text = "device gone";
                                     request.kind = MessageKind::Error;
                                     return sink.ShowMessage(request);
                                 });
        QVERIFY(answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready &&
                answer.get() == Answer::Ok);

        // The box itself comes up on this thread.
        QString shown;
        QTimer::singleShot(
            0,
            [&shown]
            {
                if (QWidget* pBox = QApplication::activeModalWidget())
                {
                    shown = pBox->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
                    pBox->close();
                }
            });
        QTRY_COMPARE(shown, QStringLiteral("device gone"));
    }

    void noteKeysAndOctave()
    {
        CShell shell;
        QVERIFY(StartPlacedSong(shell));
        // Scan code, key and text of a French or German layout, modifiers, field (0 note,
        // 3 attenuation units), then the value written by place and by letter.
        const std::tuple<unsigned, int, const char*, Qt::KeyboardModifiers, int, int, int> cases[] =
            {{24, Qt::Key_A, "a", {}, 0, 60, NOTE_EMPTY},           // French, US Q
             {58, Qt::Key_Comma, ",", {}, 0, 59, NOTE_OFF},         // French, US M
             {29, Qt::Key_Z, "z", {}, 0, 69, 48},                   // German, US Y
             {16, Qt::Key_Slash, "/", Qt::ShiftModifier, 3, 7, 7}}; // German, Shift+7
        for (bool bByPlace : {true, false})
        {
            CNoteKeyboard::Instance().SetByPosition(bByPlace);
            for (const auto& [nScan, key, text, mods, nField, nByPlace, nByLetter] : cases)
            {
                m_pPattern->SetCell(0, SoundCell::Empty());
                m_pSession->SetPatternCursor({nField, 0});
                QKeyEvent event(QEvent::KeyPress, key, mods, nScan, 0, 0, QString::fromUtf8(text));
                QCoreApplication::sendEvent(Pane(1), &event);
                const SoundCell cell = m_pPattern->GetCell(0);
                QCOMPARE(int(nField == 0 ? cell.note : cell.atten),
                         bByPlace ? nByPlace : nByLetter);
            }
        }

        // The octave: keys and the Sound Bar's box agree; the box leaves focus and bar alone.
        auto* pBox = m_pShell->Frame()->GetSoundBar()->findChild<QSpinBox*>("Octave");
        CSoundBase* pEditor = Pane(1);
        pEditor->SetOctave(4);
        for (const auto& [key, mods, nOctave] : {std::tuple(Qt::Key_PageUp, Qt::ControlModifier, 5),
                                                 std::tuple(Qt::Key_Slash, Qt::KeypadModifier, 4)})
        {
            QTest::keyClick(pEditor, key, mods);
            QCOMPARE(pBox->value(), nOctave);
        }
        pBox->setValue(9);
        QTest::mouseClick(pBox->findChild<QLineEdit*>(), Qt::LeftButton);
        m_pShell->Settle();
        QVERIFY(pEditor->GetOctave() == 9 && QApplication::focusWidget() == pEditor &&
                !m_pShell->Frame()->GetSoundBar()->isHidden());

        // The edit step beside it, by the name a screen reader gives it: 0 to 16, 1 at first.
        QSpinBox* pStep = nullptr;
        for (auto* pSpin : m_pShell->Frame()->GetSoundBar()->findChildren<QSpinBox*>())
            pStep = pSpin->accessibleName() == "Edit step" ? pSpin : pStep;
        QVERIFY(pStep != nullptr && pStep->minimum() == 0 && pStep->maximum() == 16);
        QCOMPARE(pStep->value(), 1);
        pStep->setValue(4);
        QCOMPARE(CNoteKeyboard::Instance().GetEditStep(), 4);
    }

    // A loud note reaches the edges of its scope's strip, whatever plays it.
    void scopesFillTheirStrips()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        HoldTwoTones(*shell.ActiveDoc());
        CVoiceScopes* pScopes = shell.ActiveFrame()->GetScopes();
        shell.ActiveFrame()->resize(800, 400);
        for (const UINT nChip : {ID_CHIP_SINE, ID_CHIP_PCJR})
        {
            QVERIFY(shell.Frame()->Trigger(nChip) && shell.Frame()->Trigger(ID_SOUND_PLAY));
            for (int i = 0; i < 8; ++i)
            {
                pDevice->Advance(2048);
                QVERIFY(pThread->WaitUntilHandled());
            }
            pScopes->Refresh();
            const QImage picture = pScopes->grab().toImage();
            // The right half of voice 0's strip, clear of its name: the rows the trace covers.
            const QColor ink = pScopes->palette().text().color();
            int top = picture.height(), bottom = -1;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = pScopes->width() / 8; x < pScopes->width() / 4 - 8; ++x)
                    if (picture.pixelColor(x, y) == ink)
                    {
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                    }
            QVERIFY2(bottom - top > 0.8 * (pScopes->height() - 16),
                     qPrintable(QString("%1: %2 to %3").arg(nChip).arg(top).arg(bottom)));
            QVERIFY(shell.Frame()->Trigger(ID_SOUND_STOP));
        }
    }

    // A frame draws again the traces that changed, and only them.
    void scopesRepaintOnlyTheVoicesThatChanged()
    {
        CSetScopeSource source;
        CVoiceScopes scopes(source);
        scopes.resize(480, 64);
        scopes.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scopes));
        QTest::qWait(50);
        CPaintedRegion painted(scopes);
        source.m_levels[2] = 9000;
        scopes.Refresh();
        const int y = scopes.height() / 2;
        QTRY_VERIFY(painted.m_region.contains(QPoint(ScopeX(scopes, 2), y)));
        for (const int voice : {0, 1, 3})
            QVERIFY2(!painted.m_region.contains(QPoint(ScopeX(scopes, voice), y)),
                     qPrintable(QString::number(voice)));
    }

    // A muted voice's trace is dimmed, neither lost nor drawn in full ink.
    void aMutedScopeIsDimmed()
    {
        CSetScopeSource source;
        CVoiceScopes scopes(source);
        scopes.resize(480, 64);
        source.m_levels = {9000, 9000, 0, 0};
        scopes.SetMuteMask(0b10);
        scopes.Refresh();
        const QImage picture = scopes.grab().toImage();
        const QPalette& palette = scopes.palette();
        for (const int voice : {0, 1})
        {
            QList<QColor> inks; // what the trace's column holds besides ground and middle line
            for (int y = 16; y < picture.height() - 2; ++y)
                if (const QColor c = picture.pixelColor(ScopeX(scopes, voice), y);
                    c != palette.base().color() && c != palette.mid().color())
                    inks.append(c);
            QVERIFY2(!inks.isEmpty(), qPrintable(QString::number(voice)));
            QCOMPARE(inks.contains(palette.text().color()), voice == 0);
        }
    }

    void jumpsPlayFromCursorAndOpening()
    {
        CShell shell;
        QVERIFY(StartPlacedSong(shell));
        // Pane, sequence step, pattern row, then the song position playback starts at.
        m_pDoc->SetPlayRange({8, 64});
        for (const auto& [nPane, nStep, nRow, nPos] :
             {std::tuple(1, 2, 5, 21), std::tuple(1, 4, 5, 53), std::tuple(1, 0, 5, 21),
              std::tuple(0, 3, 5, 48), std::tuple(0, 5, 0, 8)})
        {
            m_pSession->SetSequenceCursor({0, nStep});
            m_pSession->SetPatternCursor({0, nRow});
            QTest::keyClick(Pane(nPane), Qt::Key_F3, Qt::ControlModifier);
            QVERIFY(m_pSession->GetPlayRow() == nPos && m_pSession->IsPlaying());
        }
        m_pSession->SetSequenceCursor({2, 5});
        QTest::keyClick(Pane(0), Qt::Key_Return);
        QVERIFY(m_pSession->GetCurrentPattern() == m_pDoc->GetSequence(2).at(80) &&
                m_pSession->GetPatternCursor().row == 0 &&
                m_pSession->GetPatternCursor().field == 0);
    }

    void textAndIconsAreDrawnAtTwiceTheResolution()
    {
        CSoundDoc doc;
        CSoundSession session(&doc);
        CTextView view(&session);
        QImage image(400, 80, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        QPainter painter(&image);
        view.OnDraw(painter, QRect(0, 0, 200, 40));
        QVERIFY(DetailedBlocks(image) > 18);
        // The grid stays 8 x 13: nothing right of the 18 characters' cells.
        QCOMPARE(DetailedBlocks(image.copy(304, 0, 96, 80)), 0);
        QVERIFY(DetailedBlocks(CommandIcon(ID_FILE_OPEN).pixmap(QSize(16, 15), 2).toImage()) > 0);
    }

    void patternMadeWithEnterIsOnScreenAtOnce()
    {
        CScriptedDialogs dialogs;
        dialogs.patternAnswers = {{16, "new"}};
        CShell shell;
        shell.pDialogs = &dialogs;
        QVERIFY(shell.Start());
        shell.Frame()->resize(1000, 800);
        shell.ActiveFrame()->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(shell.Frame()));
        auto* pView = shell.ActiveFrame()->findChild<CSoundSequenceView*>();
        shell.app->Documents().GetSession(shell.ActiveDoc())->SetSequenceCursor({1, 0});
        CShell::Settle();
        QTest::keyClick(pView, Qt::Key_Return);
        QVERIFY(shell.ActiveDoc()->GetPatternAt({1, 0}) != nullptr);
        QCoreApplication::processEvents();
        // What the window system holds now, against a fresh rendering.
        QWidget* pViewport = pView->viewport();
        const QRect rect(pViewport->mapTo(shell.Frame(), QPoint()), pViewport->size());
        const QImage shown = shell.Frame()
                                 ->screen()
                                 ->grabWindow(shell.Frame()->winId(), rect.x(), rect.y(),
                                              rect.width(), rect.height())
                                 .toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 pViewport->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void muteAndSoloFromTheWindowAreHeardAtOnce()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        CSoundDoc* pDoc = shell.ActiveDoc();
        const CSoundSession* pSession = shell.app->Documents().GetSession(pDoc);
        HoldTwoTones(*pDoc);
        pDevice->SetRecording(true);
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0 + 1));
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
        QVERIFY(pThread->WaitUntilHandled());
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(true, false));

        // While playing: the command, the mask it leaves, the tones heard then.
        const std::tuple<UINT, unsigned, bool, bool> steps[] = {
            {ID_MUTE_VOICE0 + 1, 0b0000, true, true},
            {ID_SOLO_VOICE0 + 1, 0b1101, false, true},
            {ID_SOLO_VOICE0 + 1, 0b0000, true, true},
            {ID_MUTE_VOICE0, 0b0001, false, true},
            // The only voice left unmuted is soloed already: every voice comes back.
            {ID_MUTE_VOICE0 + 2, 0b0101, false, true},
            {ID_MUTE_NOISE, 0b1101, false, true},
            {ID_SOLO_VOICE0 + 1, 0b0000, true, true},
            {ID_SOLO_NOISE, 0b0111, false, false},
            {ID_UNMUTE_ALL, 0b0000, true, true},
        };
        for (const auto& [nCommand, mask, bVoice0, bVoice1] : steps)
        {
            QVERIFY(shell.Frame()->Trigger(nCommand));
            QCOMPARE(pSession->GetMuteMask(), mask);
            QCOMPARE(pThread->GetMuteMask(), mask);
            QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(bVoice0, bVoice1));
        }
        QVERIFY(!shell.Command(ID_UNMUTE_ALL)->isEnabled());

        // A second sound's mask waits until it plays; its own playback brings it in.
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0));
        shell.app->Documents().OnFileNew();
        CSoundDoc* pOther = shell.ActiveDoc();
        HoldTwoTones(*pOther);
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0 + 1));
        QCOMPARE(pThread->GetMuteMask(), 0b0001u);
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
        QVERIFY(pThread->WaitUntilHandled());
        QCOMPARE(pThread->GetMuteMask(), 0b0010u);
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(true, false));
    }

    void theSineLeavesOutTheNoiseAndASongTooLongForOneResourcePlays()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        const CVoiceScopes* pScopes = shell.ActiveFrame()->GetScopes();
        QCOMPARE(pScopes->GetSilentMask(), 0u);
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_SINE));
        QCOMPARE(pScopes->GetSilentMask(), 0b1000u);
        QCOMPARE(shell.Frame()->GetMessageText(),
                 QStringLiteral("The sine preview does not play the noise channel"));
        // Said once.
        shell.app->SetIdleText("before");
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_PCJR));
        QCOMPARE(pScopes->GetSilentMask(), 0u);
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_SINE));
        QCOMPARE(shell.Frame()->GetMessageText(), QStringLiteral("before"));

        // A new note on each of 13104 rows at 7 ticks a row: 25:29 in the game, past what the
        // resource's 16-bit offsets hold.
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_PCJR));
        CSoundDoc& doc = *shell.ActiveDoc();
        CSoundPattern& p = *doc.GetPatterns(0)[0];
        p.SetRows(13104);
        for (std::int32_t r = 0; r < 13104; ++r)
            p.SetCell(r, {static_cast<std::uint8_t>(50 + r % 20), 255, 0, 0});
        doc.AssignPlayRange({0, 13104});
        shell.Frame()->UpdateCommandStates();
        QCOMPARE(shell.Frame()->findChild<QLabel*>(QStringLiteral("SongLength"))->text(),
                 QStringLiteral("25:29"));
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
        QVERIFY(pThread->WaitUntilHandled());
        QVERIFY(pDevice->SnapshotStream().bPlaying);
        QVERIFY(shell.Frame()->GetMessageText().endsWith(
            QString::fromUtf8(kAgiExportWillRefuseText)));
    }

    void closingASoundStopsOnlyItsOwnPlayback()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        CSoundDoc* pPlaying = shell.ActiveDoc();
        HoldTwoTones(*pPlaying);
        pDevice->SetRecording(true);
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
        shell.app->Documents().OnFileNew();
        shell.app->Documents().CloseDocument(shell.ActiveDoc());
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(true, true));
        shell.app->Documents().CloseDocument(pPlaying);
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(false, false));
    }

    void previewsAreMutedByTheirOwnSound()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        CSoundDoc* pPreviewed = shell.ActiveDoc();
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0 + 1));
        shell.app->Documents().OnFileNew();
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0 + 2));
        pDevice->SetRecording(true);
        // Whether the other sound plays, the preview's voice, whether it is heard.
        const std::tuple<bool, int, bool> cases[] = {
            {false, 1, false}, {false, 2, true}, {true, 1, false}, {true, 2, true}};
        for (const auto& [bOtherPlays, voice, bHeard] : cases)
        {
            if (bOtherPlays && !shell.app->Documents().GetSession(shell.ActiveDoc())->IsPlaying())
                QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
            QVERIFY(pThread->WaitUntilHandled());
            pDevice->TakeOutput();
            shell.app->Playback().PostPreview(pPreviewed, 81, voice);
            QVERIFY(pThread->WaitUntilHandled());
            pDevice->Advance(4096);
            QVERIFY(pThread->WaitUntilHandled());
            const std::vector<std::int16_t> heard = pDevice->TakeOutput();
            QCOMPARE(CSpectrum(heard.data(), 4096).Db(880.0) > -30.0, bHeard);
            // The sound that plays keeps its own mask.
            if (bOtherPlays)
                QCOMPARE(pThread->GetMuteMask(), 0b0100u);
            // The rest of the note, so the next case hears only its own.
            pDevice->Advance(4 * 4096);
        }
    }

    // Idle, nothing wakes the editor: the scopes follow only a sound, autosave only changes.
    void timersRunOnlyWhileThereIsSomethingToShowOrKeep()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        CSoundPlayThread* pThread = shell.StartWithDevice(pDevice);
        QVERIFY(pThread != nullptr);
        CSoundDoc* pDoc = shell.ActiveDoc();
        CVoiceScopes* pScopes = shell.ActiveFrame()->GetScopes();
        QVERIFY(pScopes->isVisible());
        QVERIFY(!pScopes->IsFollowing());
        QVERIFY(!shell.app->Recovery().IsAutosaving());

        shell.app->Playback().PostPreview(pDoc, 69, 0);
        QVERIFY(pScopes->IsFollowing());
        QVERIFY(pThread->WaitUntilHandled());
        pDevice->Advance(4 * 4096);
        QTRY_VERIFY_WITH_TIMEOUT(!pScopes->IsFollowing(), 3000);

        HoldTwoTones(*pDoc);
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_PLAY));
        QVERIFY(pScopes->IsFollowing());
        QTest::qWait(700);
        QVERIFY2(pScopes->IsFollowing(), "a song the output has not yet played");
        QVERIFY(shell.Frame()->Trigger(ID_SOUND_STOP));
        QTRY_VERIFY_WITH_TIMEOUT(!pScopes->IsFollowing(), 3000);
        // The markers and the scopes share one frame clock; nothing moves, so it rests.
        QTRY_VERIFY(!CFrameClock::Instance().IsRunning());

        QUndoStack& undo = shell.app->Documents().GetSession(pDoc)->Undo().Stack();
        undo.push(new QUndoCommand(QStringLiteral("change")));
        QVERIFY(shell.app->Recovery().IsAutosaving());
        undo.undo();
        QVERIFY(!shell.app->Recovery().IsAutosaving());
    }

    void scopesMuteAndSoloEveryWindowOfTheSoundButNeverChangeIt()
    {
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        CSoundSession* pSession = shell.app->Documents().GetSession(pDoc);
        CVoiceScopes* pFirst = shell.ActiveFrame()->GetScopes();
        QVERIFY(shell.Frame()->Trigger(ID_WINDOW_NEW));
        CVoiceScopes* pSecond = shell.ActiveFrame()->GetScopes();
        QVERIFY(pFirst != nullptr && pSecond != nullptr && pFirst != pSecond);
        QVERIFY(pSecond->isVisible() && pSecond->width() > 100);
        const int nUndoSteps = pSession->Undo().Stack().count();

        // The sequence editor's channel names take the same clicks.
        QWidget* pNames =
            qobject_cast<QAbstractScrollArea*>(shell.ActiveFrame()->GetPane(0))->viewport();
        // Click on which voice's scope (or name), with Ctrl, the mask it leaves.
        const std::tuple<int, bool, bool, unsigned> clicks[] = {
            {2, false, false, 0b0100}, {2, false, false, 0b0000}, {3, false, false, 0b1000},
            {0, true, false, 0b1110},  {0, true, false, 0b0000},  {1, false, false, 0b0010},
            {1, false, true, 0b0000},  {3, true, true, 0b0111},   {3, false, true, 0b1111},
            {2, true, true, 0b1011},
        };
        for (const auto& [voice, bCtrl, bName, mask] : clicks)
        {
            const Qt::KeyboardModifiers modifiers = bCtrl ? Qt::ControlModifier : Qt::NoModifier;
            if (bName)
                QTest::mouseClick(pNames, Qt::LeftButton, modifiers, QPoint(70 + 64 * voice, 8));
            else
                QTest::mouseClick(pSecond, Qt::LeftButton, modifiers,
                                  QPoint(ScopeX(*pSecond, voice), pSecond->height() / 2));
            QCOMPARE(pSession->GetMuteMask(), mask);
            QCOMPARE(pFirst->GetMuteMask(), mask);
            QCOMPARE(pSecond->GetMuteMask(), mask);
            QCOMPARE(shell.Command(ID_MUTE_VOICE0 + voice)->isChecked(),
                     ((mask >> voice) & 1u) != 0);
        }
        QVERIFY(!pDoc->IsModified());
        QCOMPARE(pSession->Undo().Stack().count(), nUndoSteps);
        QCOMPARE(pSession->GetSequenceCursor().step, 0);

        // The saved file is the same muted or not; opened again, every voice is heard.
        QTemporaryDir dir;
        const QString muted = dir.filePath("muted.tks"), open = dir.filePath("open.tks");
        shell.files.answers = {LocalPath(muted)};
        QVERIFY(shell.app->Documents().DoSave(pDoc, true));
        QVERIFY(shell.Frame()->Trigger(ID_UNMUTE_ALL));
        shell.files.answers = {LocalPath(open)};
        QVERIFY(shell.app->Documents().DoSave(pDoc, true));
        QVERIFY(!ReadAll(muted).isEmpty() && ReadAll(muted) == ReadAll(open));
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_NOISE));
        shell.app->Documents().CloseDocument(pDoc);
        CSoundDoc* pAgain = shell.app->Documents().OpenDocumentFile(LocalPath(muted));
        QVERIFY(pAgain != nullptr);
        QCOMPARE(shell.app->Documents().GetSession(pAgain)->GetMuteMask(), 0u);
    }
};

TARVOK_SHELL_TEST_MAIN(ShellFrameTest)
#include "shell_frame_test.moc"
