#pragma once
// The subject's personal data as the main window's fields hold it. Not part
// of the audiogram record, but saved with it.
#include <optional>
#include <string>

#include "storage/short_date.h"

namespace tonmark {

struct PersonalData {
    std::string LastName;
    std::string FirstName;
    std::string ReferenceNumber;
    std::string Organisation;
    // The date picker's date; empty only where no picker exists (the tool
    // before a file gave one), and then written as an empty text.
    std::optional<CalendarDate> DateOfBirth;
    std::string Comment;
};

} // namespace tonmark
