#pragma once
// The output watch on a PulseAudio-compatible server (PulseAudio itself or
// PipeWire's pulse server), through libpulse: a connection of its own,
// driven by a libpulse threaded main loop, subscribed to the server's sink
// and server events. On each event the watcher's thread reads the server's
// default sink and every sink afresh and compares the states with the armed
// one; volumes are compared exactly as the server's per-channel values, so
// a volume the program set itself through PulseEndpointVolume (another
// connection) and then armed compares equal, and one a single step away
// does not.
//
// Threading: as OutputWatch. The watcher's thread is the main loop's; it is
// started by the constructor and joined by the destructor.
//
// Errors: a server that is missing, stopped or goes away never blocks the
// caller for more than about 2 s (Arm's bound). A server that goes away
// while armed is reported by Change as "The sound server stopped."; the next
// Arm connects afresh.
#include <memory>

#include "audio/output_watch.h"

namespace tonmark {

class PulseOutputWatch final : public OutputWatch {
  public:
    // Starts connecting and returns at once; the first Arm waits for the
    // connection.
    PulseOutputWatch();
    ~PulseOutputWatch() override;
    PulseOutputWatch(const PulseOutputWatch&) = delete;
    PulseOutputWatch& operator=(const PulseOutputWatch&) = delete;

    SoundStatus Arm() override;
    std::string Change() const override;
    void Disarm() override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

} // namespace tonmark
