// Any bytes through the audiogram reader; a file it accepts must survive a
// write and a second read unchanged.
#include <cstdlib>
#include <cstring>
#include <string>

#include "storage/audiogram_file.h"

using namespace tonmark;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const DateContext dates{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2026};
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    PatientFile rec;
    PersonalData pd;
    if (DecodeAudiogram(bytes, rec, pd, dates, 2) != AudiogramReadResult::Read)
        return 0;
    const std::string again = EncodeAudiogram(rec, pd, dates);
    PatientFile rec2;
    PersonalData pd2;
    if (DecodeAudiogram(again, rec2, pd2, dates, 2) != AudiogramReadResult::Read)
        std::abort();
    if (std::memcmp(rec.Reverse, rec2.Reverse, sizeof rec.Reverse) ||
        std::memcmp(rec.Threshold, rec2.Threshold, sizeof rec.Threshold) ||
        rec.TestDateStamp != rec2.TestDateStamp || rec.TestTimeStamp != rec2.TestTimeStamp ||
        pd.LastName != pd2.LastName || pd.FirstName != pd2.FirstName ||
        pd.ReferenceNumber != pd2.ReferenceNumber || pd.Organisation != pd2.Organisation ||
        pd.Comment != pd2.Comment || pd.DateOfBirth != pd2.DateOfBirth)
        std::abort();
    return 0;
}
