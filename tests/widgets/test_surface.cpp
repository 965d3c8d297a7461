// Off-screen surface, background dialog and transparent text label.

#include "skintest.h"

#include "skin/bkdialog.h"
#include "framework/resources.h"
#include "skin/memdc.h"
#include "skin/transparentstatic.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(MemDC, EmptyPaintStillCoversTheRectangleWithTheBackgroundColour)
{
    QImage target = SolidImage(40, 30, qRgb(200, 0, 0));
    {
        QPainter painter(&target);
        painter.setBackground(QColor(0, 0, 255));
        const QRect rc(5, 6, 20, 10);
        CMemDC dc(&painter, &rc);
        ASSERT_TRUE(dc.IsValid());
    }
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool bInside = x >= 5 && x < 25 && y >= 6 && y < 16;
            ASSERT_EQ(Rgb(target, x, y), bInside ? C(0, 0, 255) : C(200, 0, 0)) << x << "," << y;
        }
    }
}

TEST(MemDC, DrawsInTheTargetsCoordinatesAndReachesTheTargetOnlyWhenClosed)
{
    QImage target = SolidImage(40, 30, qRgb(0, 0, 0));
    QPainter painter(&target);
    painter.setBackground(Qt::white);
    const QRect rc(10, 7, 8, 6);
    {
        CMemDC dc(&painter, &rc);
        dc.SetPixel(10, 7, RGB(1, 2, 3));          // the rectangle's corner
        dc.SetPixel(17, 12, RGB(4, 5, 6));         // its last pixel
        dc.SetPixel(9, 7, RGB(9, 9, 9));           // outside: ignored
        dc.SetPixel(18, 12, RGB(9, 9, 9));
        dc->fillRect(QRect(12, 8, 2, 2), QColor(0, 255, 0));
        EXPECT_EQ(Rgb(target, 10, 7), C(0, 0, 0)) << "the target is written once, at the end";
    }
    painter.end();
    EXPECT_EQ(Rgb(target, 10, 7), C(1, 2, 3));
    EXPECT_EQ(Rgb(target, 17, 12), C(4, 5, 6));
    EXPECT_EQ(Rgb(target, 12, 8), C(0, 255, 0));
    EXPECT_EQ(Rgb(target, 13, 9), C(0, 255, 0));
    EXPECT_EQ(Rgb(target, 11, 7), C(255, 255, 255));
    EXPECT_EQ(Rgb(target, 9, 7), C(0, 0, 0));
    EXPECT_EQ(Rgb(target, 18, 12), C(0, 0, 0));
}

TEST(MemDC, EmptyRectangleDrawsNothing)
{
    QImage target = SolidImage(10, 10, qRgb(1, 1, 1));
    {
        QPainter painter(&target);
        const QRect rc;
        CMemDC dc(&painter, &rc);
        EXPECT_FALSE(dc.IsValid());
        dc.SetPixel(0, 0, RGB(255, 0, 0));
    }
    EXPECT_EQ(Rgb(target, 0, 0), C(1, 1, 1));
}

TEST(BackgroundUtil, TilesFromTheOriginWhateverTheAreasCorner)
{
    const QImage picture = PatternImage(960, 600);
    CBackgroundUtil util;
    QImage target = SolidImage(1000, 650, qRgb(0, 0, 0));
    QPainter painter(&target);
    EXPECT_FALSE(util.TileBackground(&painter, target.rect())) << "no picture, nothing painted";
    EXPECT_EQ(Rgb(target, 0, 0), C(0, 0, 0));

    ASSERT_TRUE(util.SetBackgroundImage(picture));
    EXPECT_TRUE(util.TileBackground(&painter, QRect(100, 100, 50, 50)));
    painter.end();
    EXPECT_EQ(Rgb(target, 0, 0), Rgb(picture, 0, 0));
    EXPECT_EQ(Rgb(target, 99, 99), Rgb(picture, 99, 99));
    EXPECT_EQ(Rgb(target, 960, 0), C(0, 0, 0)) << "a 50 x 50 area needs one tile";
}

TEST(BkDialog, FourTilesCoverAThousandBySixHundredFifty)
{
    const QImage picture = PatternImage(960, 600);
    CBkDialog dialog(131, nullptr);
    ASSERT_TRUE(dialog.SetBackgroundImage(picture));
    dialog.setFixedSize(1000, 650);
    const QImage shown = Grab(dialog);
    ASSERT_EQ(shown.size(), QSize(1000, 650));
    for (const QPoint& ptTile : {QPoint(0, 0), QPoint(960, 0), QPoint(0, 600), QPoint(960, 600)}) {
        for (int y = 0; y < 50 && ptTile.y() + y < 650; y += 7) {
            for (int x = 0; x < 40 && ptTile.x() + x < 1000; x += 3)
                ASSERT_EQ(Rgb(shown, ptTile.x() + x, ptTile.y() + y), Rgb(picture, x, y))
                    << "tile at " << ptTile.x() << "," << ptTile.y() << " pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(Rgb(shown, 959, 599), Rgb(picture, 959, 599));
}

TEST(BkDialog, SmallerClientShowsThePicturesTopLeftUnscaled)
{
    const QImage picture = PatternImage(960, 600);
    CBkDialog dialog(131, nullptr);
    ASSERT_TRUE(dialog.SetBackgroundImage(picture));
    dialog.setFixedSize(300, 200);
    const QImage shown = Grab(dialog);
    for (int y = 0; y < 200; y += 5) {
        for (int x = 0; x < 300; x += 5)
            ASSERT_EQ(Rgb(shown, x, y), Rgb(picture, x, y));
    }
}

TEST(BkDialog, WithoutAPictureErasesToTheDialogColour)
{
    CBkDialog dialog(131, nullptr);
    dialog.setFixedSize(120, 80);
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, QColor(12, 34, 56));
    dialog.setPalette(palette);
    EXPECT_FALSE(dialog.SetBackgroundBitmap(99999)) << "no such bitmap";
    const QImage shown = Grab(dialog);
    for (int y = 0; y < 80; y += 4) {
        for (int x = 0; x < 120; x += 4)
            ASSERT_EQ(Rgb(shown, x, y), C(12, 34, 56));
    }
}

TEST(BkDialog, ShippedSkinIsOneTileOfTheWindowsSize)
{
    if (Resources::LoadBitmap(132).isNull())
        GTEST_SKIP() << "bitmap 132 is not among the resources";
    CBkDialog dialog(131, nullptr);
    EXPECT_TRUE(dialog.SetBackgroundBitmap(132));
    dialog.setFixedSize(958, 602);
    const QImage picture = Resources::LoadBitmap(132);
    EXPECT_EQ(picture.size(), QSize(960, 600));
    const QImage shown = Grab(dialog);
    EXPECT_EQ(Rgb(shown, 500, 300), Rgb(picture, 500, 300));
    EXPECT_EQ(Rgb(shown, 957, 599), Rgb(picture, 957, 599));
    EXPECT_EQ(Rgb(shown, 5, 601), Rgb(picture, 5, 1)) << "the second row of tiles begins at y = 600";
}

// A label over a patterned dialog background.
struct LabelScene
{
    QImage picture = PatternImage(400, 120, 5);
    CBkDialog dialog{131, nullptr};
    CTransparentStatic label;
    QRect rcLabel{20, 30, 300, 40};

    explicit LabelScene(const QString& strText)
    {
        dialog.SetBackgroundImage(picture);
        dialog.setFixedSize(400, 120);
        label.setParent(&dialog);
        label.setGeometry(rcLabel);
        label.setText(strText);
    }
};

TEST(TransparentStatic, WhiteTextOnBlackCellsAndTheBackgroundAroundThem)
{
    const QString strText = QStringLiteral("00:00:00/00:00:00");
    LabelScene scene(strText);
    const QImage shown = Grab(scene.dialog);
    const QFontMetrics fm(scene.label.font());
    const QRect rcCell(scene.rcLabel.topLeft(), QSize(fm.horizontalAdvance(strText), fm.height()));

    int nWhite = 0, nBlack = 0, nCell = 0;
    for (int y = scene.rcLabel.top(); y <= scene.rcLabel.bottom(); ++y) {
        for (int x = scene.rcLabel.left(); x <= scene.rcLabel.right(); ++x) {
            const QRgb rgb = Rgb(shown, x, y);
            if (!rcCell.adjusted(-1, -1, 1, 1).contains(x, y)) {
                ASSERT_EQ(rgb, Rgb(scene.picture, x, y)) << "outside the text at " << x << "," << y;
            } else if (rcCell.adjusted(1, 1, -1, -1).contains(x, y)) {
                ++nCell;
                nWhite += rgb == C(255, 255, 255);
                nBlack += rgb == C(0, 0, 0);
            }
        }
    }
    EXPECT_GT(nWhite, 20) << "the text is white";
    EXPECT_GT(nBlack, nCell / 3) << "the character cells are black";
    // Besides the text, every pixel inside the cells is a grey between black and white.
    for (int y = rcCell.top() + 1; y < rcCell.bottom(); ++y) {
        for (int x = rcCell.left() + 1; x < rcCell.right(); ++x) {
            const QRgb rgb = Rgb(shown, x, y);
            const int nSpread = std::max({qRed(rgb), qGreen(rgb), qBlue(rgb)}) - std::min({qRed(rgb), qGreen(rgb), qBlue(rgb)});
            ASSERT_LE(nSpread, 90) << "text pixel " << x << "," << y << " is not white on black";
        }
    }
}

TEST(TransparentStatic, ColoursStayWhiteOnBlackWhateverThePaletteSays)
{
    LabelScene scene(QStringLiteral("N:00.000000"));
    QPalette palette = scene.label.palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    palette.setColor(QPalette::Window, QColor(0, 255, 0));
    scene.label.setPalette(palette);
    scene.label.setAutoFillBackground(false);
    const QImage shown = Grab(scene.dialog);
    int nWhite = 0;
    for (int y = scene.rcLabel.top(); y <= scene.rcLabel.bottom(); ++y) {
        for (int x = scene.rcLabel.left(); x <= scene.rcLabel.right(); ++x) {
            const QRgb rgb = Rgb(shown, x, y);
            nWhite += rgb == C(255, 255, 255);
            ASSERT_NE(rgb, C(0, 255, 0));
        }
    }
    EXPECT_GT(nWhite, 10);
    EXPECT_EQ(Rgb(shown, scene.rcLabel.right(), scene.rcLabel.bottom()),
              Rgb(scene.picture, scene.rcLabel.right(), scene.rcLabel.bottom()));
}

TEST(TransparentStatic, ScreenReadersReadItsText)
{
    CTransparentStatic label;
    label.setText(QStringLiteral("E:000.000000"));
    EXPECT_TRUE(label.inherits("CTransparentStatic"));
    EXPECT_TRUE(label.inherits("QLabel"));
    QAccessibleInterface* pIface = QAccessible::queryAccessibleInterface(&label);
    ASSERT_NE(pIface, nullptr);
    EXPECT_EQ(pIface->role(), QAccessible::StaticText);
    EXPECT_EQ(pIface->text(QAccessible::Name), QStringLiteral("E:000.000000"));
}

} // namespace
