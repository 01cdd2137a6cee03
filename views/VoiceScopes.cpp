// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/VoiceScopes.h"

#include "views/FrameClock.h"
#include "views/VoiceScopeSource.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace
{
const char* const kVoiceNames[IVoiceSink::kVoices] = {"Voice0", "Voice1", "Voice2", "Noise"};
// Long enough for the play thread to take up a request on a busy machine.
constexpr qint64 kWakeGraceMs = 500;
constexpr int kGap = 4;
constexpr int kTextHeight = 14;

// What a translucent ink shows over an opaque ground.
QRgb InkOver(const QColor& ground, const QColor& ink)
{
    const double a = ink.alphaF();
    auto mix = [a](int over, int under)
    { return static_cast<int>(std::lround(a * over + (1 - a) * under)); };
    return qRgb(mix(ink.red(), ground.red()), mix(ink.green(), ground.green()),
                mix(ink.blue(), ground.blue()));
}
} // namespace

CVoiceScopes::CVoiceScopes(const IVoiceScopeSource& source, QWidget* pParent)
    : QWidget(pParent), m_source(source)
{
    // The pictures replace the whole area each frame.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&CFrameClock::Instance(), &CFrameClock::Frame, this, &CVoiceScopes::OnFrame);
    connect(&source, &IVoiceScopeSource::SoundRequested, this, &CVoiceScopes::Wake);
}

QSize CVoiceScopes::sizeHint() const
{
    return {4 * 120, 64};
}

void CVoiceScopes::SetMuteMask(unsigned muteMask)
{
    if (muteMask == m_muteMask)
        return;
    m_muteMask = muteMask;
    update();
}

void CVoiceScopes::SetSilentMask(unsigned silentMask)
{
    if (silentMask == m_silentMask)
        return;
    m_silentMask = silentMask;
    update();
}

void CVoiceScopes::Refresh()
{
    Window window;
    for (int voice = 0; voice < IVoiceSink::kVoices; ++voice)
    {
        m_source.LatestWindow(voice, window.data());
        // A silent or steady picture costs nothing to keep.
        if (window != m_windows[voice])
        {
            m_windows[voice] = window;
            update(TraceRect(voice));
        }
    }
    const bool bAwaited = m_sinceWake.isValid() && m_sinceWake.elapsed() < kWakeGraceMs;
    m_bFollowing = m_bFollowing && (bAwaited || m_source.IsSounding());
    if (m_bFollowing)
        CFrameClock::Instance().Request();
}

void CVoiceScopes::OnFrame()
{
    if (m_bFollowing)
        Refresh();
}

void CVoiceScopes::Wake()
{
    m_sinceWake.start();
    if (isVisible())
        Follow();
}

void CVoiceScopes::Follow()
{
    if (m_bFollowing)
        return;
    m_bFollowing = true;
    CFrameClock::Instance().Request();
}

void CVoiceScopes::showEvent(QShowEvent* pEvent)
{
    // The pictures as they are now, then followed only while something sounds.
    Refresh();
    if (m_source.IsSounding())
        Follow();
    QWidget::showEvent(pEvent);
}

void CVoiceScopes::hideEvent(QHideEvent* pEvent)
{
    m_bFollowing = false;
    QWidget::hideEvent(pEvent);
}

QRect CVoiceScopes::ScopeRect(int voice) const
{
    const int width = (this->width() - kGap * (IVoiceSink::kVoices - 1)) / IVoiceSink::kVoices;
    return {voice * (width + kGap), 0, std::max(width, 1), height()};
}

QRect CVoiceScopes::TraceRect(int voice) const
{
    return ScopeRect(voice).adjusted(2, kTextHeight, -2, -2);
}

int CVoiceScopes::VoiceAt(int x) const
{
    for (int voice = 0; voice < IVoiceSink::kVoices; ++voice)
        if (ScopeRect(voice).contains(x, ScopeRect(voice).center().y()))
            return voice;
    return -1;
}

void CVoiceScopes::mousePressEvent(QMouseEvent* pEvent)
{
    const int voice = VoiceAt(pEvent->position().toPoint().x());
    if (voice < 0 || pEvent->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(pEvent);
    if (pEvent->modifiers() & Qt::ControlModifier)
        emit SoloClicked(voice);
    else
        emit MuteClicked(voice);
}

void CVoiceScopes::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(this);
    const QRegion& dirty = pEvent->region();
    painter.fillRect(pEvent->rect(), palette().window());
    for (int voice = 0; voice < IVoiceSink::kVoices; ++voice)
        if (dirty.intersects(ScopeRect(voice)))
            PaintScope(painter, voice, dirty);
}

void CVoiceScopes::PaintScope(QPainter& painter, int voice, const QRegion& dirty)
{
    const QRect area = ScopeRect(voice);
    painter.fillRect(area, palette().base());
    QColor ink = palette().text().color();
    if ((((m_muteMask | m_silentMask) >> voice) & 1u) != 0)
        ink.setAlphaF(0.3);
    const QRect trace = TraceRect(voice);
    if (dirty.intersects(trace))
        PaintTrace(painter, voice, ink);
    // Laying out the name costs more than the trace; a new trace leaves it be.
    if (!(dirty.intersected(area) - QRegion(trace)).isEmpty())
        PaintName(painter, voice, ink);
}

void CVoiceScopes::PaintTrace(QPainter& painter, int voice, const QColor& ink)
{
    const QRect trace = TraceRect(voice);
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(trace.size()) * ratio).toSize().expandedTo({1, 1});
    if (m_picture.size() != size || m_picture.devicePixelRatio() != ratio)
    {
        m_picture = QImage(size, QImage::Format_RGB32);
        m_picture.setDevicePixelRatio(ratio);
    }
    const QColor ground = palette().base().color();
    const QColor line = palette().mid().color();
    m_picture.fill(ground);
    // The pixels once: scanLine() checks for sharing at every call.
    QRgb* const pixels = reinterpret_cast<QRgb*>(m_picture.bits());
    const qsizetype stride = m_picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    const int middle = (size.height() - 1) / 2;
    std::fill_n(pixels + middle * stride, size.width(), line.rgb());

    // Each pixel column draws the lowest and highest sample it covers, so nothing between
    // two columns is lost however narrow the scope; stretched to meet its neighbour, the
    // columns join into one trace. Written straight into the picture, which is drawn whole:
    // a frame costs a few thousand pixels, not a line each through the paint engine.
    const QRgb inkOverGround = InkOver(ground, ink);
    const QRgb inkOverLine = InkOver(line, ink);
    const Window& window = m_windows[voice];
    const int columns = size.width();
    const int bottomRow = size.height() - 1;
    const double centre = middle + 0.5;
    const double scale = size.height() / 2.0 / std::max(m_source.FullScale(), 1);
    int previousTop = 0;
    int previousBottom = 0;
    for (int x = 0; x < columns; ++x)
    {
        const std::size_t first = window.size() * x / columns;
        const std::size_t last = std::max(first + 1, window.size() * (x + 1) / columns);
        const auto [lo, hi] = std::minmax_element(window.begin() + first, window.begin() + last);
        // A periodic noise's pulse stands above the tones' level: it meets the edge.
        int top = std::clamp(static_cast<int>(std::lround(centre - *hi * scale)), 0, bottomRow);
        int bottom = std::clamp(static_cast<int>(std::lround(centre - *lo * scale)), 0, bottomRow);
        if (x > 0)
        {
            top = std::min(top, previousBottom);
            bottom = std::max(bottom, previousTop);
        }
        for (int y = top; y <= bottom; ++y)
            pixels[y * stride + x] = y == middle ? inkOverLine : inkOverGround;
        previousTop = top;
        previousBottom = bottom;
    }
    painter.drawImage(trace.topLeft(), m_picture);
}

void CVoiceScopes::PaintName(QPainter& painter, int voice, const QColor& ink)
{
    QFont font = painter.font();
    font.setStrikeOut(((m_muteMask >> voice) & 1u) != 0);
    painter.setFont(font);
    painter.setPen(ink);
    QString name = QString::fromLatin1(kVoiceNames[voice]);
    if (((m_silentMask >> voice) & 1u) != 0)
        name += tr(" (not played)");
    painter.drawText(ScopeRect(voice).adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignTop, name);
}
