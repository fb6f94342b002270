#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "storage/settings_store.h"
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
    Store() {
        dir = fs::temp_directory_path() /
              ("tonmark-store-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir);
        path = (dir / "Tonmark.json").string();
    }
    ~Store() override { fs::remove_all(dir); }

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

    static inline int counter = 0;
    fs::path dir;
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
