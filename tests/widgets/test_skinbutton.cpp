// Skinned push button: colours, images, masks, hover, press, parent background, tooltip.

#include "skintest.h"

#include "skin/bkdialog.h"
#include "framework/resources.h"
#include "skin/skinbutton.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDialog>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QWindow>

#include <gtest/gtest.h>

#include <set>

namespace {

using B = CSkinButton;

const QColor kLight(250, 251, 252);  // the palette's highlight edge
const QColor kDark(90, 91, 92);      // and its shadow edge

QRgb Q(const QColor& clr)
{
    return clr.rgb() & 0xFFFFFF;
}

// 16 x 12, black (the key) in a two-pixel border; inside, colours that are neither the key
// nor white, except one near-black and one white pixel that must stay opaque.
QImage ButtonBitmap()
{
    QImage bitmap = SolidImage(16, 12, qRgb(0, 0, 0));
    for (int y = 2; y < 10; ++y) {
        for (int x = 2; x < 14; ++x)
            bitmap.setPixel(x, y, qRgb(100 + x * 5, 50 + y * 10, 200));
    }
    bitmap.setPixel(5, 5, qRgb(0, 0, 1));
    bitmap.setPixel(6, 5, qRgb(255, 255, 255));
    return bitmap;
}

bool IsKey(const QImage& bitmap, int x, int y)
{
    return Rgb(bitmap, x, y) == 0;
}

// A skinned dialog that refreshes its buttons' background after painting, as the main
// window does, and counts its paints.
class SkinDialog : public CBkDialog
{
public:
    SkinDialog() : CBkDialog(131, nullptr) {}
    std::vector<CSkinButton*> buttons;
    int nPaints = 0;

protected:
    void paintEvent(QPaintEvent* pEvent) override
    {
        CBkDialog::paintEvent(pEvent);
        ++nPaints;
        for (CSkinButton* pButton : buttons)
            pButton->UseParentBackground(TRUE);
    }
};

struct ButtonScene
{
    QImage picture = PatternImage(200, 120, 7);
    SkinDialog dialog;
    CSkinButton button;
    QPoint ptButton{60, 40};

    explicit ButtonScene(bool bParentBackground = false)
    {
        dialog.SetBackgroundImage(picture);
        dialog.setFixedSize(200, 120);
        button.setParent(&dialog);
        button.setGeometry(QRect(ptButton, QSize(30, 28)));
        QPalette palette = button.palette();
        palette.setColor(QPalette::Light, kLight);
        palette.setColor(QPalette::Dark, kDark);
        button.setPalette(palette);
        button.SetStateColor(B::BTNCLR_NORMAL_BK, RGB(10, 20, 30), FALSE);
        button.SetStateColor(B::BTNCLR_ACTIVE_BK, RGB(40, 50, 60), FALSE);
        button.SetStateColor(B::BTNCLR_FOCUS_BK, RGB(70, 80, 90), FALSE);
        if (bParentBackground) {
            dialog.buttons.push_back(&button);
            button.UseParentBackground(TRUE);
        }
    }

    void Show()
    {
        dialog.move(40, 40);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // Away from the button: the pointer may still rest where an earlier window had it.
        QTest::mouseMove(Window(), QPoint(190, 110));
        QCoreApplication::processEvents();
    }

    QWindow* Window() { return dialog.windowHandle(); }

    void MoveMouse(const QPoint& ptInButton)
    {
        QTest::mouseMove(Window(), button.mapTo(&dialog, ptInButton));
        QCoreApplication::processEvents();
    }
};

TEST(SkinButton, ShiftStateColorKeepsTheHueAndChecksItsArguments)
{
    CSkinButton button;
    const auto Shift = [&](COLORREF clr, short nOffset) {
        button.SetStateColor(B::BTNCLR_ACTIVE_BK, clr, FALSE);
        EXPECT_EQ(button.ShiftStateColor(B::BTNCLR_ACTIVE_BK, nOffset, FALSE), DWORD(B::BTNRES_OK));
        COLORREF clrOut = 0;
        button.GetStateColor(B::BTNCLR_ACTIVE_BK, &clrOut);
        return clrOut;
    };
    EXPECT_EQ(Shift(RGB(250, 100, 100), 30), RGB(255, 105, 105));
    EXPECT_EQ(Shift(RGB(10, 50, 50), -30), RGB(0, 40, 40));
    EXPECT_EQ(Shift(RGB(212, 208, 200), 30), RGB(242, 238, 230));
    EXPECT_EQ(Shift(RGB(1, 2, 3), 255), RGB(253, 254, 255));
    EXPECT_EQ(Shift(RGB(1, 2, 3), 0), RGB(1, 2, 3));

    button.SetStateColor(B::BTNCLR_NORMAL_BK, RGB(9, 8, 7), FALSE);
    EXPECT_EQ(button.ShiftStateColor(B::BTNCLR_NORMAL_BK, 256, TRUE), DWORD(B::BTNRES_BAD_PARAM));
    EXPECT_EQ(button.ShiftStateColor(B::BTNCLR_NORMAL_BK, -256, TRUE), DWORD(B::BTNRES_BAD_PARAM));
    EXPECT_EQ(button.ShiftStateColor(6, 30, TRUE), DWORD(B::BTNRES_BAD_INDEX));
    EXPECT_EQ(button.SetStateColor(6, RGB(1, 1, 1), TRUE), DWORD(B::BTNRES_BAD_INDEX));
    COLORREF clr = 0x123456;
    EXPECT_EQ(button.GetStateColor(6, &clr), DWORD(B::BTNRES_BAD_INDEX));
    EXPECT_EQ(clr, 0x123456u);
    EXPECT_EQ(button.GetStateColor(B::BTNCLR_NORMAL_BK, &clr), DWORD(B::BTNRES_OK));
    EXPECT_EQ(clr, RGB(9, 8, 7)) << "rejected calls change nothing";
    EXPECT_EQ(button.SetImageAlignment(3, TRUE), DWORD(B::BTNRES_BAD_ALIGN));
    EXPECT_EQ(button.SetImageAlignment(B::IMGALIGN_RIGHT, TRUE), DWORD(B::BTNRES_OK));
}

TEST(SkinButton, StateColoursStartAsTheButtonFaceAndText)
{
    CSkinButton button;
    const QPalette palette = button.palette();
    const COLORREF clrFace = RGB(palette.color(QPalette::Button).red(), palette.color(QPalette::Button).green(),
                                 palette.color(QPalette::Button).blue());
    const COLORREF clrText = RGB(palette.color(QPalette::ButtonText).red(),
                                 palette.color(QPalette::ButtonText).green(), palette.color(QPalette::ButtonText).blue());
    for (BYTE i = 0; i < 6; ++i) {
        COLORREF clr = 0;
        button.GetStateColor(i, &clr);
        EXPECT_EQ(clr, i % 2 == 0 ? clrFace : clrText) << "colour " << int(i);
    }
    button.SetStateColor(B::BTNCLR_FOCUS_FG, RGB(1, 2, 3), FALSE);
    EXPECT_EQ(button.ResetStateColors(FALSE), DWORD(B::BTNRES_OK));
    COLORREF clr = 0;
    button.GetStateColor(B::BTNCLR_FOCUS_FG, &clr);
    EXPECT_EQ(clr, clrText);
}

TEST(SkinButton, FlatBitmapButtonHoverBorderAndPressedOffset)
{
    ButtonScene scene;
    const QImage bitmap = ButtonBitmap();
    ASSERT_EQ(scene.button.AssignBitmaps(bitmap, RGB(0, 0, 0), QImage(), RGB(0, 0, 0)), DWORD(B::BTNRES_OK));
    scene.Show();

    // Idle: the normal face, no border, the bitmap centred at ((30 - 16) / 2, (28 - 12) / 2).
    const auto ExpectBitmapAt = [&](const QImage& shown, const QPoint& pt, QRgb rgbFace) {
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(Rgb(shown, pt.x() + x, pt.y() + y), IsKey(bitmap, x, y) ? rgbFace : Rgb(bitmap, x, y))
                    << "bitmap pixel " << x << "," << y;
        }
    };
    QImage shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, 0, 0), C(10, 20, 30));
    EXPECT_EQ(Rgb(shown, 29, 27), C(10, 20, 30));
    ExpectBitmapAt(shown, QPoint(7, 8), C(10, 20, 30));

    // Hovered: raised one-pixel border, highlight top and left, shadow right and bottom.
    scene.MoveMouse(QPoint(15, 14));
    ASSERT_TRUE(scene.button.IsHovered());
    shown = Grab(scene.button);
    for (int x = 0; x < 29; ++x)
        ASSERT_EQ(Rgb(shown, x, 0), Q(kLight)) << x;
    for (int y = 0; y < 27; ++y)
        ASSERT_EQ(Rgb(shown, 0, y), Q(kLight)) << y;
    for (int y = 0; y < 28; ++y)
        ASSERT_EQ(Rgb(shown, 29, y), Q(kDark)) << y;
    for (int x = 0; x < 30; ++x)
        ASSERT_EQ(Rgb(shown, x, 27), Q(kDark)) << x;
    EXPECT_EQ(Rgb(shown, 1, 1), C(40, 50, 60)) << "the active face";
    ExpectBitmapAt(shown, QPoint(7, 8), C(40, 50, 60));

    // Pressed: sunken border and the bitmap one pixel down and right.
    QTest::mousePress(&scene.button, Qt::LeftButton, {}, QPoint(15, 14));
    shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, 0, 0), Q(kDark));
    EXPECT_EQ(Rgb(shown, 0, 26), Q(kDark));
    EXPECT_EQ(Rgb(shown, 28, 0), Q(kDark));
    EXPECT_EQ(Rgb(shown, 29, 0), Q(kLight));
    EXPECT_EQ(Rgb(shown, 29, 27), Q(kLight));
    EXPECT_EQ(Rgb(shown, 0, 27), Q(kLight));
    ExpectBitmapAt(shown, QPoint(8, 9), C(40, 50, 60));
    QTest::mouseRelease(&scene.button, Qt::LeftButton, {}, QPoint(15, 14));

    // Leaving takes the border away.
    scene.MoveMouse(QPoint(-20, -20));
    EXPECT_FALSE(scene.button.IsHovered());
    EXPECT_EQ(Rgb(Grab(scene.button), 0, 0), C(10, 20, 30));
}

TEST(SkinButton, FocusedFaceColourAndNoBorderWithoutHoverBorder)
{
    ButtonScene scene;
    scene.button.EnableHoverBorder(FALSE, FALSE);
    scene.Show();
    scene.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&scene.dialog));
    scene.button.setFocus();
    ASSERT_TRUE(scene.button.hasFocus());
    EXPECT_EQ(Rgb(Grab(scene.button), 0, 0), C(70, 80, 90));
    scene.MoveMouse(QPoint(15, 14));
    ASSERT_TRUE(scene.button.IsHovered());
    const QImage shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, 0, 0), C(40, 50, 60)) << "hover wins over focus; no border";
    EXPECT_EQ(Rgb(shown, 29, 27), C(40, 50, 60));
}

TEST(SkinButton, KeyColouredPixelsShowTheParentBackground)
{
    ButtonScene scene(true);
    const QImage bitmap = ButtonBitmap();
    ASSERT_EQ(scene.button.AssignBitmaps(bitmap, RGB(0, 0, 0), QImage(), RGB(0, 0, 0)), DWORD(B::BTNRES_OK));
    // Face colours have no say while the parent's background is used.
    for (BYTE i = 0; i < 6; ++i)
        scene.button.SetStateColor(i, RGB(255, 0, 0), FALSE);
    const QImage shown = Grab(scene.button);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 30; ++x) {
            const int bx = x - 7, by = y - 8;
            const bool bOnBitmap = bx >= 0 && bx < 16 && by >= 0 && by < 12 && !IsKey(bitmap, bx, by);
            const QRgb expected = bOnBitmap ? Rgb(bitmap, bx, by) : Rgb(scene.picture, 60 + x, 40 + y);
            ASSERT_EQ(Rgb(shown, x, y), expected) << x << "," << y;
        }
    }
}

TEST(SkinButton, ParentBackgroundSurvivesCoveringAndUncovering)
{
    ButtonScene scene(true);
    const QImage bitmap = ButtonBitmap();
    scene.button.AssignBitmaps(bitmap, RGB(0, 0, 0), QImage(), RGB(0, 0, 0));
    scene.Show();
    QTest::qWait(100);

    QWidget cover(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    QPalette palette = cover.palette();
    palette.setColor(QPalette::Window, QColor(255, 0, 255));
    cover.setPalette(palette);
    cover.setAutoFillBackground(true);
    cover.setGeometry(scene.dialog.geometry().adjusted(-10, -10, 10, 10));
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    // The dialog repaints while it is covered: the buttons capture their background then.
    scene.dialog.update();
    QTest::qWait(100);
    cover.hide();
    QTest::qWait(200);

    const QImage screen =
        scene.dialog.screen()->grabWindow(scene.dialog.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), QSize(200, 120));
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 30; ++x) {
            const int bx = x - 7, by = y - 8;
            const bool bOnBitmap = bx >= 0 && bx < 16 && by >= 0 && by < 12 && !IsKey(bitmap, bx, by);
            const QRgb expected = bOnBitmap ? Rgb(bitmap, bx, by) : Rgb(scene.picture, 60 + x, 40 + y);
            ASSERT_EQ(Rgb(screen, 60 + x, 40 + y), expected) << "on screen at " << x << "," << y;
        }
    }

    // Refreshing the buttons from the dialog's paint does not keep the dialog painting.
    const int nPaints = scene.dialog.nPaints;
    QTest::qWait(300);
    EXPECT_LE(scene.dialog.nPaints - nPaints, 1);
}

TEST(SkinButton, UseParentBackgroundTwiceOnlyRepaints)
{
    ButtonScene scene;
    scene.button.UseParentBackground(TRUE);
    scene.button.UseParentBackground(TRUE);
    const QImage shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, 3, 3), Rgb(scene.picture, 63, 43));
    // A new picture shows only after the cache is dropped.
    scene.dialog.SetBackgroundImage(PatternImage(200, 120, 50));
    EXPECT_EQ(Rgb(Grab(scene.button), 3, 3), Rgb(scene.picture, 63, 43));
    scene.button.UseParentBackground(FALSE);
    EXPECT_EQ(Rgb(Grab(scene.button), 3, 3), Rgb(PatternImage(200, 120, 50), 63, 43));
}

TEST(SkinButton, AutoGreyIconShowsNormallyTheColourIconUnderTheMouse)
{
    ButtonScene scene;
    QImage icon(20, 20, QImage::Format_ARGB32);
    icon.fill(qRgb(200, 100, 50));
    icon.setPixel(1, 1, qRgb(0, 0, 0));
    icon.setPixel(2, 2, qRgb(10, 20, 30));
    icon.setPixel(3, 3, qRgb(255, 255, 255));
    ASSERT_EQ(scene.button.AssignIcons(icon, B::BTNICON_AUTO_GRAY), DWORD(B::BTNRES_OK));
    scene.Show();

    const QPoint pt(5, 4);  // ((30 - 20) / 2, (28 - 20) / 2)
    QImage shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, pt.x() + 10, pt.y() + 10), C(124, 124, 124)) << "trunc(0.299 R + 0.587 G + 0.114 B)";
    EXPECT_EQ(Rgb(shown, pt.x() + 2, pt.y() + 2), C(18, 18, 18));
    EXPECT_EQ(Rgb(shown, pt.x() + 1, pt.y() + 1), C(0, 0, 0)) << "pure black stays black";

    scene.MoveMouse(QPoint(15, 14));
    ASSERT_TRUE(scene.button.IsHovered());
    shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, pt.x() + 10, pt.y() + 10), C(200, 100, 50));
    EXPECT_EQ(Rgb(shown, pt.x() + 2, pt.y() + 2), C(10, 20, 30));
}

TEST(SkinButton, AssignmentsReleaseTheOtherKindAndMissingImagesLeaveNone)
{
    ButtonScene scene;
    QImage icon(20, 20, QImage::Format_ARGB32);
    icon.fill(qRgb(200, 100, 50));
    scene.button.AssignIcons(icon, QImage());
    EXPECT_EQ(Rgb(Grab(scene.button), 15, 14), C(200, 100, 50));
    EXPECT_EQ(scene.button.AssignBitmaps(ButtonBitmap(), RGB(0, 0, 0), QImage(), RGB(0, 0, 0)), DWORD(B::BTNRES_OK));
    EXPECT_EQ(Rgb(Grab(scene.button), 5, 4), C(10, 20, 30)) << "the icon is gone";
    EXPECT_EQ(scene.button.LoadBitmapImages(99999, RGB(0, 0, 0), 0, RGB(0, 0, 0)), DWORD(B::BTNRES_OK));
    EXPECT_EQ(scene.button.LoadIconImages(99999, B::BTNICON_AUTO_GRAY), DWORD(B::BTNRES_OK));
    const QImage shown = Grab(scene.button);
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(Rgb(shown, x, y), C(10, 20, 30));
    }
}

TEST(SkinButton, DoubleClickCountsAsTwoClicks)
{
    ButtonScene scene;
    scene.Show();
    QSignalSpy clicks(&scene.button, &QAbstractButton::clicked);
    // What the window system delivers for a double-click: press, release, press, double-click, release.
    const QPoint pt(15, 14);
    const QPoint ptGlobal = scene.button.mapToGlobal(pt);
    const auto Send = [&](QEvent::Type type, Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(pt), QPointF(ptGlobal), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&scene.button, &event);
    };
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, Qt::NoButton);
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_FALSE(scene.button.isDown());

    // A double-click that reports only its second press as a double-click counts twice too.
    clicks.clear();
    Send(QEvent::MouseButtonPress, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, Qt::NoButton);
    Send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    Send(QEvent::MouseButtonRelease, Qt::NoButton);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(SkinButton, HoverIsNotLitByADragAndEndsOverAnOverlappingWindow)
{
    ButtonScene scene;
    QWidget overlap(&scene.dialog);
    overlap.setGeometry(QRect(scene.ptButton + QPoint(20, 0), QSize(30, 28)));
    overlap.setAutoFillBackground(true);
    scene.Show();
    overlap.raise();
    overlap.show();

    // Entering with the left button held does not light the button.
    const QPoint pt(5, 14);
    QMouseEvent drag(QEvent::MouseMove, QPointF(pt), QPointF(scene.button.mapToGlobal(pt)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&scene.button, &drag);
    EXPECT_FALSE(scene.button.IsHovered());

    scene.MoveMouse(pt);
    ASSERT_TRUE(scene.button.IsHovered());
    scene.MoveMouse(QPoint(25, 14));  // onto the window lying over the button's right part
    EXPECT_FALSE(scene.button.IsHovered());
    scene.MoveMouse(pt);
    ASSERT_TRUE(scene.button.IsHovered());

    // Losing the focus, a modal window and deactivation end the hover as well.
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&scene.button, &focusOut);
    EXPECT_FALSE(scene.button.IsHovered());
    scene.MoveMouse(QPoint(6, 14));
    ASSERT_TRUE(scene.button.IsHovered());
    QEvent blocked(QEvent::WindowBlocked);
    QApplication::sendEvent(&scene.button, &blocked);
    EXPECT_FALSE(scene.button.IsHovered());

    // A button that is not flat does not track hover at all.
    scene.MoveMouse(QPoint(-20, -20));
    scene.button.SetFlatLook(FALSE, TRUE);
    scene.MoveMouse(pt);
    EXPECT_FALSE(scene.button.IsHovered());
}

TEST(SkinButton, DeactivatingTheWindowEndsTheHover)
{
    ButtonScene scene;
    scene.Show();
    scene.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&scene.dialog));
    scene.MoveMouse(QPoint(5, 14));
    ASSERT_TRUE(scene.button.IsHovered());
    QWidget other;
    other.setGeometry(400, 400, 100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(scene.button.IsHovered());
}

TEST(SkinButton, CheckModeTogglesAndDrawsPressedWhileChecked)
{
    ButtonScene scene;
    scene.button.setCheckable(true);
    const QImage bitmap = ButtonBitmap();
    QImage normal = SolidImage(16, 12, qRgb(0, 200, 0));
    scene.button.AssignBitmaps(bitmap, RGB(0, 0, 0), normal, RGB(0, 0, 0));
    scene.Show();
    ASSERT_TRUE(scene.button.IsCheckMode());
    EXPECT_EQ(scene.button.GetChecked(), 0);
    EXPECT_EQ(Rgb(Grab(scene.button), 10, 10), C(0, 200, 0)) << "the normal bitmap";

    scene.button.click();
    EXPECT_EQ(scene.button.GetChecked(), 1);
    QImage shown = Grab(scene.button);
    EXPECT_EQ(Rgb(shown, 0, 0), Q(kDark)) << "sunken while checked";
    EXPECT_EQ(Rgb(shown, 29, 27), Q(kLight));
    EXPECT_EQ(Rgb(shown, 7 + 4, 8 + 4), Rgb(bitmap, 4, 4)) << "the active bitmap, not offset";

    scene.button.click();
    EXPECT_EQ(scene.button.GetChecked(), 0);
    scene.button.SetChecked(2, TRUE);
    EXPECT_EQ(scene.button.GetChecked(), 1);
    EXPECT_TRUE(scene.button.isChecked());
    scene.button.setChecked(false);  // what BM_SETCHECK with BST_UNCHECKED is here
    EXPECT_EQ(scene.button.GetChecked(), 0);

    CSkinButton plain;
    plain.ensurePolished();
    EXPECT_FALSE(plain.IsCheckMode());
    plain.SetChecked(1, TRUE);
    EXPECT_EQ(plain.GetChecked(), 0) << "only in check mode";
}

TEST(SkinButton, DefaultButtonFollowsTheFocusAndIsFramedWhenNotFlat)
{
    QDialog dialog;
    dialog.setFixedSize(200, 100);
    CSkinButton first, second;
    for (CSkinButton* pButton : {&first, &second}) {
        pButton->setParent(&dialog);
        pButton->SetFlatLook(FALSE, FALSE);
        pButton->setAutoDefault(true);
    }
    first.setGeometry(10, 10, 30, 28);
    second.setGeometry(60, 10, 30, 28);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    first.setFocus();
    EXPECT_TRUE(first.IsDefaultButton());
    EXPECT_FALSE(second.IsDefaultButton());
    const QColor clrHighlight = second.palette().color(QPalette::Active, QPalette::Light);
    EXPECT_EQ(Rgb(Grab(second), 0, 0), Q(clrHighlight)) << "a plain raised edge";
    second.setFocus();
    EXPECT_TRUE(second.IsDefaultButton());
    EXPECT_FALSE(first.IsDefaultButton());
    const QImage shown = Grab(second);
    EXPECT_EQ(Rgb(shown, 0, 0), C(0, 0, 0)) << "the default button's black frame";
    EXPECT_EQ(Rgb(shown, 29, 27), C(0, 0, 0));

    // Enter clicks the default button.
    QSignalSpy clicks(&second, &QAbstractButton::clicked);
    QTest::keyClick(&second, Qt::Key_Return);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(SkinButton, DisabledBitmapIsEmbossedAndTheFocusMovesOn)
{
    ButtonScene scene;
    const QImage bitmap = ButtonBitmap();
    scene.button.AssignBitmaps(bitmap, RGB(0, 0, 0), QImage(), RGB(0, 0, 0));
    CSkinButton next;
    next.setParent(&scene.dialog);
    next.setGeometry(120, 40, 30, 28);
    scene.Show();
    scene.dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&scene.dialog));
    scene.button.setFocus();
    ASSERT_TRUE(scene.button.hasFocus());

    scene.button.setEnabled(false);
    EXPECT_TRUE(next.hasFocus()) << "on to the next tab stop";
    const QImage shown = Grab(scene.button);
    // The shape: every pixel not white once the key pixels are white.
    const auto Shape = [&](int x, int y) {
        return x >= 0 && x < 16 && y >= 0 && y < 12 && !IsKey(bitmap, x, y) && Rgb(bitmap, x, y) != C(255, 255, 255);
    };
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 30; ++x) {
            const int bx = x - 7, by = y - 8;
            QRgb expected = C(10, 20, 30);
            if (Shape(bx, by))
                expected = Q(kDark);
            else if (Shape(bx - 1, by - 1))
                expected = Q(kLight);
            ASSERT_EQ(Rgb(shown, x, y), expected) << x << "," << y;
        }
    }

    // With no other tab stop the dialog itself takes the focus.
    next.setEnabled(false);
    EXPECT_TRUE(scene.dialog.hasFocus());
}

TEST(SkinButton, TooltipTextAreaAndAccessibleName)
{
    ButtonScene scene;
    scene.Show();
    scene.button.SetHintText(QString(), TRUE);
    EXPECT_TRUE(scene.button.toolTip().isEmpty()) << "a null text creates nothing";

    scene.button.SetHintText(QStringLiteral("Stop Video"), TRUE);
    EXPECT_EQ(scene.button.toolTip(), QStringLiteral("Stop Video"));
    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(&scene.button);
    ASSERT_NE(pIface, nullptr);
    EXPECT_EQ(pIface->role(), QAccessible::Button);
    EXPECT_EQ(pIface->text(QAccessible::Name), QStringLiteral("Stop Video"));

    // The tooltip's area is the client rectangle at the first call; a later size does not widen it.
    scene.button.resize(80, 28);
    scene.button.SetHintText(QStringLiteral("Pause Video"), TRUE);
    QToolTip::hideText();
    QTest::qWait(400);
    const auto Help = [&](const QPoint& pt) {
        QHelpEvent help(QEvent::ToolTip, pt, scene.button.mapToGlobal(pt));
        QApplication::sendEvent(&scene.button, &help);
    };
    Help(QPoint(60, 10));
    EXPECT_FALSE(QToolTip::isVisible());
    Help(QPoint(10, 10));
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Pause Video"));
    QToolTip::hideText();
    QTest::qWait(400);

    scene.button.ActivateHint(FALSE);
    EXPECT_TRUE(scene.button.toolTip().isEmpty());
    Help(QPoint(10, 10));
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(pIface->text(QAccessible::Name), QStringLiteral("Pause Video"));
}

TEST(SkinButton, LongTipsWrapAtFourHundredPixels)
{
    const QFont font = QToolTip::font();
    const QString strShort = QStringLiteral("File List Previous Page");
    EXPECT_EQ(CSkinButton::WrapHint(strShort, font), strShort);
    QString strLong;
    for (int i = 0; i < 40; ++i)
        strLong += QStringLiteral("word%1 ").arg(i);
    strLong = strLong.trimmed();
    const QString strWrapped = CSkinButton::WrapHint(strLong, font);
    const QStringList lines = strWrapped.split(QLatin1Char('\n'));
    EXPECT_GT(lines.size(), 1);
    for (const QString& strLine : lines)
        EXPECT_LE(QFontMetrics(font).horizontalAdvance(strLine), 400) << strLine.toStdString();
    EXPECT_EQ(QString(strWrapped).replace(QLatin1Char('\n'), QLatin1Char(' ')), strLong) << "only breaks, no loss";
}

TEST(SkinButton, AccessiblePressClicks)
{
    CSkinButton button;
    button.SetHintText(QStringLiteral("Play Loaded Video"), TRUE);
    QSignalSpy clicks(&button, &QAbstractButton::clicked);
    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(pIface, nullptr);
    QAccessibleActionInterface* pAction = pIface->actionInterface();
    ASSERT_NE(pAction, nullptr);
    EXPECT_TRUE(pAction->actionNames().contains(QAccessibleActionInterface::pressAction()));
    pAction->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks.count(), 1);
}

TEST(SkinButton, ShippedButtonPicturesLoadWithBlackTransparent)
{
    if (Resources::LoadBitmap(163).isNull() || Resources::LoadIconImage(130).isNull())
        GTEST_SKIP() << "the button pictures are not among the resources";
    for (UINT nId : {163u, 156u, 165u, 166u, 162u, 161u, 160u, 157u, 159u, 170u}) {
        ButtonScene scene(true);
        EXPECT_EQ(scene.button.LoadBitmapImages(nId, RGB(0, 0, 0), 0, RGB(0, 0, 0)), DWORD(B::BTNRES_OK));
        EXPECT_EQ(scene.button.ShiftStateColor(B::BTNCLR_ACTIVE_BK, 30, TRUE), DWORD(B::BTNRES_OK));
        const QImage bitmap = Resources::LoadBitmap(nId);
        const QPoint ptImage((30 - bitmap.width()) / 2, (28 - bitmap.height()) / 2);
        const QImage shown = Grab(scene.button);
        for (int y = 0; y < 28; ++y) {
            for (int x = 0; x < 30; ++x) {
                const QRgb rgb = Rgb(bitmap, x - ptImage.x(), y - ptImage.y());
                ASSERT_EQ(Rgb(shown, x, y), rgb == 0 ? Rgb(scene.picture, 60 + x, 40 + y) : rgb)
                    << "bitmap " << nId << " at " << x << "," << y;
            }
        }
    }
    CSkinButton close;
    EXPECT_EQ(close.LoadIconImages(130, B::BTNICON_AUTO_GRAY), DWORD(B::BTNRES_OK));
}

} // namespace
