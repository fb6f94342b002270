#include "core/setting_values.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tonmark {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<int32_t> ParseStrictInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    // from_chars takes "-" only in front of digits; a lone sign already failed.
    return value;
}

std::optional<double> ParseLenientReal(std::string_view text) {
    std::string s(Trim(text));
    for (char& c : s)
        if (c == ',')
            c = '.';
    if (!s.empty() && s.front() == '+')
        s.erase(0, 1);
    if (s.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, ec] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace tonmark
