// The five pages of the settings dialog and their controls.
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/settings_dialog.h"

namespace tonmark {

namespace {

QCheckBox* Box(QWidget* parent, const char* caption, bool checked) {
    auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
    b->setChecked(checked);
    return b;
}

QLineEdit* Edit(const char* text) {
    return new QLineEdit(QString::fromUtf8(text));
}

} // namespace

void TfrmSettings::BuildTestProcedurePage() {
    TestProcedure = new QWidget;
    auto* layout = new QVBoxLayout(TestProcedure);

    auto* freq = new QGroupBox(QStringLiteral(" Test Frequencies "));
    auto* grid = new QGridLayout(freq);
    const Settings design;
    for (int i = 0; i < kTestFrequencyCount; ++i) {
        const int hz = kTestFrequencies[static_cast<size_t>(i)];
        // "125 Hz" … "750 Hz", then "1 kHz", "1.5 kHz" …
        const QString caption =
            hz < 1000 ? QStringLiteral("%1 Hz").arg(hz) : QStringLiteral("%1 kHz").arg(hz / 1000.0);
        QCheckBox* box = Box(freq, caption.toUtf8().constData(), design.TestFrequency[i]);
        box->setObjectName(QStringLiteral("Test %1Hz").arg(hz));
        frequencyBoxes[static_cast<size_t>(i)] = box;
        grid->addWidget(box, i % 6, i / 6);
        BindFlag(box, [i](Settings& s) -> bool& { return s.TestFrequency[i]; });
    }
    Check1000 = frequencyBoxes[4];
    Check1000->setEnabled(false); // "Repeat @ 1kHz" is on as designed
    layout->addWidget(freq);

    auto* params = new QGroupBox(QStringLiteral(" Test Parameters "));
    auto* pg = new QGridLayout(params);
    BeepTimeEdit = Edit("1");
    PauseTimeEdit = Edit("1");
    LevelStep = Edit("3");
    LevelStart = Edit("0");
    TestTimeEdit = Edit("30");
    ReverseEdit = Edit("6");
    const struct {
        const char* label;
        QLineEdit* edit;
        const char* unit;
        NumberSetting Settings::*setting;
    } rows[] = {{"Signal Duration", BeepTimeEdit, "s", &Settings::PulseDuration},
                {"Gap Duration", PauseTimeEdit, "s", &Settings::PauseDuration},
                {"Level Step", LevelStep, "dB", &Settings::LevelStep},
                {"Initial Level", LevelStart, "dBHL", &Settings::StartLevel}};
    int r = 0;
    for (const auto& row : rows) {
        pg->addWidget(new QLabel(QString::fromUtf8(row.label)), r, 0);
        pg->addWidget(row.edit, r, 1);
        pg->addWidget(new QLabel(QString::fromUtf8(row.unit)), r, 2);
        BindText(row.edit, row.setting);
        ++r;
    }
    pg->addWidget(new QLabel(QStringLiteral("Test Duration per Frequency")), r++, 0, 1, 3);
    pg->addWidget(new QLabel(QStringLiteral("Maximum")), r, 0);
    pg->addWidget(TestTimeEdit, r, 1);
    pg->addWidget(new QLabel(QStringLiteral("seconds or")), r++, 2);
    pg->addWidget(new QLabel(QStringLiteral("Minimum")), r, 0);
    pg->addWidget(ReverseEdit, r, 1);
    pg->addWidget(new QLabel(QStringLiteral("reversals.")), r, 2);
    BindText(TestTimeEdit, &Settings::MaxTestTime);
    BindText(ReverseEdit, &Settings::MinReversals);
    for (QLineEdit* e : {BeepTimeEdit, PauseTimeEdit, TestTimeEdit, ReverseEdit})
        e->installEventFilter(this);
    layout->addWidget(params);

    auto* misc = new QGroupBox(QStringLiteral(" Miscellaneous "));
    auto* mg = new QGridLayout(misc);
    Trial = Box(misc, "Trial Run", true);
    Retest = Box(misc, "Repeat @ 1kHz", true);
    AutoRetest = Box(misc, "Auto Retest", true);
    FirstEar = Box(misc, "Left Ear First", true);
    mg->addWidget(Trial, 0, 0);
    mg->addWidget(Retest, 0, 1);
    mg->addWidget(AutoRetest, 1, 0);
    mg->addWidget(FirstEar, 1, 1);
    BindFlag(Trial, &Settings::TrialRun);
    BindFlag(Retest, &Settings::RetestAt1kHz);
    BindFlag(AutoRetest, &Settings::AutoRetest);
    BindFlag(FirstEar, &Settings::LeftEarFirst);
    // RetestClick: whenever the box changes, by the user or by loading.
    connect(Retest, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            Check1000->setChecked(true);
        Check1000->setEnabled(!on);
    });
    chkDisableSS = Box(misc, "Disable screensaver during test", true);
    chkDisableSS->hide();
    connect(chkDisableSS, &QCheckBox::toggled, this,
            [this](bool on) { p_.settings.DisableScreenSaverDuringTest = on; });
    layout->addWidget(misc);
    SettingsPages->addTab(TestProcedure, QStringLiteral("Test Procedure"));
}

void TfrmSettings::BuildHardwarePage() {
    SoundCard = new QWidget;
    auto* layout = new QVBoxLayout(SoundCard);
    auto* output = new QGroupBox(QStringLiteral("Sound Output Device"));
    auto* og = new QGridLayout(output);
    og->addWidget(new QLabel(QStringLiteral("Sound device connected to headphones:")), 0, 0, 1, 2);
    WaveOutDevice = new QComboBox;
    WaveOutDevice->setToolTip(QStringLiteral(
        "Please choose the sound card that you would like to use to test your hearing with your "
        "headphones."));
    og->addWidget(WaveOutDevice, 1, 0, 1, 2);
    og->addWidget(new QLabel(QStringLiteral("Corresponding volume settings driver:")), 2, 0, 1, 2);
    MixerDevice = new QComboBox;
    MixerDevice->setToolTip(QStringLiteral(
        "Every sound card has a corresponding volume setting device. Please choose the one "
        "belonging to the above sound card."));
    og->addWidget(MixerDevice, 3, 0, 1, 2);
    og->addWidget(new QLabel(QStringLiteral("Resolution (bits)")), 4, 0);
    cboQuant = new QComboBox;
    cboQuant->addItems({QStringLiteral("16"), QStringLiteral("24")});
    cboQuant->setCurrentIndex(1);
    og->addWidget(cboQuant, 4, 1);
    btnMultimediaOptions = new QPushButton(QStringLiteral("Windows Multimedia Options"));
    og->addWidget(btnMultimediaOptions, 5, 0, 1, 2);
    layout->addWidget(output);

    auto* response = new QGroupBox(QStringLiteral("Test Response Button "));
    auto* rg = new QGridLayout(response);
    const QString hint = QStringLiteral(
        "When testing your hearing, you will need to press a button as a response to a sound "
        "that you have heard. Please choose the response button you would like to use.");
    rdoCTRL = new QRadioButton(QStringLiteral("CTRL-Key"));
    rdoJoystick = new QRadioButton(QStringLiteral("Game Controller/Joystick (recommended)"));
    rdoCTRL->setToolTip(hint);
    rdoJoystick->setToolTip(hint);
    rdoCTRL->setChecked(true);
    rg->addWidget(rdoJoystick, 0, 0, 1, 2);
    rg->addWidget(rdoCTRL, 1, 0, 1, 2);
    light = new QFrame;
    light->setFixedSize(26, 24);
    light->setStyleSheet(QStringLiteral("background-color: black; border-radius: 12px;"));
    lblJoystickState = new QLabel(QStringLiteral("Joystick Button State"));
    lblJoystickHelp = new QLabel(QStringLiteral(
        "Test your response button device (joystick) here. If the light flashes irratically or "
        "is permanently on (red), your device is probably not working properly."));
    lblJoystickHelp->setWordWrap(true);
    btnGamingOptions = new QPushButton(QStringLiteral("Windows Gaming Options"));
    rg->addWidget(light, 2, 0);
    rg->addWidget(lblJoystickState, 2, 1);
    rg->addWidget(lblJoystickHelp, 3, 0, 1, 2);
    rg->addWidget(btnGamingOptions, 4, 0, 1, 2);
    layout->addWidget(response);
    SettingsPages->addTab(SoundCard, QStringLiteral("Hardware"));
}

void TfrmSettings::BuildFileHandlingPage() {
    FileHandling = new QWidget;
    auto* layout = new QHBoxLayout(FileHandling);
    auto* folders = new QVBoxLayout;
    folders->addWidget(new QLabel(QStringLiteral("Default Drive:")));
    cboDefaultDrive = new QComboBox;
    for (const QFileInfo& drive : QDir::drives())
        cboDefaultDrive->addItem(drive.absoluteFilePath());
    folders->addWidget(cboDefaultDrive);
    folders->addWidget(new QLabel(QStringLiteral("Default Directory:")));
    auto* model = new QFileSystemModel(this);
    model->setFilter(QDir::Dirs | QDir::NoDotAndDotDot);
    model->setRootPath(QStringLiteral("/"));
    DirectoryListBox1 = new QTreeView;
    DirectoryListBox1->setModel(model);
    for (int c = 1; c < model->columnCount(); ++c)
        DirectoryListBox1->hideColumn(c);
    DirectoryListBox1->setHeaderHidden(true);
    const QString folder = QString::fromStdString(p_.defaultFolder);
    DirectoryListBox1->setCurrentIndex(model->index(folder));
    // The model reads folders in the background: show the current one as soon
    // as its branch is there.
    connect(model, &QFileSystemModel::directoryLoaded, DirectoryListBox1, [this, model] {
        const QModelIndex current = model->index(QString::fromStdString(p_.defaultFolder));
        DirectoryListBox1->setCurrentIndex(current);
        DirectoryListBox1->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
    folders->addWidget(DirectoryListBox1);
    Dir = new QLabel(folder);
    folders->addWidget(Dir);
    // Picking a folder makes it the default folder for the rest of the run.
    connect(DirectoryListBox1, &QTreeView::clicked, this, [this, model](const QModelIndex& i) {
        const QString path = model->filePath(i);
        if (QFileInfo(path).isDir()) {
            p_.defaultFolder = path.toStdString();
            Dir->setText(path);
        }
    });
    layout->addLayout(folders);

    auto* names = new QGroupBox(QStringLiteral(" Suggested Filename "));
    auto* ng = new QVBoxLayout(names);
    IncludeLName = Box(names, "Include Last name", true);
    IncludeFName = Box(names, "Include First name", true);
    IncludeRef = Box(names, "Include Employee Reference No.", false);
    IncludeDept = Box(names, "Include Department", false);
    IncludeDOB = Box(names, "Include Date of Birth", false);
    IncludeDate = Box(names, "Include Test Date", true);
    IncludeTime = Box(names, "Include Test Time", false);
    const std::pair<QCheckBox*, bool Settings::*> bound[] = {
        {IncludeLName, &Settings::IncludeLastName},  {IncludeFName, &Settings::IncludeFirstName},
        {IncludeRef, &Settings::IncludeReference},   {IncludeDept, &Settings::IncludeDepartment},
        {IncludeDOB, &Settings::IncludeDateOfBirth}, {IncludeDate, &Settings::IncludeTestDate},
        {IncludeTime, &Settings::IncludeTestTime}};
    for (const auto& [box, setting] : bound) {
        ng->addWidget(box);
        BindFlag(box, setting);
    }
    layout->addWidget(names);
    SettingsPages->addTab(FileHandling, QStringLiteral("File Handling"));
}

void TfrmSettings::BuildGraphPage() {
    GraphSettings = new QWidget;
    auto* layout = new QVBoxLayout(GraphSettings);
    auto* params = new QGroupBox(QStringLiteral(" Graph Parameters "));
    auto* pg = new QVBoxLayout(params);
    ShowReversals = Box(params, "Show tone level traces", true);
    ShowThresholds = Box(params, "Show calculated hearing thresholds", true);
    MarkSuspicious = Box(params, "Highlight inaccurate results", true);
    Reject1st = Box(params, "Ignore first reversal for calculation", true);
    RealTimeCalc = Box(params, "Update audiogram during test", true);
    const std::pair<QCheckBox*, bool Settings::*> bound[] = {
        {ShowReversals, &Settings::ShowReversalGraph},
        {ShowThresholds, &Settings::ShowThresholdGraph},
        {MarkSuspicious, &Settings::MarkSuspiciousResults},
        {Reject1st, &Settings::RejectFirstReversal},
        {RealTimeCalc, &Settings::ShowInRealTime}};
    for (const auto& [box, setting] : bound) {
        pg->addWidget(box);
        BindFlag(box, setting);
    }
    layout->addWidget(params);

    auto* colours = new QGroupBox(QStringLiteral(" Graph Colours "));
    auto* cg = new QHBoxLayout(colours);
    ColourList = new QComboBox;
    ColourList->addItems(
        {QStringLiteral("Audiogram Reversals Left "), QStringLiteral("Audiogram Reversals Right "),
         QStringLiteral("Audiogram Axes & Grid"), QStringLiteral("Audiogram Background"),
         QStringLiteral("Application Background"), QStringLiteral("Audiogram Thresholds Left"),
         QStringLiteral("Audiogram Thresholds Right")});
    ColourSample = new QFrame;
    ColourSample->setFixedSize(60, 24);
    ColourSample->setFrameShape(QFrame::Box);
    ColourSample->setAutoFillBackground(true);
    Change = new QPushButton(QStringLiteral("Change..."));
    cg->addWidget(ColourList);
    cg->addWidget(ColourSample);
    cg->addWidget(Change);
    layout->addWidget(colours);
    SettingsPages->addTab(GraphSettings, QStringLiteral("Graph"));
}

void TfrmSettings::BuildCalibrationPage() {
    CalibrationPage = new QWidget;
    auto* layout = new QVBoxLayout(CalibrationPage);
    chkLoadCal = Box(CalibrationPage, "Re-load default calibration file at startup", false);
    btnChooseCal = new QPushButton(QStringLiteral("Choose file"));
    lblCalFile = new QLabel(QStringLiteral("No file chosen"));
    chkPrintCal = Box(CalibrationPage, "Print Calibration filename on audiogram", false);
    layout->addWidget(chkLoadCal);
    layout->addWidget(btnChooseCal);
    layout->addWidget(lblCalFile);
    layout->addWidget(chkPrintCal);
    layout->addStretch();
    BindFlag(chkLoadCal, &Settings::ReloadCalFile);
    BindFlag(chkPrintCal, &Settings::PrintCalFile);
    SettingsPages->addTab(CalibrationPage, QStringLiteral("Calibration"));
}

} // namespace tonmark
