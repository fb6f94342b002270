#include "storage/short_date.h"

#include <QDate>
#include <QLocale>
#include <cstdio>

#include "core/ansi_codec.h"

namespace tonmark {

namespace {

bool ValidDate(int y, int m, int d) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1)
        return false;
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

struct Cursor {
    std::string_view s;
    size_t i = 0;
    void SkipBlanks() {
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
    // A run of digits, at most four of which are taken.
    bool Number(int& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (i < s.size() && digits < 4 && s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + (s[i] - '0');
            ++digits;
            ++i;
        }
        return digits > 0;
    }
    bool Separator(char sep) {
        if (i < s.size() && s[i] == sep) {
            ++i;
            return true;
        }
        return false;
    }
};

} // namespace

ShortDateFormat ShortDateFormat::FromPattern(std::string pattern) {
    ShortDateFormat f;
    f.pattern = std::move(pattern);
    // The day field: a run of one or two d's (longer runs name the weekday).
    size_t d = std::string::npos;
    for (size_t i = 0; i < f.pattern.size();) {
        if (f.pattern[i] != 'd') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < f.pattern.size() && f.pattern[j] == 'd')
            ++j;
        if (j - i <= 2) {
            d = i;
            break;
        }
        i = j;
    }
    const auto m = f.pattern.find('M'), y = f.pattern.find('y');
    if (y != std::string::npos && y < d && y < m)
        f.order = DateOrder::YearMonthDay;
    else if (m != std::string::npos && m < d)
        f.order = DateOrder::MonthDayYear;
    else
        f.order = DateOrder::DayMonthYear;
    for (char c : f.pattern)
        if (c != 'd' && c != 'M' && c != 'y' && c != '\'') {
            f.separator = c;
            break;
        }
    return f;
}

ShortDateFormat ShortDateFormat::WrittenForm(const std::string& localePattern) {
    ShortDateFormat f = FromPattern(localePattern);
    // Month or weekday names could not be read back by the numeric rules,
    // and a two-digit year puts anyone born more than a century ago (or in
    // the 1920s, read in the 2020s) into the wrong century: files get
    // numbers and four-digit years in the locale's order.
    const bool names = localePattern.find("MMM") != std::string::npos ||
                       localePattern.find("ddd") != std::string::npos;
    if (names) {
        f.separator = '/';
        f.pattern = f.order == DateOrder::DayMonthYear   ? "dd/MM/yyyy"
                    : f.order == DateOrder::MonthDayYear ? "MM/dd/yyyy"
                                                         : "yyyy/MM/dd";
        return f;
    }
    const auto y = f.pattern.find('y');
    if (y != std::string::npos && f.pattern.find("yyyy") == std::string::npos) {
        const auto end = f.pattern.find_first_not_of('y', y);
        f.pattern.replace(y, (end == std::string::npos ? f.pattern.size() : end) - y, "yyyy");
    }
    return f;
}

ShortDateFormat ShortDateFormat::System() {
    return WrittenForm(QLocale::system().dateFormat(QLocale::ShortFormat).toStdString());
}

std::string FormatShortDate(const CalendarDate& date, const ShortDateFormat& format) {
    const QDate d(date.year, date.month, date.day);
    return d.toString(QString::fromStdString(format.pattern)).toStdString();
}

std::optional<CalendarDate> ParseDateText(std::string_view text, char separator, DateOrder order,
                                          int currentYear) {
    Cursor c{text};
    int n[3] = {0, 0, 0}, digits[3] = {0, 0, 0};
    if (!c.Number(n[0], digits[0]) || !c.Separator(separator) || !c.Number(n[1], digits[1]))
        return std::nullopt;
    int count = 2;
    if (c.Separator(separator)) {
        const size_t before = c.i;
        if (c.Number(n[2], digits[2]))
            count = 3;
        else
            c.i = before; // a separator after the last number is allowed
    }
    c.Separator(separator);
    c.SkipBlanks();
    if (c.i != text.size())
        return std::nullopt;

    int y, m, d, yearDigits;
    if (count == 2) {
        y = currentYear;
        yearDigits = 4;
        if (order == DateOrder::DayMonthYear) {
            d = n[0];
            m = n[1];
        } else {
            m = n[0];
            d = n[1];
        }
    } else if (order == DateOrder::DayMonthYear) {
        d = n[0], m = n[1], y = n[2], yearDigits = digits[2];
    } else if (order == DateOrder::MonthDayYear) {
        m = n[0], d = n[1], y = n[2], yearDigits = digits[2];
    } else {
        y = n[0], m = n[1], d = n[2], yearDigits = digits[0];
    }
    if (yearDigits <= 2) {
        // The hundred years ending with the current one.
        const int century = currentYear - currentYear % 100;
        y += century;
        if (y > currentYear)
            y -= 100;
    }
    if (!ValidDate(y, m, d))
        return std::nullopt;
    return CalendarDate{y, m, d};
}

std::optional<CalendarDate> InterpretDateOfBirth(std::string_view stored,
                                                 const ShortDateFormat& system, int currentYear) {
    // Per character of the file's single-byte text, not per UTF-8 byte.
    std::string norm = Utf8ToAnsi(stored);
    for (char& ch : norm)
        if (ch < '0' || ch > '9')
            ch = '/';
    if (auto d = ParseDateText(norm, system.separator, system.order, currentYear))
        return d;
    if (auto d = ParseDateText(norm, '/', DateOrder::DayMonthYear, currentYear))
        return d;
    return ParseDateText(norm, '/', DateOrder::MonthDayYear, currentYear);
}

std::string IsoDate(const CalendarDate& date) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buf;
}

} // namespace tonmark
