#include "ui/field_limits.h"

#include <cmath>

namespace tonmark {

namespace {

struct Limits {
    bool integer;
    double low, high;
    const char *lowText, *highText, *defaultText;
};

Limits LimitsOf(LimitedField f) {
    switch (f) {
    case LimitedField::ReverseEdit:
        return {true, 2, 10, "2", "10", "6"};
    case LimitedField::TestTimeEdit:
        return {true, 10, 60, "10", "60", "30"};
    case LimitedField::BeepTimeEdit:
    case LimitedField::PauseTimeEdit:
        break;
    }
    return {false, 0, 5, "0", "5", "1"};
}

// The number a text holds, if it holds one as the field reads it.
bool Read(const QString& text, bool integer, QChar point, double& value) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    if (integer) {
        value = static_cast<double>(t.toInt(&ok));
        return ok;
    }
    QString normal = t;
    if (point != '.') {
        if (normal.contains('.'))
            return false; // only the user's own separator counts
        normal.replace(point, '.');
    }
    value = normal.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString ApplyFieldLimit(LimitedField field, const QString& text, QChar decimalPoint) {
    const Limits l = LimitsOf(field);
    double v = 0;
    QString current = text;
    if (!Read(current, l.integer, decimalPoint, v))
        return QString::fromLatin1(l.defaultText);
    if (v > l.high)
        current = QString::fromLatin1(l.highText);
    // The lower limit is tested on the field's new text.
    if (Read(current, l.integer, decimalPoint, v) && v < l.low)
        current = QString::fromLatin1(l.lowText);
    return current;
}

} // namespace tonmark
