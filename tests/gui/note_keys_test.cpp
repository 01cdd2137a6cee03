// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"

#include "sound/SoundPattern.h"
#include "views/NoteKeyboard.h"
#include "views/SoundPatternView.h"

#include <QLineEdit>
#include <QSpinBox>
#include <QToolBar>

class NoteKeysTest : public QObject
{
    Q_OBJECT
    CShell m_shell;
    CSoundDoc* m_pDoc = nullptr;
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
        m_pPattern = m_pDoc->m_patterns[0][0].get();
        for (auto& sequence : m_pDoc->m_sequence)
            sequence.clear();
        m_pDoc->m_sequence[0][16] = m_pDoc->m_sequence[0][48] = m_pPattern;
        m_pDoc->m_sequence[2][80] = m_pDoc->CreatePattern(2, 8);
        m_pDoc->m_pCurrentPattern = m_pPattern;
    }

    void keysByPlaceOrByLetter()
    {
        // Native scan code, the key and text a French or German layout gives there, modifiers,
        // field, then what is written by place and by letter (-1: nothing).
        const std::tuple<unsigned, int, const char*, Qt::KeyboardModifiers, int, int, int> cases[] =
            {{24, Qt::Key_A, "a", {}, 0, 60, -1},                  // French, US Q
             {52, Qt::Key_W, "w", {}, 0, 48, 62},                  // French, US Z
             {58, Qt::Key_Comma, ",", {}, 0, 59, NOTE_OFF},        // French, US M
             {16, Qt::Key_Egrave, "è", {}, 3, 7, -1},              // French, US 7
             {29, Qt::Key_Z, "z", {}, 0, 69, 48},                  // German, US Y
             {16, Qt::Key_Slash, "/", Qt::ShiftModifier, 3, 7, 7}, // German, Shift+7
             {0, Qt::Key_Q, "q", {}, 0, 60, 60}};                  // no scan code
        for (bool bByPlace : {true, false})
        {
            CNoteKeyboard::Instance().SetByPosition(bByPlace);
            for (const auto& [nScan, key, text, mods, nField, nByPlace, nByLetter] : cases)
            {
                m_pPattern->SetCell(0, SoundCell::Empty());
                m_pDoc->m_patternCursor = {nField, 0};
                QKeyEvent event(QEvent::KeyPress, key, mods, nScan, 0, 0, QString::fromUtf8(text));
                QCoreApplication::sendEvent(Pane(1), &event);
                const SoundCell cell = m_pPattern->GetCell(0);
                const int nWritten = bByPlace ? nByPlace : nByLetter;
                QCOMPARE(int(nField == 0 ? cell.note : cell.atten), nWritten >= 0 ? nWritten
                                                                    : nField == 0 ? NOTE_EMPTY
                                                                                  : ATTEN_EMPTY);
            }
        }
        CNoteKeyboard::Instance().SetByPosition(true);
    }

    void octaveBoxAndKeysAgree()
    {
        auto* pBox = m_shell.Frame()->GetSoundBar()->findChild<QSpinBox*>("Octave");
        CSoundBase* pEditor = Pane(1);
        pEditor->SetOctave(4);
        const std::tuple<int, Qt::KeyboardModifiers, int> steps[] = {
            {Qt::Key_PageUp, Qt::ControlModifier, 5},
            {Qt::Key_Asterisk, Qt::KeypadModifier, 6},
            {Qt::Key_PageDown, Qt::ControlModifier, 5},
            {Qt::Key_Slash, Qt::KeypadModifier, 4}};
        for (const auto& [key, mods, nOctave] : steps)
        {
            QTest::keyClick(pEditor, static_cast<Qt::Key>(key), mods);
            QCOMPARE(pBox->value(), nOctave);
        }
        pBox->setValue(9);
        QTest::mouseClick(pBox->findChild<QLineEdit*>(), Qt::LeftButton);
        m_shell.Settle();
        QVERIFY(pEditor->GetOctave() == 9 && QApplication::focusWidget() == pEditor &&
                !m_shell.Frame()->GetSoundBar()->isHidden());
    }

    void homeEndAndANewlyOpenedPattern()
    {
        // Pane, key, modifiers, then the pattern row or sequence step it goes to.
        const std::tuple<int, int, Qt::KeyboardModifiers, int> keys[] = {
            {1, Qt::Key_End, {}, 15},
            {1, Qt::Key_Home, {}, 0},
            {0, Qt::Key_End, {}, 3},
            {0, Qt::Key_Home, {}, 1},
            {0, Qt::Key_End, Qt::ControlModifier, 5},
            {0, Qt::Key_Home, Qt::ControlModifier, 0}};
        m_pDoc->m_patternCursor = {2, 7};
        m_pDoc->m_sequenceCursor = {0, 2};
        for (const auto& [nPane, key, mods, nTo] : keys)
        {
            QTest::keyClick(Pane(nPane), static_cast<Qt::Key>(key), mods);
            QCOMPARE(nPane == 1 ? m_pDoc->m_patternCursor.row : m_pDoc->m_sequenceCursor.step, nTo);
        }
        m_pDoc->m_patternCursor = {2, 7};
        m_pDoc->m_sequenceCursor = {2, 5};
        QTest::keyClick(Pane(0), Qt::Key_Return);
        QVERIFY(m_pDoc->m_pCurrentPattern == m_pDoc->m_patterns[2][0].get() &&
                m_pDoc->m_patternCursor.row == 0 && m_pDoc->m_patternCursor.field == 0);
    }

    void playFromCursor()
    {
        m_pDoc->m_pCurrentPattern = m_pPattern;
        m_pDoc->SetPlayRange({8, 64});
        // Pane, sequence step, pattern row, the song position playback starts at.
        const std::tuple<int, int, int, int> cases[] = {
            {1, 2, 5, 21}, {1, 4, 5, 53}, {1, 0, 5, 21}, {0, 3, 5, 48}, {0, 5, 0, 8}};
        for (const auto& [nPane, nStep, nRow, nPos] : cases)
        {
            m_pDoc->m_sequenceCursor = {0, nStep};
            m_pDoc->m_patternCursor = {0, nRow};
            QTest::keyClick(Pane(nPane), Qt::Key_F3, Qt::ControlModifier);
            QVERIFY(m_pDoc->m_nCurrentPos == nPos && m_pDoc->m_bSongPlaying);
        }
    }
};

TARVOK_SHELL_TEST_MAIN(NoteKeysTest)
#include "note_keys_test.moc"
