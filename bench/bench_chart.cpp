// The chart's paint time for the main window's design box with a full
// two-ear audiogram, and for a large window.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "ui/audiogram_chart.h"

namespace {

tonmark::PatientFile FullRecord() {
    tonmark::PatientFile rec;
    tonmark::ClearAudiogram(rec);
    for (int ear = 0; ear < 2; ++ear)
        for (int row = 0; row < 11; ++row) {
            rec.Reverse[ear][row][0] = 6;
            for (int k = 1; k <= 6; ++k)
                rec.Reverse[ear][row][k] = 20 + row * 3 + (k % 2) * 3;
            rec.Reverse[ear][row][21] = row == 4 ? 12 : 3;
            rec.Threshold[ear][row] = 21 + row * 3;
        }
    return rec;
}

void Paint(benchmark::State& state, int w, int h) {
    tonmark::Settings settings;
    tonmark::ApplyDefaultGraphColours(settings);
    const tonmark::PatientFile rec = FullRecord();
    const tonmark::SlotFrequencyTable freqs = tonmark::InitialSlotFrequency();
    QImage chart(w, h, QImage::Format_RGB32), strip(w, 19, QImage::Format_RGB32);
    for (auto _ : state)
        tonmark::PaintAudiogram(chart, strip, tonmark::ChartInputs{rec, true, freqs, settings});
}

void BM_ChartDesignSize(benchmark::State& s) {
    Paint(s, 657, 301);
}
void BM_ChartLarge(benchmark::State& s) {
    Paint(s, 1600, 900);
}
BENCHMARK(BM_ChartDesignSize)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ChartLarge)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
