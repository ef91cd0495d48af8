#include "download/CurlClient.h"
#include "download/MTCurlDownloader.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t MiB = 1048576;

TEST(ProgressArithmeticTest, SingleStreamCountsTheResumedBytesOfAKnownLength)
{
    const struct {
        double fileLength;
        int64_t resumeOffset, total, now;
        double percent;
    } cases[] = {
        {20.0 * MiB, 5 * MiB, 15 * MiB, 0, 25.0}, // a resumed transfer starts at 25 %
        {20.0 * MiB, 5 * MiB, 15 * MiB, 15 * MiB, 100.0},
        {20.0 * MiB, 0, 20 * MiB, 2 * MiB, 10.0},
        {1.0 * MiB, 0, 400, 100, 25.0}, // 1 MiB or less: this transfer's own share
        {-1.0, 0, 400, 100, 25.0},
        {-1.0, 0, 0, 100, 0.0},
        {-1.0, 0, 400, 0, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(CurlClient::Percent(c.fileLength, c.resumeOffset, c.total, c.now), c.percent)
            << c.fileLength << " " << c.resumeOffset << " " << c.now;
}

TEST(ProgressArithmeticTest, MultiPartSplitsAtTenMiBUnitsIntoAtMostTwoRanges)
{
    using Range = CMTCurlDownloader::Range;
    const struct {
        int64_t length;
        std::vector<std::pair<int64_t, int64_t>> ranges; // (start, size)
    } cases[] = {
        {256, {{0, 256}}},
        {15 * MiB, {{0, 15 * MiB}}},
        {20971519, {{0, 20971519}}},
        {20971521, {{0, 10485760}, {10485760, 10485761}}},
        {25 * MiB, {{0, 13107200}, {13107200, 13107200}}},
        {25 * MiB + 1, {{0, 13107200}, {13107200, 13107201}}},
        {3LL << 30, {{0, 3LL << 29}, {3LL << 29, 3LL << 29}}}, // beyond 2 GiB
    };
    for (const auto& c : cases) {
        std::vector<std::pair<int64_t, int64_t>> planned;
        for (const Range& range : CMTCurlDownloader::PlanRanges(c.length))
            planned.emplace_back(range.start, range.size);
        EXPECT_EQ(planned, c.ranges) << c.length;
    }
}

TEST(ProgressArithmeticTest, MultiPartPercentageSumsTheRanges)
{
    EXPECT_DOUBLE_EQ(CMTCurlDownloader::Percentage(400, {100, 100}), 50.0);
    EXPECT_DOUBLE_EQ(CMTCurlDownloader::Percentage(400, {0, 100}), 25.0);
    EXPECT_DOUBLE_EQ(CMTCurlDownloader::Percentage(400, {400, 40}), 110.0); // the caller refuses > 100
    EXPECT_DOUBLE_EQ(CMTCurlDownloader::Percentage(255, {255}), 0.0);
    EXPECT_DOUBLE_EQ(CMTCurlDownloader::Percentage(6LL << 30, {3LL << 30, 0}), 50.0);
}

} // namespace
