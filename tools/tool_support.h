#pragma once
// What several tool commands share: today's date settings, loading an
// audiogram with the program's reader, and the record as JSON arrays.
#include <string>

#include "core/audiogram.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"

namespace tonmark::tool {

// The system's short date format and the current year.
DateContext ToolDates();

// Reads an audiogram file into rec and pd as the program's Open does, with
// the "Reject 1st Reversal" of settings for absent thresholds. Prints the
// program's message on stderr and returns the exit status: 0 read, 1 not an
// audiogram, 2 not readable.
int LoadAudiogram(const std::string& path, const Settings& settings, PatientFile& rec,
                  PersonalData& pd);

std::string IntArray(const int32_t* values, int n);
// "Reverse": 2 x 12 x 22 and "Threshold": 2 x 12 as JSON members (no braces).
std::string ReverseMember(const PatientFile& rec);
std::string ThresholdMember(const PatientFile& rec);

} // namespace tonmark::tool
