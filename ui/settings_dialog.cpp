#include "ui/settings_dialog.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>
#include <algorithm>

#include "core/audiogram.h"
#include "core/threshold_run.h"
#include "ui/error_handler.h"
#include "ui/field_limits.h"
#include "ui/gdi_canvas.h"
#include "ui/main_window.h"
#include "ui/mixer_messages.h"
#include "ui/settings_messages.h"

namespace tonmark {

namespace {
constexpr int kPageContexts[5] = {5, 6, 7, 9, 0};
}

TfrmSettings::TfrmSettings(Program& program, TfrmMain& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::WindowStaysOnTopHint),
      p_(program), main_(main) {
    setWindowTitle(QStringLiteral("Tonmark Settings"));
    setModal(false);
    SettingsPages = new QTabWidget(this);
    BuildTestProcedurePage();
    BuildHardwarePage();
    BuildFileHandlingPage();
    BuildGraphPage();
    BuildCalibrationPage();

    OK = new QPushButton(QStringLiteral("OK"));
    Cancel = new QPushButton(QStringLiteral("Cancel"));
    SettingsHelp = new QPushButton(QStringLiteral("Help"));
    OK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    buttons->addWidget(SettingsHelp);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SettingsPages);
    layout->addLayout(buttons);
    // Wide enough for every page's tab: a scrolled tab bar hides page names.
    QSize size = sizeHint().expandedTo(QSize(560, 520));
    size.setWidth(std::max(size.width(), SettingsPages->tabBar()->sizeHint().width() + 40));
    setFixedSize(size);

    tmrJoystickLight = new QTimer(this);
    tmrJoystickLight->setInterval(50);
    connect(tmrJoystickLight, &QTimer::timeout, this, [this] {
        const bool down = p_.joystick && p_.joystick->AnyButtonDown();
        light->setStyleSheet(QStringLiteral("background-color: %1; border-radius: 12px;")
                                 .arg(down ? "red" : "black"));
    });
    connect(OK, &QPushButton::clicked, this, [this] { p_.errors.Guarded([this] { OKClick(); }); });
    connect(Cancel, &QPushButton::clicked, this,
            [this] { p_.errors.Guarded([this] { CancelClick(); }); });
    connect(SettingsHelp, &QPushButton::clicked, this, [this] { SettingsHelpClick(); });
    // F1: the help of the page on screen.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [this] { SettingsHelpClick(); });
    connect(SettingsPages, &QTabWidget::currentChanged, this, [this](int i) {
        if (!programmaticPage_)
            SettingsPagesChange(i);
        FollowHardwarePage();
    });
    connect(rdoJoystick, &QRadioButton::toggled, this, [this](bool on) {
        p_.settings.SetJoystick(on);
        rdoJoystickClick();
    });
    connect(rdoCTRL, &QRadioButton::toggled, this, [this](bool on) {
        p_.settings.SetCtrl(on);
        rdoJoystickClick();
    });
    rdoJoystickClick();
    // Clicked, not toggled: reloading the controls must not recompute.
    connect(Reject1st, &QCheckBox::clicked, this, [this](bool on) {
        p_.settings.RejectFirstReversal = on;
        CalcThreshold(p_.state.Record, p_.settings.FirstUsedEntry());
        main_.pbxAudiogramPaint();
    });
    for (QCheckBox* b : {ShowReversals, ShowThresholds, MarkSuspicious})
        connect(b, &QCheckBox::toggled, this, [this] { main_.pbxAudiogramPaint(); });
    // The chart reads the frequency boxes while no audiogram is present.
    for (QCheckBox* box : frequencyBoxes)
        connect(box, &QCheckBox::toggled, this, [this] { main_.pbxAudiogramPaint(); });
    connect(ColourList, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0)
            ShowColourSample(p_.settings.GraphColour(i));
    });
    connect(Change, &QPushButton::clicked, this, [this] { ChangeClick(); });
    connect(WaveOutDevice, &QComboBox::currentIndexChanged, this,
            [this](int i) { p_.settings.WaveOutDevice = i; });
    connect(MixerDevice, &QComboBox::activated, this, [this](int i) {
        // MixerDeviceChange: the picked device is opened at once.
        p_.settings.MixerDevice = i;
        if (p_.outputLevels && i >= 0)
            ReportMixerOpen(p_.outputLevels->OpenDevice(static_cast<uint32_t>(i)), *p_.dialogs);
    });
    connect(btnChooseCal, &QPushButton::clicked, this, [this] {
        const auto name = p_.files->OpenFile("Open Calibration Data File", "Calibration Data|*.cal",
                                             p_.defaultFolder);
        if (!name)
            return;
        lblCalFile->setText(QString::fromStdString(*name));
        p_.settings.CalFilename = *name;
        chkLoadCal->setChecked(true);
    });
    const auto launch = [this](std::vector<std::string> candidates, const char* none) {
        if (!p_.launcher || !p_.launcher->StartFirst(candidates))
            p_.dialogs->ShowMessage(none);
    };
    connect(btnMultimediaOptions, &QPushButton::clicked, this, [launch] {
        launch({"pavucontrol", "gnome-control-center sound", "systemsettings kcm_pulseaudio"},
               "No program for the sound settings was found on this computer.");
    });
    connect(btnGamingOptions, &QPushButton::clicked, this, [launch] {
        launch({"jstest-gtk"}, "No game controller test program was found on this computer.");
    });
}

void TfrmSettings::BindFlag(QCheckBox* box, std::function<bool&(Settings&)> field) {
    flags_.emplace_back(box, field);
    connect(box, &QCheckBox::toggled, this, [this, field](bool on) { field(p_.settings) = on; });
}

void TfrmSettings::BindFlag(QCheckBox* box, bool Settings::*field) {
    BindFlag(box, [field](Settings& s) -> bool& { return s.*field; });
}

void TfrmSettings::BindText(QLineEdit* edit, NumberSetting Settings::*field) {
    texts_.emplace_back(edit, field);
    connect(edit, &QLineEdit::textChanged, this,
            [this, field](const QString& t) { (p_.settings.*field).SetText(t.toStdString()); });
}

void TfrmSettings::LoadControls() {
    for (auto& [box, field] : flags_)
        box->setChecked(field(p_.settings));
    for (auto& [edit, field] : texts_)
        edit->setText(QString::fromStdString((p_.settings.*field).Text()));
    // The pair may both be clear when the store says so.
    const bool joystick = p_.settings.Joystick, ctrl = p_.settings.Ctrl;
    if (joystick || ctrl) {
        (joystick ? rdoJoystick : rdoCTRL)->setChecked(true);
    } else {
        rdoCTRL->setAutoExclusive(false);
        rdoJoystick->setAutoExclusive(false);
        rdoCTRL->setChecked(false);
        rdoJoystick->setChecked(false);
        rdoCTRL->setAutoExclusive(true);
        rdoJoystick->setAutoExclusive(true);
        p_.settings.SetJoystick(false);
        p_.settings.SetCtrl(false);
    }
    const int wave = p_.settings.WaveOutDevice;
    const int mixer = p_.settings.MixerDevice;
    WaveOutDevice->setCurrentIndex(wave < WaveOutDevice->count() ? wave : -1);
    MixerDevice->setCurrentIndex(mixer < MixerDevice->count() ? mixer : -1);
    p_.settings.MixerDevice = mixer;
    lblCalFile->setText(QString::fromStdString(p_.settings.CalFilename));
    ShowColourSample(p_.settings.GraphColour(std::max(0, ColourList->currentIndex())));
}

void TfrmSettings::ReadRegistry() {
    for (QCheckBox* box : frequencyBoxes)
        box->setEnabled(true);
    const DeviceListSizes lists{WaveOutDevice->count(), MixerDevice->count()};
    try {
        ReadStoredSettings(*p_.store, p_.settings, lists, *p_.dialogs, [this] {
            SelectHardwarePage();
            main_.setEnabled(false);
            show();
        });
    } catch (...) {
        LoadControls();
        main_.ApplyColours();
        main_.SetChartColour(p_.settings.ChartColour, false);
        throw;
    }
    LoadControls();
    main_.ApplyColours();
    main_.SetChartColour(p_.settings.ChartColour, false);
}

void TfrmSettings::FormCreate() {
    if (p_.waveOutput) {
        const auto entries = p_.waveOutput->DeviceEntries();
        if (!entries.empty()) {
            for (const auto& e : entries)
                WaveOutDevice->addItem(QString::fromStdString(e));
            if (OutputLevelControl* levels = p_.outputLevels.get()) {
                mixerCount_ = static_cast<int>(levels->CountDevices());
                for (int d = 0; d < mixerCount_; ++d) {
                    ReportMixerOpen(levels->OpenDevice(static_cast<uint32_t>(d)), *p_.dialogs);
                    MixerDevice->addItem(QString::fromStdString(
                        levels->DeviceName() + " Driver Version " + levels->DeviceVersion()));
                }
            }
        }
    }
    ReadRegistry(); // an error here ends the creation: no device is opened
    const int stored = p_.settings.MixerDevice;
    if (stored >= 0 && stored < mixerCount_) {
        ReportMixerOpen(p_.outputLevels->OpenDevice(static_cast<uint32_t>(stored)), *p_.dialogs);
    } else {
        p_.dialogs->ShowMessage(
            "Previously used Sound Device no longer present. Please select new Device!");
        SelectHardwarePage();
        main_.setEnabled(false);
        show();
    }
}

void TfrmSettings::SelectGraphPage() {
    programmaticPage_ = true;
    SettingsPages->setCurrentWidget(GraphSettings);
    programmaticPage_ = false;
}

void TfrmSettings::SelectHardwarePage() {
    programmaticPage_ = true;
    SettingsPages->setCurrentWidget(SoundCard);
    programmaticPage_ = false;
}

void TfrmSettings::SettingsPagesChange(int index) {
    helpContext_ = index >= 0 && index < 5 ? kPageContexts[index] : 0;
}

void TfrmSettings::FollowHardwarePage() {
    // The controller's light is read exactly while its page is on screen,
    // however the page came to be shown.
    if (isVisible() && SettingsPages->currentWidget() == SoundCard)
        tmrJoystickLight->start();
    else
        tmrJoystickLight->stop();
}

void TfrmSettings::SettingsHelpClick() {
    p_.dialogs->ShowHelpTopic(helpContext_);
}

void TfrmSettings::rdoJoystickClick() {
    const bool joystick = rdoJoystick->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{light, lblJoystickState, lblJoystickHelp,
                                                      btnGamingOptions})
        w->setVisible(joystick);
}

void TfrmSettings::ShowColourSample(uint32_t colour) {
    QPalette pal = ColourSample->palette();
    pal.setColor(QPalette::Window, ColourFromStored(colour));
    ColourSample->setPalette(pal);
    ColourSample->setProperty("colour", static_cast<uint>(colour));
}

void TfrmSettings::ChangeClick() {
    const int index = ColourList->currentIndex();
    if (index < 0)
        return;
    const auto chosen = p_.files->ChooseColour(p_.settings.GraphColour(index));
    if (!chosen)
        return;
    p_.settings.SetGraphColour(index, *chosen);
    ShowColourSample(*chosen);
    if (index == 3)
        main_.SetChartColour(*chosen, true);
    else if (index == 4)
        main_.ApplyColours();
    else
        main_.pbxAudiogramPaint();
}

void TfrmSettings::OKClick() {
    WriteStoredSettings(*p_.store, p_.settings); // a failure keeps the dialog open
    main_.pbxAudiogramPaint();
    hide();
}

void TfrmSettings::CancelClick() {
    // Cancel always closes, also when the stored settings cannot be read
    // back; the error is reported all the same.
    struct HideAtEnd {
        TfrmSettings& d;
        ~HideAtEnd() { d.hide(); }
    } hideAtEnd{*this};
    for (QCheckBox* box : frequencyBoxes)
        box->setEnabled(true);
    const bool rejectFirst = p_.settings.RejectFirstReversal;
    const DeviceListSizes lists{WaveOutDevice->count(), MixerDevice->count()};
    ReadStoredSettings(*p_.store, p_.settings, lists, *p_.dialogs,
                       [this] { SelectHardwarePage(); });
    LoadControls();
    // Thresholds recomputed under a rule that is now taken back follow it.
    if (p_.settings.RejectFirstReversal != rejectFirst)
        CalcThreshold(p_.state.Record, p_.settings.FirstUsedEntry());
    // The stored backgrounds go back to the chart box and the main window,
    // not to the chart's frame.
    main_.ApplyColours();
    main_.SetChartColour(p_.settings.ChartColour, false);
}

void TfrmSettings::FormActivate() {
    ColourList->setCurrentIndex(0);
    ShowColourSample(p_.settings.GraphColour(0));
    ShowDeviceState();
}

void TfrmSettings::ShowDeviceState() {
    if (main_.calibrationMenuDisabled) {
        for (QComboBox* c : {WaveOutDevice, MixerDevice}) {
            c->setEnabled(false);
            c->setPlaceholderText(QStringLiteral("No Devices present"));
            c->setCurrentIndex(-1);
        }
    }
}

void TfrmSettings::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    // Once per opening: coming back from the colour dialog must not jump
    // the colour list back to its first entry.
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && !activatedSinceShown_) {
        activatedSinceShown_ = true;
        FormActivate();
    }
}

bool TfrmSettings::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const QChar point = QLocale::system().decimalPoint().front();
        const std::pair<QLineEdit*, LimitedField> fields[] = {
            {ReverseEdit, LimitedField::ReverseEdit},
            {TestTimeEdit, LimitedField::TestTimeEdit},
            {BeepTimeEdit, LimitedField::BeepTimeEdit},
            {PauseTimeEdit, LimitedField::PauseTimeEdit}};
        for (const auto& [edit, field] : fields)
            if (watched == edit) {
                const QString limited = ApplyFieldLimit(field, edit->text(), point);
                if (limited != edit->text())
                    edit->setText(limited);
            }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSettings::closeEvent(QCloseEvent* e) {
    // The close box: nothing stored, nothing reloaded. (QDialog would treat
    // it as Cancel.)
    tmrJoystickLight->stop();
    QWidget::closeEvent(e);
}

void TfrmSettings::reject() {
    p_.errors.Guarded([this] { CancelClick(); });
}

void TfrmSettings::showEvent(QShowEvent* e) {
    // Also here: without a window manager the dialog may never be activated.
    ShowDeviceState();
    activatedSinceShown_ = false;
    QDialog::showEvent(e);
    FollowHardwarePage();
}

void TfrmSettings::hideEvent(QHideEvent* e) {
    tmrJoystickLight->stop();
    main_.setEnabled(true);
    QDialog::hideEvent(e);
}

} // namespace tonmark
