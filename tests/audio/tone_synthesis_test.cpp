#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio/tone_synthesis.h"

namespace tonmark {
namespace {

int16_t Sample(const std::string& d, size_t frame, int channel) {
    int16_t v;
    std::memcpy(&v, d.data() + frame * 4 + channel * 2, 2);
    return v;
}

TEST(CreateSound, QuarterPeriodVectorInEachChannel) {
    const struct {
        int left, right;
        std::string bytes;
    } cases[] = {
        {1, 0, std::string("\0\0\0\0\xFF\x7F\0\0\0\0\0\0\x01\x80\0\0", 16)},
        {0, 1, std::string("\0\0\0\0\0\0\xFF\x7F\0\0\0\0\0\0\x01\x80", 16)},
        {0, 0, std::string(16, '\0')},
        {1, 1, std::string("\0\0\0\0\xFF\x7F\xFF\x7F\0\0\0\0\x01\x80\x01\x80", 16)},
    };
    for (const auto& c : cases) {
        std::string d;
        CreateSound(11025, 0, 0.0001, 0, d, false, c.left, c.right);
        EXPECT_EQ(d, c.bytes) << c.left << c.right;
    }
}

TEST(CreateSound, FrameCountsAtExtendedPrecision) {
    const struct {
        double seconds;
        int64_t frames;
    } cases[] = {{0.3, 13229}, {0.15, 6614}, {0.7, 30869}, {0.2, 8820},         {1.0, 44100},
                 {0, 0},       {-1, 0},      {NAN, 0},     {1e300, 600 * 44100}};
    for (const auto& c : cases)
        EXPECT_EQ(FrameCount(c.seconds), c.frames) << c.seconds;
}

TEST(CreateSound, LengthsAndAppending) {
    std::string d = "xyz";
    CreateSound(1000, -20, 1.0, 0, d, true, 1, 0);
    EXPECT_EQ(d.size(), 3u + 176400);
    EXPECT_EQ(d.substr(0, 3), "xyz");
    std::string e;
    CreateSound(1000, -20, 0.2, 0.8, e, true, 1, 0);
    ASSERT_EQ(e.size(), (8820u + 35280u) * 4);
    EXPECT_EQ(e.find_first_not_of('\0', 8820 * 4), std::string::npos);
    std::string twice;
    CreateSound(1000, -20, 0.2, 0.8, twice, true, 1, 0);
    CreateSound(1000, -20, 0.2, 0.8, twice, true, 1, 0);
    EXPECT_EQ(twice, e + e);
    std::string pauseOnly;
    CreateSound(1000, 0, 0, 0.001, pauseOnly, true, 1, 0);
    EXPECT_EQ(pauseOnly, std::string(44 * 4, '\0'));
    std::string none;
    CreateSound(1000, 0, -1, -1, none, true, 1, 0);
    EXPECT_TRUE(none.empty());
}

TEST(CreateSound, WindowShapesOnlyTheOuterQuarters) {
    std::string plain, windowed;
    CreateSound(1000, -6, 0.1, 0, plain, false, 1, 0); // N = 4410
    CreateSound(1000, -6, 0.1, 0, windowed, true, 1, 0);
    const size_t n = 4410;
    EXPECT_EQ(Sample(windowed, 0, 0), 0);
    for (size_t i = (n + 3) / 4; i <= 3 * n / 4; ++i)
        ASSERT_EQ(Sample(windowed, i, 0), Sample(plain, i, 0)) << i;
    int maxEdge = 0;
    for (size_t i = 0; i < 20; ++i)
        maxEdge = std::max(maxEdge, std::abs(static_cast<int>(Sample(windowed, i, 0))));
    EXPECT_LT(maxEdge, 200);
}

TEST(CreateSound, LevelsBeyondFullScaleAreClippedNotWrapped) {
    std::string d;
    CreateSound(11025, 6, 0.0001, 0, d, false, 1, 0);
    EXPECT_EQ(Sample(d, 1, 0), 32767);
    EXPECT_EQ(Sample(d, 3, 0), -32767);
    std::string quiet;
    CreateSound(1000, -100, 0.01, 0, quiet, false, 1, 0);
    EXPECT_EQ(quiet, std::string(quiet.size(), '\0'));
}

} // namespace
} // namespace tonmark
