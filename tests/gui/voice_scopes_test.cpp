// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"
#include "support/Spectrum.h"

#include "session/SoundSession.h"
#include "sound/SoundPattern.h"
#include "views/VoiceScopeSource.h"
#include "views/VoiceScopes.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QUndoStack>

#include <cmath>

namespace
{
class CFakeSource : public IVoiceScopeSource
{
public:
    void LatestWindow(int voice, std::int16_t* pOut) const override
    {
        std::copy(m_windows[voice].begin(), m_windows[voice].end(), pOut);
    }
    std::array<std::array<std::int16_t, kScopeWindow>, IVoiceSink::kVoices> m_windows{};
};

// The rows of columns [x0, x1) that differ from the background, and the darkest pixel.
struct Column
{
    int top = -1;
    int bottom = -1;
    int darkest = 255;
};

Column Inked(const QImage& image, int x0, int x1)
{
    Column column;
    const QRgb background = image.pixel(x0, image.height() - 1);
    for (int y = 16; y < image.height() - 2; ++y)
        for (int x = x0; x < x1; ++x)
        {
            const QRgb pixel = image.pixel(x, y);
            if (pixel == background)
                continue;
            if (column.top < 0)
                column.top = y;
            column.bottom = y;
            column.darkest = std::min(column.darkest, qGray(pixel));
        }
    return column;
}

// A4 held on voice 0 and E5 on voice 1, looped.
void HoldTwoTones(CSoundDoc& doc)
{
    doc.AssignProperties({120, doc.GetStepSize(), doc.GetTracksPerBeat()});
    doc.AssignPlayRange({0, 7});
    doc.PlacePattern(0, 0, doc.CreatePattern(0, 8))->SetCell(0, {69, 0, 0, 0});
    doc.PlacePattern(1, 0, doc.CreatePattern(1, 8))->SetCell(0, {76, 0, 0, 0});
}

// Plays on well past what the thread renders ahead, so the latest samples follow the mask in
// force now; whether each tone is in them.
std::pair<bool, bool> HeardTones(CVirtualAudioDevice& device, CSoundPlayThread& thread)
{
    constexpr unsigned kChunk = 2048;
    constexpr std::size_t kN = 4096;
    device.TakeOutput();
    for (int i = 0; i < 24; ++i)
    {
        device.Advance(kChunk);
        thread.WaitUntilHandled();
    }
    const std::vector<std::int16_t> heard = device.TakeOutput();
    const CSpectrum spectrum(heard.data() + heard.size() - kN, kN);
    return {spectrum.Db(440.0) > -40.0, spectrum.Db(659.3) > -40.0};
}

int ScopeX(const CVoiceScopes& scopes, int voice)
{
    return (2 * voice + 1) * scopes.width() / 8;
}
} // namespace

class VoiceScopesTest : public QObject
{
    Q_OBJECT

private slots:
    void drawsEachVoiceAndDimsTheMuted()
    {
        CFakeSource source;
        for (std::size_t i = 0; i < kScopeWindow; ++i)
            for (const int voice : {0, 2})
                source.m_windows[voice][i] =
                    static_cast<std::int16_t>(30000 * std::sin(2 * M_PI * i / 100.0));
        CVoiceScopes scopes(source);
        scopes.resize(400, 100);
        scopes.SetMuteMask(0b0100);
        scopes.Refresh();
        const QImage image = scopes.grab().toImage();
        // Voice 0 swings through nearly the whole height; voice 1 is a flat line.
        const Column tone = Inked(image, 10, 90);
        QVERIFY(tone.bottom - tone.top > 60);
        const Column flat = Inked(image, 110, 190);
        QVERIFY(flat.top >= 0 && flat.bottom - flat.top <= 2);
        // Muted voice 2 draws the same swing, fainter.
        const Column muted = Inked(image, 210, 290);
        QVERIFY(muted.bottom - muted.top > 60);
        QVERIFY(muted.darkest > tone.darkest + 40);
    }

    void muteAndSoloFromTheWindowAreHeardAtOnce()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        QVERIFY(shell.StartWithDevice(pDevice));
        CSoundPlayThread* pThread = shell.app->m_pPlayThread;
        CSoundDoc* pDoc = shell.ActiveDoc();
        const CSoundSession* pSession = shell.app->GetSession(pDoc);
        HoldTwoTones(*pDoc);
        pDevice->SetRecording(true);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0 + 1));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_SOUND_PLAY));
        QVERIFY(pThread->WaitUntilHandled());
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(true, false));

        // While playing: the command, the mask it leaves, the tones heard then.
        const std::tuple<UINT, unsigned, bool, bool> steps[] = {
            {ID_MUTE_VOICE0 + 1, 0b0000, true, true},
            {ID_SOLO_VOICE0 + 1, 0b1101, false, true},
            {ID_SOLO_VOICE0 + 1, 0b0000, true, true},
            {ID_MUTE_VOICE0, 0b0001, false, true},
            // The only voice left unmuted is soloed already: every voice comes back.
            {ID_MUTE_VOICE0 + 2, 0b0101, false, true},
            {ID_MUTE_NOISE, 0b1101, false, true},
            {ID_SOLO_VOICE0 + 1, 0b0000, true, true},
            {ID_SOLO_NOISE, 0b0111, false, false},
            {ID_UNMUTE_ALL, 0b0000, true, true},
        };
        for (const auto& [nCommand, mask, bVoice0, bVoice1] : steps)
        {
            QVERIFY(shell.Frame()->ExecuteCommand(nCommand));
            QCOMPARE(pSession->GetMuteMask(), mask);
            QCOMPARE(pThread->GetMuteMask(), mask);
            QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(bVoice0, bVoice1));
        }
        QVERIFY(!shell.Frame()->QueryCommandState(ID_UNMUTE_ALL).m_bEnabled);

        // A second sound's mask waits until it plays; its own playback brings it in.
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0));
        shell.app->OnFileNew();
        CSoundDoc* pOther = shell.ActiveDoc();
        HoldTwoTones(*pOther);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0 + 1));
        QCOMPARE(pThread->GetMuteMask(), 0b0001u);
        QVERIFY(shell.Frame()->ExecuteCommand(ID_SOUND_PLAY));
        QVERIFY(pThread->WaitUntilHandled());
        QCOMPARE(pThread->GetMuteMask(), 0b0010u);
        QCOMPARE(HeardTones(*pDevice, *pThread), std::make_pair(true, false));
    }

    void previewsAreMutedByTheirOwnSound()
    {
        CVirtualAudioDevice* pDevice = nullptr;
        CShell shell;
        QVERIFY(shell.StartWithDevice(pDevice));
        CSoundPlayThread* pThread = shell.app->m_pPlayThread;
        CSoundDoc* pPreviewed = shell.ActiveDoc();
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0 + 1));
        shell.app->OnFileNew();
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_VOICE0 + 2));
        pDevice->SetRecording(true);
        // Whether the other sound plays, the preview's voice, whether it is heard.
        const std::tuple<bool, int, bool> cases[] = {
            {false, 1, false}, {false, 2, true}, {true, 1, false}, {true, 2, true}};
        for (const auto& [bOtherPlays, voice, bHeard] : cases)
        {
            if (bOtherPlays && !shell.app->GetSession(shell.ActiveDoc())->IsPlaying())
                QVERIFY(shell.Frame()->ExecuteCommand(ID_SOUND_PLAY));
            QVERIFY(pThread->WaitUntilHandled());
            pDevice->TakeOutput();
            shell.app->PostPreview(pPreviewed, 81, voice);
            QVERIFY(pThread->WaitUntilHandled());
            pDevice->Advance(4096);
            QVERIFY(pThread->WaitUntilHandled());
            const std::vector<std::int16_t> heard = pDevice->TakeOutput();
            QCOMPARE(CSpectrum(heard.data(), 4096).Db(880.0) > -30.0, bHeard);
            // The sound that plays keeps its own mask.
            if (bOtherPlays)
                QCOMPARE(pThread->GetMuteMask(), 0b0100u);
            // The rest of the note, so the next case hears only its own.
            pDevice->Advance(4 * 4096);
        }
    }

    void scopesMuteAndSoloEveryWindowOfTheSoundButNeverChangeIt()
    {
        CShell shell;
        QVERIFY(shell.Start());
        CSoundDoc* pDoc = shell.ActiveDoc();
        CSoundSession* pSession = shell.app->GetSession(pDoc);
        CVoiceScopes* pFirst = shell.ActiveFrame()->GetScopes();
        QVERIFY(shell.Frame()->ExecuteCommand(ID_WINDOW_NEW));
        CVoiceScopes* pSecond = shell.ActiveFrame()->GetScopes();
        QVERIFY(pFirst != nullptr && pSecond != nullptr && pFirst != pSecond);
        QVERIFY(pSecond->isVisible() && pSecond->width() > 100);
        const int nUndoSteps = pSession->Undo().Stack().count();

        // The sequence editor's channel names take the same clicks.
        QWidget* pNames =
            qobject_cast<QAbstractScrollArea*>(shell.ActiveFrame()->GetPane(0))->viewport();
        // Click on which voice's scope (or name), with Ctrl, the mask it leaves.
        const std::tuple<int, bool, bool, unsigned> clicks[] = {
            {2, false, false, 0b0100}, {2, false, false, 0b0000}, {3, false, false, 0b1000},
            {0, true, false, 0b1110},  {0, true, false, 0b0000},  {1, false, false, 0b0010},
            {1, false, true, 0b0000},  {3, true, true, 0b0111},   {3, false, true, 0b1111},
            {2, true, true, 0b1011},
        };
        for (const auto& [voice, bCtrl, bName, mask] : clicks)
        {
            const Qt::KeyboardModifiers modifiers = bCtrl ? Qt::ControlModifier : Qt::NoModifier;
            if (bName)
                QTest::mouseClick(pNames, Qt::LeftButton, modifiers, QPoint(70 + 64 * voice, 8));
            else
                QTest::mouseClick(pSecond, Qt::LeftButton, modifiers,
                                  QPoint(ScopeX(*pSecond, voice), pSecond->height() / 2));
            QCOMPARE(pSession->GetMuteMask(), mask);
            QCOMPARE(pFirst->GetMuteMask(), mask);
            QCOMPARE(pSecond->GetMuteMask(), mask);
            QCOMPARE(shell.Frame()->QueryCommandState(ID_MUTE_VOICE0 + voice).m_bChecked,
                     ((mask >> voice) & 1u) != 0);
        }
        QVERIFY(!pDoc->IsModified());
        QCOMPARE(pSession->Undo().Stack().count(), nUndoSteps);
        QCOMPARE(pSession->GetSequenceCursor().step, 0);

        // The saved file is the same muted or not; opened again, every voice is heard.
        QTemporaryDir dir;
        const QString muted = dir.filePath("muted.tks");
        const QString open = dir.filePath("open.tks");
        shell.files.answers = {QFile::encodeName(muted).toStdString()};
        QVERIFY(shell.app->DoSave(pDoc, true));
        QVERIFY(shell.Frame()->ExecuteCommand(ID_UNMUTE_ALL));
        shell.files.answers = {QFile::encodeName(open).toStdString()};
        QVERIFY(shell.app->DoSave(pDoc, true));
        QFile mutedFile(muted);
        QFile openFile(open);
        QVERIFY(mutedFile.open(QIODevice::ReadOnly) && openFile.open(QIODevice::ReadOnly));
        QVERIFY(mutedFile.readAll() == openFile.readAll());
        QVERIFY(shell.Frame()->ExecuteCommand(ID_MUTE_NOISE));
        shell.app->CloseDocument(pDoc);
        CSoundDoc* pAgain = shell.app->OpenDocumentFile(QFile::encodeName(muted).toStdString());
        QVERIFY(pAgain != nullptr);
        QCOMPARE(shell.app->GetSession(pAgain)->GetMuteMask(), 0u);
    }

    void mutingKeysAreTheSoundWindowsOwn()
    {
        CShell shell;
        QVERIFY(shell.Start());
        // Each key once, on the mute or solo command of its voice.
        const std::pair<const char*, UINT> keys[] = {{"Ctrl+1", ID_MUTE_VOICE0},
                                                     {"Ctrl+4", ID_MUTE_NOISE},
                                                     {"Ctrl+Shift+1", ID_SOLO_VOICE0},
                                                     {"Ctrl+Shift+4", ID_SOLO_NOISE}};
        for (const auto& [pszKeys, nID] : keys)
        {
            int nFound = 0;
            for (const QAction* pAction : shell.Frame()->findChildren<QAction*>())
                if (pAction->shortcuts().contains(QKeySequence(QString::fromLatin1(pszKeys))))
                {
                    ++nFound;
                    QCOMPARE(pAction->property("tarvokCommand").toUInt(), nID);
                }
            QCOMPARE(nFound, 1);
        }
    }
};

TARVOK_SHELL_TEST_MAIN(VoiceScopesTest)
#include "voice_scopes_test.moc"
