// A new user's first start from the settings file of the installation, and
// two programs saving their settings into one file.
#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTabWidget>

#include "app/platform_helpers.h"
#include "core/atomic_file.h"
#include "support/temp_folder.h"
#include "ui/settings_dialog.h"
#include "ui/settings_messages.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

namespace fs = std::filesystem;

QJsonObject StoredAt(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes).Done());
    return QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object();
}

class FirstStart : public UiFixture {
  protected:
    void Install() {
        fs::remove(storePath);
        bool created = false;
        ASSERT_TRUE(CreateInstallationStore(storePath, created).Done());
        ASSERT_TRUE(created);
    }
};

TEST_F(FirstStart, InstalledSettingsWelcomeWithoutTheDefaultsMessage) {
    Install();
    dialogs.confirmationAnswer = true;
    Start();
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kMsgFirstRunIntro, kMsgFirstRunCheck}));
    EXPECT_EQ(dialogs.helpTopics, std::vector<int>{kHelpIntroduction});
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->SettingsPages->currentWidget(), settings->SoundCard);
    EXPECT_EQ(settings->WaveOutDevice->currentIndex(), -1) << "the system's default output";
    EXPECT_EQ(settings->MixerDevice->currentIndex(), 0);
    EXPECT_EQ(settings->ReverseEdit->text(), "6");
    EXPECT_EQ(StoredAt(storePath)["FirstRun"].toInt(), 0);
    EXPECT_EQ(StoredAt(storePath).size(), 48);
}

// A second program on the same settings file, with its own fakes.
struct OtherProgram {
    explicit OtherProgram(const std::string& storePath) {
        program.dialogs = &dialogs;
        program.files = &files;
        program.clock = &clock;
        program.store = std::make_unique<SettingsStore>(storePath);
        program.waveOutput = std::make_unique<FakeWaveOutput>();
        auto devices = std::make_unique<FakeVolumeDevices>(&volumeLog);
        devices->devices = {{"Card A", 0x0102}, {"Card B", 0x0102}};
        program.outputLevels =
            std::make_unique<OutputLevelControl>(std::move(devices), nullptr, nullptr);
        windows = std::make_unique<ProgramWindows>(program, nullptr, std::vector<std::string>{});
    }
    FakeVolumeLog volumeLog;
    RecordingDialogs dialogs;
    ScriptedFiles files;
    FixedClock clock{{2026, 12, 9, 10, 30, 0}};
    Program program;
    std::unique_ptr<ProgramWindows> windows;
};

TEST_F(FirstStart, TwoProgramsEachKeepTheirConfirmedChange) {
    Start();
    OtherProgram other(storePath);
    TfrmSettings& mine = *settings;
    TfrmSettings& theirs = *other.windows->settings;
    mine.show();
    theirs.show();
    mine.ReverseEdit->setText("8");
    theirs.IncludeDOB->setChecked(true);
    theirs.OKClick();
    mine.OKClick();
    EXPECT_TRUE(errors.empty());
    QJsonObject stored = StoredAt(storePath);
    EXPECT_EQ(stored["Min. Reversals"].toString(), "8");
    EXPECT_EQ(stored["Include DOB"].toInt(), 1) << "the other program's change survives";
    // Saved again without touching "Include DOB": the other's change stays.
    mine.show();
    mine.IncludeTime->setChecked(true);
    mine.OKClick();
    stored = StoredAt(storePath);
    EXPECT_EQ(stored["Include DOB"].toInt(), 1);
    EXPECT_EQ(stored["Include Test Time"].toInt(), 1);
    EXPECT_EQ(stored["Min. Reversals"].toString(), "8");
    EXPECT_FALSE(mine.IncludeDOB->isChecked()) << "this program's own controls stay as they are";
}

// An installed program sets up a new user's settings; one in its build
// folder does not.
TEST(NewUserSettings, OnlyAnInstalledProgramCreatesThem) {
    const TempFolder temp("new-user");
    const fs::path root = temp.Path();
    fs::create_directories(root / "build/help");
    fs::create_directories(root / "prefix/bin");
    fs::create_directories(root / "prefix/share/tonmark/help");
    const struct {
        const char* layout;
        fs::path programFolder;
        const char* existing; // settings file there before, or null
        bool installed;
    } cases[] = {
        {"build folder", root / "build", nullptr, false},
        {"installation prefix", root / "prefix/bin", nullptr, true},
        {"prefix, settings there", root / "prefix/bin", R"({"FirstRun": 0})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout);
        const fs::path conf = root / "conf";
        fs::remove_all(conf);
        const std::string path = (conf / "Velbrook/Tonmark.json").string();
        if (c.existing) {
            fs::create_directories(conf / "Velbrook");
            std::ofstream(path) << c.existing;
        }
        const QString folder = QString::fromStdString(c.programFolder.string());
        EXPECT_EQ(RunsInstalled(folder), c.installed);
        SetUpNewUserSettings(folder, path);
        if (c.existing) {
            std::string bytes;
            EXPECT_TRUE(ReadWholeFile(path, bytes).Done());
            EXPECT_EQ(bytes, c.existing);
        } else if (c.installed) {
            EXPECT_EQ(StoredAt(path).size(), 48);
            EXPECT_EQ(StoredAt(path)["FirstRun"].toInt(), 1);
        } else {
            EXPECT_FALSE(fs::exists(path));
        }
    }
}

} // namespace
} // namespace tonmark::test
