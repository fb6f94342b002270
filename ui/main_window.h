#pragma once
// The main window: the audiogram chart, the personal data, the date line, the
// main menu with every command and the chart's context menu.
#include <QAction>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPrinter>
#include <exception>
#include <functional>
#include <memory>

#include "storage/audiogram_file.h"
#include "ui/chart_boxes.h"
#include "ui/program.h"

namespace tonmark {

class TfrmSettings;
class TfrmTest;
class TfrmResults;
class TfrmCalibrationInfo;
class TfrmCompatibilityTest;
class TfrmBioCal;
class PrinterSetup;
class HelpViewer;
class QtRunDriver;

class TfrmMain : public QMainWindow {
    Q_OBJECT
  public:
    TfrmMain(Program& program, HelpViewer* help, QWidget* parent = nullptr);

    // Creation work that needs the window to exist: the device check, the
    // command line and the empty audiogram. args are the command-line
    // parameters.
    void FormCreate(const std::vector<std::string>& args);
    void SetSettingsDialog(TfrmSettings* settings) { settings_ = settings; }
    void SetTestWindow(TfrmTest* test);
    void SetResultsWindow(TfrmResults* results) { results_ = results; }
    void SetCalibrationInfo(TfrmCalibrationInfo* info) { calibrationInfo_ = info; }
    void SetCompatibilityTest(TfrmCompatibilityTest* test) { compatibility_ = test; }
    void SetCalibrationByEar(TfrmBioCal* bioCal) { bioCal_ = bioCal; }
    // The printer setup dialog of the run; the main window keeps the printer.
    void SetPrinterSetup(PrinterSetup* setup) { printerSetup_ = setup; }
    QPrinter& Printer() { return *printer_; }
    std::function<void()> showAbout; // set by the composition root

    // The chart, strip and date line from the record and the settings.
    void pbxAudiogramPaint();
    // The items that need an audiogram (Print, Retest, View Results) or a
    // calibration (Calibration Information, Check or Recalibrate) enabled by
    // what is there now; their shortcuts follow. The one place that decides
    // them. Called whenever either may have changed: at the end of the
    // start-up, after every menu command, when a secondary window gives the
    // main window back, and as each menu drops down.
    void UpdateMenuItems();
    // The menus' own updates as each drops down.
    void File1Click();
    void Test1Click();
    void Calibration2Click();
    void PopupMenu1Popup();

    // Commands.
    void New1Click();
    void Open1Click();
    void Save1Click();
    void LoadCalibration1Click();
    // New Test (F5) and Retest (F6): ask their questions and start the
    // first run, which goes on from the event loop; TestRunning() holds
    // until the last run of the command ended.
    void NewTest1Click();
    void Retest1Click();
    void ViewResults1Click();
    void CalInfo1Click();
    void TestCompatibility1Click();
    // "New Calibration by Ear" (F3) and "Check or Recalibrate by Ear" (F4).
    void SubjCal1Click();
    void SubjRecal1Click();
    // After the last page of a calibration by ear.
    void ShowNewCalibration();
    void Print1Click();
    void PrinterSetup1Click();
    // Prints a window's picture on the run's printer; errors go to the caller.
    void PrintWindow(QWidget& window);
    bool TestRunning() const { return testRunning_; }
    // Before a command drops the record: with results not saved since they
    // were measured, asks "Save the audiogram of NAME first?". Yes saves
    // through Save As, No drops them, Cancel keeps them; true when the
    // command may go on (after Yes only when the save was done).
    bool MayDropResults();
    // The name the question gives the person tested: the first and the last
    // name as typed, "(no name)" when neither was.
    std::string NameForQuestion() const;
    // Closes the program as its close box does, also from outside (a signal):
    // a running test stops at once, open questions are dismissed.
    void RequestClose();
    void OpenAudiogram(const std::string& fileName);

    PersonalData Personal() const;
    void SetPersonal(const PersonalData& p);
    DateContext Dates() const;
    void ApplyColours();
    // The colour of the chart box and its frame (index 3 changes both).
    void SetChartColour(uint32_t colour, bool frameToo);

    // Widgets, by their names.
    QLineEdit *txtFirstName, *txtLastName, *txtOrganisation, *txtReferenceNumber, *txtComment;
    QDateEdit* dtpDOB;
    QGroupBox *grpGraph, *grpThreshold, *grpData;
    PictureBox *pbxAudiogram, *pbxResults;
    QLabel *lblDateTime, *lblCalFilename;
    QMenu *File1, *mnuCalibration, *Test1, *Help1, *PopupMenu1;
    QAction *New1, *Open1, *Save1, *Print1, *PrinterSetup1, *Options1, *Exit1;
    QAction *EarCalibration1, *LoadCalibration1, *CheckorRecalibratebyEar1, *CalInfo1,
        *TestCompatibility1;
    QAction *NewTest1, *Retest1, *ViewResults1;
    QAction *MainHelp1, *Gettingstarted1, *FAQ1, *About1;
    QAction *popRetest, *popViewResults, *SaveAs1, *Settings1;
    bool calibrationMenuDisabled = false;

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

  private:
    void BuildMenus();
    void BuildFields();
    void FormResize();
    void FormActivate();
    // While a run holds this window disabled, its test window takes back the
    // activation that a click here took from it.
    void HandActivationToTest();
    void NameChanged();
    void ShowHelp(int context);
    void OpenSettings(bool graphPage);
    // newTest: New Test, which starts again from an empty record; else Retest.
    void RunTestCommand(bool newTest);
    // Save As; true when a file was written.
    bool SaveAs();
    // error: what ended the command with an error, or null.
    void AfterTestRun(std::exception_ptr error);

    Program& p_;
    HelpViewer* help_;
    TfrmSettings* settings_ = nullptr;
    TfrmTest* test_ = nullptr;
    TfrmResults* results_ = nullptr;
    TfrmCalibrationInfo* calibrationInfo_ = nullptr;
    TfrmCompatibilityTest* compatibility_ = nullptr;
    TfrmBioCal* bioCal_ = nullptr;
    PrinterSetup* printerSetup_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    bool testRunning_ = false;
    QtRunDriver* run_ = nullptr; // a child of this window; the last command's
    PatientFile runBefore_;      // the record as the command found it
    bool closeAfterRun_ = false;
    bool closing_ = false;
    bool frameColoured_ = false; // the chart colour was given to the frame
    std::string lastPaintError_;
    QWidget* client_;
};

} // namespace tonmark
