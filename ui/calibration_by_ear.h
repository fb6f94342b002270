#pragma once
// Calibration by ear: for each ear and each of the eleven test frequencies a
// looping tone of a known level plays while the listener moves the sound
// card's volume sliders until it is only just audible. The settings go into
// the working table; after the last page the Calibration Information dialog
// takes them into use.
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <string>

#include "audio/output_level.h"
#include "ui/program.h"
#include "ui/volume_sliders.h"

namespace tonmark {

class TfrmMain;
class CircleShape;
class LoopingTone;

class TfrmBioCal : public QDialog {
  public:
    // finished is called after the last page, when this window has closed,
    // to show the Calibration Information dialog for the new calibration.
    TfrmBioCal(Program& program, TfrmMain& main, std::function<void()> finished,
               QWidget* parent = nullptr);

    // Set by the command that opens the window: a new calibration (true) or
    // checking the one in use (false).
    bool FreshCalibration = true;

    void FormActivate();
    void Preparepage();
    void WaveOutSliderChange();
    void MasterSliderChange();
    void GainSliderChange();
    void OnButtonClick();
    void NextClick();
    void PreviousClick();
    bool ToneOn() const { return OnButton->text() == QStringLiteral("Off"); }
    int CalEar() const { return calEar_; }
    int CalSlot() const { return calSlot_; }

    QLabel *lblFreqSide, *lblDb, *WaveLabel, *MasterLabel, *GainLabel, *lblGainCaption, *Directions,
        *lblNextHint;
    QLineEdit* Threshold;
    QPushButton *OnButton, *Previous, *Next, *HelpButton;
    CircleShape* shpLED;
    VolumeSlider *WaveOutSlider, *MasterSlider, *GainSlider;
    QFrame* GainBox;
    const LoopingTone& Tone() const { return *tone_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    // The close box closes on every page (QDialog would take it for Escape).
    void closeEvent(QCloseEvent* e) override;
    void reject() override; // Escape: Previous, which cancels on the first page
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    CalibrationEntry& Entry() { return p_.bioCalTable[calEar_][calSlot_]; }
    void StartTone();
    void ToneOff();
    bool GainShown() const;
    // A volume the card refused ends the calibration: a calibration made at
    // another loudness than the sliders show would be wrong.
    void CheckLevel(const SoundStatus& level);

    Program& p_;
    TfrmMain& main_;
    LoopingTone* tone_;
    std::function<void()> finished_;
    int calEar_ = 0, calSlot_ = 1;
    bool hasReference_ = false;
    bool levelFailed_ = false; // reported once per showing
};

} // namespace tonmark
