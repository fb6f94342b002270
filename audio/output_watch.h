#pragma once
// Watching the sound server's default output while a calibrated sound plays.
// The loudness at the headphones is the calibration's only while the output
// stays exactly as the program left it: the same default output, its volume
// on every channel, its mute and its active port. Anything else that changes
// one of these (a desktop volume key, a mixer program, a headset plugged in)
// makes every level that follows wrong, so the caller stops what it plays.
//
// Use: set the volume yourself, then Arm(); poll Change() while the sound
// plays (every 50 ms is fine); after each further volume set of your own, Arm()
// again; Disarm() when the sound ends.
//
// Threading: Arm, Change and Disarm are called on one thread, the
// user-interface thread. An implementation may watch on a thread of its own,
// which only sets state that Change reads; it never calls back into the
// program. Change never waits for the server.
//
// Errors: Arm reports why the output cannot be watched (the server does not
// answer, there is no default output) as a SoundStatus OutputNotWatched whose
// reason is one sentence for the user; Change reports what changed, also as
// one sentence. Nothing throws.
#include <string>

#include "core/sound_status.h"

namespace tonmark {

class OutputWatch {
  public:
    virtual ~OutputWatch() = default;

    // Takes the default output's state as it is now as the one to keep, and
    // forgets any change reported before. Blocks until the server answered,
    // at most about 2 s. Call it after the program's own volume set has
    // returned: that set then counts as part of the state, however late the
    // server's notice of it arrives. Not armed when it fails.
    virtual SoundStatus Arm() = 0;

    // Empty while armed and nothing changed since Arm, and whenever not
    // armed. Otherwise one sentence naming what changed, e.g. "The volume of
    // the sound output "Headphones" was changed by another program (from
    // 40 % to 100 %)."; it stays until the next Arm or Disarm, even when the
    // output is put back, since the sound in between was not calibrated.
    // Reads what the watcher found; never blocks on the server.
    virtual std::string Change() const = 0;

    // Stops comparing; Change is empty until the next Arm.
    virtual void Disarm() = 0;
};

} // namespace tonmark
