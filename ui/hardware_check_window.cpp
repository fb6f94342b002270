#include "ui/hardware_check_window.h"

#include <QHideEvent>
#include <QLocale>
#include <algorithm>

#include "ui/fit_to_text.h"
#include "ui/looping_tone.h"
#include "ui/main_window.h"
#include "ui/run_window.h"

namespace tonmark {

namespace {

QLabel* Text(QWidget* parent, const char* text, int x, int y, int w, int h, bool wrap = false) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setGeometry(x, y, w, h);
    l->setWordWrap(wrap);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace

TfrmCompatibilityTest::TfrmCompatibilityTest(Program& program, TfrmMain& main, QWidget* parent)
    : QDialog(parent), p_(program), main_(main) {
    setWindowTitle(QStringLiteral("Compatibility Test"));
    Text(this,
         "Type values from 0 to - 60 into the yellow box to test the sound output from your "
         "soundcard/headphones. Even at -60dB the tone pulses should still be audible in a quiet "
         "environment at all frequencies, from 125 to 8000 Hz.",
         12, 10, 476, 54, true);
    Text(this, "There should only be sound coming from one channel at a time.", 12, 66, 476, 18,
         true);
    tbrFrequency = new QSlider(Qt::Vertical, this);
    tbrFrequency->setInvertedAppearance(true); // 1 at the top: 8000 Hz
    tbrFrequency->setRange(1, 11);
    tbrFrequency->setTickInterval(2);
    tbrFrequency->setTickPosition(QSlider::TicksRight);
    tbrFrequency->setValue(11);
    tbrFrequency->setToolTip(QStringLiteral("Test frequency"));
    tbrFrequency->setGeometry(20, 96, 30, 200);
    Label8 = Text(this, "125", 14, 300, 60, 18);
    Text(this, "Test tone level, relative to maximum output.", 90, 96, 200, 36, true);
    Threshold = new QLineEdit(QStringLiteral("0"), this);
    Threshold->setGeometry(90, 136, 60, 24);
    Threshold->setStyleSheet(QStringLiteral("background: yellow"));
    Threshold->setToolTip(QStringLiteral("Output level, relative to digital full scale."));
    Text(this, "dB", 156, 140, 30, 18);
    Text(this, "Selected channel", 90, 172, 200, 18);
    rdoLeftEar = new QRadioButton(QStringLiteral("Left Ear"), this);
    rdoLeftEar->setGeometry(90, 192, 120, 22);
    rdoLeftEar->setChecked(true);
    rdoRightEar = new QRadioButton(QStringLiteral("Right Ear"), this);
    rdoRightEar->setGeometry(90, 216, 120, 22);
    OnButton = new QPushButton(this);
    OnButton->setGeometry(90, 250, 60, 28);
    OnButton->setToolTip(
        QStringLiteral("Take care and your headphones off when pressing this button."));
    shpLED = new CircleShape(Qt::red, this);
    shpLED->setGeometry(158, 252, 24, 24);
    Text(this, "Play Test Sound at Threshold Level", 188, 250, 110, 36, true);

    QLabel* caption = nullptr;
    const auto sliderColumn = [this, &caption](const char* text, const char* hint, int x,
                                               QLabel*& value) {
        auto* s = new VolumeSlider(this);
        s->setGeometry(x + 10, 120, 30, 150);
        s->setToolTip(QString::fromUtf8(hint));
        caption = Text(this, text, x, 96, 70, 18);
        value = Text(this, "0", x, 276, 70, 18);
        return s;
    };
    WaveOutSlider = sliderColumn("Wave Out", "Soundcard Output Wave Volume", 300, WaveLabel);
    MasterSlider = sliderColumn("Master Out", "Soundcard Output Master Volume", 372, MasterLabel);
    GainSlider = sliderColumn("Gain Factor", "Output Gain", 444, GainLabel);
    Label4 = caption;
    Label9 = Text(this, "", 12, 322, 476, 18);
    HelpButton = new QPushButton(QStringLiteral("Help"), this);
    HelpButton->setGeometry(12, 352, 86, 28);
    HelpButton->setToolTip(QStringLiteral("More help"));
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setGeometry(428, 352, 86, 28);
    btnClose->setToolTip(QStringLiteral("Ends this test and closes the window."));
    setFixedSize(526, 392);
    // The master slider starts at the top: full master volume.
    MasterSlider->SetSteps(1000);
    MasterSlider->setValue(0);

    connect(WaveOutSlider, &QSlider::valueChanged, this, [this] { WaveOutSliderChange(); });
    connect(MasterSlider, &QSlider::valueChanged, this, [this] { MasterSliderChange(); });
    connect(GainSlider, &QSlider::valueChanged, this, [this] { GainSliderChange(); });
    connect(Threshold, &QLineEdit::editingFinished, this, [this] { ThresholdExit(); });
    connect(tbrFrequency, &QSlider::valueChanged, this, [this] { tbrFrequencyChange(); });
    connect(OnButton, &QPushButton::clicked, this, [this] {
        ThresholdExit(); // a click takes the focus from the edit first
        OnButtonClick();
    });
    connect(btnClose, &QPushButton::clicked, this, [this] { close(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] {
        if (p_.dialogs)
            p_.dialogs->ShowHelpTopic(26);
    });
    OnButton->setText(QStringLiteral("On")); // FormCreate
    tone_ = new LoopingTone(program, this);
    tone_->onStopped = [this] { ToneOff(); };
    FitToText(*this);
}

int32_t TfrmCompatibilityTest::Frequency() const {
    return p_.state.SlotFrequency[12 - tbrFrequency->value()];
}

void TfrmCompatibilityTest::FormShow() {
    levelFailed_ = false;
    Dialogs& d = *p_.dialogs;
    d.ShowMessage("Depending on your hardware, this test can produce very loud tones. PLEASE TAKE "
                  "OFF YOUR HEADPHONES when pressing the ON button, and THEN put the headphones "
                  "back on, SLOWLY increasing the level if neccessary.");
    const auto entries =
        p_.waveOutput ? p_.waveOutput->DeviceEntries() : std::vector<std::string>{};
    const int device = p_.settings.WaveOutDevice;
    Label9->setText(QStringLiteral("Selected output device: ") +
                    (device >= 0 && device < static_cast<int>(entries.size())
                         ? QString::fromStdString(entries[device])
                         : QString()));
    if (!p_.outputLevels)
        return;
    OutputLevelControl& levels = *p_.outputLevels;
    const auto setUp = [&levels](VolumeSlider* s, Slider slider) {
        s->SetScale(levels.Scale(slider));
        s->setValue(levels.CurrentPosition(slider).value_or(s->value()));
    };
    if (levels.Scale(Slider::Wave).steps == 0)
        d.ShowMessage("Your soundcard is reporting zero possible levels on the wave volume control "
                      "and is therefore not compatible with this program, sorry. Please try "
                      "another sound card.");
    setUp(WaveOutSlider, Slider::Wave);
    // The server's master keeps the range and position the window gave it.
    if (!levels.Scale(Slider::Master).serverScalar) {
        if (levels.Scale(Slider::Master).steps == 0)
            d.ShowMessage("Your soundcard is reporting zero possible levels on the master volume "
                          "control and is therefore not compatible with this program, sorry. "
                          "Please try another sound card.");
        setUp(MasterSlider, Slider::Master);
    }
    const bool gain = levels.Scale(Slider::Gain).present;
    for (QWidget* w : std::initializer_list<QWidget*>{GainSlider, GainLabel, Label4})
        w->setVisible(gain);
    if (gain) {
        setUp(GainSlider, Slider::Gain);
        GainSliderChange();
    }
    MasterSliderChange();
    WaveOutSliderChange();
    if (const SoundStatus prepared = levels.PrepareSoundCard(); !prepared.Ok())
        d.ShowMessage(prepared.Message());
}

void TfrmCompatibilityTest::WaveOutSliderChange() {
    if (!p_.outputLevels)
        return;
    const int v = WaveOutSlider->Setting();
    if (const auto value = p_.outputLevels->ControlValue(Slider::Wave, v)) {
        CheckLevel(p_.outputLevels->SetSetting(Slider::Wave, v));
        WaveLabel->setText(QString::number(*value)); // the control value, not the setting
    }
}

void TfrmCompatibilityTest::MasterSliderChange() {
    if (!p_.outputLevels)
        return;
    const int v = MasterSlider->Setting();
    CheckLevel(tone_->SetMasterSetting(v)); // the tone keeps watching the output
    // The server's master shows its scalar (0.75), a card's the setting.
    MasterLabel->setText(p_.outputLevels->Scale(Slider::Master).serverScalar
                             ? QString::number(v / 1000.0)
                             : QString::number(v));
}

void TfrmCompatibilityTest::GainSliderChange() {
    if (!p_.outputLevels || !p_.outputLevels->Scale(Slider::Gain).present)
        return;
    // Both channels, unlike the calibration by ear.
    CheckLevel(p_.outputLevels->SetSetting(Slider::Gain, GainSlider->Setting()));
    GainLabel->setText(QString::number(GainSlider->Setting()));
}

void TfrmCompatibilityTest::ThresholdExit() {
    bool ok = false;
    int v = Threshold->text().trimmed().toInt(&ok);
    if (!ok)
        v = 0; // text that is not a whole number counts as 0
    Threshold->setText(QString::number(std::clamp(v, -60, 0)));
}

void TfrmCompatibilityTest::tbrFrequencyChange() {
    Label8->setText(QString::number(Frequency()));
    if (ToneOn())
        StartTone(); // the running tone is replaced
}

void TfrmCompatibilityTest::StartTone() {
    tone_->Start(Frequency(), Threshold->text().toInt(), p_.state.Run.LeftChannelOn,
                 p_.state.Run.RightChannelOn);
}

void TfrmCompatibilityTest::ToneOff() {
    rdoLeftEar->setEnabled(true);
    rdoRightEar->setEnabled(true);
    shpLED->SetColour(Qt::red);
    OnButton->setText(QStringLiteral("On"));
    tone_->Stop();
}

void TfrmCompatibilityTest::CheckLevel(const SoundStatus& level) {
    if (level.Ok() || levelFailed_)
        return;
    levelFailed_ = true;
    if (ToneOn())
        ToneOff();
    if (p_.dialogs)
        p_.dialogs->ShowMessage(level.Message());
}

void TfrmCompatibilityTest::OnButtonClick() {
    if (ToneOn()) {
        ToneOff();
        return;
    }
    if (!p_.waveOutput)
        return;
    p_.state.Run.LeftChannelOn = rdoLeftEar->isChecked() ? 1 : 0;
    p_.state.Run.RightChannelOn = rdoRightEar->isChecked() ? 1 : 0;
    rdoLeftEar->setEnabled(false);
    rdoRightEar->setEnabled(false);
    shpLED->SetColour(Qt::green);
    OnButton->setText(QStringLiteral("Off"));
    StartTone();
}

void TfrmCompatibilityTest::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    btnClose->setFocus();
    FormShow();
}

void TfrmCompatibilityTest::hideEvent(QHideEvent* e) {
    // No tone outlives its window.
    if (ToneOn())
        ToneOff();
    main_.setEnabled(true);
    QDialog::hideEvent(e);
}

} // namespace tonmark
