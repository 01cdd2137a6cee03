// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "sound/SoundPattern.h"
#include "views/NoteKeyboard.h"
#include "views/SoundBase.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QToolBar>

class NoteKeysTest : public QObject
{
    Q_OBJECT
    CShell m_shell;
    CSoundDoc* m_pDoc = nullptr;
    CSoundSession* m_pSession = nullptr;
    CSoundPattern* m_pPattern = nullptr;

    CSoundBase* Pane(int nPane) const
    {
        m_shell.ActiveFrame()->SetActivePane(nPane);
        return qobject_cast<CSoundBase*>(m_shell.ActiveFrame()->GetPane(nPane));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_shell.Start());
        m_shell.Frame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_shell.Frame()));
        m_pDoc = m_shell.ActiveDoc();
        m_pSession = m_shell.app->GetSession(m_pDoc);
        m_pSession->SetCurrentPattern(m_pPattern = m_pDoc->GetPatterns(0)[0].get());
        for (int c = 0; c < kChannelCount; ++c)
            m_pDoc->SetPlacements(c, {});
        m_pDoc->PlacePattern(0, 16, m_pDoc->PlacePattern(0, 48, m_pPattern));
        m_pDoc->PlacePattern(2, 80, m_pDoc->CreatePattern(2, 8));
    }

    void noteKeysAndOctave()
    {
        // Scan code, key and text of a French or German layout, modifiers, field (0 note,
        // 3 attenuation units), then the value written by place and by letter.
        const std::tuple<unsigned, int, const char*, Qt::KeyboardModifiers, int, int, int> cases[] =
            {{24, Qt::Key_A, "a", {}, 0, 60, NOTE_EMPTY},           // French, US Q
             {58, Qt::Key_Comma, ",", {}, 0, 59, NOTE_OFF},         // French, US M
             {29, Qt::Key_Z, "z", {}, 0, 69, 48},                   // German, US Y
             {16, Qt::Key_Slash, "/", Qt::ShiftModifier, 3, 7, 7}}; // German, Shift+7
        for (bool bByPlace : {true, false})
        {
            CNoteKeyboard::Instance().SetByPosition(bByPlace);
            for (const auto& [nScan, key, text, mods, nField, nByPlace, nByLetter] : cases)
            {
                m_pPattern->SetCell(0, SoundCell::Empty());
                m_pSession->SetPatternCursor({nField, 0});
                QKeyEvent event(QEvent::KeyPress, key, mods, nScan, 0, 0, QString::fromUtf8(text));
                QCoreApplication::sendEvent(Pane(1), &event);
                const SoundCell cell = m_pPattern->GetCell(0);
                QCOMPARE(int(nField == 0 ? cell.note : cell.atten),
                         bByPlace ? nByPlace : nByLetter);
            }
        }

        // The octave: keys and the Sound Bar's box agree; the box leaves focus and bar alone.
        auto* pBox = m_shell.Frame()->GetSoundBar()->findChild<QSpinBox*>("Octave");
        CSoundBase* pEditor = Pane(1);
        pEditor->SetOctave(4);
        for (const auto& [key, mods, nOctave] : {std::tuple(Qt::Key_PageUp, Qt::ControlModifier, 5),
                                                 std::tuple(Qt::Key_Slash, Qt::KeypadModifier, 4)})
        {
            QTest::keyClick(pEditor, key, mods);
            QCOMPARE(pBox->value(), nOctave);
        }
        pBox->setValue(9);
        QTest::mouseClick(pBox->findChild<QLineEdit*>(), Qt::LeftButton);
        m_shell.Settle();
        QVERIFY(pEditor->GetOctave() == 9 && QApplication::focusWidget() == pEditor &&
                !m_shell.Frame()->GetSoundBar()->isHidden());
    }

    void jumpsPlayFromCursorAndOpening()
    {
        // Pane (1 the pattern editor), key, modifiers, then the row or step it goes to.
        using Jump = std::tuple<int, Qt::Key, Qt::KeyboardModifiers, int>;
        m_pSession->SetPatternCursor({2, 7});
        for (const auto& [nPane, key, mods, nTo] :
             {Jump{1, Qt::Key_End, {}, 15}, Jump{1, Qt::Key_Home, {}, 0},
              Jump{0, Qt::Key_End, {}, 3}, Jump{0, Qt::Key_Home, {}, 1},
              Jump{0, Qt::Key_End, Qt::ControlModifier, 5},
              Jump{0, Qt::Key_Home, Qt::ControlModifier, 0}})
        {
            QTest::keyClick(Pane(nPane), key, mods);
            QCOMPARE(nPane == 1 ? m_pSession->GetPatternCursor().row
                                : m_pSession->GetSequenceCursor().step,
                     nTo);
        }
        // Pane, sequence step, pattern row, then the song position playback starts at.
        m_pDoc->SetPlayRange({8, 64});
        for (const auto& [nPane, nStep, nRow, nPos] :
             {std::tuple(1, 2, 5, 21), std::tuple(1, 4, 5, 53), std::tuple(1, 0, 5, 21),
              std::tuple(0, 3, 5, 48), std::tuple(0, 5, 0, 8)})
        {
            m_pSession->SetSequenceCursor({0, nStep});
            m_pSession->SetPatternCursor({0, nRow});
            QTest::keyClick(Pane(nPane), Qt::Key_F3, Qt::ControlModifier);
            QVERIFY(m_pSession->GetPlayRow() == nPos && m_pSession->IsPlaying());
        }
        m_pSession->SetSequenceCursor({2, 5});
        QTest::keyClick(Pane(0), Qt::Key_Return);
        QVERIFY(m_pSession->GetCurrentPattern() == m_pDoc->GetSequence(2).at(80) &&
                m_pSession->GetPatternCursor().row == 0 &&
                m_pSession->GetPatternCursor().field == 0);
    }
};

TARVOK_SHELL_TEST_MAIN(NoteKeysTest)
#include "note_keys_test.moc"
