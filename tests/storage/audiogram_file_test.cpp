#include <gtest/gtest.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/atomic_file.h"
#include "core/byte_codec.h"
#include "core/errors.h"
#include "storage/audiogram_file.h"
#include "support/temp_folder.h"
#include "tools/simulation.h"
#include "ui/file_messages.h"

namespace tonmark {
namespace {

namespace fs = std::filesystem;

const DateContext kDayFirst{ShortDateFormat::FromPattern("dd/MM/yyyy"), 2024};

PatientFile SampleRecord() {
    PatientFile rec;
    for (int ear = 0; ear < 2; ++ear)
        for (int row = 0; row < 12; ++row) {
            for (int k = 0; k < 22; ++k)
                rec.Reverse[ear][row][k] = ear * 1000 + row * 30 + k - 7;
            rec.Threshold[ear][row] = row == 3 ? NotMeasured : ear * 10 + row;
        }
    rec.TestDateStamp = "05-03-2012";
    rec.TestTimeStamp = "9h5";
    return rec;
}

PersonalData SamplePerson() {
    return {"Müller", "Ann", "R-17", "Acme Works", CalendarDate{1970, 1, 31}, "Comment €"};
}

bool SameRecord(const PatientFile& a, const PatientFile& b) {
    return !std::memcmp(a.Reverse, b.Reverse, sizeof a.Reverse) &&
           !std::memcmp(a.Threshold, b.Threshold, sizeof a.Threshold) &&
           a.TestDateStamp == b.TestDateStamp && a.TestTimeStamp == b.TestTimeStamp;
}

bool SamePerson(const PersonalData& a, const PersonalData& b) {
    return a.LastName == b.LastName && a.FirstName == b.FirstName &&
           a.ReferenceNumber == b.ReferenceNumber && a.Organisation == b.Organisation &&
           a.DateOfBirth == b.DateOfBirth && a.Comment == b.Comment;
}

TEST(AudiogramFile, RoundTrip) {
    const PatientFile rec = SampleRecord();
    const PersonalData pd = SamplePerson();
    const std::string bytes = EncodeAudiogram(rec, pd, kDayFirst);
    // 13 + 3 + 2208 bytes plus L + 6 for each of the eight texts.
    size_t texts = 0;
    for (size_t len : {10, 3, 6, 3, 4, 10, 10, 9}) // Windows-1252 lengths
        texts += len + 6;
    EXPECT_EQ(bytes.size(), 13u + 3 + 2208 + texts);
    PatientFile back;
    PersonalData pdBack;
    ASSERT_EQ(DecodeAudiogram(bytes, back, pdBack, kDayFirst, 2), AudiogramReadResult::Read);
    EXPECT_TRUE(SameRecord(rec, back));
    EXPECT_TRUE(SamePerson(pd, pdBack));
}

TEST(AudiogramFile, ExactBytesOfTheStart) {
    PatientFile rec;
    rec.TestDateStamp = "05-03-2012";
    rec.TestTimeStamp = "";
    PersonalData pd;
    pd.LastName = "Müller";
    const std::string b = EncodeAudiogram(rec, pd, kDayFirst);
    const std::string expected = std::string("\x0BPatientFile\0", 13) +
                                 std::string("\x0C\0\0\0\x0A"
                                             "05-03-2012\0",
                                             16) +
                                 std::string("\x02\0\0\0\0\0", 6) + "\x01\x01\x01" +
                                 std::string("\x08\0\0\0\x06M\xFCller\0", 12);
    EXPECT_EQ(b.substr(0, expected.size()), expected);
}

// A file assembled by hand, with any section flags.
std::string Assemble(uint8_t f1, uint8_t f2, uint8_t f3, int32_t reverseValue,
                     int32_t thresholdValue) {
    std::string out = std::string("\x0BPatientFile\x7F", 13);
    PutTextRecord(out, "01-02-2020");
    PutTextRecord(out, "10h0");
    out += static_cast<char>(f1);
    out += static_cast<char>(f2);
    out += static_cast<char>(f3);
    if (f1 == 1)
        for (const char* t : {"Smith", "Jo", "7", "Org", "12/03/1970", "c"})
            PutTextRecord(out, t);
    if (f2 == 1)
        for (int i = 0; i < 2 * 12 * 22; ++i)
            PutI32(out, i % 22 == 0 ? 2 : reverseValue);
    if (f3 == 1)
        for (int i = 0; i < 24; ++i)
            PutI32(out, thresholdValue);
    return out;
}

TEST(AudiogramFile, SectionFlags) {
    const struct {
        uint8_t f1, f2, f3;
        bool personal;
        int32_t entry;     // entry 1 of every row after reading
        int32_t threshold; // every threshold after reading
    } cases[] = {
        {1, 1, 1, true, 40, 33},
        {1, 0, 0, true, 10, 10},  // old reversals, thresholds recomputed from them
        {0, 1, 1, false, 40, 33}, // reversals right after the flags
        {2, 1, 0, false, 40, 40}, // a flag of 2 is absent
        {0, 0, 0, false, 10, 10},
        {1, 1, 2, true, 40, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.f1) + std::to_string(c.f2) + std::to_string(c.f3));
        PatientFile rec;
        for (auto& ear : rec.Reverse)
            for (auto& row : ear) {
                row[0] = 2;
                row[1] = row[2] = 10;
            }
        PersonalData pd{"Old", "Name", "", "", CalendarDate{2000, 1, 1}, ""};
        ASSERT_EQ(DecodeAudiogram(Assemble(c.f1, c.f2, c.f3, 40, 33), rec, pd, kDayFirst, 1),
                  AudiogramReadResult::Read);
        EXPECT_EQ(rec.TestDateStamp, "01-02-2020");
        EXPECT_EQ(pd.LastName, c.personal ? "Smith" : "Old");
        const CalendarDate dob = c.personal ? CalendarDate{1970, 3, 12} : CalendarDate{2000, 1, 1};
        EXPECT_EQ(pd.DateOfBirth, dob);
        EXPECT_EQ(rec.Reverse[1][11][1], c.entry) << int(c.f1) << int(c.f2) << int(c.f3);
        EXPECT_EQ(rec.Threshold[1][11], c.threshold) << int(c.f1) << int(c.f2) << int(c.f3);
    }
}

TEST(AudiogramFile, DateOfBirthUnderDifferentLocales) {
    const struct {
        const char* pattern; // the reader's short date format
        const char* stored;
        std::optional<CalendarDate> expected;
    } cases[] = {
        {"dd.MM.yyyy", "31.01.1970", CalendarDate{1970, 1, 31}},
        {"dd.MM.yyyy", "12/03/1970", CalendarDate{1970, 3, 12}},
        {"M/d/yyyy", "12/03/1970", CalendarDate{1970, 12, 3}},
        {"M/d/yyyy", "31/01/1970", CalendarDate{1970, 1, 31}},
        {"dd.MM.yyyy", "31/01/70", CalendarDate{1970, 1, 31}},
        {"dd.MM.yyyy", "1970-03-12", std::nullopt},
        {"yyyy/MM/dd", "1970-03-12", CalendarDate{1970, 3, 12}},
        {"yyyy-MM-dd", "1970-03-12", std::nullopt}, // normalised to '/', which '-' does not match
        {"dd/MM/yyyy", "31 01 45", CalendarDate{1945, 1, 31}},
        {"dd/MM/yyyy", "01/02/24", CalendarDate{2024, 2, 1}},
        {"dd/MM/yyyy", "5/6", CalendarDate{2024, 6, 5}},
        {"M/d/yyyy", "5/6", CalendarDate{2024, 5, 6}},
        {"dd/MM/yyyy", "31/02/1970", std::nullopt},
        {"dd/MM/yyyy", "29/02/2000", CalendarDate{2000, 2, 29}},
        {"dd/MM/yyyy", "31/01/19700", std::nullopt},
        {"dd/MM/yyyy", "", std::nullopt},
        {"dd/MM/yyyy", "31/01/1970/", CalendarDate{1970, 1, 31}},
    };
    for (const auto& c : cases) {
        const auto got =
            InterpretDateOfBirth(c.stored, ShortDateFormat::FromPattern(c.pattern), 2024);
        EXPECT_EQ(got, c.expected) << c.pattern << " '" << c.stored << "'";
    }
}

TEST(AudiogramFile, ShortDateFormatsWriteTheUsersForm) {
    const CalendarDate d{1970, 1, 31};
    EXPECT_EQ(FormatShortDate(d, ShortDateFormat::FromPattern("dd/MM/yyyy")), "31/01/1970");
    EXPECT_EQ(FormatShortDate(d, ShortDateFormat::FromPattern("M/d/yy")), "1/31/70");
    EXPECT_EQ(FormatShortDate(d, ShortDateFormat::FromPattern("yyyy-MM-dd")), "1970-01-31");
    EXPECT_EQ(ShortDateFormat::FromPattern("dd.MM.yyyy").separator, '.');
    EXPECT_EQ(ShortDateFormat::FromPattern("M/d/yy").order, DateOrder::MonthDayYear);
    EXPECT_EQ(ShortDateFormat::FromPattern("yyyy-MM-dd").order, DateOrder::YearMonthDay);
}

TEST(AudiogramFile, WrittenDatesCanBeReadBack) {
    const struct {
        const char* locale;
        const char* written;
        const char* pattern;
        bool readBack; // year first with '-' is not one of the readable orders
    } cases[] = {{"d MMM yyyy", "31/01/1925", "dd/MM/yyyy", true},
                 {"M/d/yy", "1/31/1925", "M/d/yyyy", true},
                 {"dd.MM.yy", "31.01.1925", "dd.MM.yyyy", true},
                 {"yyyy-MM-dd", "1925-01-31", "yyyy-MM-dd", false},
                 {"dddd, MMMM d, yyyy", "01/31/1925", "MM/dd/yyyy", true}};
    for (const auto& c : cases) {
        const ShortDateFormat f = ShortDateFormat::WrittenForm(c.locale);
        EXPECT_EQ(f.pattern, c.pattern) << c.locale;
        const std::string text = FormatShortDate(CalendarDate{1925, 1, 31}, f);
        EXPECT_EQ(text, c.written) << c.locale;
        const auto back = InterpretDateOfBirth(text, f, 2026);
        if (c.readBack) {
            EXPECT_EQ(back, (CalendarDate{1925, 1, 31})) << c.locale;
        } else {
            EXPECT_FALSE(back.has_value()) << c.locale;
        }
    }
}

TEST(AudiogramFile, TruncatedAtEveryOffsetChangesNothing) {
    const std::string whole = EncodeAudiogram(SampleRecord(), SamplePerson(), kDayFirst);
    for (size_t n = 0; n < whole.size(); ++n) {
        PatientFile rec;
        rec.TestDateStamp = "keep";
        PersonalData pd{"Keep", "", "", "", std::nullopt, ""};
        const PatientFile before = rec;
        const auto r = DecodeAudiogram(std::string_view(whole).substr(0, n), rec, pd, kDayFirst, 2);
        ASSERT_NE(r, AudiogramReadResult::Read) << n;
        ASSERT_TRUE(SameRecord(rec, before)) << n;
        ASSERT_EQ(pd.LastName, "Keep") << n;
    }
}

TEST(AudiogramFile, ImpossibleTextRecordsAreRefused) {
    const std::string good = EncodeAudiogram(SampleRecord(), SamplePerson(), kDayFirst);
    struct Patch {
        size_t offset;
        std::string bytes;
        AudiogramReadResult result;
    };
    const Patch patches[] = {
        {13, std::string("\x02\x01\0\0", 4), AudiogramReadResult::Damaged},     // N = 258
        {13, std::string("\xFF\xFF\xFF\xFF", 4), AudiogramReadResult::Damaged}, // N = -1
        {13, std::string("\0\0\0\0", 4), AudiogramReadResult::Damaged},         // N = 0
        {17, std::string("\x0C", 1), AudiogramReadResult::Damaged},             // L = N
        {17, std::string("\x0B", 1), AudiogramReadResult::Read},                // L = N - 1
        {0, std::string("\x0Bpatientfile", 12), AudiogramReadResult::NotAudiogram},
        {12, std::string("\xEE", 1), AudiogramReadResult::Read}, // 13th byte ignored
    };
    for (const auto& p : patches) {
        std::string bytes = good;
        bytes.replace(p.offset, p.bytes.size(), p.bytes);
        PatientFile rec;
        PersonalData pd;
        EXPECT_EQ(DecodeAudiogram(bytes, rec, pd, kDayFirst, 2), p.result) << p.offset;
    }
}

TEST(AudiogramFile, CountLargerThanTheTextIsSkipped) {
    std::string bytes = std::string("\x0BPatientFile\0", 13);
    bytes += std::string("\x0A\0\0\0\x03"
                         "abcXXXXXX",
                         14); // N = 10, L = 3
    PutTextRecord(bytes, "t");
    bytes += std::string("\0\0\0", 3);
    PatientFile rec;
    PersonalData pd;
    ASSERT_EQ(DecodeAudiogram(bytes, rec, pd, kDayFirst, 2), AudiogramReadResult::Read);
    EXPECT_EQ(rec.TestDateStamp, "abc");
    EXPECT_EQ(rec.TestTimeStamp, "t");
}

TEST(AudiogramFile, TextsAreWindows1252AndCutTo255) {
    PersonalData pd;
    pd.LastName = std::string(300, 'x');
    pd.FirstName = "Ωmega €";
    const std::string b = EncodeAudiogram(PatientFile{}, pd, kDayFirst);
    PatientFile rec;
    PersonalData back;
    ASSERT_EQ(DecodeAudiogram(b, rec, back, kDayFirst, 2), AudiogramReadResult::Read);
    EXPECT_EQ(back.LastName, std::string(255, 'x'));
    EXPECT_EQ(back.FirstName, "?mega €");
}

class AudiogramFiles : public ::testing::Test {
  protected:
    AudiogramFiles() {
        target = (dir / "a.aud").string();
        std::ofstream(target, std::ios::binary) << "previous";
    }

    std::string Contents() {
        std::string b;
        EXPECT_TRUE(ReadWholeFile(target, b).Done());
        return b;
    }
    test::TempFolder temp{"aud"};
    fs::path dir = temp.Path();
    std::string target;
    RecordingDialogs dialogs;
};

TEST_F(AudiogramFiles, ReadFileReportsWhatItCannotUse) {
    PatientFile rec;
    PersonalData pd;
    FileResult r = ReadFile(target, rec, pd, kDayFirst, 2);
    EXPECT_EQ(r.failure, FileFailure::WrongKind);
    EXPECT_EQ(ReadFailureMessage(r, kMsgNotAudiogram), kMsgNotAudiogram);
    const std::string missing = (dir / "none.aud").string();
    r = ReadFile(missing, rec, pd, kDayFirst, 2);
    EXPECT_EQ(r.failure, FileFailure::CannotOpen);
    EXPECT_EQ(ReadFailureMessage(r, kMsgNotAudiogram),
              "Cannot open file \"" + missing + "\". No such file or directory");
    const std::string whole = EncodeAudiogram(SampleRecord(), SamplePerson(), kDayFirst);
    ASSERT_TRUE(WriteFileAtomically(target, whole.substr(0, whole.size() - 3)).Done());
    EXPECT_EQ(ReadFile(target, rec, pd, kDayFirst, 2).failure, FileFailure::Damaged);
    EXPECT_TRUE(SameRecord(rec, PatientFile())) << "nothing applied";
    ASSERT_TRUE(WriteFile(target, SampleRecord(), SamplePerson(), kDayFirst).Done());
    EXPECT_TRUE(ReadFile(target, rec, pd, kDayFirst, 2).Done());
    EXPECT_TRUE(SameRecord(rec, SampleRecord()));
}

TEST_F(AudiogramFiles, FailedSavesKeepTheOldFile) {
    const std::string targets[] = {(dir / "no" / "x.aud").string(), dir.string()};
    for (const auto& t : targets) {
        SCOPED_TRACE(t);
        const FileResult aud = WriteFile(t, SampleRecord(), SamplePerson(), kDayFirst);
        EXPECT_EQ(aud.failure, FileFailure::CannotWrite);
        EXPECT_EQ(aud.path, t);
        EXPECT_FALSE(aud.reason.empty());
        EXPECT_FALSE(WriteAsciiFile(t, SampleRecord(), SamplePerson(), kDayFirst).Done());
    }
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // as the programs' main does
        rlimit lim{1000, 1000};        // the file is over 2 kB
        setrlimit(RLIMIT_FSIZE, &lim);
        const FileResult r = WriteFile(target, SampleRecord(), SamplePerson(), kDayFirst);
        _exit(r.failure == FileFailure::CannotWrite && r.reason == std::strerror(EFBIG) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Contents(), "previous");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
}

TEST(TextExport, SixHundredLinesMinusForty) {
    PatientFile rec = SampleRecord();
    ClearAudiogram(rec); // as after New
    rec.Reverse[0][0][1] = -15;
    PersonalData pd;
    pd.DateOfBirth = CalendarDate{1970, 1, 31};
    const std::string text = EncodeTextExport(rec, pd, kDayFirst);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
        lines.push_back(text.substr(start, p - start));
    EXPECT_EQ(start, text.size()) << "the last line ends with CR LF too";
    ASSERT_EQ(lines.size(), 560u);
    for (int i : {0, 1, 2, 3, 5})
        EXPECT_EQ(lines[i], "");
    EXPECT_EQ(lines[4], "31/01/1970");
    EXPECT_EQ(lines[6], "05-03-2012");
    EXPECT_EQ(lines[7], "9h5");
    EXPECT_EQ(lines[8], "0");
    EXPECT_EQ(lines[9], "-15");
    EXPECT_EQ(lines[8 + 22], "0");
    EXPECT_EQ(lines[8 + 22 + 1], std::to_string(SampleRecord().Reverse[0][1][1]));
    for (int i = 536; i < 560; ++i)
        EXPECT_EQ(lines[i], "1000");
}

} // namespace
} // namespace tonmark
