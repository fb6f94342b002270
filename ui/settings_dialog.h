#pragma once
// The settings dialog: five pages whose controls show and edit the settings
// record, which everything else reads at the moment it needs a value.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <map>

#include "ui/program.h"

namespace tonmark {

class TfrmMain;

class TfrmSettings : public QDialog {
    Q_OBJECT
  public:
    TfrmSettings(Program& program, TfrmMain& main, QWidget* parent = nullptr);

    // Start-up work: device lists, the stored settings (with the first-run
    // welcome) and the stored mixer device.
    void FormCreate();
    // Loads the store into the record and the controls.
    void ReadRegistry();
    void SelectGraphPage();
    void SelectHardwarePage();
    int HelpContext() const { return helpContext_; }

    void OKClick();
    void CancelClick();
    void ChangeClick();
    void SettingsHelpClick();

    // Controls, by their names.
    QTabWidget* SettingsPages;
    QWidget *TestProcedure, *SoundCard, *FileHandling, *GraphSettings, *CalibrationPage;
    std::array<QCheckBox*, kTestFrequencyCount> frequencyBoxes{}; // as kTestFrequencies
    QCheckBox *Check1000, *Trial, *Retest, *AutoRetest, *FirstEar, *chkDisableSS;
    QLineEdit *BeepTimeEdit, *PauseTimeEdit, *LevelStep, *LevelStart, *TestTimeEdit, *ReverseEdit;
    QComboBox *WaveOutDevice, *MixerDevice, *cboQuant;
    QPushButton *btnGamingOptions, *btnMultimediaOptions;
    QRadioButton *rdoCTRL, *rdoJoystick;
    QFrame* light;
    QLabel *lblJoystickState, *lblJoystickHelp;
    QComboBox* cboDefaultDrive;
    QTreeView* DirectoryListBox1;
    QLabel* Dir;
    QCheckBox *IncludeLName, *IncludeFName, *IncludeRef, *IncludeDept, *IncludeDOB, *IncludeDate,
        *IncludeTime;
    QCheckBox *ShowReversals, *ShowThresholds, *MarkSuspicious, *Reject1st, *RealTimeCalc;
    QComboBox* ColourList;
    QFrame* ColourSample;
    QPushButton* Change;
    QCheckBox *chkLoadCal, *chkPrintCal;
    QPushButton* btnChooseCal;
    QLabel* lblCalFile;
    QPushButton *OK, *Cancel, *SettingsHelp;
    QTimer* tmrJoystickLight;

    // Escape presses Cancel.
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FollowHardwarePage();
    bool activatedSinceShown_ = false;
    void BuildTestProcedurePage();
    void BuildHardwarePage();
    void BuildFileHandlingPage();
    void BuildGraphPage();
    void BuildCalibrationPage();
    // Controls that mirror one setting each; the record follows every change.
    // The box shows and sets the field that field(settings) names.
    void BindFlag(QCheckBox* box, std::function<bool&(Settings&)> field);
    void BindFlag(QCheckBox* box, bool Settings::*field);
    void BindText(QLineEdit* edit, NumberSetting Settings::*field);
    void LoadControls();
    void FormActivate();
    // The device lists read "No Devices present" when there is no wave output.
    void ShowDeviceState();
    void SettingsPagesChange(int index);
    void ShowColourSample(uint32_t colour);
    void rdoJoystickClick();

    Program& p_;
    TfrmMain& main_;
    std::vector<std::pair<QCheckBox*, std::function<bool&(Settings&)>>> flags_;
    std::vector<std::pair<QLineEdit*, NumberSetting Settings::*>> texts_;
    int helpContext_ = 5;
    int mixerCount_ = 0;
    bool programmaticPage_ = false;
};

} // namespace tonmark
