#include "ui/file_messages.h"

#include "core/errors.h"

namespace tonmark {

std::string CannotOpenMessage(const std::string& fileName, const std::string& reason) {
    return "Cannot open file \"" + fileName + "\". " + reason;
}

std::string ReadFailureMessage(const FileResult& result, const char* notThisKind) {
    switch (result.failure) {
    case FileFailure::None:
        return {};
    case FileFailure::CannotOpen:
    case FileFailure::CannotWrite:
        return CannotOpenMessage(result.path, result.reason);
    case FileFailure::WrongKind:
    case FileFailure::Damaged:
        break;
    }
    return notThisKind;
}

std::string FailureWithReason(const std::string& text, const FileResult& result) {
    return text + "\n\"" + result.path + "\": " + result.reason;
}

std::string CannotCreateMessage(const FileResult& result) {
    return "Cannot create file \"" + result.path + "\". " + result.reason;
}

bool ReportRead(const FileResult& result, const char* notThisKind, Dialogs& dialogs) {
    switch (result.failure) {
    case FileFailure::None:
        return true;
    case FileFailure::CannotOpen:
    case FileFailure::CannotWrite:
        throw TonmarkError(ReadFailureMessage(result, notThisKind));
    case FileFailure::WrongKind:
    case FileFailure::Damaged:
        break;
    }
    dialogs.ShowMessage(notThisKind);
    return false;
}

} // namespace tonmark
