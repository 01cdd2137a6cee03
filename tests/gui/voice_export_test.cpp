// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "app/VgmExport.h"
#include "app/WrittenReport.h"
#include "session/SoundSession.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

#include <zlib.h>

namespace
{
const UINT kFadeItems[] = {ID_FADE_NONE, ID_FADE_V2, ID_FADE_V3};

// The fade whose item is checked; -1 unless exactly one is.
int CheckedFade(CMainFrame* pFrame)
{
    int checked = -1;
    for (int i = 0; i < 3; ++i)
        if (pFrame->QueryCommandState(kFadeItems[i]).m_bChecked)
            checked = checked == -1 ? i : -2;
    return checked < 0 ? -1 : checked;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Gunzip(const QByteArray& packed)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return {};
    QByteArray out;
    char buffer[4096];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    int result = Z_OK;
    while (result == Z_OK)
    {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, static_cast<int>(sizeof buffer - stream.avail_out));
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END ? out : QByteArray();
}

// Answers the next VGM options box: ticks the loop as asked and accepts, or cancels.
void AnswerVgmOptions(bool bLoop, bool bAccept)
{
    QTimer::singleShot(0,
                       [=]
                       {
                           auto* pBox =
                               qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                           if (pBox == nullptr || pBox->objectName() != "VgmOptions")
                               return;
                           pBox->checkBox()->setChecked(bLoop);
                           pBox->button(bAccept ? QMessageBox::Ok : QMessageBox::Cancel)->click();
                       });
}

// Accepts the next modal window as it stands (the MIDI programs).
void AcceptNextModal()
{
    QTimer::singleShot(0,
                       []
                       {
                           if (auto* pDialog =
                                   qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                               pDialog->accept();
                       });
}

// Answers the "Only the voices you hear" box as soon as it is up, ticked as asked, or cancels.
void AnswerExportVoices(bool bHeard, bool bAccept, int nTries = 50)
{
    QTimer::singleShot(0,
                       [=]
                       {
                           auto* pBox =
                               qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                           if (pBox == nullptr || pBox->objectName() != "ExportVoices")
                           {
                               if (nTries > 0)
                                   AnswerExportVoices(bHeard, bAccept, nTries - 1);
                               return;
                           }
                           pBox->checkBox()->setChecked(bHeard);
                           pBox->button(bAccept ? QMessageBox::Ok : QMessageBox::Cancel)->click();
                       });
}

int Convert(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral(TARVOK_CONVERT_EXE), arguments);
}
} // namespace

class VoiceExportTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

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
            QCOMPARE(CheckedFade(shell.Frame()), expected);
            QVERIFY(shell.app->m_pPlayThread->GetVoice().fade == FadeKind(expected));
        }

        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(shell.Frame()->GetCommandActions(ID_FADE_V2)[0]->actionGroup()->isExclusive());
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V3));
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));
        QCOMPARE(CheckedFade(shell.Frame()), 2);
        QVERIFY(shell.app->m_pPlayThread->GetVoice().fade == FadeKind::V3);

        // A sound of a game's interpreter: its fade is in force and the items change it alone.
        shell.app->OnFileNew();
        CSoundDoc* pGameDoc = shell.ActiveDoc();
        QVERIFY(pGameDoc != nullptr);
        shell.app->GetSession(pGameDoc)->SetInterpreterFade(FadeKind::V2);
        QCOMPARE(CheckedFade(shell.Frame()), 1);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_NONE));
        QCOMPARE(CheckedFade(shell.Frame()), 0);
        QVERIFY(shell.app->VoiceOf(pGameDoc).fade == FadeKind::None);
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));

        // Playback and previews take the fade of the document they play.
        shell.app->OnFileNew();
        CSoundDoc* pOwnDoc = shell.ActiveDoc();
        QCOMPARE(CheckedFade(shell.Frame()), 2);
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
        const QString song = dir.filePath("song.tks");
        QVERIFY(Convert({SoundsDir() + "/buddhies-sound000.agi", song}) == 0);
        QVERIFY(Convert({"--chip", "pcjr", "--fade", "2.9", song, dir.filePath("ref.wav")}) == 0);
        QVERIFY(Convert({"--chip", "tandy", "--fade", "3", "--loop", song,
                         dir.filePath("ref.vgm")}) == 0);
        QVERIFY(Convert({"--chip", "tandy", "--fade", "3", song, dir.filePath("flat.vgm")}) == 0);
        QVERIFY(QDir(dir.path()).mkdir("out"));
        CShell shell;
        QVERIFY(shell.Start({QStringLiteral("--no-sound"), song}));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_CHIP_PCJR));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V2));
        shell.files.answers.push_back(
            QFile::encodeName(dir.filePath("out/song.wav")).toStdString());
        QVERIFY(shell.Frame()->ExecuteCommand(ID_EXPORT_WAV));
        QVERIFY(ReadAll(dir.filePath("out/song.wav")) == ReadAll(dir.filePath("ref.wav")));

        QVERIFY(shell.Frame()->ExecuteCommand(ID_CHIP_TANDY));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_FADE_V3));
        // Where to, the loop box, whether it is accepted, the file it must equal ("" none).
        struct Case
        {
            const char* pszTarget;
            bool bLoop;
            bool bAccept;
            const char* pszReference;
        };
        const Case cases[] = {{"out/song.vgm", true, true, "ref.vgm"},
                              {"out/song.vgz", true, true, "ref.vgm"},
                              {"out/flat.vgm", false, true, "flat.vgm"},
                              {"out/cancelled.vgm", true, false, ""},
                              {"missing/failed.vgm", true, true, ""}};
        for (const Case& c : cases)
        {
            const QString target = dir.filePath(c.pszTarget);
            shell.files.answers = {QFile::encodeName(target).toStdString()};
            shell.messages.texts.clear();
            AnswerVgmOptions(c.bLoop, c.bAccept);
            shell.Frame()->ExecuteCommand(ID_EXPORT_VGM);
            const QByteArray written =
                target.endsWith(".vgz") ? Gunzip(ReadAll(target)) : ReadAll(target);
            QVERIFY2(written == ReadAll(dir.filePath(c.pszReference)), c.pszTarget);
            // Failures are told; a cancel asks for no file at all.
            QCOMPARE(shell.messages.texts.size(),
                     std::string(c.pszTarget) == "missing/failed.vgm" ? 1u : 0u);
            QCOMPARE(shell.files.answers.size(), c.bAccept ? 0u : 1u);
        }
        QCOMPARE(QSettings().value("Export/VgmLoop").toBool(), true);
        QCOMPARE(shell.files.requests.back().strFileName,
                 QFile::encodeName(dir.filePath("song.vgm")).toStdString());
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
        const QString song = dir.filePath("song.tks");
        QVERIFY(Convert({SoundsDir() + "/buddhies-sound000.agi", song}) == 0);
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
            shell.files.answers = {QFile::encodeName(target).toStdString()};
            shell.app->SetIdleText("before");
            if (nID == ID_EXPORT_MIDI)
                AcceptNextModal();
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
        const QString song = dir.filePath("song.tks");
        QVERIFY(Convert({SoundsDir() + "/buddhies-sound000.agi", song}) == 0);
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
            shell.files.answers = {QFile::encodeName(target).toStdString()};
            if (nID == ID_EXPORT_VGM)
                AnswerVgmOptions(false, true);
            AnswerExportVoices(bHeard, bAccept);
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

TARVOK_SHELL_TEST_MAIN(VoiceExportTest)
#include "voice_export_test.moc"
