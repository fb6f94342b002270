#include "storage/file_names.h"

namespace tonmark {

std::string SuggestedFileName(const Settings& settings, const PersonalData& personal,
                              const PatientFile& record, const DateContext& dates) {
    const std::string dob =
        personal.DateOfBirth ? FormatShortDate(*personal.DateOfBirth, dates.format) : "";
    const std::pair<bool, const std::string*> parts[] = {
        {settings.IncludeLastName, &personal.LastName},
        {settings.IncludeFirstName, &personal.FirstName},
        {settings.IncludeReference, &personal.ReferenceNumber},
        {settings.IncludeDepartment, &personal.Organisation},
        {settings.IncludeDateOfBirth, &dob},
        {settings.IncludeTestDate, &record.TestDateStamp},
        {settings.IncludeTestTime, &record.TestTimeStamp},
    };
    std::string name;
    for (const auto& [included, text] : parts)
        if (included)
            name += *text + " ";
    if (!name.empty())
        name.pop_back();
    for (char& c : name)
        if (c == '<' || c == '>' || c == '"' || c == ':' || c == '/' || c == '\\')
            c = '-';
    return name;
}

bool ExportsAsText(std::string_view chosenName, int fileType) {
    return fileType == 2 ||
           (chosenName.size() >= 4 && chosenName.substr(chosenName.size() - 4) == ".txt");
}

std::string BuildCommandLineText(const std::vector<std::string>& parameters) {
    std::string text;
    for (const auto& p : parameters)
        text += p + " ";
    return text;
}

std::string CommandLineFileName(std::string_view text) {
    if (text.empty())
        return {};
    return std::string(text.substr(0, text.size() - 1));
}

namespace {
// The four characters that end one character before the end.
std::string ExtensionBeforeFinalBlank(std::string_view text) {
    if (text.size() < 5)
        return {};
    return std::string(text.substr(text.size() - 5, 4));
}
} // namespace

bool CommandLineNamesAudiogram(std::string_view text) {
    std::string ext = ExtensionBeforeFinalBlank(text);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext == ".AUD";
}

bool CommandLineNamesCalibration(std::string_view text) {
    return ExtensionBeforeFinalBlank(text) == ".cal";
}

} // namespace tonmark
