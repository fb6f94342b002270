#pragma once
// The audiogram chart: two panels (left ear, right ear) of one column per
// charted frequency and one row per 10 dB from -10 to 70 dB HL, with the
// tone-level traces, the thresholds, the hatching of inaccurate columns, the
// threshold numbers in the strip below and the date line.
#include <QImage>
#include <QString>

#include "core/audiogram.h"
#include "core/settings.h"

namespace tonmark {

struct ChartInputs {
    const PatientFile& record;
    bool audiogramValid;
    const SlotFrequencyTable& slotFrequency;
    const Settings& settings;
};

// Draws the chart into `chart` (its size is the chart box) and the numbers into
// `strip`; returns the date line. "Start Level (dB HL)" and "Min. Reversals"
// are read as integers when needed: a text that is not one throws
// ConvertError and the rest of the paint is skipped.
QString PaintAudiogram(QImage& chart, QImage& strip, const ChartInputs& in);

} // namespace tonmark
