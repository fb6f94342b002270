// Any bytes through the audiogram reader; a file it accepts is painted as the
// main window paints it, so that no accepted file can freeze or crash the
// chart (libFuzzer's -timeout catches a paint that does not end).
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"
#include "ui/audiogram_chart.h"

using namespace tonmark;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv); // fonts need one
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const DateContext dates{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2026};
    static Settings settings = [] {
        Settings s;
        ApplyDefaultGraphColours(s);
        return s;
    }();
    static const SlotFrequencyTable freqs = InitialSlotFrequency();
    static QImage chart(657, 301, QImage::Format_RGB32);
    static QImage strip(657, 19, QImage::Format_RGB32);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PatientFile rec;
    PersonalData pd;
    // The first byte, when there is one, picks the reversal rule the reader uses.
    if (DecodeAudiogram(bytes, rec, pd, dates, size > 0 && (data[0] & 1) ? 2 : 1) !=
        AudiogramReadResult::Read)
        return 0;
    try {
        PaintAudiogram(chart, strip, ChartInputs{rec, true, freqs, settings});
    } catch (const TonmarkError&) {
        // A setting the chart cannot use is reported, not painted; fine here.
    }
    return 0;
}
