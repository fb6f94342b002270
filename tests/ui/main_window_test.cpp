#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>

#include "core/atomic_file.h"
#include "storage/audiogram_file.h"
#include "ui/date_of_birth_edit.h"
#include "ui/field_limits.h"
#include "ui/file_messages.h"
#include "ui/help_viewer.h"
#include "ui/settings_messages.h"
#include "ui/splash.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

using MainWindow = UiFixture;

TEST_F(MainWindow, StartsEmptyWithoutMessages) {
    Start();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(program.state.AudiogramValid);
    EXPECT_EQ(main->windowTitle(), "Tonmark 2.1");
    EXPECT_EQ(settings->MixerDevice->count(), 2);
    EXPECT_EQ(settings->MixerDevice->itemText(1), "Card B Driver Version 1.2");
    EXPECT_EQ(settings->WaveOutDevice->itemText(0), "Test Device Driver Version 1.2");
    EXPECT_EQ(main->txtFirstName->text(), "");
}

TEST_F(MainWindow, MenuEnablingFollowsTheAudiogramAndTheCalibration) {
    Start();
    const auto states = [this] {
        main->File1Click();
        main->Test1Click();
        main->Calibration2Click();
        main->PopupMenu1Popup();
        return std::vector<bool>{main->Print1->isEnabled(),
                                 main->Retest1->isEnabled(),
                                 main->ViewResults1->isEnabled(),
                                 main->popRetest->isEnabled(),
                                 main->popViewResults->isEnabled(),
                                 main->CalInfo1->isEnabled(),
                                 main->CheckorRecalibratebyEar1->isEnabled()};
    };
    EXPECT_EQ(states(), std::vector<bool>(7, false));
    EXPECT_TRUE(main->NewTest1->isEnabled());
    EXPECT_TRUE(main->Save1->isEnabled());
    program.state.AudiogramValid = true;
    EXPECT_EQ(states(), (std::vector<bool>{true, false, true, false, true, false, false}));
    program.state.CalibrationLoaded = true;
    EXPECT_EQ(states(), std::vector<bool>(7, true));
}

TEST_F(MainWindow, CaptionCarriesTheNames) {
    Start();
    main->txtFirstName->setText("Ann");
    EXPECT_EQ(main->windowTitle(), "Tonmark 2.1 - Ann ");
    main->txtLastName->setText("Smith");
    EXPECT_EQ(main->windowTitle(), "Tonmark 2.1 - Ann Smith");
    main->New1Click();
    EXPECT_EQ(main->windowTitle(), "Tonmark 2.1 -  ");
}

// At every size the parts of the window stay inside it and apart, and the
// chart takes what the window gains.
TEST_F(MainWindow, ResizingKeepsEveryPartInsideAndApart) {
    Start();
    int lastChartArea = 0;
    for (QSize size : {main->minimumSize(), QSize(900, 700), QSize(1200, 900)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        main->resize(size);
        QApplication::processEvents();
        const QRect client = main->centralWidget()->rect();
        const QWidget* parts[] = {main->grpGraph, main->grpThreshold, main->grpData,
                                  main->lblDateTime};
        for (const QWidget* a : parts) {
            EXPECT_TRUE(client.contains(a->geometry())) << a->objectName().toStdString();
            for (const QWidget* b : parts)
                if (a != b) {
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << a->objectName().toStdString() << " / " << b->objectName().toStdString();
                }
        }
        EXPECT_TRUE(main->grpGraph->rect().contains(main->pbxAudiogram->geometry()));
        const int chartArea = main->pbxAudiogram->width() * main->pbxAudiogram->height();
        EXPECT_GT(chartArea, lastChartArea);
        lastChartArea = chartArea;
    }
}

TEST_F(MainWindow, CommandLineOpensAudiogramsInAnyCase) {
    PatientFile rec;
    ClearAudiogram(rec);
    rec.Reverse[0][4][0] = 2;
    rec.Reverse[0][4][1] = 20;
    rec.Reverse[0][4][2] = 30;
    rec.Threshold[0][4] = 25;
    rec.TestDateStamp = "01-02-2026";
    const std::string file = (dir / "Ann Smith.Aud").string();
    PersonalData pd{"Smith", "Ann", "", "", CalendarDate{1970, 1, 31}, ""};
    ASSERT_TRUE(WriteFile(file, rec, pd, DateContext{ShortDateFormat::System(), 2026}).Done());
    // An unquoted path with a blank arrives as two parameters.
    const auto blank = file.find(' ');
    Start({file.substr(0, blank), file.substr(blank + 1)});
    EXPECT_TRUE(program.state.AudiogramValid);
    EXPECT_EQ(main->txtLastName->text(), "Smith");
    EXPECT_EQ(main->lblDateTime->text(), "Test Date: 01-02-2026 Time: .");
    EXPECT_EQ(program.state.Record.Threshold[0][4], 25);
}

TEST_F(MainWindow, CommandLineWithOtherFilesStartsEmpty) {
    const std::string missing = (dir / "gone.aud").string();
    Start({missing});
    EXPECT_FALSE(program.state.AudiogramValid);
    QApplication::processEvents();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot open file \"" + missing + "\". ", 0), 0u);
}

TEST_F(MainWindow, SaveAsSuggestsANameAndChoosesTheFormat) {
    Start();
    main->txtLastName->setText("Smith");
    main->txtFirstName->setText("Ann");
    program.state.Record.TestDateStamp = "31-01-2024";
    const std::string txt = (dir / "result.aud").string();
    files.saves.push_back(FileDialogs::SaveChoice{txt, 2});
    main->Save1Click();
    EXPECT_EQ(files.lastSuggested, "Smith Ann 31-01-2024");
    EXPECT_EQ(files.lastFilter, "Audiogram|*.aud|ASCII-Text|*.txt");
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(txt, bytes).Done());
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 560) << "a text export";
    files.saves.push_back(FileDialogs::SaveChoice{dir.string(), 1});
    main->Save1Click();
    EXPECT_EQ(dialogs.messages.back(),
              std::string(kMsgSaveError) + "\n\"" + dir.string() + "\": " + std::strerror(EISDIR));
}

TEST_F(MainWindow, OpenRejectsWhatIsNotAnAudiogram) {
    Start();
    const std::string bad = (dir / "bad.aud").string();
    EXPECT_TRUE(WriteFileAtomically(bad, "not an audiogram").Done());
    files.opens.push_back(bad);
    main->Open1Click();
    EXPECT_EQ(files.lastTitle, "Open Audiogram File");
    EXPECT_EQ(dialogs.messages.back(), kMsgNotAudiogram);
    EXPECT_FALSE(program.state.AudiogramValid);
}

TEST_F(MainWindow, ErrorsOfAHandlerAreShownAndTheProgramGoesOn) {
    Start();
    const std::string missing = (dir / "missing.aud").string();
    files.opens.push_back(missing);
    main->Open1->trigger(); // a menu command, through the general error handler
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Cannot open file \"" + missing + "\". No such file or directory");
    // A bad "Start Level (dB HL)" fails the paint; the message comes after it.
    program.settings.StartLevel.SetText("abc");
    program.state.Record.Reverse[0][4][0] = 1;
    program.state.AudiogramValid = true;
    main->pbxAudiogramPaint();
    QApplication::processEvents();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1], "'abc' is not a valid integer value");
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindow, NoWaveDeviceDisablesTheCalibrationMenu) {
    waveOutput->entries.clear();
    Start();
    EXPECT_EQ(dialogs.messages.front(),
              "No usable devices found! Audiometry Section and Calibration disabled");
    EXPECT_FALSE(main->mnuCalibration->menuAction()->isEnabled());
    EXPECT_EQ(settings->WaveOutDevice->count(), 0);
    EXPECT_EQ(settings->MixerDevice->count(), 0) << "no lists without a wave device";
    settings->show();
    EXPECT_FALSE(settings->WaveOutDevice->isEnabled());
    EXPECT_EQ(settings->MixerDevice->placeholderText(), "No Devices present");
}

// A key pressed in the main window, as the keyboard delivers it: the
// shortcuts see it first.
void PressKey(TfrmMain& main, QKeyCombination key) {
    QApplication::setActiveWindow(&main);
    QWidget* target = main.focusWidget() ? main.focusWidget() : &main;
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers());
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers());
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
}

// What the start-up loaded decides which shortcuts work, before any menu has
// been opened.
struct StartUpShortcut {
    const char* name;
    const char* file; // on the command line: "good.cal", "bad.cal", "good.aud"
    bool waveDevice;  // a wave output exists
    QKeyCombination key;
    bool works;
};

class ShortcutsAfterStartUp : public UiFixture,
                              public ::testing::WithParamInterface<StartUpShortcut> {};

TEST_P(ShortcutsAfterStartUp, WorkExactlyWhenTheirItemIsAvailable) {
    const StartUpShortcut& c = GetParam();
    const std::string file = (dir / c.file).string();
    if (std::string(c.file) == "good.cal")
        std::filesystem::copy_file(TONMARK_TEST_DATA "/reference.cal", file);
    else if (std::string(c.file) == "good.aud")
        std::filesystem::copy_file(TONMARK_TEST_DATA "/reference.aud", file);
    else
        ASSERT_TRUE(WriteFileAtomically(file, "not a calibration").Done());
    if (!c.waveDevice)
        waveOutput->entries.clear();
    Start({file});
    if (!c.waveDevice)
        settings->CancelClick(); // it asks for a device that is not there
    ASSERT_EQ(program.state.CalibrationLoaded, std::string(c.file) == "good.cal");
    ASSERT_TRUE(main->isEnabled());
    const size_t messages = dialogs.messages.size();
    PressKey(*main, c.key);
    // Each of these commands opens a window that holds the main window, asks
    // a question or opens a file dialog.
    const bool reacted =
        !main->isEnabled() || dialogs.messages.size() != messages || !files.lastTitle.empty();
    EXPECT_EQ(reacted, c.works);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, ShortcutsAfterStartUp,
    ::testing::Values(
        StartUpShortcut{"RecalibrateWithCalibration", "good.cal", true, Qt::Key_F4, true},
        StartUpShortcut{"InformationWithCalibration", "good.cal", true, Qt::CTRL | Qt::Key_I, true},
        StartUpShortcut{"RecalibrateWithoutCalibration", "bad.cal", true, Qt::Key_F4, false},
        StartUpShortcut{"InformationWithoutCalibration", "bad.cal", true, Qt::CTRL | Qt::Key_I,
                        false},
        StartUpShortcut{"RetestWithoutCalibration", "good.aud", true, Qt::Key_F6, false},
        StartUpShortcut{"ResultsOfAnOpenedAudiogram", "good.aud", true, Qt::Key_F8, true},
        // No wave output: the calibration menu is off for the run, shortcuts
        // and all, even with a calibration loaded.
        StartUpShortcut{"RecalibrateWithoutWaveOutput", "good.cal", false, Qt::Key_F4, false},
        StartUpShortcut{"NewCalibrationWithoutWaveOutput", "good.cal", false, Qt::Key_F3, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindow, ACommandThatDropsTheAudiogramTurnsItsShortcutsOff) {
    const std::string file = (dir / "a.aud").string();
    std::filesystem::copy_file(TONMARK_TEST_DATA "/reference.aud", file);
    Start({file});
    ASSERT_TRUE(main->ViewResults1->isEnabled());
    PressKey(*main, Qt::CTRL | Qt::Key_N); // File > New
    EXPECT_FALSE(program.state.AudiogramValid);
    PressKey(*main, Qt::Key_F8);
    EXPECT_FALSE(windows->results->isVisible());
    EXPECT_TRUE(main->isEnabled());
}

// Keys typed one by one into the widget that has the focus.
void TypeKeys(QWidget& w, const QString& keys) {
    for (const QChar c : keys) {
        const int key = c.isDigit() ? Qt::Key_0 + c.digitValue()
                        : c == '\r' ? int(Qt::Key_Return)
                                    : c.unicode();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &w;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
    QApplication::processEvents();
}

// A click of the mouse into the field's text in front of its character at.
void ClickIntoText(QDateEdit& edit, int at) {
    auto* line = edit.findChild<QLineEdit*>();
    line->setCursorPosition(at);
    const QPoint p = line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    line->setCursorPosition(0);
    QMouseEvent press(QEvent::MouseButtonPress, p, line->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(line, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, line->mapToGlobal(p), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(line, &release);
}

TEST(DateOfBirth, TakesADateTypedInTheLocalesOrder) {
    const struct {
        const char* locale;
        int clickAt; // -1: reached with Tab
        const char* keys;
        const char* expected;
    } cases[] = {
        {"en_GB", -1, "15/03/1970", "1970-03-15"},
        {"en_GB", -1, "15031970", "1970-03-15"},
        {"en_GB", -1, "5/3/1970", "1970-03-05"},
        {"en_US", -1, "03/15/1970", "1970-03-15"},
        {"en_US", -1, "3/15/1970", "1970-03-15"},
        {"de_DE", -1, "15.03.2015", "2015-03-15"},
        {"sv_SE", -1, "1970-03-15", "1970-03-15"},
        {"hu_HU", -1, "1970. 3. 15.", "1970-03-15"},
        {"hu_HU", -1, "1970. 1. 5.", "1970-01-05"},
        // A click into a number, then the new number: it replaces the old.
        {"en_GB", 2, "15", "1960-01-15"},
        {"en_GB", 1, "15", "1960-01-15"},
        {"en_US", 5, "15", "1960-01-15"},
        {"en_GB", 8, "1985", "1985-01-01"},
        {"en_GB", 4, "12/1985", "1985-12-01"},
        // Two digits of a year, in the hundred years up to this one (2026).
        {"en_GB", -1, "15/03/70", "1970-03-15"},
        {"en_GB", -1, "15/03/26\r", "2026-03-15"},
        {"de_DE", -1, "15.03.27", "1927-03-15"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.clickAt) + " " + c.keys);
        QWidget window;
        auto* edit = new DateOfBirthEdit(
            QDate(1960, 1, 1), [] { return 2026; }, &window, QLocale(c.locale));
        window.show();
        QApplication::setActiveWindow(&window);
        edit->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        if (c.clickAt >= 0)
            ClickIntoText(*edit, c.clickAt);
        TypeKeys(*edit, QString::fromUtf8(c.keys));
        edit->clearFocus(); // leaving the field
        EXPECT_EQ(edit->date().toString(Qt::ISODate).toStdString(), c.expected)
            << edit->text().toStdString();
    }
}

// The main window's field, in the order of the locale the program runs in.
TEST_F(MainWindow, TheDateOfBirthIsTakenAsTyped) {
    Start();
    QApplication::setActiveWindow(main);
    main->dtpDOB->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    QString keys = NumericDateFormat(QLocale::system());
    keys.replace(QStringLiteral("dd"), QStringLiteral("15"))
        .replace(QStringLiteral("MM"), QStringLiteral("03"))
        .replace(QStringLiteral("yyyy"), QStringLiteral("2015"));
    keys.removeIf([](QChar c) { return !c.isPrint(); }); // marks of writing direction
    TypeKeys(*main, keys);
    const CalendarDate dob = main->Personal().DateOfBirth.value_or(CalendarDate{});
    EXPECT_EQ(QDate(dob.year, dob.month, dob.day).toString(Qt::ISODate), "2015-03-15")
        << main->dtpDOB->text().toStdString();
}

using Settings = UiFixture;

TEST(FieldLimits, Table) {
    const struct {
        LimitedField field;
        const char* text;
        const char* expected;
    } cases[] = {
        {LimitedField::ReverseEdit, "12", "10"},      {LimitedField::ReverseEdit, "1", "2"},
        {LimitedField::ReverseEdit, "abc", "6"},      {LimitedField::ReverseEdit, "", "6"},
        {LimitedField::ReverseEdit, "7", "7"},        {LimitedField::TestTimeEdit, "61", "60"},
        {LimitedField::TestTimeEdit, "9", "10"},      {LimitedField::TestTimeEdit, "x", "30"},
        {LimitedField::BeepTimeEdit, "7.5", "5"},     {LimitedField::BeepTimeEdit, "-1", "0"},
        {LimitedField::BeepTimeEdit, "0.25", "0.25"}, {LimitedField::PauseTimeEdit, "", "1"},
        {LimitedField::PauseTimeEdit, "5.5", "5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ApplyFieldLimit(c.field, c.text, '.'), c.expected) << c.text;
    EXPECT_EQ(ApplyFieldLimit(LimitedField::BeepTimeEdit, "0,5", ','), "0,5");
    EXPECT_EQ(ApplyFieldLimit(LimitedField::BeepTimeEdit, "0.5", ','), "1");
}

TEST_F(Settings, LeavingAFieldAppliesItsLimit) {
    Start();
    settings->ReverseEdit->setText("12");
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(settings->ReverseEdit, &out);
    EXPECT_EQ(settings->ReverseEdit->text(), "10");
    EXPECT_EQ(program.settings.MinReversals.Text(), "10");
}

TEST_F(Settings, CancelReloadsTheCloseBoxKeeps) {
    Start();
    settings->show();
    settings->ReverseEdit->setText("4");
    settings->close();
    EXPECT_EQ(program.settings.MinReversals.Text(), "4") << "in effect for this run";
    settings->show();
    settings->CancelClick();
    EXPECT_EQ(program.settings.MinReversals.Text(), "6");
    EXPECT_EQ(settings->ReverseEdit->text(), "6");
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(main->isEnabled());
    settings->show();
    settings->ReverseEdit->setText("8");
    settings->OKClick();
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(storePath, bytes).Done());
    EXPECT_NE(bytes.find("\"Min. Reversals\": \"8\""), std::string::npos);
}

TEST_F(Settings, RepeatAtOneKilohertzHoldsOneKilohertz) {
    Start();
    EXPECT_TRUE(settings->Check1000->isEnabled()) << "enabled until the box is toggled";
    settings->Retest->setChecked(false);
    EXPECT_TRUE(settings->Check1000->isEnabled());
    settings->Check1000->setChecked(false);
    settings->Retest->setChecked(true);
    EXPECT_TRUE(settings->Check1000->isChecked());
    EXPECT_FALSE(settings->Check1000->isEnabled());
    EXPECT_TRUE(program.settings.TestFrequency[4]);
}

TEST_F(Settings, FirstRunWelcomesAndOpensTheHardwarePage) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(storePath, bytes).Done());
    bytes.replace(bytes.find("\"FirstRun\": 0"), 13, "\"FirstRun\": 1");
    WriteStore(bytes);
    Start();
    EXPECT_NE(
        std::find(dialogs.messages.begin(), dialogs.messages.end(), std::string(kMsgFirstRunCheck)),
        dialogs.messages.end());
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->SettingsPages->currentWidget(), settings->SoundCard);
    EXPECT_FALSE(main->isEnabled());
    EXPECT_TRUE(ReadWholeFile(storePath, bytes).Done());
    EXPECT_NE(bytes.find("\"FirstRun\": 0"), std::string::npos);
}

TEST_F(Settings, StoredMixerDeviceThatIsGone) {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(storePath, bytes).Done());
    bytes.replace(bytes.find("\"Mixer Device Number\": 0"), 24, "\"Mixer Device Number\": 3");
    WriteStore(bytes);
    Start();
    EXPECT_EQ(dialogs.messages.back(),
              "Previously used Sound Device no longer present. Please select new Device!");
    EXPECT_TRUE(settings->isVisible());
    EXPECT_EQ(settings->SettingsPages->currentWidget(), settings->SoundCard);
    EXPECT_EQ(settings->MixerDevice->currentIndex(), -1);
}

TEST_F(Settings, ColoursRepaintWhatTheyColour) {
    Start();
    settings->show();
    settings->ColourList->setCurrentIndex(3);
    files.colours.push_back(0x00123456);
    settings->ChangeClick();
    EXPECT_EQ(program.settings.GraphColour(3), 0x00123456u);
    EXPECT_EQ(program.settings.ChartColour, 0x00123456u);
    const QColor chart = main->pbxAudiogram->picture.pixelColor(300, 100);
    EXPECT_EQ(chart, QColor(0x56, 0x34, 0x12));
    settings->CancelClick();
    EXPECT_EQ(program.settings.ChartColour, 0x00FFFFFFu) << "the stored colour is back";
}

TEST_F(Settings, RejectFirstReversalRecalculates) {
    Start();
    int32_t* row = program.state.Record.Reverse[0][4];
    row[0] = 4;
    row[1] = 30, row[2] = 21, row[3] = 27, row[4] = 24;
    settings->show();
    const bool stored = settings->Reject1st->isChecked();
    // A click recomputes; the program setting the box does not.
    settings->Reject1st->setChecked(true);
    settings->Reject1st->click();
    EXPECT_EQ(program.state.Record.Threshold[0][4], 26);
    settings->Reject1st->click();
    EXPECT_EQ(program.state.Record.Threshold[0][4], 24);
    // Cancel without a change leaves the thresholds alone...
    program.state.Record.Threshold[0][4] = 77;
    settings->show();
    if (settings->Reject1st->isChecked() != stored)
        settings->Reject1st->setChecked(stored);
    program.settings.RejectFirstReversal = stored;
    settings->CancelClick();
    EXPECT_EQ(program.state.Record.Threshold[0][4], 77);
    // ...and a change taken back by Cancel is taken back in the thresholds.
    settings->show();
    settings->Reject1st->click();
    settings->CancelClick();
    EXPECT_EQ(program.state.Record.Threshold[0][4], stored ? 24 : 26);
    EXPECT_FALSE(settings->isVisible());
}

TEST(Splash, FadesAndWaits) {
    for (bool click : {false, true}) {
        TfrmSplash splash;
        int slept = 0;
        const int passes =
            splash.Run([&](int ms) { slept += ms; },
                       [&] {
                           if (click) {
                               QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                               QApplication::sendEvent(&splash, &e);
                           }
                       });
        EXPECT_EQ(passes, click ? 1 : 7);
        ASSERT_EQ(splash.alphaSteps.size(), 31u);
        EXPECT_EQ(splash.alphaSteps[15], 240);
        EXPECT_EQ(splash.alphaSteps.back(), 16);
        EXPECT_EQ(std::count(splash.alphaSteps.begin(), splash.alphaSteps.end(), 255), 0);
        EXPECT_EQ(slept, 30 * 20 + passes * 50);
        EXPECT_FALSE(splash.isVisible());
    }
}

TEST(Help, EveryContextHasATopic) {
    HelpViewer help(TONMARK_HELP_DIR);
    for (int context : {1, 5, 6, 7, 9, 10, 11, 14, 21, 23, 24, 26}) {
        EXPECT_TRUE(help.ShowContext(context)) << context;
        EXPECT_TRUE(QFile::exists(help.Folder() + "/" + help.CurrentTopic())) << context;
    }
    help.hide();
}

} // namespace
} // namespace tonmark::test
