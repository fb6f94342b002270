#pragma once
// Failures that end an event handler and are shown by the general error
// handler as a message box with exactly this text; the program then goes on.
#include <stdexcept>
#include <string>

namespace tonmark {

class TonmarkError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A setting's text that is not a number where a number is required.
class ConvertError : public TonmarkError {
  public:
    using TonmarkError::TonmarkError;
};

// The wave output device could not be opened, or failed or vanished while a
// pulse was playing. A running test ends with this text instead of waiting for
// a pulse that will never finish.
class SoundOutputError : public TonmarkError {
  public:
    using TonmarkError::TonmarkError;
};

} // namespace tonmark
