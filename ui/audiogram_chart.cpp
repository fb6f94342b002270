#include "ui/audiogram_chart.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <vector>

#include "core/rounding.h"
#include "core/setting_values.h"
#include "ui/gdi_canvas.h"

namespace tonmark {

namespace {

QFont PixelFont(int pixels) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    return f;
}

// The chart's font: 15 pixels where it fits, smaller in a small box, so that
// "-10" stays left of the grid (which starts at x 20) and the frequency labels
// of neighbouring columns do not run together. The text origins stay.
QFont ChartFont(float columnWidth) {
    for (int px = 15; px > 6; --px) {
        const QFont f = PixelFont(px);
        const QFontMetrics fm(f);
        if (fm.horizontalAdvance(QStringLiteral("-10")) <= 19 &&
            (columnWidth <= 0 || fm.horizontalAdvance(QStringLiteral("8000")) <= columnWidth - 3))
            return f;
    }
    return PixelFont(6);
}

// Geometry in single precision, rounded half to even only where used.
struct Geometry {
    float W, H, R, perDb, P;
    explicit Geometry(int w, int h)
        : W(static_cast<float>(w)), H(static_cast<float>(h)), R(H / 9.0f), perDb(H / 90.0f),
          P((W - 37.0f) / 2.0f) {}
    float X(int e) const { return 20.0f + static_cast<float>(e) * (P + 10.0f); }
    float Y(float level) const { return 10.0f + R + level * H / 90.0f; }
};

// Positions are held within +-2^24 pixels, far beyond any box, so that a
// value from a file or a setting can be offset by a few pixels without
// overflowing; the canvas cuts such lines to the box.
int R0(float v) {
    constexpr int32_t kFar = 1 << 24;
    return std::clamp(Round(static_cast<double>(v)), -kFar, kFar);
}

bool Measured(const PatientFile& rec, int slot) {
    return rec.Count(0, slot) > 0 || rec.Count(1, slot) > 0;
}

} // namespace

QString PaintAudiogram(QImage& chartImage, QImage& stripImage, const ChartInputs& in) {
    const PatientFile& rec = in.record;
    const Settings& s = in.settings;
    GdiCanvas chart(chartImage);
    GdiCanvas strip(stripImage);
    const Geometry g(chart.Width(), chart.Height());
    const QColor grid = ColourFromStored(s.GraphColour(2));
    const QColor background = ColourFromStored(s.ChartColour);
    // Column layout.
    int N = 0;
    for (int slot = 1; slot <= 11; ++slot)
        N += in.audiogramValid ? Measured(rec, slot) : s.TestFrequency[slot - 1];
    const float Q = N > 0 ? g.P / static_cast<float>(N) : 0.0f;
    const auto colX = [&](int e, float units) { return g.X(e) + units * Q; };

    chart.SetFont(ChartFont(Q));
    strip.SetFont(PixelFont(14));

    // 1. Axes.
    strip.SetBrush(GdiCanvas::Brush::Solid, ColourFromStored(s.MainWindowColour));
    strip.FillAll();
    chart.SetBrush(GdiCanvas::Brush::Solid, background);
    chart.FillAll();
    const QPoint savedPos = chart.PenPosition();
    const QColor savedPen = chart.Pen();
    chart.SetPen(grid);
    for (int e = 0; e < 2; ++e) {
        const int x = R0(g.X(e));
        chart.MoveTo(x, 10);
        chart.LineTo(x, R0(10 + 8 * g.R));
        for (int j = 0; j <= 8; ++j) {
            const int y = R0(10 + static_cast<float>(j) * g.R);
            chart.MoveTo(x, y);
            chart.LineTo(R0(g.X(e) + g.P), y);
            chart.TextOut(0, R0(2 + static_cast<float>(j) * g.R), QString::number(10 * j - 10));
        }
    }
    chart.MoveTo(savedPos.x(), savedPos.y());
    chart.SetPen(savedPen);

    // 2. Date line.
    const QString dateLine =
        in.audiogramValid
            ? QStringLiteral("Test Date: ") + QString::fromStdString(rec.TestDateStamp) +
                  QStringLiteral(" Time: ") + QString::fromStdString(rec.TestTimeStamp) +
                  QStringLiteral(".")
            : QString();

    // 3. Column lines.
    if (N > 0) {
        chart.SetPen(grid);
        for (int e = 0; e < 2; ++e)
            for (int k = 0; k <= N; ++k) {
                const int x = R0(colX(e, static_cast<float>(k)));
                chart.MoveTo(x, 10);
                chart.LineTo(x, R0(10 + 8 * g.R) + 1);
            }
    }

    const int labelY = R0(8 * g.R + 15);
    const auto label = [&](int e, int n, int slot) {
        chart.TextOut(R0(g.X(e) - 10 + (static_cast<float>(n) - 0.5f) * Q), labelY,
                      QString::number(in.slotFrequency[slot]));
    };

    // 4. Planned frequencies.
    if (!in.audiogramValid)
        for (int e = 0; e < 2; ++e) {
            int n = 0;
            for (int slot = 1; slot <= 11; ++slot)
                if (s.TestFrequency[slot - 1])
                    label(e, ++n, slot);
        }

    // 5. Measured frequencies and their thresholds in the strip.
    for (int e = 0; e < 2; ++e) {
        int n = 0;
        for (int slot = 1; slot <= 11; ++slot) {
            if (!Measured(rec, slot))
                continue;
            label(e, ++n, slot);
            const int32_t t = rec.Threshold[e][slot - 1];
            if (t != NotMeasured)
                strip.TextOut(R0(colX(e, static_cast<float>(n) - 0.5f)), -1, QString::number(t));
        }
    }

    // 6. Hatching of inaccurate columns.
    if (s.MarkSuspiciousResults) {
        for (int e = 0; e < 2; ++e) {
            chart.SetBrush(GdiCanvas::Brush::ForwardDiagonalHatch, grid);
            chart.SetPen(grid);
            int n = 0;
            for (int slot = 1; slot <= 11; ++slot) {
                if (!Measured(rec, slot))
                    continue;
                ++n;
                const bool inaccurate = rec.Spread(e, slot) > kRetestSpread ||
                                        rec.Count(e, slot) < s.MinReversals.StrictInteger();
                if (inaccurate)
                    chart.Rectangle(R0(colX(e, static_cast<float>(n - 1))), 10,
                                    R0(g.X(e) + 1 + static_cast<float>(n) * Q), R0(8 * g.R + 11));
            }
            chart.SetBrush(GdiCanvas::Brush::Solid, background);
        }
    }

    // 7. Tone-level traces.
    if (s.ShowReversalGraph) {
        for (int e = 0; e < 2; ++e) {
            chart.SetPen(ColourFromStored(s.GraphColour(e == 0 ? 0 : 1)));
            const float startLevel = static_cast<float>(s.StartLevel.StrictInteger());
            int startY = R0(g.Y(startLevel));
            int n = 0;
            for (int slot = 1; slot <= 11; ++slot) {
                if (!Measured(rec, slot))
                    continue;
                ++n;
                // A file can bring any count; the row holds 20 levels.
                const int c = UsableCount(rec.Count(e, slot));
                if (c < 1)
                    continue;
                const float left = colX(e, static_cast<float>(n - 1));
                const float step = Q / static_cast<float>(c);
                chart.MoveTo(R0(left), startY);
                const int32_t* row = rec.Reverse[e][slot - 1];
                for (int k = 1; k <= c; ++k)
                    chart.LineTo(R0(left + static_cast<float>(k) * step),
                                 R0(g.Y(static_cast<float>(row[k]))));
                startY = R0(g.Y(static_cast<float>(row[c])));
                if (static_cast<float>(startY) > 10 + g.R + 70 * g.H / 90)
                    startY = R0(g.Y(startLevel));
            }
        }
    }

    // 8. Thresholds.
    if (s.ShowThresholdGraph) {
        for (int e = 0; e < 2; ++e) {
            chart.SetPen(ColourFromStored(s.GraphColour(e == 0 ? 5 : 6)));
            chart.SetBrush(GdiCanvas::Brush::Solid, background);
            int n = 0;
            bool havePrevious = false;
            int32_t previous = 0;
            for (int slot = 1; slot <= 11; ++slot) {
                const int32_t l = rec.Threshold[0][slot - 1], r = rec.Threshold[1][slot - 1];
                if (!(l < NotMeasured || r < NotMeasured))
                    continue;
                ++n;
                const int32_t t = rec.Threshold[e][slot - 1];
                if (t >= NotMeasured)
                    continue;
                const int cx = R0(colX(e, static_cast<float>(n) - 0.5f));
                const int y = R0(g.Y(static_cast<float>(t)));
                if (e == 0) {
                    chart.MoveTo(cx - 3, y - 3);
                    chart.LineTo(cx + 3, y + 3);
                    chart.MoveTo(cx + 2, y - 3);
                    chart.LineTo(cx - 4, y + 3);
                } else {
                    chart.Ellipse(cx - 3, y - 3, cx + 3, y + 3);
                }
                if (n > 1 && havePrevious) {
                    chart.MoveTo(R0(colX(e, static_cast<float>(n) - 1.5f)),
                                 R0(g.Y(static_cast<float>(previous))));
                    chart.LineTo(cx, y);
                }
                havePrevious = true;
                previous = t;
            }
        }
    }
    return dateLine;
}

} // namespace tonmark
