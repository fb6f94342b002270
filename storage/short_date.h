#pragma once
// The user's short date format, and reading back a date of birth that some
// other user's short date format wrote.
#include <optional>
#include <string>
#include <string_view>

namespace tonmark {

struct CalendarDate {
    int year = 0, month = 0, day = 0;
    bool operator==(const CalendarDate&) const = default;
};

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

struct ShortDateFormat {
    std::string pattern; // Qt date pattern, e.g. "dd/MM/yyyy", "M/d/yy", "yyyy-MM-dd"
    char separator = '/';
    DateOrder order = DateOrder::DayMonthYear;

    // Separator and field order as the pattern shows them.
    static ShortDateFormat FromPattern(std::string pattern);
    // The form in which dates are written for a locale's short date pattern:
    // the pattern itself, but with four-digit years, and numbers in the same
    // order where the locale spells out month or weekday names.
    static ShortDateFormat WrittenForm(const std::string& localePattern);
    // The written form of the system locale's short date format.
    static ShortDateFormat System();
};

std::string FormatShortDate(const CalendarDate& date, const ShortDateFormat& format);

// One attempt of the lenient date parse: blanks before each number, numbers
// of up to four digits, two or three of them joined by the separator, an
// optional separator and blanks at the end. Two numbers take the current
// year; a one- or two-digit year lands in the hundred years ending with the
// current year.
std::optional<CalendarDate> ParseDateText(std::string_view text, char separator, DateOrder order,
                                          int currentYear);

// A stored date of birth: every non-digit becomes '/', then the system's own
// order and separator, then day/month/year, then month/day/year.
std::optional<CalendarDate> InterpretDateOfBirth(std::string_view stored,
                                                 const ShortDateFormat& system, int currentYear);

std::string IsoDate(const CalendarDate& date);

} // namespace tonmark
