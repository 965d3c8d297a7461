#include "common.h"

#include <QFont>
#include <cmath>

namespace art {

double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    t = clamp01(t);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t),
                            float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

uint64_t Rng::Next()
{
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double Rng::Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }

double Noise::Lattice(int x, int y, int z) const
{
    uint32_t h = m_seed;
    h ^= uint32_t(x) * 0x8DA6B343u;
    h ^= uint32_t(y) * 0xD8163841u;
    h ^= uint32_t(z) * 0xCB1AB31Fu;
    h = (h ^ (h >> 13)) * 0x5BD1E995u;
    h ^= h >> 15;
    h *= 0x27D4EB2Du;
    h ^= h >> 16;
    return double(h) / 2147483647.5 - 1.0;
}

double Noise::Value(double x, double y, double z) const
{
    const double fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
    const int ix = int(fx), iy = int(fy), iz = int(fz);
    auto fade = [](double t) { return t * t * t * (t * (t * 6 - 15) + 10); };
    const double u = fade(x - fx), v = fade(y - fy), w = fade(z - fz);
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    const double x00 = lerp(Lattice(ix, iy, iz), Lattice(ix + 1, iy, iz), u);
    const double x10 = lerp(Lattice(ix, iy + 1, iz), Lattice(ix + 1, iy + 1, iz), u);
    const double x01 = lerp(Lattice(ix, iy, iz + 1), Lattice(ix + 1, iy, iz + 1), u);
    const double x11 = lerp(Lattice(ix, iy + 1, iz + 1), Lattice(ix + 1, iy + 1, iz + 1), u);
    return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w);
}

double Noise::Fbm(double x, double y, double z, int octaves, double gain) const
{
    double sum = 0, amp = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * Value(x, y, z);
        norm += amp;
        amp *= gain;
        // Offsets keep the octaves' lattices from lining up at the origin.
        x = x * 2.03 + 17.1;
        y = y * 2.03 - 5.7;
        z = z * 2.03 + 3.3;
    }
    return sum / norm;
}

QFont font(const QString& family, double pixelSize, int weight, double spacing)
{
    QFont f(family);
    f.setPixelSize(int(std::lround(pixelSize)));
    f.setWeight(QFont::Weight(weight));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    if (spacing != 0.0)
        f.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return f;
}

QImage keyed(const QImage& argb, const QColor& floor, double threshold)
{
    const QImage src = argb.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage out(src.size(), QImage::Format_RGB888);
    const int fr = floor.red(), fg = floor.green(), fb = floor.blue();
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x, d += 3) {
            const int a = qAlpha(s[x]);
            if (a < threshold * 255.0) {
                d[0] = d[1] = d[2] = 0;
                continue;
            }
            int r = qRed(s[x]) + fr * (255 - a) / 255;
            int g = qGreen(s[x]) + fg * (255 - a) / 255;
            int b = qBlue(s[x]) + fb * (255 - a) / 255;
            if (r == 0 && g == 0 && b == 0)
                r = g = b = 1;
            d[0] = uchar(qMin(r, 255));
            d[1] = uchar(qMin(g, 255));
            d[2] = uchar(qMin(b, 255));
        }
    }
    return out;
}

bool saveRgb(const QImage& img, const QString& path)
{
    return img.convertToFormat(QImage::Format_RGB888).save(path, "PNG");
}

bool saveArgb(const QImage& img, const QString& path)
{
    return img.convertToFormat(QImage::Format_ARGB32).save(path, "PNG");
}

bool saveJpeg(const QImage& img, const QString& path, int quality)
{
    return img.convertToFormat(QImage::Format_RGB888).save(path, "JPEG", quality);
}

void engrave(QPainter& p, const QRectF& r, int flags, const QString& text, const QColor& c)
{
    p.setPen(QColor(8, 9, 11, 200));
    p.drawText(r.translated(0, 1), flags, text);
    p.setPen(c);
    p.drawText(r, flags, text);
}

} // namespace art
