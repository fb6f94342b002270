#include <gtest/gtest.h>

#include <QImage>
#include <cstdlib>
#include <vector>

#include "core/errors.h"
#include "ui/audiogram_chart.h"
#include "ui/gdi_canvas.h"

namespace tonmark {
namespace {

// A record measured at six frequencies (250, 500, 1000, 2000, 4000, 8000 Hz).
class Chart : public ::testing::Test {
  protected:
    Chart() {
        ApplyDefaultGraphColours(settings);
        ClearAudiogram(record);
        for (int slot : {2, 3, 5, 7, 9, 11})
            for (int ear = 0; ear < 2; ++ear) {
                int32_t* row = record.Reverse[ear][slot - 1];
                row[0] = 6;
                for (int k = 1; k <= 6; ++k)
                    row[k] = k % 2 ? 33 : 30;
                row[21] = 0;
                record.Threshold[ear][slot - 1] = 30 + 10 * ear;
            }
    }

    QString Paint(bool valid = true) {
        return PaintAudiogram(chart, strip, ChartInputs{record, valid, freqs, settings});
    }
    QColor At(int x, int y) const { return chart.pixelColor(x, y); }
    QColor Colour(int index) const { return ColourFromStored(settings.GraphColour(index)); }
    // Whether any pixel of a small area differs from the background.
    bool Ink(int x0, int y0, int x1, int y1) const {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (At(x, y) != Colour(3))
                    return true;
        return false;
    }

    Settings settings;
    PatientFile record;
    SlotFrequencyTable freqs = InitialSlotFrequency();
    QImage chart{657, 301, QImage::Format_RGB32};
    QImage strip{657, 19, QImage::Format_RGB32};
};

TEST_F(Chart, GridAndColumnLinesOfTheReferenceBox) {
    settings.ShowReversalGraph = false;
    settings.ShowThresholdGraph = false;
    settings.MarkSuspiciousResults = false;
    Paint();
    const QColor grid = Colour(2);
    for (int y : {10, 43, 77, 110, 144, 177, 211, 244, 278}) {
        EXPECT_EQ(At(50, y), grid) << y;
        EXPECT_EQ(At(360, y), grid) << y;
        EXPECT_NE(At(50, y + 1), grid) << y;
    }
    for (int x : {20, 72, 123, 175, 227, 278, 330, 340, 392, 443, 495, 547, 598, 650}) {
        EXPECT_EQ(At(x, 60), grid) << x;
        EXPECT_EQ(At(x, 278), grid) << "column lines reach the bottom grid line at " << x;
        EXPECT_NE(At(x, 279), grid) << x;
    }
    EXPECT_NE(At(331, 60), grid);
    EXPECT_EQ(At(651, 60), Colour(3));
    // Frequency labels start 10 pixels left of the column centre at y = 283.
    EXPECT_TRUE(Ink(36, 283, 56, 298)) << "250 under the first left column";
    EXPECT_FALSE(Ink(36, 279, 56, 282));
}

TEST_F(Chart, ThresholdSymbolsAndJoiningLines) {
    settings.ShowReversalGraph = false;
    settings.MarkSuspiciousResults = false;
    Paint();
    // Left ear at 30 dB HL: y(30) = 10 + R + 30 H / 90 = 143.78 -> 144.
    // Column 1 centre: 20 + Q / 2 = 45.83 -> 46.
    const QColor left = Colour(5);
    EXPECT_EQ(At(46 - 3, 144 - 3), left);
    EXPECT_EQ(At(46 + 2, 144 + 2), left);
    EXPECT_EQ(At(46 + 2, 144 - 3), left);
    EXPECT_EQ(At(46 - 3, 144 + 2), left);
    // Right ear at 40 dB HL: y = 177.22 -> 177; centre of its first column 366.
    const QColor right = Colour(6);
    EXPECT_EQ(At(366 - 3, 177), right);
    EXPECT_EQ(At(365, 176), Colour(3)) << "circles are filled with the background";
    // The joining lines run from centre to centre, over the symbols.
    EXPECT_EQ(At(366, 177), right);
    EXPECT_EQ(At(70, 144), left);
    EXPECT_EQ(At(400, 177), right);
}

TEST_F(Chart, HatchingMarksInaccurateColumnsOnly) {
    settings.ShowReversalGraph = false;
    settings.ShowThresholdGraph = false;
    record.Reverse[0][2][21] = 11; // 500 Hz left: spread 11
    record.Reverse[0][4][21] = 10; // 1000 Hz left: spread 10, enough entries
    record.Reverse[1][8][0] = 0;   // 4000 Hz right: no entries
    Paint();
    const QColor grid = Colour(2);
    const auto hatched = [&](int x0, int x1) {
        int lines = 0;
        for (int x = x0 + 2; x < x1 - 2; ++x)
            lines += At(x, 120) == grid;
        return lines > 0;
    };
    EXPECT_TRUE(hatched(72, 123));
    EXPECT_FALSE(hatched(123, 175));
    EXPECT_FALSE(hatched(20, 72));
    EXPECT_TRUE(hatched(547, 598)) << "no entries are fewer than Min. Reversals";
    EXPECT_FALSE(hatched(227, 278)) << "the left ear's 4000 Hz is fine";
}

TEST_F(Chart, PlannedColumnsWithoutAnAudiogram) {
    for (int i : {7, 9, 10}) // 3000, 6000 and 8000 Hz
        settings.TestFrequency[i] = false;
    const QString date = Paint(false);
    EXPECT_TRUE(date.isEmpty());
    // Five planned columns: Q = 62, lines at 20, 82, 144, 206, 268, 330.
    for (int x : {82, 144, 206, 268})
        EXPECT_EQ(At(x, 60), Colour(2)) << x;
    EXPECT_EQ(Paint(true), "Test Date: " + QString() + " Time: .");
}

TEST_F(Chart, TraceRestartsAfterAnOutOfRangeLevel) {
    settings.ShowThresholdGraph = false;
    settings.MarkSuspiciousResults = false;
    ClearAudiogram(record);
    for (int slot : {5, 7}) {
        record.Reverse[0][slot - 1][0] = 2;
        record.Reverse[0][slot - 1][1] = 60;
        record.Reverse[0][slot - 1][2] = slot == 5 ? 75 : 60;
    }
    Paint();
    // Column 2 starts at the start level (0 dB HL: y = 43), not at 75 dB HL.
    EXPECT_EQ(At(175, 43), Colour(0));
    EXPECT_NE(At(175, 294), Colour(0));
}

TEST_F(Chart, StripNumbersAndBadStartLevel) {
    Paint();
    bool ink = false;
    for (int x = 46; x < 60; ++x)
        for (int y = 0; y < 15; ++y)
            ink |= strip.pixelColor(x, y) != ColourFromStored(settings.MainWindowColour);
    EXPECT_TRUE(ink) << "the threshold starts at the column centre";
    settings.StartLevel.SetText("x");
    EXPECT_THROW(Paint(), ConvertError);
}

// Values far outside the grid, as a damaged file or a wild setting brings
// them, must paint (the walk of such a line once froze the program) and must
// not disturb what lies inside the box.
TEST_F(Chart, FarOutValuesPaintAndLeaveTheGridAlone) {
    const int32_t far[] = {2000000000, -2000000000, INT32_MAX, INT32_MIN + 1, 1000000, -999};
    for (int32_t v : far) {
        SCOPED_TRACE(v);
        record.Reverse[0][1][3] = v;
        record.Reverse[1][4][6] = v;
        record.Threshold[0][2] = v;
        record.Threshold[1][6] = -v;
        settings.StartLevel.SetText(std::to_string(v));
        Paint();
        EXPECT_EQ(At(50, 10), Colour(2)) << "the grid is drawn";
    }
}

// The exact walk of a line from a to b without its end pixel, in 64 bits.
std::vector<QPoint> Walk(QPoint a, QPoint b) {
    std::vector<QPoint> points;
    int64_t x = a.x(), y = a.y();
    const int64_t dx = std::abs(int64_t{b.x()} - x), dy = -std::abs(int64_t{b.y()} - y);
    const int64_t sx = x < b.x() ? 1 : -1, sy = y < b.y() ? 1 : -1;
    int64_t err = dx + dy;
    while (x != b.x() || y != b.y()) {
        points.emplace_back(static_cast<int>(x), static_cast<int>(y));
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return points;
}

TEST(GdiCanvasLines, LongLinesCutToTheImageKeepTheirPixels) {
    struct Case {
        QPoint a, b;
    };
    const Case cases[] = {
        {{10, 20}, {300000, 23}},          {{-250000, 150}, {600, 40}},  {{5, 5}, {40, 2000000}},
        {{-900000, -5000}, {700000, 310}}, {{100, 100}, {100, -300000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a.x()) + "," + std::to_string(c.a.y()) + " -> " +
                     std::to_string(c.b.x()) + "," + std::to_string(c.b.y()));
        QImage drawn(640, 320, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        GdiCanvas canvas(drawn);
        canvas.MoveTo(c.a.x(), c.a.y());
        canvas.LineTo(c.b.x(), c.b.y());
        EXPECT_EQ(canvas.PenPosition(), c.b);
        QImage expected(640, 320, QImage::Format_RGB32);
        expected.fill(Qt::white);
        for (const QPoint& p : Walk(c.a, c.b))
            if (expected.rect().contains(p))
                expected.setPixelColor(p, Qt::black);
        int differing = 0;
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 640; ++x)
                differing += drawn.pixelColor(x, y) != expected.pixelColor(x, y);
        EXPECT_EQ(differing, 0);
    }
}

} // namespace
} // namespace tonmark
