// SPDX-License-Identifier: GPL-3.0-or-later
#include "resources/Icons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace
{
// Toolbar buttons are 16 x 15; pictures are drawn in that grid, scaled to the size asked for.
constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

// Draws the picture at whatever size and pixel ratio a button asks for, instead of scaling a
// bitmap made for another.
class CDrawnIconEngine : public QIconEngine
{
public:
    explicit CDrawnIconEngine(std::function<void(QPainter&)> draw) : m_draw(std::move(draw)) {}

    void paint(QPainter* pPainter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio =
            pPainter->device() != nullptr ? pPainter->device()->devicePixelRatio() : 1;
        QPixmap picture = pixmap(rect.size() * ratio, mode, state);
        picture.setDevicePixelRatio(ratio);
        pPainter->drawPixmap(rect, picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(qreal(size.width()) / kButtonWidth, qreal(size.height()) / kButtonHeight);
            painter.setPen(QPen(Qt::black, 1.0));
            m_draw(painter);
        }
        if (mode == QIcon::Disabled)
            Grey(image);
        return QPixmap::fromImage(std::move(image));
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new CDrawnIconEngine(m_draw); }

private:
    // A disabled button's picture: grey and faint.
    static void Grey(QImage& image)
    {
        for (int y = 0; y < image.height(); ++y)
        {
            auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
            {
                const int alpha = qAlpha(pLine[x]) / 2;
                const int grey = qGray(pLine[x]) / 2;
                pLine[x] = qRgba(grey, grey, grey, alpha);
            }
        }
    }

    std::function<void(QPainter&)> m_draw;
};

QIcon DrawIcon(const std::function<void(QPainter&)>& draw)
{
    return QIcon(new CDrawnIconEngine(draw));
}

void Page(QPainter& p, double x, double y)
{
    QPainterPath page;
    page.moveTo(x + 0.5, y + 0.5);
    page.lineTo(x + 6.5, y + 0.5);
    page.lineTo(x + 9.5, y + 3.5);
    page.lineTo(x + 9.5, y + 12.5);
    page.lineTo(x + 0.5, y + 12.5);
    page.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawLine(QPointF(x + 6.5, y + 0.5), QPointF(x + 6.5, y + 3.5));
    p.drawLine(QPointF(x + 6.5, y + 3.5), QPointF(x + 9.5, y + 3.5));
}

void Triangle(QPainter& p, const QColor& colour)
{
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(4.5, 2.5), QPointF(12.5, 7.5), QPointF(4.5, 12.5)}));
}
} // namespace

QIcon CommandIcon(UINT nID)
{
    switch (nID)
    {
    case ID_FILE_NEW:
        return DrawIcon([](QPainter& p) { Page(p, 3, 1); });
    case ID_FILE_OPEN:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(230, 200, 80));
                p.drawRect(QRectF(1.5, 4.5, 12, 8));
                p.setBrush(QColor(250, 225, 120));
                p.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 12.5),
                                         QPointF(1.5, 12.5)}));
                p.drawLine(QPointF(9.5, 1.5), QPointF(13.5, 1.5));
                p.drawLine(QPointF(13.5, 1.5), QPointF(13.5, 4.5));
            });
    case ID_FILE_SAVE:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(40, 70, 160));
                p.drawRect(QRectF(1.5, 1.5, 13, 12));
                p.setBrush(Qt::white);
                p.drawRect(QRectF(4.5, 1.5, 7, 5));
                p.setBrush(QColor(190, 190, 190));
                p.drawRect(QRectF(4.5, 9.5, 7, 4));
            });
    case ID_EDIT_CUT:
        return DrawIcon(
            [](QPainter& p)
            {
                p.drawLine(QPointF(5, 1), QPointF(10, 9));
                p.drawLine(QPointF(11, 1), QPointF(6, 9));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(4.5, 11.5), 2.5, 2.5);
                p.drawEllipse(QPointF(11.5, 11.5), 2.5, 2.5);
            });
    case ID_EDIT_COPY:
        return DrawIcon(
            [](QPainter& p)
            {
                Page(p, 1, 0);
                Page(p, 6, 2);
            });
    case ID_EDIT_PASTE:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(170, 120, 60));
                p.drawRect(QRectF(1.5, 2.5, 10, 11));
                p.setBrush(QColor(200, 200, 200));
                p.drawRect(QRectF(4.5, 1.5, 4, 2));
                Page(p, 6, 2);
            });
    case ID_FILE_PRINT:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(Qt::white);
                p.drawRect(QRectF(4.5, 0.5, 7, 5));
                p.setBrush(QColor(190, 190, 190));
                p.drawRect(QRectF(1.5, 5.5, 13, 6));
                p.setBrush(Qt::white);
                p.drawRect(QRectF(4.5, 9.5, 7, 4));
            });
    case ID_APP_ABOUT:
    case ID_CONTEXT_HELP:
        return DrawIcon(
            [nID](QPainter& p)
            {
                const double x = nID == ID_CONTEXT_HELP ? 9 : 8;
                if (nID == ID_CONTEXT_HELP)
                {
                    p.setBrush(Qt::white);
                    p.drawPolygon(QPolygonF({QPointF(0.5, 0.5), QPointF(0.5, 10.5), QPointF(3, 8),
                                             QPointF(5.5, 12.5), QPointF(6.5, 11.5),
                                             QPointF(4.5, 7.5), QPointF(7.5, 7.5)}));
                }
                QFont font = p.font();
                font.setPixelSize(12);
                font.setBold(true);
                p.setFont(font);
                p.setPen(QColor(0, 0, 160));
                p.drawText(QRectF(x - 4, 1, 8, 14), Qt::AlignCenter, QStringLiteral("?"));
            });
    case ID_SOUND_PLAY:
        return DrawIcon([](QPainter& p) { Triangle(p, QColor(40, 160, 40)); });
    case ID_SOUND_PAUSE:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(40, 70, 160));
                p.drawRect(QRectF(4.5, 2.5, 2.5, 10));
                p.drawRect(QRectF(9.0, 2.5, 2.5, 10));
            });
    case ID_SOUND_STOP:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(180, 40, 40));
                p.drawRect(QRectF(3.5, 3.5, 9, 9));
            });
    case ID_VIEW_SEQUENCE_EDITOR:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(0, 100, 200));
                p.drawRect(QRectF(0.5, 1.5, 15, 12));
                p.setPen(Qt::white);
                for (const double x : {4.5, 8.5, 12.5})
                    p.drawLine(QPointF(x, 2.5), QPointF(x, 12.5));
                p.drawLine(QPointF(1.5, 4.5), QPointF(14.5, 4.5));
            });
    case ID_VIEW_PATTERN_EDITOR:
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(0, 100, 200));
                p.drawRect(QRectF(3.5, 0.5, 9, 14));
                p.setPen(Qt::white);
                for (const double y : {3.5, 6.5, 9.5, 12.5})
                    p.drawLine(QPointF(5, y), QPointF(11, y));
            });
    case ID_SOUND_INSTRUMENTS:
        // Bars of a shape over a tick's grid.
        return DrawIcon(
            [](QPainter& p)
            {
                p.setBrush(QColor(230, 150, 30));
                const double heights[] = {11, 8, 6, 4, 3, 2};
                for (int i = 0; i < 6; ++i)
                    p.drawRect(QRectF(1.5 + i * 2.3, 13.5 - heights[i], 1.6, heights[i]));
            });
    default:
        return {};
    }
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64})
    {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 100, 200));
        p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(10, 23), 4.5, 3.5);
        p.drawEllipse(QPointF(22, 20), 4.5, 3.5);
        p.drawRect(QRectF(13, 6, 2, 17));
        p.drawRect(QRectF(25, 4, 2, 16));
        p.drawPolygon(QPolygonF({QPointF(13, 6), QPointF(27, 4), QPointF(27, 8), QPointF(13, 10)}));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
