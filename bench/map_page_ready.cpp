// Prints how long the live map takes from the navigation to its ready report, once the web
// engine is up (the start page has been shown). Usage:
//   map_page_ready [--runs N] [--screenshots DIR]
#include "resource.h"
#include "framework/controlid.h"
#include "framework/messages.h"
#include "map/googlemapview.h"
#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/mappagehost.h"
#include "app/player_app.h"
#include "waitfor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

class CBenchHost : public QWidget, public IMapPageHost
{
public:
    explicit CBenchHost(CImpIDispatch* pExternal)
    {
        m_mapView.SetNotifyTarget(this);
        m_mapView.SetExternal(pExternal);
        setFixedSize(960, 600);
        setStyleSheet(QStringLiteral("background: #202020"));
        auto* pPlaceholder = new QWidget(this);
        SetDlgCtrlID(pPlaceholder, IDC_MAP);
        pPlaceholder->setGeometry(646, 50, 304, 316);
    }

    void ShowScriptTestMessage() override {}
    void SendStartPoint() override
    {
        m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"), QString::asprintf("%f", 10.5),
                                   QString::asprintf("%f", 20.25));
    }
    void OnGpsPageInitialized() override { m_bReady = true; }

    CGoogleMapView m_mapView;
    bool m_bReady = false;
    bool m_bLoaded = false;

protected:
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() == WM_MAP_LOAD_COMPLETE)
            m_bLoaded = true;
        return QWidget::event(pEvent);
    }
};

constexpr int kPageTimeoutMs = 30000;

void Settle(int nMs)
{
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Show(CBenchHost& host, const char* pszName)
{
    host.m_bLoaded = false;
    host.m_bReady = false;
    host.m_mapView.NavigateResource(QString::fromLatin1(pszName));
    return WaitFor([&] { return host.m_bLoaded; }, kPageTimeoutMs);
}

bool Grab(CBenchHost& host, const QString& path)
{
    const QWidget& view = host.m_mapView;
    const QPoint origin = view.mapTo(&host, QPoint(0, 0));
    const QPixmap shot = host.screen()->grabWindow(host.winId(), origin.x(), origin.y(), view.width(), view.height());
    return !shot.isNull() && shot.save(path);
}

} // namespace

int main(int argc, char** argv)
{
    int nRuns = 21;
    QString screenshotDir;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--runs" && i + 1 < argc)
            nRuns = std::max(1, atoi(argv[++i]));
        else if (arg == "--screenshots" && i + 1 < argc)
            screenshotDir = QString::fromLocal8Bit(argv[++i]);
    }
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");

    CPlayerApp::PrepareEnvironment();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);

    CImpIDispatch external;
    int nResult = 0;
    {
        CBenchHost host(&external);
        external.SetHost(&host);
        host.show();
        if (!host.m_mapView.CreateFromStatic(IDC_MAP, &host)) {
            std::fprintf(stderr, "map_page_ready: no map view\n");
            return 1;
        }

        QElapsedTimer engine;
        engine.start();
        if (!Show(host, "StartUpPage.HTML")) {
            std::fprintf(stderr, "map_page_ready: the start page did not load\n");
            return 1;
        }
        const qint64 nEngineMs = engine.elapsed();
        if (!screenshotDir.isEmpty()) {
            QDir().mkpath(screenshotDir);
            Settle(500);
            if (!Grab(host, QDir(screenshotDir).filePath(QStringLiteral("startpage.png"))))
                nResult = 1;
        }

        std::vector<double> times;
        for (int i = 0; i <= nRuns; ++i) {
            if (!Show(host, "StartUpPage.HTML"))
                return 1;
            host.m_bReady = false;
            QElapsedTimer timer;
            timer.start();
            host.m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML"));
            if (!WaitFor([&] { return host.m_bReady; }, kPageTimeoutMs)) {
                std::fprintf(stderr, "map_page_ready: the live map never reported ready\n");
                return 1;
            }
            const double dMs = double(timer.nsecsElapsed()) / 1e6;
            if (i > 0)  // the first live map also compiles Leaflet for the first time
                times.push_back(dMs);
            else
                std::printf("first live map: %.1f ms\n", dMs);
        }
        std::sort(times.begin(), times.end());
        const double dMedian = times.size() % 2 ? times[times.size() / 2]
                                                : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
        std::printf("web engine up (start page loaded): %lld ms\n", static_cast<long long>(nEngineMs));
        std::printf("NavigateResource(\"GPS_VIEW.HTML\") -> CB_SetGPSPageInitialized over %zu runs: "
                    "median %.1f ms, min %.1f ms, max %.1f ms (target <= 300 ms)\n",
                    times.size(), dMedian, times.front(), times.back());

        if (!screenshotDir.isEmpty()) {
            Settle(1500);  // tiles fail without a network; let the map settle
            if (!Grab(host, QDir(screenshotDir).filePath(QStringLiteral("livemap.png"))))
                nResult = 1;
        }
        external.SetHost(nullptr);
    }
    return nResult;
}
