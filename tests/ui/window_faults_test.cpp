// What a new user ran into in the windows: each case would have caught its
// fault.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QShortcut>
#include <filesystem>

#include "core/atomic_file.h"
#include "core/errors.h"
#include "ui/gdi_canvas.h"
#include "ui/help_viewer.h"
#include "ui/qt_dialogs.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

using WindowFaults = UiFixture;

TEST_F(WindowFaults, AFaultyStartLevelIsReportedOncePerValue) {
    Start();
    // Reversal traces start from the start level.
    int32_t* row = program.state.Record.Reverse[0][4];
    row[0] = 4;
    row[1] = 30, row[2] = 21, row[3] = 27, row[4] = 24;
    program.state.AudiogramValid = true;
    program.settings.ShowReversalGraph = true;
    errors.clear();
    program.settings.StartLevel.SetText("high");
    for (int i = 0; i < 5; ++i) // a resize repaints again and again
        main->pbxAudiogramPaint();
    QApplication::processEvents(); // the message comes after the paint
    EXPECT_EQ(errors.size(), 1u);
    program.settings.StartLevel.SetText("higher");
    main->pbxAudiogramPaint();
    main->pbxAudiogramPaint();
    QApplication::processEvents();
    EXPECT_EQ(errors.size(), 2u);
}

TEST_F(WindowFaults, UnwritableSettingsNameTheFileAndCancelStillCloses) {
    Start();
    main->Options1->trigger();
    ASSERT_TRUE(settings->isVisible());
    std::filesystem::permissions(storePath, std::filesystem::perms::owner_read);
    try {
        settings->OKClick();
        FAIL() << "the failed save must be reported";
    } catch (const TonmarkError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Failed to set data for 'Test 125Hz'", 0), 0u) << text;
        EXPECT_NE(text.find(storePath), std::string::npos) << text;
        EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    }
    EXPECT_TRUE(settings->isVisible()) << "a failed OK keeps the edits";
    // Even when the settings cannot be read back, Cancel closes.
    WriteStore("not json");
    std::filesystem::permissions(storePath, std::filesystem::perms::owner_read);
    EXPECT_ANY_THROW(settings->CancelClick());
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(WindowFaults, TheMainWindowDoesNotCloseUnderTheSettingsDialog) {
    Start();
    main->Options1->trigger();
    ASSERT_FALSE(main->isEnabled());
    main->close();
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(settings->isVisible()) << "the edits in the dialog are still there";
    settings->CancelClick();
    EXPECT_TRUE(main->close());
}

TEST_F(WindowFaults, TheColourListKeepsItsEntryAfterAColourChange) {
    Start();
    settings->show();
    QApplication::setActiveWindow(settings);
    QApplication::processEvents();
    EXPECT_EQ(settings->ColourList->currentIndex(), 0) << "opening shows the first entry";
    settings->ColourList->setCurrentIndex(3);
    files.colours.push_back(0x00123456);
    settings->ChangeClick();
    // The colour dialog took the activation and gives it back.
    QApplication::setActiveWindow(main);
    QApplication::setActiveWindow(settings);
    QApplication::processEvents();
    EXPECT_EQ(settings->ColourList->currentIndex(), 3);
    EXPECT_EQ(program.settings.GraphColour(3), 0x00123456u);
    settings->CancelClick();
}

TEST_F(WindowFaults, TheAudiogramFrameTakesTheWindowColourAtStart) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(storePath, bytes).Done());
    QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(bytes)).object();
    o["Colour Application Background"] = 0x0000C000; // green
    WriteStore(QJsonDocument(o).toJson().toStdString());
    Start();
    const QImage shot = main->grab().toImage();
    const QPoint inFrame = main->grpGraph->mapTo(main, QPoint(12, 150));
    // The style shades a frame's inside a little.
    const QColor c = shot.pixelColor(inFrame);
    EXPECT_EQ(c.red(), 0);
    EXPECT_EQ(c.blue(), 0);
    EXPECT_NEAR(c.green(), 0xC0, 6);
}

TEST_F(WindowFaults, F1OpensTheHelpOfWhatIsOnScreen) {
    Start();
    settings->show();
    settings->SettingsPages->setCurrentWidget(settings->GraphSettings);
    const auto shortcuts = settings->findChildren<QShortcut*>();
    const auto f1 = std::find_if(shortcuts.begin(), shortcuts.end(),
                                 [](QShortcut* s) { return s->key() == QKeySequence(Qt::Key_F1); });
    ASSERT_NE(f1, shortcuts.end());
    emit(*f1)->activated();
    ASSERT_FALSE(dialogs.helpTopics.empty());
    EXPECT_EQ(dialogs.helpTopics.back(), 9);
    settings->CancelClick();
}

TEST_F(WindowFaults, MessagesAndHelpBelongAboveTheAlwaysOnTopWindows) {
    Start();
    EXPECT_EQ(DialogParent(), QApplication::activeWindow());
    settings->show();
    EXPECT_EQ(DialogParent(), settings) << "a message would open behind the dialog";
    settings->CancelClick();
    HelpViewer help(TONMARK_HELP_DIR);
    EXPECT_TRUE(help.windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(WindowFaults, TheSaveSuffixFollowsTheChosenType) {
    EXPECT_EQ(SuffixForFilter(QStringLiteral("ASCII-Text (*.txt)")), QStringLiteral("txt"));
    EXPECT_EQ(SuffixForFilter(QStringLiteral("Audiogram (*.aud)")), QStringLiteral("aud"));
    EXPECT_EQ(SuffixForFilter(QStringLiteral("All files (*)")), QString());
}

TEST_F(WindowFaults, AnOpenedCommentIsReadFromItsStart) {
    Start();
    PersonalData pd = main->Personal();
    pd.Comment = std::string(300, 'c');
    const std::string path = (dir / "long.aud").string();
    ASSERT_TRUE(WriteFile(path, program.state.Record, pd, main->Dates()).Done());
    main->OpenAudiogram(path);
    EXPECT_EQ(main->txtComment->cursorPosition(), 0);
}

TEST_F(WindowFaults, TheFirstPaintUsesTheDesignColoursNotBlack) {
    const auto early = std::make_unique<TfrmMain>(program, nullptr);
    TfrmMain* main = early.get();
    main->show();
    main->FormCreate({});
    // Before the settings are read (the first-run questions come then).
    EXPECT_EQ(main->pbxAudiogram->picture.pixelColor(200, 10),
              ColourFromStored(program.settings.GraphColour(2)));
    EXPECT_NE(main->pbxAudiogram->picture.pixelColor(200, 10), QColor(Qt::black));
}

TEST_F(WindowFaults, TheChartFontFitsASmallBox) {
    Start();
    main->resize(main->minimumSize());
    QApplication::processEvents();
    main->pbxAudiogramPaint();
    // Nothing of "-10" reaches the left grid line at x 20.
    const QImage& chart = main->pbxAudiogram->picture;
    const QColor grid = ColourFromStored(program.settings.GraphColour(2));
    const QColor background = ColourFromStored(program.settings.GraphColour(3));
    for (int y = 0; y < 20; ++y)
        EXPECT_TRUE(chart.pixelColor(19, y) == background || chart.pixelColor(19, y) == grid) << y;
}

TEST_F(WindowFaults, EnterAndEscapeDoWhatEachDialogSays) {
    Start();
    auto key = [](QWidget* w, int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    };
    // Settings: Escape cancels, Enter confirms; both close.
    main->Options1->trigger();
    key(settings, Qt::Key_Escape);
    EXPECT_FALSE(settings->isVisible());
    main->Options1->trigger();
    program.settings.TestFrequency[10] = !program.settings.TestFrequency[10];
    key(settings->OK, Qt::Key_Return);
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(main->isEnabled());
    // The main window's fields are reached in reading order.
    const auto nextTabStop = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled());
        return w;
    };
    EXPECT_EQ(nextTabStop(main->txtFirstName), main->txtLastName);
    EXPECT_EQ(nextTabStop(main->txtLastName), main->txtOrganisation);
    EXPECT_EQ(nextTabStop(main->txtReferenceNumber), main->dtpDOB);
}

// The folder picked on the File Handling page is where the file dialogs open;
// the process's working folder, which relative paths depend on, stays.
TEST_F(WindowFaults, ThePickedFolderIsWhereTheFileDialogsOpen) {
    Start();
    const QString before = QDir::currentPath();
    EXPECT_EQ(program.defaultFolder, before.toStdString()) << "the working folder at start";
    auto* model = static_cast<QFileSystemModel*>(settings->DirectoryListBox1->model());
    const QModelIndex picked = model->index(QString::fromStdString(dir.string()));
    ASSERT_TRUE(picked.isValid());
    emit settings->DirectoryListBox1->clicked(picked);
    EXPECT_EQ(program.defaultFolder, dir.string());
    EXPECT_EQ(settings->Dir->text().toStdString(), dir.string());
    EXPECT_EQ(QDir::currentPath(), before);
    main->Open1Click();
    EXPECT_EQ(files.lastFolder, dir.string());
    main->Save1Click();
    EXPECT_EQ(files.lastFolder, dir.string());
}

} // namespace
} // namespace tonmark::test
