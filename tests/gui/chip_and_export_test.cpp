// SPDX-License-Identifier: GPL-3.0-or-later
// The chip and fade choices, and the exports that render with them.
#include "ShellTestSupport.h"

#include "app/VgmExport.h"
#include "app/WavExport.h"
#include "app/WrittenReport.h"
#include "session/SoundSession.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QToolBar>

#include <zlib.h>

namespace
{
const UINT kChipItems[] = {ID_CHIP_SINE, ID_CHIP_PCJR, ID_CHIP_TANDY, ID_CHIP_SPEAKER};
const UINT kFadeItems[] = {ID_FADE_NONE, ID_FADE_V2, ID_FADE_V3};

// Bit i set for each checked item i.
template <std::size_t N> int Checked(CMainFrame* pFrame, const UINT (&items)[N])
{
    int mask = 0;
    for (std::size_t i = 0; i < N; ++i)
        mask |= pFrame->QueryCommandState(items[i]).m_bChecked ? 1 << i : 0;
    return mask;
}

QComboBox* ChipCombo(const CShell& shell)
{
    return shell.Frame()->GetSoundBar()->findChild<QComboBox*>(QStringLiteral("SoundChip"));
}

// The file unpacked by zlib's gzip reader; empty unless it is a whole gzip stream.
QByteArray Gunzip(const QString& path)
{
    gzFile file = gzopen(QFile::encodeName(path).constData(), "rb");
    if (file == nullptr)
        return {};
    QByteArray out;
    char buffer[4096];
    int n = 0;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0)
        out.append(buffer, n);
    const bool bWhole = n == 0 && gzdirect(file) == 0;
    return gzclose(file) == Z_OK && bWhole ? out : QByteArray();
}

void AnswerVgmOptions(bool bLoop, bool bAccept)
{
    AnswerNextBox(QStringLiteral("VgmOptions"), bLoop,
                  bAccept ? QMessageBox::Ok : QMessageBox::Cancel);
}

int Convert(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral(TARVOK_CONVERT_EXE), arguments);
}

// The sample resource converted to dir/song.tks; its path, or "" when that failed.
QString ConvertedSong(const QTemporaryDir& dir)
{
    const QString song = dir.filePath("song.tks");
    return Convert({SoundsDir() + "/buddhies-sound000.agi", song}) == 0 ? song : QString();
}
} // namespace

class ChipAndExportTest : public QObject
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
            QVERIFY(pCombo->currentIndex() == 0 && Checked(shell.Frame(), kChipItems) == 1);
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
                        Checked(shell.Frame(), kChipItems) == 1 << index);
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
        const QString song = ConvertedSong(dir), reference = dir.filePath("reference.wav");
        QVERIFY(!song.isEmpty() && Convert({song, reference}) == 0);
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
            shell.files.answers.push_back(LocalPath(target));
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
        QCOMPARE(shell.files.requests.back().strFileName, LocalPath(dir.filePath("song.wav")));
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
        QVERIFY(WriteAll(resource, agi));
        QVERIFY(Convert({resource, song}) == 0);
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
    void fadeFollowsTheSettingAndASessionsOwnInterpreter()
    {
        // What is stored, the fade it means.
        const std::pair<const char*, int> stored[] = {
            {nullptr, 0}, {"none", 0}, {"2.9", 1}, {"3", 2}, {"2.4", 0}};
        for (const auto& [pszStored, expected] : stored)
        {
            if (pszStored != nullptr)
                QSettings().setValue("Playback/Fade", pszStored);
            CShell shell;
            QVERIFY(shell.Start());
            QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << expected);
            QVERIFY(shell.app->m_pPlayThread->GetVoice().fade == FadeKind(expected));
        }

        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(shell.Frame()->GetCommandActions(ID_FADE_V2)[0]->actionGroup()->isExclusive());
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V3));
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 2);
        QVERIFY(shell.app->m_pPlayThread->GetVoice().fade == FadeKind::V3);

        // A sound of a game's interpreter: its fade is in force and the items change it alone.
        shell.app->OnFileNew();
        CSoundDoc* pGameDoc = shell.ActiveDoc();
        QVERIFY(pGameDoc != nullptr);
        shell.app->GetSession(pGameDoc)->SetInterpreterFade(FadeKind::V2);
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 1);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_NONE));
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 0);
        QVERIFY(shell.app->VoiceOf(pGameDoc).fade == FadeKind::None);
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));

        // Playback and previews take the fade of the document they play.
        shell.app->OnFileNew();
        CSoundDoc* pOwnDoc = shell.ActiveDoc();
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 2);
        shell.app->GetSession(pGameDoc)->SetInterpreterFade(FadeKind::V2);
        const std::pair<CSoundDoc*, FadeKind> previews[] = {
            {pGameDoc, FadeKind::V2}, {pOwnDoc, FadeKind::V3}, {pGameDoc, FadeKind::V2}};
        for (const auto& [pDoc, fade] : previews)
        {
            shell.app->PostPreview(pDoc, 40, 0);
            QVERIFY(shell.app->m_pPlayThread->GetVoice().fade == fade);
        }
    }

    void exportsWriteWhatTheConverterWrites()
    {
        QTemporaryDir dir;
        const QString song = ConvertedSong(dir);
        QVERIFY(!song.isEmpty());
        QVERIFY(Convert({"--chip", "pcjr", "--fade", "2.9", song, dir.filePath("ref.wav")}) == 0);
        QVERIFY(Convert({"--chip", "tandy", "--fade", "3", "--loop", song,
                         dir.filePath("ref.vgm")}) == 0);
        QVERIFY(Convert({"--chip", "tandy", "--fade", "3", song, dir.filePath("flat.vgm")}) == 0);
        QVERIFY(QDir(dir.path()).mkdir("out"));
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_CHIP_PCJR));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V2));
        shell.files.answers.push_back(LocalPath(dir.filePath("out/song.wav")));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_EXPORT_WAV));
        QVERIFY(ReadAll(dir.filePath("out/song.wav")) == ReadAll(dir.filePath("ref.wav")));

        QVERIFY(shell.Frame()->ExecuteCommand(ID_CHIP_TANDY));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V3));
        // Where to, the loop box, whether it is accepted, the file it must equal ("" none).
        const std::tuple<const char*, bool, bool, const char*> cases[] = {
            {"out/song.vgm", true, true, "ref.vgm"},
            {"out/song.vgz", true, true, "ref.vgm"},
            {"out/flat.vgm", false, true, "flat.vgm"},
            {"out/cancelled.vgm", true, false, ""},
            {"missing/failed.vgm", true, true, ""}};
        for (const auto& [pszTarget, bLoop, bAccept, pszReference] : cases)
        {
            const QString target = dir.filePath(pszTarget);
            shell.files.answers = {LocalPath(target)};
            shell.messages.texts.clear();
            AnswerVgmOptions(bLoop, bAccept);
            shell.Frame()->ExecuteCommand(ID_EXPORT_VGM);
            const QByteArray written = target.endsWith(".vgz") ? Gunzip(target) : ReadAll(target);
            QVERIFY2(written == ReadAll(dir.filePath(pszReference)), pszTarget);
            // Failures are told; a cancel asks for no file at all.
            QCOMPARE(shell.messages.texts.size(),
                     std::string(pszTarget) == "missing/failed.vgm" ? 1u : 0u);
            QCOMPARE(shell.files.answers.size(), bAccept ? 0u : 1u);
        }
        QCOMPARE(QSettings().value("Export/VgmLoop").toBool(), true);
        QCOMPARE(shell.files.requests.back().strFileName, LocalPath(dir.filePath("song.vgm")));
    }

    void sizesReadAsPeopleCountThem()
    {
        const std::pair<std::uintmax_t, const char*> sizes[] = {
            {0, "0 bytes"},         {1, "1 byte"},       {171, "171 bytes"},
            {1023, "1023 bytes"},   {1024, "1.0 KB"},    {1126, "1.1 KB"},
            {1048524, "1023.9 KB"}, {1048575, "1.0 MB"}, {1258291, "1.2 MB"},
            {3435973837, "3.2 GB"},
        };
        for (const auto& [bytes, pszText] : sizes)
            QCOMPARE(SizeText(bytes), std::string(pszText));
    }

    // Each export names the file it wrote and its size in the status bar; one that wrote
    // nothing leaves the bar alone.
    void exportsSayWhatTheyWrote()
    {
        QTemporaryDir dir;
        const QString song = ConvertedSong(dir);
        QVERIFY(!song.isEmpty());
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));
        const std::tuple<UINT, const char*, bool> cases[] = {
            {ID_EXPORT_AGI, "out.agi", true},
            {ID_EXPORT_MIDI, "out.mid", true},
            {ID_EXPORT_WAV, "out.wav", true},
            {ID_EXPORT_VGM, "out.vgz", true},
            {ID_EXPORT_WAV, "missing/failed.wav", false},
        };
        for (const auto& [nID, pszName, bWritten] : cases)
        {
            const QString target = dir.filePath(pszName);
            shell.files.answers = {LocalPath(target)};
            shell.app->SetIdleText("before");
            if (nID == ID_EXPORT_MIDI)
                AnswerNextModal<QDialog>([](QDialog* pDialog) { pDialog->accept(); });
            if (nID == ID_EXPORT_VGM)
                AnswerVgmOptions(false, true);
            shell.Frame()->ExecuteCommand(nID);
            const QString expected =
                bWritten ? QStringLiteral("Wrote %1 (%2)")
                               .arg(QFileInfo(target).fileName(),
                                    QString::fromStdString(SizeText(QFileInfo(target).size())))
                         : QStringLiteral("before");
            QVERIFY2(!bWritten || QFileInfo(target).size() > 0, pszName);
            QCOMPARE(shell.Frame()->GetMessageText(), expected);
        }
    }

    void onlyTheVoicesYouHearLeavesTheMutedOut()
    {
        QTemporaryDir dir;
        const QString song = ConvertedSong(dir);
        QVERIFY(!song.isEmpty());
        const QStringList chip = {"--chip", "pcjr", "--fade", "none"};
        QVERIFY(Convert(chip + QStringList{song, dir.filePath("all.wav")}) == 0);
        QVERIFY(Convert(chip + QStringList{"--mute", "1,3", song, dir.filePath("stem.wav")}) == 0);
        QVERIFY(Convert(chip + QStringList{song, dir.filePath("all.vgm")}) == 0);
        QVERIFY(Convert(chip + QStringList{"--mute", "1,3", song, dir.filePath("stem.vgm")}) == 0);
        QVERIFY(ReadAll(dir.filePath("all.wav")) != ReadAll(dir.filePath("stem.wav")));
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_CHIP_PCJR));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_NONE));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0 + 1));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_NOISE));

        // Export, ticked, accepted, the file it must equal ("" none written).
        const std::tuple<UINT, bool, bool, const char*> cases[] = {
            {ID_EXPORT_WAV, true, true, "stem.wav"}, {ID_EXPORT_WAV, false, true, "all.wav"},
            {ID_EXPORT_WAV, true, false, ""},        {ID_EXPORT_VGM, true, true, "stem.vgm"},
            {ID_EXPORT_VGM, false, true, "all.vgm"}, {ID_EXPORT_VGM, true, false, ""},
        };
        int nCase = 0;
        for (const auto& [nID, bHeard, bAccept, pszReference] : cases)
        {
            const QString target = dir.filePath(QStringLiteral("out%1").arg(nCase++));
            shell.files.answers = {LocalPath(target)};
            if (nID == ID_EXPORT_VGM)
                AnswerVgmOptions(false, true);
            AnswerNextBox(QStringLiteral("ExportVoices"), bHeard,
                          bAccept ? QMessageBox::Ok : QMessageBox::Cancel);
            shell.Frame()->ExecuteCommand(nID);
            QVERIFY2(ReadAll(target) == ReadAll(dir.filePath(pszReference)), pszReference);
            // A cancel asks for no file.
            QCOMPARE(shell.files.answers.size(), bAccept ? 0u : 1u);
        }
        // The window still hears what it heard.
        QCOMPARE(shell.app->GetSession(shell.ActiveDoc())->GetMuteMask(), 0b1010u);
    }

    void tagNamesTheDocumentAndItsGame()
    {
        // Title, game folder, sound number; the tag's title and game.
        const std::tuple<const char*, const char*, int, const char*, const char*> cases[] = {
            {"song.tks", "", -1, "song", ""},
            {"Sound1", "", -1, "Sound1", ""},
            {"Sound2", "/games/quest/", 12, "Sound2", "quest"},
            {"intro.TKS", "/games/quest", 3, "intro", "quest"},
        };
        for (const auto& [pszTitle, pszFolder, nSound, pszTagTitle, pszGame] : cases)
        {
            CSoundDoc doc;
            doc.SetTitle(pszTitle);
            QCOMPARE(VgmTitleFor(doc), std::string(pszTagTitle));
            QCOMPARE(VgmGameFor(GameOrigin{pszFolder, nSound}), std::string(pszGame));
        }
    }
};

TARVOK_SHELL_TEST_MAIN(ChipAndExportTest)
#include "chip_and_export_test.moc"
