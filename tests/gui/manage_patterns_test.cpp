// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "dialogs/SoundManageDialog.h"
#include "sound/SoundDoc.h"
#include "views/SoundUndo.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace
{
std::vector<int> Notes(const CSoundPattern* pPattern)
{
    std::vector<int> notes;
    for (int row = 0; row < 4; ++row)
        notes.push_back(pPattern->GetCell(row).note);
    return notes;
}
} // namespace

class ManagePatternsTest : public QObject
{
    Q_OBJECT

private:
    CScriptedMessages m_messages;
    std::unique_ptr<CSoundDoc> m_pDoc;

    void Show(CSoundManageDialog& dialog)
    {
        dialog.m_pDoc = m_pDoc.get();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }

private slots:
    void init()
    {
        m_messages.texts.clear();
        m_messages.answers.clear();
        m_pDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pDoc->OnNewDocument());
    }

    void closingWithAnEditAsksToApplyIt_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QString>("name");
        QTest::newRow("nothing typed") << QString() << 0 << true << "000";
        QTest::newRow("yes") << "lead" << int(IDYES) << true << "lead";
        QTest::newRow("no") << "lead" << int(IDNO) << true << "000";
        QTest::newRow("cancel") << "lead" << int(IDCANCEL) << false << "000";
        QTest::newRow("typed back") << "000" << int(IDCANCEL) << true << "000";
    }

    void closingWithAnEditAsksToApplyIt()
    {
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(QString, name);
        CSoundManageDialog dialog;
        Show(dialog);
        auto* pName = dialog.GetItem<QLineEdit>(IDC_MANAGE_NAME);
        if (!typed.isEmpty())
        {
            pName->selectAll();
            QTest::keyClicks(pName, typed);
        }
        m_messages.answers = {answer};
        QTest::keyClick(pName, Qt::Key_Return);
        const bool bAsked = typed == "lead";
        QCOMPARE(int(m_messages.texts.size()), bAsked ? 1 : 0);
        if (bAsked)
            QCOMPARE(m_messages.texts[0], std::string("Apply the changes to pattern 000?"));
        QCOMPARE(dialog.isVisible(), !closed);
        QCOMPARE(QString::fromStdString(m_pDoc->m_patterns[0][0]->GetName()), name);
    }

    void opensOnTheCursorChannelAndTransposesThePattern()
    {
        CSoundPattern* pPattern = m_pDoc->CreatePattern(1, 4);
        for (const auto& [row, note] : {std::pair(0, 60), std::pair(1, 5), std::pair(2, 115)})
        {
            SoundCell cell = SoundCell::Empty();
            cell.note = std::uint8_t(note);
            pPattern->SetCell(row, cell);
        }
        m_pDoc->m_sequenceCursor = {1, 0};
        CSoundUndo::Attach(m_pDoc.get());
        CSoundManageDialog dialog;
        Show(dialog);
        QCOMPARE(dialog.GetItem<QComboBox>(IDC_MANAGE_CHANNEL)->currentIndex(), 1);
        QVERIFY(dialog.GetSelectedPattern() == pPattern);
        QVERIFY(!dialog.GetDlgItem(IDC_MANAGE_HARMONIZE)->isEnabled());

        // Rows: amount, octaves, expected notes; the last row stays empty.
        const int empty = pPattern->GetCell(3).note;
        const struct
        {
            const char* amount;
            bool octaves;
            std::vector<int> notes;
        } steps[] = {{"1", false, {61, 6, 116, empty}},
                     {"-1", true, {49, 0, 104, empty}},
                     {"9", true, {117, 108, 117, empty}}};
        for (const auto& step : steps)
        {
            dialog.GetItem<QRadioButton>(step.octaves ? IDC_MANAGE_OCTAVES : IDC_MANAGE_SEMITONES)
                ->setChecked(true);
            dialog.GetItem<QLineEdit>(IDC_MANAGE_TRANSPOSE_AMOUNT)->setText(step.amount);
            dialog.GetItem<QPushButton>(IDC_MANAGE_TRANSPOSE)->click();
            QCOMPARE(Notes(pPattern), step.notes);
        }
        QUndoStack& stack = CSoundUndo::For(m_pDoc.get())->Stack();
        QCOMPARE(stack.count(), 3);
        stack.undo();
        QCOMPARE(Notes(pPattern), steps[1].notes);

        dialog.GetItem<QComboBox>(IDC_MANAGE_CHANNEL)->setCurrentIndex(kNoiseChannel);
        QVERIFY(!dialog.GetDlgItem(IDC_MANAGE_TRANSPOSE)->isEnabled());
        dialog.reject();
        CSoundUndo::Detach(m_pDoc.get());
    }
};

TARVOK_SHELL_TEST_MAIN(ManagePatternsTest)
#include "manage_patterns_test.moc"
