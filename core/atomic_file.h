#pragma once
// Replacing a file without ever losing the one that was there: the new bytes
// go to a temporary file in the same folder, are flushed to disk, and only
// then renamed over the target. On any failure the temporary file is removed
// and the target is left byte for byte as it was.
//
// Reading takes regular files only, without blocking on a FIFO or a device,
// and refuses one larger than the caller's limit before reading it.
//
// Errors: the functions return a FileResult whose reason is the system's
// (strerror text, or the text below) and never throw. A process that writes files under a
// file-size limit must ignore SIGXFSZ (the programs' main does), so that the
// limit comes back as "File too large" instead of killing it.
#include <cstddef>
#include <string>
#include <string_view>

#include "core/file_result.h"

namespace tonmark {

// Reasons of our own, beside the system's.
inline constexpr const char* kNotRegularFile = "Not a regular file";

// Writes bytes as the file path names. A symbolic link is followed and the
// file it names is replaced (the link stays). A target that exists but is not
// a regular file, or that is read-only, is refused. The new file keeps the
// permissions of the one it replaces, else 0644 less the umask. Fails with
// CannotWrite.
FileResult WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes bytes as the new file path names, only when nothing is there: an
// existing file (or link, folder, anything) is left as it is and created
// stays false. The file appears whole or not at all, also when another
// process creates it at the same moment. The folder must exist. Permissions
// 0666 less the umask. Fails with CannotWrite.
FileResult CreateFileAtomically(const std::string& path, std::string_view bytes, bool& created);

// Largest file the readers of this program take unless they say otherwise:
// far beyond any audiogram, calibration or settings file.
inline constexpr size_t kMaxReadBytes = 1 << 20;

// Reads a whole regular file of at most maxBytes bytes. Fails with CannotOpen
// when it cannot be opened or read, is not a regular file, or is larger
// ("File too large").
FileResult ReadWholeFile(const std::string& path, std::string& bytes,
                         size_t maxBytes = kMaxReadBytes);

} // namespace tonmark
