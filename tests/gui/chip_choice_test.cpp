// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/WavExport.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QProgressDialog>
#include <QToolBar>

namespace
{
QComboBox* ChipCombo(const CShell& shell)
{
    return shell.Frame()->GetSoundBar()->findChild<QComboBox*>(QStringLiteral("SoundChip"));
}

// The command whose radio item is checked, or 0 unless exactly one is.
UINT CheckedChip(CMainFrame* pFrame)
{
    UINT nChecked = 0;
    int count = 0;
    for (const UINT nID : {ID_CHIP_SINE, ID_CHIP_PCJR, ID_CHIP_TANDY})
        if (pFrame->QueryCommandState(nID).m_bChecked)
        {
            nChecked = nID;
            ++count;
        }
    return count == 1 ? nChecked : 0;
}

bool Convert(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral(TARVOK_CONVERT_EXE), arguments) == 0;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class ChipChoiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QSettings().clear();
        QSettings().sync();
    }

    void menuAndComboFollowEachOtherAndPersist()
    {
        {
            CShell shell;
            QVERIFY(shell.Start());
            QComboBox* pCombo = ChipCombo(shell);
            QVERIFY(pCombo != nullptr && pCombo->currentIndex() == 0);
            QCOMPARE(CheckedChip(shell.Frame()), ID_CHIP_SINE);
            for (QAction* pAction : shell.Frame()->GetCommandActions(ID_CHIP_PCJR))
                if (pAction->actionGroup() != nullptr)
                    QVERIFY(pAction->actionGroup()->isExclusive());

            struct Step
            {
                UINT nCommand; // 0: choose the combo box's item instead
                int nComboIndex;
                SynthKind kind;
                const char* pszStored;
            };
            const Step steps[] = {
                {ID_CHIP_PCJR, 1, SynthKind::PCjr, "pcjr"},
                {0, 2, SynthKind::Tandy, "tandy"},
                {ID_CHIP_SINE, 0, SynthKind::Sine, "sine"},
                {0, 1, SynthKind::PCjr, "pcjr"},
            };
            for (const Step& step : steps)
            {
                if (step.nCommand != 0)
                    QVERIFY(shell.Frame()->ExecuteCommand(step.nCommand));
                else
                    pCombo->setCurrentIndex(step.nComboIndex);
                QCOMPARE(pCombo->currentIndex(), step.nComboIndex);
                QCOMPARE(CheckedChip(shell.Frame()), ID_CHIP_SINE + UINT(step.nComboIndex));
                QVERIFY(shell.app->m_pPlayThread->GetSynthKind() == step.kind);
                QCOMPARE(QSettings().value(QStringLiteral("Playback/Chip")).toString(),
                         QString::fromLatin1(step.pszStored));
            }
        }
        {
            CShell shell;
            QVERIFY(shell.Start());
            QCOMPARE(ChipCombo(shell)->currentIndex(), 1);
            QVERIFY(shell.app->m_pPlayThread->GetSynthKind() == SynthKind::PCjr);
        }
        QSettings().setValue(QStringLiteral("Playback/Chip"), QStringLiteral("fm"));
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(CheckedChip(shell.Frame()), ID_CHIP_SINE);
    }

    void comboLeavesTheFocusAndTheSoundBarAlone()
    {
        CShell shell;
        QVERIFY(shell.Start());
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        shell.ActiveFrame()->SetActivePane(0);
        shell.Settle();
        QWidget* pEditor = QApplication::focusWidget();
        QToolBar* pBar = shell.Frame()->GetSoundBar();
        QVERIFY(pEditor != nullptr && !pBar->isHidden());

        QComboBox* pCombo = ChipCombo(shell);
        QCOMPARE(pCombo->focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(pCombo, Qt::LeftButton);
        shell.Settle();
        QVERIFY(!pBar->isHidden());
        pCombo->hidePopup();
        // Without a window manager nothing gives the window back its activation.
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        shell.Settle();
        QCOMPARE(QApplication::focusWidget(), pEditor);
        QVERIFY(!pBar->isHidden());
    }

    void exportWavWritesTheConvertersRender()
    {
        QTemporaryDir dir;
        const QString song = dir.filePath(QStringLiteral("song.tks"));
        const QString reference = dir.filePath(QStringLiteral("reference.wav"));
        QVERIFY(Convert({SoundsDir() + QStringLiteral("/buddhies-sound001.agi"), song}));
        QVERIFY(Convert({song, reference}));

        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));
        const QString exported = dir.filePath(QStringLiteral("exported.wav"));
        shell.files.answers.push_back(QFile::encodeName(exported).toStdString());
        QVERIFY(shell.Frame()->ExecuteCommand(ID_EXPORT_WAV));
        QCOMPARE(shell.files.requests.back().strTitle, std::string("Export WAV"));
        QCOMPARE(shell.files.requests.back().strFileName,
                 QFile::encodeName(dir.filePath(QStringLiteral("song.wav"))).toStdString());
        const QByteArray expected = ReadAll(reference);
        QVERIFY(expected.size() > 44 * 1000);
        QVERIFY(ReadAll(exported) == expected);
        QVERIFY(shell.messages.texts.empty());
    }

    void cancelOrFailureLeavesNoFile()
    {
        QTemporaryDir dir;
        const QString song = dir.filePath(QStringLiteral("song.tks"));
        QVERIFY(Convert({SoundsDir() + QStringLiteral("/buddhies-sound000.agi"), song}));
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));

        struct Case
        {
            const char* pszTarget;
            bool bCancel;
            bool bMessage;
        };
        const Case cases[] = {
            {"out/cancelled.wav", true, false},
            {"missing/failed.wav", false, true},
        };
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
        for (const Case& c : cases)
        {
            const QString target = dir.filePath(QString::fromLatin1(c.pszTarget));
            shell.files.answers.push_back(QFile::encodeName(target).toStdString());
            shell.messages.texts.clear();
            bool bCancelled = false;
            if (c.bCancel)
                // Runs once the dialog is up and lets events through.
                QTimer::singleShot(0, shell.Frame(),
                                   [&]
                                   {
                                       if (auto* p = shell.Frame()->findChild<QProgressDialog*>())
                                       {
                                           p->cancel();
                                           bCancelled = true;
                                       }
                                   });
            QVERIFY(!ExportWav(*shell.ActiveDoc(), SynthKind::Sine, shell.Frame(), 0));
            QCOMPARE(bCancelled, c.bCancel);
            QCOMPARE(!shell.messages.texts.empty(), c.bMessage);
            QVERIFY(QDir(QFileInfo(target).absolutePath()).isEmpty());
        }
    }
};

TARVOK_SHELL_TEST_MAIN(ChipChoiceTest)
#include "chip_choice_test.moc"
