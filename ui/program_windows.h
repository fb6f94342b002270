#pragma once
// Every window of the program, created, shown and wired in the order in which
// the program starts: the main window first (shown, then its FormCreate),
// then the settings dialog (which reads the settings and opens the mixer),
// the About box, the test window, the calibration information (which may
// load the calibration file), the results, the calibration by ear and the
// compatibility test. Failures of a FormCreate go to the general error
// handler, and the start-up goes on.
//
// The program's main and the window tests both start through this, so the
// tests run the start-up the user gets.
//
// Threading: user-interface thread only. Ownership: the windows belong to
// this object; program and help (may be null) stay the caller's and must
// outlive it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/about_box.h"
#include "ui/calibration_by_ear.h"
#include "ui/calibration_info.h"
#include "ui/hardware_check_window.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/printing.h"
#include "ui/program.h"
#include "ui/results_window.h"
#include "ui/settings_dialog.h"
#include "ui/run_window.h"

namespace tonmark {

class ProgramWindows {
  public:
    // args: the command line after the program's name. mainCreated (may be
    // empty) receives the main window before anything runs in it, so that a
    // request to close can reach it during the rest of the start-up.
    ProgramWindows(Program& program, HelpViewer* help, const std::vector<std::string>& args,
                   const std::function<void(TfrmMain&)>& mainCreated = {});
    ~ProgramWindows();

    // Destroyed in reverse order: the dialogs refer to the main window, which
    // goes last.
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmSettings> settings;
    std::unique_ptr<AboutBox> about;
    std::unique_ptr<TfrmTest> test;
    std::unique_ptr<TfrmCalibrationInfo> calibrationInfo;
    std::unique_ptr<TfrmResults> results;
    std::unique_ptr<TfrmBioCal> bioCal;
    std::unique_ptr<TfrmCompatibilityTest> compatibility;
    std::unique_ptr<QtPrinterSetup> printerSetup;
};

} // namespace tonmark
