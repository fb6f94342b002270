// Results measured and not saved: New Test, New, Open and Exit ask before
// they drop them, and nothing else does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <filesystem>

#include "core/threshold_run.h"
#include "storage/audiogram_file.h"
#include "support/run_end.h"
#include "support/same_measurements.h"
#include "ui/file_messages.h"
#include "ui_fixture.h"

namespace tonmark::test {
namespace {

enum class Command { NewTest, New, Open, Exit, CloseBox };
// What the user does with the question, and with the Save As dialog after Yes.
enum class Answer { YesAndSaved, YesButSaveCancelled, YesButSaveFails, No, Cancel };

class UnsavedResults : public UiFixture {
  protected:
    UnsavedResults() {
        // An audiogram of someone else, to open.
        otherFile = (dir / "other.aud").string();
        PersonalData other;
        other.LastName = "Other";
        PatientFile record;
        ClearAudiogram(record);
        EXPECT_TRUE(WriteFile(otherFile, record, other, DateContext{}).Done());
        StartProgram();
    }

    // The program's start, with a calibration, a short test and a listener.
    void StartProgram() {
        windows.reset();
        program.state = ProgramState{};
        dialogs = RecordingDialogs{};
        Start();
        test = windows->test.get();
        program.state.CalibrationLoaded = true;
        // 1000 Hz on both ears, nothing else.
        Settings& s = program.settings;
        s.TestFrequency = {};
        s.TrialRun = s.RetestAt1kHz = s.AutoRetest = false;
        s.TestFrequency[4] = true;
        s.SetCtrl(true);
        hearsFrom = 30;
        Listen();
        main->txtFirstName->setText("Ann");
        main->txtLastName->setText("Smith");
    }

    // A subject behind CTRL who hears hearsFrom dB HL and more; each pulse
    // of the fake output ends at its second wait.
    void Listen() {
        waveOutput->waitHook = [this] {
            if (++waits_ % 2 == 0) {
                Key(QEvent::KeyRelease, Qt::NoModifier);
                return true;
            }
            if (program.state.Run.TestLevel + 70 >= hearsFrom)
                Key(QEvent::KeyPress, Qt::ControlModifier);
            return false;
        };
    }

    void Key(QEvent::Type type, Qt::KeyboardModifiers mods) {
        QKeyEvent e(type, Qt::Key_Control, mods);
        QApplication::sendEvent(test, &e);
    }

    // A whole test through the menu, with results.
    void Measure() {
        main->NewTest1->trigger();
        EXPECT_TRUE(RunEnds(*main));
        ASSERT_TRUE(program.state.AudiogramValid);
        ASSERT_EQ(dialogs.messages.back(), kMsgCompleted);
        ASSERT_NE(program.state.Record.Threshold[0][4], NotMeasured);
    }

    // Runs the command as the user gives it.
    void Run(Command c) {
        switch (c) {
        case Command::NewTest:
            main->NewTest1->trigger();
            EXPECT_TRUE(RunEnds(*main));
            break;
        case Command::New:
            main->New1->trigger();
            break;
        case Command::Open:
            files.opens.push_back(otherFile);
            main->Open1->trigger();
            break;
        case Command::Exit:
            main->Exit1->trigger();
            break;
        case Command::CloseBox:
            main->close();
            break;
        }
        QApplication::processEvents();
    }

    // The command did what it does, from the state it leaves.
    bool WentOn(Command c, int completedBefore) {
        switch (c) {
        case Command::NewTest:
            return std::count(dialogs.messages.begin(), dialogs.messages.end(),
                              std::string(kMsgCompleted)) > completedBefore;
        case Command::New:
            return main->txtLastName->text().isEmpty();
        case Command::Open:
            return main->txtLastName->text() == "Other";
        case Command::Exit:
        case Command::CloseBox:
            return !main->isVisible();
        }
        return false;
    }

    int Questions() const { return dialogs.yesNoCancelShown; }

    TfrmTest* test = nullptr;
    std::string otherFile;
    double hearsFrom = 30;

  private:
    int waits_ = 0;
};

class EachCommandAndAnswer : public UnsavedResults,
                             public ::testing::WithParamInterface<std::tuple<Command, Answer>> {};

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Command, Answer>>& info) {
    static const char* const commands[] = {"NewTest", "New", "Open", "Exit", "CloseBox"};
    static const char* const answers[] = {"YesAndSaved", "YesButSaveCancelled", "YesButSaveFails",
                                          "No", "Cancel"};
    return std::string(commands[static_cast<int>(std::get<0>(info.param))]) + "_" +
           answers[static_cast<int>(std::get<1>(info.param))];
}

TEST_P(EachCommandAndAnswer, SavesDropsOrKeepsAsAnswered) {
    const auto [command, answer] = GetParam();
    Measure();
    const PatientFile measured = program.state.Record;
    const int completed = 1;
    const std::string saved = (dir / "Ann Smith.aud").string();
    dialogs.yesNoCancelAnswer = answer == Answer::No       ? ModalResult::No
                                : answer == Answer::Cancel ? ModalResult::Cancel
                                                           : ModalResult::Yes;
    if (answer == Answer::YesAndSaved)
        files.saves.push_back(FileDialogs::SaveChoice{saved, 1});
    else if (answer == Answer::YesButSaveFails)
        files.saves.push_back(FileDialogs::SaveChoice{dir.string(), 1}); // a folder
    const size_t messages = dialogs.messages.size();

    Run(command);

    ASSERT_EQ(Questions(), 1);
    EXPECT_EQ(dialogs.messages[messages], "Save the audiogram of Ann Smith first?");
    const bool goesOn = answer == Answer::YesAndSaved || answer == Answer::No;
    EXPECT_EQ(WentOn(command, completed), goesOn);
    if (answer == Answer::YesAndSaved) {
        PatientFile back;
        PersonalData personal;
        ASSERT_TRUE(ReadFile(saved, back, personal, main->Dates(), 1).Done());
        EXPECT_TRUE(SameMeasurements(back, measured));
        EXPECT_EQ(personal.LastName, "Smith");
    } else {
        EXPECT_FALSE(std::filesystem::exists(saved));
    }
    if (answer == Answer::YesButSaveFails) {
        EXPECT_EQ(dialogs.messages[messages + 1].rfind(kMsgSaveError, 0), 0u);
    }
    if (!goesOn) {
        // Everything as it was, and still unsaved: the next Exit asks again.
        EXPECT_TRUE(SameMeasurements(program.state.Record, measured));
        EXPECT_EQ(main->txtLastName->text(), "Smith");
        EXPECT_TRUE(main->isVisible());
        dialogs.yesNoCancelAnswer = ModalResult::No;
        main->Exit1->trigger();
        EXPECT_EQ(Questions(), 2);
        EXPECT_FALSE(main->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, EachCommandAndAnswer,
    ::testing::Combine(::testing::Values(Command::NewTest, Command::New, Command::Open,
                                         Command::Exit, Command::CloseBox),
                       ::testing::Values(Answer::YesAndSaved, Answer::YesButSaveCancelled,
                                         Answer::YesButSaveFails, Answer::No, Answer::Cancel)),
    CaseName);

// Only results that a test measured and that were not saved as an audiogram
// since bring the question.
TEST_F(UnsavedResults, AskOnlyAboutResultsNotSavedSinceTheyWereMeasured) {
    const struct {
        const char* name;
        std::function<void()> before;
        bool asks;
    } cases[] = {
        {"nothing measured", [] {}, false},
        {"saved as an audiogram",
         [&] {
             Measure();
             files.saves.push_back(FileDialogs::SaveChoice{(dir / "a.aud").string(), 1});
             main->Save1->trigger();
         },
         false},
        {"exported as text only",
         [&] {
             Measure();
             files.saves.push_back(FileDialogs::SaveChoice{(dir / "a.txt").string(), 2});
             main->Save1->trigger();
         },
         true},
        {"opened from a file after No",
         [&] {
             Measure();
             dialogs.yesNoCancelAnswer = ModalResult::No;
             Run(Command::Open);
         },
         false},
        {"a new one after No",
         [&] {
             Measure();
             dialogs.yesNoCancelAnswer = ModalResult::No;
             Run(Command::New);
         },
         false},
        {"a test stopped at its first pulse",
         [&] {
             waveOutput->waitHook = [this] {
                 QKeyEvent e(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                 QApplication::sendEvent(test, &e);
                 return true;
             };
             main->NewTest1->trigger();
             EXPECT_TRUE(RunEnds(*main));
             ASSERT_EQ(dialogs.messages.back(), kMsgStopped);
         },
         false},
        {"saved, then retested",
         [&] {
             Measure();
             files.saves.push_back(FileDialogs::SaveChoice{(dir / "c.aud").string(), 1});
             main->Save1->trigger();
             program.state.Record.Spread(0, 5) = 20; // 1000 Hz left: for retest
             hearsFrom = 40;
             main->Retest1->trigger();
             EXPECT_TRUE(RunEnds(*main));
             ASSERT_EQ(dialogs.messages.back(), kMsgCompleted);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartProgram();
        c.before();
        const int asked = Questions();
        dialogs.yesNoCancelAnswer = ModalResult::No;
        main->Exit1->trigger();
        EXPECT_EQ(Questions() - asked, c.asks ? 1 : 0);
        EXPECT_FALSE(main->isVisible());
    }
}

TEST_F(UnsavedResults, TheQuestionNamesThePerson) {
    Measure();
    dialogs.yesNoCancelAnswer = ModalResult::Cancel;
    const struct {
        const char* first;
        const char* last;
        const char* question;
    } cases[] = {
        {"Ann", "Smith", "Save the audiogram of Ann Smith first?"},
        {"Ann", "", "Save the audiogram of Ann first?"},
        {"", "Smith", "Save the audiogram of Smith first?"},
        {"", "", "Save the audiogram of (no name) first?"},
        {" ", " ", "Save the audiogram of (no name) first?"},
    };
    for (const auto& c : cases) {
        main->txtFirstName->setText(c.first);
        main->txtLastName->setText(c.last);
        main->New1->trigger();
        EXPECT_EQ(dialogs.messages.back(), c.question);
    }
}

// A signal ends the program without a question, also while one is open.
TEST_F(UnsavedResults, ASignalEndsWithoutAsking) {
    Measure();
    main->RequestClose();
    QApplication::processEvents();
    EXPECT_EQ(Questions(), 0);
    EXPECT_FALSE(main->isVisible());

    StartProgram();
    Measure();
    // The signal comes while the user's Exit asks; the question then goes
    // as its close box would close it.
    dialogs.yesNoCancelHook = [this] {
        main->RequestClose();
        return ModalResult::Cancel;
    };
    main->Exit1->trigger();
    QApplication::processEvents();
    EXPECT_EQ(Questions(), 1);
    EXPECT_FALSE(main->isVisible());
}

} // namespace
} // namespace tonmark::test
