#include "calibration/calibration_file.h"

#include "core/atomic_file.h"
#include "core/byte_codec.h"
#include "core/errors.h"

namespace tonmark {

namespace {
// A file of this kind holds a few kilobytes; anything far beyond that is
// refused before it is read.
constexpr size_t kMaxFileBytes = 64 * 1024;
} // namespace

namespace {
constexpr std::string_view kIdentification = "\x10"
                                             "Calibration Data";
}

std::string EncodeCalibration(const CalibrationTable& table, const CalibrationInfo& info) {
    std::string out;
    PutTextRecord(out, "Calibration Data");
    for (const std::string* t : {&info.Person, &info.Headphones, &info.Soundcard, &info.Comment,
                                 &info.CalibrationDate, &info.CalibrationTime})
        PutTextRecord(out, *t);
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot <= 11; ++slot) {
            const CalibrationEntry& e = table[ear][slot];
            PutI32(out, e.WaveVolume);
            PutI32(out, e.MasterVolume);
            PutI32(out, e.GainVolume);
            PutI32(out, 0);
            PutF64(out, e.LevelCorrection);
        }
    return out;
}

CalibrationReadResult DecodeCalibration(std::string_view bytes, CalibrationTable& table,
                                        CalibrationInfo& info) {
    ByteReader in(bytes);
    int32_t n = 0;
    std::string_view body;
    // The identification is compared as the record's raw bytes: length byte
    // 16 and the 16 letters, whatever the count says beyond them.
    if (!in.I32(n))
        return CalibrationReadResult::NotCalibration;
    if (n < 17 || n > 256 || !in.Bytes(static_cast<size_t>(n), body))
        return bytes.size() >= 4 + kIdentification.size() &&
                       bytes.substr(4, kIdentification.size()) == kIdentification
                   ? CalibrationReadResult::Damaged
                   : CalibrationReadResult::NotCalibration;
    if (body.substr(0, kIdentification.size()) != kIdentification)
        return CalibrationReadResult::NotCalibration;

    CalibrationInfo i = info;
    CalibrationTable t = table;
    for (std::string* s : {&i.Person, &i.Headphones, &i.Soundcard, &i.Comment, &i.CalibrationDate,
                           &i.CalibrationTime})
        if (!GetTextRecord(in, *s))
            return CalibrationReadResult::Damaged;
    for (int ear = 0; ear < kEars; ++ear)
        for (int slot = 1; slot <= 11; ++slot) {
            CalibrationEntry& e = t[ear][slot];
            in.I32(e.WaveVolume);
            in.I32(e.MasterVolume);
            in.I32(e.GainVolume);
            in.I32(e.Reserved);
            in.F64(e.LevelCorrection);
        }
    if (!in.ok())
        return CalibrationReadResult::Damaged;
    table = t;
    info = i;
    return CalibrationReadResult::Read;
}

FileResult ReadCal(const std::string& fileName, CalibrationTable& table, CalibrationInfo& info) {
    std::string bytes;
    if (FileResult r = ReadWholeFile(fileName, bytes, kMaxFileBytes); !r.Done())
        return r;
    switch (DecodeCalibration(bytes, table, info)) {
    case CalibrationReadResult::Read:
        return FileResult::Ok();
    case CalibrationReadResult::NotCalibration:
        return FileResult::Failed(FileFailure::WrongKind, fileName);
    case CalibrationReadResult::Damaged:
        break;
    }
    return FileResult::Failed(FileFailure::Damaged, fileName);
}

FileResult WriteCalibrationFile(const std::string& fileName, const CalibrationTable& table,
                                const CalibrationInfo& info) {
    return WriteFileAtomically(fileName, EncodeCalibration(table, info));
}

} // namespace tonmark
