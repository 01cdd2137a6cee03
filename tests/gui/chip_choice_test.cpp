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

// Bit i set for each checked chip item i.
int CheckedChips(CMainFrame* pFrame)
{
    const UINT items[] = {ID_CHIP_SINE, ID_CHIP_PCJR, ID_CHIP_TANDY, ID_CHIP_SPEAKER};
    int mask = 0;
    for (int i = 0; i < 4; ++i)
        mask |= pFrame->QueryCommandState(items[i]).m_bChecked ? 1 << i : 0;
    return mask;
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
    void init() { QSettings().clear(); }

    void menuAndComboFollowEachOtherAndPersist()
    {
        // A menu command (or 0: the combo box), the item it selects, what is stored.
        const std::tuple<UINT, int, const char*> steps[] = {{ID_CHIP_PCJR, 1, "pcjr"},
                                                            {0, 2, "tandy"},
                                                            {ID_CHIP_SINE, 0, "sine"},
                                                            {0, 1, "pcjr"},
                                                            {0, 3, "speaker"},
                                                            {ID_CHIP_TANDY, 2, "tandy"},
                                                            {ID_CHIP_SPEAKER, 3, "speaker"}};
        {
            CShell shell;
            QVERIFY(shell.Start());
            QComboBox* pCombo = ChipCombo(shell);
            QVERIFY(pCombo->currentIndex() == 0 && CheckedChips(shell.Frame()) == 1);
            QCOMPARE(pCombo->count(), 4);
            QCOMPARE(pCombo->itemText(3), QStringLiteral("PC speaker"));
            QVERIFY(
                shell.Frame()->GetCommandActions(ID_CHIP_PCJR)[0]->actionGroup()->isExclusive());
            for (const auto& [nCommand, index, pszStored] : steps)
            {
                if (nCommand != 0)
                    QVERIFY(shell.Frame()->ExecuteCommand(nCommand));
                else
                    pCombo->setCurrentIndex(index);
                QVERIFY(pCombo->currentIndex() == index &&
                        CheckedChips(shell.Frame()) == 1 << index);
                QVERIFY(shell.app->m_pPlayThread->GetSynthKind() == SynthKind(index));
                QCOMPARE(QSettings().value("Playback/Chip").toString(), pszStored);
            }
        }
        const std::pair<const char*, int> stored[] = {{"pcjr", 1}, {"speaker", 3}, {"fm", 0}};
        for (const auto& [pszStored, expected] : stored)
        {
            QSettings().setValue("Playback/Chip", pszStored);
            CShell shell;
            QVERIFY(shell.Start());
            QVERIFY(ChipCombo(shell)->currentIndex() == expected &&
                    shell.app->m_pPlayThread->GetSynthKind() == SynthKind(expected));
        }
    }

    void exportWritesTheConvertersRenderOrNothing()
    {
        QTemporaryDir dir;
        const QString song = dir.filePath("song.tks"), reference = dir.filePath("reference.wav");
        const QString convert = QStringLiteral(TARVOK_CONVERT_EXE);
        QVERIFY(QProcess::execute(convert, {SoundsDir() + "/buddhies-sound000.agi", song}) == 0);
        QVERIFY(QProcess::execute(convert, {song, reference}) == 0);
        QVERIFY(QDir(dir.path()).mkdir("out"));
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));

        // Where to, whether to cancel, whether the file is written.
        const std::tuple<const char*, bool, bool> cases[] = {{"out/song.wav", false, true},
                                                             {"out/cancelled.wav", true, false},
                                                             {"missing/failed.wav", false, false}};
        for (const auto& [pszTarget, bCancel, bWritten] : cases)
        {
            const QString target = dir.filePath(pszTarget);
            shell.files.answers.push_back(QFile::encodeName(target).toStdString());
            shell.messages.texts.clear();
            bool bCancelled = false;
            if (bCancel)
            {
                // Fires once the dialog, shown at once, lets events through.
                QTimer::singleShot(0, shell.Frame(),
                                   [&]
                                   {
                                       if (auto* p = shell.Frame()->findChild<QProgressDialog*>())
                                       {
                                           p->cancel();
                                           bCancelled = true;
                                       }
                                   });
                QVERIFY(!ExportWav(*shell.ActiveDoc(), {}, 0, shell.Frame(), 0));
            }
            else
                QVERIFY(shell.Frame()->ExecuteCommand(ID_EXPORT_WAV));
            QCOMPARE(bCancelled, bCancel);
            QCOMPARE(shell.messages.texts.empty(), bWritten || bCancel);
            QVERIFY(ReadAll(target) == (bWritten ? ReadAll(reference) : QByteArray()));
            // Nothing left behind, not even a temporary file.
            QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files).size(),
                     bWritten ? 1 : 0);
            QFile::remove(target);
        }
        QCOMPARE(shell.files.requests.back().strTitle, std::string("Export WAV"));
        QCOMPARE(shell.files.requests.back().strFileName,
                 QFile::encodeName(dir.filePath("song.wav")).toStdString());
    }

    void aRenderPastAnHourIsAskedForFirst()
    {
        // Four of the longest records on voice 0: 1:12:49 with a chip.
        QByteArray agi("\x08\x00\x1e\x00\x20\x00\x22\x00", 8);
        for (int i = 0; i < 4; ++i)
            agi += QByteArray("\xfe\xff\x0f\x8e\x90", 5);
        agi += QByteArray(8, '\xff');
        QTemporaryDir dir;
        const QString resource = dir.filePath("long.agi"), song = dir.filePath("long.tks");
        QFile file(resource);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(agi) == agi.size());
        file.close();
        QVERIFY(QProcess::execute(QStringLiteral(TARVOK_CONVERT_EXE), {resource, song}) == 0);
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));

        // No: nothing more is asked. Yes: the file chooser comes next (and is cancelled here).
        for (const int answer : {IDNO, IDYES})
        {
            shell.messages.texts.clear();
            shell.messages.answers = {answer};
            const std::size_t nChoosers = shell.files.requests.size();
            QVERIFY(!ExportWav(*shell.ActiveDoc(), {SynthKind::PCjr}, 0, shell.Frame(), 0));
            QCOMPARE(shell.messages.texts,
                     std::vector<std::string>{
                         "The WAV file would last 1:12:49 (385 MB). Write it anyway?"});
            QCOMPARE(shell.messages.types.back() & MB_TYPEMASK, unsigned(MB_YESNO));
            QCOMPARE(shell.files.requests.size(), nChoosers + (answer == IDYES ? 1 : 0));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
    }
};

TARVOK_SHELL_TEST_MAIN(ChipChoiceTest)
#include "chip_choice_test.moc"
