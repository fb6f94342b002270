#pragma once
// The calibration file (.cal): identification, six text records, and the 22
// entries of slots 1..11 for the left and then the right ear.
#include <string>
#include <string_view>

#include "calibration/calibration_table.h"
#include "core/run_services.h"

namespace tonmark {

inline constexpr const char* kMsgNotCalibration = "Not a valid Calibration Data File";

std::string EncodeCalibration(const CalibrationTable& table, const CalibrationInfo& info);

enum class CalibrationReadResult { Read, NotCalibration, Damaged };

// Applies slots 1..11 of both ears and the texts only when the whole file was
// read; otherwise nothing changes.
CalibrationReadResult DecodeCalibration(std::string_view bytes, CalibrationTable& table,
                                        CalibrationInfo& info);

// Loads a calibration file. Throws TonmarkError "Cannot open file "%s". %s"
// when it cannot be read; shows "Not a valid Calibration Data File" for a file
// that is not one or is damaged. calibrationLoaded becomes true only on success.
void ReadCal(const std::string& fileName, CalibrationTable& table, CalibrationInfo& info,
             bool& calibrationLoaded, Dialogs& dialogs);

// Replaces the file atomically; throws TonmarkError "Cannot create file "%s".
// %s" on failure, leaving any earlier file as it was.
void WriteCalibrationFile(const std::string& fileName, const CalibrationTable& table,
                          const CalibrationInfo& info);

} // namespace tonmark
