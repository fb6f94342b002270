#include "tools/tool_support.h"

#include <cstdio>
#include <ctime>

#include "ui/file_messages.h"

namespace tonmark::tool {

DateContext ToolDates() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return DateContext{ShortDateFormat::System(), tm.tm_year + 1900};
}

int LoadAudiogram(const std::string& path, const Settings& settings, PatientFile& rec,
                  PersonalData& pd) {
    const FileResult r = ReadFile(path, rec, pd, ToolDates(), settings.FirstUsedEntry());
    if (r.Done())
        return 0;
    std::fprintf(stderr, "%s\n", ReadFailureMessage(r, kMsgNotAudiogram).c_str());
    return r.failure == FileFailure::CannotOpen ? 2 : 1;
}

std::string IntArray(const int32_t* v, int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i)
        s += (i ? "," : "") + std::to_string(v[i]);
    return s + "]";
}

std::string ReverseMember(const PatientFile& rec) {
    std::string out = "\"Reverse\": [";
    for (int ear = 0; ear < kEars; ++ear) {
        out += ear ? ",\n    [" : "\n    [";
        for (int row = 0; row < kRows; ++row)
            out += (row ? ",\n     " : "") + IntArray(rec.Reverse[ear][row], kRowLength);
        out += "]";
    }
    return out + "\n  ]";
}

std::string ThresholdMember(const PatientFile& rec) {
    return "\"Threshold\": [" + IntArray(rec.Threshold[0], kRows) + ", " +
           IntArray(rec.Threshold[1], kRows) + "]";
}

} // namespace tonmark::tool
