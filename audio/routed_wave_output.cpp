#include "audio/routed_wave_output.h"

namespace tonmark {

RoutedWaveOutput::RoutedWaveOutput(std::shared_ptr<OwnStreamVolume> waveVolume)
    : server_(std::move(waveVolume)) {}

WaveOutput& RoutedWaveOutput::Choose(int device) {
    // The other back end may still hold a stream from an earlier open.
    active_->ClosePulseOutput();
    bool serverDevice = device == -1;
    if (!serverDevice) {
        const std::string name = portAudio_.DeviceName(device);
        serverDevice = name == "pulse" || name == "default";
    }
    // A server that is there but does not answer is reported as such by its
    // own stream; only where there is no server at all does PortAudio play.
    const bool server = serverDevice && (server_.WaitConnected(PulseStreamOutput::kConnectLimit) ||
                                         !server_.ConnectionFailed());
    active_ = server ? static_cast<WaveOutput*>(&server_) : &portAudio_;
    return *active_;
}

} // namespace tonmark
