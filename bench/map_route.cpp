// Prints what the route costs the live map (run under a virtual X server; tiles need not load):
// a 24-hour route (86,400 records) from the track to drawn on the page, and the page's script
// time per position step (the marker's pan and the travelled part) with and without the route;
// then the bad inputs: a million records, a single point, a route across the date line.
// Usage: map_route [--ticks N] [--runs N]
#include "resource.h"
#include "framework/controlid.h"
#include "framework/messages.h"
#include "logic/gpstrack.h"
#include "logic/routetext.h"
#include "logic/trackstep.h"
#include "map/googlemapview.h"
#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/mappagehost.h"
#include "app/player_app.h"
#include "waitfor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// Counts the page's script time in animation frames, where the map's pans run and redraw.
constexpr const char* kFrameClock = R"JS(
window.BenchBusyMs = 0;
(function () {
    var raf = window.requestAnimationFrame;
    window.requestAnimationFrame = function (fn) {
        return raf.call(window, function (t) {
            var s = performance.now();
            try { fn(t); } finally { window.BenchBusyMs += performance.now() - s; }
        });
    };
})();
)JS";

struct CPoint
{
    double dLat, dLng;
};

class CBenchHost : public QWidget, public IMapPageHost
{
public:
    explicit CBenchHost(CImpIDispatch* pExternal)
    {
        m_mapView.SetNotifyTarget(this);
        m_mapView.SetExternal(pExternal);
        setFixedSize(960, 600);
        auto* pPlaceholder = new QWidget(this);
        SetDlgCtrlID(pPlaceholder, IDC_MAP);
        pPlaceholder->setGeometry(646, 50, 304, 316);
    }

    void ShowScriptTestMessage() override {}
    void SendStartPoint() override
    {
        m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"),
                                   QString::fromStdString(FormatPageCoordinate(m_start.dLat)),
                                   QString::fromStdString(FormatPageCoordinate(m_start.dLng)));
    }
    void OnGpsPageInitialized() override { m_bReady = true; }

    QVariant RunJs(const QString& script)
    {
        QVariant result;
        bool bDone = false;
        m_mapView.GetBrowser()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            bDone = true;
        });
        WaitFor([&] { return bDone; }, 60000);
        return result;
    }

    bool ShowLiveMap(const CPoint& start)
    {
        m_start = start;
        m_bReady = false;
        m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML"));
        return WaitFor([&] { return m_bReady; }, 30000);
    }

    CGoogleMapView m_mapView;
    CPoint m_start{0, 0};
    bool m_bReady = false;
};

// A drive, one record a second: speeds of 0-35 m/s, the heading wandering.
std::vector<CPoint> Drive(int nSeconds, CPoint at, double dHeadingDeg)
{
    std::mt19937 random(42);
    std::normal_distribution<double> turn(0.0, 4.0);
    std::uniform_real_distribution<double> speed(0.0, 35.0);
    std::vector<CPoint> points;
    points.reserve(std::size_t(nSeconds));
    double dSpeed = 20.0;
    for (int s = 0; s < nSeconds; ++s) {
        points.push_back(at);
        dHeadingDeg += turn(random);
        if (s % 60 == 0)
            dSpeed = speed(random);
        const double dMetres = dSpeed;
        at.dLat += dMetres * std::cos(dHeadingDeg * M_PI / 180.0) / 111320.0;
        at.dLng += dMetres * std::sin(dHeadingDeg * M_PI / 180.0) / (111320.0 * std::cos(at.dLat * M_PI / 180.0));
        at.dLat = std::clamp(at.dLat, 0.5, 80.0);
        // The card's logs know only north and east.
        at.dLng = std::clamp(at.dLng, 0.5, 179.5);
    }
    return points;
}

// The card log's line of a point ("A,hhmmss,date,ddmm.mmmm,dddmm.mmmm,speed").
std::string CardLine(const CPoint& point)
{
    const auto degMin = [](double d, int nWidth) {
        const int nDeg = int(d);
        char text[32];
        std::snprintf(text, sizeof text, "%0*d%07.4f", nWidth, nDeg, (d - nDeg) * 60.0);
        return std::string(text);
    };
    return "A,120000,0304100000," + degMin(point.dLat, 2) + "," + degMin(point.dLng, 3) + ",10.00";
}

std::string RouteOf(const std::vector<CPoint>& points, double* pBuildMs)
{
    CGPSTrack track("/nonexistent/GPS/GPS0001.LOG");
    for (const CPoint& point : points)
        track.ParseRecord(CardLine(point));
    QElapsedTimer clock;
    clock.start();
    std::string text = RouteText(track);
    *pBuildMs = double(clock.nsecsElapsed()) / 1e6;
    return text;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// From the route's text to SetRoute having drawn it (the call's answer comes back after it);
// *pPageMs: of that, SetRoute's own run in the page once its argument was read.
double HandOver(CBenchHost& host, const std::string& text, int* pDrawn, double* pPageMs = nullptr)
{
    QElapsedTimer clock;
    clock.start();
    const QVariantList answer =
        host.RunJs(QStringLiteral("(function () { var s = performance.now(); SetRoute(") + QString::fromStdString(text) +
                   QStringLiteral("); return [RouteInfo().drawn, performance.now() - s]; })()"))
            .toList();
    const double dMs = double(clock.nsecsElapsed()) / 1e6;
    *pDrawn = answer.value(0).toInt();
    if (pPageMs)
        *pPageMs = answer.value(1).toDouble();
    return dMs;
}

// The page's script time for each of nTicks position steps along points, one every 400 ms
// (the pan takes 250 ms).
std::vector<double> TickCosts(CBenchHost& host, const std::vector<CPoint>& points, int nTicks)
{
    std::vector<double> costs;
    for (int n = 1; n <= nTicks; ++n) {
        const CPoint& point = points[std::size_t(n) % points.size()];
        const double dBefore = host.RunJs(QStringLiteral("BenchBusyMs")).toDouble();
        host.RunJs(QStringLiteral("(function () { var s = performance.now(); PanToNewPoint(%1,%2); "
                                  "SetRouteSecond(%3); BenchBusyMs += performance.now() - s; })()")
                       .arg(QString::fromStdString(FormatPageCoordinate(point.dLat)),
                            QString::fromStdString(FormatPageCoordinate(point.dLng)))
                       .arg(n));
        QTest::qWait(400);
        costs.push_back(host.RunJs(QStringLiteral("BenchBusyMs")).toDouble() - dBefore);
    }
    return costs;
}

} // namespace

int main(int argc, char** argv)
{
    int nTicks = 40;
    int nRuns = 5;
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--ticks")
            nTicks = std::max(2, atoi(argv[++i]));
        else if (arg == "--runs")
            nRuns = std::max(1, atoi(argv[++i]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    CPlayerApp::PrepareEnvironment();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);

    CImpIDispatch external;
    CBenchHost host(&external);
    external.SetHost(&host);
    host.show();
    if (!host.m_mapView.CreateFromStatic(IDC_MAP, &host)) {
        std::fprintf(stderr, "map_route: no map view\n");
        return 1;
    }
    QWebEngineScript clock;
    clock.setName(QStringLiteral("bench-frame-clock"));
    clock.setInjectionPoint(QWebEngineScript::DocumentCreation);
    clock.setWorldId(QWebEngineScript::MainWorld);
    clock.setSourceCode(QString::fromLatin1(kFrameClock));
    host.m_mapView.GetBrowser()->page()->scripts().insert(clock);

    const std::vector<CPoint> day = Drive(86400, {47.0, 8.0}, 30.0);
    if (!host.ShowLiveMap(day.front())) {
        std::fprintf(stderr, "map_route: the live map never reported ready\n");
        return 1;
    }
    const std::vector<double> without = TickCosts(host, day, nTicks);

    double dBuildMs = 0;
    const std::string dayText = RouteOf(day, &dBuildMs);
    std::vector<double> handOver, inPage;
    int nDrawn = 0;
    for (int i = 0; i < nRuns; ++i) {
        double dPageMs = 0;
        handOver.push_back(HandOver(host, dayText, &nDrawn, &dPageMs));
        inPage.push_back(dPageMs);
    }
    host.RunJs(QStringLiteral("map.setView([%1,%2], 16, { animate: false })")
                   .arg(day.front().dLat, 0, 'f', 6).arg(day.front().dLng, 0, 'f', 6));
    const std::vector<double> with = TickCosts(host, day, nTicks);

    std::printf("24-hour route (86,400 records, %.1f MB of text): RouteText %.1f ms; text to drawn on the page "
                "(SetRoute returned) median %.1f ms, min %.1f, max %.1f over %d runs (SetRoute itself median %.1f ms), "
                "%d points drawn (target <= 200 ms)\n",
                double(dayText.size()) / 1e6, dBuildMs, Median(handOver),
                *std::min_element(handOver.begin(), handOver.end()),
                *std::max_element(handOver.begin(), handOver.end()), nRuns, Median(inPage), nDrawn);
    std::printf("page script per position step over %d steps: without route median %.2f ms (max %.2f), "
                "with the route median %.2f ms (max %.2f): %+.2f ms (target <= 1 ms more)\n",
                nTicks, Median(without), *std::max_element(without.begin(), without.end()), Median(with),
                *std::max_element(with.begin(), with.end()), Median(with) - Median(without));

    for (int z : {12, 8, 3, 16}) {
        const double dMs = host.RunJs(QStringLiteral("(function () { var s = performance.now(); "
                                                     "map.setZoom(%1, { animate: false }); "
                                                     "return performance.now() - s; })()")
                                          .arg(z))
                               .toDouble();
        std::printf("zoom to %d with the 24-hour route: %.1f ms, %d points drawn\n", z, dMs,
                    host.RunJs(QStringLiteral("RouteInfo().drawn")).toInt());
    }
    const double dClickMs = host.RunJs(QStringLiteral("(function () { var s = performance.now(); "
                                                      "RouteNearest(map.getCenter()); "
                                                      "return performance.now() - s; })()"))
                                .toDouble();
    std::printf("nearest route point to a click, 24-hour route: %.2f ms\n", dClickMs);

    // The bad inputs.
    const std::vector<CPoint> million = Drive(1000000, {47.0, 8.0}, 30.0);
    const std::string millionText = RouteOf(million, &dBuildMs);
    const double dMillionMs = HandOver(host, millionText, &nDrawn);
    std::printf("1,000,000 records: RouteText %.1f ms (thinned to %d points, %.1f MB), text to drawn %.1f ms, "
                "%d points drawn\n",
                dBuildMs, host.RunJs(QStringLiteral("RouteInfo().total")).toInt(), double(millionText.size()) / 1e6,
                dMillionMs, nDrawn);
    const std::vector<CPoint> single = {{47.0, 8.0}};
    const double dSingleMs = HandOver(host, RouteOf(single, &dBuildMs), &nDrawn);
    std::printf("a single point: text to drawn %.1f ms, %d drawn\n", dSingleMs, nDrawn);
    // Near the date line the card's log cannot go west; the page is handed the points itself.
    std::string across = "[";
    for (int s = 0; s < 3600; ++s)
        across += (s ? "," : "") + std::string("[") + FormatPageCoordinate(60.0) + "," +
                  FormatPageCoordinate(std::fmod(179.5 + s * 0.0003 + 180.0, 360.0) - 180.0) + "," +
                  std::to_string(s) + "]";
    across += "]";
    host.RunJs(QStringLiteral("map.setView([60, 179.5], 12, { animate: false })"));
    const double dAcrossMs = HandOver(host, across, &nDrawn);
    std::printf("across the date line (3,600 points, 179.5 E to 179.42 W): text to drawn %.1f ms, %d drawn, "
                "longitudes %s\n",
                dAcrossMs, nDrawn,
                qPrintable(host.RunJs(QStringLiteral("route.lng[0].toFixed(2) + '..' + "
                                                     "route.lng[route.lng.length - 1].toFixed(2)"))
                               .toString()));
    external.SetHost(nullptr);
    return 0;
}
