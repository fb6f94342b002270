#pragma once
// The Calibration Information dialog: views the calibration in use, or
// accepts a calibration by ear that has just finished into use and offers to
// save it. Created once at start-up, where it also loads the calibration the
// command line names or the default calibration file.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/program.h"

namespace tonmark {

class TfrmMain;

class TfrmCalibrationInfo : public QDialog {
  public:
    TfrmCalibrationInfo(Program& program, TfrmMain& main, QWidget* parent = nullptr);

    // The start-up load: a ".cal" file on the command line, else the default
    // calibration file when "Reload Cal File" is set. Errors go to the caller.
    void FormCreate();
    void FormActivate();
    void OKSaveClick();
    void CancelClick();

    QLineEdit *Person, *Headphones, *Soundcard, *Comment;
    QLabel* DateStamp;
    QPushButton *OKSave, *Cancel;

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void reject() override; // Escape: Cancel (only offered for a new calibration)

  private:
    void KeepTexts();

    Program& p_;
    TfrmMain& main_;
};

} // namespace tonmark
