#pragma once
// The audiogram file (.aud): identification, test date and time, section
// flags, personal data, reversals, thresholds.
#include <string>
#include <string_view>

#include "core/audiogram.h"
#include "core/errors.h"
#include "core/run_services.h"
#include "storage/personal_data.h"
#include "storage/short_date.h"

namespace tonmark {

inline constexpr const char* kMsgNotAudiogram = "File is not a valid Audiogram!";
inline constexpr const char* kMsgSaveError = "There was an error trying to save";

// A save that failed: the message starts with kMsgSaveError and goes on with
// the file and the system's reason on a line of its own.
class SaveError : public TonmarkError {
  public:
    SaveError(const std::string& fileName, const std::string& reason)
        : TonmarkError(std::string(kMsgSaveError) + "\n\"" + fileName + "\": " + reason) {}
};

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

// Throws TonmarkError "Cannot open file "%s". %s" when the file cannot be
// read. Shows "File is not a valid Audiogram!" for a file that is not one or
// is damaged, and then changes nothing. Sets successful only after a read.
void ReadFile(const std::string& fileName, PatientFile& loadFile, PersonalData& personal,
              bool& successful, Dialogs& dialogs, const DateContext& dates, int firstEntry);

// Replaces the file atomically; throws TonmarkError on failure, leaving any
// earlier file as it was.
void WriteFile(const std::string& fileName, const PatientFile& record, const PersonalData& personal,
               const DateContext& dates);

// The 560-line CR LF text export.
std::string EncodeTextExport(const PatientFile& record, const PersonalData& personal,
                             const DateContext& dates);
void WriteAsciiFile(const std::string& fileName, const PatientFile& record,
                    const PersonalData& personal, const DateContext& dates);

} // namespace tonmark
