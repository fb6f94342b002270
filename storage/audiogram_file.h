#pragma once
// The audiogram file (.aud): identification, test date and time, section
// flags, personal data, reversals, thresholds. Errors: see core/file_result.h.
#include <string>
#include <string_view>

#include "core/audiogram.h"
#include "core/file_result.h"
#include "storage/personal_data.h"
#include "storage/short_date.h"

namespace tonmark {

// How dates are written and read back.
struct DateContext {
    ShortDateFormat format; // the user's short date format
    int currentYear = 2000; // for dates given with two digits or none
};

// The bytes WriteFile writes: filler bytes are 0, all three sections present.
std::string EncodeAudiogram(const PatientFile& record, const PersonalData& personal,
                            const DateContext& dates);

enum class AudiogramReadResult {
    Read,         // applied
    NotAudiogram, // the identification does not match
    Damaged,      // ends early or holds an impossible text record
};

// Reads a whole file into copies of the record and the personal data and
// applies them only when everything was read: sections that are absent keep
// what the record and fields held, absent thresholds are recomputed with
// firstEntry (2 with "Reject 1st Reversal"), a date of birth that cannot be
// interpreted keeps the previous one. Nothing changes unless Read is returned.
AudiogramReadResult DecodeAudiogram(std::string_view bytes, PatientFile& record,
                                    PersonalData& personal, const DateContext& dates,
                                    int firstEntry);

// Reads a file as DecodeAudiogram does. Fails with CannotOpen, or with
// WrongKind or Damaged, and then changes nothing.
FileResult ReadFile(const std::string& fileName, PatientFile& loadFile, PersonalData& personal,
                    const DateContext& dates, int firstEntry);

// Replaces the file atomically; on failure (CannotWrite) any earlier file
// stays as it was.
FileResult WriteFile(const std::string& fileName, const PatientFile& record,
                     const PersonalData& personal, const DateContext& dates);

// The 560-line CR LF text export.
std::string EncodeTextExport(const PatientFile& record, const PersonalData& personal,
                             const DateContext& dates);
// Replaces the file atomically, as WriteFile.
FileResult WriteAsciiFile(const std::string& fileName, const PatientFile& record,
                          const PersonalData& personal, const DateContext& dates);

} // namespace tonmark
