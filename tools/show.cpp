// tonmark-tool show / export-txt: the program's own readers on a file.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "calibration/calibration_file.h"
#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"
#include "tools/commands.h"
#include "tools/json_out.h"
#include "tools/tool_support.h"
#include "ui/file_messages.h"

namespace tonmark::tool {

namespace {

std::string Real(double v) {
    if (!std::isfinite(v))
        return "null"; // JSON has no NaN or infinity
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

std::string AudiogramJson(const PatientFile& rec, const PersonalData& p) {
    std::string out = "{\n";
    out += "  \"TestDateStamp\": " + JsonString(rec.TestDateStamp) + ",\n";
    out += "  \"TestTimeStamp\": " + JsonString(rec.TestTimeStamp) + ",\n";
    out += "  " + ReverseMember(rec) + ",\n";
    out += "  " + ThresholdMember(rec) + ",\n";
    out += "  \"LastName\": " + JsonString(p.LastName) + ",\n";
    out += "  \"FirstName\": " + JsonString(p.FirstName) + ",\n";
    out += "  \"ReferenceNumber\": " + JsonString(p.ReferenceNumber) + ",\n";
    out += "  \"Organisation\": " + JsonString(p.Organisation) + ",\n";
    out += "  \"DateOfBirth\": " +
           (p.DateOfBirth ? JsonString(IsoDate(*p.DateOfBirth)) : std::string("null")) + ",\n";
    out += "  \"Comment\": " + JsonString(p.Comment) + "\n}\n";
    return out;
}

std::string CalibrationJson(const CalibrationTable& t, const CalibrationInfo& i) {
    std::string out = "{\n";
    out += "  \"Person\": " + JsonString(i.Person) + ",\n";
    out += "  \"Headphones\": " + JsonString(i.Headphones) + ",\n";
    out += "  \"Soundcard\": " + JsonString(i.Soundcard) + ",\n";
    out += "  \"Comment\": " + JsonString(i.Comment) + ",\n";
    out += "  \"CalibrationDate\": " + JsonString(i.CalibrationDate) + ",\n";
    out += "  \"CalibrationTime\": " + JsonString(i.CalibrationTime) + ",\n";
    out += "  \"CalibrationTable\": [";
    for (int ear = 0; ear < kEars; ++ear) {
        out += ear ? ",\n    [" : "\n    [";
        for (int slot = 1; slot <= 11; ++slot) {
            const CalibrationEntry& e = t[ear][slot];
            out += std::string(slot > 1 ? ",\n     " : "") +
                   "{\"WaveVolume\": " + std::to_string(e.WaveVolume) +
                   ", \"MasterVolume\": " + std::to_string(e.MasterVolume) +
                   ", \"GainVolume\": " + std::to_string(e.GainVolume) +
                   ", \"LevelCorrection\": " + Real(e.LevelCorrection) + "}";
        }
        out += "]";
    }
    return out + "\n  ]\n}\n";
}

bool LooksLikeCalibration(const std::string& bytes, const std::string& name) {
    if (bytes.size() >= 21 && bytes.compare(4, 17,
                                            "\x10"
                                            "Calibration Data") == 0)
        return true;
    if (bytes.size() >= 1 && bytes[0] == '\x0B')
        return false;
    const auto dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".cal";
}

void Print(const std::string& s) {
    std::fwrite(s.data(), 1, s.size(), stdout);
}

} // namespace

int Show(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: tonmark-tool show FILE\n");
        return 2;
    }
    const std::string& path = args[0];
    std::string bytes;
    if (const FileResult r = ReadWholeFile(path, bytes); !r.Done()) {
        std::fprintf(stderr, "%s\n", CannotOpenMessage(path, r.reason).c_str());
        return 2;
    }
    if (LooksLikeCalibration(bytes, path)) {
        CalibrationTable table{};
        CalibrationInfo info;
        if (DecodeCalibration(bytes, table, info) != CalibrationReadResult::Read) {
            std::fprintf(stderr, "%s\n", kMsgNotCalibration);
            return 1;
        }
        Print(CalibrationJson(table, info));
        return 0;
    }
    PatientFile rec; // a fresh record, as after New
    ClearAudiogram(rec);
    PersonalData pd;
    if (const int st = LoadAudiogram(path, Settings(), rec, pd))
        return st;
    Print(AudiogramJson(rec, pd));
    return 0;
}

int ExportTxt(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: tonmark-tool export-txt IN.aud OUT.txt\n");
        return 2;
    }
    PatientFile rec;
    ClearAudiogram(rec);
    PersonalData pd;
    if (const int st = LoadAudiogram(args[0], Settings(), rec, pd))
        return st;
    if (const FileResult r = WriteAsciiFile(args[1], rec, pd, ToolDates()); !r.Done()) {
        std::fprintf(stderr, "%s\n", FailureWithReason(kMsgSaveError, r).c_str());
        return 1;
    }
    return 0;
}

} // namespace tonmark::tool
