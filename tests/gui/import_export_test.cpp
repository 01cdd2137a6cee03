// SPDX-License-Identifier: GPL-3.0-or-later
// The chip and fade choices, the exports that render with them, and MIDI and VGM files
// brought in: the channel dialog, File > Import, and the other ways of opening a file.
#include "ShellTestSupport.h"

#include "app/VgmExport.h"
#include "app/WavExport.h"
#include "app/WrittenReport.h"
#include "dialogs/MidiImportDialog.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiResource.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "sound/VgmImport.h"
#include "support/ImportBytes.h"

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QToolBar>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace
{
const UINT kChipItems[] = {ID_CHIP_SINE, ID_CHIP_PCJR, ID_CHIP_TANDY, ID_CHIP_SPEAKER};
const UINT kFadeItems[] = {ID_FADE_NONE, ID_FADE_V2, ID_FADE_V3};

// Bit i set for each checked item i.
template <std::size_t N> int Checked(CMainFrame* pFrame, const UINT (&items)[N])
{
    int mask = 0;
    pFrame->UpdateCommandStates();
    for (std::size_t i = 0; i < N; ++i)
        mask |= pFrame->Action(items[i])->isChecked() ? 1 << i : 0;
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

int Convert(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral(TARVOK_CONVERT_EXE), arguments);
}

// The sample resource converted to dir/song.tks; its path, or "" when that failed.
QString ConvertedSong(const QTemporaryDir& dir)
{
    const QString song = dir.filePath("song.tks");
    return Convert({TARVOK_SOUNDS_DIR "/buddhies-sound000.agi", song}) == 0 ? song : QString();
}

using Channels = std::array<std::vector<SongRecord>, 4>;

Bytes OneToneVgm()
{
    return VgmFile(VgmTone(0, 200) + VgmAtten(0, 2) + VgmWait(735 * 30), 735 * 30);
}

QByteArray ToQBytes(const Bytes& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

std::string WriteTemp(const QTemporaryDir& dir, const QString& name, const Bytes& bytes)
{
    return WriteAll(dir.filePath(name), ToQBytes(bytes)) ? LocalPath(dir.filePath(name))
                                                         : std::string();
}

Channels Played(CSoundDoc& doc)
{
    std::lock_guard lock(doc.Guard());
    return ResourceRecords(BuildAgiResource(doc, doc.GetPlayRange()).Value());
}

Channels MidiImported(const Bytes& file, const MidiImportOptions& options)
{
    CSoundDoc doc;
    ImportMidi(file, options, doc);
    return Played(doc);
}

// Presses the Cancel of the progress dialog shown, through its accessible name as assistive
// technology would; the dialog, or null while none is shown.
QProgressDialog* PressProgressCancel()
{
    for (QWidget* pWidget : QApplication::topLevelWidgets())
    {
        auto* pProgress = qobject_cast<QProgressDialog*>(pWidget);
        if (pProgress == nullptr || !pProgress->isVisible())
            continue;
        QAccessibleInterface* pDialog = QAccessible::queryAccessibleInterface(pProgress);
        for (int i = 0; i < pDialog->childCount(); ++i)
            if (QAccessibleInterface* pChild = pDialog->child(i);
                pChild != nullptr && pChild->role() == QAccessible::Button &&
                pChild->text(QAccessible::Name) == QStringLiteral("Cancel"))
            {
                pChild->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                return pProgress;
            }
    }
    return nullptr;
}

int CountAfter(const QString& text, const QString& label)
{
    const qsizetype at = text.indexOf(label);
    return at < 0 ? -1 : text.mid(at + label.size()).section(QLatin1Char(' '), 1, 1).toInt();
}
} // namespace

class ImportExportTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QSettings().clear(); }

    void menuAndComboFollowEachOtherAndPersist()
    {
        // A menu command (or 0: the combo box), the item it selects, what is stored.
        const std::tuple<UINT, int, const char*> steps[] = {
            {ID_CHIP_SINE, 0, "sine"},   {0, 2, "tandy"},
            {ID_CHIP_PCJR, 1, "pcjr"},   {0, 3, "speaker"},
            {ID_CHIP_TANDY, 2, "tandy"}, {ID_CHIP_SPEAKER, 3, "speaker"}};
        {
            CShell shell;
            QVERIFY(shell.Start());
            QComboBox* pCombo = ChipCombo(shell);
            // A new user hears the game's chip.
            QVERIFY(pCombo->currentIndex() == 1 && Checked(shell.Frame(), kChipItems) == 2);
            for (const auto& [nCommand, index, pszStored] : steps)
            {
                if (nCommand != 0)
                    QVERIFY(shell.Frame()->Trigger(nCommand));
                else
                    pCombo->setCurrentIndex(index);
                QVERIFY(pCombo->currentIndex() == index &&
                        Checked(shell.Frame(), kChipItems) == 1 << index);
                QVERIFY(shell.app->Playback().GetPlayThread()->GetSynthKind() == SynthKind(index));
                QCOMPARE(QSettings().value("Playback/Chip").toString(), pszStored);
            }
        }
        const std::pair<const char*, int> stored[] = {{"sine", 0}, {"speaker", 3}, {"fm", 1}};
        for (const auto& [pszStored, expected] : stored)
        {
            QSettings().setValue("Playback/Chip", pszStored);
            CShell shell;
            QVERIFY(shell.Start());
            QVERIFY(ChipCombo(shell)->currentIndex() == expected &&
                    shell.app->Playback().GetPlayThread()->GetSynthKind() == SynthKind(expected));
        }
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
        for (const Answer answer : {Answer::No, Answer::Yes})
        {
            shell.messages.texts.clear();
            shell.messages.answers = {answer};
            const std::size_t nChoosers = shell.files.requests.size();
            CSoundDoc& doc = *shell.ActiveDoc();
            QVERIFY(!ExportWav(doc, doc.GetPlayRange(), {SynthKind::PCjr}, 0, shell.Frame(), 0));
            QCOMPARE(shell.messages.texts,
                     std::vector<std::string>{
                         "The WAV file would last 1:12:49 (385 MB). Write it anyway?"});
            QVERIFY(shell.messages.requests.back().buttons == Buttons::YesNo);
            QCOMPARE(shell.files.requests.size(), nChoosers + (answer == Answer::Yes ? 1 : 0));
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
            QVERIFY(shell.app->Playback().GetPlayThread()->GetVoice().fade == FadeKind(expected));
        }

        CShell shell;
        QVERIFY(shell.Start());
        QVERIFY(shell.Frame()->Trigger(ID_FADE_V3));
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 2);
        QVERIFY(shell.app->Playback().GetPlayThread()->GetVoice().fade == FadeKind::V3);

        // A sound of a game's interpreter: its fade is in force and the items change it alone.
        shell.app->Documents().OnFileNew();
        CSoundDoc* pGameDoc = shell.ActiveDoc();
        QVERIFY(pGameDoc != nullptr);
        shell.app->Documents().GetSession(pGameDoc)->SetInterpreterFade(FadeKind::V2);
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 1);
        QVERIFY(shell.Frame()->Trigger(ID_FADE_NONE));
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 0);
        QVERIFY(shell.app->Playback().VoiceOf(pGameDoc).fade == FadeKind::None);
        QCOMPARE(QSettings().value("Playback/Fade").toString(), QStringLiteral("3"));

        // Playback and previews take the fade of the document they play.
        shell.app->Documents().OnFileNew();
        CSoundDoc* pOwnDoc = shell.ActiveDoc();
        QCOMPARE(Checked(shell.Frame(), kFadeItems), 1 << 2);
        shell.app->Documents().GetSession(pGameDoc)->SetInterpreterFade(FadeKind::V2);
        const std::pair<CSoundDoc*, FadeKind> previews[] = {
            {pGameDoc, FadeKind::V2}, {pOwnDoc, FadeKind::V3}, {pGameDoc, FadeKind::V2}};
        for (const auto& [pDoc, fade] : previews)
        {
            shell.app->Playback().PostPreview(pDoc, 40, 0);
            QVERIFY(shell.app->Playback().GetPlayThread()->GetVoice().fade == fade);
        }
    }

    // What the converter writes with the same chip and fade, or nothing: a cancel asks for no
    // file, a failure is told, and nothing is left behind, not even a temporary file. The
    // status bar names what was written; an export that wrote nothing leaves it alone.
    void exportsWriteWhatTheConverterWritesOrNothing()
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
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_PCJR));
        QVERIFY(shell.Frame()->Trigger(ID_FADE_V2));

        // Where to, whether to cancel while rendering, the file it must equal ("" none).
        const std::tuple<const char*, bool, const char*> wavs[] = {
            {"out/song.wav", false, "ref.wav"},
            {"out/cancelled.wav", true, ""},
            {"missing/failed.wav", false, ""}};
        for (const auto& [pszTarget, bCancel, pszReference] : wavs)
        {
            const QString target = dir.filePath(pszTarget);
            shell.files.answers = {LocalPath(target)};
            shell.messages.texts.clear();
            shell.app->SetIdleText("before");
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
                CSoundDoc& doc = *shell.ActiveDoc();
                QVERIFY(!ExportWav(doc, doc.GetPlayRange(), {}, 0, shell.Frame(), 0));
            }
            else
                QVERIFY(shell.Frame()->Trigger(ID_EXPORT_WAV));
            const bool bWritten = *pszReference != '\0';
            QVERIFY2(ReadAll(target) == ReadAll(dir.filePath(pszReference)), pszTarget);
            QCOMPARE(bCancelled, bCancel);
            QCOMPARE(shell.messages.texts.empty(), bWritten || bCancel);
            QCOMPARE(QDir(QFileInfo(target).path()).entryList(QDir::Files).size(),
                     bWritten ? 1 : 0);
            if (!bCancel) // the status bar of a command
                QCOMPARE(shell.Frame()->GetMessageText(),
                         bWritten
                             ? QStringLiteral("Wrote song.wav (%1)")
                                   .arg(QString::fromStdString(SizeText(ReadAll(target).size())))
                             : QStringLiteral("before"));
            QFile::remove(target);
        }
        QCOMPARE(shell.files.requests.back().strTitle, std::string("Export WAV"));
        QCOMPARE(shell.files.requests.back().strFileName, LocalPath(dir.filePath("song.wav")));

        QVERIFY(shell.Frame()->Trigger(ID_CHIP_TANDY));
        QVERIFY(shell.Frame()->Trigger(ID_FADE_V3));
        // Where to, the loop box, whether it is accepted, the file it must equal ("" none).
        const std::tuple<const char*, bool, bool, const char*> vgms[] = {
            {"out/song.vgm", true, true, "ref.vgm"},
            {"out/song.vgz", true, true, "ref.vgm"},
            {"out/flat.vgm", false, true, "flat.vgm"},
            {"out/cancelled.vgm", true, false, ""},
            {"missing/failed.vgm", true, true, ""}};
        for (const auto& [pszTarget, bLoop, bAccept, pszReference] : vgms)
        {
            const QString target = dir.filePath(pszTarget);
            shell.files.answers = {LocalPath(target)};
            shell.messages.texts.clear();
            AnswerNextBox("VgmOptions", bLoop, bAccept ? QMessageBox::Ok : QMessageBox::Cancel);
            shell.Frame()->Trigger(ID_EXPORT_VGM);
            const QByteArray written = target.endsWith(".vgz") ? Gunzip(target) : ReadAll(target);
            QVERIFY2(written == ReadAll(dir.filePath(pszReference)), pszTarget);
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
            {0, "0 bytes"},         {1, "1 byte"},       {1023, "1023 bytes"},   {1024, "1.0 KB"},
            {1048524, "1023.9 KB"}, {1048575, "1.0 MB"}, {3435973837, "3.2 GB"},
        };
        for (const auto& [bytes, pszText] : sizes)
            QCOMPARE(SizeText(bytes), std::string(pszText));
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
        QVERIFY(shell.Frame()->Trigger(ID_CHIP_PCJR));
        QVERIFY(shell.Frame()->Trigger(ID_FADE_NONE));
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_VOICE0 + 1));
        QVERIFY(shell.Frame()->Trigger(ID_MUTE_NOISE));

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
                AnswerNextBox("VgmOptions", false, QMessageBox::Ok);
            AnswerNextBox(QStringLiteral("ExportVoices"), bHeard,
                          bAccept ? QMessageBox::Ok : QMessageBox::Cancel);
            shell.Frame()->Trigger(nID);
            QVERIFY2(ReadAll(target) == ReadAll(dir.filePath(pszReference)), pszReference);
            // A cancel asks for no file.
            QCOMPARE(shell.files.answers.size(), bAccept ? 0u : 1u);
        }
        // The window still hears what it heard.
        QCOMPARE(shell.app->Documents().GetSession(shell.ActiveDoc())->GetMuteMask(), 0b1010u);
    }

    void channelChoicesChangeTheCounts()
    {
        const Bytes song = CrowdedMidiSong();
        const Result<MidiSong> read = ReadMidiFile(song);
        QVERIFY(read.Ok());
        CMidiImportDialog dialog(
            QStringLiteral("song.mid"), ListMidiChannels(read.Value()),
            [&](const MidiImportOptions& options) { return CountMidiImport(read.Value(), options); },
            MidiImportOptions{});
        QVERIFY(dialog.UseList(1) && dialog.UseList(2) && dialog.UseList(10));
        QVERIFY(dialog.UseList(3) == nullptr);
        // The channel, the use chosen for it; the notes then cut and raised.
        const std::tuple<int, MidiChannelUse, int, int> steps[] = {
            {1, MidiChannelUse::Automatic, 2, 1},
            {1, MidiChannelUse::Voice0, 4, 1}, // one voice holds one of the five
            {10, MidiChannelUse::Automatic, 4, 2},
            {1, MidiChannelUse::LeaveOut, 0, 1},
        };
        for (const auto& [channel, use, cut, raised] : steps)
        {
            dialog.UseList(channel)->setCurrentIndex(static_cast<int>(use));
            const QString text = dialog.CountsText();
            QCOMPARE(CountAfter(text, QStringLiteral("Cut for polyphony:")), cut);
            QCOMPARE(CountAfter(text, QStringLiteral("Raised into range:")), raised);
            QCOMPARE(dialog.Options().channels[channel - 1], use);
        }
    }

    void openingASongMakesANewSound_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("route");
        for (const char* name : {"song.MIDI", "log.vgz"})
        {
            for (const char* route : kOpenRoutes)
                QTest::addRow("%s %s", name, route) << QString(name) << QString(route);
            QTest::addRow("%s import", name) << QString(name) << QStringLiteral("import");
        }
    }

    void openingASongMakesANewSound()
    {
        QFETCH(QString, name);
        QFETCH(QString, route);
        QTemporaryDir dir;
        const bool bMidi = name.endsWith(QStringLiteral(".MIDI"));
        const Bytes bytes = bMidi ? CrowdedMidiSong() : Gzip(OneToneVgm());
        const std::string path = WriteTemp(dir, name, bytes);
        const QString qPath = dir.filePath(name);
        CShell shell;
        if (route != "import")
            QVERIFY(OpenBy(shell, route, qPath));
        else
        {
            QVERIFY(shell.Start());
            shell.files.answers = {path};
            if (bMidi)
                AnswerNextModal<CMidiImportDialog>([](CMidiImportDialog* pDialog)
                                                   { pDialog->accept(); });
            QVERIFY(shell.Frame()->Trigger(bMidi ? ID_IMPORT_MIDI : ID_IMPORT_VGM));
        }
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc != nullptr && pDoc->GetPathName().empty());
        QCOMPARE(QString::fromStdString(pDoc->GetTitle()), name.section(QLatin1Char('.'), 0, 0));
        QVERIFY(shell.messages.texts.empty());
        QCOMPARE(shell.app->Documents().GetRecentFileList().GetEntries().value(0), qPath);
        QVERIFY(shell.app->Documents().GetSession(pDoc)->GetCurrentPattern() != nullptr);
        const Channels played = Played(*pDoc);
        if (bMidi)
            QVERIFY(played == MidiImported(bytes, MidiImportOptions{}));
        else
            QVERIFY(played[0] == (std::vector<SongRecord>{{0, 30, 200, 2}}));
    }

    // Into the open sound: one step that undo takes back to the very patterns replaced (an
    // earlier edit still undoes), that redo makes again; a refused or cancelled file changes
    // nothing, not even the history. "progress" cancels in the progress dialog, while the
    // import waits for a file that comes through a pipe only once Cancel has been pressed.
    void importIntoTheOpenSoundIsOneUndoableStep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("song"); // 0 crowded MIDI, 1 one-tone VGM, 2 not a song
        QTest::addColumn<bool>("accept");
        QTest::newRow("midi") << "song.mid" << 0 << true;
        QTest::newRow("vgm") << "log.vgm" << 1 << true;
        QTest::newRow("escape") << "song.mid" << 0 << false;
        QTest::newRow("refused") << "notes.mid" << 2 << true;
        QTest::newRow("progress") << "slow.vgm" << 1 << false;
    }

    void importIntoTheOpenSoundIsOneUndoableStep()
    {
        QFETCH(QString, name);
        QFETCH(int, song);
        QFETCH(bool, accept);
        QTemporaryDir dir;
        const Bytes bytes = song == 0   ? CrowdedMidiSong()
                            : song == 1 ? OneToneVgm()
                                        : Bytes{'h', 'i'};
        const bool bThroughPipe = name == QStringLiteral("slow.vgm");
        const std::string path =
            bThroughPipe ? LocalPath(dir.filePath(name)) : WriteTemp(dir, name, bytes);
        QTimer canceller;
        QPointer<QProgressDialog> pPressed;
        bool bFed = false;
        if (bThroughPipe)
        {
            QVERIFY(mkfifo(path.c_str(), 0600) == 0);
            connect(&canceller, &QTimer::timeout,
                    [&]
                    {
                        if (pPressed == nullptr)
                            pPressed = PressProgressCancel();
                        else if (pPressed->wasCanceled())
                        {
                            canceller.stop();
                            // Non-blocking: the import is there, waiting to read.
                            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                            bFed = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) ==
                                                  static_cast<ssize_t>(bytes.size());
                            ::close(fd);
                        }
                    });
            canceller.start(20);
        }
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        CSoundSession* pSession = shell.app->Documents().GetSession(pDoc);
        const GameOrigin origin{QFile::encodeName(dir.path()).toStdString(), 7};
        pSession->SetGameOrigin(origin);
        const SoundCell typed{40, FREQ_EMPTY, NOISE_PERIODIC, 3};
        const PatternId first = pDoc->GetPatterns(0).front()->GetId();
        SoundEdits::SetCells(*pSession, {}, QStringLiteral("Typing"), first, 0, {typed});
        pDoc->SetModifiedFlag(false);
        const Channels typedSong = Played(*pDoc);
        const std::size_t nDocs = shell.app->Documents().GetDocuments().size();
        const std::string title = pDoc->GetTitle();
        QUndoStack& stack = pSession->Undo().Stack();

        shell.files.answers = {path};
        if (song == 0)
            AnswerNextModal<CMidiImportDialog>(
                [accept](CMidiImportDialog* pDialog)
                {
                    pDialog->UseList(2)->setCurrentIndex(static_cast<int>(MidiChannelUse::Voice1));
                    if (accept)
                        pDialog->accept();
                });
        QVERIFY(shell.Frame()->Trigger(song == 1 ? ID_IMPORT_VGM_INTO : ID_IMPORT_MIDI_INTO));
        QCOMPARE(shell.app->Documents().GetDocuments().size(), nDocs);
        QVERIFY(shell.ActiveDoc() == pDoc && pDoc->GetTitle() == title);
        QVERIFY(pSession->GetGameOrigin() == origin);
        if (!accept || song == 2)
        {
            QVERIFY(Played(*pDoc) == typedSong && !pDoc->IsModified() && stack.count() == 1);
            QCOMPARE(shell.messages.texts.size(), std::size_t(song == 2 ? 1 : 0));
            QVERIFY(!bThroughPipe || bFed);
            return;
        }
        MidiImportOptions options;
        options.channels[1] = MidiChannelUse::Voice1;
        CSoundDoc vgm;
        const Channels imported =
            song == 1 && ImportVgm(bytes, vgm).Ok() ? Played(vgm) : MidiImported(bytes, options);
        QVERIFY(Played(*pDoc) == imported && pDoc->IsModified());
        QVERIFY(pSession->GetCurrentPattern() != nullptr);
        const PatternId shown = pSession->GetCurrentPattern()->GetId();
        QCOMPARE(stack.count(), 2);
        QCOMPARE(stack.undoText(), QStringLiteral("Import ") + name);
        // What the import lost is read whole under the pointer, and goes with the import.
        const QString report = shell.Frame()->GetMessageText();
        QVERIFY(song == 1 || report.startsWith(name + QStringLiteral(": ")));
        QCOMPARE(shell.Frame()->findChild<QLabel*>(QStringLiteral("MessagePane"))->toolTip(), report);

        QVERIFY(shell.Frame()->Trigger(ID_EDIT_UNDO));
        QVERIFY(song == 1 || shell.Frame()->GetMessageText() != report);
        QVERIFY(Played(*pDoc) == typedSong && pSession->GetCurrentPattern()->GetId() == first);
        QVERIFY(shell.Frame()->Trigger(ID_EDIT_UNDO));
        QVERIFY(pDoc->GetCells(first, 0, 1).front() == SoundCell::Empty());
        for (int i = 0; i < 2; ++i)
            QVERIFY(shell.Frame()->Trigger(ID_EDIT_REDO));
        QVERIFY(Played(*pDoc) == imported && pDoc->FindPattern(first) == nullptr);
        QCOMPARE(pSession->GetCurrentPattern()->GetId(), shown);
        QVERIFY(shell.messages.texts.empty());
    }

    void badSongsAreNamedAndMakeNoDocument_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("text") << "notes.mid" << QByteArray("hello") << "not a MIDI file";
        QTest::newRow("no chip") << "chip.vgm" << ToQBytes(VgmFile(VgmWait(735), 735, 0))
                                 << "no SN76489";
    }

    void badSongsAreNamedAndMakeNoDocument()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const std::string path = WriteTemp(dir, name, Bytes(bytes.begin(), bytes.end()));
        CShell shell;
        QVERIFY(shell.Start());
        const std::size_t nBefore = shell.app->Documents().GetDocuments().size();
        for (UINT nID :
             {ID_FILE_OPEN, name.endsWith(QStringLiteral(".mid")) ? ID_IMPORT_MIDI : ID_IMPORT_VGM})
        {
            shell.messages.texts.clear();
            shell.files.answers = {path};
            QVERIFY(shell.Frame()->Trigger(nID));
            QCOMPARE(shell.app->Documents().GetDocuments().size(), nBefore);
            QCOMPARE(shell.messages.texts.size(), std::size_t{1});
            const QString text = QString::fromStdString(shell.messages.texts.front());
            QVERIFY2(text.contains(QString::fromStdString(path)) && text.contains(error),
                     qPrintable(text));
        }
    }
};

TARVOK_SHELL_TEST_MAIN(ImportExportTest)
#include "import_export_test.moc"
