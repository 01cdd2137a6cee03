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
#include "sound/SoundDoc.h"
#include "views/SoundSequenceView.h"

#include <QAbstractButton>
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

void Click(CDialog* pDialog, UINT nID)
{
    QTest::mouseClick(pDialog->GetItem<QPushButton>(nID), Qt::LeftButton);
}

// The text a field is typed in: a line edit's own, a spin box's inner one.
QLineEdit* EditOf(QWidget* pField)
{
    auto* pEdit = qobject_cast<QLineEdit*>(pField);
    return pEdit != nullptr ? pEdit : pField->findChild<QLineEdit*>();
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
        auto* pBpm = dialog.GetItem<QSpinBox>(IDC_BEATSPERMINUTE);
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
            Click(&dialog, IDOK);
        QCOMPARE(m_messages->texts, std::vector<std::string>{message.toStdString()});
        QVERIFY(dialog.isVisible() && pBpm->hasFocus() && pBpm->cleanText() == typed);
        QCOMPARE(dialog.m_nBeatsPerMinute, 125);

        Type(pBpm, QStringLiteral("140"));
        QTest::keyClick(dialog.GetItem<QSpinBox>(IDC_STEPSIZE), Qt::Key_Up);
        Click(&dialog, IDOK);
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Accepted);
        QCOMPARE(std::tuple(dialog.m_nBeatsPerMinute, dialog.m_nStepSize, dialog.m_nTracksPerBeat),
                 std::tuple(140, 32, 4));
    }

    void patternDialogChecksNameAndRows()
    {
        CSoundPatternDialog dialog;
        dialog.m_strTitle = "Create new pattern";
        dialog.m_strName = std::string(51, 'x');
        dialog.m_nRows = 16;
        ShowAndActivate(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Create new pattern"));
        Click(&dialog, IDOK);
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Please enter no more than 50 characters."});
        QVERIFY(dialog.isVisible() && dialog.GetDlgItem(IDC_PATTERN_NAME)->hasFocus());

        // 50 characters of two bytes each are within the limit.
        dialog.GetItem<QLineEdit>(IDC_PATTERN_NAME)->setText(QString(50, QChar(0xE9)));
        Type(dialog.GetDlgItem(IDC_PATTERN_ROWS), QStringLiteral("0"));
        Click(&dialog, IDOK);
        QCOMPARE(m_messages->texts.back(),
                 std::string("Please enter an integer between 1 and 1024."));
        QVERIFY(dialog.isVisible());

        Type(dialog.GetDlgItem(IDC_PATTERN_ROWS), QStringLiteral("1024"));
        Click(&dialog, IDOK);
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
        auto* pList = dialog.GetItem<QListWidget>(IDC_MANAGE_LIST);
        pList->setCurrentRow(1);

        m_messages->answers = {Answer::No, Answer::Yes};
        Click(&dialog, IDC_MANAGE_DELETE);
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Are you sure you want to delete this pattern?"});
        QVERIFY(m_messages->requests.back().buttons == Buttons::YesNo &&
                m_messages->requests.back().defaultButton == DefaultButton::Second &&
                pList->count() == 2 && m_pDoc->GetPatternAt(at) == pSecond);

        Click(&dialog, IDC_MANAGE_DELETE);
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
            Type(dialog.GetDlgItem(IDC_MANAGE_NAME), QString::fromLatin1(typed));
            QTest::keyClick(dialog.GetDlgItem(IDC_MANAGE_NAME), Qt::Key_Return);
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
        auto* pChange = dialog.GetItem<QPushButton>(IDC_MANAGE_CHANGE);
        auto* pRows = dialog.GetItem<QSpinBox>(IDC_MANAGE_ROWS);
        QVERIFY(!pChange->isEnabled());
        m_pDoc->SetModifiedFlag(false);
        Type(dialog.GetDlgItem(IDC_MANAGE_NAME), QStringLiteral("Chorus"));
        Type(pRows, QStringLiteral("20"));
        QVERIFY(pChange->isEnabled());
        Click(&dialog, IDC_MANAGE_CHANGE);
        QCOMPARE(std::pair(pPattern->GetName(), pPattern->GetRows()),
                 std::pair(std::string("Chorus"), 20));
        QVERIFY(pPattern->GetCell(19) == SoundCell::Empty() && m_pDoc->IsModified() &&
                !pChange->isEnabled());
        QCOMPARE(ListTexts(dialog.GetItem<QListWidget>(IDC_MANAGE_LIST)), QStringList{"Chorus"});
    }

    void midiDialogChoosesInstruments()
    {
        AnswerNextModal<CDialog>(
            [](CDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("MIDI Export"));
                auto* pVoice1 = pDialog->GetItem<QComboBox>(IDC_INSTRUMENT1);
                pDialog->GetItem<QComboBox>(IDC_INSTRUMENT0)->setCurrentIndex(73);
                pVoice1->setCurrentIndex(40);
                pDialog->GetItem<QComboBox>(IDC_INSTRUMENT2)->setCurrentIndex(127);
                pDialog->accept();
            });
        QCOMPARE(ChooseMidiPrograms(nullptr), (std::optional<MidiPrograms>{{73, 40, 127}}));
        AnswerNextModal<CDialog>([](CDialog* pDialog) { pDialog->reject(); });
        QVERIFY(!ChooseMidiPrograms(nullptr));
    }

    void editorsRunTheRealDialogs()
    {
        CSoundDialogs dialogs;
        m_pSession->SetServices({nullptr, nullptr, &dialogs});
        QWidget window;
        auto* pView = new CSoundSequenceView(m_pSession.get(), &window);
        window.show();

        AnswerNextModal<CDialog>(
            [](CDialog* pDialog)
            {
                Type(pDialog->GetDlgItem(IDC_BEATSPERMINUTE), QStringLiteral("90"));
                QTest::keyClick(pDialog->GetDlgItem(IDC_STEPSIZE), Qt::Key_Down);
                Click(pDialog, IDOK);
            });
        pView->OnProperties();
        QCOMPARE(std::pair(m_pDoc->GetBeatsPerMinute(), m_pDoc->GetStepSize()), std::pair(90, 8));

        AnswerNextModal<CDialog>(
            [](CDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("Create new pattern"));
                Type(pDialog->GetDlgItem(IDC_PATTERN_NAME), QStringLiteral("Bass"));
                QTest::keyClick(pDialog->GetDlgItem(IDC_PATTERN_ROWS), Qt::Key_Up);
                Click(pDialog, IDOK);
            });
        CSoundPattern* pPattern = pView->NewPatternDialog(1);
        QVERIFY(pPattern != nullptr && pPattern->GetName() == "Bass" && pPattern->GetRows() == 32);
    }

    // Each dialog filled as the editors fill it.
    void dialogsOpenOnTheirFirstFieldWithRoomForTheirTexts()
    {
        CSoundPatternDialog pattern;
        pattern.m_strName = "001";
        pattern.m_nRows = 16;
        CSoundPropertiesDialog properties;
        FillTempo(properties);
        CSoundMIDIExportDialog midi;
        CSoundManageDialog manage;
        manage.m_pSession = m_pSession.get();
        manage.m_pDoc = m_pDoc.get();
        const std::pair<CDialog*, UINT> dialogs[] = {{&pattern, IDC_PATTERN_NAME},
                                                     {&properties, IDC_TRACKSPERBEAT},
                                                     {&midi, IDC_INSTRUMENT0},
                                                     {&manage, IDC_MANAGE_NAME}};
        for (const auto& [pDialog, nFirstField] : dialogs)
        {
            ShowAndActivate(*pDialog);
            const QByteArray name = pDialog->metaObject()->className();
            QWidget* pFirst = pDialog->GetDlgItem(nFirstField);
            QVERIFY2(QApplication::focusWidget() == pFirst ||
                         QApplication::focusWidget()->parentWidget() == pFirst,
                     name);
            if (!qobject_cast<QComboBox*>(pFirst))
                QVERIFY2(EditOf(pFirst)->hasSelectedText() &&
                             EditOf(pFirst)->selectedText() == EditOf(pFirst)->text(),
                         name);

            // Nothing clipped or outside its box.
            for (QWidget* pWidget : pDialog->findChildren<QWidget*>())
            {
                if (!qobject_cast<QLabel*>(pWidget) && !qobject_cast<QAbstractButton*>(pWidget))
                    continue;
                QVERIFY2(pWidget->width() >= pWidget->sizeHint().width(),
                         qPrintable(pWidget->objectName() + pWidget->property("text").toString()));
                QVERIFY2(pWidget->parentWidget()->rect().contains(pWidget->geometry()), name);
            }
        }

        // A typed name with spaces stays in the field.
        pattern.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pattern));
        QTest::keyClicks(pattern.GetDlgItem(IDC_PATTERN_NAME), QStringLiteral("Low bass line"));
        QVERIFY(pattern.isVisible());
        QTest::keyClick(pattern.GetDlgItem(IDC_PATTERN_NAME), Qt::Key_Return);
        QVERIFY(pattern.result() == QDialog::Accepted && pattern.m_strName == "Low bass line");
    }

    void shortWorkEndsWithoutADialog()
    {
        bool bProgressSeen = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] { bProgressSeen |= ShownProgress() != nullptr; });
        watch.start(5);
        int nRuns = 0;
        QVERIFY(
            RunAside(nullptr, QStringLiteral("Quick"), [&](const std::atomic<bool>&) { ++nRuns; }));
        QVERIFY(nRuns == 1 && !bProgressSeen);
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

    void longWorkThatEndsByItselfIsNotCancelled()
    {
        bool bProgressSeen = false;
        std::atomic<bool> bRelease{false};
        QTimer watch; // ends the work once its dialog has been seen
        connect(&watch, &QTimer::timeout,
                [&] { bRelease = bProgressSeen |= ShownProgress() != nullptr; });
        watch.start(5);
        QVERIFY(RunAside(nullptr, QStringLiteral("Waiting"),
                         [&](const std::atomic<bool>&)
                         {
                             while (!bRelease)
                                 std::this_thread::sleep_for(std::chrono::milliseconds(5));
                         }));
        QVERIFY(bProgressSeen);
        QTRY_VERIFY(ShownProgress() == nullptr);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
