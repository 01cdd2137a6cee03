// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "dialogs/SoundMIDIExportDialog.h"
#include "dialogs/SoundManageDialog.h"
#include "dialogs/SoundPatternDialog.h"
#include "dialogs/SoundPropertiesDialog.h"
#include "sound/SoundDoc.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <functional>

namespace
{
QString SelectedText(QWidget* pField)
{
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        return pEdit->selectedText();
    if (auto* pSpin = qobject_cast<QSpinBox*>(pField))
        return pSpin->findChild<QLineEdit*>()->selectedText();
    return {};
}

QString FieldText(QWidget* pField)
{
    if (auto* pSpin = qobject_cast<QSpinBox*>(pField))
        return pSpin->cleanText();
    return qobject_cast<QLineEdit*>(pField)->text();
}
} // namespace

class DialogTypingTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<CSoundDoc> m_pDoc;

    // A new dialog of each kind, filled as the editors fill it, and its first field.
    std::unique_ptr<CDialog> MakeDialog(int nKind, UINT& nFirstField)
    {
        switch (nKind)
        {
        case 0:
        {
            auto pDialog = std::make_unique<CSoundPatternDialog>();
            pDialog->m_strName = "001";
            pDialog->m_nRows = 16;
            nFirstField = IDC_PATTERN_NAME;
            return pDialog;
        }
        case 1:
        {
            auto pDialog = std::make_unique<CSoundPropertiesDialog>();
            std::tie(pDialog->m_nBeatsPerMinute, pDialog->m_nStepSize, pDialog->m_nTracksPerBeat) =
                std::tuple(125, 16, 4);
            nFirstField = IDC_TRACKSPERBEAT;
            return pDialog;
        }
        case 2:
            nFirstField = IDC_INSTRUMENT0;
            return std::make_unique<CSoundMIDIExportDialog>();
        default:
        {
            auto pDialog = std::make_unique<CSoundManageDialog>();
            pDialog->m_pDoc = m_pDoc.get();
            nFirstField = IDC_MANAGE_NAME;
            return pDialog;
        }
        }
    }

private slots:
    void init()
    {
        m_pDoc = std::make_unique<CSoundDoc>();
        QVERIFY(m_pDoc->OnNewDocument());
    }
    void cleanup() { m_pDoc.reset(); }

    void dialogsOpenOnTheirFirstFieldWithRoomForTheirTexts_data()
    {
        QTest::addColumn<int>("kind");
        for (const auto& [name, kind] : {std::pair("pattern", 0), std::pair("properties", 1),
                                         std::pair("midi", 2), std::pair("manage", 3)})
            QTest::newRow(name) << kind;
    }

    void dialogsOpenOnTheirFirstFieldWithRoomForTheirTexts()
    {
        QFETCH(int, kind);
        UINT nFirstField = 0;
        std::unique_ptr<CDialog> pDialog = MakeDialog(kind, nFirstField);
        pDialog->show();
        QVERIFY(QTest::qWaitForWindowActive(pDialog.get()));
        QWidget* pFirst = pDialog->GetDlgItem(nFirstField);
        QCOMPARE(QApplication::focusWidget() == pFirst ||
                     QApplication::focusWidget()->parentWidget() == pFirst,
                 true);
        if (!qobject_cast<QComboBox*>(pFirst))
            QVERIFY(!SelectedText(pFirst).isEmpty() && SelectedText(pFirst) == FieldText(pFirst));

        // Nothing clipped or outside its box, and the fields of a group start at one x.
        for (QWidget* pWidget : pDialog->findChildren<QWidget*>())
        {
            if (!qobject_cast<QLabel*>(pWidget) && !qobject_cast<QAbstractButton*>(pWidget))
                continue;
            QVERIFY2(pWidget->width() >= pWidget->sizeHint().width(),
                     qPrintable(pWidget->objectName() + pWidget->property("text").toString()));
            QVERIFY(pWidget->parentWidget()->rect().contains(pWidget->geometry()));
        }
        for (QGroupBox* pGroup : pDialog->findChildren<QGroupBox*>())
        {
            QSet<int> fieldXs;
            for (QWidget* pField : pGroup->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (qobject_cast<QSpinBox*>(pField) || qobject_cast<QComboBox*>(pField))
                    fieldXs.insert(pField->x());
            QVERIFY(fieldXs.size() <= 1);
        }
    }

    void typedNameWithSpacesStaysInTheField()
    {
        CSoundPatternDialog dialog;
        dialog.m_strName = "001";
        dialog.m_nRows = 16;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Low bass line"));
        QVERIFY(dialog.isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(dialog.result() == QDialog::Accepted && dialog.m_strName == "Low bass line");
    }

    void emptyOrSignOnlyNumberIsRefusedNotRestored_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byEnter");
        for (const bool bEnter : {true, false})
        {
            QTest::newRow(bEnter ? "empty, Enter" : "empty, OK") << QString() << bEnter;
            QTest::newRow(bEnter ? "sign, Enter" : "sign, OK") << QStringLiteral("-") << bEnter;
        }
    }

    void emptyOrSignOnlyNumberIsRefusedNotRestored()
    {
        QFETCH(QString, typed);
        QFETCH(bool, byEnter);
        CScriptedMessages messages;
        CSoundPropertiesDialog dialog;
        std::tie(dialog.m_nBeatsPerMinute, dialog.m_nStepSize, dialog.m_nTracksPerBeat) =
            std::tuple(125, 16, 4);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* pBpm = dialog.GetItem<QSpinBox>(IDC_BEATSPERMINUTE);
        pBpm->setFocus();
        pBpm->selectAll();
        QTest::keyClick(pBpm, Qt::Key_Delete);
        QTest::keyClicks(pBpm, typed);
        if (byEnter)
            QTest::keyClick(pBpm, Qt::Key_Return);
        else
            QTest::mouseClick(dialog.GetItem<QAbstractButton>(IDOK), Qt::LeftButton);
        QCOMPARE(messages.texts, std::vector<std::string>{"Please enter an integer."});
        QVERIFY(dialog.isVisible() && pBpm->hasFocus() && pBpm->cleanText() == typed);
    }

    void exportChoosersAreTitledAndNamedAfterTheDocument()
    {
        CScriptedFileNames files;
        m_pDoc->SetTitle("work.tks");
        m_pDoc->ExportAGI();
        m_pDoc->ExportMIDI();
        QCOMPARE(files.requests.size(), std::size_t(2));
        QCOMPARE(std::pair(files.requests[0].strTitle, files.requests[0].strFileName),
                 std::pair(std::string("Export AGI Sound"), std::string("work")));
        QCOMPARE(std::pair(files.requests[1].strTitle, files.requests[1].strFileName),
                 std::pair(std::string("Export MIDI"), std::string("work.mid")));
    }
};

TARVOK_SHELL_TEST_MAIN(DialogTypingTest)
#include "dialog_typing_test.moc"
