// Seed corpora from the program's own writers, and every truncation of them.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "calibration/calibration_file.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"

using namespace tonmark;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

void WithTruncations(const fs::path& dir, const std::string& name, const std::string& bytes,
                     size_t step) {
    Put(dir, name, bytes);
    for (size_t n = 0; n < bytes.size(); n += step)
        Put(dir, name + "-cut" + std::to_string(n), bytes.substr(0, n));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* d : {"audiogram", "calibration", "settings"})
        fs::create_directories(root / d);

    const DateContext dates{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2026};
    PatientFile rec;
    ClearAudiogram(rec);
    for (int k = 0; k <= 6; ++k)
        rec.Reverse[0][4][k] = k ? 20 + k % 2 * 3 : 6;
    rec.TestDateStamp = "09-12-2026";
    rec.TestTimeStamp = "14h3";
    PersonalData pd{"Smith", "Ann", "R1", "Works", CalendarDate{1970, 1, 31}, "note"};
    WithTruncations(root / "audiogram", "full", EncodeAudiogram(rec, pd, dates), 7);

    CalibrationTable table{};
    table[1][5] = {10, 20, 30, 0, -3.5};
    CalibrationInfo info{"Jo", "HD", "Card", "Calibration by Ear", "9.12.2026", "14:03"};
    WithTruncations(root / "calibration", "full", EncodeCalibration(table, info), 5);

    // A stored value as JSON, from the design state.
    const Settings design;
    const auto designJson = [&](const StoredSetting& row) {
        const StoredValue v = row.get(design);
        if (const auto* text = std::get_if<std::string>(&v))
            return "\"" + *text + "\"";
        if (const auto* flag = std::get_if<bool>(&v))
            return std::string(*flag ? "1" : "0");
        return std::to_string(std::get<int32_t>(v));
    };
    std::string json = "{\n";
    for (const StoredSetting& row : StoredSettings())
        json += "  \"" + row.name + "\": " + designJson(row) + ",\n";
    json += "  \"FirstRun\": 0\n}\n";
    Put(root / "settings", "full", json);
    // Every kind of value in every place: the other type, numbers in text,
    // texts that are almost numbers, JSON's other kinds, escapes.
    const char* const odd[] = {"\"12\"",     "\"1e309\"",  "\" 3\"",        "\"0x10\"",
                               "\"-0\"",     "\"nan\"",    "\"\"",          "-2147483648",
                               "4294967296", "1.5",        "true",          "null",
                               "[1]",        "{\"a\": 1}", "\"\\u00e9\\n\""};
    int n = 0;
    for (const char* value : odd) {
        std::string seed = "{";
        for (const StoredSetting& row : StoredSettings())
            seed += "\"" + row.name + "\": " + value + ", ";
        seed += "\"FirstRun\": 0}";
        Put(root / "settings", "odd" + std::to_string(n++), seed);
    }
    // Half the values missing, and a type swapped for each kind of setting.
    std::string half = "{", swapped = "{";
    int i = 0;
    for (const StoredSetting& row : StoredSettings()) {
        const std::string name = "\"" + row.name + "\": ";
        if (i++ % 2)
            half += name + designJson(row) + ", ";
        swapped +=
            name +
            (row.type == SettingType::Text ? std::to_string(i) : "\"" + std::to_string(i) + "\"") +
            ", ";
    }
    Put(root / "settings", "half", half + "\"FirstRun\": 2}");
    Put(root / "settings", "swapped", swapped + "\"FirstRun\": 0}");
    Put(root / "settings", "firstrun", "{\"FirstRun\": 1}");
    Put(root / "settings", "array", "[]");
    return 0;
}
