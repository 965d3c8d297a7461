// Bitmap slider: geometry, mouse, keys, notifications and drawing.

#include "skintest.h"

#include "skin/bitmapslider.h"
#include "framework/controlid.h"
#include "framework/resources.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Message = MessageSink::Message;

constexpr QRgb kNormal = 0x2040A0;  // the channel's normal picture
constexpr QRgb kActive = 0xC03010;  // the played part

// The thumb: black (the key, read from pixel (0, 0)) except for a cross and a few
// near-black pixels that must not count as the key.
QImage ThumbImage(QRgb rgbInk)
{
    QImage thumb = SolidImage(18, 18, qRgb(0, 0, 0));
    for (int i = 2; i < 16; ++i) {
        thumb.setPixel(i, 9, rgbInk | 0xFF000000);
        thumb.setPixel(9, i, rgbInk | 0xFF000000);
    }
    thumb.setPixel(3, 3, qRgb(0, 0, 1));
    thumb.setPixel(14, 3, qRgb(1, 0, 0));
    thumb.setPixel(3, 14, qRgb(255, 255, 255));
    return thumb;
}

// A slider of the main window's kind on a parent that records what it is told.
struct SliderScene
{
    MessageSink sink;
    CBitmapSlider slider;

    SliderScene(int nId, int nWidth, bool bPatterned = false)
    {
        slider.setParent(&sink);
        SetDlgCtrlID(&slider, nId);
        const QImage normal = bPatterned ? PatternImage(nWidth, 18, 1) : SolidImage(nWidth, 18, kNormal);
        const QImage active = bPatterned ? PatternImage(nWidth, 18, 99) : SolidImage(nWidth, 18, kActive);
        EXPECT_TRUE(slider.SetChannelImages(normal, active));
        EXPECT_TRUE(slider.SetThumbImages(ThumbImage(0xFFFF00), ThumbImage(0x00FFFF), TRUE,
                                          CBitmapSlider::KEY_FROM_PIXEL, 0, 0));
        slider.SetRange(0, 100, FALSE);
        slider.SetPos(0);
        sink.resize(600, 40);
        slider.move(0, 0);
    }
};

TEST(BitmapSlider, PositionAndPixelFiguresOfBothSliders)
{
    SliderScene progress(1006, 500);
    EXPECT_EQ(progress.slider.size(), QSize(500, 18)) << "sized to the channel";
    const int nPos[] = {0, 1, 33, 50, 99, 100};
    const int nPixel[] = {9, 13, 168, 250, 486, 491};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(progress.slider.PosToPixel(nPos[i]), nPixel[i]) << "position " << nPos[i];
    const int nX[] = {9, 10, 14, 250, 300, 490, 491};
    const int nAt[] = {0, 0, 1, 50, 60, 99, 100};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(progress.slider.PixelToPos(nX[i]), nAt[i]) << "x " << nX[i];

    SliderScene volume(1007, 110);
    EXPECT_EQ(volume.slider.PosToPixel(50), 55);
    EXPECT_EQ(volume.slider.PosToPixel(0), 9);
    EXPECT_EQ(volume.slider.PosToPixel(1), 9);
    EXPECT_EQ(volume.slider.PosToPixel(100), 101);
}

TEST(BitmapSlider, PressOffTheThumbJumpsThereAndTheReleaseReportsIt)
{
    SliderScene scene(1006, 500);
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(300, 9));
    EXPECT_EQ(scene.slider.GetPos(), 60);
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_TRACK, 1006, 60}}));
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(300, 9));
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_CHANGED, 1006, 60}}));
}

TEST(BitmapSlider, PressOnTheThumbKeepsTheGrabPointAndPostsNothingUntilItMoves)
{
    SliderScene scene(1006, 500);
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(15, 9));
    EXPECT_EQ(scene.slider.GetPos(), 0);
    EXPECT_TRUE(scene.sink.Take().empty());
    // The thumb centre follows the pointer 6 pixels behind it.
    QTest::mouseMove(&scene.slider, QPoint(30, 9));
    EXPECT_EQ(scene.slider.GetPos(), scene.slider.PixelToPos(24));
    EXPECT_EQ(scene.slider.GetPos(), 3);
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_TRACK, 1006, 3}}));
    QTest::mouseMove(&scene.slider, QPoint(256, 9));
    EXPECT_EQ(scene.slider.GetPos(), 50);
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_TRACK, 1006, 50}}));
    QTest::mouseMove(&scene.slider, QPoint(256, 14));  // the thumb stays in its column: nothing to tell
    EXPECT_TRUE(scene.sink.Take().empty());
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(256, 14));
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_CHANGED, 1006, 50}}));
}

TEST(BitmapSlider, ReleaseWithoutMovementStillReportsThePosition)
{
    SliderScene scene(1006, 500);
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(15, 9));
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(15, 9));
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_CHANGED, 1006, 0}}));
}

TEST(BitmapSlider, DraggingBeyondEitherEndPinsTheThumb)
{
    SliderScene scene(1006, 500);
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(250, 9));
    QTest::mouseMove(&scene.slider, QPoint(900, 9));
    EXPECT_EQ(scene.slider.GetPos(), 100);
    EXPECT_EQ(scene.slider.PosToPixel(scene.slider.GetPos()), 491);
    QTest::mouseMove(&scene.slider, QPoint(-300, 9));
    EXPECT_EQ(scene.slider.GetPos(), 0);
    EXPECT_EQ(scene.slider.PosToPixel(scene.slider.GetPos()), 9);
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(-300, 9));
    const std::vector<Message> messages = scene.sink.Take();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[1], (Message{WM_SLIDER_TRACK, 1006, 100}));
    EXPECT_EQ(messages[2], (Message{WM_SLIDER_TRACK, 1006, 0}));
    EXPECT_EQ(messages[3], (Message{WM_SLIDER_CHANGED, 1006, 0}));
}

TEST(BitmapSlider, MovesWithoutAPressDoNothing)
{
    SliderScene scene(1006, 500);
    QMouseEvent move(QEvent::MouseMove, QPointF(300, 9), QPointF(300, 9), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&scene.slider, &move);
    EXPECT_EQ(scene.slider.GetPos(), 0);
    EXPECT_TRUE(scene.sink.Take().empty());
}

TEST(BitmapSlider, TheEightKeysAndTheirNotifications)
{
    SliderScene scene(1007, 110);
    const auto Key = [&](Qt::Key key, int nFrom) {
        scene.slider.SetPos(nFrom);
        scene.sink.Take();
        QTest::keyClick(&scene.slider, key);
        const std::vector<Message> messages = scene.sink.Take();
        EXPECT_EQ(messages.size(), 1u);
        if (!messages.empty()) {
            EXPECT_EQ(messages[0].nType, WM_SLIDER_CHANGED);
            EXPECT_EQ(messages[0].wParam, 1007u);
            EXPECT_EQ(messages[0].lParam, scene.slider.GetPos());
        }
        return scene.slider.GetPos();
    };
    EXPECT_EQ(Key(Qt::Key_End, 100), 100) << "reported although nothing changed";
    EXPECT_EQ(Key(Qt::Key_PageDown, 95), 100);
    EXPECT_EQ(Key(Qt::Key_PageDown, 50), 70);
    EXPECT_EQ(Key(Qt::Key_PageUp, 10), 0);
    EXPECT_EQ(Key(Qt::Key_PageUp, 50), 30);
    EXPECT_EQ(Key(Qt::Key_Home, 50), 0);
    EXPECT_EQ(Key(Qt::Key_End, 50), 100);
    EXPECT_EQ(Key(Qt::Key_Left, 50), 49);
    EXPECT_EQ(Key(Qt::Key_Up, 50), 49);
    EXPECT_EQ(Key(Qt::Key_Right, 50), 51);
    EXPECT_EQ(Key(Qt::Key_Down, 50), 51);
    EXPECT_EQ(Key(Qt::Key_Left, 0), 0);

    // Any other key, Escape and Enter too, stays with the slider and tells nothing.
    for (Qt::Key key : {Qt::Key_A, Qt::Key_Escape, Qt::Key_Return}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&scene.slider, &press);
        EXPECT_TRUE(press.isAccepted());
        EXPECT_TRUE(scene.sink.Take().empty());
    }
}

TEST(BitmapSlider, SetRangeDoesNotReclampTheNextSetPosDoes)
{
    SliderScene scene(1006, 500);
    scene.slider.SetPos(80);
    scene.slider.SetRange(0, 50, FALSE);
    EXPECT_EQ(scene.slider.GetPos(), 80);
    (void)Grab(scene.slider);  // a position beyond the range still paints
    scene.slider.SetPos(scene.slider.GetPos());
    EXPECT_EQ(scene.slider.GetPos(), 50);
}

TEST(BitmapSlider, EmptyRangeKeepsTheThumbAtTheLeftAndThePositionAtTheMinimum)
{
    SliderScene scene(1006, 500);
    scene.slider.SetRange(5, 5, FALSE);
    scene.slider.SetPos(70);
    EXPECT_EQ(scene.slider.GetPos(), 5);
    EXPECT_EQ(scene.slider.PosToPixel(5), 9);
    EXPECT_EQ(scene.slider.PixelToPos(300), 5);
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(300, 9));
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(300, 9));
    EXPECT_EQ(scene.slider.GetPos(), 5);
    const QImage shown = Grab(scene.slider);
    EXPECT_EQ(Rgb(shown, 9, 9), C(255, 255, 0)) << "the thumb's cross at the left end";
}

TEST(BitmapSlider, PlayedPartComesFromTheActiveChannel)
{
    SliderScene scene(1006, 500, true);
    const QImage normal = PatternImage(500, 18, 1);
    const QImage active = PatternImage(500, 18, 99);
    const auto ExpectSplit = [&](int nPos, int nFirstNormal) {
        scene.slider.SetPos(nPos);
        const QImage shown = Grab(scene.slider);
        for (int x = 0; x < 500; ++x) {
            // Row 0 lies above the thumb's cross: only the key colour there.
            ASSERT_EQ(Rgb(shown, x, 0), x < nFirstNormal ? Rgb(active, x, 0) : Rgb(normal, x, 0))
                << "position " << nPos << " column " << x;
        }
    };
    ExpectSplit(0, 9);
    ExpectSplit(100, 491);
    ExpectSplit(50, 250);
}

TEST(BitmapSlider, ThumbShowsThroughItsKeyMask)
{
    SliderScene scene(1006, 500, true);
    const QImage normal = PatternImage(500, 18, 1);
    const QImage active = PatternImage(500, 18, 99);
    const QImage thumb = ThumbImage(0xFFFF00);
    scene.slider.SetPos(50);  // centre 250, thumb from x = 241
    const QImage shown = Grab(scene.slider);
    for (int y = 0; y < 18; ++y) {
        for (int x = 0; x < 18; ++x) {
            const int sx = 241 + x;
            const QRgb under = sx < 250 ? Rgb(active, sx, y) : Rgb(normal, sx, y);
            const QRgb expected = Rgb(thumb, x, y) == 0 ? under : Rgb(thumb, x, y);
            ASSERT_EQ(Rgb(shown, sx, y), expected) << "thumb pixel " << x << "," << y;
        }
    }
}

TEST(BitmapSlider, ActiveThumbWhileTheButtonIsHeld)
{
    SliderScene scene(1006, 500);
    scene.slider.SetPos(50);
    EXPECT_EQ(Rgb(Grab(scene.slider), 250, 9), C(255, 255, 0));
    QTest::mousePress(&scene.slider, Qt::LeftButton, {}, QPoint(250, 9));
    EXPECT_TRUE(scene.slider.IsDragging());
    EXPECT_EQ(Rgb(Grab(scene.slider), 250, 9), C(0, 255, 255));
    QTest::mouseRelease(&scene.slider, Qt::LeftButton, {}, QPoint(250, 9));
    EXPECT_EQ(Rgb(Grab(scene.slider), 250, 9), C(255, 255, 0));
}

TEST(BitmapSlider, MissingImagesFailAndDrawNothingOfThem)
{
    CBitmapSlider slider;
    EXPECT_FALSE(slider.SetChannelBitmaps(99999, 0));
    EXPECT_FALSE(slider.SetThumbBitmaps(99999, 0, TRUE, CBitmapSlider::KEY_FROM_PIXEL, 0, 0));
    EXPECT_TRUE(slider.SetChannelImages(SolidImage(100, 18, kNormal), QImage()));
    EXPECT_FALSE(slider.SetThumbBitmaps(99999, 0, TRUE, CBitmapSlider::KEY_FROM_PIXEL, 0, 0));
    slider.SetPos(40);
    const QImage shown = Grab(slider);
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(Rgb(shown, x, 9), kNormal);
}

TEST(BitmapSlider, ShippedPicturesHaveTheMainWindowsSizes)
{
    if (Resources::LoadBitmap(145).isNull() || Resources::LoadBitmap(147).isNull())
        GTEST_SKIP() << "the slider bitmaps are not among the resources";
    CBitmapSlider progress, volume;
    EXPECT_TRUE(progress.SetChannelBitmaps(145, 148));
    EXPECT_TRUE(progress.SetThumbBitmaps(147, 146, TRUE, 0xFF000000, 0, 0));
    EXPECT_TRUE(volume.SetChannelBitmaps(149, 150));
    EXPECT_TRUE(volume.SetThumbBitmaps(147, 146, TRUE, 0xFF000000, 0, 0));
    EXPECT_EQ(progress.size(), QSize(500, 18));
    EXPECT_EQ(volume.size(), QSize(110, 18));
    EXPECT_EQ(progress.PosToPixel(33), 168);
    EXPECT_EQ(volume.PosToPixel(50), 55);
}

TEST(BitmapSlider, ExposesItsValueAndTakesOneFromAssistiveTechnology)
{
    SliderScene scene(1007, 110);
    scene.slider.setAccessibleName(QStringLiteral("Volume"));
    scene.slider.SetPos(50);
    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(&scene.slider);
    ASSERT_NE(pIface, nullptr);
    EXPECT_EQ(pIface->role(), QAccessible::Slider);
    EXPECT_EQ(pIface->text(QAccessible::Name), QStringLiteral("Volume"));
    QAccessibleValueInterface* pValue = pIface->valueInterface();
    ASSERT_NE(pValue, nullptr);
    EXPECT_EQ(pValue->currentValue().toInt(), 50);
    EXPECT_EQ(pValue->maximumValue().toInt(), 100);
    scene.sink.Take();
    pValue->setCurrentValue(30);
    EXPECT_EQ(scene.slider.GetPos(), 30);
    EXPECT_EQ(scene.sink.Take(), (std::vector<Message>{{WM_SLIDER_CHANGED, 1007, 30}}));
}

} // namespace
