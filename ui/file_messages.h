#pragma once
// The user's texts for files that could not be read or written: the one place
// where a FileResult becomes a message. Shared by the windows and the tool.
#include <string>

#include "core/file_result.h"
#include "core/run_services.h"

namespace tonmark {

inline constexpr const char* kMsgNotAudiogram = "File is not a valid Audiogram!";
inline constexpr const char* kMsgNotCalibration = "Not a valid Calibration Data File";
inline constexpr const char* kMsgSaveError = "There was an error trying to save";

// "Cannot open file "%s". %s": a file that could not be read, with the
// system's reason.
std::string CannotOpenMessage(const std::string& fileName, const std::string& reason);

// CannotOpenMessage for a file that could not be read; notThisKind
// (kMsgNotAudiogram, kMsgNotCalibration) for one that is not of its kind or is
// damaged. Empty for a result that is done.
std::string ReadFailureMessage(const FileResult& result, const char* notThisKind);

// text, then the file and the system's reason on a line of their own:
// "There was an error trying to save\n"/tmp/a.aud": Permission denied".
std::string FailureWithReason(const std::string& text, const FileResult& result);

// "Cannot create file "%s". %s".
std::string CannotCreateMessage(const FileResult& result);

// Reports a read as the windows do and returns true when it was done. A file
// that could not be opened ends the handler through the general error
// handler (throws TonmarkError); one that is not of its kind, or damaged, gets
// notThisKind in a message box and the handler goes on.
bool ReportRead(const FileResult& result, const char* notThisKind, Dialogs& dialogs);

} // namespace tonmark
