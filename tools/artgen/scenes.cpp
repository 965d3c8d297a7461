#include "common.h"
#include "pictures.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>
#include <vector>

namespace art {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 norm(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }

struct Rgbf {
    double r, g, b;
};
Rgbf operator+(Rgbf a, Rgbf b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgbf operator*(Rgbf a, double s) { return {a.r * s, a.g * s, a.b * s}; }
Rgbf lerp(Rgbf a, Rgbf b, double t) { return a * (1 - t) + b * t; }

void stars(QImage& img, uint64_t seed, int count, double maxY)
{
    Rng rng(seed);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        const double x = rng.Range(0, img.width()), y = rng.Range(0, maxY);
        const double m = std::pow(rng.Uniform(), 3.0);
        const double tint = rng.Uniform();
        QColor c = tint < 0.2 ? QColor(255, 220, 190) : (tint > 0.8 ? QColor(190, 215, 255) : QColor(235, 240, 255));
        c.setAlphaF(float(0.25 + 0.75 * m));
        if (m > 0.75) {
            QRadialGradient g(QPointF(x, y), 3.5);
            QColor h = c;
            h.setAlphaF(0.35f);
            g.setColorAt(0, h);
            g.setColorAt(1, Qt::transparent);
            p.setBrush(g);
            p.drawEllipse(QPointF(x, y), 3.5, 3.5);
        }
        p.setBrush(c);
        const double r = 0.35 + 0.55 * m;
        p.drawEllipse(QPointF(x, y), r, r);
    }
}

// ---- the Earth from space ------------------------------------------------------------

struct Orbit {
    double a, b, tiltDeg;
};

QPointF orbitPoint(const QPointF& c, const Orbit& o, double t)
{
    const double x = o.a * std::cos(t), y = o.b * std::sin(t);
    const double k = o.tiltDeg * kPi / 180.0;
    return {c.x() + x * std::cos(k) - y * std::sin(k), c.y() + x * std::sin(k) + y * std::cos(k)};
}

// Half of an orbit: the far half (sin t < 0, above the centre) passes behind the planet.
void drawOrbit(QPainter& p, const QPointF& c, const Orbit& o, bool farHalf)
{
    QPainterPath path;
    const int n = 180;
    for (int i = 0; i <= n; ++i) {
        const double t = (farHalf ? kPi : 0.0) + kPi * i / n;
        const QPointF q = orbitPoint(c, o, t);
        if (i == 0)
            path.moveTo(q);
        else
            path.lineTo(q);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 200, 255, farHalf ? 70 : 150), farHalf ? 0.9 : 1.1));
    p.drawPath(path);
}

void drawSatellite(QPainter& p, const QPointF& at, double angleDeg, double s)
{
    p.save();
    p.translate(at);
    p.rotate(angleDeg);
    p.scale(s, s);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(0, 0), 16);
    glow.setColorAt(0, QColor(140, 200, 255, 70));
    glow.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(0, 0), 16, 16);
    // Struts and panels.
    p.setPen(QPen(QColor(180, 186, 196), 0.8));
    p.drawLine(QPointF(-11, 0), QPointF(11, 0));
    for (int side : {-1, 1}) {
        const QRectF panel(side < 0 ? -19.5 : 6.5, -3.2, 13, 6.4);
        QLinearGradient g(panel.topLeft(), panel.bottomRight());
        g.setColorAt(0, QColor(70, 120, 210));
        g.setColorAt(1, QColor(20, 40, 110));
        p.setBrush(g);
        p.setPen(QPen(QColor(150, 180, 230), 0.6));
        p.drawRect(panel);
        p.setPen(QPen(QColor(140, 180, 240, 140), 0.5));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(panel.left() + panel.width() * i / 4, panel.top()),
                       QPointF(panel.left() + panel.width() * i / 4, panel.bottom()));
        p.drawLine(QPointF(panel.left(), 0), QPointF(panel.right(), 0));
    }
    // Gold-foil body and its dish.
    QLinearGradient body(-4, -4, 4, 4);
    body.setColorAt(0, QColor(250, 222, 130));
    body.setColorAt(1, QColor(160, 110, 40));
    p.setBrush(body);
    p.setPen(QPen(QColor(90, 60, 20), 0.6));
    p.drawRoundedRect(QRectF(-4, -4.5, 8, 9), 1.2, 1.2);
    p.setBrush(QColor(225, 230, 238));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(0, 6.5), 2.6, 1.4);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(QPointF(-1.5, -2.5), 0.9, 0.9);
    p.restore();
}

} // namespace

QImage EarthPicture()
{
    const int W = 304, H = 317;
    QImage img(W, H, QImage::Format_RGB32);
    {
        // Deep space with a faint band of the galaxy across it.
        Noise neb(77);
        for (int y = 0; y < H; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < W; ++x) {
                const double band = std::exp(-std::pow((y - 0.55 * x - 40) / 70.0, 2));
                const double n = 0.5 + 0.5 * neb.Fbm(x / 60.0, y / 60.0, 0.5, 5);
                const double k = band * n * n;
                line[x] = qRgb(int(3 + 22 * k), int(5 + 20 * k), int(12 + 34 * k));
            }
        }
    }
    stars(img, 4242, 260, H);

    const QPointF c(150, 172);
    const double R = 92;
    const Orbit orbits[] = {{146, 34, -14}, {132, 58, 24}, {118, 96, -58}};

    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        for (const Orbit& o : orbits)
            drawOrbit(p, c, o, true);
        drawSatellite(p, orbitPoint(c, orbits[1], 1.18 * kPi), 24 + 10, 0.55);
    }

    // The planet, pixel by pixel with 3 x 3 samples.
    Noise land(11), detail(23), cloud(31), lights(47);
    const V3 sun = norm({-0.62, 0.42, 0.66});
    const double tilt = 23.4 * kPi / 180.0, spin = 2.1;
    auto shade = [&](double dx, double dy, double& cover) -> Rgbf {
        const double d2 = dx * dx + dy * dy;
        if (d2 > 1.0) {
            cover = 0;
            return {0, 0, 0};
        }
        cover = 1;
        const V3 n{dx, dy, std::sqrt(1.0 - d2)};
        // Planet frame: axial tilt, then the spin that picks which face we see.
        const double x1 = n.x * std::cos(tilt) + n.y * std::sin(tilt);
        const double y1 = -n.x * std::sin(tilt) + n.y * std::cos(tilt);
        const double x2 = x1 * std::cos(spin) + n.z * std::sin(spin);
        const double z2 = -x1 * std::sin(spin) + n.z * std::cos(spin);
        const V3 q{x2, y1, z2};
        const double lat = std::asin(std::max(-1.0, std::min(1.0, y1)));

        const double wx = land.Fbm(q.x * 1.7 + 5, q.y * 1.7, q.z * 1.7, 4);
        const double wy = land.Fbm(q.x * 1.7, q.y * 1.7 + 9, q.z * 1.7, 4);
        const double h = land.Fbm(q.x * 1.9 + wx * 0.8, q.y * 1.9 + wy * 0.8, q.z * 1.9, 7) + 0.02;
        const double sea = 0.11;
        const double diff = dot(n, sun);
        const double day = smoothstep(-0.12, 0.35, diff);

        Rgbf surf;
        double isLand = 0;
        const double ice = smoothstep(1.12, 1.26, std::fabs(lat) + 0.12 * detail.Value(q.x * 6, q.y * 6, q.z * 6));
        if (h > sea) {
            isLand = 1;
            const double dry = 0.5 + 0.5 * detail.Fbm(q.x * 3 + 2, q.y * 3, q.z * 3, 4)
                               + 0.35 * std::exp(-std::pow((std::fabs(lat) - 0.42) / 0.18, 2));
            const Rgbf green{0.08, 0.30, 0.08}, olive{0.34, 0.40, 0.16}, sand{0.74, 0.60, 0.36};
            surf = dry < 0.6 ? lerp(green, olive, dry / 0.6) : lerp(olive, sand, clamp01((dry - 0.6) / 0.4));
            surf = lerp(surf, Rgbf{0.42, 0.36, 0.30}, smoothstep(0.22, 0.42, h));
        } else {
            const double shallow = smoothstep(sea - 0.12, sea, h);
            surf = lerp(Rgbf{0.02, 0.08, 0.24}, Rgbf{0.06, 0.26, 0.46}, shallow);
        }
        surf = lerp(surf, Rgbf{0.92, 0.95, 0.98}, ice);

        const double cw = cloud.Fbm(q.x * 2.5 + 3, q.y * 5.0, q.z * 2.5, 3);
        const double cv = cloud.Fbm(q.x * 3.2 + cw * 1.2, q.y * 3.2 + cw, q.z * 3.2, 6);
        const double clouds = smoothstep(0.02, 0.38, cv) * 0.9;

        Rgbf col = surf * (0.04 + 0.96 * std::max(0.0, diff) * 1.05);
        // Sun glint on the oceans.
        if (isLand < 0.5) {
            const V3 half = norm(sun + V3{0, 0, 1});
            col = col + Rgbf{0.9, 0.85, 0.7} * (0.55 * std::pow(std::max(0.0, dot(n, half)), 40.0) * (1 - clouds));
        }
        // City lights on the night side.
        if (isLand > 0.5 && ice < 0.5) {
            const double city = smoothstep(0.35, 0.7, lights.Fbm(q.x * 22, q.y * 22, q.z * 22, 2));
            col = col + Rgbf{1.0, 0.72, 0.38} * (city * (1 - day) * 0.75 * (1 - clouds));
        }
        col = lerp(col, Rgbf{0.96, 0.97, 1.0} * (0.03 + 0.97 * std::max(0.0, diff)), clouds);

        // Atmosphere: blue at the limb, stronger on the lit side.
        const double limb = std::pow(1.0 - n.z, 2.2);
        const double lit = smoothstep(-0.35, 0.6, diff);
        col = col + Rgbf{0.25, 0.55, 1.0} * (limb * (0.15 + 0.85 * lit) * 0.9);
        return col;
    };

    for (int y = 0; y < H; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const double px = x + 0.5 - c.x(), py = c.y() - (y + 0.5);
            const double dist = std::sqrt(px * px + py * py) / R;
            if (dist > 1.35)
                continue;
            Rgbf acc{0, 0, 0};
            double cover = 0;
            for (int sy = 0; sy < 3; ++sy)
                for (int sx = 0; sx < 3; ++sx) {
                    double cv = 0;
                    const Rgbf s = shade((px + (sx - 1) / 3.0) / R, (py + (sy - 1) / 3.0) / R, cv);
                    acc = acc + s;
                    cover += cv;
                }
            acc = acc * (1.0 / 9.0);
            cover /= 9.0;
            const QRgb b = line[x];
            Rgbf out = Rgbf{qRed(b) / 255.0, qGreen(b) / 255.0, qBlue(b) / 255.0} * (1 - cover) + acc;
            // Halo outside the limb, brighter towards the sun.
            if (dist > 0.98) {
                const V3 dir = norm({px, py, 0.0001});
                const double lit = 0.2 + 0.8 * smoothstep(-0.5, 0.8, dot(dir, sun) / 0.8);
                const double h = std::exp(-(dist - 1.0) * R / 5.5) * lit * (dist >= 1.0 ? 1.0 : cover);
                out = out + Rgbf{0.22, 0.50, 1.0} * (0.75 * h);
            }
            line[x] = qRgb(int(255 * clamp01(out.r)), int(255 * clamp01(out.g)), int(255 * clamp01(out.b)));
        }
    }

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    for (const Orbit& o : orbits)
        drawOrbit(p, c, o, false);
    drawSatellite(p, orbitPoint(c, orbits[0], 0.22 * kPi), -14 + 18, 0.8);
    drawSatellite(p, orbitPoint(c, orbits[2], 0.70 * kPi), -58 - 30, 0.7);
    drawSatellite(p, orbitPoint(c, orbits[1], 0.93 * kPi), 24 - 12, 0.65);
    p.end();
    return img;
}

// ---- idle picture of the video area ---------------------------------------------------

QImage IdlePicture()
{
    const int W = 636, H = 317;
    const double horizon = 204;
    const QPointF vanish(318, horizon);
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor(5, 7, 13));
    sky.setColorAt(0.6, QColor(12, 20, 34));
    sky.setColorAt(1, QColor(30, 52, 76));
    p.fillRect(QRectF(0, 0, W, horizon), sky);
    p.end();
    stars(img, 99, 140, horizon - 40);
    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);

    // Glow of a town beyond the horizon.
    QRadialGradient town(QPointF(318, horizon), 260);
    town.setColorAt(0, QColor(70, 120, 160, 90));
    town.setColorAt(1, Qt::transparent);
    p.setPen(Qt::NoPen);
    p.setBrush(town);
    p.drawRect(QRectF(0, 0, W, horizon));

    // Skyline silhouettes with a few lit windows.
    Rng rng(2024);
    for (double x = -4; x < W;) {
        const double w = rng.Range(10, 30);
        const double far = std::fabs(x + w / 2 - 318) / 318.0;
        const double h = rng.Range(5, 26) * (1.1 - 0.7 * far);
        p.setBrush(QColor(9, 13, 20));
        p.drawRect(QRectF(x, horizon - h, w, h + 1));
        for (int i = 0; i < int(w * h / 60); ++i) {
            if (rng.Uniform() < 0.5)
                continue;
            p.setBrush(QColor(255, 196, 120, int(rng.Range(60, 160))));
            p.drawRect(QRectF(std::floor(x + rng.Range(2, w - 3)), std::floor(horizon - rng.Range(3, h - 2)), 1.2, 1.2));
        }
        x += w + rng.Range(-2, 3);
    }

    // Ground and the road running to the horizon.
    QLinearGradient ground(0, horizon, 0, H);
    ground.setColorAt(0, QColor(12, 14, 18));
    ground.setColorAt(1, QColor(6, 7, 9));
    p.setBrush(ground);
    p.drawRect(QRectF(0, horizon, W, H - horizon));
    QPainterPath road;
    road.moveTo(vanish.x() - 6, horizon);
    road.lineTo(vanish.x() + 6, horizon);
    road.lineTo(W + 160, H);
    road.lineTo(-160, H);
    road.closeSubpath();
    QLinearGradient asphalt(0, horizon, 0, H);
    asphalt.setColorAt(0, QColor(24, 28, 34));
    asphalt.setColorAt(1, QColor(22, 24, 27));
    p.setBrush(asphalt);
    p.drawPath(road);
    // Headlight pool.
    QRadialGradient beam(QPointF(318, H + 30), 230);
    beam.setColorAt(0, QColor(255, 244, 220, 52));
    beam.setColorAt(1, Qt::transparent);
    p.setClipPath(road);
    p.setBrush(beam);
    p.drawRect(QRectF(0, horizon, W, H - horizon));
    p.setClipping(false);

    auto atDepth = [&](double xBottom, double t) {
        // t = 0 at the horizon, 1 at the bottom edge.
        return QPointF(vanish.x() + (xBottom - vanish.x()) * t, horizon + (H - horizon) * t);
    };
    // Edge lines.
    for (double xb : {-110.0, W + 110.0}) {
        QPolygonF edge;
        edge << atDepth(xb - 7, 0.02) << atDepth(xb + 7, 0.02) << atDepth(xb + 7, 1.0) << atDepth(xb - 7, 1.0);
        p.setBrush(QColor(200, 205, 210, 120));
        p.drawPolygon(edge);
    }
    // Centre dashes, shorter with distance.
    for (int i = 0; i < 9; ++i) {
        const double t0 = std::pow((i + 0.0) / 8.0, 2.0), t1 = std::pow((i + 0.45) / 8.0, 2.0);
        if (t0 < 0.03)
            continue;
        QPolygonF dash;
        dash << atDepth(318 - 8, t0) << atDepth(318 + 8, t0) << atDepth(318 + 8, t1) << atDepth(318 - 8, t1);
        p.setBrush(QColor(250, 205, 90, int(90 + 110 * t1)));
        p.drawPolygon(dash);
    }

    // Reflector posts along both verges, spaced evenly in depth.
    for (int i = 1; i < 9; ++i) {
        const double t = std::pow(i / 8.0, 2.0);
        for (int side : {-1, 1}) {
            const QPointF foot = atDepth(318 + side * 520, t);
            const double h = 3 + 26 * t, w = 0.8 + 3.2 * t;
            p.setBrush(QColor(150, 156, 164, int(60 + 120 * t)));
            p.drawRect(QRectF(foot.x() - w / 2, foot.y() - h, w, h));
            p.setBrush(side < 0 ? QColor(255, 90, 60, int(90 + 150 * t)) : QColor(255, 255, 255, int(90 + 150 * t)));
            p.drawRect(QRectF(foot.x() - w / 2, foot.y() - h * 0.92, w, h * 0.18));
        }
    }

    // The car's bonnet along the bottom edge.
    QPainterPath hood;
    hood.moveTo(-10, H + 2);
    hood.lineTo(-10, H - 18);
    hood.quadTo(318, H - 52, W + 10, H - 18);
    hood.lineTo(W + 10, H + 2);
    hood.closeSubpath();
    QLinearGradient hg(0, H - 52, 0, H);
    hg.setColorAt(0, QColor(26, 28, 32));
    hg.setColorAt(1, QColor(6, 7, 8));
    p.setBrush(hg);
    p.drawPath(hood);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 150, 180, 90), 1.2));
    QPainterPath rim;
    rim.moveTo(-10, H - 18);
    rim.quadTo(318, H - 52, W + 10, H - 18);
    p.drawPath(rim);

    // Viewfinder corners.
    p.setPen(QPen(QColor(220, 235, 245, 150), 2.0, Qt::SolidLine, Qt::SquareCap));
    const double m = 18, L = 22;
    for (int sx : {0, 1})
        for (int sy : {0, 1}) {
            const double x = sx ? W - m : m, y = sy ? H - m : m;
            const double dx = sx ? -L : L, dy = sy ? -L : L;
            p.drawLine(QPointF(x, y), QPointF(x + dx, y));
            p.drawLine(QPointF(x, y), QPointF(x, y + dy));
        }

    // Product name with a soft accent glow, and the hint.
    QFont title = font(QStringLiteral("DejaVu Sans"), 44, QFont::Bold, 3.0);
    QPainterPath name;
    const QFontMetricsF fm(title);
    const QString product = QStringLiteral("Deruziz");
    name.addText(QPointF((W - fm.horizontalAdvance(product)) / 2.0, 84), title, product);
    for (int i = 6; i >= 1; --i) {
        QPainterPathStroker st;
        st.setWidth(i * 2.5);
        st.setJoinStyle(Qt::RoundJoin);
        QColor g = pal::kAccent;
        g.setAlpha(9);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(st.createStroke(name));
    }
    QLinearGradient tg(0, 47, 0, 87);
    tg.setColorAt(0, QColor(255, 255, 255));
    tg.setColorAt(1, QColor(176, 214, 236));
    p.setBrush(tg);
    p.drawPath(name);

    p.setFont(font(QStringLiteral("DejaVu Sans"), 11, QFont::Normal, 2.2));
    p.setPen(QColor(150, 180, 205));
    p.drawText(QRectF(0, 91, W, 18), Qt::AlignCenter, QStringLiteral("CAR CAMCORDER  \u00b7  GPS PLAYER"));

    // "Load a clip" pill with the eject glyph of the load button.
    const QString hint = QStringLiteral("Load a clip");
    const QFont hf = font(QStringLiteral("DejaVu Sans"), 16, QFont::Bold);
    const double tw = QFontMetricsF(hf).horizontalAdvance(hint);
    const double pw = tw + 62, ph = 34;
    const QRectF pill((W - pw) / 2.0, 122, pw, ph);
    p.setPen(QPen(QColor(110, 200, 245, 170), 1.2));
    p.setBrush(QColor(8, 14, 22, 190));
    p.drawRoundedRect(pill, ph / 2, ph / 2);
    p.save();
    p.translate(pill.left() + 12, pill.top() + ph / 2 - 12);
    p.scale(0.75, 0.75);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAccentLight);
    p.drawPath(GlyphPath(161));
    p.restore();
    p.setFont(hf);
    p.setPen(QColor(236, 242, 248));
    p.drawText(QRectF(pill.left() + 44, pill.top(), tw + 4, ph), Qt::AlignVCenter | Qt::AlignLeft, hint);
    p.setFont(font(QStringLiteral("DejaVu Sans"), 11));
    p.setPen(QColor(150, 165, 180));
    p.drawText(QRectF(0, 160, W, 18), Qt::AlignCenter, QStringLiteral("or add a folder of clips to the play list"));
    p.end();
    return img;
}

} // namespace art
