// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/ExportCommands.h"
#include "dialogs/PowerOfTwoSpinBox.h"
#include "dialogs/SoundDialogs.h"
#include "dialogs/SoundMIDIExportDialog.h"
#include "dialogs/SoundManageDialog.h"
#include "dialogs/SoundPatternDialog.h"
#include "dialogs/SoundPropertiesDialog.h"
#include "dialogs/WorkAside.h"
#include "session/SoundSession.h"
#include "sound/GameTempo.h"
#include "sound/SoundDoc.h"
#include "views/SoundSequenceView.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressDialog>

#include <chrono>
#include <thread>

namespace
{
void Type(QWidget* pField, const QString& text)
{
    if (auto* pSpin = qobject_cast<QSpinBox*>(pField))
        pSpin->selectAll();
    else
        qobject_cast<QLineEdit*>(pField)->selectAll();
    QTest::keyClicks(pField, text);
}

// The dialog's control of that name.
template <class T = QWidget> T* Control(const QWidget* pDialog, const char* pszName)
{
    auto* pControl = pDialog->findChild<T*>(QString::fromLatin1(pszName));
    if (pControl == nullptr)
        qFatal("%s has no %s", pDialog->metaObject()->className(), pszName);
    return pControl;
}

void Click(const QWidget* pDialog, const char* pszButton)
{
    QTest::mouseClick(Control<QPushButton>(pDialog, pszButton), Qt::LeftButton);
}

// The control the focus is in: a spin box for its text field.
QWidget* FocusedControl()
{
    QWidget* pFocus = QApplication::focusWidget();
    auto* pSpin = qobject_cast<QAbstractSpinBox*>(pFocus->parentWidget());
    return pSpin != nullptr ? pSpin : pFocus;
}

// What a screen reader calls a control: its label, else its own name (on Linux a combo box's
// accessible name is its current text, so only a name given to it counts).
QString SpokenName(QWidget* pControl)
{
    QAccessibleInterface* pAccessible = QAccessible::queryAccessibleInterface(pControl);
    if (const auto labels = pAccessible->relations(QAccessible::Label); !labels.isEmpty())
        return labels.front().first->text(QAccessible::Name);
    return qobject_cast<QComboBox*>(pControl) ? pControl->accessibleName()
                                               : pAccessible->text(QAccessible::Name);
}

QStringList ListTexts(const QListWidget* pList)
{
    QStringList texts;
    for (int i = 0; i < pList->count(); ++i)
        texts.append(pList->item(i)->text());
    return texts;
}
QProgressDialog* ShownProgress()
{
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (auto* pProgress = qobject_cast<QProgressDialog*>(pWidget);
            pProgress && pProgress->isVisible())
            return pProgress;
    return nullptr;
}
} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private:
    std::optional<CScriptedMessages> m_messages;
    std::unique_ptr<CSoundDoc> m_pDoc;
    std::unique_ptr<CSoundSession> m_pSession;

    void ShowAndActivate(QDialog& dialog)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    void ShowManage(CSoundManageDialog& dialog)
    {
        dialog.m_pSession = m_pSession.get();
        dialog.m_pDoc = m_pDoc.get();
        ShowAndActivate(dialog);
    }

    static void FillTempo(CSoundPropertiesDialog& dialog)
    {
        std::tie(dialog.m_nBeatsPerMinute, dialog.m_nStepSize, dialog.m_nTracksPerBeat) =
            std::tuple(125, 16, 4);
    }

private slots:
    void init()
    {
        m_messages.emplace();
        m_pDoc = std::make_unique<CSoundDoc>();
        m_pSession = std::make_unique<CSoundSession>(m_pDoc.get());
        QVERIFY(m_pDoc->OnNewDocument());
    }

    void cleanup()
    {
        m_pSession.reset();
        m_pDoc.reset();
        m_messages.reset();
    }

    void powerOfTwoStepping()
    {
        // From, one step up, one step down; 2000 and 0 were typed past the limits.
        const int steps[][3] = {{1, 2, 1},          {3, 4, 2},         {16, 32, 8},
                                {20, 32, 16},       {1000, 1024, 512}, {1024, 1024, 512},
                                {2000, 1024, 1024}, {0, 1, 1}};
        CPowerOfTwoSpinBox spin;
        spin.SetStepRange(1, 1024);
        for (const auto& [from, up, down] : steps)
            for (const int direction : {1, -1})
            {
                spin.setValue(from);
                spin.stepBy(direction);
                QCOMPARE(spin.value(), direction > 0 ? up : down);
            }
    }

    void propertiesRefuseBadTempos_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<QString>("message");
        const QString range = QStringLiteral("Please enter an integer between 1 and 256.");
        const QString integer = QStringLiteral("Please enter an integer.");
        QTest::newRow("0") << QStringLiteral("0") << false << range;
        QTest::newRow("300, Enter") << QStringLiteral("300") << true << range;
        // Refused as they are, not restored to the last good value.
        QTest::newRow("empty, Enter") << QString() << true << integer;
        QTest::newRow("sign") << QStringLiteral("-") << false << integer;
    }

    void propertiesRefuseBadTempos()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        QFETCH(QString, message);
        CSoundPropertiesDialog dialog;
        FillTempo(dialog);
        ShowAndActivate(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Resource properties"));
        auto* pBpm = Control<QSpinBox>(&dialog, "beatsPerMinute");
        // Tempo arrows count one by one.
        QTest::keyClick(pBpm, Qt::Key_Up);
        QCOMPARE(pBpm->value(), 126);
        pBpm->setFocus();
        pBpm->selectAll();
        QTest::keyClick(pBpm, Qt::Key_Delete);
        QTest::keyClicks(pBpm, typed);
        if (byEnter)
            QTest::keyClick(pBpm, Qt::Key_Return);
        else
            Click(&dialog, "ok");
        QCOMPARE(m_messages->texts, std::vector<std::string>{message.toStdString()});
        QVERIFY(dialog.isVisible() && pBpm->hasFocus() && pBpm->cleanText() == typed);
        QCOMPARE(dialog.m_nBeatsPerMinute, 125);

        Type(pBpm, QStringLiteral("140"));
        QTest::keyClick(Control<QSpinBox>(&dialog, "stepSize"), Qt::Key_Up);
        Click(&dialog, "ok");
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Accepted);
        QCOMPARE(std::tuple(dialog.m_nBeatsPerMinute, dialog.m_nStepSize, dialog.m_nTracksPerBeat),
                 std::tuple(140, 32, 4));
    }

    void propertiesShowWhatTheGamePlaysAsTheNumbersAreTyped()
    {
        CSoundPropertiesDialog dialog;
        FillTempo(dialog);
        dialog.m_nPlayRangeRows = 1596;
        ShowAndActivate(dialog);
        auto* pGame = Control<QLabel>(&dialog, "gameTempo");
        auto* pBpm = Control<QSpinBox>(&dialog, "beatsPerMinute");
        auto* pTpb = Control<QSpinBox>(&dialog, "tracksPerBeat");
        QCOMPARE(pGame->text(), QStringLiteral("7 ticks a row: 128.6 BPM in the game, 3:06 for "
                                               "the play range"));
        Type(pBpm, QStringLiteral("150"));
        QCOMPARE(pGame->text(), QStringLiteral("5 ticks a row: 180 BPM in the game, 2:13 for the "
                                               "play range"));
        Type(pBpm, QStringLiteral("100"));
        QCOMPARE(pGame->text(), QStringLiteral("11 ticks a row: 81.8 BPM in the game, 4:53 for "
                                               "the play range"));

        // Less than a tick a row is refused where it is typed.
        Type(pTpb, QStringLiteral("256"));
        Type(pBpm, QStringLiteral("256"));
        QCOMPARE(pGame->text(), QStringLiteral("Less than one tick a row: too fast for the game"));
        Click(&dialog, "ok");
        QCOMPARE(m_messages->texts, std::vector<std::string>{kTempoTooFastText});
        QVERIFY(dialog.isVisible() && dialog.m_nBeatsPerMinute == 125);
    }

    void patternDialogChecksNameAndRows()
    {
        CSoundPatternDialog dialog;
        dialog.m_strTitle = "Create new pattern";
        dialog.m_strName = std::string(51, 'x');
        dialog.m_nRows = 16;
        ShowAndActivate(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create new pattern"));
        Click(&dialog, "ok");
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Please enter no more than 50 characters."});
        QVERIFY(dialog.isVisible() && Control(&dialog, "name")->hasFocus());

        // 50 characters of two bytes each are within the limit.
        Control<QLineEdit>(&dialog, "name")->setText(QString(50, QChar(0xE9)));
        Type(Control(&dialog, "rows"), QStringLiteral("0"));
        Click(&dialog, "ok");
        QCOMPARE(m_messages->texts.back(),
                 std::string("Please enter an integer between 1 and 1024."));
        QVERIFY(dialog.isVisible());

        Type(Control(&dialog, "rows"), QStringLiteral("1024"));
        Click(&dialog, "ok");
        QVERIFY(dialog.result() == QDialog::Accepted);
        QCOMPARE(std::pair(dialog.m_nRows, QString::fromStdString(dialog.m_strName)),
                 std::pair(1024, QString(50, QChar(0xE9))));
    }

    void manageDeleteAsksFirst()
    {
        CSoundPattern* pFirst = m_pDoc->GetPatterns(0)[0].get();
        CSoundPattern* pSecond = m_pDoc->CreatePattern(0, 16);
        const SequencePos at{0, 2};
        m_pDoc->SetPatternAt(&at, pSecond);
        CSoundManageDialog dialog;
        ShowManage(dialog);
        auto* pList = Control<QListWidget>(&dialog, "patterns");
        pList->setCurrentRow(1);

        m_messages->answers = {Answer::No, Answer::Yes};
        Click(&dialog, "delete");
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Are you sure you want to delete this pattern?"});
        QVERIFY(m_messages->requests.back().buttons == Buttons::YesNo &&
                m_messages->requests.back().defaultButton == DefaultButton::Second &&
                pList->count() == 2 && m_pDoc->GetPatternAt(at) == pSecond);

        Click(&dialog, "delete");
        QCOMPARE(ListTexts(pList), QStringList{QStringLiteral("000")});
        QVERIFY(m_pDoc->GetPatterns(0).size() == 1 && m_pDoc->GetPatternAt(at) == nullptr &&
                dialog.GetSelectedPattern() == pFirst);
    }

    void manageAsksBeforeClosingOverAnEdit()
    {
        // Typed name, answer, still open after Enter, the name then.
        const std::tuple<const char*, Answer, bool, const char*> cases[] = {
            {"000", Answer::Cancel, false, "000"},
            {"lead", Answer::Yes, false, "lead"},
            {"lead", Answer::No, false, "000"},
            {"lead", Answer::Cancel, true, "000"}};
        for (const auto& [typed, answer, bOpen, name] : cases)
        {
            m_pDoc->GetPatterns(0)[0]->SetName("000");
            m_messages->texts.clear();
            m_messages->answers = {answer};
            CSoundManageDialog dialog;
            ShowManage(dialog);
            Type(Control(&dialog, "name"), QString::fromLatin1(typed));
            QTest::keyClick(Control(&dialog, "name"), Qt::Key_Return);
            QCOMPARE(m_messages->texts,
                     std::vector<std::string>(*typed == 'l', "Apply the changes to pattern 000?"));
            QVERIFY(dialog.isVisible() == bOpen && m_pDoc->GetPatterns(0)[0]->GetName() == name);
        }
    }

    void manageChangeRenamesAndResizes()
    {
        CSoundPattern* pPattern = m_pDoc->GetPatterns(0)[0].get();
        CSoundManageDialog dialog;
        ShowManage(dialog);
        auto* pChange = Control<QPushButton>(&dialog, "change");
        auto* pRows = Control<QSpinBox>(&dialog, "rows");
        QVERIFY(!pChange->isEnabled());
        m_pDoc->SetModifiedFlag(false);
        Type(Control(&dialog, "name"), QStringLiteral("Chorus"));
        Type(pRows, QStringLiteral("20"));
        QVERIFY(pChange->isEnabled());
        Click(&dialog, "change");
        QCOMPARE(std::pair(pPattern->GetName(), pPattern->GetRows()),
                 std::pair(std::string("Chorus"), 20));
        QVERIFY(pPattern->GetCell(19) == SoundCell::Empty() && m_pDoc->IsModified() &&
                !pChange->isEnabled());
        QCOMPARE(ListTexts(Control<QListWidget>(&dialog, "patterns")), QStringList{"Chorus"});
    }

    void midiDialogChoosesInstruments()
    {
        AnswerNextModal<QDialog>(
            [](QDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("MIDI Export"));
                QVERIFY(pDialog->findChild<QLabel*>("instrumentsLeftOut") == nullptr);
                for (const auto& [pszList, nProgram] : {std::pair("instrument0", 73),
                                                        {"instrument1", 40}, {"instrument2", 127}})
                    Control<QComboBox>(pDialog, pszList)->setCurrentIndex(nProgram);
                pDialog->accept();
            });
        QCOMPARE(ChooseMidiPrograms(nullptr), (std::optional<MidiPrograms>{{73, 40, 127}}));
        // Notes that play instruments are written plain, and the dialog says so.
        AnswerNextModal<QDialog>(
            [](QDialog* pDialog)
            {
                QCOMPARE(pDialog->findChild<QLabel*>("instrumentsLeftOut")->text(),
                         QStringLiteral("Notes are written without their instruments."));
                pDialog->reject();
            });
        QVERIFY(!ChooseMidiPrograms(nullptr, true));
    }

    void editorsRunTheRealDialogs()
    {
        CSoundDialogs dialogs;
        m_pSession->SetServices({nullptr, nullptr, &dialogs});
        QWidget window;
        auto* pView = new CSoundSequenceView(m_pSession.get(), &window);
        window.show();

        AnswerNextModal<QDialog>(
            [](QDialog* pDialog)
            {
                Type(Control(pDialog, "beatsPerMinute"), QStringLiteral("90"));
                QTest::keyClick(Control(pDialog, "stepSize"), Qt::Key_Down);
                Click(pDialog, "ok");
            });
        pView->OnProperties();
        QCOMPARE(std::pair(m_pDoc->GetBeatsPerMinute(), m_pDoc->GetStepSize()), std::pair(90, 8));

        AnswerNextModal<QDialog>(
            [](QDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("Create new pattern"));
                Type(Control(pDialog, "name"), QStringLiteral("Bass"));
                QTest::keyClick(Control(pDialog, "rows"), Qt::Key_Up);
                Click(pDialog, "ok");
            });
        CSoundPattern* pPattern = pView->NewPatternDialog(1);
        QVERIFY(pPattern != nullptr && pPattern->GetName() == "Bass" && pPattern->GetRows() == 32);
    }

    // Each dialog filled as the editors fill it, at the desktop's font and at a large one: it
    // opens on its first field, Tab goes round in order, and no label or button is cut short.
    void dialogsOpenOnTheirFirstFieldWithRoomForTheirTexts()
    {
        const QFont desktop = QApplication::font();
        for (const int nPoints : {desktop.pointSize(), 20})
        {
            QFont font = desktop;
            font.setPointSize(nPoints);
            QApplication::setFont(font);
            CSoundPatternDialog pattern;
            pattern.m_strName = "001";
            pattern.m_nRows = 16;
            CSoundPropertiesDialog properties;
            FillTempo(properties);
            CSoundMIDIExportDialog midi;
            CSoundManageDialog manage;
            manage.m_pSession = m_pSession.get();
            manage.m_pDoc = m_pDoc.get();
            const std::pair<QDialog*, QStringList> dialogs[] = {
                {&pattern, {"name", "rows", "ok", "cancel"}},
                {&properties, {"tracksPerBeat", "beatsPerMinute", "stepSize", "ok", "cancel"}},
                {&midi, {"instrument0", "instrument1", "instrument2", "ok", "cancel"}},
                {&manage,
                 {"name", "rows", "transpose", "transposeAmount", "semitones", "close", "channel",
                  "patterns", "new", "createCopy", "delete"}}};
            for (const auto& [pDialog, tabOrder] : dialogs)
            {
                ShowAndActivate(*pDialog);
                QWidget* pFirst = FocusedControl();
                if (auto* pEdit = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                    QVERIFY2(pEdit->selectedText() == pEdit->text() && pEdit->hasSelectedText(),
                             pDialog->metaObject()->className());
                // Round once, each control named for a screen reader.
                QStringList walked;
                do
                {
                    walked.append(FocusedControl()->objectName());
                    QVERIFY2(!SpokenName(FocusedControl()).isEmpty(), qPrintable(walked.back()));
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                } while (FocusedControl() != pFirst && walked.size() <= tabOrder.size());
                QCOMPARE(walked, tabOrder);
                for (QWidget* pWidget : pDialog->findChildren<QWidget*>())
                    if (qobject_cast<QLabel*>(pWidget) || qobject_cast<QAbstractButton*>(pWidget))
                        QVERIFY2(pWidget->width() >= pWidget->sizeHint().width() &&
                                     pWidget->parentWidget()->rect().contains(pWidget->geometry()),
                                 qPrintable(pWidget->objectName()));
            }

            // A typed name with spaces stays in the field.
            pattern.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&pattern));
            QTest::keyClicks(Control(&pattern, "name"), QStringLiteral("Low bass line"));
            QVERIFY(pattern.isVisible());
            QTest::keyClick(Control(&pattern, "name"), Qt::Key_Return);
            QVERIFY(pattern.result() == QDialog::Accepted && pattern.m_strName == "Low bass line");
        }
        QApplication::setFont(desktop);
    }

    // The window's thread answers a click while the work goes on: Cancel reaches the work,
    // which ends early.
    void cancelReachesLongWork()
    {
        bool bClicked = false;
        QTimer clicker;
        connect(&clicker, &QTimer::timeout,
                [&]
                {
                    QProgressDialog* pProgress = ShownProgress();
                    if (pProgress == nullptr || bClicked)
                        return;
                    QCOMPARE(pProgress->labelText(), QStringLiteral("Scanning the disk"));
                    auto* pCancel = pProgress->findChild<QPushButton*>();
                    QVERIFY(pCancel != nullptr);
                    QTest::mouseClick(pCancel, Qt::LeftButton);
                    QVERIFY(!pCancel->isEnabled());
                    QCOMPARE(pProgress->labelText(), QStringLiteral("Cancelling…"));
                    bClicked = true;
                });
        clicker.start(20);
        bool bSawCancel = false;
        const bool bDone =
            RunAside(nullptr, QStringLiteral("Scanning the disk"),
                     [&](const std::atomic<bool>& bCancel)
                     {
                         // Would take a minute; the cancel flag ends it.
                         for (int i = 0; i < 6000 && !bCancel; ++i)
                             std::this_thread::sleep_for(std::chrono::milliseconds(10));
                         bSawCancel = bCancel;
                     });
        QVERIFY(bClicked && !bDone && bSawCancel);
        QTRY_VERIFY(ShownProgress() == nullptr);
    }

    // Short work ends before any dialog shows; long work shows one and, ending by itself, is
    // not taken for cancelled.
    void workAsideShowsProgressOnlyWhenLong()
    {
        for (const bool bLong : {false, true})
        {
            bool bProgressSeen = false;
            std::atomic<bool> bRelease{!bLong};
            QTimer watch; // ends long work once its dialog has been seen
            connect(&watch, &QTimer::timeout,
                    [&] { bRelease = (bProgressSeen |= ShownProgress() != nullptr) || !bLong; });
            watch.start(5);
            QVERIFY(RunAside(nullptr, QStringLiteral("Waiting"),
                             [&](const std::atomic<bool>&)
                             {
                                 while (!bRelease)
                                     std::this_thread::sleep_for(std::chrono::milliseconds(5));
                             }));
            QCOMPARE(bProgressSeen, bLong);
            QTRY_VERIFY(ShownProgress() == nullptr);
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
