// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playback/ScopeTrigger.h"
#include "playback/VoiceSink.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>

class IVoiceScopeSource;

// Four scopes side by side, one per voice (the noise last), each drawing the voice's latest
// window at a scope's pace while something sounds, and resting otherwise; only the traces
// that changed are drawn again. A muted voice's scope is dimmed and its name struck through;
// a voice the chosen chip does not play is dimmed and named so.
// A click asks to mute or unmute the voice, Ctrl+click to solo it; the owner decides and
// tells the scopes the mask that results.
class CVoiceScopes : public QWidget
{
    Q_OBJECT
public:
    // The source must outlive the scopes.
    CVoiceScopes(const IVoiceScopeSource& source, QWidget* pParent = nullptr);

    void SetMuteMask(unsigned muteMask);
    unsigned GetMuteMask() const { return m_muteMask; }
    // The voices that are not played (bit v for voice v), whatever the mute.
    void SetSilentMask(unsigned silentMask);
    unsigned GetSilentMask() const { return m_silentMask; }
    // Reads the source now; repaints only when a picture changed. Each frame calls it while
    // following, until the source has nothing more to show.
    void Refresh();
    // Follows the source from now on, while visible: a sound was asked for.
    void Wake();
    bool IsFollowing() const { return m_bFollowing; }
    // The voice whose scope holds x, or -1 outside them.
    int VoiceAt(int x) const;

    QSize sizeHint() const override;

signals:
    void MuteClicked(int voice);
    void SoloClicked(int voice);

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    void hideEvent(QHideEvent* pEvent) override;

private:
    using Window = std::array<std::int16_t, kScopeWindow>;

    void Follow();
    void OnFrame();
    QRect ScopeRect(int voice) const;
    QRect TraceRect(int voice) const;
    // Draws what of the voice's scope lies in dirty.
    void PaintScope(QPainter& painter, int voice, const QRegion& dirty);
    void PaintTrace(QPainter& painter, int voice, const QColor& ink);
    void PaintName(QPainter& painter, int voice, const QColor& ink);

    const IVoiceScopeSource& m_source;
    std::array<Window, IVoiceSink::kVoices> m_windows{};
    unsigned m_muteMask = 0;
    unsigned m_silentMask = 0;
    bool m_bFollowing = false;
    // When the last sound was asked for: the source may not sound yet.
    QElapsedTimer m_sinceWake;
    // A trace's picture, kept between frames so drawing allocates nothing.
    QImage m_picture;
};
