#pragma once
// Windows laid out at fixed positions of the design resolution grow with the
// font in use, as forms scale with their font: when a label or button of the
// window cannot show its text, every position and size in it is scaled by
// the same factor, so nothing is cut and nothing comes to overlap.
#include <QWidget>

namespace tonmark {

// The factor (>= 1) the window's texts need in their fonts.
double TextFitFactor(QWidget& window);

// Scales the window's own size and the geometry of every child widget that no
// layout manages by TextFitFactor; returns the factor used.
double FitToText(QWidget& window);

} // namespace tonmark
