#pragma once
// The calibration file (.cal): identification, six text records, and the 22
// entries of slots 1..11 for the left and then the right ear. Errors: see
// core/file_result.h.
#include <string>
#include <string_view>

#include "calibration/calibration_table.h"
#include "core/file_result.h"

namespace tonmark {

std::string EncodeCalibration(const CalibrationTable& table, const CalibrationInfo& info);

enum class CalibrationReadResult { Read, NotCalibration, Damaged };

// Applies slots 1..11 of both ears and the texts only when the whole file was
// read; otherwise nothing changes.
CalibrationReadResult DecodeCalibration(std::string_view bytes, CalibrationTable& table,
                                        CalibrationInfo& info);

// Loads a calibration file as DecodeCalibration does. Fails with CannotOpen,
// or with WrongKind or Damaged, and then changes nothing.
FileResult ReadCal(const std::string& fileName, CalibrationTable& table, CalibrationInfo& info);

// Replaces the file atomically; on failure (CannotWrite) any earlier file
// stays as it was.
FileResult WriteCalibrationFile(const std::string& fileName, const CalibrationTable& table,
                                const CalibrationInfo& info);

} // namespace tonmark
