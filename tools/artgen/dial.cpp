#include "common.h"
#include "pictures.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFaceRadius = 87.0;      // black face, reaching past the tick ring
constexpr double kHousingRadius = 92.0;
constexpr double kFaceBottom = 21.0;      // flat lower edge of the face below the pivot
constexpr double kHousingBottom = 26.0;

QPointF polar(const QPointF& c, double r, double deg)
{
    const double a = deg * kPi / 180.0;
    return {c.x() + r * std::cos(a), c.y() - r * std::sin(a)};
}

QPainterPath dShape(const QPointF& c, double r, double below)
{
    QPainterPath circle;
    circle.addEllipse(c, r, r);
    QPainterPath cut;
    cut.addRect(QRectF(c.x() - r - 2, c.y() - r - 2, 2 * r + 4, r + 2 + below));
    return circle.intersected(cut);
}

} // namespace

double DialAngle(double value) { return 188.0 - value * 196.0 / 240.0; }

void DrawGaugeHousing(QPainter& p, const QPointF& c)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPainterPath housing = dShape(c, kHousingRadius, kHousingBottom);

    p.setBrush(QColor(0, 0, 0, 70));
    p.drawPath(housing.translated(0, 2));

    // Brushed-metal bezel: a conical sweep gives the ring its turned look.
    QConicalGradient metal(c, 120);
    metal.setColorAt(0.00, QColor(128, 136, 148));
    metal.setColorAt(0.18, QColor(70, 75, 84));
    metal.setColorAt(0.40, QColor(38, 41, 47));
    metal.setColorAt(0.60, QColor(62, 67, 75));
    metal.setColorAt(0.82, QColor(44, 47, 54));
    metal.setColorAt(1.00, QColor(128, 136, 148));
    p.setBrush(metal);
    p.drawPath(housing);

    p.setBrush(QColor(6, 7, 9));
    p.drawPath(dShape(c, kFaceRadius + 1.5, kFaceBottom + 1.5));

    // The face itself: black, with the faintest lift at the centre so it is not a hole.
    QRadialGradient face(c, kFaceRadius);
    face.setColorAt(0, QColor(10, 12, 15));
    face.setColorAt(0.7, QColor(3, 4, 5));
    face.setColorAt(1, QColor(0, 0, 0));
    p.setBrush(face);
    p.drawPath(dShape(c, kFaceRadius, kFaceBottom));

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 36), 1.0));
    p.drawArc(QRectF(c.x() - kHousingRadius + 0.5, c.y() - kHousingRadius + 0.5,
                     2 * kHousingRadius - 1, 2 * kHousingRadius - 1), 30 * 16, 120 * 16);
    p.restore();
}

void DrawDialScale(QPainter& p)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QPointF c(ui::kPivotX, ui::kPivotY);
    const double rTick = 85.0;
    const double redFrom = 200.0;

    // Thin accent arc along the outer end of the ticks, and the warning band at the top end.
    const QRectF arcBox(c.x() - rTick, c.y() - rTick, 2 * rTick, 2 * rTick);
    p.setBrush(Qt::NoBrush);
    QColor arc = pal::kAccent;
    arc.setAlpha(150);
    p.setPen(QPen(arc, 1.2, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arcBox, int(DialAngle(redFrom) * 16), int((DialAngle(0) - DialAngle(redFrom)) * 16));
    const double rBand = 83.0;
    QPen band(QColor(220, 60, 36), 3.2, Qt::SolidLine, Qt::FlatCap);
    p.setPen(band);
    p.drawArc(QRectF(c.x() - rBand, c.y() - rBand, 2 * rBand, 2 * rBand),
              int(DialAngle(240) * 16), int((DialAngle(redFrom) - DialAngle(240)) * 16));

    for (int v = 0; v <= 240; v += 5) {
        const bool major = v % 20 == 0;
        const bool mid = !major && v % 10 == 0;
        const double len = major ? 11.0 : (mid ? 7.0 : 4.0);
        const double a = DialAngle(v);
        QColor col = major ? QColor(236, 240, 245) : QColor(150, 160, 172);
        if (v >= redFrom)
            col = major ? QColor(255, 120, 84) : QColor(230, 96, 70);
        p.setPen(QPen(col, major ? 2.0 : (mid ? 1.3 : 1.0), Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(c, rTick, a), polar(c, rTick - len, a));
    }

    // Numbers sit just inside the major ticks: each label is pushed in by its own extent
    // along the radius, so wide labels at the top keep the same gap as narrow ones at the sides.
    const QFont narrow = font(QStringLiteral("DejaVu Sans Condensed"), 9, QFont::Bold);
    const QFont tight = font(QStringLiteral("DejaVu Sans Condensed"), 9, QFont::Bold, -0.6);
    for (int v = 0; v <= 240; v += 20) {
        const double a = DialAngle(v);
        const QString label = QString::number(v);
        const QFont& f = v >= 100 ? tight : narrow;
        const QFontMetricsF fm(f);
        p.setFont(f);
        const double hw = fm.horizontalAdvance(label) / 2.0, hh = fm.capHeight() / 2.0;
        const double rad = a * kPi / 180.0;
        const double extent = std::fabs(std::cos(rad)) * hw + std::fabs(std::sin(rad)) * hh;
        const QPointF at = polar(c, rTick - 11.0 - 3.0 - extent, a);
        p.setPen(v >= redFrom ? QColor(255, 128, 92) : QColor(214, 221, 230));
        p.drawText(QPointF(at.x() - hw, at.y() + hh), label);
    }

    p.setFont(font(QStringLiteral("DejaVu Sans"), 8, QFont::Bold, 0.6));
    p.setPen(pal::kAccent);
    p.drawText(QRectF(c.x() - 30, c.y() - 38, 60, 12), Qt::AlignCenter, QStringLiteral("km/h"));
    p.restore();
}

} // namespace art
