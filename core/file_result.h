#pragma once
// How the readers and writers of files below the windows report: they return
// a FileResult, never throw for a file's fault and never talk to the user.
// A failure names the file and gives the system's reason (strerror text or a
// reason of our own); the windows and the tool turn it into the user's
// message.
#include <string>

namespace tonmark {

enum class FileFailure {
    None,
    CannotOpen,  // the file could not be opened or read
    WrongKind,   // it was read but is not a file of this kind
    Damaged,     // it is of this kind but ends early or holds an impossible value
    CannotWrite, // the file could not be written; any earlier file is unchanged
};

struct [[nodiscard]] FileResult {
    FileFailure failure = FileFailure::None;
    std::string path;
    std::string reason; // empty for WrongKind and Damaged unless said otherwise

    bool Done() const { return failure == FileFailure::None; }
    static FileResult Ok() { return {}; }
    static FileResult Failed(FileFailure failure, std::string path, std::string reason = {}) {
        return {failure, std::move(path), std::move(reason)};
    }
};

} // namespace tonmark
