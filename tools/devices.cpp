// tonmark-tool devices: the sound devices as the settings dialog lists them,
// and the diagnostic listing of every mixer device.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer_listing.h"
#include "tools/back_ends.h"
#include "tools/commands.h"
#include "tools/simulation.h"
#include "ui/mixer_messages.h"

namespace tonmark::tool {

namespace {

// The error boxes of a mixer device that cannot be opened go to stderr.
class StderrDialogs final : public Dialogs {
  public:
    void ShowMessage(const std::string& t) override { std::fprintf(stderr, "%s\n", t.c_str()); }
    bool ConfirmOkCancel(const std::string&) override { return false; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    ModalResult AskYesNoCancel(const std::string&, const std::string&) override {
        return ModalResult::Cancel;
    }
    bool AskConfirmation(const std::string&, int) override { return false; }
    ModalResult AskWithDontShowAgain(const std::string&, const std::string&, DialogType,
                                     bool& d) override {
        d = false;
        return ModalResult::No;
    }
    void ShowErrorBox(const std::string& t, const std::string& c) override {
        std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    }
    void ShowHelpTopic(int) override {}
    void ShowHelpTopicAndWait(int) override {}
};

} // namespace

int Devices(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "usage: tonmark-tool devices\n");
        return 2;
    }
    std::vector<std::string> wave;
    {
        const auto output = MakeWaveOutput();
        wave = output->DeviceEntries();
        // The mixer would wait for the same sound system without end.
        if (!output->PortAudio().SoundSystemAnswered()) {
            std::fprintf(stderr, "tonmark-tool devices: the sound system did not answer\n");
            std::fflush(stderr);
            std::_Exit(1); // its start-up thread may still hang; do not wait for it
        }
    }
    std::printf("Wave output devices:\n");
    for (size_t i = 0; i < wave.size(); ++i)
        std::printf("%zu: %s\n", i, wave[i].c_str());

    StderrDialogs dialogs;
    MixerListing mixer(MakeMixerPlatform());
    const uint32_t count = mixer.CountDevices();
    std::vector<std::vector<std::string>> listings;
    std::printf("Mixer devices:\n");
    for (uint32_t d = 0; d < count; ++d) {
        ReportMixerOpen(mixer.OpenDevice(d), dialogs);
        std::printf("%u: %s Driver Version %s\n", d, mixer.Name().c_str(),
                    mixer.Version().c_str());
        listings.push_back(mixer.Listing());
    }
    for (uint32_t d = 0; d < count; ++d) {
        std::printf("\nMixer device %u:\n", d);
        for (const auto& line : listings[d])
            std::printf("%s\n", line.c_str());
    }
    if (wave.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "tonmark-tool devices: no sound output device answered\n");
        return 1;
    }
    return 0;
}

} // namespace tonmark::tool
