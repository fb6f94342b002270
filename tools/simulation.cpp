#include "tools/simulation.h"

#include "core/errors.h"

namespace tonmark {

void SilentServices::BeginTestRun() {
    ++beginCalls;
    Log("BeginTestRun");
}

void SilentServices::WaitForRelease() {
    Log("WaitForRelease");
}

void SilentServices::SetNextCaption(const std::string& text) {
    nextCaption = text;
    Log("SetNextCaption " + text);
}

void SilentServices::OpenTestOutput(int k) {
    ++openCalls;
    Log("OpenTestOutput " + std::to_string(k));
    if (failAtPulse < 0)
        throw SoundOutputError("The sound output device could not be opened.");
}

void SilentServices::ShowTestWindow() {}

void SilentServices::SetTestCaption(const std::string& text) {
    testCaption = text;
    Log("Caption " + text);
}

void SilentServices::BeginSlotTrace(int ear, double level) {
    // A new slot starts counting its own pulses, even when the same slot of
    // the same ear is measured again in a later run.
    slotPulses_ = 0;
    Log("BeginSlotTrace " + std::to_string(ear) + " " + std::to_string(level + 70));
}

void SilentServices::ApplySlotLevels(int ear, int slot) {
    Log("ApplySlotLevels " + std::to_string(ear) + " " + std::to_string(slot));
}

void SilentServices::PlayPulse(int ear, int slot, double level) {
    ++totalPulses_;
    ++slotPulses_;
    current_ =
        PulseInfo{ear, slot, state_.SlotFrequency[slot], level + 70, slotPulses_, totalPulses_};
    if (failAtPulse > 0 && totalPulses_ >= failAtPulse)
        throw SoundOutputError("The sound output device stopped working.");
}

void SilentServices::DrawTraceSegment(int) {}

PulseOutcome SilentServices::AwaitPulse() {
    if (duringPulse)
        duringPulse(current_);
    PulseOutcome outcome;
    outcome.heard = subject ? subject(current_) : false;
    outcome.damaged = damagedPulses.count(current_.totalIndex) > 0;
    return outcome;
}

void SilentServices::RepaintChart() {
    ++repaints;
    Log("RepaintChart");
}

void SilentServices::CloseTestOutput() {
    ++closeCalls;
    Log("CloseTestOutput");
}

void SilentServices::EndTestRun() {
    ++endCalls;
    Log("EndTestRun");
}

} // namespace tonmark
