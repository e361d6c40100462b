#include "base/host_contract.h"
#include "output/print_geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

void ExpectPlacement(const PrintPlacement& placement, int x, int y, int width, int height)
{
    EXPECT_EQ(placement.x, x);
    EXPECT_EQ(placement.y, y);
    EXPECT_EQ(placement.width, width);
    EXPECT_EQ(placement.height, height);
}

}  // namespace

TEST(PrintPlacement, WithoutMarginsThePictureSpansThePageFromTheOrigin)
{
    ExpectPlacement(ComputePrintPlacement(4960, 400, 300, nullptr), 0, 0, 4960, 3720);
}

TEST(PrintPlacement, MarginsMoveTheOriginAndNarrowTheWidthButTheBottomOneIsIgnored)
{
    const PrintMargins margins = {30, 30, 30, 30};
    ExpectPlacement(ComputePrintPlacement(496, 400, 300, &margins), 30, 30, 436, 327);
    const PrintMargins lopsided = {10, 70, 50, 100000};
    ExpectPlacement(ComputePrintPlacement(496, 400, 300, &lopsided), 10, 70, 436, 327);
}

TEST(PrintPlacement, HeightComesFromTheAspectInDoublePrecisionAndIsTruncated)
{
    // 35 / (7 / 3.0) is just below 15 in double precision.
    ExpectPlacement(ComputePrintPlacement(35, 7, 3, nullptr), 0, 0, 35, 14);
    ExpectPlacement(ComputePrintPlacement(100, 3, 2, nullptr), 0, 0, 100, 66);
}

TEST(PrintPlacement, MarginsThatReachThePageWidthGiveZeroOrNegativeSizes)
{
    const PrintMargins touching = {250, 0, 246, 0};
    ExpectPlacement(ComputePrintPlacement(496, 400, 300, &touching), 250, 0, 0, 0);
    const PrintMargins overlapping = {300, 0, 296, 0};
    ExpectPlacement(ComputePrintPlacement(496, 400, 300, &overlapping), 300, 0, -100, -75);
}

TEST(PrintPlacement, AbsurdMarginsAndProportionsStayDefined)
{
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    // The width wraps as 32-bit device arithmetic does.
    const PrintMargins huge = {kMin, 0, 1, 0};
    EXPECT_EQ(ComputePrintPlacement(0, 1, 1, &huge).width, kMax);
    // A height beyond 32 bits saturates instead of overflowing the conversion.
    EXPECT_EQ(ComputePrintPlacement(kMax, 1, 16384, nullptr).height, kMax);
    const PrintMargins negative = {1 << 20, 0, 0, 0};
    EXPECT_EQ(ComputePrintPlacement(0, 1, 16384, &negative).height, kMin);
}
