#pragma once
// Playing the buffers of the tone synthesis on a wave output device: once per
// pulse for a test, or looping for a calibration tone. Format fixed: PCM,
// 2 channels, 44100 frames per second, 16-bit little-endian samples.
//
// Threading: every method is called on the user-interface thread. An
// implementation may run its own audio thread, which only copies from the
// buffer it was handed and sets flags; it never calls back into the program.
//
// Ownership: the buffer handed to PlayPulseBuffer or PreparePlay belongs to
// the caller and must stay alive and unchanged until IsPulseDone returned true,
// or ClosePulseOutput / FinishPlay returned.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tonmark {

// The one buffer header shared by both ways of playing.
struct WaveHeader {
    static constexpr uint32_t kDone = 1;
    static constexpr uint32_t kBeginLoop = 4;
    static constexpr uint32_t kEndLoop = 8;
    const unsigned char* data = nullptr;
    uint32_t bufferLength = 0; // bytes
    uint32_t flags = 0;
    uint32_t loops = 0; // repetitions; 0xFFFFFFFF is endless in practice
    uint32_t reserved = 0;
};

class WaveOutput {
  public:
    virtual ~WaveOutput() = default;

    // The output devices as the settings list shows them, index = device
    // number: the device name + " Driver Version " + a version. Empty when
    // there is no device or no sound system.
    virtual std::vector<std::string> DeviceEntries() = 0;

    // Pulse playback. device is an index of DeviceEntries, or -1 for the
    // default device. Returns false when the device cannot be opened; the
    // failure is then also in Failure().
    virtual bool OpenPulseOutput(int device) = 0;
    // Starts one play of the buffer and returns at once.
    virtual void PlayPulseBuffer(std::string_view buffer) = 0;
    // True once the buffer's last frame has reached the listener, as far as
    // the sound system can tell (within the output's own latency): a response
    // up to the end of the pause as heard belongs to this pulse.
    virtual bool IsPulseDone() = 0;
    // Blocks the calling (user-interface) thread until the pulse is done, the
    // device failed, or timeoutMs (>= 0) passed; returns IsPulseDone(). An
    // implementation wakes the caller as soon as the pulse ends instead of
    // sleeping out the timeout, so a waiter that polls the response button
    // every 50 ms does not add up to 50 ms to every pulse period.
    virtual bool WaitPulseDone(int timeoutMs) = 0;
    // Releases the header, stops and closes the device. Safe when not open.
    virtual void ClosePulseOutput() = 0;

    // Looping playback: opens the device and prepares the buffer for loops
    // repetitions (-1 = 0xFFFFFFFF) without starting it.
    virtual bool PreparePlay(int device, std::string_view buffer, int loops) = 0;
    // Starts what PreparePlay prepared.
    virtual void StartPlay() = 0;
    // Stops at once, releases the header, closes the device. Safe when not open.
    virtual void FinishPlay() = 0;

    // Empty while all is well; otherwise why the device could not be opened,
    // or why it stopped while playing. A pulse whose device failed never
    // becomes done, so callers poll this while they wait.
    virtual std::string Failure() const = 0;

    // Holes the output reported since the device was opened: each time the
    // sound ran dry while a buffer was still playing, so the listener heard
    // silence inside a tone or pause. A caller compares the count before and
    // after a pulse to know whether that pulse was played whole.
    virtual int64_t Underflows() const = 0;

    virtual const WaveHeader& Header() const = 0;
};

} // namespace tonmark
