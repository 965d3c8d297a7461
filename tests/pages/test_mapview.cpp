// The map view in the real web engine: the res: pages, the script bridge in both directions,
// the navigation messages and the host's customisation. One host window and its view are
// shared by the tests (one engine start-up); a few tests make a second view.
#include <gtest/gtest.h>

#include "resource.h"
#include "framework/controlid.h"
#include "framework/messages.h"
#include "framework/resources.h"
#include "map/googlemapview.h"
#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/mappagehost.h"
#include "boxcatcher.h"
#include "waitfor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <vector>

namespace {

constexpr int kWait = 20000;

struct MapMessage
{
    int nType;
    QString strURL;
    bool bHasDocument;
};

// Stands in for the main window: owns the map placeholder and the view over it, records the
// view's map messages and answers the page as the main window does.
class CTestHost : public QWidget, public IMapPageHost
{
public:
    explicit CTestHost(CImpIDispatch* pExternal = nullptr)
    {
        m_mapView.SetNotifyTarget(this);
        m_mapView.SetExternal(pExternal);
        setFixedSize(960, 600);
        auto* pPlaceholder = new QWidget(this);
        SetDlgCtrlID(pPlaceholder, IDC_MAP);
        pPlaceholder->setGeometry(646, 50, 304, 316);
    }

    void ShowScriptTestMessage() override { m_calls.push_back(QStringLiteral("ShowScriptTestMessage")); }
    void SendStartPoint() override
    {
        m_calls.push_back(QStringLiteral("SendStartPoint"));
        if (m_bHasStartPoint)
            m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"), QString::asprintf("%f", m_dLat),
                                       QString::asprintf("%f", m_dLng));
    }
    void OnGpsPageInitialized() override { m_calls.push_back(QStringLiteral("OnGpsPageInitialized")); }

    int CountCalls(const QString& name) const { return int(std::count(m_calls.begin(), m_calls.end(), name)); }
    bool HasMessage(int nType) const
    {
        return std::any_of(m_messages.begin(), m_messages.end(), [&](const MapMessage& m) { return m.nType == nType; });
    }
    void Clear()
    {
        m_calls.clear();
        m_messages.clear();
    }

    CGoogleMapView m_mapView;
    std::vector<QString> m_calls;
    std::vector<MapMessage> m_messages;
    bool m_bHasStartPoint = true;
    double m_dLat = 10.5;
    double m_dLng = 20.25;

protected:
    bool event(QEvent* pEvent) override
    {
        const int nType = int(pEvent->type());
        if (nType >= WM_MAP_DOCUMENT_COMPLETE && nType <= WM_MAP_LOAD_COMPLETE) {
            m_messages.push_back({nType, m_mapView.m_strURL, m_mapView.GetHtmlDocument() != nullptr});
            static_cast<CMessageEvent*>(pEvent)->m_lResult = 1;
            return true;
        }
        return QWidget::event(pEvent);
    }
};

QVariant RunJs(QWebEnginePage* pPage, const QString& script)
{
    QVariant result;
    bool bDone = false;
    QEventLoop loop;
    pPage->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        bDone = true;
        loop.quit();
    });
    QTimer::singleShot(kWait, &loop, &QEventLoop::quit);
    if (!bDone)
        loop.exec();
    return result;
}

class CUrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> m_urls;
public Q_SLOTS:
    void Open(const QUrl& url) { m_urls.push_back(url); }
};

} // namespace

class MapViewTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pExternal = new CImpIDispatch;
        s_pHost = new CTestHost(s_pExternal);
        s_pExternal->SetHost(s_pHost);
        s_pHost->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(s_pHost));
        ASSERT_TRUE(s_pHost->m_mapView.CreateFromStatic(IDC_MAP, s_pHost));
    }

    static void TearDownTestSuite()
    {
        s_pExternal->SetHost(nullptr);
        delete s_pHost;
        s_pHost = nullptr;
        EXPECT_EQ(s_pExternal->m_nRefCount, 0);
        delete s_pExternal;
        s_pExternal = nullptr;
    }

    void SetUp() override
    {
        Host().Clear();
        Host().m_bHasStartPoint = true;
        Host().m_dLat = 10.5;
        Host().m_dLng = 20.25;
    }

    static CTestHost& Host() { return *s_pHost; }
    static CGoogleMapView& View() { return s_pHost->m_mapView; }
    static QWebEnginePage* Page() { return View().GetBrowser()->page(); }

    // Navigates the shared view and waits for the load-complete message.
    static bool Show(const QString& name)
    {
        Host().Clear();
        if (!View().NavigateResource(name))
            return false;
        return WaitFor([] { return Host().HasMessage(WM_MAP_LOAD_COMPLETE); }, kWait);
    }

    static bool ShowLiveMap()
    {
        return Show(QStringLiteral("GPS_VIEW.HTML")) &&
               WaitFor([] { return Host().CountCalls(QStringLiteral("OnGpsPageInitialized")) > 0; }, kWait);
    }

    static inline CImpIDispatch* s_pExternal = nullptr;
    static inline CTestHost* s_pHost = nullptr;
};

TEST_F(MapViewTest, ViewTakesThePlaceholdersPlaceAndId)
{
    EXPECT_EQ(GetDlgItem(s_pHost, IDC_MAP), &View());
    EXPECT_EQ(View().geometry(), QRect(646, 50, 304, 316));
    EXPECT_EQ(View().GetBrowser()->geometry(), QRect(0, 0, 304, 316));
    EXPECT_EQ(GetDlgCtrlID(View().GetBrowser()), AFX_IDW_PANE_FIRST);

    QWidget parentWithout;
    CGoogleMapView orphan;
    EXPECT_FALSE(orphan.CreateFromStatic(IDC_MAP, &parentWithout));
    EXPECT_FALSE(orphan.NavigateResource(QStringLiteral("STARTUPPAGE.HTML")));
}

TEST_F(MapViewTest, LiveMapAsksForItsStartPointAndReportsReadyOnce)
{
    ASSERT_TRUE(ShowLiveMap());
    EXPECT_EQ(Host().m_calls, (std::vector<QString>{QStringLiteral("SendStartPoint"), QStringLiteral("OnGpsPageInitialized")}));

    const QVariantMap state = RunJs(Page(), QStringLiteral(R"JS((function () {
        var markers = [];
        map.eachLayer(function (layer) { if (layer instanceof L.Marker) markers.push(layer.getLatLng()); });
        var base = document.querySelectorAll(".leaflet-control-layers-base label");
        var selected = "";
        base.forEach(function (label) { if (label.querySelector("input").checked) selected = label.textContent.trim(); });
        return { centerLat: CenterLat, centerLng: CenterLng, lat: map.getCenter().lat, lng: map.getCenter().lng,
                 zoom: map.getZoom(), markers: markers.length,
                 sameSpot: markers.every(function (m) { return m.lat === 10.5 && m.lng === 20.25; }),
                 layers: base.length, selected: selected,
                 attribution: document.querySelector(".leaflet-control-attribution").textContent };
    })())JS")).toMap();
    EXPECT_DOUBLE_EQ(state.value("centerLat").toDouble(), 10.5);
    EXPECT_DOUBLE_EQ(state.value("centerLng").toDouble(), 20.25);
    EXPECT_NEAR(state.value("lat").toDouble(), 10.5, 1e-9);
    EXPECT_NEAR(state.value("lng").toDouble(), 20.25, 1e-9);
    EXPECT_EQ(state.value("zoom").toInt(), 16);
    EXPECT_EQ(state.value("markers").toInt(), 2);
    EXPECT_TRUE(state.value("sameSpot").toBool());
    EXPECT_EQ(state.value("layers").toInt(), 2);
    EXPECT_EQ(state.value("selected").toString(), QStringLiteral("Hybrid"));
    EXPECT_TRUE(state.value("attribution").toString().contains(QStringLiteral("Esri")));

    const double track[][2] = {{10.5001, 20.2502}, {10.5004, 20.2505}, {10.5010, 20.2509}, {10.5013, 20.2520}};
    for (const auto& point : track)
        EXPECT_TRUE(View().CallPageFunction(QStringLiteral("PanToNewPoint"), QString::asprintf("%f", point[0]),
                                            QString::asprintf("%f", point[1])));
    const QString markersScript = QStringLiteral(R"JS((function () {
        var n = 0;
        map.eachLayer(function (layer) { if (layer instanceof L.Marker) n++; });
        return { markers: n, lat: MovingPointMarker.getLatLng().lat, lng: MovingPointMarker.getLatLng().lng };
    })())JS");
    const QVariantMap after = RunJs(Page(), markersScript).toMap();
    EXPECT_EQ(after.value("markers").toInt(), 2);
    EXPECT_DOUBLE_EQ(after.value("lat").toDouble(), 10.5013);
    EXPECT_DOUBLE_EQ(after.value("lng").toDouble(), 20.2520);
    EXPECT_TRUE(WaitFor(
        [] {
            const QVariantMap c = RunJs(Page(), QStringLiteral("({lat: map.getCenter().lat, lng: map.getCenter().lng})")).toMap();
            // Leaflet pans by whole pixels: at zoom 16 one pixel is about 2e-5 degrees.
            return qAbs(c.value("lat").toDouble() - 10.5013) < 3e-5 && qAbs(c.value("lng").toDouble() - 20.2520) < 3e-5;
        },
        kWait))
        << "the map pans to the last point";
    EXPECT_EQ(RunJs(Page(), QStringLiteral("map.getZoom()")).toInt(), 16);

    // A second start-up request on the live page does not make a second map or a second report.
    View().CallPageFunction(QStringLiteral("initialize"));
    ASSERT_TRUE(WaitFor([] { return Host().CountCalls(QStringLiteral("SendStartPoint")) == 2; }, kWait));
    EXPECT_EQ(RunJs(Page(), markersScript).toMap().value("markers").toInt(), 2);
    EXPECT_EQ(Host().CountCalls(QStringLiteral("OnGpsPageInitialized")), 1);
}

TEST_F(MapViewTest, LiveMapWithoutStartPointNeverReportsReady)
{
    Host().m_bHasStartPoint = false;
    ASSERT_TRUE(Show(QStringLiteral("GPS_VIEW.HTML")));
    ASSERT_TRUE(WaitFor([] { return Host().CountCalls(QStringLiteral("SendStartPoint")) == 1; }, kWait));
    QTest::qWait(1000);
    EXPECT_EQ(Host().CountCalls(QStringLiteral("OnGpsPageInitialized")), 0);
    EXPECT_TRUE(RunJs(Page(), QStringLiteral("map === null")).toBool());
    // Panning before the map exists is the page's own business: nothing surfaces.
    EXPECT_TRUE(View().CallPageFunction(QStringLiteral("PanToNewPoint"), QStringLiteral("1.000000"),
                                        QStringLiteral("2.000000")));
    EXPECT_TRUE(RunJs(Page(), QStringLiteral("map === null")).toBool());
}

TEST_F(MapViewTest, NavigationSendsTheFourMessagesInOrderAfterTheUrl)
{
    ASSERT_TRUE(Show(QStringLiteral("StartUpPage.HTML")));
    Host().m_bHasStartPoint = false;
    ASSERT_TRUE(Show(QStringLiteral("GPS_VIEW.HTML")));
    const std::vector<MapMessage> messages = Host().m_messages;
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].nType, int(WM_MAP_BEFORE_NAVIGATE));
    EXPECT_EQ(messages[1].nType, int(WM_MAP_NAVIGATE_COMPLETE));
    EXPECT_EQ(messages[2].nType, int(WM_MAP_DOCUMENT_COMPLETE));
    EXPECT_EQ(messages[3].nType, int(WM_MAP_LOAD_COMPLETE));
    for (const MapMessage& message : messages)
        EXPECT_TRUE(message.strURL.endsWith(QStringLiteral("/GPS_VIEW.HTML"))) << message.strURL.toStdString();
    EXPECT_TRUE(messages[0].strURL.startsWith(QStringLiteral("res://")));
    EXPECT_TRUE(messages[2].bHasDocument);
    EXPECT_EQ(RunJs(Page(), QStringLiteral("document.title")).toString(), QStringLiteral("GPS View"));
    // The tile services see who asks.
    EXPECT_TRUE(RunJs(Page(), QStringLiteral("navigator.userAgent")).toString().startsWith(QStringLiteral("Deruziz/")));
}

TEST_F(MapViewTest, PageCallTextsAndNoCallBeforeAnyDocument)
{
    EXPECT_EQ(CGoogleMapView::FormatPageCall(QStringLiteral("initialize"), {}), QStringLiteral("initialize( )"));
    EXPECT_EQ(CGoogleMapView::FormatPageCall(QStringLiteral("f"), {QStringLiteral("'a'")}), QStringLiteral("f('a')"));
    EXPECT_EQ(CGoogleMapView::FormatPageCall(QStringLiteral("PanToNewPoint"),
                                             {QStringLiteral("10.500000"), QStringLiteral("20.250000")}),
              QStringLiteral("PanToNewPoint(10.500000,20.250000)"));
    EXPECT_EQ(CGoogleMapView::FormatPageCall(QStringLiteral("g"), {QStringLiteral("1"), QStringLiteral("2"),
                                                                   QStringLiteral("3")}),
              QStringLiteral("g(1,2,3)"));

    CTestHost other(s_pExternal);
    other.show();
    ASSERT_TRUE(other.m_mapView.CreateFromStatic(IDC_MAP, &other));
    QWebEnginePage* pPage = other.m_mapView.GetBrowser()->page();
    EXPECT_EQ(other.m_mapView.GetHtmlDocument(), nullptr);
    EXPECT_TRUE(other.m_mapView.CallPageFunction(QStringLiteral("eval"), QStringLiteral("'window.early = 1'")));
    EXPECT_EQ(RunJs(pPage, QStringLiteral("typeof window.early")).toString(), QStringLiteral("undefined"));

    QSignalSpy loaded(pPage, &QWebEnginePage::loadFinished);
    ASSERT_TRUE(other.m_mapView.NavigateResource(QStringLiteral("STARTUPPAGE.HTML")));
    ASSERT_TRUE(loaded.wait(kWait));
    EXPECT_EQ(other.m_mapView.GetHtmlDocument(), pPage);
    EXPECT_TRUE(WaitFor([&] { return other.HasMessage(WM_MAP_LOAD_COMPLETE); }, kWait));
    EXPECT_TRUE(Host().m_messages.empty()) << "a view reports to its own target only";
    RunJs(pPage, QStringLiteral("window.initialize = function () { document.title = 'initialized'; }"));
    EXPECT_TRUE(other.m_mapView.CallPageFunction(QStringLiteral("initialize")));
    EXPECT_TRUE(WaitFor([&] { return pPage->title() == QLatin1String("initialized"); }, kWait));
}

TEST_F(MapViewTest, AlertShowsTheProgramsMessageBox)
{
    ASSERT_TRUE(Show(QStringLiteral("STARTUPPAGE.HTML")));
    CBoxCatcher catcher;
    RunJs(Page(), QStringLiteral("alert('Hello 地图'); 'done'"));
    ASSERT_TRUE(WaitFor([&] { return catcher.m_bSeen; }, kWait));
    EXPECT_EQ(catcher.m_strCaption, QStringLiteral("自定义浏览器"));
    EXPECT_EQ(catcher.m_strText, QStringLiteral("Hello 地图"));
    EXPECT_EQ(catcher.m_icon, QMessageBox::Critical);
    EXPECT_EQ(catcher.m_buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(MapViewTest, PageWithoutTheExternalObjectRefusesTheLiveMap)
{
    const int nBefore = s_pExternal->m_nRefCount;
    {
        CTestHost other;
        other.show();
        ASSERT_TRUE(other.m_mapView.CreateFromStatic(IDC_MAP, &other));
        CBoxCatcher catcher;
        ASSERT_TRUE(other.m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML")));
        ASSERT_TRUE(WaitFor([&] { return catcher.m_bSeen; }, kWait));
        EXPECT_EQ(catcher.m_strText, QStringLiteral("Not Customized Browser,can not view GPS trace!"));
        EXPECT_EQ(catcher.m_strCaption, QStringLiteral("自定义浏览器"));
        QTest::qWait(300);
        EXPECT_EQ(Host().CountCalls(QStringLiteral("SendStartPoint")), 0);
        EXPECT_EQ(Host().CountCalls(QStringLiteral("OnGpsPageInitialized")), 0);
        EXPECT_EQ(s_pExternal->m_nRefCount, nBefore);
    }
}

TEST_F(MapViewTest, NoContextMenuNoScrollBars)
{
    ASSERT_TRUE(Show(QStringLiteral("STARTUPPAGE.HTML")));
    RunJs(Page(), QStringLiteral(R"JS(
        window.contextMenus = 0;
        document.addEventListener("contextmenu", function () { window.contextMenus++; });
        document.documentElement.style.overflow = "visible";
        document.body.style.overflow = "visible";
        var big = document.createElement("div");
        big.style.width = "3000px"; big.style.height = "3000px";
        document.body.appendChild(big);
    )JS"));
    QWidget* pRender = View().GetBrowser()->focusProxy();
    ASSERT_NE(pRender, nullptr);
    QTest::mouseClick(pRender, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    ASSERT_TRUE(WaitFor([] { return RunJs(Page(), QStringLiteral("window.contextMenus")).toInt() > 0; }, kWait));
    QTest::qWait(300);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    const auto menus = View().GetBrowser()->findChildren<QMenu*>();
    for (const QMenu* pMenu : menus)
        EXPECT_FALSE(pMenu->isVisible());

    const QVariantMap size = RunJs(Page(), QStringLiteral(
        "({inner: window.innerWidth, client: document.documentElement.clientWidth,"
        " innerH: window.innerHeight, clientH: document.documentElement.clientHeight})")).toMap();
    EXPECT_EQ(size.value("inner").toInt(), size.value("client").toInt());
    EXPECT_EQ(size.value("innerH").toInt(), size.value("clientH").toInt());
}

TEST_F(MapViewTest, RefreshOpenPrintAndNewWindowKeysAreSwallowed)
{
    ASSERT_TRUE(Show(QStringLiteral("STARTUPPAGE.HTML")));
    s_pHost->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(s_pHost));
    View().GetBrowser()->setFocus();
    QWidget* pRender = View().GetBrowser()->focusProxy();
    ASSERT_NE(pRender, nullptr);
    RunJs(Page(), QStringLiteral(R"JS(
        window.keys = [];
        document.addEventListener("keydown", function (e) {
            if (["Control", "Shift", "Alt", "Meta"].indexOf(e.key) < 0)
                window.keys.push((e.ctrlKey ? "C-" : "") + e.key);
        });
    )JS"));

    QTest::keyClick(pRender, Qt::Key_F5);
    QTest::keyClick(pRender, Qt::Key_F5, Qt::ShiftModifier);
    QTest::keyClick(pRender, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(pRender, Qt::Key_P, Qt::ControlModifier);
    QTest::keyClick(pRender, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(pRender, Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(pRender, Qt::Key_A);
    QTest::keyClick(pRender, Qt::Key_Left);
    QTest::keyClick(pRender, Qt::Key_F6);
    QTest::keyClick(pRender, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(pRender, Qt::Key_Z);
    ASSERT_TRUE(WaitFor([] { return RunJs(Page(), QStringLiteral("window.keys.indexOf('z') >= 0")).toBool(); },
                                kWait));
    const QStringList keys = RunJs(Page(), QStringLiteral("window.keys")).toStringList();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("a"), QStringLiteral("ArrowLeft"), QStringLiteral("F6"),
                                 QStringLiteral("C-s"), QStringLiteral("z")}));
    EXPECT_TRUE(View().m_strURL.endsWith(QStringLiteral("/STARTUPPAGE.HTML")));
}

TEST_F(MapViewTest, PagesAndTheirPartsResolveWithoutRegardToCase)
{
    for (const char* name : {"STARTUPPAGE.HTML", "ERROR.HTML", "GPS_VIEW.HTML", "NO_GPS_INFO.HTML", "GPS.JPG",
                             "gps.jpg", "leaflet/leaflet.js", "Leaflet/Leaflet.CSS", "leaflet/copyright"})
        EXPECT_FALSE(Resources::FindNamed(QString::fromLatin1(name)).isEmpty()) << name;
    QByteArray copyright;
    ASSERT_TRUE(Resources::LoadNamed(QStringLiteral("leaflet/copyright"), &copyright));
    EXPECT_TRUE(copyright.contains("BSD-2-clause"));

    ASSERT_TRUE(Show(QStringLiteral("startuppage.html")));
    const QString pictureScript = QStringLiteral(
        "new Promise(function (resolve) { var img = document.querySelector('img');"
        " var done = function () { resolve({w: img.naturalWidth, h: img.naturalHeight, sw: img.width, sh: img.height}); };"
        " if (img.complete) done(); else { img.onload = done; img.onerror = done; } })");
    EXPECT_TRUE(RunJs(Page(), QStringLiteral("document.body.innerText")).toString().contains(
        QStringLiteral("Welcome to Vuv Ozevarezo roze RID Adorez")));
    QVariantMap picture = RunJs(Page(), QStringLiteral("(%1).then(function (r) { window.pic = r; }); 0").arg(pictureScript)).toMap();
    ASSERT_TRUE(WaitFor([] { return RunJs(Page(), QStringLiteral("!!window.pic")).toBool(); }, kWait));
    picture = RunJs(Page(), QStringLiteral("window.pic")).toMap();
    EXPECT_EQ(picture.value("w").toInt(), 304);
    EXPECT_EQ(picture.value("h").toInt(), 317);
    EXPECT_EQ(picture.value("sw").toInt(), 285);
    EXPECT_EQ(picture.value("sh").toInt(), 240);

    // A nested name in another case, through the scheme.
    RunJs(Page(), QStringLiteral("window.icon = 0; var i = new Image(); i.onload = function () { window.icon = i.naturalWidth; };"
                                 " i.onerror = function () { window.icon = -1; }; i.src = 'LEAFLET/IMAGES/MARKER-ICON.PNG';"));
    ASSERT_TRUE(WaitFor([] { return RunJs(Page(), QStringLiteral("window.icon")).toInt() != 0; }, kWait));
    EXPECT_EQ(RunJs(Page(), QStringLiteral("window.icon")).toInt(), 25);

    ASSERT_TRUE(Show(QStringLiteral("Error.html")));
    const QString text = RunJs(Page(), QStringLiteral("document.body.innerText")).toString();
    EXPECT_TRUE(text.contains(QStringLiteral("ERROR:No gps logfile with the video or disconnected from the Internet!")));
    EXPECT_TRUE(text.contains(QStringLiteral("If the log column is Y, there is no valid information in you gps logfile")));
    EXPECT_EQ(RunJs(Page(), QStringLiteral("document.querySelector('img').width")).toInt(), 260);

    // An unknown name still navigates, and fails inside the browser.
    ASSERT_TRUE(Show(QStringLiteral("NO_SUCH_PAGE.HTML")));
    EXPECT_TRUE(View().m_strURL.endsWith(QStringLiteral("/NO_SUCH_PAGE.HTML")));
    EXPECT_FALSE(RunJs(Page(), QStringLiteral("document.body ? document.body.innerText : ''"))
                     .toString()
                     .contains(QStringLiteral("Welcome")));
}

TEST_F(MapViewTest, ViewStaysOnTheProgramsPagesAndLinksOpenOutside)
{
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    ASSERT_TRUE(ShowLiveMap());
    Host().Clear();
    RunJs(Page(), QStringLiteral("document.querySelector('.leaflet-control-attribution a').click()"));
    ASSERT_TRUE(WaitFor([&] { return !catcher.m_urls.isEmpty(); }, kWait));
    EXPECT_EQ(catcher.m_urls.front().scheme(), QStringLiteral("https"));

    RunJs(Page(), QStringLiteral("location.href = 'https://www.openstreetmap.org/copyright'"));
    RunJs(Page(), QStringLiteral("window.open('https://www.openstreetmap.org/')"));
    QTest::qWait(500);
    EXPECT_TRUE(Page()->url().toString().endsWith(QStringLiteral("/GPS_VIEW.HTML")));
    EXPECT_FALSE(Host().HasMessage(WM_MAP_BEFORE_NAVIGATE));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
}

TEST_F(MapViewTest, ExternalObjectFromThePage)
{
    ASSERT_TRUE(Show(QStringLiteral("STARTUPPAGE.HTML")));
    EXPECT_GE(s_pExternal->m_nRefCount, 1) << "the page holds a reference";

    const QVariantMap reads = RunJs(Page(), QStringLiteral(R"JS((function () {
        function error(f) { try { f(); return ""; } catch (e) { return e.name; } }
        return { custom: window.external.CB_IsOurCustomBrowser,
                 methodRead: typeof window.external.CB_SetGPSPageInitialized,
                 unknownCall: error(function () { window.external.CB_NoSuchMember(); }),
                 unknownRead: error(function () { return window.external.NoSuchMember; }),
                 lowerCase: error(function () { window.external.cb_customfunction(); }),
                 result: window.external.CB_CustomFunction() };
    })())JS")).toMap();
    EXPECT_EQ(reads.value("custom"), QVariant(true));
    EXPECT_EQ(reads.value("methodRead").toString(), QStringLiteral("function"));
    EXPECT_EQ(reads.value("unknownCall").toString(), QStringLiteral("TypeError"));
    EXPECT_EQ(reads.value("unknownRead").toString(), QStringLiteral("TypeError"));
    EXPECT_EQ(reads.value("lowerCase").toString(), QStringLiteral("TypeError"));
    EXPECT_EQ(reads.value("result"), QVariant(true));
    ASSERT_TRUE(WaitFor([] { return Host().CountCalls(QStringLiteral("ShowScriptTestMessage")) == 1; }, kWait));
    QTest::qWait(200);
    EXPECT_EQ(Host().m_calls, std::vector<QString>{QStringLiteral("ShowScriptTestMessage")});

    const int nBefore = s_pExternal->m_nRefCount;
    {
        QWidget parent;
        CGoogleMapView second;
        second.SetExternal(s_pExternal);
        auto* pPlaceholder = new QWidget(&parent);
        SetDlgCtrlID(pPlaceholder, IDC_MAP);
        ASSERT_TRUE(second.CreateFromStatic(IDC_MAP, &parent));
        EXPECT_EQ(s_pExternal->m_nRefCount, nBefore + 1);
    }
    EXPECT_EQ(s_pExternal->m_nRefCount, nBefore);
}

class DispatchTest : public ::testing::Test
{
protected:
    void SetUp() override { m_dispatch.SetHost(&m_host); }
    void TearDown() override { m_dispatch.SetHost(nullptr); }

    CImpIDispatch m_dispatch;
    CTestHost m_host;
};

TEST_F(DispatchTest, NamesMatchExactly)
{
    std::vector<DISPID> ids;
    EXPECT_EQ(m_dispatch.GetIDsOfNames(IID_NULL, {QStringLiteral("cb_customfunction")}, 0, &ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, std::vector<DISPID>{-1});

    EXPECT_EQ(m_dispatch.GetIDsOfNames(IID_NULL,
                                       {QStringLiteral("CB_IsOurCustomBrowser"), QStringLiteral("CB_CustomFunction"),
                                        QStringLiteral("CB_SetStartupCenterPoint"),
                                        QStringLiteral("CB_SetGPSPageInitialized")},
                                       0, &ids),
              S_OK);
    EXPECT_EQ(ids, (std::vector<DISPID>{1, 2, 3, 4}));

    EXPECT_EQ(m_dispatch.GetIDsOfNames(IID_NULL, {QStringLiteral("CB_SetGPSPageInitialized"), QStringLiteral("CB_")}, 0,
                                       &ids),
              DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids, (std::vector<DISPID>{4, -1}));
}

TEST_F(DispatchTest, PropertyReadsGiveTrueWithoutEffectMethodCallsRunTheEffect)
{
    for (DISPID id = 1; id <= 4; ++id) {
        QVariant result;
        EXPECT_EQ(m_dispatch.Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr), S_OK);
        EXPECT_EQ(result.typeId(), QMetaType::Bool);
        EXPECT_TRUE(result.toBool());
    }
    EXPECT_TRUE(m_host.m_calls.empty());

    QVariant result;
    EXPECT_EQ(m_dispatch.Invoke(1, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr), S_OK);
    EXPECT_EQ(result, QVariant(true));
    m_host.m_bHasStartPoint = false;
    for (DISPID id : {2, 3, 4}) {
        result = QVariant();
        EXPECT_EQ(m_dispatch.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr), S_OK);
        EXPECT_FALSE(result.isValid()) << "a method call alone sets no result";
    }
    EXPECT_EQ(m_host.m_calls, (std::vector<QString>{QStringLiteral("ShowScriptTestMessage"), QStringLiteral("SendStartPoint"),
                                                    QStringLiteral("OnGpsPageInitialized")}));

    m_host.Clear();
    EXPECT_EQ(m_dispatch.CallMember(QStringLiteral("CB_SetGPSPageInitialized")), QVariant(true));
    EXPECT_FALSE(m_dispatch.CallMember(QStringLiteral("cb_setgpspageinitialized")).isValid());
    EXPECT_EQ(m_host.m_calls, std::vector<QString>{QStringLiteral("OnGpsPageInitialized")});

    m_host.Clear();
    for (DISPID id : {0, 6, 99, -1})
        EXPECT_EQ(m_dispatch.Invoke(id, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, &result, nullptr,
                                    nullptr),
                  S_OK);
    EXPECT_TRUE(m_host.m_calls.empty());

    // Without a host, a call has no effect and no failure.
    m_dispatch.SetHost(nullptr);
    EXPECT_EQ(m_dispatch.Invoke(4, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(m_host.m_calls.empty());
}

TEST_F(DispatchTest, ReferenceCountNeverDeletes)
{
    void* pInterface = nullptr;
    EXPECT_EQ(m_dispatch.QueryInterface(IID_IDispatch, &pInterface), S_OK);
    EXPECT_EQ(pInterface, &m_dispatch);
    EXPECT_EQ(m_dispatch.QueryInterface(IID_IUnknown, &pInterface), S_OK);
    EXPECT_EQ(m_dispatch.m_nRefCount, 2);
    pInterface = &m_dispatch;
    EXPECT_EQ(m_dispatch.QueryInterface(QUuid(QStringLiteral("{BD3F23C0-D43E-11CF-893B-00AA00BDCE1A}")), &pInterface),
              E_NOINTERFACE);
    EXPECT_EQ(pInterface, nullptr);
    EXPECT_EQ(m_dispatch.AddRef(), 3u);
    EXPECT_EQ(m_dispatch.Release(), 2u);
    EXPECT_EQ(m_dispatch.Release(), 1u);
    EXPECT_EQ(m_dispatch.Release(), 0u);
    EXPECT_EQ(m_dispatch.GetTypeInfoCount(nullptr), E_NOTIMPL);
    EXPECT_EQ(m_dispatch.GetTypeInfo(0, 0, nullptr), E_NOTIMPL);
    // Still alive and answering after the count went back to 0.
    EXPECT_EQ(m_dispatch.CallMember(QStringLiteral("CB_IsOurCustomBrowser")), QVariant(true));
}

#include "test_mapview.moc"
