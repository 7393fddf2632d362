#include "gauge/needle_math.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace gaugix {
namespace {

struct Position {
    double value;
    float x1;
    float y1;
};

void expectTip(const Position& p)
{
    const double angle = needleAngle(p.value, kPigreco);
    EXPECT_NEAR(tipX(angle, kRaggio), p.x1, 1e-4) << "value " << p.value;
    EXPECT_NEAR(tipY(angle, kRaggio), p.y1, 1e-4) << "value " << p.value;
}

TEST(NeedleMath, PigrecoIsTheFixedLiteralNotTheClosestDoubleToPi)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &kPigreco, sizeof bits);
    EXPECT_EQ(bits, 0x400921FB54442D11u);
}

TEST(NeedleMath, ScalePositionsFromZeroToFiveVolts)
{
    for (const Position& p : {Position{0, 40.40202f, 56.40202f}, Position{1, 54.57653f, 46.10363f},
                              Position{2.5, 80.0f, 40.0f}, Position{4, 105.42347f, 46.10363f},
                              Position{5, 119.59798f, 56.40202f}})
        expectTip(p);
}

TEST(NeedleMath, ValuesOutsideTheScaleKeepTurningUnclamped)
{
    for (const Position& p : {Position{7.5, 136.0f, 96.0f}, Position{10, 119.59798f, 135.59798f},
                              Position{20, 40.40202f, 56.40202f}, Position{-5, 40.40202f, 135.59798f}})
        expectTip(p);
}

TEST(NeedleMath, OneVoltTurnsEighteenDegreesFromTheStartAngle)
{
    EXPECT_DOUBLE_EQ(needleAngle(0, kPigreco), 1.25 * kPigreco);
    EXPECT_NEAR(needleAngle(1, kPigreco) - needleAngle(0, kPigreco), kPigreco / 10, 1e-15);
}

} // namespace
} // namespace gaugix
