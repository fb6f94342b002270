#include "ui/calibration_by_ear.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLocale>
#include <algorithm>

#include "ui/fit_to_text.h"
#include "ui/looping_tone.h"
#include "ui/main_window.h"
#include "ui/run_window.h"

namespace tonmark {

namespace {

constexpr const char* kReferenceQuestion =
    "Do you have an audiogram from a recent hearing test (e.g. from an audiologist) you can use "
    "as a reference during the calibration? If you do not have a reference audiogram, please "
    "calibrate using a young person with good hearing as reference.";
constexpr const char* kAdjust = "start the tone generator and use the volume sliders to adjust "
                                "the level to a point where the tone is only just audible.";
constexpr const char* kGainHint = " Always keep the Gain Factor slider as low as possible.";

QLabel* Text(QWidget* parent, const QString& text, int x, int y, int w, int h) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, h);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

} // namespace

TfrmBioCal::TfrmBioCal(Program& program, TfrmMain& main, std::function<void()> finished,
                       QWidget* parent)
    : QDialog(parent), p_(program), main_(main), finished_(std::move(finished)) {
    setWindowTitle(QStringLiteral("Calibration by Ear"));
    lblFreqSide = Text(this, QString(), 12, 10, 300, 22);
    QFont big = font();
    big.setPixelSize(18);
    lblFreqSide->setFont(big);
    Directions = Text(this, QString(), 12, 40, 300, 120);
    Directions->setWordWrap(true);
    lblNextHint = Text(this,
                       QStringLiteral("When you have found the hearing threshold, click on 'next' "
                                      "to proceed to the next frequency."),
                       12, 164, 300, 54);
    lblNextHint->setWordWrap(true);
    Threshold = new QLineEdit(QStringLiteral("0"), this);
    Threshold->setGeometry(12, 230, 60, 24);
    Threshold->setStyleSheet(QStringLiteral("background: yellow"));
    Threshold->installEventFilter(this);
    lblDb = Text(this, QStringLiteral("dB"), 78, 234, 30, 18);
    OnButton = new QPushButton(QStringLiteral("On"), this); // FormCreate
    OnButton->setGeometry(12, 266, 60, 28);
    OnButton->setToolTip(QStringLiteral("Switches Test Tone On and Off"));
    shpLED = new CircleShape(Qt::red, this);
    shpLED->setGeometry(80, 268, 24, 24);

    const auto column = [this](const char* caption, const char* hint, int x, QLabel*& value) {
        auto* s = new VolumeSlider(this);
        s->setGeometry(x + 14, 34, 30, 200);
        s->setToolTip(QString::fromUtf8(hint));
        auto* c = Text(this, QString::fromUtf8(caption), x, 10, 80, 18);
        value = Text(this, QStringLiteral("0"), x, 240, 80, 18);
        return std::make_pair(s, c);
    };
    WaveOutSlider = column("Wave Out", "Soundcard Output Wave Volume", 330, WaveLabel).first;
    MasterSlider = column("Master Out", "Soundcard Output Master Volume", 420, MasterLabel).first;
    GainBox = new QFrame(this);
    GainBox->setFrameShape(QFrame::Box);
    GainBox->setGeometry(504, 4, 92, 262);
    auto gain = column("Gain Factor", "Output Gain", 510, GainLabel);
    GainSlider = gain.first;
    lblGainCaption = gain.second;

    Previous = new QPushButton(this);
    Previous->setGeometry(12, 310, 110, 28);
    Next = new QPushButton(QStringLiteral("Next ->"), this);
    Next->setGeometry(130, 310, 110, 28);
    Next->setToolTip(QStringLiteral("Click here when you are satisfied with the mixer settings"));
    Next->setDefault(true);
    HelpButton = new QPushButton(QStringLiteral("Help"), this);
    HelpButton->setGeometry(506, 310, 90, 28);
    setFixedSize(608, 350);

    connect(WaveOutSlider, &QSlider::valueChanged, this, [this] { WaveOutSliderChange(); });
    connect(MasterSlider, &QSlider::valueChanged, this, [this] { MasterSliderChange(); });
    connect(GainSlider, &QSlider::valueChanged, this, [this] { GainSliderChange(); });
    connect(OnButton, &QPushButton::clicked, this, [this] { OnButtonClick(); });
    connect(Next, &QPushButton::clicked, this, [this] { NextClick(); });
    connect(Previous, &QPushButton::clicked, this, [this] { PreviousClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] {
        if (p_.dialogs)
            p_.dialogs->ShowHelpTopic(11);
    });
    tone_ = new LoopingTone(program, this);
    tone_->onStopped = [this] { ToneOff(); };
    FitToText(*this);
}

bool TfrmBioCal::GainShown() const {
    return p_.outputLevels && p_.outputLevels->Scale(Slider::Gain).adjustable;
}

void TfrmBioCal::FormActivate() {
    hasReference_ = p_.dialogs && p_.dialogs->AskConfirmation(kReferenceQuestion, 11);
    Threshold->setVisible(hasReference_);
    lblDb->setVisible(hasReference_);
    Threshold->setText(QStringLiteral("0"));
    calEar_ = 0;
    calSlot_ = 1;
    levelFailed_ = false;
    const QSignalBlocker b1(WaveOutSlider), b2(MasterSlider), b3(GainSlider);
    if (OutputLevelControl* levels = p_.outputLevels.get()) {
        MasterSlider->SetScale(levels->Scale(Slider::Master));
        // The server's master keeps its position; a card's shows its level.
        if (const auto position = levels->CurrentPosition(Slider::Master))
            MasterSlider->setValue(*position);
        WaveOutSlider->SetScale(levels->Scale(Slider::Wave));
        if (GainShown())
            GainSlider->SetScale(levels->Scale(Slider::Gain));
    }
    const bool gain = GainShown();
    for (QWidget* w :
         std::initializer_list<QWidget*>{GainSlider, GainBox, GainLabel, lblGainCaption})
        w->setVisible(gain);
    QString text = hasReference_ ? QStringLiteral("Type your known hearing level into the yellow "
                                                  "box, ") +
                                       QString::fromUtf8(kAdjust)
                                 : QStringLiteral("Start ") + QString::fromUtf8(kAdjust + 6);
    if (gain)
        text += QString::fromUtf8(kGainHint);
    Directions->setText(text);
    Directions->adjustSize();
    Directions->resize(300 * width() / 608, Directions->height());
    lblNextHint->move(Directions->x(), Directions->y() + Directions->height() + 4);
    WaveOutSliderChange();
    MasterSliderChange();
    GainSliderChange();
    if (p_.outputLevels)
        if (const SoundStatus prepared = p_.outputLevels->PrepareSoundCard();
            !prepared.Ok() && p_.dialogs)
            p_.dialogs->ShowMessage(prepared.Message());
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot <= 11; ++slot)
            p_.bioCalTable[ear][slot] =
                p_.state.CalibrationLoaded && !FreshCalibration
                    ? CalibrationEntry{p_.calibration[ear][slot].WaveVolume,
                                       p_.calibration[ear][slot].MasterVolume,
                                       p_.calibration[ear][slot].GainVolume, 0,
                                       p_.calibration[ear][slot].LevelCorrection}
                    : CalibrationEntry{};
    Preparepage();
}

void TfrmBioCal::Preparepage() {
    p_.state.Run.LeftChannelOn = calEar_ == 0 ? 1 : 0;
    p_.state.Run.RightChannelOn = calEar_ == 1 ? 1 : 0;
    const QString hz = QString::number(p_.state.SlotFrequency[calSlot_]);
    const QString side = calEar_ == 0 ? QStringLiteral("Left Ear") : QStringLiteral("Right Ear");
    setWindowTitle(QStringLiteral("Calibration by Ear- ") + side + " " + hz + " Hz");
    lblFreqSide->setText(side + " at " + hz + " Hz");
    // Where the sliders start: the page itself once visited (or loaded), else
    // the left ear's page of this frequency, else the previous frequency.
    const CalibrationEntry& e = Entry();
    const CalibrationEntry source = e.MasterVolume > 0 ? e
                                    : calEar_ == 1     ? p_.bioCalTable[0][calSlot_]
                                    : calSlot_ > 1     ? p_.bioCalTable[0][calSlot_ - 1]
                                                       : e;
    {
        const QSignalBlocker b1(WaveOutSlider), b2(MasterSlider), b3(GainSlider);
        MasterSlider->ShowSetting(source.MasterVolume);
        WaveOutSlider->ShowSetting(source.WaveVolume);
        GainSlider->ShowSetting(source.GainVolume);
    }
    WaveOutSliderChange();
    MasterSliderChange();
    GainSliderChange();
    const bool first = calEar_ == 0 && calSlot_ == 1;
    Previous->setText(first ? QStringLiteral("Cancel") : QStringLiteral("<- Previous"));
    Previous->setToolTip(first ? QStringLiteral("Click here to cancel Calibration")
                               : QStringLiteral("Click here to go back to previous Frequency"));
}

void TfrmBioCal::WaveOutSliderChange() {
    const int v = WaveOutSlider->Setting();
    if (p_.outputLevels)
        CheckLevel(p_.outputLevels->SetSetting(Slider::Wave, v));
    WaveLabel->setText(QString::number(v));
    Entry().WaveVolume = v;
}

void TfrmBioCal::MasterSliderChange() {
    const int v = MasterSlider->Setting();
    CheckLevel(tone_->SetMasterSetting(v)); // the tone keeps watching the output
    MasterLabel->setText(QString::number(v));
    Entry().MasterVolume = v;
}

void TfrmBioCal::GainSliderChange() {
    if (!p_.outputLevels || !p_.outputLevels->Scale(Slider::Gain).present)
        return;
    const int v = GainSlider->Setting();
    // The page's ear only, unless the control is one value for both.
    CheckLevel(p_.outputLevels->SetSetting(Slider::Gain, v, calEar_));
    GainLabel->setText(QString::number(v));
    Entry().GainVolume = v;
}

void TfrmBioCal::StartTone() {
    bool ok = false;
    const int hearingLevel = Threshold->text().trimmed().toInt(&ok);
    if (!ok) {
        if (p_.dialogs)
            p_.dialogs->ShowMessage("'" + Threshold->text().toStdString() +
                                    "' is not a valid integer value");
        ToneOff();
        return;
    }
    if (!tone_->Start(p_.state.SlotFrequency[calSlot_], hearingLevel - 60.0,
                      p_.state.Run.LeftChannelOn, p_.state.Run.RightChannelOn))
        return;
    shpLED->SetColour(Qt::green);
    OnButton->setText(QStringLiteral("Off"));
}

void TfrmBioCal::ToneOff() {
    shpLED->SetColour(Qt::red);
    OnButton->setText(QStringLiteral("On"));
    tone_->Stop();
}

void TfrmBioCal::CheckLevel(const SoundStatus& level) {
    if (level.Ok() || levelFailed_)
        return;
    levelFailed_ = true;
    if (ToneOn())
        ToneOff();
    if (p_.dialogs)
        p_.dialogs->ShowMessage(level.Message() + "\nThe calibration was stopped.");
    // Queued: this may run while the window is being shown.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TfrmBioCal::OnButtonClick() {
    if (ToneOn())
        ToneOff();
    else
        StartTone();
}

void TfrmBioCal::NextClick() {
    if (ToneOn())
        ToneOff();
    CalibrationEntry& e = Entry();
    e.WaveVolume = WaveOutSlider->Setting();
    e.MasterVolume = MasterSlider->Setting();
    e.LevelCorrection = 0.0;
    if (calSlot_ < 11) {
        ++calSlot_;
    } else if (calEar_ == 0) {
        calEar_ = 1;
        calSlot_ = 1;
    } else {
        const QDateTime now = QDateTime::currentDateTime();
        p_.newCalibrationDate =
            QLocale::system().toString(now.date(), QLocale::ShortFormat).toStdString();
        p_.newCalibrationTime =
            QLocale::system().toString(now.time(), QLocale::LongFormat).toStdString();
        p_.newCalibrationPending = true;
        hide();
        if (finished_)
            finished_();
        return;
    }
    Preparepage();
}

void TfrmBioCal::PreviousClick() {
    if (ToneOn())
        ToneOff();
    if (calEar_ == 0 && calSlot_ == 1) {
        close(); // nothing reaches the calibration in use
        return;
    }
    if (calSlot_ > 1) {
        --calSlot_;
    } else {
        calEar_ = 0;
        calSlot_ = 11;
    }
    Preparepage();
}

void TfrmBioCal::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TfrmBioCal::hideEvent(QHideEvent* e) {
    // No tone outlives its window.
    if (ToneOn())
        ToneOff();
    main_.setEnabled(true);
    QDialog::hideEvent(e);
}

void TfrmBioCal::closeEvent(QCloseEvent* e) {
    e->accept();
}

void TfrmBioCal::reject() {
    PreviousClick();
}

bool TfrmBioCal::eventFilter(QObject* watched, QEvent* e) {
    // Enter in the level box while the tone sounds: the new level takes effect.
    if (watched == Threshold && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ToneOn()) {
            ToneOff();
            StartTone();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

} // namespace tonmark
