#include "ui/program_windows.h"

#include "ui/error_handler.h"

namespace tonmark {

ProgramWindows::ProgramWindows(Program& program, HelpViewer* help,
                               const std::vector<std::string>& args,
                               const std::function<void(TfrmMain&)>& mainCreated) {
    main = std::make_unique<TfrmMain>(program, help);
    TfrmMain& m = *main;
    if (mainCreated)
        mainCreated(m);
    m.show();
    program.errors.Guarded([&] { m.FormCreate(args); });

    settings = std::make_unique<TfrmSettings>(program, m);
    m.SetSettingsDialog(settings.get());
    program.errors.Guarded([&] { settings->FormCreate(); });

    about = std::make_unique<AboutBox>([&program](int context) {
        if (program.dialogs)
            program.dialogs->ShowHelpTopic(context);
    });
    about->onHide = [&m] { m.setEnabled(true); };
    m.showAbout = [&m, box = about.get()] {
        m.setEnabled(false);
        box->show();
    };
    test = std::make_unique<TfrmTest>(program);
    m.SetTestWindow(test.get());
    calibrationInfo = std::make_unique<TfrmCalibrationInfo>(program, m);
    m.SetCalibrationInfo(calibrationInfo.get());
    program.errors.Guarded([&] { calibrationInfo->FormCreate(); });
    results = std::make_unique<TfrmResults>(program, m, [&m](QWidget& w) { m.PrintWindow(w); });
    m.SetResultsWindow(results.get());
    bioCal = std::make_unique<TfrmBioCal>(program, m, [&m] { m.ShowNewCalibration(); });
    m.SetCalibrationByEar(bioCal.get());
    compatibility = std::make_unique<TfrmCompatibilityTest>(program, m);
    m.SetCompatibilityTest(compatibility.get());
    printerSetup = std::make_unique<QtPrinterSetup>();
    m.SetPrinterSetup(printerSetup.get());
    // The start-up may have loaded a calibration after the main window set
    // its menus.
    m.UpdateMenuItems();
}

ProgramWindows::~ProgramWindows() = default;

} // namespace tonmark
