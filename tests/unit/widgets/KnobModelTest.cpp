#include "KnobMath.h"
#include "KnobModel.h"

#include <climits>
#include <cmath>

#include <gtest/gtest.h>

using namespace KnobMath;

namespace {

KnobModel volumeKnob()
{
    KnobModel m;
    m.setValues(255, 0, 255);
    return m;
}

} // namespace

TEST(KnobModel, PointerAnglesOfTheVolumeRange)
{
    KnobModel m = volumeKnob();
    EXPECT_FLOAT_EQ(m.AngleStep(), 300.0f / 255.0f);
    EXPECT_EQ(m.IndicatorAngle(), -60);
    m.setPosition(0);
    EXPECT_EQ(m.IndicatorAngle(), 240);
    m.setPosition(128); // 128 * 1.176 = 150.6
    EXPECT_EQ(m.IndicatorAngle(), 89);
    // Default range 0..127: half way is straight up.
    KnobModel d;
    EXPECT_EQ(d.Max(), 127);
    EXPECT_EQ(d.IndicatorAngle(), 240);
    d.setMax(300);
    d.setPosition(150);
    EXPECT_EQ(d.IndicatorAngle(), 90);
}

TEST(KnobModel, ValuesAreClampedIntoTheRange)
{
    KnobModel m = volumeKnob();
    m.setPosition(300);
    EXPECT_EQ(m.Position(), 255);
    m.setPosition(-5);
    EXPECT_EQ(m.Position(), 0);
    // Narrowing the range pulls the value along.
    m.setPosition(200);
    m.setMax(100);
    EXPECT_EQ(m.Position(), 100);
    EXPECT_EQ(m.IndicatorAngle(), -60);
    m.setMin(150);
    EXPECT_EQ(m.Max(), 100);
    EXPECT_GE(m.Position(), 100);
    EXPECT_LE(m.Position(), 150);
}

TEST(KnobModel, EqualEndsPinThePointerToMin)
{
    KnobModel m;
    m.setValues(7, 5, 5);
    EXPECT_EQ(m.AngleStep(), 0.0f);
    EXPECT_EQ(m.Position(), 5);
    EXPECT_EQ(m.IndicatorAngle(), 240);
    for (int angle : {-60, 0, 90, 180, 240})
        EXPECT_EQ(m.valueAtAngle(angle), 5) << angle;
}

TEST(KnobModel, ReversedRangeKeepsThePointerOnTheArc)
{
    KnobModel m;
    m.setValues(500, 100, 0);
    EXPECT_LT(m.AngleStep(), 0.0f);
    EXPECT_EQ(m.Position(), 100);
    EXPECT_EQ(m.IndicatorAngle(), 240);
    m.setPosition(-20);
    EXPECT_EQ(m.Position(), 0);
    EXPECT_EQ(m.IndicatorAngle(), -60);
}

TEST(KnobModel, AnglesMapBackToValues)
{
    const KnobModel m = volumeKnob();
    EXPECT_EQ(m.valueAtAngle(240), 0);
    EXPECT_EQ(m.valueAtAngle(-60), 255);
    // The single-precision step is a little above 300 / 255, so straight up
    // (150 degrees from Min) gives 127.49..., not the half 127.5.
    EXPECT_EQ(m.valueAtAngle(90), 127);
    EXPECT_EQ(m.valueAtAngle(89), 128);
    EXPECT_EQ(angleToValue(0, 10, 0.0f), 10);
    // Every value survives the trip to the pointer angle and back within
    // the one-degree resolution of the pointer.
    KnobModel k = volumeKnob();
    for (int v = 0; v <= 255; ++v) {
        k.setPosition(v);
        EXPECT_LE(std::abs(k.valueAtAngle(k.IndicatorAngle()) - v), 1) << v;
    }
}

TEST(KnobModel, ExtremeRangesDoNotOverflow)
{
    KnobModel m;
    m.setValues(0, INT_MIN, INT_MAX);
    EXPECT_GT(m.AngleStep(), 0.0f);
    EXPECT_EQ(m.IndicatorAngle(), 90);
    m.setPosition(INT_MAX);
    m.applyKey(KnobModel::Key::PageUp);
    EXPECT_EQ(m.Position(), INT_MAX);
    m.applyKey(KnobModel::Key::Increase);
    EXPECT_EQ(m.Position(), INT_MAX);
    EXPECT_EQ(m.IndicatorAngle(), -60);
    m.setPosition(INT_MIN);
    m.applyKey(KnobModel::Key::Decrease);
    m.applyKey(KnobModel::Key::PageDown);
    EXPECT_EQ(m.Position(), INT_MIN);
    EXPECT_EQ(m.IndicatorAngle(), 240);
}

TEST(KnobModel, KeysStopAtTheEnds)
{
    KnobModel m = volumeKnob();
    m.applyKey(KnobModel::Key::PageUp);
    EXPECT_EQ(m.Position(), 255);
    m.setPosition(4);
    m.applyKey(KnobModel::Key::PageDown);
    EXPECT_EQ(m.Position(), 0);
    m.setPageSize(0);
    m.setPosition(50);
    m.applyKey(KnobModel::Key::PageUp);
    EXPECT_EQ(m.Position(), 50);
}

TEST(KnobMath, MouseAnglesAroundTheCentre)
{
    // 41 x 41: centre (20, 20).
    EXPECT_EQ(mouseAngle(30, 20, 41, 41), 0);
    EXPECT_EQ(mouseAngle(20, 5, 41, 41), 90);
    EXPECT_EQ(mouseAngle(20, 20, 41, 41), 90);
    EXPECT_EQ(mouseAngle(5, 20, 41, 41), 180);
    EXPECT_EQ(mouseAngle(30, 10, 41, 41), 45);
    EXPECT_EQ(mouseAngle(10, 10, 41, 41), 135);
    EXPECT_EQ(mouseAngle(10, 30, 41, 41), 225);
    EXPECT_EQ(mouseAngle(30, 30, 41, 41), -45);
}

TEST(KnobMath, BelowTheCentreTheGapMapsToTheEnds)
{
    // Straight down is the Min end.
    EXPECT_EQ(mouseAngle(20, 35, 41, 41), 240);
    // Left of straight down: 240..270 becomes 240.
    EXPECT_EQ(mouseAngle(19, 40, 41, 41), 240);
    EXPECT_EQ(mouseAngle(12, 36, 41, 41), 240); // about 243
    EXPECT_EQ(mouseAngle(8, 40, 41, 41), 239);  // just on the arc
    // Right of straight down: below -60 becomes -60.
    EXPECT_EQ(mouseAngle(21, 40, 41, 41), -60);
    EXPECT_EQ(mouseAngle(28, 36, 41, 41), -60); // about -63
    EXPECT_EQ(mouseAngle(32, 40, 41, 41), -59);
    const KnobModel m = volumeKnob();
    EXPECT_EQ(m.valueAtAngle(mouseAngle(15, 40, 41, 41)), 0);
    EXPECT_EQ(m.valueAtAngle(mouseAngle(25, 40, 41, 41)), 255);
}

TEST(KnobMath, PointerTickNearTheRim)
{
    // r = 20: from 9 to 15 pixels out.
    EXPECT_EQ(pointerLine(20, 0), QLine(29, 20, 35, 20));
    EXPECT_EQ(pointerLine(20, 90), QLine(20, 11, 20, 5));
    // Other angles: both ends within half a pixel (plus the noise of an
    // exact half) of the true points 9 and 15 pixels out.
    for (int angle = -60; angle <= 240; angle += 7) {
        const QLine l = pointerLine(20, angle);
        const double a = angle * M_PI / 180.0;
        EXPECT_NEAR(l.x1(), 20 + 9 * std::cos(a), 0.5 + 1e-9) << angle;
        EXPECT_NEAR(l.y1(), 20 - 9 * std::sin(a), 0.5 + 1e-9) << angle;
        EXPECT_NEAR(l.x2(), 20 + 15 * std::cos(a), 0.5 + 1e-9) << angle;
        EXPECT_NEAR(l.y2(), 20 - 15 * std::sin(a), 0.5 + 1e-9) << angle;
    }
}
