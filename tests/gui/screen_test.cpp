// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellTestSupport.h"
#include "SoundViewFakes.h"

#include "resources/Icons.h"
#include "session/SoundSession.h"
#include "sound/SoundDoc.h"
#include "views/SoundSequenceView.h"

#include <QPainter>
#include <QScreen>

namespace
{
// Editor text alone, in its 8 x 13 cells from (8, 13).
class CTextView : public CSoundBase
{
public:
    using CSoundBase::CSoundBase;
    void OnDraw(QPainter& dc, const QRect&) override
    {
        dc.fillRect(QRect(0, 0, 200, 40), Qt::black);
        TextOut(dc, kCharWidth, kCharHeight, "C#4 0F Am 123 WXYZ", Qt::black);
    }
};

// Aligned 2 x 2 blocks of differing pixels: none in a picture doubled from half the resolution.
int DetailedBlocks(const QImage& image)
{
    int n = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2)
            n += image.pixel(x + 1, y) != image.pixel(x, y) ||
                 image.pixel(x, y + 1) != image.pixel(x, y) ||
                 image.pixel(x + 1, y + 1) != image.pixel(x, y);
    return n;
}

} // namespace

// What reaches the screen: sharp at high resolutions, and at once after an edit.
class ScreenTest : public QObject
{
    Q_OBJECT

private slots:
    void textAndIconsAreDrawnAtTwiceTheResolution()
    {
        CSoundDoc doc;
        CSoundSession session(&doc);
        CTextView view(&session);
        QImage image(400, 80, QImage::Format_RGB32);
        image.setDevicePixelRatio(2);
        QPainter painter(&image);
        view.OnDraw(painter, QRect(0, 0, 200, 40));
        QVERIFY(DetailedBlocks(image) > 18);
        // The grid stays 8 x 13: nothing right of the 18 characters' cells.
        QCOMPARE(DetailedBlocks(image.copy(304, 0, 96, 80)), 0);
        QVERIFY(DetailedBlocks(CommandIcon(ID_FILE_OPEN).pixmap(QSize(16, 15), 2).toImage()) > 0);
    }

    void patternMadeWithEnterIsOnScreenAtOnce()
    {
        CScriptedDialogs dialogs;
        dialogs.patternAnswers = {{16, "new"}};
        CShell shell;
        shell.pDialogs = &dialogs;
        QVERIFY(shell.Start());
        shell.Frame()->resize(1000, 800);
        shell.ActiveFrame()->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(shell.Frame()));
        auto* pView = shell.ActiveFrame()->findChild<CSoundSequenceView*>();
        shell.app->GetSession(shell.ActiveDoc())->SetSequenceCursor({1, 0});
        CShell::Settle();
        QTest::keyClick(pView, Qt::Key_Return);
        QVERIFY(shell.ActiveDoc()->GetPatternAt({1, 0}) != nullptr);
        QCoreApplication::processEvents();
        // What the window system holds now, against a fresh rendering.
        QWidget* pViewport = pView->viewport();
        const QRect rect(pViewport->mapTo(shell.Frame(), QPoint()), pViewport->size());
        const QImage shown = shell.Frame()
                                 ->screen()
                                 ->grabWindow(shell.Frame()->winId(), rect.x(), rect.y(),
                                              rect.width(), rect.height())
                                 .toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 pViewport->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
};

TARVOK_SHELL_TEST_MAIN(ScreenTest)
#include "screen_test.moc"
