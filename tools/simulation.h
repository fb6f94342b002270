#pragma once
// A test run without sound or windows: every pulse finishes at once and a
// subject model decides what is heard. Used by `tonmark-tool simulate`, the
// tests and the benchmarks.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/program_state.h"
#include "core/run_commands.h"
#include "core/run_services.h"

namespace tonmark {

struct PulseInfo {
    int ear;
    int slot;
    int32_t hz;      // frequency of the slot when played
    double levelHL;  // dB HL
    int indexInSlot; // 1, 2, ... since the slot began; never wraps
    long totalIndex; // 1, 2, ... over the whole object's life
};

class SilentServices final : public TestRunServices {
  public:
    explicit SilentServices(ProgramState& state) : state_(state) {}

    // Decides per pulse whether the subject responds. Unset: never.
    std::function<bool(const PulseInfo&)> subject;
    // Runs while a pulse plays (inside AwaitPulse), e.g. an operator pressing
    // Next; may set state.StopRequested.
    std::function<void(const PulseInfo&)> duringPulse;
    // Pulse number (totalIndex) at which the output device fails; 0 = never,
    // negative = the device cannot even be opened.
    long failAtPulse = 0;
    // Pulse numbers (totalIndex) that the output breaks: their periods come
    // back damaged, as from an output that reported an underflow.
    std::set<long> damagedPulses;
    // Whether to keep a log of every call, for tests of the call order.
    bool keepLog = false;

    long pulses() const { return totalPulses_; }
    const std::vector<std::string>& log() const { return log_; }
    int openCalls = 0, closeCalls = 0, beginCalls = 0, endCalls = 0, repaints = 0;
    std::string nextCaption, testCaption;

    void BeginTestRun() override;
    void WaitForRelease() override;
    void SetNextCaption(const std::string& text) override;
    void OpenTestOutput(int k) override;
    void ShowTestWindow() override;
    void SetTestCaption(const std::string& text) override;
    void BeginSlotTrace(int ear, double level) override;
    void ApplySlotLevels(int ear, int slot) override;
    void PlayPulse(int ear, int slot, double level) override;
    void DrawTraceSegment(int n) override;
    PulseOutcome AwaitPulse() override;
    void RepaintChart() override;
    void CloseTestOutput() override;
    void EndTestRun() override;

  private:
    void Log(std::string s) {
        if (keepLog)
            log_.push_back(std::move(s));
    }
    ProgramState& state_;
    long totalPulses_ = 0;
    int slotPulses_ = 0;
    PulseInfo current_{};
    std::vector<std::string> log_;
};

// Records every text shown and answers from fixed choices.
class RecordingDialogs final : public Dialogs {
  public:
    std::vector<std::string> messages; // texts of every box and dialog, in order
    std::vector<int> helpTopics;
    bool okCancelAnswer = true;      // OK
    bool yesNoAnswer = false;        // No
    bool confirmationAnswer = false; // No
    ModalResult onceAnswer = ModalResult::No;
    bool onceTickDontShow = false;
    bool recordOnceDialog = true;
    int onceShown = 0;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    bool ConfirmOkCancel(const std::string& text) override {
        messages.push_back(text);
        return okCancelAnswer;
    }
    bool AskYesNo(const std::string& text, const std::string&) override {
        messages.push_back(text);
        return yesNoAnswer;
    }
    // Called, when set, while the Yes/No/Cancel question is open; what it
    // returns is the answer.
    std::function<ModalResult()> yesNoCancelHook;
    ModalResult yesNoCancelAnswer = ModalResult::Cancel;
    int yesNoCancelShown = 0;
    ModalResult AskYesNoCancel(const std::string& text, const std::string&) override {
        messages.push_back(text);
        ++yesNoCancelShown;
        return yesNoCancelHook ? yesNoCancelHook() : yesNoCancelAnswer;
    }
    bool AskConfirmation(const std::string& text, int) override {
        messages.push_back(text);
        return confirmationAnswer;
    }
    ModalResult AskWithDontShowAgain(const std::string& text, const std::string&, DialogType,
                                     bool& dontShowAgain) override {
        if (recordOnceDialog)
            messages.push_back(text);
        ++onceShown;
        dontShowAgain = onceTickDontShow;
        return onceAnswer;
    }
    void ShowErrorBox(const std::string& text, const std::string& caption) override {
        messages.push_back(text);
        captions.push_back(caption);
    }
    void ShowHelpTopic(int context) override { helpTopics.push_back(context); }
    void ShowHelpTopicAndWait(int context) override {
        helpTopics.push_back(context);
        waitedHelpTopics.push_back(context);
    }
    std::vector<int> waitedHelpTopics; // of these, the ones the program waited for
    std::vector<std::string> captions; // of the error boxes
};

class FixedClock final : public Clock {
  public:
    explicit FixedClock(LocalDateTime t) : t_(t) {}
    LocalDateTime Now() override { return t_; }

  private:
    LocalDateTime t_;
};

class MemoryOnceStore final : public OnceValueStore {
  public:
    std::map<std::string, bool> values;
    bool ValueExists(const std::string& name) override { return values.count(name) > 0; }
    void WriteTrue(const std::string& name) override { values[name] = true; }
};

// A subject who hears a pulse exactly when its level is at or above the
// threshold of that ear and frequency; frequencies without a threshold are
// never heard.
struct ThresholdSubject {
    std::map<int32_t, double> thresholds[2]; // ear -> Hz -> dB HL
    bool Hears(const PulseInfo& p) const {
        const auto it = thresholds[p.ear].find(p.hz);
        return it != thresholds[p.ear].end() && p.levelHL >= it->second;
    }
};

} // namespace tonmark
