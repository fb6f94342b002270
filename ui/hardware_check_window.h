#pragma once
// The hardware compatibility test: a looping tone of a chosen frequency,
// level (0 to -60 dB re full scale) and ear, while the sound card's volume
// sliders move freely. Nothing is stored.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <string>

#include "audio/output_level.h"
#include "ui/program.h"
#include "ui/volume_sliders.h"

namespace tonmark {

class TfrmMain;
class CircleShape;
class LoopingTone;

class TfrmCompatibilityTest : public QDialog {
  public:
    TfrmCompatibilityTest(Program& program, TfrmMain& main, QWidget* parent = nullptr);

    void FormShow();
    void WaveOutSliderChange();
    void MasterSliderChange();
    void GainSliderChange();
    void ThresholdExit();
    void tbrFrequencyChange();
    void OnButtonClick();
    bool ToneOn() const { return OnButton->text() == QStringLiteral("Off"); }
    // The frequency the bar selects, in Hz.
    int32_t Frequency() const;

    QSlider* tbrFrequency;
    QLabel *Label8, *WaveLabel, *MasterLabel, *GainLabel, *Label4, *Label9;
    QLineEdit* Threshold;
    QRadioButton *rdoLeftEar, *rdoRightEar;
    QPushButton *OnButton, *btnClose, *HelpButton;
    CircleShape* shpLED; // red while the tone is off, green while it sounds
    VolumeSlider *WaveOutSlider, *MasterSlider, *GainSlider;
    const LoopingTone& Tone() const { return *tone_; }

  protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    void StartTone();
    void ToneOff();
    // A volume the card refused stops the tone with the message naming the
    // control, once per showing.
    void CheckLevel(const SoundStatus& level);

    Program& p_;
    TfrmMain& main_;
    bool levelFailed_ = false;
    LoopingTone* tone_;
};

} // namespace tonmark
