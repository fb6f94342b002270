#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <barrier>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <thread>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "storage/settings_store.h"
#include "support/temp_folder.h"
#include "tools/simulation.h"
#include "ui/settings_messages.h"

namespace tonmark {
namespace {

namespace fs = std::filesystem;

// Every value of the store in a state that differs from the design state.
QJsonObject FullStore() {
    QJsonObject o;
    const Settings design;
    for (const StoredSetting& row : StoredSettings()) {
        const QString k = QString::fromStdString(row.name);
        switch (row.type) {
        case SettingType::Flag:
            o[k] = std::get<bool>(row.get(design)) ? 0 : 1;
            break;
        case SettingType::Text:
            o[k] = "7";
            break;
        case SettingType::Integer:
            o[k] = 1;
            break;
        case SettingType::Colour:
            o[k] = 0x010203;
            break;
        }
    }
    o["CTRL"] = 0;
    o["Joystick"] = 1;
    o["FirstRun"] = 0;
    return o;
}

class Store : public ::testing::Test {
  protected:
    Store() { path = (dir / "Tonmark.json").string(); }

    void Put(const QJsonObject& o) { PutBytes(QJsonDocument(o).toJson().toStdString()); }
    void PutBytes(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string Bytes() {
        std::string b;
        EXPECT_TRUE(ReadWholeFile(path, b).Done());
        return b;
    }
    QJsonObject Stored() {
        return QJsonDocument::fromJson(QByteArray::fromStdString(Bytes())).object();
    }

    void Read() {
        SettingsStore store(path);
        ReadStoredSettings(store, settings, lists, dialogs, [&] { ++hardwarePageShown; });
    }

    void Write(const Settings& s) {
        SettingsStore store(path);
        WriteStoredSettings(store, s);
    }

    test::TempFolder temp{"store"};
    fs::path dir = temp.Path();
    std::string path;
    Settings settings;
    DeviceListSizes lists{3, 2};
    RecordingDialogs dialogs;
    int hardwarePageShown = 0;
};

TEST_F(Store, FullStoreFillsEveryControlWithoutMessages) {
    Put(FullStore());
    Read();
    EXPECT_TRUE(dialogs.messages.empty());
    const Settings design;
    for (const StoredSetting& row : StoredSettings()) {
        SCOPED_TRACE(row.name);
        if (row.type == SettingType::Flag && row.name != "CTRL" && row.name != "Joystick") {
            EXPECT_NE(row.get(settings), row.get(design));
        }
        if (row.type == SettingType::Text) {
            EXPECT_EQ(row.get(settings), StoredValue(std::string("7")));
        }
    }
    EXPECT_TRUE(settings.Joystick);
    EXPECT_FALSE(settings.Ctrl);
    EXPECT_EQ(settings.WaveOutDevice, 1);
    EXPECT_EQ(settings.MixerDevice, 1);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(settings.GraphColour(i), 0x010203u);
    EXPECT_EQ(settings.ChartColour, 0x010203u);
    EXPECT_EQ(settings.MainWindowColour, 0x010203u);
    EXPECT_EQ(hardwarePageShown, 0);
}

TEST_F(Store, ReadingStopsAtTheFirstBadFlagOrInteger) {
    const struct {
        const char* name;
        QJsonValue value; // Undefined = removed
        int appliedUpTo;  // table entries (1-based) that were applied
    } cases[] = {
        {"Test 125Hz", QJsonValue(QJsonValue::Undefined), 0},
        {"Mark Suspicious Results", QJsonValue(QJsonValue::Undefined), 36},
        {"Trial Run", QJsonValue("1"), 11},
        {"Mixer Device Number", QJsonValue(1.5), 22},
        {"Colour Audiogram Background", QJsonValue(true), 40},
    };
    for (const auto& c : cases) {
        QJsonObject o = FullStore();
        if (c.value.isUndefined())
            o.remove(c.name);
        else
            o[c.name] = c.value;
        Put(o);
        settings = Settings();
        dialogs = RecordingDialogs{};
        Read();
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{kMsgRegistryDefaults}) << c.name;
        const auto& table = StoredSettings();
        const Settings design;
        for (int i = 0; i < 37; ++i) {
            const StoredSetting& row = table[i];
            if (row.type != SettingType::Flag || row.name == "CTRL" || row.name == "Joystick")
                continue;
            const bool applied = i < c.appliedUpTo;
            EXPECT_EQ(row.get(settings) != row.get(design), applied) << c.name << ": " << row.name;
        }
        // Defaults override even colours that were read.
        EXPECT_EQ(settings.GraphColour(0), 0x00800000u) << c.name;
        EXPECT_EQ(settings.GraphColour(1), 0x00000080u);
        EXPECT_EQ(settings.GraphColour(2), 0x00808080u);
        EXPECT_EQ(settings.GraphColour(5), 0x00FF0000u);
        EXPECT_EQ(settings.GraphColour(6), 0x000000FFu);
        EXPECT_EQ(settings.GraphColour(3), settings.ChartColour);
        EXPECT_EQ(settings.GraphColour(4), settings.MainWindowColour);
        EXPECT_EQ(settings.WaveOutDevice, 0);
        EXPECT_EQ(settings.MixerDevice, 0);
    }
}

TEST_F(Store, MissingOrMistypedTextReadsEmptyWithoutMessage) {
    QJsonObject o = FullStore();
    o.remove("Pulse Duration(s)");
    o["Pause Duration(s)"] = 2;
    Put(o);
    Read();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(settings.PulseDuration.Text(), "");
    EXPECT_EQ(settings.PauseDuration.Text(), "");
    EXPECT_EQ(settings.LevelStep.Text(), "7");
}

TEST_F(Store, DeviceNumbersOutsideTheListSelectNothing) {
    QJsonObject o = FullStore();
    o["Wave Out Device Number"] = 3; // the list has 3 entries: 0..2
    o["Mixer Device Number"] = -1;
    Put(o);
    Read();
    EXPECT_EQ(settings.WaveOutDevice, -1);
    EXPECT_EQ(settings.MixerDevice, -1);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(Store, FirstRunWelcomesOnce) {
    QJsonObject o = FullStore();
    o["FirstRun"] = 1;
    Put(o);
    dialogs.confirmationAnswer = true;
    Read();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kMsgFirstRunIntro, kMsgFirstRunCheck}));
    EXPECT_EQ(dialogs.helpTopics, std::vector<int>{10});
    EXPECT_EQ(hardwarePageShown, 1);
    EXPECT_EQ(Stored()["FirstRun"].toInt(), 0);
    EXPECT_EQ(Stored()["Test 125Hz"].toInt(), 1) << "other values stay";
    dialogs = RecordingDialogs{};
    Read();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(hardwarePageShown, 1);
}

TEST_F(Store, FirstRunOtherThanOneIsIgnored) {
    QJsonObject o = FullStore();
    o["FirstRun"] = 2;
    Put(o);
    Read();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(Stored()["FirstRun"].toInt(), 2);
}

TEST_F(Store, MissingFirstRunIsRaised) {
    const struct {
        QJsonValue value;
        const char* error;
    } cases[] = {{QJsonValue(QJsonValue::Undefined), "Failed to get data for 'FirstRun'"},
                 {QJsonValue("1"), "Invalid data type for 'FirstRun'"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        QJsonObject o = FullStore();
        if (c.value.isUndefined())
            o.remove("FirstRun");
        else
            o["FirstRun"] = c.value;
        Put(o);
        try {
            Read();
            FAIL();
        } catch (const TonmarkError& e) {
            EXPECT_EQ(std::string(e.what()), std::string(c.error) + "\n\"" + path +
                                                 "\": the value is missing or not a whole number");
        }
    }
}

TEST_F(Store, StoreThatCannotBeOpenedIsNeverWritten) {
    const char* contents[] = {nullptr, "", "[1, 2]", "{\"Test 125Hz\": 1", "\x00\xff garbage"};
    for (const char* bytes : contents) {
        fs::remove(path);
        if (bytes)
            PutBytes(bytes);
        settings = Settings();
        dialogs = RecordingDialogs{};
        EXPECT_THROW(Read(), TonmarkError);
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{kMsgRegistryDefaults});
        EXPECT_TRUE(settings.TestFrequency[1]);
        try {
            Write(settings);
            FAIL();
        } catch (const TonmarkError& e) {
            const std::string text = e.what();
            EXPECT_EQ(text.rfind("Failed to set data for 'Test 125Hz'\n\"" + path + "\": ", 0), 0u)
                << text;
            EXPECT_GT(text.size(), path.size() + 40) << "a reason follows";
        }
        EXPECT_EQ(fs::exists(path), bytes != nullptr);
        if (bytes) {
            EXPECT_EQ(Bytes(), std::string(bytes));
        }
        SettingsStore store(path);
        EXPECT_FALSE(store.ValueExists("FirstRun"));
        store.WriteTrue("x");
        EXPECT_EQ(fs::exists(path), bytes != nullptr);
    }
}

// A FIFO in the file's place once froze the start of the program.
TEST_F(Store, FifoIsAStoreThatCannotBeOpened) {
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    EXPECT_THROW(Read(), TonmarkError);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kMsgRegistryDefaults});
    EXPECT_THROW(Write(settings), TonmarkError);
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(Store, WriteThenReadGivesTheSameSettings) {
    Put(QJsonObject{{"FirstRun", 0}, {"Unrelated", "kept"}});
    Settings out;
    out.TestFrequency[0] = true;
    out.SetJoystick(true);
    out.StartLevel.SetText("-5");
    out.CalFilename = "/home/ann/cal/äöü.cal";
    out.WaveOutDevice = 2;
    for (int i = 0; i < 7; ++i)
        out.SetGraphColour(i, 0x10 * i);
    Write(out);
    const QJsonObject stored = Stored();
    EXPECT_EQ(stored.size(), 47 + 2);
    EXPECT_EQ(stored["Unrelated"].toString(), "kept");
    EXPECT_EQ(stored["Mixer Device Number"].toInt(), -1) << "no selection is stored as -1";
    EXPECT_EQ(stored["Cal Filename"].toString().toStdString(), "/home/ann/cal/äöü.cal");
    Read();
    EXPECT_TRUE(dialogs.messages.empty());
    for (const StoredSetting& row : StoredSettings())
        EXPECT_EQ(row.get(settings), row.get(out)) << row.name;
}

TEST_F(Store, OnceValuesAreSeenByName) {
    Put(QJsonObject{{"FirstRun", 0}});
    SettingsStore store(path);
    EXPECT_FALSE(store.ValueExists("Don't ask"));
    store.WriteTrue("Don't ask");
    EXPECT_TRUE(store.ValueExists("Don't ask"));
    EXPECT_EQ(Stored()["Don't ask"].toInt(), 1);
}

// The installed store, value by value, and where each default comes from: the
// design state of its control, ApplyDefaultGraphColours for the colours (the
// background entries on the chart's olive and the button face), entry 0 for
// the device lists.
QJsonObject InstalledValues() {
    QJsonObject o{{"Test 125Hz", 0},
                  {"Test 250Hz", 1},
                  {"Test 500Hz", 1},
                  {"Test 750Hz", 0},
                  {"Test 1000Hz", 1},
                  {"Test 1500Hz", 0},
                  {"Test 2000Hz", 1},
                  {"Test 3000Hz", 1},
                  {"Test 4000Hz", 1},
                  {"Test 6000Hz", 1},
                  {"Test 8000Hz", 1},
                  {"Trial Run", 1},
                  {"Retest @ 1kHz", 1},
                  {"AutoRetest", 1},
                  {"First Ear", 1},
                  {"Pulse Duration(s)", "1"},
                  {"Pause Duration(s)", "1"},
                  {"Level Steps (dB)", "3"},
                  {"Start Level (dB HL)", "0"},
                  {"Max. Test time(s)", "30"},
                  {"Min. Reversals", "6"},
                  {"Wave Out Device Number", -1},
                  {"Mixer Device Number", 0},
                  {"Joystick", 0},
                  {"CTRL", 1},
                  {"Include Last Name", 1},
                  {"Include First Name", 1},
                  {"Include Reference No.", 0},
                  {"Include Department", 0},
                  {"Include DOB", 0},
                  {"Include Test Date", 1},
                  {"Include Test Time", 0},
                  {"Reject 1st Reversal", 1},
                  {"Show in RT", 1},
                  {"Show Reversal Graph", 1},
                  {"Show Threshold Graph", 1},
                  {"Mark Suspicious Results", 1},
                  {"Colour Audiogram Reversals Left", 0x800000},
                  {"Colour Audiogram Reversals Right", 0x000080},
                  {"Colour Audiogram Axes & Grid", 0x808080},
                  {"Colour Audiogram Background", 0x008080},
                  {"Colour Application Background", 0xF0F0F0},
                  {"Colour Audiogram Thresholds Left", 0xFF0000},
                  {"Colour Audiogram Thresholds Right", 0x0000FF},
                  {"Reload Cal File", 0},
                  {"Print Cal File", 0},
                  {"Cal Filename", "No file chosen"},
                  {"FirstRun", 1}};
    return o;
}

TEST_F(Store, InstallationStoreReadsAsTheDefaultsAndWelcomes) {
    const std::string installed = (dir / "config" / "Velbrook" / "Tonmark.json").string();
    bool created = false;
    ASSERT_TRUE(CreateInstallationStore(installed, created).Done());
    EXPECT_TRUE(created);
    path = installed;
    EXPECT_EQ(Stored(), InstalledValues());
    EXPECT_EQ(Stored().size(), 48);

    SettingsStore store(path);
    Settings read;
    EXPECT_EQ(store.ReadRegistry(read, lists), SettingsRead::AllRead);
    // The defaults a store that cannot be read falls back to are the same,
    // but for the wave output: none selected is the system's default output,
    // where the fallback takes entry 0 of the list.
    Put(QJsonObject{{"FirstRun", 0}});
    Settings fallen;
    EXPECT_EQ(SettingsStore(path).ReadRegistry(fallen, lists), SettingsRead::DefaultsUsed);
    EXPECT_EQ(read.WaveOutDevice, -1);
    EXPECT_EQ(fallen.WaveOutDevice, 0);
    fallen.WaveOutDevice = -1;
    for (const StoredSetting& row : StoredSettings())
        EXPECT_EQ(row.get(read), row.get(fallen)) << row.name;
    for (int i = 0; i < kGraphColourCount; ++i)
        EXPECT_EQ(read.GraphColour(i), fallen.GraphColour(i)) << i;

    fs::remove(path);
    ASSERT_TRUE(CreateInstallationStore(installed, created).Done());
    Read();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kMsgFirstRunIntro, kMsgFirstRunCheck}));
    EXPECT_EQ(hardwarePageShown, 1);
}

TEST_F(Store, InstallationStoreNeverReplacesWhatIsThere) {
    const auto contents = [](const fs::path& p) {
        std::string b;
        (void)ReadWholeFile(p.string(), b);
        return b;
    };
    const struct {
        const char* what;
        std::function<void(const fs::path&)> make;
        std::string bytes; // of a file that must stay
    } cases[] = {
        {"settings", [](const fs::path& p) { std::ofstream(p) << R"({"FirstRun": 0})"; },
         R"({"FirstRun": 0})"},
        {"empty file", [](const fs::path& p) { std::ofstream{p}; }, ""},
        {"damaged file", [](const fs::path& p) { std::ofstream(p) << "\xff{"; }, "\xff{"},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, ""},
        {"dangling link", [](const fs::path& p) { fs::create_symlink("nowhere.json", p); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path folder = dir / c.what;
        fs::create_directories(folder);
        const fs::path p = folder / "Tonmark.json";
        c.make(p);
        bool created = true;
        EXPECT_TRUE(CreateInstallationStore(p.string(), created).Done());
        EXPECT_FALSE(created);
        if (fs::is_regular_file(fs::symlink_status(p))) {
            EXPECT_EQ(contents(p), c.bytes);
        }
        EXPECT_EQ(fs::is_directory(fs::symlink_status(p)), std::string(c.what) == "folder");
        EXPECT_EQ(fs::is_symlink(p), std::string(c.what) == "dangling link");
        EXPECT_FALSE(fs::exists(folder / "nowhere.json"));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1) << "no temporary file";
    }
    // A folder that cannot be made: nothing is written.
    std::ofstream(dir / "plain") << "x";
    bool created = true;
    const FileResult r =
        CreateInstallationStore((dir / "plain" / "Tonmark.json").string(), created);
    EXPECT_EQ(r.failure, FileFailure::CannotWrite);
    EXPECT_FALSE(created);
}

// Two programs on one settings file, each with its own store and record.
struct Instance {
    explicit Instance(const std::string& path) : store(path) {
        EXPECT_EQ(store.ReadRegistry(settings, DeviceListSizes{3, 2}), SettingsRead::AllRead);
    }
    SettingsStore store;
    Settings settings;
};

TEST_F(Store, TwoProgramsKeepEachOthersSavedChanges) {
    Put(InstalledValues());
    Instance a(path), b(path);
    a.settings.MinReversals.SetText("8");
    b.settings.IncludeDateOfBirth = true;
    b.settings.SetGraphColour(5, 0x123456);
    ASSERT_TRUE(a.store.WriteRegistry(a.settings).Done());
    ASSERT_TRUE(b.store.WriteRegistry(b.settings).Done());
    EXPECT_EQ(Stored()["Min. Reversals"].toString(), "8") << "a's change survives b's save";
    EXPECT_EQ(Stored()["Include DOB"].toInt(), 1);
    EXPECT_EQ(Stored()["Colour Audiogram Thresholds Left"].toInt(), 0x123456);
    // a still shows what it had; saving another change of its own keeps b's.
    a.settings.TrialRun = false;
    ASSERT_TRUE(a.store.WriteRegistry(a.settings).Done());
    QJsonObject expected = InstalledValues();
    expected["Min. Reversals"] = "8";
    expected["Include DOB"] = 1;
    expected["Colour Audiogram Thresholds Left"] = 0x123456;
    expected["Trial Run"] = 0;
    EXPECT_EQ(Stored(), expected);
    // A change back to the value first read is a change too.
    b.settings.IncludeDateOfBirth = false;
    a.settings.MinReversals.SetText("6");
    ASSERT_TRUE(b.store.WriteRegistry(b.settings).Done());
    ASSERT_TRUE(a.store.WriteRegistry(a.settings).Done());
    EXPECT_EQ(Stored()["Include DOB"].toInt(), 0);
    EXPECT_EQ(Stored()["Min. Reversals"].toString(), "6");
    EXPECT_EQ(Stored()["Trial Run"].toInt(), 0);
}

TEST_F(Store, SaveCompletesAStoreThatLostValues) {
    Put(InstalledValues());
    Instance a(path);
    QJsonObject damaged = InstalledValues();
    damaged.remove("Show in RT");
    damaged["Trial Run"] = "yes";
    damaged["Pulse Duration(s)"] = 2;
    damaged["Unrelated"] = "kept";
    damaged["FirstRun"] = 0;
    Put(damaged);
    a.settings.LevelStep.SetText("5");
    ASSERT_TRUE(a.store.WriteRegistry(a.settings).Done());
    QJsonObject expected = InstalledValues();
    expected["Level Steps (dB)"] = "5";
    expected["Unrelated"] = "kept";
    expected["FirstRun"] = 0;
    EXPECT_EQ(Stored(), expected);
}

TEST_F(Store, ValuesThatWereNotReadAreSavedFromTheRecord) {
    // Reading stops at value 37: the values from there on, and the colours
    // and device numbers that fell back to their defaults, are this
    // program's; the values read before it stay the file's unless changed.
    QJsonObject o = FullStore();
    o.remove("Mark Suspicious Results");
    Put(o);
    SettingsStore store(path);
    Settings s;
    EXPECT_EQ(store.ReadRegistry(s, lists), SettingsRead::DefaultsUsed);
    o["Trial Run"] = 1; // another program's change (FullStore has 0)
    Put(o);
    ASSERT_TRUE(store.WriteRegistry(s).Done());
    const QJsonObject stored = Stored();
    EXPECT_EQ(stored["Trial Run"].toInt(), 1);
    EXPECT_EQ(stored["Test 125Hz"].toInt(), 1);
    EXPECT_EQ(stored["Mark Suspicious Results"].toInt(), 1) << "the design state";
    EXPECT_EQ(stored["Reload Cal File"].toInt(), 0) << "FullStore has 1";
    EXPECT_EQ(stored["Cal Filename"].toString(), "No file chosen");
    EXPECT_EQ(stored["Colour Audiogram Reversals Left"].toInt(), 0x800000);
    EXPECT_EQ(stored["Wave Out Device Number"].toInt(), 0) << "FullStore has 1";
}

TEST_F(Store, FailedSaveKeepsTheFileAndTheChangeToSave) {
    Put(InstalledValues());
    Instance a(path);
    a.settings.MaxTestTime.SetText("45");
    const std::string before = Bytes();
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const FileResult r = a.store.WriteRegistry(a.settings);
    EXPECT_EQ(r.failure, FileFailure::CannotWrite);
    EXPECT_EQ(Bytes(), before);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(a.store.WriteRegistry(a.settings).Done());
    EXPECT_EQ(Stored()["Max. Test time(s)"].toString(), "45") << "still a change after the failure";
}

// Two programs pressing OK at the same moment, many times over: no save may
// start from a file the other is about to replace.
TEST_F(Store, SimultaneousSavesLoseNothing) {
    Put(InstalledValues());
    Instance a(path), b(path);
    constexpr int kRounds = 20;
    int round = 0, lost = 0;
    std::barrier start(2);
    std::barrier done(2, [&]() noexcept {
        const QJsonObject stored = Stored();
        if (stored["Min. Reversals"].toString() != QString::number(round) ||
            stored["Max. Test time(s)"].toString() != QString::number(100 + round))
            ++lost;
        ++round;
    });
    const auto saves = [&](Instance& p, NumberSetting Settings::*field, int offset) {
        for (int i = 0; i < kRounds; ++i) {
            (p.settings.*field).SetText(std::to_string(offset + i));
            start.arrive_and_wait();
            EXPECT_TRUE(p.store.WriteRegistry(p.settings).Done());
            done.arrive_and_wait();
        }
    };
    std::thread other(saves, std::ref(b), &Settings::MaxTestTime, 100);
    saves(a, &Settings::MinReversals, 0);
    other.join();
    EXPECT_EQ(lost, 0) << "of " << kRounds << " rounds";
}

TEST(SettingsOverrides, ApplyWhatIsThereAndKeepTheRest) {
    Settings s;
    EXPECT_EQ(
        ApplySettingsOverrides(s, R"j({"Test 125Hz": 1, "Trial Run": false, "Min. Reversals": "4",
                         "Level Steps (dB)": 2.5, "Unknown": [1]})j"),
        "");
    EXPECT_TRUE(s.TestFrequency[0]);
    EXPECT_FALSE(s.TrialRun);
    EXPECT_EQ(s.MinReversals.Text(), "4");
    EXPECT_EQ(s.LevelStep.Text(), "2.5");
    EXPECT_EQ(s.PulseDuration.Text(), "1");
    EXPECT_NE(ApplySettingsOverrides(s, "[]"), "");
    EXPECT_NE(ApplySettingsOverrides(s, "{"), "");
    EXPECT_NE(ApplySettingsOverrides(s, R"j({"AutoRetest": "yes"})j"), "");
}

TEST(SettingsStorePath, FollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(), "/tmp/cfg/Velbrook/Tonmark.json");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(SettingsStore::DefaultPath(), "/home/ann/.config/Velbrook/Tonmark.json");
}

} // namespace
} // namespace tonmark
