// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/Icons.h"
#include "sound/SoundDoc.h"
#include "views/SoundBase.h"

#include <QApplication>
#include <QPainter>
#include <QtTest>

namespace
{
// Editor text alone, at the editors' own 8 x 13 cells.
class CTextView : public CSoundBase
{
public:
    using CSoundBase::CSoundBase;
    static constexpr const char* kText = "C#4 0F Am 123 WXYZ";
    void OnDraw(QPainter& dc, const QRect&) override
    {
        dc.fillRect(viewport()->rect(), Qt::black);
        TextOut(dc, kCharWidth, kCharHeight, kText, Qt::black);
    }
};

// Aligned 2 x 2 device-pixel blocks whose pixels differ: none when a picture made at half the
// resolution was doubled.
int DetailedBlocks(const QImage& image, const QRect& area)
{
    int nDetailed = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2)
        {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
                image.pixel(x + 1, y + 1) != p)
                ++nDetailed;
        }
    return nDetailed;
}
} // namespace

class HiDpiTest : public QObject
{
    Q_OBJECT

private slots:
    void editorTextIsDrawnAtTheDeviceResolution()
    {
        CSoundDoc doc;
        QVERIFY(doc.OnNewDocument());
        CTextView view(&doc);
        view.resize(300, 60);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();
        QCOMPARE(image.devicePixelRatio(), 2.0);
        const int nChars = int(std::strlen(CTextView::kText));
        const QRect text(16, 26, nChars * 16, 26);
        QVERIFY2(DetailedBlocks(image, text) > nChars, "glyphs are pixel-doubled");
        // The grid stays 8 x 13: nothing is drawn outside the text's cells.
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!text.contains(x, y))
                    QCOMPARE(image.pixel(x, y), QColor(Qt::black).rgb());
    }

    void toolbarIconsAreDrawnForTheRatio()
    {
        for (const qreal ratio : {1.5, 2.0})
        {
            const QPixmap pixmap = CommandIcon(ID_FILE_OPEN).pixmap(QSize(16, 15), ratio);
            QCOMPARE(pixmap.size(), QSize(16, 15) * ratio);
            if (ratio == 2.0)
                QVERIFY(DetailedBlocks(pixmap.toImage(), QRect(0, 0, 32, 30)) > 0);
        }
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
