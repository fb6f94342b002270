#include "ui/fit_to_text.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace tonmark {

namespace {

// Room a widget needs for its text, beside its text: indicators, padding.
int Extra(QWidget* w) {
    if (auto* b = qobject_cast<QCheckBox*>(w))
        return b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
               b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
    if (auto* b = qobject_cast<QRadioButton*>(w))
        return b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) +
               b->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
    if (qobject_cast<QPushButton*>(w))
        return 8;
    return 0;
}

bool ManagedByLayout(QWidget* w) {
    QWidget* parent = w->parentWidget();
    return parent && parent->layout() && parent->layout()->indexOf(w) >= 0;
}

} // namespace

double TextFitFactor(QWidget& window) {
    double factor = 1;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (ManagedByLayout(w) || w->width() <= 0 || w->height() <= 0)
            continue;
        QString text;
        bool wraps = false;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            wraps = l->wordWrap();
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text();
        }
        if (text.isEmpty())
            continue;
        text.remove('&');
        const QFontMetrics fm(w->font());
        factor = std::max(factor, static_cast<double>(fm.height()) / w->height());
        if (!wraps)
            factor = std::max(factor, static_cast<double>(fm.horizontalAdvance(text) + Extra(w)) /
                                          w->width());
    }
    return factor;
}

double FitToText(QWidget& window) {
    const double f = TextFitFactor(window);
    if (f <= 1)
        return 1;
    const auto scaled = [f](int v) { return static_cast<int>(std::ceil(v * f)); };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (ManagedByLayout(w) || w->isWindow())
            continue;
        const QRect g = w->geometry();
        w->setGeometry(scaled(g.x()), scaled(g.y()), scaled(g.width()), scaled(g.height()));
    }
    const QSize size(scaled(window.width()), scaled(window.height()));
    if (window.minimumSize() == window.maximumSize())
        window.setFixedSize(size);
    else
        window.resize(size);
    return f;
}

} // namespace tonmark
