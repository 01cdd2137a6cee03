#include "ShellTestSupport.h"
#include "SoundViewFakes.h"

#include "playback/SoundPlayThread.h"
#include "playback/VirtualAudioDevice.h"
#include "sound/SoundDoc.h"
#include "sound/SoundPattern.h"
#include "views/SoundPatternView.h"
#include "views/SoundSequenceView.h"

#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace
{
constexpr int kPage = 10;
constexpr int kViewHeight = (kPage + 2) * CSoundBase::kRowHeight;

QAction* FindAction(const QMenu& menu, const QString& text)
{
    for (QAction* pAction : menu.actions())
        if (pAction->text() == text)
            return pAction;
    return nullptr;
}
} // namespace

class SequenceViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_pWindow;
    std::unique_ptr<CSoundDoc> m_pDoc;
    CSoundSequenceView* m_pView = nullptr;
    CSoundPatternView* m_pPatternView = nullptr;
    QLineEdit* m_pOther = nullptr;
    CRecordingHost m_host;
    CRecordingTransport m_transport;
    CScriptedDialogs m_dialogs;
    CRecordingMessages m_messages;

    SequencePos& Cursor() const { return m_pDoc->m_sequenceCursor; }
    CSoundPattern* At(int channel, int step) const
    {
        return m_pDoc->GetPatternAt(SequencePos{channel, step});
    }
    void Place(int channel, int step, CSoundPattern* pPattern)
    {
        const SequencePos pos{channel, step};
        m_pDoc->SetPatternAt(&pos, pPattern);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(m_pView, static_cast<Qt::Key>(key), mods);
    }
    int LineY(int step) const { return 20 + 14 * (step - m_pView->verticalScrollBar()->value()); }
    bool Enabled(UINT nID) const
    {
        CCmdUI ui(nID);
        m_pView->OnCmdMsg(nID, &ui);
        return ui.m_bEnabled;
    }

private slots:
    void init()
    {
        CSoundBase::SetHost(&m_host);
        CSoundBase::SetTransport(&m_transport);
        CSoundBase::SetDialogs(&m_dialogs);
        SetMessageSink(&m_messages);
        m_dialogs = CScriptedDialogs();
        m_messages = CRecordingMessages();
        m_pDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pDoc->OnNewDocument());
        m_pWindow = std::make_unique<QWidget>();
        auto* pLayout = new QVBoxLayout(m_pWindow.get());
        auto* pSplitter = new QSplitter;
        m_pView = new CSoundSequenceView(m_pDoc.get());
        m_pPatternView = new CSoundPatternView(m_pDoc.get());
        pSplitter->addWidget(m_pView);
        pSplitter->addWidget(m_pPatternView);
        pSplitter->setFixedHeight(kViewHeight);
        pSplitter->setSizes({340, 200});
        m_pOther = new QLineEdit;
        pLayout->setContentsMargins(0, 0, 0, 0);
        pLayout->addWidget(pSplitter);
        pLayout->addWidget(m_pOther);
        m_pWindow->resize(560, kViewHeight + 40);
        m_pWindow->show();
        QVERIFY(QTest::qWaitForWindowActive(m_pWindow.get()));
        m_pView->setFocus();
        QVERIFY(m_pView->hasFocus());
        QCOMPARE(m_pView->GetPage(), kPage);
    }

    void cleanup()
    {
        m_pWindow.reset();
        m_pDoc.reset();
        CSoundBase::SetHost(nullptr);
        CSoundBase::SetTransport(nullptr);
        CSoundBase::SetDialogs(nullptr);
        SetMessageSink(nullptr);
    }

    void cellTexts()
    {
        QCOMPARE(CSoundSequenceView::CellText(nullptr), std::string("  ...  "));
        CSoundPattern* pSix = m_pDoc->CreatePattern(0, 4, "Melody");
        CSoundPattern* pSeven = m_pDoc->CreatePattern(0, 4, "Melodie");
        CSoundPattern* pShort = m_pDoc->CreatePattern(0, 4, "ab");
        CSoundPattern* pWide = m_pDoc->CreatePattern(0, 4, "Ünïcödé");
        QCOMPARE(CSoundSequenceView::CellText(pSix), std::string("Melody "));
        QCOMPARE(CSoundSequenceView::CellText(pSeven), std::string("Melodi>"));
        QCOMPARE(CSoundSequenceView::CellText(pShort), std::string("ab     "));
        QCOMPARE(CSoundSequenceView::CellText(pWide), std::string("Ünïcöd>"));
    }

    void enterOnAnEmptyCellCreatesPlacesAndOpens()
    {
        Cursor() = SequencePos{2, 3};
        m_dialogs.patternAnswers.push_back({24, "Bass"});
        Key(Qt::Key_Return);
        QCOMPARE(m_dialogs.titles, std::vector<std::string>{"Create new pattern"});
        QCOMPARE(m_dialogs.offeredRows, std::vector<int>{16});
        QCOMPARE(m_dialogs.offeredNames, std::vector<std::string>{"000"});
        CSoundPattern* pNew = At(2, 3);
        QVERIFY(pNew != nullptr);
        QCOMPARE(pNew->GetName(), std::string("Bass"));
        QCOMPARE(pNew->GetRows(), 24);
        QCOMPARE(m_pDoc->m_pCurrentPattern, pNew);
        QCOMPARE(m_pDoc->m_nNextPattern[2], 1);
        QVERIFY(m_pPatternView->hasFocus());

        // Enter in the pattern editor comes back; Tab goes there again.
        QTest::keyClick(m_pPatternView, Qt::Key_Return);
        QVERIFY(m_pView->hasFocus());
        Key(Qt::Key_Tab);
        QVERIFY(m_pPatternView->hasFocus());
        QTest::keyClick(m_pPatternView, Qt::Key_Tab);
        QVERIFY(m_pView->hasFocus());

        // Cancelled: nothing changes.
        Cursor() = SequencePos{1, 0};
        Key(Qt::Key_Return);
        QVERIFY(At(1, 0) == nullptr);
        QCOMPARE(m_pDoc->m_patterns[1].size(), std::size_t(0));
        QVERIFY(m_pView->hasFocus());
        QCOMPARE(m_pDoc->m_pCurrentPattern, pNew);
    }

    void insertAndDeleteSteps()
    {
        CSoundPattern* a = m_pDoc->CreatePattern(1, 16);
        CSoundPattern* b = m_pDoc->CreatePattern(1, 16);
        CSoundPattern* c = m_pDoc->CreatePattern(1, 16);
        Place(1, 0, a);
        Place(1, 2, b);
        Place(1, 5, c);
        Cursor() = SequencePos{1, 2};
        Key(Qt::Key_Insert);
        QCOMPARE(At(1, 0), a);
        QVERIFY(At(1, 2) == nullptr);
        QCOMPARE(At(1, 3), b);
        QCOMPARE(At(1, 6), c);
        QCOMPARE(m_pDoc->m_sequence[1].size(), std::size_t(3));

        Key(Qt::Key_Delete); // the empty step goes again
        Key(Qt::Key_Delete);
        QCOMPARE(At(1, 0), a);
        QCOMPARE(At(1, 4), c);
        QCOMPARE(m_pDoc->m_sequence[1].size(), std::size_t(2));

        // A channel with nothing placed is left alone.
        Cursor() = SequencePos{2, 0};
        m_pDoc->SetModifiedFlag(false);
        Key(Qt::Key_Insert);
        QVERIFY(m_pDoc->m_sequence[2].empty());
        QVERIFY(!m_pDoc->IsModified());
    }

    void patternKeysAndPeriod()
    {
        for (int i = 0; i < 40; ++i)
            m_pDoc->CreatePattern(3, 4);
        Cursor() = SequencePos{3, 0};
        Key(Qt::Key_B, Qt::ShiftModifier);
        QCOMPARE(At(3, 0), m_pDoc->m_patterns[3][37].get());
        QCOMPARE(Cursor().step, 1);
        Key(Qt::Key_B);
        QCOMPARE(At(3, 1), m_pDoc->m_patterns[3][11].get());
        Key(Qt::Key_7);
        QCOMPARE(At(3, 2), m_pDoc->m_patterns[3][7].get());
        QCOMPARE(Cursor().step, 3);

        // An index beyond the list changes nothing.
        Key(Qt::Key_Z, Qt::ShiftModifier);
        QVERIFY(At(3, 3) == nullptr);
        QCOMPARE(Cursor().step, 3);

        // "." clears and moves down, also over an empty cell.
        Cursor().step = 1;
        Key(Qt::Key_Period);
        QVERIFY(At(3, 1) == nullptr);
        QCOMPARE(Cursor().step, 2);
        Cursor().step = 10;
        m_pDoc->SetModifiedFlag(false);
        Key(Qt::Key_Period);
        QCOMPARE(Cursor().step, 11);
        QVERIFY(m_pDoc->IsModified());
    }

    void cursorMovesWithoutWrapping()
    {
        Key(Qt::Key_Tab); // no current pattern: nothing to open
        QVERIFY(m_pView->hasFocus());
        Key(Qt::Key_Up);
        Key(Qt::Key_Left);
        Key(Qt::Key_PageUp);
        QCOMPARE(Cursor(), (SequencePos{0, 0}));
        for (int i = 0; i < 5; ++i)
            Key(Qt::Key_Right);
        QCOMPARE(Cursor().channel, 3);
        Cursor().step = 4;
        Key(Qt::Key_PageUp);
        QCOMPARE(Cursor().step, 0);

        // Down and Page Down go beyond the last placement; the scroll range follows.
        for (int i = 0; i < 3; ++i)
            Key(Qt::Key_PageDown);
        QCOMPARE(Cursor().step, 3 * (kPage - 1));
        Key(Qt::Key_Down);
        QCOMPARE(Cursor().step, 28);
        QScrollBar* pBar = m_pView->verticalScrollBar();
        QCOMPARE(pBar->value(), 28 - kPage + 1);
        QCOMPARE(pBar->maximum(), 28 - kPage + 1);
        Key(Qt::Key_PageUp);
        QCOMPARE(Cursor().step, 28 - kPage + 1);

        // Scrolling down past the end lengthens the grid one step at a time.
        pBar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(pBar->value(), 28 - kPage + 2);
        pBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(pBar->value(), 28 - kPage + 3);
        QCOMPARE(Cursor().step, 28 - kPage + 3);

        // The cursor stops at the last step a song position can hold.
        Cursor().step = CSoundSequenceView::kMaxStep - 2;
        for (int i = 0; i < 4; ++i)
            Key(Qt::Key_Down);
        QCOMPARE(Cursor().step, CSoundSequenceView::kMaxStep);
        Key(Qt::Key_PageDown);
        Key(Qt::Key_Period);
        QCOMPARE(Cursor().step, CSoundSequenceView::kMaxStep);
        QCOMPARE(pBar->value(), CSoundSequenceView::kMaxStep - kPage + 1);
        pBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(pBar->value(), CSoundSequenceView::kMaxStep - kPage + 1);
    }

    void viewTooSmallForALine()
    {
        m_pView->parentWidget()->setFixedHeight(30);
        QTRY_COMPARE(m_pView->GetPage(), 0);
        Key(Qt::Key_PageDown);
        QCOMPARE(Cursor().step, 0);
        m_pView->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        m_pView->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(Cursor().step, 0);
    }

    void clicksAndDoubleClicks()
    {
        CSoundPattern* pPattern = m_pDoc->m_patterns[0][0].get();
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {},
                          QPoint(56 + 64 * 2 + 5, LineY(4) + 3));
        QCOMPARE(Cursor(), (SequencePos{2, 4}));
        // Outside the grid: nothing.
        QTest::mouseClick(m_pView->viewport(), Qt::LeftButton, {}, QPoint(20, LineY(1) + 3));
        QCOMPARE(Cursor(), (SequencePos{2, 4}));
        QTest::mouseDClick(m_pView->viewport(), Qt::LeftButton, {}, QPoint(60, LineY(0) + 3));
        QCOMPARE(Cursor(), (SequencePos{0, 0}));
        QCOMPARE(m_pDoc->m_pCurrentPattern, pPattern);
        QVERIFY(m_pPatternView->hasFocus());
    }

    void patternEditorCommandOnAnEmptyCell()
    {
        Cursor() = SequencePos{1, 0};
        QVERIFY(Enabled(ID_VIEW_PATTERN_EDITOR));
        QVERIFY(!Enabled(ID_VIEW_SEQUENCE_EDITOR));
        QVERIFY(!Enabled(ID_EDIT_DELETE));
        QVERIFY(!Enabled(ID_PATTERN_PROPERTIES));
        m_pView->OnCommand(ID_VIEW_PATTERN_EDITOR);
        QCOMPARE(m_messages.texts.size(), std::size_t(1));
        QCOMPARE(m_messages.texts[0],
                 std::string("You do not have any pattern to view!\n\nHere, it "
                             "would be wise to help the user add one.."));
        QVERIFY(m_pView->hasFocus());
        QVERIFY(m_pDoc->m_pCurrentPattern == nullptr);

        Cursor() = SequencePos{0, 0};
        QVERIFY(Enabled(ID_EDIT_DELETE) && Enabled(ID_PATTERN_PROPERTIES));
        m_pView->OnCommand(ID_VIEW_PATTERN_EDITOR);
        QCOMPARE(m_pDoc->m_pCurrentPattern, m_pDoc->m_patterns[0][0].get());
        QVERIFY(m_pPatternView->hasFocus());
    }

    void playRangeCommands()
    {
        Cursor() = SequencePos{0, 0};
        m_pDoc->m_nRangeEnd = 48;
        m_pView->OnCommand(ID_RANGE_END);
        QCOMPARE(m_pDoc->m_nRangeEnd, 16);
        QCOMPARE(m_pDoc->m_nRangeStart, 0);

        Cursor().step = 3;
        m_pView->OnCommand(ID_RANGE_START);
        QCOMPARE(m_pDoc->m_nRangeStart, 48);
        QCOMPARE(m_pDoc->m_nRangeEnd, 64);

        // An end at or before the start pulls the start one step before it; the current
        // position is put back inside.
        m_pDoc->m_nCurrentPos = 50;
        Cursor().step = 2;
        m_pView->OnCommand(ID_RANGE_END);
        QCOMPARE(m_pDoc->m_nRangeEnd, 32);
        QCOMPARE(m_pDoc->m_nRangeStart, 16);
        QCOMPARE(m_pDoc->m_nCurrentPos, 31);
        QVERIFY(m_pDoc->IsModified());

        // The range lines are drawn in white at the lines of the boundaries.
        const QImage image = m_pView->grab().toImage();
        QCOMPARE(image.pixelColor(300, LineY(1)), QColor(Qt::white));
        QCOMPARE(image.pixelColor(300, LineY(2)), QColor(Qt::white));
        QCOMPARE(image.pixelColor(300, LineY(3)), m_pView->m_crBack);
    }

    void barBeatAndCursorColours()
    {
        m_pView->verticalScrollBar()->setValue(0);
        Cursor() = SequencePos{1, 5};
        m_pView->viewport()->update();
        QImage image = m_pView->grab().toImage();
        auto lineColour = [&](int step) { return image.pixelColor(1, LineY(step) + 1); };
        QCOMPARE(lineColour(0), m_pView->m_crBarRow);
        QCOMPARE(lineColour(4), m_pView->m_crBeatRow);
        QCOMPARE(lineColour(8), m_pView->m_crBeatRow);
        QCOMPARE(lineColour(1), m_pView->m_crBack);
        QCOMPARE(lineColour(9), m_pView->m_crBack);
        QCOMPARE(image.pixelColor(1 + 64 * 1 + 56, LineY(5)), m_pView->m_crCursorFocus);

        // Line 16 (song position 256) is a bar line again.
        Cursor().step = 15;
        Key(Qt::Key_Down);
        image = m_pView->grab().toImage();
        QCOMPARE(lineColour(16), m_pView->m_crBarRow);
        QCOMPARE(lineColour(12), m_pView->m_crBeatRow);

        m_pOther->setFocus();
        QTRY_VERIFY(!m_pView->hasFocus());
        image = m_pView->grab().toImage();
        QCOMPARE(image.pixelColor(1 + 64 * 1 + 56, LineY(16)), m_pView->m_crCursor);
    }

    void contextMenuOfTheCursorCell()
    {
        for (int i = 0; i < 11; ++i)
            m_pDoc->CreatePattern(0, 8);
        Cursor() = SequencePos{0, 1};
        QMenu menu;
        m_pView->BuildContextMenu(menu);
        QCOMPARE(menu.defaultAction()->text(), QString("New pattern..."));
        QVERIFY(!FindAction(menu, "Cut")->isEnabled());
        QVERIFY(!FindAction(menu, "Copy")->isEnabled());
        QVERIFY(!FindAction(menu, "Delete")->isEnabled());
        QVERIFY(FindAction(menu, "Paste")->isEnabled());
        QVERIFY(FindAction(menu, "Properties...")->isEnabled());
        QMenu* pSet = FindAction(menu, "Set pattern")->menu();
        QCOMPARE(pSet->actions().size(), 13);
        QCOMPARE(pSet->actions()[0]->text(), QString("None"));
        QCOMPARE(pSet->actions()[1]->text(), QString("0. 000"));
        QCOMPARE(pSet->actions()[11]->text(), QString("a. 010"));

        pSet->actions()[11]->trigger();
        QCOMPARE(At(0, 1), m_pDoc->m_patterns[0][10].get());
        QCOMPARE(Cursor().step, 1);
        QMenu menu2;
        m_pView->BuildContextMenu(menu2);
        QCOMPARE(menu2.defaultAction()->text(), QString("Edit"));
        QVERIFY(FindAction(menu2, "Cut")->isEnabled());
        FindAction(menu2, "Set pattern")->menu()->actions()[0]->trigger();
        QVERIFY(At(0, 1) == nullptr);
    }

    void patternPropertiesResizeAndRename()
    {
        CSoundPattern* pPattern = m_pDoc->m_patterns[0][0].get();
        m_pDoc->m_pCurrentPattern = pPattern;
        m_pDoc->m_patternCursor.row = 12;
        m_pDoc->SetModifiedFlag(false);
        m_dialogs.patternAnswers.push_back({4, "Intro"});
        m_pView->OnCommand(ID_PATTERN_PROPERTIES);
        QCOMPARE(m_dialogs.titles, std::vector<std::string>{"Pattern properties"});
        QCOMPARE(m_dialogs.offeredRows, std::vector<int>{16});
        QCOMPARE(pPattern->GetRows(), 4);
        QCOMPARE(pPattern->GetName(), std::string("Intro"));
        QVERIFY(m_pDoc->IsModified());
        // The pattern editor's cursor follows the pattern in.
        QCOMPARE(m_pDoc->m_patternCursor.row, 3);
    }

    void documentCommands()
    {
        m_dialogs.propertiesAnswer = {140, 8, 3};
        m_pDoc->SetModifiedFlag(false);
        m_pView->OnCommand(ID_SOUND_PROPERTIES);
        QCOMPARE(m_dialogs.offeredProperties, (std::vector<int>{125, 16, 4}));
        QCOMPARE(m_pDoc->m_nBeatsPerMinute, 140);
        QCOMPARE(m_pDoc->m_nStepSize, 8);
        QCOMPARE(m_pDoc->m_nTracksPerBeat, 3);
        QVERIFY(m_pDoc->IsModified());

        QTemporaryDir dir;
        CFixedFileName files;
        files.strPath = dir.filePath("sound").toStdString();
        SetFileNameSource(&files);
        m_pView->OnCommand(ID_EXPORT_AGI);
        files.strPath = dir.filePath("sound.mid").toStdString();
        m_pPatternView->OnCommand(ID_EXPORT_MIDI);
        SetFileNameSource(nullptr);
        QVERIFY(QFileInfo(dir.filePath("sound")).size() > 0);
        QFile midi(dir.filePath("sound.mid"));
        QVERIFY(midi.open(QIODevice::ReadOnly));
        QCOMPARE(midi.read(4), QByteArray("MThd"));
    }

    // Two windows on one document; the one that started playback closes while it plays.
    void rowReportsOutliveTheWindowThatStartedThem()
    {
        cleanup();
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        QVERIFY(shell.Start({},
                            [&pDevice]
                            {
                                auto pNew = std::make_unique<CVirtualAudioDevice>();
                                pDevice = pNew.get();
                                return pNew;
                            }));
        CSoundPlayThread* pThread = shell.app->m_pPlayThread;
        QVERIFY(pThread->WaitUntilHandled());
        CSoundFrame* pFirst = shell.ActiveFrame();
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(shell.Frame()->ExecuteCommand(ID_WINDOW_NEW));
        QCOMPARE(shell.app->GetFrames(pDoc).size(), std::size_t(2));
        auto* pStarter = qobject_cast<CSoundSequenceView*>(pFirst->GetPane(0));
        QVERIFY(pStarter != nullptr);
        pDoc->m_nRangeEnd = 1000;
        pStarter->OnCommand(ID_SOUND_PLAY);
        QVERIFY(pThread->WaitUntilHandled());

        auto play = [&]
        {
            for (int i = 0; i < 4; ++i)
            {
                pDevice->Advance(22050);
                QVERIFY(pThread->WaitUntilHandled());
            }
            CShell::Settle();
        };
        play();
        const int nHeard = pDoc->m_nCurrentPos;
        QVERIFY(nHeard > 0);

        QVERIFY(pFirst->close());
        CShell::Settle();
        QCOMPARE(shell.app->GetFrames(pDoc).size(), std::size_t(1));
        play();
        // The reports had nobody to go to; the remaining window still shows the document.
        QCOMPARE(pDoc->m_nCurrentPos, nHeard);
        QVERIFY(pDevice->SnapshotStream().bPlaying);
        QVERIFY(shell.ActiveFrame()->GetPane(0)->grab().width() > 0);
        shell.Quit();
        init();
    }

    void rowReportsMoveBothMarkers()
    {
        m_pDoc->m_pCurrentPattern = m_pDoc->m_patterns[0][0].get();
        m_pDoc->m_nRangeEnd = 31;
        m_pView->OnCommand(ID_SOUND_PLAY);
        for (int i = 0; i < 5; ++i)
            m_pView->OnRowPlayed();
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 5);
        for (int i = 0; i < 15; ++i)
            m_pView->OnRowPlayed();
        QCOMPARE(m_pDoc->m_nCurrentPos, 20);
        // 20 rows at 16 rows per line: a fraction of the way into line 1.
        QCOMPARE(m_pView->GetPlayLineY(), int(20 / 16.0 * 14.0 + 20.0));
        // Row 20 is past the 16-row pattern placed at 0, still counted from its placement.
        QCOMPARE(m_pPatternView->GetPlayLineY(), -1);
        QCOMPARE(m_pView->GetPatternOffset(20, m_pDoc->m_pCurrentPattern), 20);
        QCOMPARE(m_pView->GetPatternOffset(5, nullptr), -1);

        // Stop takes the marker away in both editors.
        m_pDoc->m_nCurrentPos = 3;
        m_pPatternView->DrawPlayPosition();
        QCOMPARE(m_pPatternView->GetPlayLineY(), 20 + 14 * 3);
        QTest::qWait(50); // the marker is drawn
        m_pView->OnCommand(ID_SOUND_STOP);
        QTRY_COMPARE(m_pView->GetPlayLineY(), -1);
        QTRY_COMPARE(m_pPatternView->GetPlayLineY(), -1);
    }
};

TARVOK_SHELL_TEST_MAIN(SequenceViewTest)
#include "sequence_view_test.moc"
