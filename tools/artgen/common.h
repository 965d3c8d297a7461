#pragma once
// Shared pieces of the artwork generator: the window layout the skin is drawn for,
// the palette, a deterministic noise source and the image conversions.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>

namespace art {

// Client area of the main window and the controls laid over the background, in window pixels.
namespace ui {
constexpr int kWinW = 958;
constexpr int kWinH = 602;
inline const QRect kClose(928, 0, 30, 28);
inline const QRect kVideo(4, 50, 638, 316);
inline const QRect kMap(646, 50, 304, 316);
inline const QRect kTime(512, 374, 126, 18);
inline const QRect kProgress(8, 410, 500, 18);
inline const QRect kVolume(530, 410, 110, 18);
inline const QRect kGauge(708, 448, 180, 111);
inline const QRect kLon(680, 404, 90, 16);
inline const QRect kLat(830, 404, 90, 16);
inline const QRect kListLeft(6, 442, 316, 122);
inline const QRect kListRight(324, 442, 316, 122);
constexpr int kButtonW = 30;
constexpr int kButtonH = 28;
constexpr int kTransportY = 374;
constexpr int kListButtonsY = 568;
// Transport row, left to right: load, pause, play, stop, previous clip, next clip.
constexpr std::array<int, 6> kTransportX{100, 166, 232, 298, 364, 430};
constexpr std::array<int, 6> kTransportBmp{161, 163, 156, 165, 166, 162};
// Play-list row: add folder, previous page, play selected, next page, remove.
constexpr std::array<int, 5> kListButtonsX{160, 230, 300, 370, 440};
constexpr std::array<int, 5> kListButtonsBmp{160, 159, 156, 170, 157};
// Gauge pivot inside the dial picture.
constexpr double kPivotX = 89.0;
constexpr double kPivotY = 91.0;
} // namespace ui

namespace pal {
inline const QColor kEdge(9, 10, 12);
inline const QColor kAccent(72, 190, 238);
inline const QColor kAccentDeep(22, 128, 196);
inline const QColor kAccentLight(150, 224, 252);
inline const QColor kSocket(24, 26, 30);      // flat floor of every button socket
inline const QColor kCaption(138, 147, 158);  // engraved captions
inline const QColor kText(222, 228, 235);
inline const QColor kWarn(255, 96, 56);
} // namespace pal

QColor mix(const QColor& a, const QColor& b, double t);
double clamp01(double v);
double smoothstep(double e0, double e1, double x);

// Small deterministic generator so that every run writes the same files.
class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}
    uint64_t Next();
    double Uniform();                       // [0, 1)
    double Range(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
private:
    uint64_t m_state;
};

// Lattice value noise in three dimensions, values in about [-1, 1].
class Noise {
public:
    explicit Noise(uint32_t seed) : m_seed(seed) {}
    double Value(double x, double y, double z) const;
    double Fbm(double x, double y, double z, int octaves, double gain = 0.5) const;
private:
    double Lattice(int x, int y, int z) const;
    uint32_t m_seed;
};

QFont font(const QString& family, double pixelSize, int weight = QFont::Normal, double spacing = 0.0);

// A picture whose pure black pixels are transparent: covered pixels are put over `floor`
// (the colour the picture will sit on), pixels with less coverage than `threshold` become the
// key, and no kept pixel may come out as pure black.
QImage keyed(const QImage& argb, const QColor& floor, double threshold);

bool saveRgb(const QImage& img, const QString& path);   // 24-bit PNG
bool saveArgb(const QImage& img, const QString& path);  // 32-bit PNG with alpha
bool saveJpeg(const QImage& img, const QString& path, int quality);

// Engraved caption: a dark copy one pixel lower, the text above it.
void engrave(QPainter& p, const QRectF& r, int flags, const QString& text, const QColor& c);

} // namespace art
