// Cost of one paint of the speed gauge and of the progress slider, through the controls'
// own drawing (onto a painter, as Qt hands one to paintEvent) and through Qt's whole repaint
// path, and the number of heap allocations one paint makes beyond its off-screen surface.
//
//   bench_skin [benchmark options]      (uses Qt's offscreen platform unless told otherwise)

#include "skin/bitmapslider.h"
#include "framework/resources.h"
#include "skin/memdc.h"
#include "skin/meter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

// ---- allocation counting ---------------------------------------------------------------
// The C allocator is wrapped (every operator new ends up here too) and counts while asked.
// Sanitizer builds bring their own allocator and are left alone.

namespace {
std::atomic<bool> g_bCounting{false};
std::atomic<long> g_nAllocations{0};

inline void Count()
{
    if (g_bCounting.load(std::memory_order_relaxed))
        g_nAllocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCountingAllocations = false;
#else
constexpr bool kCountingAllocations = true;
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);

void* malloc(size_t n)
{
    Count();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    Count();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    Count();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n)
{
    Count();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n)
{
    Count();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** pp, size_t alignment, size_t n)
{
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return 22;  // EINVAL
    Count();
    void* p = __libc_memalign(alignment, n);
    if (!p && n != 0)
        return 12;  // ENOMEM
    *pp = p;
    return 0;
}
void free(void* p)
{
    __libc_free(p);
}
}
#endif

namespace {

long CountAllocations(const std::function<void()>& fn)
{
    g_nAllocations = 0;
    g_bCounting = true;
    fn();
    g_bCounting = false;
    return g_nAllocations.load();
}

QImage BitmapOr(UINT nId, const QImage& fallback)
{
    const QImage image = Resources::LoadBitmap(nId);
    return image.isNull() ? fallback : image;
}

QImage Solid(int w, int h, QRgb rgb)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

// What Qt paints a widget onto: a premultiplied image with a painter already open.
struct Target
{
    QImage image;
    QPainter painter;
    explicit Target(QSize size) : image(size, QImage::Format_ARGB32_Premultiplied)
    {
        image.fill(Qt::black);
        painter.begin(&image);
        painter.setBackground(Qt::white);
    }
};

struct Gauge
{
    CMeter meter;
    Gauge()
    {
        meter.SetDialImage(BitmapOr(154, Solid(180, 111, qRgb(0, 0, 0))));
        meter.SetRange(0, 120, FALSE);
    }
};

struct Slider
{
    CBitmapSlider slider;
    Slider()
    {
        slider.SetChannelImages(BitmapOr(145, Solid(500, 18, qRgb(30, 30, 40))),
                                BitmapOr(148, Solid(500, 18, qRgb(30, 90, 200))));
        QImage thumb = Solid(18, 18, qRgb(0, 0, 0));
        for (int i = 3; i < 15; ++i)
            for (int j = 3; j < 15; ++j)
                thumb.setPixel(i, j, qRgb(220, 220, 230));
        slider.SetThumbImages(BitmapOr(147, thumb), BitmapOr(146, thumb), TRUE, CBitmapSlider::KEY_FROM_PIXEL, 0, 0);
        slider.SetRange(0, 100, FALSE);
    }
};

void ReportAllocations(benchmark::State& state, long nPaint, long nSurface)
{
    if (!kCountingAllocations)
        return;
    state.counters["allocs"] = double(nPaint);
    state.counters["surface_allocs"] = double(nSurface);
    state.counters["beyond_surface"] = double(nPaint - nSurface);
}

// Opening and closing the off-screen surface alone: the allocations a paint may make.
long SurfaceAllocations(QSize size)
{
    Target target(size);
    const QRect rc(QPoint(0, 0), size);
    { CMemDC warm(&target.painter, &rc); }
    return CountAllocations([&] { CMemDC dc(&target.painter, &rc); });
}

void BM_GaugePaint(benchmark::State& state)
{
    Gauge gauge;
    Target target(gauge.meter.size());
    int nFrame = 0;
    gauge.meter.Paint(target.painter);
    const long nPaint = CountAllocations([&] {
        gauge.meter.SetPos(77);
        gauge.meter.Paint(target.painter);
    });
    for (auto _ : state) {
        gauge.meter.SetPos(nFrame);
        nFrame = (nFrame + 1) % 121;
        gauge.meter.Paint(target.painter);
        benchmark::ClobberMemory();
    }
    ReportAllocations(state, nPaint, SurfaceAllocations(gauge.meter.size()));
}
BENCHMARK(BM_GaugePaint)->Unit(benchmark::kMicrosecond);

void BM_SliderPaint(benchmark::State& state)
{
    Slider slider;
    Target target(slider.slider.size());
    int nPos = 0;
    slider.slider.Paint(target.painter);
    const long nPaint = CountAllocations([&] {
        slider.slider.SetPos(42);
        slider.slider.Paint(target.painter);
    });
    for (auto _ : state) {
        slider.slider.SetPos(nPos);
        nPos = (nPos + 1) % 101;
        slider.slider.Paint(target.painter);
        benchmark::ClobberMemory();
    }
    ReportAllocations(state, nPaint, SurfaceAllocations(slider.slider.size()));
}
BENCHMARK(BM_SliderPaint)->Unit(benchmark::kMicrosecond);

// The same through Qt: invalidate, paint event, backing store and flush of a shown window.
template <typename Control>
void RepaintThroughQt(benchmark::State& state, Control& control, const std::function<void(int)>& setPos, int nSteps)
{
    control.show();
    QCoreApplication::processEvents();
    int n = 0;
    for (auto _ : state) {
        setPos(n);
        n = (n + 1) % nSteps;
        control.repaint();
    }
    control.hide();
}

void BM_GaugeRepaintThroughQt(benchmark::State& state)
{
    Gauge gauge;
    RepaintThroughQt(state, gauge.meter, [&](int n) { gauge.meter.SetPos(n); }, 121);
}
BENCHMARK(BM_GaugeRepaintThroughQt)->Unit(benchmark::kMicrosecond);

void BM_SliderRepaintThroughQt(benchmark::State& state)
{
    Slider slider;
    RepaintThroughQt(state, slider.slider, [&](int n) { slider.slider.SetPos(n); }, 101);
}
BENCHMARK(BM_SliderRepaintThroughQt)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("target: at most 100 us for one paint of the gauge and of the slider; "
                "beyond_surface = heap allocations of one paint besides its off-screen surface%s\n",
                kCountingAllocations ? "" : " (not counted in a sanitizer build)");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
