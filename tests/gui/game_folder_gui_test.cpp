// SPDX-License-Identifier: GPL-3.0-or-later
#include "../core/AgiTestBytes.h"
#include "ShellTestSupport.h"

#include "app/WindowTitles.h"
#include "dialogs/GameSoundListDialog.h"
#include "dialogs/GameTargetDialog.h"
#include "game/FolderLock.h"
#include "sound/AgiFile.h"
#include "sound/AgiTone.h"
#include "views/SoundPatternView.h"

#include <QListWidget>
#include <QTableWidget>

#include <filesystem>
#include <fstream>

namespace
{
// Divisors 288 and 300 lie between semitones; 427 is C-5's own.
const std::string kSound = Resource(
    {Tone(0, 6, 288, 2) + Tone(0, 6, 427, 4) + Tone(0, 6, 300, 6), "", "", Noise(9, 1, true, 3)});

// Longer than the editor holds: 17 notes of 65,534 ticks, over 1,048,576 rows.
std::string TooLongSound()
{
    std::string notes;
    for (int i = 0; i < 17; ++i)
        notes += Tone(0, 0xFFFE, 400, 4);
    return Resource({notes, "", "", ""});
}

std::string VolRecord(const std::string& resource)
{
    return Bytes({0x12, 0x34, 0, static_cast<int>(resource.size() & 0xFF),
                  static_cast<int>(resource.size() >> 8)}) +
           resource;
}

// Sounds 0 and 1 (too long to open) in VOL.0; sound 3's entry points past the end of VOL.0.
void MakeGame(const std::string& dir)
{
    const std::string first = VolRecord(kSound);
    std::ofstream(dir + "/VOL.0", std::ios::binary) << first + VolRecord(TooLongSound());
    const int offset = static_cast<int>(first.size());
    std::ofstream(dir + "/SNDDIR", std::ios::binary)
        << Bytes({0, 0, 0, 0, offset >> 8, offset & 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x10, 0});
}
// Answers each Save into Game dialog that opens, in turn, with the next sound number of dir.
void ChooseSounds(const std::string& dir, std::deque<int> numbers)
{
    AnswerNextModal<CGameTargetDialog>(
        [dir, numbers](CGameTargetDialog* pTarget) mutable
        {
            pTarget->ShowFolder(QString::fromStdString(dir));
            pTarget->GetNumberList()->setCurrentRow(numbers.front());
            numbers.pop_front();
            pTarget->accept();
            if (!numbers.empty())
                ChooseSounds(dir, numbers);
        });
}

GameBytes SoundOf(const std::string& dir, int n)
{
    CGameFolder game;
    GameBytes bytes;
    return game.Open(dir).empty() && game.ReadSound(n, bytes).empty() ? bytes : GameBytes();
}

void WriteFromOutside(const std::string& dir, int n, const std::string& resource)
{
    CGameFolder game;
    QVERIFY(game.Open(dir).empty() &&
            game.WriteSound(n, {resource.begin(), resource.end()}).message.empty());
}
} // namespace

class GameFolderGuiTest : public QObject
{
    Q_OBJECT

private slots:
    void openEditAndSaveIntoGame()
    {
        QTemporaryDir tmp;
        const std::string dir = QFile::encodeName(tmp.path()).toStdString();
        MakeGame(dir);
        CShell shell;
        QVERIFY(shell.Start());
        shell.files.answers = {dir};
        AnswerNextModal<QDialog>(
            [](QDialog* pWidget)
            {
                auto* pList = qobject_cast<CGameSoundListDialog*>(pWidget);
                QVERIFY(pList != nullptr);
                QTableWidget* pTable = pList->GetTable();
                QCOMPARE(pTable->rowCount(), 3);
                // Sound, length, playable, and the start of the reason it cannot be opened.
                const std::tuple<const char*, bool, const char*> rows[] = {
                    {"0:00", true, ""},
                    {"309:28", false, "too long to open"},
                    {"", false, "damaged"}};
                for (int row = 0; row < 3; ++row)
                {
                    const auto& [pszLength, bPlay, pszNote] = rows[row];
                    const auto text = [&](int column)
                    {
                        const QTableWidgetItem* pItem = pTable->item(row, column);
                        return pItem == nullptr ? QString() : pItem->text();
                    };
                    QCOMPARE(text(CGameSoundListDialog::kLengthColumn), QString(pszLength));
                    QCOMPARE(pTable->cellWidget(row, CGameSoundListDialog::kPlayColumn) != nullptr,
                             bPlay);
                    // A null text starts with nothing, not even "".
                    const QString note = text(CGameSoundListDialog::kNoteColumn);
                    QVERIFY2(*pszNote == '\0' ? note.isEmpty() : note.startsWith(pszNote),
                             qPrintable(note));
                    pTable->selectRow(row);
                    QCOMPARE(pList->findChild<QPushButton*>("open")->isEnabled(), bPlay);
                }
                pList->TogglePreview(0);
                auto* pPlay = qobject_cast<QPushButton*>(
                    pTable->cellWidget(0, CGameSoundListDialog::kPlayColumn));
                QCOMPARE(pPlay->text(), QStringLiteral("Stop"));
                pTable->selectRow(0);
                pList->accept();
            });
        QVERIFY(shell.Frame()->Trigger(ID_FILE_OPEN_GAME));
        CSoundDoc* pDoc = shell.ActiveDoc();
        QVERIFY(pDoc != nullptr);
        QCOMPARE(pDoc->GetTitle(), std::filesystem::path(dir).filename().string() + " sound 0");
        CSoundSession* pSession = shell.app->Documents().GetSession(pDoc);
        QCOMPARE(pSession->GetGameOrigin(), (GameOrigin{dir, 0}));
        QVERIFY(!pDoc->IsModified());
        const std::vector<std::uint8_t> before = BuildAgiBytes(*pDoc, pDoc->GetWholeSong()).Value();

        // Typing the exact pitch's own note makes it the semitone: only its divisor changes.
        auto* pView = shell.ActiveFrame()->findChild<CSoundPatternView*>();
        CSoundPattern* pPattern = pDoc->GetPatternAt({0, 0});
        int row = 0;
        while (!pPattern->GetCell(row).HasDivisor())
            ++row;
        const SoundCell exact = pPattern->GetCell(row);
        pSession->SetCurrentPattern(pPattern);
        pSession->SetPatternCursor({0, row});
        shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(shell.Frame()));
        pView->setFocus();
        pView->EnsureCursorVisible();
        QCOMPARE(shell.Frame()->GetMessageText().toStdString(),
                 AgiDivisorText(exact.divisor, exact.note));
        pView->SetOctave(exact.note / 12);
        QTest::keyClick(pView, static_cast<Qt::Key>("ZSXDCVGBHNJM"[exact.note % 12]));
        QCOMPARE(pPattern->GetCell(row).note, exact.note);
        QVERIFY(!pPattern->GetCell(row).HasDivisor());
        const std::vector<std::uint8_t> after = BuildAgiBytes(*pDoc, pDoc->GetWholeSong()).Value();
        QCOMPARE(after.size(), before.size());
        // Bytes 2 and 3 of the sound's first record hold its divisor.
        QVERIFY(after != before);
        for (std::size_t i = 0; i < after.size(); ++i)
            QVERIFY(after[i] == before[i] || i == 10 || i == 11);

        // Transpose carries the other exact pitch along: 300 an octave up is 150.
        int next = row + 1;
        while (!pPattern->GetCell(next).HasDivisor())
            ++next;
        pSession->SetPatternCursor({0, next});
        pView->Transpose(12);
        QCOMPARE(pPattern->GetCell(next).divisor, 150);

        // Save into Game asks once and backs up once per document.
        ChooseSounds(dir, {0});
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE_INTO_GAME));
        pView->Transpose(-12);
        ChooseSounds(dir, {0});
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE_INTO_GAME));
        QCOMPARE(shell.messages.texts.size(), std::size_t{1});
        QVERIFY(!pDoc->IsModified());
        QCOMPARE(SoundOf(dir, 0), BuildAgiBytes(*pDoc, pDoc->GetWholeSong()).Value());
        // One backup folder beside the lock file.
        QCOMPARE(std::distance(std::filesystem::directory_iterator(dir + "/.tarvok-backup"), {}),
                 2);
    }

    // A new sound goes into a game at a free number, keeps its own file beside it, and comes
    // back from the game as it went in until the game's sound is changed outside.
    void saveIntoGameForANewSound()
    {
        QTemporaryDir tmp;
        const std::string dir = LocalPath(tmp.path());
        MakeGame(dir);
        CShell shell;
        QVERIFY(shell.Start());
        QCOMPARE(shell.Command(ID_FILE_SAVE_INTO_GAME)->shortcut(), QKeySequence("Ctrl+G"));
        CSoundDoc* pDoc = shell.ActiveDoc();
        const auto edit = [&](int row) {
            pDoc->SetCells(pDoc->GetPatternAt({0, 0})->GetId(), row, {ToneCell(60 + row, 0)});
        };
        pDoc->RenamePattern(pDoc->GetPatternAt({0, 0})->GetId(), "melody");
        shell.files.answers = {dir + "/song.tks"};
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE));
        edit(0);
        const auto choose = [&](int n, const char* listed)
        {
            AnswerNextModal<QDialog>(
                [=](QDialog* pWidget)
                {
                    auto* pTarget = qobject_cast<CGameTargetDialog*>(pWidget);
                    QVERIFY(pTarget != nullptr);
                    pTarget->ShowFolder(QString::fromStdString(dir));
                    QListWidget* pNumbers = pTarget->GetNumberList();
                    QCOMPARE(pNumbers->count(), 256);
                    QVERIFY(pNumbers->item(0)->text().endsWith(QStringLiteral("sound, 0:00")));
                    QVERIFY(pNumbers->item(3)->text().endsWith(QStringLiteral("damaged sound")));
                    if (n >= 0)
                        pNumbers->setCurrentRow(n);
                    QVERIFY2(pNumbers->currentItem()->text().endsWith(QLatin1String(listed)),
                             qPrintable(pNumbers->currentItem()->text()));
                    pTarget->accept();
                });
            return shell.Frame()->Trigger(ID_FILE_SAVE_INTO_GAME);
        };
        const auto written = [&](int n)
        { return SoundOf(dir, n) == BuildAgiBytes(*pDoc, pDoc->GetWholeSong()).Value(); };
        QVERIFY(choose(7, "free"));
        QCOMPARE(shell.messages.texts.size(), std::size_t{1}); // the write's question
        QVERIFY(written(7));
        QCOMPARE(shell.app->Documents().GetSession(pDoc)->GetGameOrigin().sound, 7);
        const std::string sound7 = std::filesystem::path(dir).filename().string() + " sound 7";
        // The file is behind the game now.
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()),
                 QString::fromStdString("song.tks (" + sound7 + ")*"));
        QCOMPARE(
            QSettings().value(QStringLiteral("Recent Game List/Game1")).toString().toStdString(),
            dir);
        // Save writes the file, not the game.
        edit(1);
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE));
        QVERIFY(!pDoc->IsModified() && pDoc->GetPathName() == dir + "/song.tks" && !written(7));

        // The game's sound is chosen first: it is written there again, asking nothing.
        QVERIFY(choose(-1, "sound, 0:02"));
        QVERIFY(written(7) && shell.messages.texts.size() == 1);

        // Replacing another sound asks first; declined, nothing changes.
        edit(2);
        shell.messages.answers = {Answer::Cancel};
        QVERIFY(choose(0, "sound, 0:00"));
        QCOMPARE(shell.messages.texts.size(), std::size_t{2});
        QVERIFY2(shell.messages.texts.back().find("sound 0 (0:00,") != std::string::npos,
                 shell.messages.texts.back().c_str());
        QVERIFY(!written(0) &&
                shell.app->Documents().GetSession(pDoc)->GetGameOrigin().sound == 7 &&
                pDoc->IsModified());

        // From the game: the document as it went in, or the game's bytes once they changed.
        const auto reopen = [&]
        {
            shell.app->Documents().CloseDocument(shell.ActiveDoc());
            return pDoc = shell.app->GameFolders().OpenGameSound(dir, 7);
        };
        QVERIFY(reopen() != nullptr && !pDoc->IsModified());
        QCOMPARE(pDoc->GetPatternAt({0, 0})->GetName(), std::string("melody"));
        QCOMPARE(WindowTitles::Shown(*shell.ActiveFrame()), QString::fromStdString(sound7));
        // Without a file of its own, Save asks for one as for a new sound.
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE));
        QCOMPARE(shell.files.requests.back().strFileName, sound7 + ".tks");
        WriteFromOutside(dir, 7, kSound);
        QVERIFY(reopen()->GetPatternAt({0, 0})->GetName() != "melody");
        QCOMPARE(shell.Frame()->GetMessageText(),
                 QStringLiteral("sound 7 was changed outside Tarvok; imported from the game"));
    }

    // A change made in the game meanwhile is overwritten only when the person says so; a
    // write that waits for another one keeps the window going and can be given up.
    void aChangeInTheGameAndAnotherWriter()
    {
        QTemporaryDir tmp;
        const std::string dir = LocalPath(tmp.path());
        MakeGame(dir);
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.app->GameFolders().OpenGameSound(dir, 0);
        const auto edit = [&](int row) {
            pDoc->SetCells(pDoc->GetPatternAt({0, 0})->GetId(), row, {ToneCell(60 + row, 0)});
        };
        const auto saved = [&](int n)
        { return SoundOf(dir, n) == BuildAgiBytes(*pDoc, pDoc->GetWholeSong()).Value(); };
        const auto save = [&](std::deque<int> numbers, std::deque<Answer> answers)
        {
            ChooseSounds(dir, std::move(numbers));
            shell.messages.answers = std::move(answers);
            shell.messages.requests.clear();
            return shell.Frame()->Trigger(ID_FILE_SAVE_INTO_GAME);
        };
        const std::string theirs = Resource({Tone(0, 5, 300, 1), "", "", ""});
        edit(0);
        WriteFromOutside(dir, 0, theirs);
        QVERIFY(save({0}, {Answer::Ok, Answer::Cancel}));
        const MessageRequest& asked = shell.messages.requests.back();
        QCOMPARE(asked.text, std::string("Sound 0 was changed in the game since you opened it"));
        QCOMPARE(asked.buttonTexts,
                 (std::vector<std::string>{"Overwrite", "Save as another sound", "Cancel"}));
        QVERIFY(SoundOf(dir, 0) == GameBytes(theirs.begin(), theirs.end()) && pDoc->IsModified());
        // Another sound: the number is chosen again.
        QVERIFY(save({0, 9}, {Answer::Ok, Answer::No}));
        QVERIFY(!saved(0) && saved(9));
        QCOMPARE(shell.app->Documents().GetSession(pDoc)->GetGameOrigin().sound, 9);
        WriteFromOutside(dir, 9, theirs);
        QVERIFY(save({9}, {Answer::Yes}));
        QVERIFY(saved(9) && !pDoc->IsModified());

        // Another writer holds the game: asked after a while, the write gives up, or waits on
        // while the window's timers run, until the other lets go.
        shell.app->GameFolders().SetWaitQuestionAfter(std::chrono::milliseconds(200));
        edit(1);
        std::optional<CFolderLock> other(dir + "/.tarvok-backup");
        std::string error;
        QVERIFY(other->Acquire({}, error) == CFolderLock::Outcome::Locked);
        QVERIFY(save({9}, {}));
        QVERIFY(pDoc->IsModified() && !saved(9));
        QCOMPARE(shell.messages.requests.front().text,
                 "Another write into the game folder " + dir +
                     " is going on.\n\nKeep waiting for it to end?");
        QVERIFY(
            shell.Frame()->GetMessageText().endsWith("another write into the game was going on"));
        bool bBusy = false;
        QTimer::singleShot(300,
                           [&]
                           {
                               const QCursor* pCursor = QGuiApplication::overrideCursor();
                               bBusy = pCursor != nullptr && pCursor->shape() == Qt::BusyCursor;
                               other.reset();
                           });
        QVERIFY(save({9}, {Answer::Yes}));
        QVERIFY(bBusy && saved(9) && QGuiApplication::overrideCursor() == nullptr);
    }

    void aWriteThatCannotBeReadBack()
    {
        if (!qEnvironmentVariableIsSet("TARVOK_TEST_UNREADABLE"))
            QSKIP("runs as a test of its own, in which VOL.0 cannot be read once renamed");
        QTemporaryDir tmp;
        const std::string dir = LocalPath(tmp.path());
        MakeGame(dir);
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        pDoc->SetCells(pDoc->GetPatternAt({0, 0})->GetId(), 0, {ToneCell(60, 0)});
        ChooseSounds(dir, {7});
        QVERIFY(shell.Frame()->Trigger(ID_FILE_SAVE_INTO_GAME));
        QCOMPARE(shell.messages.texts.back(),
                 "sound 7 was written into the game folder " + dir +
                     ", but VOL.0 could not be read back to check it: Input/output error");
        // It went in: the sound is that game's now, but not saved.
        QVERIFY(pDoc->IsModified() &&
                shell.app->Documents().GetSession(pDoc)->GetGameOrigin().sound == 7);
    }
};

TARVOK_SHELL_TEST_MAIN(GameFolderGuiTest)
#include "game_folder_gui_test.moc"
