// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/Icons.h"
#include "sound/SoundDoc.h"
#include "views/SoundBase.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

namespace
{
// Editor text alone, in its 8 x 13 cells from (8, 13).
class CTextView : public CSoundBase
{
public:
    using CSoundBase::CSoundBase;
    void OnDraw(QPainter& dc, const QRect&) override
    {
        dc.fillRect(viewport()->rect(), Qt::black);
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

class HiDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void textAndIconsAreDrawnAtTheDeviceResolution()
    {
        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        CTextView view(&doc);
        view.resize(200, 40);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();
        QCOMPARE(image.size(), QSize(400, 80));
        QVERIFY(DetailedBlocks(image) > 18);
        // The grid stays 8 x 13: the 18 characters end at x = 152.
        QImage blank(96, 80, image.format());
        blank.fill(Qt::black);
        blank.setDevicePixelRatio(2);
        QCOMPARE(image.copy(304, 0, 96, 80), blank);

        const QPixmap icon = CommandIcon(ID_FILE_OPEN).pixmap(QSize(16, 15), 1.5);
        QCOMPARE(icon.size(), QSize(24, 23));
        QVERIFY(DetailedBlocks(CommandIcon(ID_FILE_OPEN).pixmap(QSize(16, 15), 2).toImage()) > 0);
    }
};

int main(int argc, char* argv[])
{
    qputenv("QT_SCALE_FACTOR", "2");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    HiDpiTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "hidpi_test.moc"
