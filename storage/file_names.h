#pragma once
// The rules of the file commands that need no window: the name Save As
// suggests, the choice between text export and audiogram file, and what a
// command line names.
#include <string>
#include <string_view>
#include <vector>

#include "core/audiogram.h"
#include "core/settings.h"
#include "storage/audiogram_file.h"
#include "storage/personal_data.h"

namespace tonmark {

// Parts chosen by the "Include ..." settings, each followed by a blank, the
// last blank dropped, and < > " : / \ replaced by '-'.
std::string SuggestedFileName(const Settings& settings, const PersonalData& personal,
                              const PatientFile& record, const DateContext& dates);

// fileType is the save dialog's type: 1 "Audiogram", 2 "ASCII-Text".
bool ExportsAsText(std::string_view chosenName, int fileType);

// The parameters, each followed by one blank.
std::string BuildCommandLineText(const std::vector<std::string>& parameters);
// The file the command line names: the joined parameters without the final blank.
std::string CommandLineFileName(std::string_view commandLineText);
// ".aud" in any letter case before the final blank.
bool CommandLineNamesAudiogram(std::string_view commandLineText);
// ".cal" exactly, lower case, before the final blank.
bool CommandLineNamesCalibration(std::string_view commandLineText);

} // namespace tonmark
