#include "common.h"
#include "pictures.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include <cmath>

namespace art {
namespace {

// Recessed frame around a control: a dark rim right at the control and a lit lip
// below/right of it, so the control seems sunk into the panel.
void well(QPainter& p, const QRect& r, const QColor& inside)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect o1 = r.adjusted(-1, -1, 1, 1);
    const QRect o2 = r.adjusted(-2, -2, 2, 2);
    p.fillRect(o2, QColor(17, 18, 21));
    p.fillRect(QRect(o2.left() + 1, o2.bottom(), o2.width() - 1, 1), QColor(64, 68, 77));
    p.fillRect(QRect(o2.right(), o2.top() + 1, 1, o2.height() - 1), QColor(52, 56, 64));
    p.fillRect(o1, QColor(5, 6, 7));
    p.fillRect(r, inside);
    p.restore();
}

// Socket under a flat button: flat floor (the glyphs are blended onto exactly this colour),
// shadowed upper rim, lit lower lip.
void socket(QPainter& p, const QRect& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QRectF f(r);
    p.setBrush(QColor(62, 66, 75));
    p.drawRoundedRect(f, 5, 5);
    p.setBrush(QColor(12, 13, 15));
    p.drawRoundedRect(f.adjusted(0, 0, 0, -1), 5, 5);
    p.setBrush(QColor(19, 20, 23));
    p.drawRoundedRect(f.adjusted(1, 1, -1, -1.5), 4, 4);
    p.setBrush(pal::kSocket);
    p.drawRoundedRect(f.adjusted(1.5, 2, -1.5, -1.5), 3.5, 3.5);
    p.restore();
}

// A lighter raised plate, used for the GPS panel.
void plate(QPainter& p, const QRectF& r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawRoundedRect(r.translated(0, 1.5), 7, 7);
    p.setBrush(QColor(14, 15, 18));
    p.drawRoundedRect(r, 7, 7);
    QLinearGradient g(0, r.top(), 0, r.bottom());
    g.setColorAt(0, QColor(52, 56, 63));
    g.setColorAt(0.12, QColor(43, 46, 52));
    g.setColorAt(1, QColor(31, 33, 38));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 6, 6);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 5.5, 5.5);
    p.restore();
}

void screw(QPainter& p, const QPointF& c)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 13, 15));
    p.drawEllipse(c, 3.2, 3.2);
    QLinearGradient g(c.x(), c.y() - 3, c.x(), c.y() + 3);
    g.setColorAt(0, QColor(110, 116, 126));
    g.setColorAt(1, QColor(40, 43, 48));
    p.setBrush(g);
    p.drawEllipse(c, 2.4, 2.4);
    p.setPen(QPen(QColor(20, 21, 24), 1.0));
    p.drawLine(c + QPointF(-1.6, 1.1), c + QPointF(1.6, -1.1));
    p.restore();
}

void groove(QPainter& p, double y, double x0, double x1)
{
    p.fillRect(QRectF(x0, y, x1 - x0, 1), QColor(16, 17, 20));
    p.fillRect(QRectF(x0, y + 1, x1 - x0, 1), QColor(58, 62, 70));
}

void led(QPainter& p, const QPointF& c, const QColor& col)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QRadialGradient glow(c, 6);
    QColor g = col;
    g.setAlpha(90);
    glow.setColorAt(0, g);
    glow.setColorAt(1, Qt::transparent);
    p.setBrush(glow);
    p.drawEllipse(c, 6, 6);
    p.setBrush(QColor(10, 10, 12));
    p.drawEllipse(c, 2.8, 2.8);
    QRadialGradient body(c.x() - 0.6, c.y() - 0.8, 2.4);
    body.setColorAt(0, mix(col, Qt::white, 0.6));
    body.setColorAt(1, col);
    p.setBrush(body);
    p.drawEllipse(c, 2.1, 2.1);
    p.restore();
}

void speaker(QPainter& p, const QPointF& o)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(o);
    QPainterPath s;
    s.moveTo(0, 4);
    s.lineTo(3, 4);
    s.lineTo(7, 0.5);
    s.lineTo(7, 13.5);
    s.lineTo(3, 10);
    s.lineTo(0, 10);
    s.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 7, 8, 200));
    p.drawPath(s.translated(0, 1));
    p.setBrush(pal::kCaption);
    p.drawPath(s);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pal::kCaption, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(4, 3, 8, 8), -50 * 16, 100 * 16);
    p.drawArc(QRectF(2, 0, 14, 14), -50 * 16, 100 * 16);
    p.restore();
}

// Barely visible dither over the panels: it breaks the gradients' banding.
void grain(QImage& img, const QRect& area)
{
    Rng rng(0xDE5u);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int d = int(rng.Next() % 3) - 1;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + d, 255), qBound(0, qGreen(c) + d, 255),
                           qBound(0, qBlue(c) + d, 255));
        }
    }
}

} // namespace

QImage RenderWindow()
{
    using namespace ui;
    QImage img(kWinW, kWinH, QImage::Format_RGB32);
    img.fill(pal::kEdge);
    {
        QPainter p(&img);
        // Body: everything inside the 2-pixel outer edge.
        QLinearGradient body(0, 26, 0, kWinH - 2);
        body.setColorAt(0, QColor(44, 47, 53));
        body.setColorAt(0.5, QColor(37, 40, 45));
        body.setColorAt(1, QColor(29, 31, 36));
        p.fillRect(QRect(2, 26, kWinW - 4, kWinH - 28), body);

        // Title strip.
        QLinearGradient strip(0, 2, 0, 25);
        strip.setColorAt(0, QColor(60, 64, 72));
        strip.setColorAt(1, QColor(36, 39, 44));
        p.fillRect(QRect(2, 2, kWinW - 4, 24), strip);
    }
    grain(img, QRect(2, 2, kWinW - 4, kWinH - 4));

    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(QRect(2, 2, kWinW - 4, 1), QColor(78, 83, 93));
    p.fillRect(QRect(2, 3, 1, kWinH - 5), QColor(58, 62, 70));
    p.fillRect(QRect(kWinW - 3, 3, 1, kWinH - 5), QColor(20, 21, 24));
    p.fillRect(QRect(2, kWinH - 3, kWinW - 4, 1), QColor(18, 19, 22));
    p.fillRect(QRect(3, 25, kWinW - 6, 1), QColor(14, 15, 17));
    p.fillRect(QRect(3, 26, kWinW - 6, 1), QColor(56, 60, 68));

    // Accent glow under the title, fading out to the right.
    {
        QLinearGradient a(8, 0, 260, 0);
        QColor c0 = pal::kAccent;
        c0.setAlpha(200);
        a.setColorAt(0, c0);
        a.setColorAt(1, QColor(pal::kAccent.red(), pal::kAccent.green(), pal::kAccent.blue(), 0));
        p.fillRect(QRect(3, 25, 260, 1), a);
    }

    // Title: emblem and product name.
    DrawAppIcon(p, QRectF(7, 4, 19, 19));
    p.setFont(font(QStringLiteral("DejaVu Sans"), 14, QFont::Bold, 0.4));
    engrave(p, QRectF(32, 3, 120, 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Deruziz"), pal::kText);
    p.setFont(font(QStringLiteral("DejaVu Sans"), 10, QFont::Normal, 0.6));
    engrave(p, QRectF(106, 4, 300, 22), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("car camcorder  \u00b7  GPS player"), QColor(118, 127, 139));

    // Section captions above the video and the map.
    p.setFont(font(QStringLiteral("DejaVu Sans"), 9, QFont::Bold, 1.6));
    led(p, QPointF(12.5, 38.5), QColor(230, 56, 46));
    engrave(p, QRectF(21, 30, 200, 17), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("CAMERA"), pal::kCaption);
    led(p, QPointF(654.5, 38.5), pal::kAccent);
    engrave(p, QRectF(663, 30, 200, 17), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("GPS MAP"), pal::kCaption);

    // Video and map wells.
    well(p, kVideo, QColor(0, 0, 0));
    well(p, kMap, QColor(0, 0, 0));

    // Transport row: sockets, time display, sliders' speaker.
    p.setFont(font(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 1.4));
    engrave(p, QRectF(12, kTransportY, 80, kButtonH), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("PLAYER"), QColor(96, 104, 115));
    for (int x : kTransportX)
        socket(p, QRect(x, kTransportY, kButtonW, kButtonH));
    well(p, kTime.adjusted(-1, -1, 1, 1), QColor(0, 0, 0));
    speaker(p, QPointF(513, 412));

    groove(p, 434, 8, 641);

    // Play lists: one well holding both views, with the gap between them kept dark.
    well(p, QRect(kListLeft.left(), kListLeft.top(), kListRight.right() - kListLeft.left() + 1,
                  kListLeft.height()), QColor(0, 0, 0));
    p.fillRect(QRect(kListLeft.right() + 1, kListLeft.top(), 2, kListLeft.height()), QColor(30, 32, 37));
    p.setFont(font(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 1.4));
    engrave(p, QRectF(12, kListButtonsY, 140, kButtonH), Qt::AlignLeft | Qt::AlignVCenter,
            QStringLiteral("PLAY LIST"), QColor(96, 104, 115));
    for (int x : kListButtonsX)
        socket(p, QRect(x, kListButtonsY, kButtonW, kButtonH));

    // GPS panel: coordinates and the speed gauge.
    plate(p, QRectF(646, 370, 306, 228));
    for (QPointF s : {QPointF(653.5, 377.5), QPointF(944.5, 377.5), QPointF(653.5, 590.5), QPointF(944.5, 590.5)})
        screw(p, s);
    p.setFont(font(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 1.4));
    engrave(p, QRectF(kLon.left(), 386, kLon.width(), 14), Qt::AlignHCenter | Qt::AlignVCenter,
            QStringLiteral("LONGITUDE"), pal::kCaption);
    engrave(p, QRectF(kLat.left(), 386, kLat.width(), 14), Qt::AlignHCenter | Qt::AlignVCenter,
            QStringLiteral("LATITUDE"), pal::kCaption);
    well(p, kLon.adjusted(-2, -2, 2, 2), QColor(0, 0, 0));
    well(p, kLat.adjusted(-2, -2, 2, 2), QColor(0, 0, 0));
    groove(p, 432, 660, 938);

    const QPointF pivot(kGauge.left() + kPivotX, kGauge.top() + kPivotY);
    DrawGaugeHousing(p, pivot);
    p.save();
    p.translate(kGauge.topLeft());
    DrawDialScale(p);
    p.restore();
    p.setFont(font(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 1.4));
    engrave(p, QRectF(pivot.x() - 60, 570, 120, 14), Qt::AlignCenter, QStringLiteral("SPEED"), pal::kCaption);
    p.end();

    // The window's bottom two rows repeat the picture's top two: keep both pairs the edge colour.
    for (int y : {0, 1, kWinH - 2, kWinH - 1})
        std::fill_n(reinterpret_cast<QRgb*>(img.scanLine(y)), kWinW, pal::kEdge.rgb());
    return img;
}

QImage BackgroundFromWindow(const QImage& window)
{
    QImage bg(960, 600, QImage::Format_RGB32);
    bg.fill(pal::kEdge);
    QPainter p(&bg);
    p.drawImage(0, 0, window, 0, 0, ui::kWinW, 600);
    return bg;
}

QImage Channel(const QImage& window, const QRect& r, bool volume, bool active)
{
    QImage img = window.copy(r).convertToFormat(QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const double w = r.width();

    QPainterPath track;
    if (volume) {
        // A ramp that grows to the right, as loudness does.
        track.moveTo(3, 12.5);
        track.lineTo(3, 10.5);
        track.lineTo(w - 4, 4.5);
        track.quadTo(w - 2.5, 4.5, w - 2.5, 6);
        track.lineTo(w - 2.5, 11);
        track.quadTo(w - 2.5, 12.5, w - 4, 12.5);
        track.closeSubpath();
    } else {
        track.addRoundedRect(QRectF(3, 6, w - 6, 6), 3, 3);
    }

    if (!volume) {
        // Tenth marks under the track, at the thumb-centre positions.
        const double half = 9, travel = w - 18;
        for (int i = 0; i <= 10; ++i) {
            const double x = half + travel * i / 10.0;
            p.fillRect(QRectF(std::round(x) - 0.5, 14, 1, i % 5 == 0 ? 3 : 2), QColor(72, 77, 87));
        }
    }

    p.setBrush(QColor(64, 68, 77));
    p.drawPath(track.translated(0, 1));
    p.setBrush(QColor(9, 10, 12));
    p.drawPath(track.translated(0, -0.6));
    if (active) {
        QColor glow = pal::kAccent;
        for (int i = 3; i >= 1; --i) {
            glow.setAlpha(22 * (4 - i));
            QPainterPathStroker st;
            st.setWidth(i * 2.0);
            st.setJoinStyle(Qt::RoundJoin);
            p.setBrush(glow);
            p.drawPath(st.createStroke(track));
        }
        QLinearGradient g(0, 5, 0, 12);
        g.setColorAt(0, pal::kAccentLight);
        g.setColorAt(0.5, pal::kAccent);
        g.setColorAt(1, pal::kAccentDeep);
        p.setBrush(g);
        p.drawPath(track);
    } else {
        QLinearGradient g(0, 5, 0, 12);
        g.setColorAt(0, QColor(4, 5, 6));
        g.setColorAt(1, QColor(22, 24, 28));
        p.setBrush(g);
        p.drawPath(track);
    }
    return img;
}

QImage Thumb(bool active)
{
    QImage img(18, 18, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF c(9, 9);
    p.setBrush(QColor(10, 11, 13));
    p.drawEllipse(c, 8.6, 8.6);
    if (active) {
        p.setBrush(pal::kAccent);
        p.drawEllipse(c, 7.8, 7.8);
    }
    QLinearGradient rim(0, 1, 0, 17);
    rim.setColorAt(0, QColor(226, 231, 238));
    rim.setColorAt(1, QColor(86, 92, 102));
    p.setBrush(rim);
    p.drawEllipse(c, active ? 6.6 : 7.6, active ? 6.6 : 7.6);
    QLinearGradient dish(0, 3, 0, 15);
    dish.setColorAt(0, QColor(96, 102, 112));
    dish.setColorAt(1, QColor(188, 195, 205));
    p.setBrush(dish);
    p.drawEllipse(c, 4.8, 4.8);
    QRadialGradient dot(c, active ? 2.8 : 2.2);
    dot.setColorAt(0, active ? QColor(230, 250, 255) : pal::kAccentLight);
    dot.setColorAt(1, active ? pal::kAccent : pal::kAccentDeep);
    p.setBrush(dot);
    p.drawEllipse(c, active ? 2.6 : 2.0, active ? 2.6 : 2.0);
    p.end();
    QImage out = keyed(img, QColor(10, 11, 13), 0.45);
    out.setPixel(0, 0, 0);
    return out;
}

} // namespace art
