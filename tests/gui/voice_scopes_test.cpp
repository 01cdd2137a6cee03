// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/VoiceScopeSource.h"
#include "views/VoiceScopes.h"

#include <QImage>
#include <QTest>

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
};

QTEST_MAIN(VoiceScopesTest)
#include "voice_scopes_test.moc"
