#pragma once
// The conversions of the numbers the user types in the settings dialog.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tonmark {

// Whole number as the strict integer conversion accepts it: optional leading
// blanks, an optional sign, decimal digits, and nothing else; within int32.
std::optional<int32_t> ParseStrictInteger(std::string_view text);

// A finite decimal number; '.' or ',' as the decimal separator, surrounding
// blanks ignored.
std::optional<double> ParseLenientReal(std::string_view text);

} // namespace tonmark
