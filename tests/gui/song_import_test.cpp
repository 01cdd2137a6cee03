// SPDX-License-Identifier: GPL-3.0-or-later
// MIDI and VGM files brought into the editor: the channel dialog, File > Import, and the
// other ways of opening a file.
#include "ShellTestSupport.h"

#include "dialogs/MidiImportDialog.h"
#include "session/SoundSession.h"
#include "session/SoundUndoCommands.h"
#include "sound/AgiResource.h"
#include "sound/MidiImport.h"
#include "sound/SoundDoc.h"
#include "sound/VgmImport.h"
#include "support/ImportBytes.h"

#include <QComboBox>

namespace
{
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
    return ResourceRecords(BuildAgiResource(doc).bytes);
}

Channels MidiImported(const Bytes& file, const MidiImportOptions& options)
{
    CSoundDoc doc;
    ImportMidi(file, options, doc);
    return Played(doc);
}

int CountAfter(const QString& text, const QString& label)
{
    const qsizetype at = text.indexOf(label);
    return at < 0 ? -1 : text.mid(at + label.size()).section(QLatin1Char(' '), 1, 1).toInt();
}
} // namespace

class SongImportTest : public QObject
{
    Q_OBJECT

private slots:
    void channelChoicesChangeTheCounts()
    {
        const Bytes song = CrowdedMidiSong();
        const MidiReadResult read = ReadMidiFile(song);
        QVERIFY(read.Ok());
        CMidiImportDialog dialog(
            QStringLiteral("song.mid"), ListMidiChannels(read.song),
            [&](const MidiImportOptions& options) { return CountMidiImport(read.song, options); },
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

    void importMenuAsksTheChannelsAndEscapeMakesNothing()
    {
        QTemporaryDir dir;
        const Bytes song = CrowdedMidiSong();
        const std::string path = WriteTemp(dir, QStringLiteral("song.mid"), song);
        CShell shell;
        QVERIFY(shell.Start());
        const std::size_t nBefore = shell.app->GetDocuments().size();

        shell.files.answers = {path};
        AnswerNextModal<CMidiImportDialog>([](CMidiImportDialog* pDialog)
                                           { QTest::keyClick(pDialog, Qt::Key_Escape); });
        QVERIFY(shell.Frame()->ExecuteCommand(ID_IMPORT_MIDI));
        QCOMPARE(shell.app->GetDocuments().size(), nBefore);

        shell.files.answers = {path};
        AnswerNextModal<CMidiImportDialog>(
            [](CMidiImportDialog* pDialog)
            {
                pDialog->UseList(1)->setCurrentIndex(static_cast<int>(MidiChannelUse::LeaveOut));
                pDialog->UseList(2)->setCurrentIndex(static_cast<int>(MidiChannelUse::Voice2));
                pDialog->accept();
            });
        QVERIFY(shell.Frame()->ExecuteCommand(ID_IMPORT_MIDI));
        QCOMPARE(shell.app->GetDocuments().size(), nBefore + 1);
        MidiImportOptions expected;
        expected.channels[0] = MidiChannelUse::LeaveOut;
        expected.channels[1] = MidiChannelUse::Voice2;
        const Channels played = Played(*shell.ActiveDoc());
        QVERIFY(played == MidiImported(song, expected));
        QVERIFY(played[0].empty() && played[2].size() == 1);
        QVERIFY(shell.messages.texts.empty());
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
            QVERIFY(shell.Frame()->ExecuteCommand(bMidi ? ID_IMPORT_MIDI : ID_IMPORT_VGM));
        }
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc != nullptr && pDoc->GetPathName().empty());
        QVERIFY(shell.messages.texts.empty());
        QCOMPARE(shell.app->GetRecentFileList().GetEntries().value(0), qPath);
        QVERIFY(shell.app->GetSession(pDoc)->GetCurrentPattern() != nullptr);
        const Channels played = Played(*pDoc);
        if (bMidi)
            QVERIFY(played == MidiImported(bytes, MidiImportOptions{}));
        else
            QVERIFY(played[0] == (std::vector<SongRecord>{{0, 30, 200, 2}}));
    }

    // Into the open sound: one step that undo takes back to the very patterns replaced (an
    // earlier edit still undoes), that redo makes again; a refused or cancelled file changes
    // nothing, not even the history.
    void importIntoTheOpenSoundIsOneUndoableStep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("song"); // 0 crowded MIDI, 1 one-tone VGM, 2 not a song
        QTest::addColumn<bool>("accept");
        QTest::newRow("midi") << "song.mid" << 0 << true;
        QTest::newRow("vgm") << "log.vgm" << 1 << true;
        QTest::newRow("escape") << "song.mid" << 0 << false;
        QTest::newRow("refused") << "notes.mid" << 2 << true;
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
        const std::string path = WriteTemp(dir, name, bytes);
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        CSoundSession* pSession = shell.app->GetSession(pDoc);
        const GameOrigin origin{QFile::encodeName(dir.path()).toStdString(), 7};
        pSession->SetGameOrigin(origin);
        SoundCell typed = SoundCell::Empty();
        typed.SetNote(40);
        typed.atten = 3;
        const PatternId first = pDoc->GetPatterns(0).front()->GetId();
        SoundEdits::SetCells(*pSession, {}, QStringLiteral("Typing"), first, 0, {typed});
        pDoc->SetModifiedFlag(false);
        const Channels typedSong = Played(*pDoc);
        const std::size_t nDocs = shell.app->GetDocuments().size();
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
        QVERIFY(
            shell.Frame()->ExecuteCommand(song == 1 ? ID_IMPORT_VGM_INTO : ID_IMPORT_MIDI_INTO));
        QCOMPARE(shell.app->GetDocuments().size(), nDocs);
        QVERIFY(shell.ActiveDoc() == pDoc && pDoc->GetTitle() == title);
        QVERIFY(pSession->GetGameOrigin() == origin);
        if (!accept || song == 2)
        {
            QVERIFY(Played(*pDoc) == typedSong && !pDoc->IsModified() && stack.count() == 1);
            QCOMPARE(shell.messages.texts.size(), std::size_t(song == 2 ? 1 : 0));
            return;
        }
        Channels imported;
        {
            CSoundDoc expected;
            if (song == 1)
                QVERIFY(ImportVgm(bytes, expected).Ok());
            else
            {
                MidiImportOptions options;
                options.channels[1] = MidiChannelUse::Voice1;
                QVERIFY(ImportMidi(bytes, options, expected).Ok());
            }
            imported = Played(expected);
        }
        QVERIFY(Played(*pDoc) == imported && pDoc->IsModified());
        QVERIFY(pSession->GetCurrentPattern() != nullptr);
        const PatternId shown = pSession->GetCurrentPattern()->GetId();
        QCOMPARE(stack.count(), 2);
        QCOMPARE(stack.undoText(), QStringLiteral("Import ") + name);

        QVERIFY(shell.Frame()->ExecuteCommand(ID_EDIT_UNDO));
        QVERIFY(Played(*pDoc) == typedSong && pSession->GetCurrentPattern()->GetId() == first);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_EDIT_UNDO));
        QVERIFY(pDoc->GetCells(first, 0, 1).front() == SoundCell::Empty());
        for (int i = 0; i < 2; ++i)
            QVERIFY(shell.Frame()->ExecuteCommand(ID_EDIT_REDO));
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
        const std::size_t nBefore = shell.app->GetDocuments().size();
        for (UINT nID :
             {ID_FILE_OPEN, name.endsWith(QStringLiteral(".mid")) ? ID_IMPORT_MIDI : ID_IMPORT_VGM})
        {
            shell.messages.texts.clear();
            shell.files.answers = {path};
            QVERIFY(shell.Frame()->ExecuteCommand(nID));
            QCOMPARE(shell.app->GetDocuments().size(), nBefore);
            QCOMPARE(shell.messages.texts.size(), std::size_t{1});
            const QString text = QString::fromStdString(shell.messages.texts.front());
            QVERIFY2(text.contains(QString::fromStdString(path)) && text.contains(error),
                     qPrintable(text));
        }
    }
};

TARVOK_SHELL_TEST_MAIN(SongImportTest)
#include "song_import_test.moc"
