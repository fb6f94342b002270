#pragma once
// A program with fake back ends, a settings file in a temporary folder and
// scripted dialogs, for the window tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <deque>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "support/fake_volume_devices.h"
#include "support/fake_wave_output.h"
#include "support/temp_folder.h"
#include "tools/simulation.h"
#include "ui/error_handler.h"
#include "ui/program_windows.h"

namespace tonmark::test {

class ScriptedFiles final : public FileDialogs {
  public:
    std::deque<std::optional<std::string>> opens;
    std::deque<std::optional<SaveChoice>> saves;
    std::deque<std::optional<uint32_t>> colours;
    std::string lastSuggested, lastTitle, lastFilter, lastFolder;

    std::optional<std::string> OpenFile(const std::string& title, const std::string& filter,
                                        const std::string& folder) override {
        lastTitle = title;
        lastFilter = filter;
        lastFolder = folder;
        if (opens.empty())
            return std::nullopt;
        auto r = opens.front();
        opens.pop_front();
        return r;
    }
    std::optional<SaveChoice> SaveFile(const std::string&, const std::string& filter,
                                       const std::string& folder, const std::string& suggested,
                                       const std::string&) override {
        lastSuggested = suggested;
        lastFilter = filter;
        lastFolder = folder;
        if (saves.empty())
            return std::nullopt;
        auto r = saves.front();
        saves.pop_front();
        return r;
    }
    std::optional<uint32_t> ChooseColour(uint32_t) override {
        if (colours.empty())
            return std::nullopt;
        auto r = colours.front();
        colours.pop_front();
        return r;
    }
};

class UiFixture : public ::testing::Test {
  protected:
    UiFixture() {
        storePath = (dir / "Tonmark.json").string();
        std::filesystem::copy_file(TONMARK_TEST_DATA "/full_settings.json", storePath);
        program.errors.SetSink([this](const std::string& text) { errors.push_back(text); });
        program.dialogs = &dialogs;
        program.files = &files;
        program.clock = &clock;
        program.store = std::make_unique<SettingsStore>(storePath);
        auto wave = std::make_unique<FakeWaveOutput>();
        waveOutput = wave.get();
        program.waveOutput = std::move(wave);
        auto devices = std::make_unique<FakeVolumeDevices>(&volumeLog);
        devices->devices = {{"Card A", 0x0102}, {"Card B", 0x0102}};
        volumeDevices = devices.get();
        program.outputLevels =
            std::make_unique<OutputLevelControl>(std::move(devices), nullptr, nullptr);
    }
    ~UiFixture() override { windows.reset(); }

    // The start-up of the windows, as main runs it.
    void Start(std::vector<std::string> args = {}) {
        windows = std::make_unique<ProgramWindows>(program, nullptr, args);
        main = windows->main.get();
        settings = windows->settings.get();
        QApplication::processEvents();
    }

    void WriteStore(const std::string& json) { std::ofstream(storePath) << json; }

    TempFolder temp{"ui"};
    std::filesystem::path dir = temp.Path();
    std::string storePath;
    FakeVolumeLog volumeLog; // every set that reached a control
    RecordingDialogs dialogs;
    ScriptedFiles files;
    FixedClock clock{{2026, 12, 9, 10, 30, 0}};
    FakeWaveOutput* waveOutput = nullptr;
    FakeVolumeDevices* volumeDevices = nullptr;
    Program program;
    std::vector<std::string> errors;
    std::unique_ptr<ProgramWindows> windows;
    TfrmMain* main = nullptr;
    TfrmSettings* settings = nullptr;
};

} // namespace tonmark::test
