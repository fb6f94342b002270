#pragma once
// Texts in files are single-byte Windows-1252, so that files are exchanged
// byte for byte with Windows systems. In memory texts are UTF-8.
#include <string>
#include <string_view>

namespace tonmark {

// UTF-8 -> Windows-1252. A character the code page cannot represent, and any
// malformed UTF-8 sequence, becomes '?'.
std::string Utf8ToAnsi(std::string_view utf8);

// Windows-1252 -> UTF-8. The five bytes the code page leaves undefined map to
// the control characters of the same number, so every byte round-trips.
std::string AnsiToUtf8(std::string_view ansi);

// The first maxChars characters of a UTF-8 text (malformed bytes count as one).
std::string Utf8Prefix(std::string_view utf8, size_t maxChars);

} // namespace tonmark
