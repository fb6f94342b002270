// tonmark-tool simulate: New Test as the menu runs it, with silent output and
// a subject who hears exactly at and above given thresholds.
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/run_commands.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"
#include "storage/settings_store.h"
#include "tools/commands.h"
#include "tools/json_out.h"
#include "tools/simulation.h"
#include "tools/tool_support.h"
#include "ui/file_messages.h"

namespace tonmark::tool {

namespace {

// A run this long means the subject and settings never let a slot end.
constexpr long kPulseLimit = 20'000'000;

struct BadInput {
    std::string why;
};

struct SubjectDescription {
    ThresholdSubject subject;
    long familiarisationPulses = 4;
};

QJsonObject ReadJsonObject(const std::string& path, const char* what) {
    std::string bytes;
    if (const FileResult r = ReadWholeFile(path, bytes); !r.Done())
        throw BadInput{std::string("cannot read ") + what + " '" + path + "': " + r.reason};
    QJsonParseError perr{};
    const auto doc = QJsonDocument::fromJson(
        QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &perr);
    if (perr.error != QJsonParseError::NoError)
        throw BadInput{std::string("invalid JSON in ") + what + " '" + path +
                       "': " + perr.errorString().toStdString()};
    if (!doc.isObject())
        throw BadInput{std::string(what) + " '" + path + "' is not a JSON object"};
    return doc.object();
}

SubjectDescription ReadSubject(const std::string& path) {
    const QJsonObject root = ReadJsonObject(path, "subject");
    SubjectDescription described;
    const QJsonValue th = root.value("thresholds");
    if (!th.isUndefined() && !th.isObject())
        throw BadInput{"subject: \"thresholds\" must be an object"};
    const QJsonObject ears = th.toObject();
    for (auto it = ears.begin(); it != ears.end(); ++it) {
        int ear;
        if (it.key() == "left")
            ear = 0;
        else if (it.key() == "right")
            ear = 1;
        else
            throw BadInput{"subject: unknown ear '" + it.key().toStdString() + "'"};
        if (!it.value().isObject())
            throw BadInput{"subject: thresholds of '" + it.key().toStdString() +
                           "' must be an object"};
        const QJsonObject freqs = it.value().toObject();
        for (auto f = freqs.begin(); f != freqs.end(); ++f) {
            bool ok = false;
            const int hz = f.key().trimmed().toInt(&ok);
            if (!ok)
                throw BadInput{"subject: '" + f.key().toStdString() + "' is not a frequency"};
            if (!f.value().isDouble() || !std::isfinite(f.value().toDouble()))
                throw BadInput{"subject: threshold at " + f.key().toStdString() +
                               " Hz must be a number"};
            described.subject.thresholds[ear][hz] = f.value().toDouble();
        }
    }
    const QJsonValue fam = root.value("familiarisation_pulses");
    if (!fam.isUndefined()) {
        const double d = fam.toDouble(-1);
        if (!fam.isDouble() || d < 0 || d != std::floor(d) || d > 1e9)
            throw BadInput{"subject: \"familiarisation_pulses\" must be a whole number >= 0"};
        described.familiarisationPulses = static_cast<long>(d);
    }
    return described;
}

std::string RecordJson(const ProgramState& st, const std::vector<std::string>& messages,
                       long pulses, int cycles) {
    const PatientFile& rec = st.Record;
    std::string out = "{\n";
    out += "  \"AudiogramValid\": " + std::string(st.AudiogramValid ? "true" : "false") + ",\n";
    out += "  " + ThresholdMember(rec) + ",\n";
    out += "  " + ReverseMember(rec) + ",\n";
    out += "  \"TestDateStamp\": " + JsonString(rec.TestDateStamp) + ",\n";
    out += "  \"TestTimeStamp\": " + JsonString(rec.TestTimeStamp) + ",\n";
    out += "  \"messages\": [";
    for (size_t i = 0; i < messages.size(); ++i)
        out += (i ? ",\n    " : "\n    ") + JsonString(messages[i]);
    out += messages.empty() ? "],\n" : "\n  ],\n";
    out += "  \"pulses\": " + std::to_string(pulses) + ",\n";
    out += "  \"retest_cycles\": " + std::to_string(cycles) + "\n}\n";
    return out;
}

} // namespace

int Simulate(const std::vector<std::string>& args) {
    try {
        std::string subjectPath, settingsPath, audPath;
        long maxCycles = 20;
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            auto value = [&]() -> const std::string& {
                if (i + 1 >= args.size())
                    throw BadInput{"option " + a + " needs a value"};
                return args[++i];
            };
            if (a == "--subject")
                subjectPath = value();
            else if (a == "--aud") {
                audPath = value();
                if (audPath.empty())
                    throw BadInput{"--aud needs a file name"};
            } else if (a == "--settings")
                settingsPath = value();
            else if (a == "--max-retest-cycles") {
                const std::string& v = value();
                char* end = nullptr;
                maxCycles = std::strtol(v.c_str(), &end, 10);
                if (v.empty() || *end || maxCycles < 0)
                    throw BadInput{"--max-retest-cycles needs a whole number >= 0"};
            } else
                throw BadInput{"unknown option '" + a + "'"};
        }
        if (subjectPath.empty())
            throw BadInput{"simulate needs --subject SUBJECT.json"};

        const SubjectDescription described = ReadSubject(subjectPath);
        Settings settings;
        if (!settingsPath.empty()) {
            const QJsonObject obj = ReadJsonObject(settingsPath, "settings");
            const QByteArray bytes = QJsonDocument(obj).toJson(QJsonDocument::Compact);
            const std::string err =
                ApplySettingsOverrides(settings, std::string_view(bytes.constData(), bytes.size()));
            if (!err.empty())
                throw BadInput{"settings: " + err};
        }

        ProgramState state;
        state.CalibrationLoaded = true;
        SilentServices services(state);
        services.subject = [&](const PulseInfo& p) {
            if (p.totalIndex > kPulseLimit)
                throw TonmarkError("the simulated test did not end within " +
                                   std::to_string(kPulseLimit) + " pulses");
            return described.subject.Hears(p);
        };
        services.duringPulse = [&](const PulseInfo& p) {
            if (p.slot == 0 && p.indexInSlot == described.familiarisationPulses)
                state.StopRequested = true; // the operator presses Next
        };
        RecordingDialogs dialogs;
        dialogs.recordOnceDialog = false; // New Test's own question is not listed
        SystemClock clock;
        MemoryOnceStore once;
        TestRunContext run{state, settings, services, dialogs, clock};
        CommandContext cmd{run, once, static_cast<int>(std::min(maxCycles, 1L << 30))};
        try {
            NewTest1Click(cmd);
        } catch (const ConvertError& e) {
            // What the general error handler would show; the command ends there.
            dialogs.messages.push_back(e.what());
        }
        if (!audPath.empty()) {
            // Saved as Save As would, with empty personal data.
            if (const FileResult r = WriteFile(audPath, state.Record, PersonalData{}, ToolDates());
                !r.Done()) {
                std::fprintf(stderr, "tonmark-tool simulate: %s\n",
                             FailureWithReason(kMsgSaveError, r).c_str());
                return 1;
            }
        }
        const std::string json =
            RecordJson(state, dialogs.messages, services.pulses(), cmd.retestCyclesRun);
        std::fwrite(json.data(), 1, json.size(), stdout);
        return 0;
    } catch (const BadInput& e) {
        std::fprintf(stderr, "tonmark-tool simulate: %s\n", e.why.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonmark-tool simulate: %s\n", e.what());
        return 2;
    }
}

} // namespace tonmark::tool
