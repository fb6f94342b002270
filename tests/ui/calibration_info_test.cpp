// The Calibration Information dialog in its two modes, with the start-up load.
#include <gtest/gtest.h>

#include <QApplication>

#include "calibration/calibration_file.h"
#include "core/atomic_file.h"
#include "core/errors.h"
#include "ui/calibration_info.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

class CalibrationInfoDialog : public UiFixture {
  protected:
    CalibrationInfoDialog() {
        Start();
        info = std::make_unique<TfrmCalibrationInfo>(program, *main);
        main->SetCalibrationInfo(info.get());
        for (int ear = 0; ear < 2; ++ear)
            for (int slot = 1; slot <= 11; ++slot)
                loaded[ear][slot] = CalibrationEntry{slot, 10 + slot, ear, 0, -1.5 * slot};
        loadedInfo = {"Jo", "HD 25", "Card A", "by ear", "1.12.2026", "09:15:00"};
        loadedPath = (dir / "old.cal").string();
        EXPECT_TRUE(WriteCalibrationFile(loadedPath, loaded, loadedInfo).Done());
    }
    ~CalibrationInfoDialog() override { info.reset(); }

    // What a calibration by ear leaves for the dialog.
    void FinishCalibrationByEar() {
        for (int ear = 0; ear < 2; ++ear)
            for (int slot = 1; slot <= 11; ++slot)
                program.bioCalTable[ear][slot] = CalibrationEntry{20 + slot, 30 + ear, 1, 0, 0.0};
        program.newCalibrationDate = "10.12.2026";
        program.newCalibrationTime = "12:00:00";
        program.newCalibrationPending = true;
        main->setEnabled(false);
        info->show();
    }

    std::unique_ptr<TfrmCalibrationInfo> info;
    CalibrationTable loaded{};
    CalibrationInfo loadedInfo;
    std::string loadedPath;
};

TEST_F(CalibrationInfoDialog, ViewsTheCalibrationInUse) {
    ASSERT_TRUE(ReadCal(loadedPath, program.calibration, program.calibrationInfo).Done());
    program.state.CalibrationLoaded = true;
    main->CalInfo1Click();
    EXPECT_FALSE(main->isEnabled());
    EXPECT_TRUE(info->isVisible());
    EXPECT_FALSE(info->Person->isEnabled());
    EXPECT_FALSE(info->Soundcard->isEnabled());
    EXPECT_FALSE(info->Cancel->isVisible());
    EXPECT_EQ(info->Person->text(), "Jo");
    EXPECT_EQ(info->DateStamp->text(), "Calibration finished on 1.12.2026 at 09:15:00");
    info->OKSave->click();
    EXPECT_FALSE(info->isVisible());
    EXPECT_TRUE(main->isEnabled());
    EXPECT_TRUE(files.saves.empty());
}

TEST_F(CalibrationInfoDialog, AcceptsANewCalibrationAndSavesIt) {
    const std::string saved = (dir / "new.cal").string();
    files.saves.push_back(FileDialogs::SaveChoice{saved, 1});
    FinishCalibrationByEar();
    EXPECT_TRUE(info->Person->isEnabled());
    EXPECT_TRUE(info->Cancel->isVisible());
    EXPECT_EQ(info->Comment->text(), "Calibration by Ear");
    EXPECT_EQ(info->Soundcard->text().toStdString(), program.outputLevels->DeviceName());
    EXPECT_EQ(info->DateStamp->text(), "Calibration finished on 10.12.2026 at 12:00:00");
    info->Person->setText("Sam");
    info->OKSave->click();
    EXPECT_FALSE(info->isVisible());
    EXPECT_TRUE(main->isEnabled());
    EXPECT_TRUE(program.state.CalibrationLoaded);
    EXPECT_EQ(program.calibration[1][7], program.bioCalTable[1][7]);
    // The file reads back as what is in use.
    CalibrationTable back{};
    CalibrationInfo backInfo;
    ASSERT_TRUE(ReadCal(saved, back, backInfo).Done());
    for (int ear = 0; ear < 2; ++ear)
        for (int slot = 1; slot <= 11; ++slot)
            EXPECT_EQ(back[ear][slot], program.calibration[ear][slot]);
    EXPECT_EQ(backInfo.Person, "Sam");
    EXPECT_EQ(backInfo.CalibrationDate, "10.12.2026");
}

TEST_F(CalibrationInfoDialog, ANewCalibrationWithoutSavingIsStillInUse) {
    files.saves.push_back(std::nullopt);
    FinishCalibrationByEar();
    info->OKSave->click();
    EXPECT_TRUE(program.state.CalibrationLoaded);
    EXPECT_EQ(program.calibration[0][3], program.bioCalTable[0][3]);
}

TEST_F(CalibrationInfoDialog, CancelAndTheCloseBoxKeepTheCalibrationInUse) {
    ASSERT_TRUE(ReadCal(loadedPath, program.calibration, program.calibrationInfo).Done());
    program.state.CalibrationLoaded = true;
    const CalibrationTable before = program.calibration;
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        FinishCalibrationByEar();
        info->Headphones->setText("typed");
        if (closeBox)
            info->close();
        else
            info->Cancel->click();
        EXPECT_FALSE(info->isVisible());
        EXPECT_TRUE(main->isEnabled());
        EXPECT_EQ(program.calibration, before);
        // View mode: the old date, the texts as last typed.
        main->CalInfo1Click();
        EXPECT_EQ(info->DateStamp->text(), "Calibration finished on 1.12.2026 at 09:15:00");
        EXPECT_EQ(info->Headphones->text(), "typed");
        info->OKSave->click();
    }
}

TEST_F(CalibrationInfoDialog, AFailedSaveKeepsTheDialogAndTheOldFile) {
    std::string oldBytes;
    ASSERT_TRUE(ReadWholeFile(loadedPath, oldBytes).Done());
    files.saves.push_back(FileDialogs::SaveChoice{dir.string(), 1}); // a folder
    FinishCalibrationByEar();
    try {
        info->OKSaveClick();
        FAIL() << "the failed save must be reported";
    } catch (const TonmarkError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + dir.string() + "\". ", 0),
                  0u)
            << e.what();
    }
    EXPECT_TRUE(info->isVisible());
    EXPECT_TRUE(program.state.CalibrationLoaded) << "in use although not saved";
    // Saving over an existing file replaces it whole.
    files.saves.push_back(FileDialogs::SaveChoice{loadedPath, 1});
    info->OKSaveClick();
    std::string newBytes;
    ASSERT_TRUE(ReadWholeFile(loadedPath, newBytes).Done());
    EXPECT_NE(newBytes, oldBytes);
    EXPECT_FALSE(info->isVisible());
}

TEST_F(CalibrationInfoDialog, StartUpLoadsTheCommandLineFileElseTheDefault) {
    const std::string other = (dir / "other.cal").string();
    CalibrationTable second = loaded;
    second[0][1].WaveVolume = 99;
    ASSERT_TRUE(WriteCalibrationFile(other, second, loadedInfo).Done());
    program.settings.ReloadCalFile = true;
    program.settings.CalFilename = loadedPath;
    struct Case {
        std::string commandLine;
        int32_t wave;
    };
    const Case cases[] = {{other + " ", 99}, {"", 1}, {(dir / "x.CAL").string() + " ", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.commandLine);
        program.calibration = CalibrationTable{};
        program.commandLineText = c.commandLine;
        info->FormCreate();
        EXPECT_EQ(program.calibration[0][1].WaveVolume, c.wave);
        EXPECT_TRUE(program.state.CalibrationLoaded);
    }
}

} // namespace
} // namespace tonmark::test
