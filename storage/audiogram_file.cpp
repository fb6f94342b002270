#include "storage/audiogram_file.h"

#include "core/ansi_codec.h"
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

constexpr char kIdentification[] = "\x0BPatientFile";
constexpr size_t kIdentificationSize = 13;

std::string DobText(const PersonalData& p, const DateContext& dates) {
    return p.DateOfBirth ? FormatShortDate(*p.DateOfBirth, dates.format) : std::string();
}

} // namespace

std::string EncodeAudiogram(const PatientFile& record, const PersonalData& personal,
                            const DateContext& dates) {
    std::string out(kIdentification, 12);
    out += '\0';
    PutTextRecord(out, record.TestDateStamp);
    PutTextRecord(out, record.TestTimeStamp);
    out += "\x01\x01\x01";
    for (const std::string* t : {&personal.LastName, &personal.FirstName, &personal.ReferenceNumber,
                                 &personal.Organisation})
        PutTextRecord(out, *t);
    PutTextRecord(out, DobText(personal, dates));
    PutTextRecord(out, personal.Comment);
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row)
            for (int k = 0; k < kRowLength; ++k)
                PutI32(out, record.Reverse[ear][row][k]);
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row)
            PutI32(out, record.Threshold[ear][row]);
    return out;
}

AudiogramReadResult DecodeAudiogram(std::string_view bytes, PatientFile& record,
                                    PersonalData& personal, const DateContext& dates,
                                    int firstEntry) {
    ByteReader in(bytes);
    std::string_view id;
    if (!in.Bytes(kIdentificationSize, id)) {
        // Too short for the identification: a file that starts right is a
        // damaged audiogram, anything else is not one at all.
        const size_t n = std::min<size_t>(bytes.size(), 12);
        return bytes.substr(0, n) == std::string_view(kIdentification, n) && n > 0
                   ? AudiogramReadResult::Damaged
                   : AudiogramReadResult::NotAudiogram;
    }
    if (id.substr(0, 12) != std::string_view(kIdentification, 12))
        return AudiogramReadResult::NotAudiogram;

    PatientFile rec = record;
    PersonalData pd = personal;
    uint8_t flags[3] = {0, 0, 0};
    if (!GetTextRecord(in, rec.TestDateStamp) || !GetTextRecord(in, rec.TestTimeStamp) ||
        !in.U8(flags[0]) || !in.U8(flags[1]) || !in.U8(flags[2]))
        return AudiogramReadResult::Damaged;
    if (flags[0] == 1) {
        std::string dob;
        if (!GetTextRecord(in, pd.LastName) || !GetTextRecord(in, pd.FirstName) ||
            !GetTextRecord(in, pd.ReferenceNumber) || !GetTextRecord(in, pd.Organisation) ||
            !GetTextRecord(in, dob) || !GetTextRecord(in, pd.Comment))
            return AudiogramReadResult::Damaged;
        if (auto d = InterpretDateOfBirth(dob, dates.format, dates.currentYear))
            pd.DateOfBirth = d;
    }
    if (flags[1] == 1)
        for (int ear = 0; ear < kEars; ++ear)
            for (int row = 0; row < kRows; ++row)
                for (int k = 0; k < kRowLength; ++k)
                    in.I32(rec.Reverse[ear][row][k]);
    if (flags[2] == 1) {
        for (int ear = 0; ear < kEars; ++ear)
            for (int row = 0; row < kRows; ++row)
                in.I32(rec.Threshold[ear][row]);
    }
    if (!in.ok())
        return AudiogramReadResult::Damaged;
    if (flags[2] != 1)
        CalcThreshold(rec, firstEntry);
    record = rec;
    personal = pd;
    return AudiogramReadResult::Read;
}

FileResult ReadFile(const std::string& fileName, PatientFile& loadFile, PersonalData& personal,
                    const DateContext& dates, int firstEntry) {
    std::string bytes;
    if (FileResult r = ReadWholeFile(fileName, bytes, kMaxFileBytes); !r.Done())
        return r;
    switch (DecodeAudiogram(bytes, loadFile, personal, dates, firstEntry)) {
    case AudiogramReadResult::Read:
        return FileResult::Ok();
    case AudiogramReadResult::NotAudiogram:
        return FileResult::Failed(FileFailure::WrongKind, fileName);
    case AudiogramReadResult::Damaged:
        break;
    }
    return FileResult::Failed(FileFailure::Damaged, fileName);
}

FileResult WriteFile(const std::string& fileName, const PatientFile& record,
                     const PersonalData& personal, const DateContext& dates) {
    return WriteFileAtomically(fileName, EncodeAudiogram(record, personal, dates));
}

std::string EncodeTextExport(const PatientFile& record, const PersonalData& personal,
                             const DateContext& dates) {
    std::string out;
    const auto line = [&out](const std::string& utf8) {
        out += Utf8ToAnsi(utf8);
        out += "\r\n";
    };
    line(personal.LastName);
    line(personal.FirstName);
    line(personal.ReferenceNumber);
    line(personal.Organisation);
    line(DobText(personal, dates));
    line(personal.Comment);
    line(record.TestDateStamp);
    line(record.TestTimeStamp);
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row)
            for (int k = 0; k < kRowLength; ++k)
                line(std::to_string(record.Reverse[ear][row][k]));
    for (int ear = 0; ear < kEars; ++ear)
        for (int row = 0; row < kRows; ++row)
            line(std::to_string(record.Threshold[ear][row]));
    return out;
}

FileResult WriteAsciiFile(const std::string& fileName, const PatientFile& record,
                          const PersonalData& personal, const DateContext& dates) {
    return WriteFileAtomically(fileName, EncodeTextExport(record, personal, dates));
}

} // namespace tonmark
