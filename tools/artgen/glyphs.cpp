#include "common.h"
#include "pictures.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QPolygonF>

#include <initializer_list>

namespace art {
namespace {

// A polygon with its corners rounded by `r`: the outline is grown by r around a polygon
// that was given already inset by r.
QPainterPath rounded(std::initializer_list<QPointF> pts, double r)
{
    QPainterPath core;
    core.addPolygon(QPolygonF(QList<QPointF>(pts)));
    core.closeSubpath();
    QPainterPathStroker st;
    st.setWidth(2 * r);
    st.setJoinStyle(Qt::RoundJoin);
    st.setCapStyle(Qt::RoundCap);
    return core.united(st.createStroke(core)).simplified();
}

QPainterPath roundRect(double x, double y, double w, double h, double r)
{
    QPainterPath p;
    p.addRoundedRect(QRectF(x, y, w, h), r, r);
    return p;
}

QPainterPath mirrored(const QPainterPath& p)
{
    QTransform t(-1, 0, 0, 1, 32, 0);
    return t.map(p);
}

QPainterPath skipBack()
{
    QPainterPath p = roundRect(8.0, 10.0, 3.0, 12.0, 0.8);
    p = p.united(rounded({{12.4, 16}, {17.8, 11.0}, {17.8, 21.0}}, 1.0));
    p = p.united(rounded({{18.4, 16}, {23.8, 11.0}, {23.8, 21.0}}, 1.0));
    return p;
}

QPainterPath leftArrow()
{
    QPainterPath p = rounded({{9.4, 16}, {16.2, 9.8}, {16.2, 22.2}}, 0.9);
    return p.united(roundRect(15.0, 13.3, 9.0, 5.4, 1.2));
}

} // namespace

QPainterPath GlyphPath(int id)
{
    switch (id) {
    case 156: // play
        return rounded({{12.2, 9.6}, {22.6, 16}, {12.2, 22.4}}, 1.1);
    case 163: { // pause
        QPainterPath p = roundRect(10.0, 9.0, 5.0, 14.0, 1.2);
        return p.united(roundRect(17.0, 9.0, 5.0, 14.0, 1.2));
    }
    case 165: // stop
        return roundRect(10.0, 10.0, 12.0, 12.0, 2.2);
    case 166:
        return skipBack();
    case 162:
        return mirrored(skipBack());
    case 161: { // eject
        QPainterPath p = rounded({{16, 9.0}, {22.2, 16.0}, {9.8, 16.0}}, 1.0);
        return p.united(roundRect(9.0, 20.0, 14.0, 3.0, 0.8));
    }
    case 160: { // list
        QPainterPath p;
        for (double y : {10.0, 15.5, 21.0}) {
            p.addEllipse(QPointF(9.6, y + 1.2), 1.7, 1.7);
            p.addRoundedRect(QRectF(13.0, y, y > 20 ? 6.5 : 11.0, 2.5), 1.0, 1.0);
        }
        return p.simplified();
    }
    case 157: { // waste bin
        QPainterPath p = roundRect(8.8, 9.4, 14.4, 2.4, 1.0);
        QPainterPath handle = roundRect(13.2, 7.0, 5.6, 3.4, 1.2)
                                  .subtracted(roundRect(14.6, 8.3, 2.8, 3.0, 0.6));
        p = p.united(handle);
        QPainterPath body = rounded({{10.9, 13.6}, {21.1, 13.6}, {20.2, 23.4}, {11.8, 23.4}}, 0.8);
        for (double x : {13.3, 15.4, 17.5})
            body = body.subtracted(roundRect(x, 15.4, 1.2, 6.4, 0.5));
        return p.united(body);
    }
    case 159:
        return leftArrow();
    case 170:
        return mirrored(leftArrow());
    default:
        return {};
    }
}

QPainterPath GlyphAccentPath(int id)
{
    if (id == 160) { // the list button adds clips: a small plus beside the list
        QPainterPath p = roundRect(20.6, 18.4, 6.4, 2.2, 0.8);
        return p.united(roundRect(22.7, 16.3, 2.2, 6.4, 0.8));
    }
    return {};
}

QImage ButtonGlyph(int id)
{
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    const QPainterPath body = GlyphPath(id);
    const QPainterPath accent = GlyphAccentPath(id);
    const QPainterPath all = body.united(accent);

    // Soft drop shadow so the glyph reads as raised out of its socket.
    p.setBrush(QColor(4, 5, 6, 150));
    p.drawPath(all.translated(0.6, 1.3));

    QLinearGradient silver(0, 8, 0, 24);
    QLinearGradient blue(0, 8, 0, 24);
    silver.setColorAt(0, QColor(246, 249, 252));
    silver.setColorAt(0.55, QColor(206, 213, 222));
    silver.setColorAt(1, QColor(160, 170, 183));
    blue.setColorAt(0, pal::kAccentLight);
    blue.setColorAt(1, pal::kAccentDeep);

    p.setBrush(id == 156 ? QBrush(blue) : QBrush(silver));
    p.drawPath(body);
    if (!accent.isEmpty()) {
        p.setBrush(blue);
        p.drawPath(accent);
    }
    p.end();
    return keyed(img, pal::kSocket, 0.05);
}

QImage CloseIcon()
{
    QImage img(22, 22, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, 19, 19);
    QLinearGradient g(0, 1, 0, 21);
    g.setColorAt(0, QColor(242, 96, 82));
    g.setColorAt(1, QColor(178, 30, 28));
    p.setPen(QPen(QColor(110, 16, 16), 1.0));
    p.setBrush(g);
    p.drawRoundedRect(r, 5, 5);
    p.setPen(QPen(QColor(255, 160, 150, 120), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
    QPen cross(QColor(255, 255, 255), 2.4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(QPen(QColor(90, 10, 10, 120), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7.8), QPointF(15, 15.8));
    p.drawLine(QPointF(15, 7.8), QPointF(7, 15.8));
    p.setPen(cross);
    p.drawLine(QPointF(7, 7), QPointF(15, 15));
    p.drawLine(QPointF(15, 7), QPointF(7, 15));
    return img;
}

void DrawAppIcon(QPainter& p, const QRectF& box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 256.0, box.height() / 256.0);
    p.setRenderHint(QPainter::Antialiasing);
    const bool small = box.width() < 48;

    // Rounded graphite tile.
    const QRectF tile(8, 8, 240, 240);
    QLinearGradient tg(0, 8, 0, 248);
    tg.setColorAt(0, QColor(66, 72, 82));
    tg.setColorAt(1, QColor(22, 24, 28));
    p.setPen(QPen(QColor(8, 9, 11), small ? 10 : 4));
    p.setBrush(tg);
    p.drawRoundedRect(tile, 52, 52);
    if (!small) {
        p.setPen(QPen(QColor(255, 255, 255, 40), 3));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(tile.adjusted(5, 5, -5, -5), 47, 47);
    }

    // The road the camera looks down, running out from under the pin.
    const double top = 124, bottom = 250;
    QPainterPath tileClip;
    tileClip.addRoundedRect(tile.adjusted(2, 2, -2, -2), 50, 50);
    p.setClipPath(tileClip);
    QPolygonF road;
    road << QPointF(120, top) << QPointF(136, top) << QPointF(236, bottom) << QPointF(20, bottom);
    QLinearGradient rg(0, top, 0, bottom);
    rg.setColorAt(0, QColor(30, 33, 38));
    rg.setColorAt(1, QColor(52, 57, 66));
    p.setPen(Qt::NoPen);
    p.setBrush(rg);
    p.drawPolygon(road);
    p.setPen(QPen(QColor(200, 208, 218, 150), small ? 6 : 3));
    p.drawLine(QPointF(122, top), QPointF(30, bottom));
    p.drawLine(QPointF(134, top), QPointF(226, bottom));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 200, 80));
    const double dashes[][2] = {{0.50, 0.60}, {0.70, 0.84}, {0.94, 1.10}};
    for (const auto& d : dashes) {
        const double w0 = 1.5 + 6 * d[0], w1 = 1.5 + 6 * d[1];
        QPolygonF dash;
        dash << QPointF(128 - w0, top + (bottom - top) * d[0]) << QPointF(128 + w0, top + (bottom - top) * d[0])
             << QPointF(128 + w1, top + (bottom - top) * d[1]) << QPointF(128 - w1, top + (bottom - top) * d[1]);
        p.drawPolygon(dash);
    }
    p.setClipping(false);

    // Map pin whose head is the camera's lens.
    QPainterPath pin;
    const QPointF head(128, 90);
    const double R = 58;
    pin.moveTo(128, 196);
    pin.cubicTo(111, 164, 70, 138, 70, 90);
    pin.arcTo(QRectF(head.x() - R, head.y() - R, 2 * R, 2 * R), 180, -180);
    pin.cubicTo(186, 138, 145, 164, 128, 196);
    pin.closeSubpath();
    p.setBrush(QColor(0, 0, 0, 90));
    p.drawPath(pin.translated(0, 6));
    QLinearGradient pg(0, 32, 0, 196);
    pg.setColorAt(0, pal::kAccentLight);
    pg.setColorAt(0.5, pal::kAccent);
    pg.setColorAt(1, pal::kAccentDeep);
    p.setBrush(pg);
    p.setPen(QPen(QColor(10, 60, 100), small ? 6 : 3));
    p.drawPath(pin);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(18, 20, 24));
    p.drawEllipse(head, 41, 41);
    QRadialGradient lens(head.x() - 10, head.y() - 12, 40);
    lens.setColorAt(0, QColor(70, 110, 170));
    lens.setColorAt(0.45, QColor(20, 34, 70));
    lens.setColorAt(1, QColor(2, 4, 10));
    p.setBrush(lens);
    p.drawEllipse(head, 31, 31);
    if (!small) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(110, 120, 135), 3));
        p.drawEllipse(head, 35.5, 35.5);
        p.setPen(QPen(QColor(90, 170, 230, 120), 2));
        p.drawEllipse(head, 18, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 200));
        p.drawEllipse(QPointF(head.x() - 13, head.y() - 14), 7, 5);
        p.setBrush(QColor(255, 255, 255, 110));
        p.drawEllipse(QPointF(head.x() + 12, head.y() + 12), 3, 3);
    } else {
        p.setBrush(QColor(255, 255, 255, 210));
        p.drawEllipse(QPointF(head.x() - 12, head.y() - 12), 10, 8);
    }
    p.restore();
}

QImage AppIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    DrawAppIcon(p, QRectF(0, 0, size, size));
    return img;
}

} // namespace art
