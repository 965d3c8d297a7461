// artgen: draws the player's skin, icons and pictures and writes them under a res/ folder.
//
//   QT_QPA_PLATFORM=offscreen artgen <res-dir> [--preview <file.png>] [--hicolor <dir>]
//
// --hicolor also writes the application icon in the desktop's theme sizes as
// <dir>/NxN/apps/deruziz.png, for installing under share/icons/hicolor.
// The preview composes the background with the controls' images at their places, with a
// stand-in needle and texts, to judge the whole window at once.

#include "common.h"
#include "pictures.h"

#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>

#include <cmath>
#include <cstdio>

using namespace art;

namespace {

bool g_failed = false;

void write(bool ok, const QString& path)
{
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    g_failed = g_failed || !ok;
}

// Draws a keyed bitmap the way the buttons do: pure black pixels stay transparent.
void blitKeyed(QImage& dst, const QImage& src, int x0, int y0)
{
    const QImage s = src.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) {
            const QRgb c = s.pixel(x, y);
            if ((c & 0xFFFFFF) == 0)
                continue;
            const int dx = x0 + x, dy = y0 + y;
            if (dx >= 0 && dy >= 0 && dx < dst.width() && dy < dst.height())
                dst.setPixel(dx, dy, c);
        }
}

void drawSlider(QImage& win, const QRect& r, const QImage& normal, const QImage& active, const QImage& thumb, double pos)
{
    const int half = thumb.width() / 2;
    const int cx = half + int(std::lround((r.width() - thumb.width()) * pos));
    QPainter p(&win);
    p.drawImage(r.topLeft(), normal);
    p.drawImage(r.topLeft(), active, QRect(0, 0, cx, r.height()));
    p.end();
    blitKeyed(win, thumb, r.left() + cx - half, r.top());
}

void preview(const QImage& bg, const QString& path, const QString& res)
{
    QImage win(ui::kWinW, ui::kWinH, QImage::Format_RGB32);
    for (int y = 0; y < ui::kWinH; ++y)
        for (int x = 0; x < ui::kWinW; ++x)
            win.setPixel(x, y, bg.pixel(x % bg.width(), y % bg.height()));

    auto load = [&](const QString& rel) { return QImage(res + QLatin1Char('/') + rel); };
    QPainter p(&win);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(ui::kVideo.adjusted(1, 1, -1, -1), load(QStringLiteral("bitmaps/171.png")));
    p.drawImage(ui::kMap, load(QStringLiteral("html/GPS.JPG")));
    p.drawImage(ui::kGauge.topLeft(), load(QStringLiteral("bitmaps/154.png")));

    // Stand-in needle at 62 km/h, in the needle's colours.
    {
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(ui::kGauge.left() + ui::kPivotX, ui::kGauge.top() + ui::kPivotY);
        const double a = DialAngle(62) * 3.14159265358979 / 180.0;
        const QPointF dir(std::cos(a), -std::sin(a));
        QLinearGradient g(c - dir * 15, c + dir * 80);
        g.setColorAt(0, QColor(20, 70, 10));
        g.setColorAt(0.16, QColor(60, 170, 20));
        g.setColorAt(0.55, QColor(185, 255, 63));
        g.setColorAt(0.8, QColor(250, 220, 30));
        g.setColorAt(1, QColor(250, 100, 0));
        p.setPen(QPen(QBrush(g), 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(c - dir * 15, c + dir * 80);
        p.setRenderHint(QPainter::Antialiasing, false);
    }

    // Texts: white on black cells.
    auto text = [&](const QRect& r, const QString& s) {
        p.fillRect(r, Qt::black);
        p.setPen(Qt::white);
        p.setFont(font(QStringLiteral("DejaVu Sans"), 12));
        p.drawText(r, Qt::AlignCenter, s);
    };
    text(ui::kTime, QStringLiteral("00:01:23/00:03:00"));
    text(ui::kLon, QStringLiteral("E:121.473701"));
    text(ui::kLat, QStringLiteral("N:31.230416"));

    // Lists: dark views with a few rows, one selected.
    for (const QRect& r : {ui::kListLeft, ui::kListRight}) {
        p.fillRect(r, QColor(12, 13, 15));
        p.fillRect(QRect(r.left(), r.top(), r.width(), 20), QColor(40, 43, 49));
        p.setPen(QColor(170, 178, 188));
        p.setFont(font(QStringLiteral("DejaVu Sans"), 10));
        p.drawText(QRect(r.left() + 6, r.top(), 120, 20), Qt::AlignVCenter, QStringLiteral("File"));
        p.drawText(QRect(r.left() + 150, r.top(), 80, 20), Qt::AlignVCenter, QStringLiteral("Date"));
        for (int i = 0; i < 5; ++i) {
            const QRect row(r.left(), r.top() + 20 + i * 20, r.width(), 20);
            const bool sel = r == ui::kListLeft && i == 1;
            if (sel)
                p.fillRect(row, pal::kAccentDeep);
            p.setPen(sel ? QColor(255, 255, 255) : QColor(210, 216, 224));
            const int n = (r == ui::kListLeft ? 1 : 6) + i;
            p.drawText(row.adjusted(6, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("FILE%1.MOV").arg(n, 4, 10, QLatin1Char('0')));
            p.drawText(row.adjusted(150, 0, 0, 0), Qt::AlignVCenter, QStringLiteral("2012-05-%1  08:1%2:00").arg(n, 2, 10, QLatin1Char('0')).arg(i));
        }
    }
    p.drawImage(ui::kClose.left() + 4, ui::kClose.top() + 3, load(QStringLiteral("icons/130.png")));
    p.end();

    for (size_t i = 0; i < ui::kTransportX.size(); ++i)
        blitKeyed(win, load(QStringLiteral("bitmaps/%1.png").arg(ui::kTransportBmp[i])),
                  ui::kTransportX[i] - 1, ui::kTransportY - 2);
    for (size_t i = 0; i < ui::kListButtonsX.size(); ++i)
        blitKeyed(win, load(QStringLiteral("bitmaps/%1.png").arg(ui::kListButtonsBmp[i])),
                  ui::kListButtonsX[i] - 1, ui::kListButtonsY - 2);
    drawSlider(win, ui::kProgress, load(QStringLiteral("bitmaps/145.png")), load(QStringLiteral("bitmaps/148.png")),
               load(QStringLiteral("bitmaps/147.png")), 0.46);
    drawSlider(win, ui::kVolume, load(QStringLiteral("bitmaps/149.png")), load(QStringLiteral("bitmaps/150.png")),
               load(QStringLiteral("bitmaps/146.png")), 0.5);
    write(win.save(path), path);
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: artgen <res-dir> [--preview <file.png>] [--hicolor <dir>]\n");
        return 2;
    }
    const QString res = args[1];
    QString previewPath;
    const int pi = int(args.indexOf(QStringLiteral("--preview")));
    if (pi > 0 && pi + 1 < args.size())
        previewPath = args[pi + 1];
    QString hicolorPath;
    const int hi = int(args.indexOf(QStringLiteral("--hicolor")));
    if (hi > 0 && hi + 1 < args.size())
        hicolorPath = args[hi + 1];

    QDir dir(res);
    for (const char* sub : {"bitmaps", "icons", "html"})
        dir.mkpath(QLatin1String(sub));
    auto at = [&](const QString& rel) { return dir.filePath(rel); };

    const QImage window = RenderWindow();
    const QImage bg = BackgroundFromWindow(window);
    write(saveRgb(bg, at(QStringLiteral("bitmaps/132.png"))), at(QStringLiteral("bitmaps/132.png")));

    for (int id : {156, 157, 159, 160, 161, 162, 163, 165, 166, 170}) {
        const QString path = at(QStringLiteral("bitmaps/%1.png").arg(id));
        write(saveRgb(ButtonGlyph(id), path), path);
    }

    const struct {
        int id;
        const QRect& rect;
        bool volume, active;
    } channels[] = {{145, ui::kProgress, false, false}, {148, ui::kProgress, false, true},
                    {149, ui::kVolume, true, false},    {150, ui::kVolume, true, true}};
    for (const auto& c : channels) {
        const QString path = at(QStringLiteral("bitmaps/%1.png").arg(c.id));
        write(saveRgb(Channel(window, c.rect, c.volume, c.active), path), path);
    }
    write(saveRgb(Thumb(false), at(QStringLiteral("bitmaps/147.png"))), at(QStringLiteral("bitmaps/147.png")));
    write(saveRgb(Thumb(true), at(QStringLiteral("bitmaps/146.png"))), at(QStringLiteral("bitmaps/146.png")));

    write(saveRgb(window.copy(ui::kGauge), at(QStringLiteral("bitmaps/154.png"))), at(QStringLiteral("bitmaps/154.png")));
    write(saveRgb(IdlePicture(), at(QStringLiteral("bitmaps/171.png"))), at(QStringLiteral("bitmaps/171.png")));

    write(saveArgb(AppIcon(256), at(QStringLiteral("icons/128.png"))), at(QStringLiteral("icons/128.png")));
    // The window icon takes the small sizes only: handing a window manager 256 x 256 pixels
    // costs the start-up more than it gains.
    for (int nSize : {32, 48, 64}) {
        const QString name = QStringLiteral("icons/128-%1.png").arg(nSize);
        write(saveArgb(AppIcon(nSize), at(name)), at(name));
    }
    write(saveArgb(CloseIcon(), at(QStringLiteral("icons/130.png"))), at(QStringLiteral("icons/130.png")));

    write(saveJpeg(EarthPicture(), at(QStringLiteral("html/GPS.JPG")), 92), at(QStringLiteral("html/GPS.JPG")));

    if (!hicolorPath.isEmpty()) {
        // Each size is drawn at its own resolution, as the window icons are, not scaled down.
        QDir theme(hicolorPath);
        for (int nSize : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString sub = QStringLiteral("%1x%1/apps").arg(nSize);
            theme.mkpath(sub);
            const QString path = theme.filePath(sub + QStringLiteral("/deruziz.png"));
            write(saveArgb(AppIcon(nSize), path), path);
        }
    }

    if (!previewPath.isEmpty())
        preview(bg, previewPath, res);
    return g_failed ? 1 : 0;
}
