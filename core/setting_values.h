#pragma once
// Conversion of the numeric settings, which the settings dialog keeps as the
// user's text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace tonmark {

// Whole number as the strict integer conversion accepts it: optional leading
// blanks, an optional sign, decimal digits, and nothing else; within int32.
std::optional<int32_t> ParseStrictInteger(std::string_view text);

// A finite decimal number; '.' or ',' as the decimal separator, surrounding
// blanks ignored.
std::optional<double> ParseLenientReal(std::string_view text);

// Lenient: a text that is not a finite number gives the setting's initial
// value (1 s, 1 s, 30 s, 3 dB), so a damaged store never yields a zero-length
// period or a zero step.
double SettingReal(const Settings& settings, std::string_view name);

// Lenient integer: a whole number is taken as it is, a decimal number is
// truncated toward zero, anything else gives the initial value.
int32_t SettingInteger(const Settings& settings, std::string_view name);

// Strict: throws ConvertError "'%s' is not a valid integer value".
int32_t SettingIntegerStrict(const Settings& settings, std::string_view name);

} // namespace tonmark
