// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "dialogs/PowerOfTwoSpinBox.h"
#include "dialogs/SoundDialogs.h"
#include "dialogs/SoundMIDIExportDialog.h"
#include "dialogs/SoundManageDialog.h"
#include "dialogs/SoundPatternDialog.h"
#include "dialogs/SoundPropertiesDialog.h"
#include "framework/UserInterface.h"
#include "sound/SoundDoc.h"
#include "views/SoundSequenceView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <array>
#include <functional>

namespace
{
// Answers the next modal dialog from inside its event loop; whatever the answer leaves open
// is cancelled so that a failing check cannot hang the test.
void AnswerNextDialog(std::function<void(CDialog*)> answer)
{
    QTimer::singleShot(0,
                       [answer]
                       {
                           auto* pDialog =
                               qobject_cast<CDialog*>(QApplication::activeModalWidget());
                           if (pDialog == nullptr)
                           {
                               AnswerNextDialog(answer);
                               return;
                           }
                           answer(pDialog);
                           if (pDialog->isVisible())
                               pDialog->reject();
                       });
}

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

QStringList ListTexts(const QListWidget* pList)
{
    QStringList texts;
    for (int i = 0; i < pList->count(); ++i)
        texts.append(pList->item(i)->text());
    return texts;
}
} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private:
    std::optional<CScriptedMessages> m_messages;
    std::unique_ptr<CSoundDoc> m_pDoc;

    void ShowAndActivate(QDialog& dialog)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    void ShowManage(CSoundManageDialog& dialog)
    {
        dialog.m_pDoc = m_pDoc.get();
        ShowAndActivate(dialog);
    }

private slots:
    void init()
    {
        m_messages.emplace();
        m_pDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pDoc->OnNewDocument());
    }

    void cleanup()
    {
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

    void propertiesRefuseTempoOutOfRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("0") << QStringLiteral("0");
        QTest::newRow("300") << QStringLiteral("300");
    }

    void propertiesRefuseTempoOutOfRange()
    {
        QFETCH(QString, typed);
        CSoundPropertiesDialog dialog;
        std::tie(dialog.m_nBeatsPerMinute, dialog.m_nStepSize, dialog.m_nTracksPerBeat) =
            std::tuple(125, 16, 4);
        ShowAndActivate(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Resource properties"));
        auto* pBpm = dialog.GetItem<QSpinBox>(IDC_BEATSPERMINUTE);
        // Tempo arrows count one by one.
        QTest::keyClick(pBpm, Qt::Key_Up);
        QCOMPARE(pBpm->value(), 126);
        Type(pBpm, typed);
        Click(&dialog, IDOK);
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Please enter an integer between 1 and 256."});
        QVERIFY(dialog.isVisible() && pBpm->hasFocus());
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

    void patternDialogKeepsAnUneditedNameAsItWas()
    {
        CSoundPatternDialog dialog;
        dialog.m_strName = "Caf\xE9"; // Windows-1252, from a file made elsewhere
        dialog.m_nRows = 8;
        ShowAndActivate(dialog);
        QCOMPARE(dialog.GetItem<QLineEdit>(IDC_PATTERN_NAME)->text(), QStringLiteral("Café"));
        Click(&dialog, IDOK);
        QCOMPARE(dialog.m_strName, std::string("Caf\xE9"));
    }

    void manageListsChannelsAndEmptyChannels()
    {
        m_pDoc->m_nStepSize = 32;
        CSoundManageDialog dialog;
        ShowManage(dialog);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Manage Patterns"));
        auto* pChannel = dialog.GetItem<QComboBox>(IDC_MANAGE_CHANNEL);
        auto* pList = dialog.GetItem<QListWidget>(IDC_MANAGE_LIST);
        auto* pName = dialog.GetItem<QLineEdit>(IDC_MANAGE_NAME);
        auto* pRows = dialog.GetItem<QSpinBox>(IDC_MANAGE_ROWS);
        QVERIFY(pChannel->itemText(3) == "Noise" && ListTexts(pList) == QStringList{"000"});
        QVERIFY(dialog.GetSelectedPattern() == m_pDoc->m_patterns[0][0].get() &&
                pName->text() == "000" && pRows->value() == 16);
        for (const UINT nID : {IDC_MANAGE_HARMONIZE, IDC_MANAGE_CHANGE})
            QVERIFY(!dialog.GetDlgItem(nID)->isEnabled());

        pChannel->setCurrentIndex(2);
        QVERIFY(pList->count() == 0 && dialog.GetSelectedPattern() == nullptr);
        QCOMPARE(std::pair(pName->text(), pRows->value()), std::pair(QString(), 32));
        for (const UINT nID :
             {IDC_MANAGE_COPY, IDC_MANAGE_DELETE, IDC_MANAGE_NAME, IDC_MANAGE_ROWS, IDC_MANAGE_NEW})
            QCOMPARE(dialog.GetDlgItem(nID)->isEnabled(), nID == IDC_MANAGE_NEW);
        // Nothing to copy or delete: the handlers do nothing.
        dialog.OnCreateCopy();
        dialog.OnDelete();
        QVERIFY(m_pDoc->m_patterns[2].empty() && m_messages->texts.empty());

        pChannel->setCurrentIndex(0);
        QVERIFY(pName->text() == "000" && dialog.GetDlgItem(IDC_MANAGE_DELETE)->isEnabled());
    }

    void manageNewAndCreateCopy()
    {
        m_pDoc->m_nNextPattern[1] = 7;
        m_pDoc->m_nStepSize = 8;
        CSoundManageDialog dialog;
        ShowManage(dialog);
        dialog.GetItem<QComboBox>(IDC_MANAGE_CHANNEL)->setCurrentIndex(1);
        Click(&dialog, IDC_MANAGE_NEW);
        QCOMPARE(m_pDoc->m_patterns[1].size(), std::size_t(1));
        CSoundPattern* pNew = m_pDoc->m_patterns[1][0].get();
        QCOMPARE(std::pair(pNew->GetName(), pNew->GetRows()), std::pair(std::string("007"), 8));
        QVERIFY(dialog.GetSelectedPattern() == pNew &&
                dialog.GetDlgItem(IDC_MANAGE_NAME)->hasFocus());

        SoundCell cell = SoundCell::Empty();
        cell.note = 60;
        pNew->SetCell(3, cell);
        pNew->SetName("003");
        m_pDoc->m_nNextPattern[1] = 5;
        Click(&dialog, IDC_MANAGE_COPY);
        auto* pList = dialog.GetItem<QListWidget>(IDC_MANAGE_LIST);
        QCOMPARE(ListTexts(pList),
                 QStringList({QStringLiteral("007"), QStringLiteral("005 (003)")}));
        CSoundPattern* pCopy = m_pDoc->m_patterns[1][1].get();
        QVERIFY(dialog.GetSelectedPattern() == pCopy &&
                dialog.GetItem<QLineEdit>(IDC_MANAGE_NAME)->text() == "005 (003)");
        QCOMPARE(std::pair(pCopy->GetRows(), int(pCopy->GetCell(3).note)), std::pair(8, 60));
    }

    void manageDeleteAsksFirst()
    {
        CSoundPattern* pFirst = m_pDoc->m_patterns[0][0].get();
        CSoundPattern* pSecond = m_pDoc->CreatePattern(0, 16);
        const SequencePos at{0, 2};
        m_pDoc->SetPatternAt(&at, pSecond);
        CSoundManageDialog dialog;
        ShowManage(dialog);
        auto* pList = dialog.GetItem<QListWidget>(IDC_MANAGE_LIST);
        pList->setCurrentRow(1);

        m_messages->answers = {IDNO, IDYES};
        Click(&dialog, IDC_MANAGE_DELETE);
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Are you sure you want to delete this pattern?"});
        QVERIFY(m_messages->types.back() ==
                    unsigned(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) &&
                pList->count() == 2 && m_pDoc->GetPatternAt(at) == pSecond);

        Click(&dialog, IDC_MANAGE_DELETE);
        QCOMPARE(ListTexts(pList), QStringList{QStringLiteral("000")});
        QVERIFY(m_pDoc->m_patterns[0].size() == 1 && m_pDoc->GetPatternAt(at) == nullptr &&
                dialog.GetSelectedPattern() == pFirst);
    }

    void manageAsksBeforeClosingOverAnEditAndTransposes()
    {
        // Typed name, answer, still open after Enter, the name then.
        const std::tuple<const char*, int, bool, const char*> cases[] = {
            {"000", IDCANCEL, false, "000"},
            {"lead", IDYES, false, "lead"},
            {"lead", IDNO, false, "000"},
            {"lead", IDCANCEL, true, "000"}};
        for (const auto& [typed, answer, bOpen, name] : cases)
        {
            m_pDoc->m_patterns[0][0]->SetName("000");
            m_messages->texts.clear();
            m_messages->answers = {answer};
            CSoundManageDialog dialog;
            ShowManage(dialog);
            Type(dialog.GetDlgItem(IDC_MANAGE_NAME), QString::fromLatin1(typed));
            QTest::keyClick(dialog.GetDlgItem(IDC_MANAGE_NAME), Qt::Key_Return);
            QCOMPARE(m_messages->texts,
                     std::vector<std::string>(*typed == 'l', "Apply the changes to pattern 000?"));
            QVERIFY(dialog.isVisible() == bOpen && m_pDoc->m_patterns[0][0]->GetName() == name);
        }

        CSoundPattern* pPattern = m_pDoc->CreatePattern(1, 2);
        pPattern->SetCell(0, {60, 0, 0});
        pPattern->SetCell(1, {110, 0, 0});
        m_pDoc->m_sequenceCursor = {1, 0};
        CSoundManageDialog dialog;
        ShowManage(dialog);
        QVERIFY(dialog.GetSelectedPattern() == pPattern);
        // Octaves, down then up; the top note stops at A-9.
        for (const auto& [amount, first, second] : {std::tuple("-1", 48, 98), {"2", 72, 117}})
        {
            dialog.GetItem<QRadioButton>(IDC_MANAGE_OCTAVES)->setChecked(true);
            dialog.GetItem<QLineEdit>(IDC_MANAGE_TRANSPOSE_AMOUNT)->setText(amount);
            Click(&dialog, IDC_MANAGE_TRANSPOSE);
            QCOMPARE(std::pair(int(pPattern->GetCell(0).note), int(pPattern->GetCell(1).note)),
                     std::pair(first, second));
        }
    }

    void manageChangeRenamesAndResizes()
    {
        CSoundPattern* pPattern = m_pDoc->m_patterns[0][0].get();
        CSoundManageDialog dialog;
        ShowManage(dialog);
        auto* pChange = dialog.GetItem<QPushButton>(IDC_MANAGE_CHANGE);
        auto* pRows = dialog.GetItem<QSpinBox>(IDC_MANAGE_ROWS);
        QVERIFY(!pChange->isEnabled());

        // The rows arrows count one by one.
        QTest::keyClick(pRows, Qt::Key_Up);
        QVERIFY(pRows->value() == 17 && pChange->isEnabled());
        Type(dialog.GetDlgItem(IDC_MANAGE_NAME), QStringLiteral("Chorus"));
        Type(pRows, QStringLiteral("0"));
        Click(&dialog, IDC_MANAGE_CHANGE);
        QCOMPARE(m_messages->texts,
                 std::vector<std::string>{"Please enter an integer between 1 and 1024."});
        QCOMPARE(std::pair(pPattern->GetName(), pPattern->GetRows()),
                 std::pair(std::string("000"), 16));

        m_pDoc->SetModifiedFlag(false);
        Type(pRows, QStringLiteral("20"));
        Click(&dialog, IDC_MANAGE_CHANGE);
        QCOMPARE(std::pair(pPattern->GetName(), pPattern->GetRows()),
                 std::pair(std::string("Chorus"), 20));
        QVERIFY(pPattern->GetCell(19) == SoundCell::Empty() && m_pDoc->IsModified() &&
                !pChange->isEnabled());
        QCOMPARE(ListTexts(dialog.GetItem<QListWidget>(IDC_MANAGE_LIST)), QStringList{"Chorus"});
    }

    void midiDialogChoosesInstruments()
    {
        CSoundDialogs dialogs;
        AnswerNextDialog(
            [](CDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("MIDI Export"));
                auto* pVoice1 = pDialog->GetItem<QComboBox>(IDC_INSTRUMENT1);
                QVERIFY(pVoice1->count() == 128 && pVoice1->itemText(40) == "Violin" &&
                        pVoice1->itemText(127) == "Gunshot");
                pDialog->GetItem<QComboBox>(IDC_INSTRUMENT0)->setCurrentIndex(73);
                pVoice1->setCurrentIndex(40);
                pDialog->GetItem<QComboBox>(IDC_INSTRUMENT2)->setCurrentIndex(127);
                pDialog->accept();
            });
        std::array<int, 3> programs = {0, 0, 0};
        QVERIFY(dialogs.ChooseInstruments(programs));
        QCOMPARE(programs, (std::array<int, 3>{73, 40, 127}));
        AnswerNextDialog([](CDialog* pDialog) { pDialog->reject(); });
        QVERIFY(!dialogs.ChooseInstruments(programs));
    }

    void editorsRunTheRealDialogs()
    {
        CSoundDialogs dialogs;
        CSoundBase::SetDialogs(&dialogs);
        QWidget window;
        auto* pView = new CSoundSequenceView(m_pDoc.get(), &window);
        window.show();

        AnswerNextDialog(
            [](CDialog* pDialog)
            {
                Type(pDialog->GetDlgItem(IDC_BEATSPERMINUTE), QStringLiteral("90"));
                QTest::keyClick(pDialog->GetDlgItem(IDC_STEPSIZE), Qt::Key_Down);
                Click(pDialog, IDOK);
            });
        pView->OnCommand(ID_SOUND_PROPERTIES);
        QCOMPARE(std::pair(m_pDoc->m_nBeatsPerMinute, m_pDoc->m_nStepSize), std::pair(90, 8));

        AnswerNextDialog(
            [](CDialog* pDialog)
            {
                QCOMPARE(pDialog->windowTitle(), QStringLiteral("Create new pattern"));
                Type(pDialog->GetDlgItem(IDC_PATTERN_NAME), QStringLiteral("Bass"));
                QTest::keyClick(pDialog->GetDlgItem(IDC_PATTERN_ROWS), Qt::Key_Up);
                Click(pDialog, IDOK);
            });
        CSoundPattern* pPattern = pView->NewPatternDialog(1);
        QVERIFY(pPattern != nullptr && pPattern->GetName() == "Bass" && pPattern->GetRows() == 32);

        AnswerNextDialog(
            [](CDialog* pDialog)
            {
                Click(pDialog, IDC_MANAGE_NEW);
                Click(pDialog, IDOK);
            });
        pView->OnCommand(ID_SOUND_MANAGEPATTERNS);
        QVERIFY(m_pDoc->m_patterns[0].size() == 2 && m_pDoc->m_patterns[0][1]->GetRows() == 8);
        CSoundBase::SetDialogs(nullptr);
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
