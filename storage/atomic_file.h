#pragma once
// Replacing a file without ever losing the one that was there: the new bytes
// go to a temporary file in the same folder, are flushed to disk, and only
// then renamed over the target. On any failure the temporary file is removed
// and the target is left byte for byte as it was.
#include <string>
#include <string_view>

namespace tonmark {

// Returns an empty string on success, otherwise the system's reason
// (strerror text). Never throws.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

// Reads a whole file. Returns false when it cannot be opened or read; error
// receives the system's reason.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error = nullptr);

} // namespace tonmark
