#include "ui/date_of_birth_edit.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace tonmark {

QString NumericDateFormat(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == '\'')
            quoted = !quoted;
        if (quoted || c == '\'' || (c != 'd' && c != 'M' && c != 'y')) {
            out += c;
            continue;
        }
        while (i + 1 < format.size() && format[i + 1] == c)
            ++i;
        out += c == 'd'   ? QStringLiteral("dd")
               : c == 'M' ? QStringLiteral("MM")
                          : QStringLiteral("yyyy");
    }
    return out;
}

DateOfBirthEdit::DateOfBirthEdit(const QDate& date, std::function<int()> currentYear,
                                 QWidget* parent, const QLocale& locale)
    : QDateEdit(date, parent), currentYear_(std::move(currentYear)) {
    setLocale(locale);
    setDisplayFormat(NumericDateFormat(locale));
    setCalendarPopup(true);
    lineEdit()->installEventFilter(this);
}

void DateOfBirthEdit::keyPressEvent(QKeyEvent* e) {
    const QString text = e->text();
    const bool digit = text.size() == 1 && text[0].isDigit();
    const bool separator = text.size() == 1 && !digit && text[0].isPrint();
    if (digit) {
        // The first digit replaces the number the cursor is in.
        if (last_ != Key::DigitInNumber)
            setSelectedSection(currentSection());
        const Section before = currentSection();
        QDateEdit::keyPressEvent(e);
        last_ = currentSection() != before ? Key::DigitEndingNumber : Key::DigitInNumber;
        return;
    }
    if (separator) {
        // A separator moves on to the next number once, whatever its length
        // (". " in "yyyy. MM. dd."), and not at all when the number before it
        // was complete and the next one is reached already.
        const bool moves = last_ == Key::DigitInNumber || last_ == Key::Other;
        last_ = Key::Separator;
        if (moves)
            QDateEdit::keyPressEvent(e);
        else
            e->accept();
        return;
    }
    last_ = Key::Other;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        CompleteShortYear();
    QDateEdit::keyPressEvent(e);
}

void DateOfBirthEdit::focusInEvent(QFocusEvent* e) {
    last_ = Key::Other;
    QDateEdit::focusInEvent(e);
}

void DateOfBirthEdit::focusOutEvent(QFocusEvent* e) {
    CompleteShortYear();
    QDateEdit::focusOutEvent(e);
}

bool DateOfBirthEdit::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lineEdit() && e->type() == QEvent::MouseButtonPress)
        last_ = Key::Other;
    return QDateEdit::eventFilter(watched, e);
}

void DateOfBirthEdit::CompleteShortYear() {
    const QString year = sectionText(YearSection).trimmed();
    if (year.isEmpty() || year.size() > 2 || !currentYear_)
        return;
    bool ok = false;
    const int typed = year.toInt(&ok);
    const int day = sectionText(DaySection).toInt();
    const int month = sectionText(MonthSection).toInt();
    if (!ok)
        return;
    // In the span of a hundred years that ends with this one.
    const int now = currentYear_();
    int whole = now - (now % 100) + typed;
    if (whole > now)
        whole -= 100;
    const QDate date(whole, month, day);
    if (date.isValid())
        setDate(date);
}

} // namespace tonmark
