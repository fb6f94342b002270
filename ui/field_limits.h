#pragma once
// The limits the settings dialog puts on its numeric fields when one loses
// the focus: the replacement text, or the text itself when it is in range.
#include <QString>

namespace tonmark {

enum class LimitedField { ReverseEdit, TestTimeEdit, BeepTimeEdit, PauseTimeEdit };

// decimalPoint is the user's locale decimal separator.
QString ApplyFieldLimit(LimitedField field, const QString& text, QChar decimalPoint);

} // namespace tonmark
