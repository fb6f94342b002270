// The main window's menu commands: the file commands, the hearing test,
// the calibration windows and printing.
#include <QTimer>
#include <cstring>

#include "calibration/calibration_file.h"
#include "core/errors.h"
#include "core/run_commands.h"
#include "storage/file_names.h"
#include "ui/calibration_by_ear.h"
#include "ui/calibration_info.h"
#include "ui/file_messages.h"
#include "ui/hardware_check_window.h"
#include "ui/main_window.h"
#include "ui/printing.h"
#include "ui/results_window.h"
#include "ui/run_driver_qt.h"
#include "ui/run_window.h"

namespace tonmark {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// Without a settings file the "don't show again" mark cannot be kept.
class NoOnceValues final : public OnceValueStore {
  public:
    bool ValueExists(const std::string&) override { return false; }
    void WriteTrue(const std::string&) override {}
};

// The measurements of two records are the same.
bool SameResults(const PatientFile& a, const PatientFile& b) {
    return std::memcmp(a.Reverse, b.Reverse, sizeof a.Reverse) == 0 &&
           std::memcmp(a.Threshold, b.Threshold, sizeof a.Threshold) == 0;
}

bool HasMeasurements(const PatientFile& r) {
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot < kSlots; ++slot)
            if (r.Count(ear, slot) > 0)
                return true;
    return false;
}

} // namespace

std::string TfrmMain::NameForQuestion() const {
    const std::string name =
        (txtFirstName->text() + ' ' + txtLastName->text()).trimmed().toStdString();
    return name.empty() ? "(no name)" : name;
}

bool TfrmMain::MayDropResults() {
    if (!p_.state.UnsavedResults || !p_.state.AudiogramValid || !p_.dialogs)
        return true;
    switch (p_.dialogs->AskYesNoCancel("Save the audiogram of " + NameForQuestion() + " first?",
                                       kProductName)) {
    case ModalResult::Yes:
        return SaveAs(); // a cancelled or failed save keeps everything
    case ModalResult::No:
        return true;
    default:
        return false;
    }
}

void TfrmMain::New1Click() {
    if (!MayDropResults())
        return;
    p_.state.UnsavedResults = false;
    p_.state.AudiogramValid = false;
    for (QLineEdit* e :
         {txtLastName, txtFirstName, txtOrganisation, txtReferenceNumber, txtComment})
        e->clear();
    ClearAudiogram(p_.state.Record);
    p_.state.RepeatedPulses = 0;
    pbxAudiogramPaint();
}

void TfrmMain::OpenAudiogram(const std::string& fileName) {
    PersonalData personal = Personal();
    const int first = p_.settings.FirstUsedEntry();
    if (ReportRead(ReadFile(fileName, p_.state.Record, personal, Dates(), first), kMsgNotAudiogram,
                   *p_.dialogs)) {
        p_.state.AudiogramValid = true;
        p_.state.UnsavedResults = false;
        p_.state.RepeatedPulses = 0; // a file says nothing of how its test played
    }
    SetPersonal(personal);
    pbxAudiogramPaint();
}

void TfrmMain::Open1Click() {
    if (!MayDropResults())
        return;
    const auto name =
        p_.files->OpenFile("Open Audiogram File", "Audiogram Files|*.aud", p_.defaultFolder);
    if (name)
        OpenAudiogram(*name);
}

void TfrmMain::Save1Click() {
    SaveAs();
}

bool TfrmMain::SaveAs() {
    try {
        const std::string suggested =
            SuggestedFileName(p_.settings, Personal(), p_.state.Record, Dates());
        const auto choice = p_.files->SaveFile("Save As", "Audiogram|*.aud|ASCII-Text|*.txt",
                                               p_.defaultFolder, suggested, "aud");
        if (!choice)
            return false;
        const bool text = ExportsAsText(choice->name, choice->fileType);
        const FileResult saved =
            text ? WriteAsciiFile(choice->name, p_.state.Record, Personal(), Dates())
                 : WriteFile(choice->name, p_.state.Record, Personal(), Dates());
        if (!saved.Done()) {
            p_.dialogs->ShowMessage(FailureWithReason(kMsgSaveError, saved));
            return false;
        }
        // A text export cannot be opened again: the results stay unsaved.
        if (!text)
            p_.state.UnsavedResults = false;
        return true;
    } catch (const std::exception&) {
        p_.dialogs->ShowMessage(kMsgSaveError);
        return false;
    }
}

void TfrmMain::LoadCalibration1Click() {
    const auto name = p_.files->OpenFile("Open Calibration Data File", "Calibration Data|*.cal",
                                         p_.defaultFolder);
    if (name)
        if (ReportRead(ReadCal(*name, p_.calibration, p_.calibrationInfo), kMsgNotCalibration,
                       *p_.dialogs))
            p_.state.CalibrationLoaded = true;
    UpdateMenuItems();
}

void TfrmMain::NewTest1Click() {
    RunTestCommand(true);
}

void TfrmMain::Retest1Click() {
    RunTestCommand(false);
}

void TfrmMain::RunTestCommand(bool newTest) {
    if (!test_ || testRunning_ || !p_.clock || !p_.dialogs)
        return;
    // Without a calibration New Test only says so, and the record stays.
    if (newTest && p_.state.CalibrationLoaded) {
        if (!MayDropResults())
            return;
        p_.state.UnsavedResults = false;
    }
    runBefore_ = p_.state.Record;
    if (run_)
        run_->deleteLater(); // the last command's, long over
    run_ = new QtRunDriver(p_, *this, *test_, [this] { pbxAudiogramPaint(); });
    run_->setParent(this);
    run_->abandon = [this] { return closing_ || closeAfterRun_; };
    NoOnceValues noStore;
    OnceValueStore& once = p_.store ? static_cast<OnceValueStore&>(*p_.store) : noStore;
    testRunning_ = true;
    run_->Start(TestCommand(newTest ? TestCommand::Kind::NewTest : TestCommand::Kind::Retest), once,
                [this](std::exception_ptr error) { AfterTestRun(error); });
}

void TfrmMain::AfterTestRun(std::exception_ptr error) {
    testRunning_ = false;
    // Results are new when the run left an audiogram whose measurements it
    // changed (a stopped New Test leaves none; a retest stopped at its
    // prompt changes nothing).
    const PatientFile& now = p_.state.Record;
    if (p_.state.AudiogramValid && HasMeasurements(now) && !SameResults(runBefore_, now))
        p_.state.UnsavedResults = true;
    setEnabled(true); // also when the run failed before it could end its display
    pbxAudiogramPaint();
    NameChanged();
    if (error)
        p_.errors.Guarded([&error] { std::rethrow_exception(error); });
    if (closeAfterRun_ || closing_)
        QTimer::singleShot(0, this, [this] { close(); });
}

void TfrmMain::ViewResults1Click() {
    if (!results_)
        return;
    setEnabled(false);
    results_->show();
    results_->raise();
    results_->activateWindow();
}

void TfrmMain::CalInfo1Click() {
    if (!calibrationInfo_)
        return;
    p_.newCalibrationPending = false;
    setEnabled(false);
    calibrationInfo_->show();
    calibrationInfo_->raise();
    calibrationInfo_->activateWindow();
}

void TfrmMain::TestCompatibility1Click() {
    if (!compatibility_)
        return;
    setEnabled(false);
    compatibility_->show();
    compatibility_->raise();
    compatibility_->activateWindow();
}

void TfrmMain::SubjCal1Click() {
    if (!bioCal_ || !p_.dialogs)
        return;
    if (p_.dialogs->AskYesNo("Before calibrating the Audiometer it is advisable to test the "
                             "compatibility of your sound card.\rWould you like to do the "
                             "compatibility test now?",
                             "Confirm")) {
        TestCompatibility1Click();
        return;
    }
    bioCal_->FreshCalibration = true;
    setEnabled(false);
    bioCal_->show();
    bioCal_->raise();
}

void TfrmMain::SubjRecal1Click() {
    if (!bioCal_)
        return;
    bioCal_->FreshCalibration = false;
    setEnabled(false);
    bioCal_->show();
    bioCal_->raise();
}

void TfrmMain::ShowNewCalibration() {
    if (!calibrationInfo_)
        return;
    setEnabled(false);
    calibrationInfo_->show();
    calibrationInfo_->raise();
    calibrationInfo_->activateWindow();
}

void TfrmMain::PrinterSetup1Click() {
    if (printerSetup_)
        printerSetup_->Setup(*printer_, this);
}

void TfrmMain::PrintWindow(QWidget& window) {
    // No printer dialog here: an earlier printout to a file is kept.
    if (!KeepEarlierPrintout(*printer_, p_.files))
        return;
    PrintWindowPicture(window, *printer_);
}

void TfrmMain::Print1Click() {
    if (!printerSetup_ || !printerSetup_->Setup(*printer_, this))
        return; // cancelled: nothing printed, nothing changed
    Settings& s = p_.settings;
    // White for the print; the configured colours and the hidden line come
    // back afterwards, also when the print fails.
    struct Restore {
        TfrmMain& w;
        ~Restore() {
            w.lblCalFilename->hide();
            w.p_.settings.MainWindowColour = w.p_.settings.GraphColour(4);
            w.SetChartColour(w.p_.settings.GraphColour(3), true);
            w.ApplyColours();
        }
    } restore{*this};
    s.MainWindowColour = 0x00FFFFFF;
    SetChartColour(0x00FFFFFF, true);
    ApplyColours();
    lblCalFilename->setVisible(s.PrintCalFile);
    const std::string calFile = s.CalFilename;
    lblCalFilename->setText(QStringLiteral("Calibration Filename: ") +
                            (calFile.empty() ? QStringLiteral("No file chosen") : Q(calFile)));
    lblCalFilename->raise();
    PrintWindowPicture(*client_, *printer_);
}

} // namespace tonmark
