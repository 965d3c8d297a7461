// Speed gauge and its needle frame table.

#include "skintest.h"

#include "framework/resources.h"
#include "skin/meter.h"
#include "skin/generated/needleframes.h"

#include <QAccessible>
#include <QAccessibleValueInterface>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr double kPivotX = 89.0;
constexpr double kPivotY = 91.5;  // the middle of row 91

std::vector<NeedlePixel> Frame(int k)
{
    std::vector<NeedlePixel> pixels;
    for (const NeedlePixel* p = NeedleFrames[k]; p->x != 0 || p->y != 0; ++p)
        pixels.push_back(*p);
    return pixels;
}

double Distance(const NeedlePixel& px)
{
    return std::hypot(px.x + 0.5 - kPivotX, px.y + 0.5 - kPivotY);
}

// The pixel farthest from the pivot: the tip.
NeedlePixel Tip(const std::vector<NeedlePixel>& pixels)
{
    NeedlePixel tip = pixels.front();
    for (const NeedlePixel& px : pixels) {
        if (Distance(px) > Distance(tip))
            tip = px;
    }
    return tip;
}

TEST(NeedleFrames, RecordsAreFiveBytesAndEveryFrameEndsInFiveZeroBytes)
{
    static_assert(sizeof(NeedlePixel) == 5);
    std::size_t nTotal = 0;
    for (int k = 0; k < NEEDLE_FRAME_COUNT; ++k) {
        ASSERT_NE(NeedleFrames[k], nullptr);
        const std::vector<NeedlePixel> pixels = Frame(k);
        nTotal += pixels.size();
        const unsigned char zero[5] = {};
        EXPECT_EQ(std::memcmp(NeedleFrames[k] + pixels.size(), zero, 5), 0) << "terminator of frame " << k;
        EXPECT_GE(pixels.size(), 188u) << "frame " << k;
        EXPECT_LE(pixels.size(), 314u) << "frame " << k;
    }
    std::printf("needle table: %zu pixel records in 121 frames\n", nTotal);
}

TEST(NeedleFrames, PixelsAreInsideTheDialUniqueAndOrderedBottomRowFirst)
{
    for (int k = 0; k < NEEDLE_FRAME_COUNT; ++k) {
        const std::vector<NeedlePixel> pixels = Frame(k);
        std::set<std::pair<int, int>> seen;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const NeedlePixel& px = pixels[i];
            EXPECT_TRUE(px.x >= 9 && px.x <= 169 && px.y >= 12 && px.y <= 106)
                << "frame " << k << " pixel " << int(px.x) << "," << int(px.y);
            EXPECT_TRUE(seen.insert({px.x, px.y}).second) << "frame " << k << " repeats " << int(px.x) << "," << int(px.y);
            if (i > 0) {
                const NeedlePixel& prev = pixels[i - 1];
                EXPECT_TRUE(px.y < prev.y || (px.y == prev.y && px.x > prev.x)) << "order in frame " << k;
            }
        }
    }
}

TEST(NeedleFrames, NeedleTurnsClockwiseAboutThePivotFromLowerLeftToLowerRight)
{
    // Frame 60 points straight up and is two pixels wide: columns 88 and 89, rows 12 to 105.
    const std::vector<NeedlePixel> up = Frame(60);
    EXPECT_EQ(up.size(), 188u);
    for (const NeedlePixel& px : up) {
        EXPECT_TRUE(px.x == 88 || px.x == 89);
        EXPECT_TRUE(px.y >= 12 && px.y <= 105);
    }

    const struct { int nFrame; int x; int y; } tips[] = {{0, 10, 103}, {60, 88, 12}, {120, 168, 102}};
    for (const auto& expected : tips) {
        const NeedlePixel tip = Tip(Frame(expected.nFrame));
        EXPECT_LE(std::abs(tip.x - expected.x), 2) << "tip of frame " << expected.nFrame;
        EXPECT_LE(std::abs(tip.y - expected.y), 2) << "tip of frame " << expected.nFrame;
    }

    double dPrevAngle = -1000;
    for (int k = 0; k < NEEDLE_FRAME_COUNT; ++k) {
        const std::vector<NeedlePixel> pixels = Frame(k);
        const NeedlePixel tip = Tip(pixels);
        EXPECT_GE(Distance(tip), 78.5) << "frame " << k;
        EXPECT_LE(Distance(tip), 81.5) << "frame " << k;
        // Direction of the needle's outer half, clockwise from straight up.
        double dx = 0, dy = 0;
        for (const NeedlePixel& px : pixels) {
            if (Distance(px) > 40) {
                dx += px.x + 0.5 - kPivotX;
                dy += px.y + 0.5 - kPivotY;
            }
        }
        const double dAngle = std::atan2(dx, -dy) * 180.0 / M_PI;
        EXPECT_GT(dAngle, dPrevAngle) << "frame " << k << " turns clockwise";
        dPrevAngle = dAngle;
        // The tail: the farthest pixel on the other side of the pivot.
        double dTail = 0;
        for (const NeedlePixel& px : pixels) {
            const double dx = px.x + 0.5 - kPivotX, dy = px.y + 0.5 - kPivotY;
            const double dAlong = dx * (tip.x + 0.5 - kPivotX) + dy * (tip.y + 0.5 - kPivotY);
            if (dAlong < 0)
                dTail = std::max(dTail, Distance(px));
        }
        EXPECT_GE(dTail, 13.0) << "tail of frame " << k;
        EXPECT_LE(dTail, 17.5) << "tail of frame " << k;
    }
    EXPECT_NEAR(dPrevAngle, 98.0, 3.0);
}

TEST(NeedleFrames, ColoursRunFromGreenAtThePivotThroughYellowGreenToOrangeRed)
{
    // Straight up, fully covered pixels show the needle's own colour.
    const auto At = [](int y) {
        for (const NeedlePixel& px : Frame(60)) {
            if (px.x == 89 && px.y == y)
                return px;
        }
        return NeedlePixel{};
    };
    const NeedlePixel pivot = At(91);
    EXPECT_NEAR(pivot.red, 60, 25);
    EXPECT_NEAR(pivot.green, 170, 25);
    EXPECT_NEAR(pivot.blue, 20, 20);
    const NeedlePixel mid = At(59);  // half-way along the whole needle
    EXPECT_NEAR(mid.red, 185, 30);
    EXPECT_NEAR(mid.green, 255, 20);
    const NeedlePixel nearTip = At(13);
    EXPECT_GE(nearTip.red, 235);
    EXPECT_LE(nearTip.green, 140);
    EXPECT_LE(nearTip.blue, 20);
    const NeedlePixel tail = At(104);
    EXPECT_LT(tail.green, pivot.green) << "dark green at the tail";
    EXPECT_GT(tail.green, tail.red);
}

// A gauge on a dial whose every pixel is known.
struct Gauge
{
    QImage dial = PatternImage(180, 111, 11);
    CMeter meter;

    Gauge()
    {
        QPalette palette = meter.palette();
        palette.setColor(QPalette::Window, QColor(3, 6, 9));
        meter.setPalette(palette);
        EXPECT_TRUE(meter.SetDialImage(dial));
    }

    // Every needle pixel shows its record's colour, every other pixel the dial.
    void ExpectFrame(int k, const QImage* pDial)
    {
        const QImage shown = Grab(meter);
        ASSERT_EQ(shown.size(), QSize(180, 111));
        std::vector<std::vector<bool>> needle(111, std::vector<bool>(180, false));
        for (const NeedlePixel& px : Frame(k)) {
            needle[px.y][px.x] = true;
            ASSERT_EQ(Rgb(shown, px.x, px.y), C(px.red, px.green, px.blue)) << "frame " << k;
        }
        for (int y = 0; y < 111; ++y) {
            for (int x = 0; x < 180; ++x) {
                if (!needle[y][x]) {
                    ASSERT_EQ(Rgb(shown, x, y), pDial ? Rgb(*pDial, x, y) : C(3, 6, 9))
                        << "frame " << k << " changed " << x << "," << y;
                }
            }
        }
    }
};

TEST(Meter, PaintingSetsExactlyTheFramesPixelsOverTheDial)
{
    Gauge gauge;
    EXPECT_EQ(gauge.meter.size(), QSize(180, 111)) << "the control takes the dial's size";
    gauge.meter.SetRange(0, 120, FALSE);
    for (int k : {0, 1, 37, 60, 119, 120}) {
        gauge.meter.SetPos(k);
        gauge.ExpectFrame(k, &gauge.dial);
    }
}

TEST(Meter, PositionsAreClampedToTheRange)
{
    Gauge gauge;
    gauge.meter.SetPos(110);
    EXPECT_EQ(gauge.meter.GetPos(), 100) << "default range 0..100";
    gauge.meter.SetRange(0, 120, FALSE);
    gauge.meter.SetPos(-5);
    EXPECT_EQ(gauge.meter.GetPos(), 0);
    gauge.meter.SetPos(500);
    EXPECT_EQ(gauge.meter.GetPos(), 120);
    gauge.ExpectFrame(120, &gauge.dial);

    gauge.meter.SetPos(10);
    gauge.meter.SetRange(50, 120, FALSE);
    EXPECT_EQ(gauge.meter.GetPos(), 50) << "SetRange re-clamps at once";
    gauge.ExpectFrame(50, &gauge.dial);
}

TEST(Meter, FrameForSpeedIsHalfTheSpeedUpTo120)
{
    CMeter meter;
    meter.SetRange(0, 120, FALSE);
    const struct { double dSpeed; int nFrame; } cases[] = {
        {0.0, 0}, {1.9, 0}, {2.0, 1}, {100.5, 50}, {239.9, 119}, {240.0, 120}, {241.0, 120}, {600.0, 120}};
    for (const auto& c : cases) {
        meter.SetPos(int(c.dSpeed / 2.0));
        EXPECT_EQ(meter.FrameIndex(), c.nFrame) << "speed " << c.dSpeed;
    }
}

TEST(Meter, NeverReadsOutsideTheTableWhateverTheRange)
{
    Gauge gauge;
    gauge.meter.SetRange(0, 1000, FALSE);
    gauge.meter.SetPos(700);
    EXPECT_EQ(gauge.meter.GetPos(), 700);
    EXPECT_EQ(gauge.meter.FrameIndex(), 120);
    gauge.ExpectFrame(120, &gauge.dial);
    gauge.meter.SetRange(-300, -10, FALSE);
    EXPECT_EQ(gauge.meter.GetPos(), -10);
    EXPECT_EQ(gauge.meter.FrameIndex(), 0);
    gauge.ExpectFrame(0, &gauge.dial);
}

TEST(Meter, FailedDialLeavesTheNeedleOnTheBackgroundColour)
{
    Gauge gauge;
    gauge.meter.SetRange(0, 120, FALSE);
    gauge.meter.SetPos(60);
    EXPECT_FALSE(gauge.meter.SetDialBitmap(99999));
    gauge.ExpectFrame(60, nullptr);
}

TEST(Meter, ShippedDialIsTheGaugesSize)
{
    if (Resources::LoadBitmap(154).isNull())
        GTEST_SKIP() << "bitmap 154 is not among the resources";
    CMeter meter;
    EXPECT_TRUE(meter.SetDialBitmap(154));
    EXPECT_EQ(meter.size(), QSize(180, 111));
    const QImage dial = Resources::LoadBitmap(154);
    meter.SetRange(0, 120, FALSE);
    meter.SetPos(33);
    const QImage shown = Grab(meter);
    for (const NeedlePixel& px : Frame(33))
        ASSERT_EQ(Rgb(shown, px.x, px.y), C(px.red, px.green, px.blue));
    EXPECT_EQ(Rgb(shown, 2, 2), Rgb(dial, 2, 2));
}

TEST(Meter, ExposesItsValueToAssistiveTechnology)
{
    CMeter meter;
    meter.SetRange(0, 120, FALSE);
    meter.SetPos(42);
    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(&meter);
    ASSERT_NE(pIface, nullptr);
    EXPECT_EQ(pIface->role(), QAccessible::ProgressBar);
    EXPECT_FALSE(pIface->text(QAccessible::Name).isEmpty());
    meter.setAccessibleName(QStringLiteral("Speed"));
    EXPECT_EQ(pIface->text(QAccessible::Name), QStringLiteral("Speed"));
    QAccessibleValueInterface* pValue = pIface->valueInterface();
    ASSERT_NE(pValue, nullptr);
    EXPECT_EQ(pValue->currentValue().toInt(), 42);
    EXPECT_EQ(pValue->minimumValue().toInt(), 0);
    EXPECT_EQ(pValue->maximumValue().toInt(), 120);
    EXPECT_EQ(pIface->text(QAccessible::Value), QStringLiteral("42"));
}

} // namespace
