// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: its menus, keys and messages, and what reaches the screen.
#include "ShellTestSupport.h"
#include "SoundViewFakes.h"

#include "app/HelpWindow.h"
#include "app/QtUserInterface.h"
#include "resources/Icons.h"
#include "sound/SoundPattern.h"
#include "views/NoteKeyboard.h"
#include "views/SoundSequenceView.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSpinBox>
#include <QTextBrowser>
#include <QToolBar>
#include <QWhatsThis>

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

// The action of a menu or toolbar that sends the command.
QAction* MenuAction(const QWidget* pMenu, UINT nID)
{
    for (QAction* pAction : pMenu->actions())
        if (pAction->property("tarvokCommand").toUInt() == nID)
            return pAction;
    return nullptr;
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
        m_pSession = shell.app->GetSession(m_pDoc);
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
        QVERIFY(pFrame->QueryCommandState(ID_FILE_SAVE).m_bEnabled);

        QVERIFY(pFrame->ExecuteCommand(ID_FILE_CLOSE));
        shell.Settle();
        QVERIFY(MenuTitles(pFrame) == (QStringList{"&File", "&View", "&Help"}) &&
                pFrame->windowTitle() == "Tarvok");
        for (const UINT nID :
             {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_PRINT, ID_EDIT_UNDO,
              ID_SOUND_PLAY, ID_WINDOW_NEW, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_IMPORT})
            QVERIFY2(pFrame->QueryCommandState(nID).m_bEnabled ==
                         (nID == ID_FILE_NEW || nID == ID_FILE_OPEN || nID == ID_FILE_IMPORT),
                     qPrintable(QString::number(nID)));
        QVERIFY(!pFrame->ExecuteCommand(ID_FILE_SAVE));

        // What the person sees: the File menu's Close item and the toolbar's buttons.
        QMenu* pFile = pFrame->FindPopup(QStringLiteral("&File"));
        QVERIFY(pFile != nullptr);
        pFile->popup(QPoint(0, 0));
        QVERIFY(!MenuAction(pFile, ID_FILE_CLOSE)->isEnabled() &&
                MenuAction(pFile, ID_FILE_NEW)->isEnabled());
        pFile->close();
        pFrame->UpdateCommandUI();
        for (const UINT nID : {ID_FILE_SAVE, ID_FILE_PRINT, ID_FILE_NEW})
            QCOMPARE(MenuAction(pFrame->GetToolBar(), nID)->isEnabled(), nID == ID_FILE_NEW);

        QVERIFY(pFrame->ExecuteCommand(ID_FILE_NEW) && MenuTitles(pFrame).size() == 6);
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

        // The transport keys reach the focused editor.
        CSoundDoc* pDoc = shell.ActiveDoc();
        const std::tuple<Qt::Key, Qt::KeyboardModifiers, bool, bool> transport[] = {
            {Qt::Key_F3, {}, true, false},
            {Qt::Key_F3, Qt::ShiftModifier, true, true},
            {Qt::Key_F4, {}, false, false}};
        for (const auto& [key, mods, bPlaying, bPaused] : transport)
        {
            QTest::keyClick(QApplication::focusWidget(), key, mods);
            QCOMPARE(std::pair(shell.app->GetSession(pDoc)->IsPlaying(),
                               shell.app->GetSession(pDoc)->IsPaused()),
                     std::pair(bPlaying, bPaused));
        }

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(QWhatsThis::inWhatsThisMode());
        QWhatsThis::leaveWhatsThisMode();

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        auto* pHelp = shell.Frame()->findChild<CHelpWindow*>();
        QVERIFY(pHelp != nullptr && pHelp->isVisible() &&
                pHelp->GetBrowser()->toPlainText().contains("Keyboard"));
    }

    void messagesFromAnotherThreadDoNotWait()
    {
        CQtMessageSink sink;
        auto answer =
            std::async(std::launch::async, [&sink]
                       { return sink.ShowMessage("device gone", MB_OK | MB_ICONSTOP, {}); });
        QVERIFY(answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready &&
                answer.get() == IDOK);

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
    }

    void jumpsPlayFromCursorAndOpening()
    {
        CShell shell;
        QVERIFY(StartPlacedSong(shell));
        // Pane (1 the pattern editor), key, modifiers, then the row or step it goes to.
        using Jump = std::tuple<int, Qt::Key, Qt::KeyboardModifiers, int>;
        m_pSession->SetPatternCursor({2, 7});
        for (const auto& [nPane, key, mods, nTo] :
             {Jump{1, Qt::Key_End, {}, 15}, Jump{1, Qt::Key_Home, {}, 0},
              Jump{0, Qt::Key_End, {}, 3}, Jump{0, Qt::Key_Home, {}, 1},
              Jump{0, Qt::Key_End, Qt::ControlModifier, 5},
              Jump{0, Qt::Key_Home, Qt::ControlModifier, 0}})
        {
            QTest::keyClick(Pane(nPane), key, mods);
            QCOMPARE(nPane == 1 ? m_pSession->GetPatternCursor().row
                                : m_pSession->GetSequenceCursor().step,
                     nTo);
        }
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
        shell.app->GetSession(shell.ActiveDoc())->SetSequenceCursor({1, 0});
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
};

TARVOK_SHELL_TEST_MAIN(ShellFrameTest)
#include "shell_frame_test.moc"
