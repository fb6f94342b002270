#pragma once
// The date-of-birth field: a date picker that takes a date typed in the
// user's order of day, month and year as typed. A click into a number and
// the digits that follow replace that number, rather than landing among its
// digits (a 1 typed behind the day 1 made it 11); a separator typed after a
// number that was complete already moves nowhere further; the year shows
// four digits, and a year typed with one or two is taken in the hundred
// years that end with the current one, as dates read from files are.
//
// Threading: user-interface thread.
#include <QDateEdit>
#include <QLocale>
#include <functional>

namespace tonmark {

// The locale's short date format with its day, month and year as numbers of
// two, two and four digits, in the locale's order and with its separators:
// "M/d/yy" -> "MM/dd/yyyy", "dd.MM.yy" -> "dd.MM.yyyy", "d MMM yyyy" ->
// "dd MM yyyy".
QString NumericDateFormat(const QLocale& locale);

class DateOfBirthEdit final : public QDateEdit {
  public:
    // currentYear: the year now, for years typed with one or two digits.
    DateOfBirthEdit(const QDate& date, std::function<int()> currentYear, QWidget* parent = nullptr,
                    const QLocale& locale = QLocale::system());

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // A year of one or two digits left in the field becomes a whole one,
    // before the field would put back the last whole date instead.
    void CompleteShortYear();

    std::function<int()> currentYear_;
    // The key before: a digit with which the number may go on, a digit that
    // completed its number (the next one is selected), a separator, other.
    enum class Key { Other, DigitInNumber, DigitEndingNumber, Separator };
    Key last_ = Key::Other;
};

} // namespace tonmark
