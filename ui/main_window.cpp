#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <ctime>

#include "core/errors.h"
#include "core/threshold_run.h"
#include "storage/file_names.h"
#include "ui/audiogram_chart.h"
#include "ui/calibration_info.h"
#include "ui/date_of_birth_edit.h"
#include "ui/error_handler.h"
#include "ui/gdi_canvas.h"
#include "ui/help_viewer.h"
#include "ui/printing.h"
#include "ui/settings_dialog.h"
#include "ui/run_window.h"

namespace tonmark {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TfrmMain::TfrmMain(Program& program, HelpViewer* help, QWidget* parent)
    : QMainWindow(parent), p_(program), help_(help), printer_(std::make_unique<QPrinter>()),
      client_(new QWidget(this)) {
    setCentralWidget(client_);
    // The design colours until the settings are read: the first paint comes
    // before that, and questions may be asked over it.
    ApplyDefaultGraphColours(p_.settings);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(14);
    setFont(font);
    BuildFields();
    BuildMenus();
    resize(894, 603 + menuBar()->sizeHint().height());
    setMinimumSize(726, 600);
    setWindowTitle(QStringLiteral("Tonmark %1").arg(kVersion));
    FormResize();
}

void TfrmMain::BuildFields() {
    grpGraph = new QGroupBox(QStringLiteral(" Audiogram "), client_);
    grpGraph->setGeometry(5, 0, 700, 344);
    QFont graphFont = font();
    graphFont.setPixelSize(15);
    grpGraph->setFont(graphFont);
    pbxAudiogram = new PictureBox(grpGraph);
    pbxAudiogram->setGeometry(20, 34, 657, 301);
    pbxAudiogram->repaintAll = [this] { pbxAudiogramPaint(); };
    pbxAudiogram->setContextMenuPolicy(Qt::CustomContextMenu);

    grpThreshold = new QGroupBox(QStringLiteral(" Threshold levels [dB] "), client_);
    grpThreshold->setGeometry(5, 347, 700, 41);
    pbxResults = new PictureBox(grpThreshold);
    pbxResults->setGeometry(20, 17, 657, 19);
    pbxResults->repaintAll = [this] { pbxAudiogramPaint(); };

    grpData = new QGroupBox(QStringLiteral("Personal Data "), client_);
    grpData->setGeometry(5, 391, 700, 120);
    // The labels are as wide as the widest of them needs in the font in use
    // (at least as designed); the fields give up what the labels take.
    const QFontMetrics fm(font());
    int labelWidth = 125;
    for (const char* text : {"First Name:", "Last Name:", "Organisation:", "Reference Number:",
                             "Date of Birth:", "Comment:"})
        labelWidth = std::max(labelWidth, fm.horizontalAdvance(QString::fromUtf8(text)) + 4);
    const int editWidth = std::max(150, 195 - (labelWidth - 125));
    const auto field = [this, labelWidth, editWidth](const char* label, int x, int y) {
        auto* l = new QLabel(QString::fromUtf8(label), grpData);
        l->setGeometry(x, y + 3, labelWidth, 18);
        auto* e = new QLineEdit(grpData);
        e->setGeometry(x + labelWidth + 5, y, editWidth, 24);
        return e;
    };
    txtFirstName = field("First Name:", 10, 22);
    txtLastName = field("Last Name:", 360, 22);
    txtOrganisation = field("Organisation:", 10, 54);
    txtReferenceNumber = field("Reference Number:", 360, 54);
    auto* dobLabel = new QLabel(QStringLiteral("Date of Birth:"), grpData);
    dobLabel->setGeometry(10, 89, labelWidth, 18);
    dtpDOB = new DateOfBirthEdit(
        QDate(1960, 1, 1), [this] { return Dates().currentYear; }, grpData);
    dtpDOB->setGeometry(15 + labelWidth, 86, editWidth, 24);
    txtComment = field("Comment:", 360, 86);
    setTabOrder(txtFirstName, txtLastName);
    setTabOrder(txtLastName, txtOrganisation);
    setTabOrder(txtOrganisation, txtReferenceNumber);
    setTabOrder(txtReferenceNumber, dtpDOB);
    setTabOrder(dtpDOB, txtComment);
    connect(txtFirstName, &QLineEdit::textChanged, this, [this] { NameChanged(); });
    connect(txtLastName, &QLineEdit::textChanged, this, [this] { NameChanged(); });

    lblDateTime = new QLabel(client_);
    lblDateTime->setGeometry(9, 512, 600, 18);
    lblCalFilename = new QLabel(client_);
    lblCalFilename->setGeometry(208, 512, 497, 18);
    lblCalFilename->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCalFilename->hide();
}

void TfrmMain::BuildMenus() {
    const auto item = [this](QMenu* menu, const char* caption, QKeySequence key,
                             std::function<void()> action) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        if (!key.isEmpty())
            a->setShortcut(key);
        // A command may change what the other items need (an audiogram, a
        // calibration); their shortcuts see the change at once.
        connect(a, &QAction::triggered, this, [this, action] {
            p_.errors.Guarded(action);
            UpdateMenuItems();
        });
        return a;
    };
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    New1 = item(File1, "&New", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { New1Click(); });
    Open1 = item(File1, "&Open...", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { Open1Click(); });
    Save1 =
        item(File1, "&Save As...", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { Save1Click(); });
    File1->addSeparator();
    Print1 = item(File1, "&Print", QKeySequence(Qt::CTRL | Qt::Key_P), [this] { Print1Click(); });
    PrinterSetup1 = item(File1, "P&rinter Setup", {}, [this] { PrinterSetup1Click(); });
    File1->addSeparator();
    Options1 = item(File1, "&Settings", {}, [this] { OpenSettings(false); });
    File1->addSeparator();
    Exit1 = item(File1, "Exit", QKeySequence(Qt::CTRL | Qt::Key_X), [this] { close(); });

    mnuCalibration = menuBar()->addMenu(QStringLiteral("Calibration"));
    EarCalibration1 = item(mnuCalibration, "New Calibration by &Ear", QKeySequence(Qt::Key_F3),
                           [this] { SubjCal1Click(); });
    mnuCalibration->addSeparator();
    LoadCalibration1 = item(mnuCalibration, "&Load Calibration Data", QKeySequence(Qt::Key_F2),
                            [this] { LoadCalibration1Click(); });
    CheckorRecalibratebyEar1 = item(mnuCalibration, "Check or &Recalibrate by Ear",
                                    QKeySequence(Qt::Key_F4), [this] { SubjRecal1Click(); });
    mnuCalibration->addSeparator();
    CalInfo1 = item(mnuCalibration, "Calibration &Information", QKeySequence(Qt::CTRL | Qt::Key_I),
                    [this] { CalInfo1Click(); });
    TestCompatibility1 = item(mnuCalibration, "Test Hardware &Compatibility", {},
                              [this] { TestCompatibility1Click(); });

    Test1 = menuBar()->addMenu(QStringLiteral("Hearing &Test"));
    NewTest1 = item(Test1, "&New Test", QKeySequence(Qt::Key_F5), [this] { NewTest1Click(); });
    Retest1 = item(Test1, "&Retest", QKeySequence(Qt::Key_F6), [this] { Retest1Click(); });
    Test1->addSeparator();
    ViewResults1 = item(Test1, "&Show Test Results", QKeySequence(Qt::Key_F8),
                        [this] { ViewResults1Click(); });

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    MainHelp1 = item(Help1, "&Main Help", QKeySequence(Qt::Key_F1), [this] { ShowHelp(1); });
    Help1->addSeparator();
    Gettingstarted1 = item(Help1, "&Introduction", {}, [this] { ShowHelp(10); });
    FAQ1 = item(Help1, "&FAQ", {}, [this] { ShowHelp(21); });
    Help1->addSeparator();
    About1 = item(Help1, "&About", {}, [this] {
        if (showAbout)
            showAbout();
    });

    PopupMenu1 = new QMenu(this);
    popRetest = item(PopupMenu1, "&Retest", {}, [this] { Retest1Click(); });
    popViewResults = item(PopupMenu1, "&View Results", {}, [this] { ViewResults1Click(); });
    SaveAs1 = item(PopupMenu1, "&Save As...", {}, [this] { Save1Click(); });
    PopupMenu1->addSeparator();
    Settings1 = item(PopupMenu1, "&Graph Settings", {}, [this] { OpenSettings(true); });
    connect(pbxAudiogram, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1Popup();
        PopupMenu1->popup(pbxAudiogram->mapToGlobal(pos));
    });

    connect(File1, &QMenu::aboutToShow, this, [this] { File1Click(); });
    connect(Test1, &QMenu::aboutToShow, this, [this] { Test1Click(); });
    connect(mnuCalibration, &QMenu::aboutToShow, this, [this] { Calibration2Click(); });
    UpdateMenuItems();
}

void TfrmMain::UpdateMenuItems() {
    const bool audiogram = p_.state.AudiogramValid;
    const bool calibration = p_.state.CalibrationLoaded;
    Print1->setEnabled(audiogram);
    Retest1->setEnabled(audiogram && calibration);
    popRetest->setEnabled(audiogram && calibration);
    ViewResults1->setEnabled(audiogram);
    popViewResults->setEnabled(audiogram);
    CalInfo1->setEnabled(calibration);
    CheckorRecalibratebyEar1->setEnabled(calibration);
    // Without a wave output the whole menu is off for the run, shortcuts and
    // all.
    mnuCalibration->setEnabled(!calibrationMenuDisabled);
    mnuCalibration->menuAction()->setEnabled(!calibrationMenuDisabled);
}

void TfrmMain::File1Click() {
    UpdateMenuItems();
}

void TfrmMain::Test1Click() {
    UpdateMenuItems();
}

void TfrmMain::Calibration2Click() {
    UpdateMenuItems();
}

void TfrmMain::PopupMenu1Popup() {
    UpdateMenuItems();
}

void TfrmMain::FormCreate(const std::vector<std::string>& args) {
    if (p_.waveOutput && p_.waveOutput->DeviceEntries().empty()) {
        p_.dialogs->ShowMessage(
            "No usable devices found! Audiometry Section and Calibration disabled");
        calibrationMenuDisabled = true;
        UpdateMenuItems();
    }
    p_.commandLineText = BuildCommandLineText(args);
    if (CommandLineNamesAudiogram(p_.commandLineText)) {
        try {
            OpenAudiogram(CommandLineFileName(p_.commandLineText));
        } catch (const std::exception& e) {
            p_.errors.ReportLater(e.what());
        }
    }
    if (!p_.state.AudiogramValid)
        New1Click();
}

DateContext TfrmMain::Dates() const {
    const LocalDateTime now = p_.clock ? p_.clock->Now() : LocalDateTime{2000, 1, 1};
    return DateContext{ShortDateFormat::System(), now.year};
}

PersonalData TfrmMain::Personal() const {
    PersonalData d;
    d.LastName = txtLastName->text().toStdString();
    d.FirstName = txtFirstName->text().toStdString();
    d.ReferenceNumber = txtReferenceNumber->text().toStdString();
    d.Organisation = txtOrganisation->text().toStdString();
    const QDate dob = dtpDOB->date();
    d.DateOfBirth = CalendarDate{dob.year(), dob.month(), dob.day()};
    d.Comment = txtComment->text().toStdString();
    return d;
}

void TfrmMain::SetPersonal(const PersonalData& d) {
    txtLastName->setText(Q(d.LastName));
    txtFirstName->setText(Q(d.FirstName));
    txtReferenceNumber->setText(Q(d.ReferenceNumber));
    txtOrganisation->setText(Q(d.Organisation));
    if (d.DateOfBirth)
        dtpDOB->setDate(QDate(d.DateOfBirth->year, d.DateOfBirth->month, d.DateOfBirth->day));
    txtComment->setText(Q(d.Comment));
    // Long texts are read from their beginning.
    for (QLineEdit* e :
         {txtLastName, txtFirstName, txtReferenceNumber, txtOrganisation, txtComment})
        e->setCursorPosition(0);
}

void TfrmMain::pbxAudiogramPaint() {
    QImage chart(pbxAudiogram->size(), QImage::Format_RGB32);
    QImage strip(pbxResults->size(), QImage::Format_RGB32);
    if (chart.isNull() || strip.isNull())
        return;
    try {
        lblDateTime->setText(PaintAudiogram(chart, strip,
                                            ChartInputs{p_.state.Record, p_.state.AudiogramValid,
                                                        p_.state.SlotFrequency, p_.settings}));
        lastPaintError_.clear();
    } catch (const std::exception& e) {
        // What was drawn up to the failure stays; the message comes once the
        // paint is over, and once only for the same fault: a resize repaints
        // many times.
        if (lastPaintError_ != e.what()) {
            lastPaintError_ = e.what();
            p_.errors.ReportLater(e.what());
        }
    }
    pbxAudiogram->picture = chart;
    pbxResults->picture = strip;
    pbxAudiogram->update();
    pbxResults->update();
    UpdateMenuItems();
}

void TfrmMain::ApplyColours() {
    if (test_)
        test_->GraphPaint();
    client_->setAutoFillBackground(true);
    client_->setStyleSheet(QString());
    QPalette pal = client_->palette();
    pal.setColor(QPalette::Window, ColourFromStored(p_.settings.MainWindowColour));
    client_->setPalette(pal);
    if (!frameColoured_) {
        // The chart's frame shows the window's colour until the chart colour
        // is changed in the settings.
        grpGraph->setAutoFillBackground(true);
        QPalette frame = grpGraph->palette();
        frame.setColor(QPalette::Window, ColourFromStored(p_.settings.MainWindowColour));
        grpGraph->setPalette(frame);
    }
    pbxAudiogramPaint();
}

void TfrmMain::SetChartColour(uint32_t colour, bool frameToo) {
    p_.settings.ChartColour = colour;
    if (test_)
        test_->GraphPaint();
    if (frameToo) {
        frameColoured_ = true;
        grpGraph->setAutoFillBackground(true);
        QPalette pal = grpGraph->palette();
        pal.setColor(QPalette::Window, ColourFromStored(colour));
        grpGraph->setPalette(pal);
    }
    pbxAudiogramPaint();
}

void TfrmMain::FormResize() {
    const int CW = client_->width(), CH = client_->height();
    lblDateTime->move(lblDateTime->x(), CH - 18);
    lblCalFilename->move(lblCalFilename->x(), CH - 18);
    grpData->setGeometry(grpData->x(), CH - 147, CW - 2 * grpData->x(), grpData->height());
    grpThreshold->setGeometry(grpThreshold->x(), CH - 192, CW - 2 * grpThreshold->x(),
                              grpThreshold->height());
    grpGraph->setGeometry(grpGraph->x(), grpGraph->y(), CW - 2 * grpGraph->x(), CH - 199);
    pbxAudiogram->resize(grpGraph->width() - 40, grpGraph->height() - 51);
    pbxResults->resize(grpThreshold->width() - 40, pbxResults->height());
}

void TfrmMain::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    client_->resize(centralWidget()->size());
    FormResize();
}

void TfrmMain::FormActivate() {
    const QString title = QStringLiteral("%1 %2").arg(kProductName, kVersion);
    setWindowTitle(title);
}

void TfrmMain::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    // A secondary window gives the main window back when it is done, and
    // may have changed the calibration or the audiogram.
    if (e->type() == QEvent::EnabledChange && isEnabled())
        UpdateMenuItems();
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        FormActivate();
        HandActivationToTest();
    }
}

void TfrmMain::HandActivationToTest() {
    // A click on the greyed window during a run activates it all the same;
    // the subject's CTRL key belongs to the test window. A message box of the
    // run keeps the activation it asks for.
    if (isEnabled() || !test_ || !test_->isVisible() || QApplication::activeModalWidget())
        return;
    test_->raise();
    test_->activateWindow();
}

void TfrmMain::NameChanged() {
    setWindowTitle(QStringLiteral("%1 %2 - %3 %4")
                       .arg(kProductName, kVersion, txtFirstName->text(), txtLastName->text()));
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    p_.state.StopRequested = true;
    if (testRunning_) {
        // The run ends at the end of its pulse; the program closes then.
        closeAfterRun_ = true;
        e->ignore();
        return;
    }
    if (!isEnabled() && !closing_) {
        // A secondary window is open and holds the main window: closing now
        // would drop what is being edited there.
        e->ignore();
        return;
    }
    // An end by a signal asks nothing: no one may be there to answer, and
    // the sender waits for the end. One that comes while the question is
    // open ends the program all the same.
    if (!closing_ && !MayDropResults() && !closing_) {
        closeAfterRun_ = false;
        e->ignore();
        return;
    }
    e->accept();
    QApplication::quit();
}

void TfrmMain::RequestClose() {
    closing_ = true;
    p_.state.StopRequested = true;
    // Questions and messages that would hold the run or the close are
    // answered as their close box would.
    auto* dismiss = new QTimer(this);
    connect(dismiss, &QTimer::timeout, this, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    dismiss->start(20);
    close();
}

void TfrmMain::SetTestWindow(TfrmTest* test) {
    test_ = test;
}

void TfrmMain::ShowHelp(int context) {
    p_.dialogs->ShowHelpTopic(context);
}

void TfrmMain::OpenSettings(bool graphPage) {
    if (!settings_)
        return;
    if (graphPage)
        settings_->SelectGraphPage();
    setEnabled(false);
    settings_->show();
    settings_->raise();
    settings_->activateWindow();
}

} // namespace tonmark
