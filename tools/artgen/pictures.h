#pragma once
// The pictures the generator draws; artgen.cpp decides where each one is written.

#include <QImage>
#include <QPainterPath>
#include <QRect>

class QPainter;

namespace art {

// skin.cpp: the whole client area as the user sees it without controls (958 x 602),
// from which the background and the opaque control images are cut.
QImage RenderWindow();
QImage BackgroundFromWindow(const QImage& window);      // 960 x 600, tiles from (0, 0)
QImage Channel(const QImage& window, const QRect& r, bool volume, bool active);
QImage Thumb(bool active);                              // 18 x 18, black key

// glyphs.cpp
QPainterPath GlyphPath(int bitmapId);                   // in a 32 x 32 box centred on (16, 16)
QPainterPath GlyphAccentPath(int bitmapId);             // optional second colour
QImage ButtonGlyph(int bitmapId);                       // 32 x 32, black key
QImage CloseIcon();                                     // 22 x 22 with alpha
QImage AppIcon(int size);                               // square, with alpha
void DrawAppIcon(QPainter& p, const QRectF& box);

// dial.cpp
void DrawGaugeHousing(QPainter& p, const QPointF& pivot);  // window coordinates
void DrawDialScale(QPainter& p);                           // dial coordinates
double DialAngle(double value);                            // degrees, counter-clockwise from +x

// scenes.cpp
QImage IdlePicture();                                   // 636 x 317
QImage EarthPicture();                                  // 304 x 317

} // namespace art
