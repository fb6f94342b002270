// tonmark-tool chart: the chart of an audiogram file as the main window draws
// it, saved as a PNG of the chart box.
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"
#include "storage/settings_store.h"
#include "tools/commands.h"
#include "tools/tool_support.h"
#include "ui/audiogram_chart.h"
#include "ui/file_messages.h"

namespace tonmark::tool {

int Chart(const std::vector<std::string>& args) {
    std::string in, out, settingsPath;
    int width = 657, height = 301;
    std::vector<std::string> positional;
    bool optionsEnd = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnd) {
            positional.push_back(a);
        } else if (a == "--") {
            optionsEnd = true; // names that start with '-' follow
        } else if ((a == "--width" || a == "--height" || a == "--settings") &&
                   i + 1 < args.size()) {
            const std::string& v = args[++i];
            if (a == "--settings") {
                settingsPath = v;
                continue;
            }
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || n < 40 || n > 10000) {
                std::fprintf(stderr, "tonmark-tool chart: %s needs a size from 40 to 10000\n",
                             a.c_str());
                return 2;
            }
            (a == "--width" ? width : height) = static_cast<int>(n);
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "tonmark-tool chart: unknown option '%s'\n", a.c_str());
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        std::fprintf(stderr, "usage: tonmark-tool chart [--width W] [--height H] "
                             "[--settings SETTINGS.json] [--] IN.aud OUT.png\n");
        return 2;
    }
    in = positional[0];
    out = positional[1];

    // Fonts need a GUI application; no display is needed for an image.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "tonmark-tool";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    Settings settings;
    ApplyDefaultGraphColours(settings);
    if (!settingsPath.empty()) {
        std::string bytes;
        if (const FileResult r = ReadWholeFile(settingsPath, bytes); !r.Done()) {
            std::fprintf(stderr, "%s\n", CannotOpenMessage(settingsPath, r.reason).c_str());
            return 2;
        }
        const std::string err = ApplySettingsOverrides(settings, bytes);
        if (!err.empty()) {
            std::fprintf(stderr, "tonmark-tool chart: settings: %s\n", err.c_str());
            return 2;
        }
    }
    PatientFile record;
    ClearAudiogram(record);
    PersonalData personal;
    if (const int st = LoadAudiogram(in, settings, record, personal))
        return st;
    QImage chart(width, height, QImage::Format_RGB32);
    QImage strip(width, 19, QImage::Format_RGB32);
    const SlotFrequencyTable freqs = InitialSlotFrequency();
    try {
        PaintAudiogram(chart, strip, ChartInputs{record, true, freqs, settings});
    } catch (const TonmarkError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // Encoded in memory and saved like the audiogram files, so a full disk or
    // a size limit never leaves half a picture over the old one.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!chart.save(&buffer, "PNG")) {
        std::fprintf(stderr, "tonmark-tool chart: the picture could not be encoded\n");
        return 1;
    }
    const FileResult written = WriteFileAtomically(
        out, std::string_view(png.constData(), static_cast<size_t>(png.size())));
    if (!written.Done()) {
        std::fprintf(stderr, "tonmark-tool chart: cannot write '%s': %s\n", out.c_str(),
                     written.reason.c_str());
        return 1;
    }
    return 0;
}

} // namespace tonmark::tool
