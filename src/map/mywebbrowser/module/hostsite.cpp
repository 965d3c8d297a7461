#include "map/mywebbrowser/module/hostsite.h"

#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/module/mapsettings.h"
#include "map/mywebbrowser/module/resscheme.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDesktopServices>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

Q_LOGGING_CATEGORY(lcMapPage, "deruziz.map", QtWarningMsg)

namespace {

constexpr const char* kUserAgentProduct = "Deruziz/1.0 (car camcorder clip player)";

// Runs before the page's own script, in the page's world. The web channel client is kept
// inside the closure so that the page sees nothing but window.external. Calls made before the
// channel is up wait for it, in order.
constexpr const char* kExternalBridge = R"JS(
var members = %1;
var pending = [];
var dispatcher = null;
function forward(name, args) {
    if (dispatcher)
        dispatcher.CallMember(name, args);
    else
        pending.push([name, args]);
}
if (typeof qt !== "undefined" && qt.webChannelTransport) {
    new QWebChannel(qt.webChannelTransport, function (channel) {
        dispatcher = channel.objects.external;
        var queued = pending;
        pending = [];
        queued.forEach(function (call) { dispatcher.CallMember(call[0], call[1]); });
    });
}
var methods = Object.create(null);
Object.keys(members).forEach(function (name) {
    if (name !== "CB_IsOurCustomBrowser")
        methods[name] = function () { forward(name, Array.prototype.slice.call(arguments)); return true; };
});
var external = new Proxy(Object.create(null), {
    get: function (target, name) {
        if (typeof name !== "string")
            return undefined;
        if (name === "CB_IsOurCustomBrowser")
            return true;
        if (name in methods)
            return methods[name];
        if (name in Object.prototype)
            return Object.prototype[name];
        throw new TypeError("Object doesn't support property or method '" + name + "'");
    },
    set: function () { return true; },
    has: function (target, name) { return name in members; },
    ownKeys: function () { return []; }
});
Object.defineProperty(window, "external", { value: external, enumerable: true, configurable: false, writable: false });
)JS";

QString WebChannelClientSource()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

CBrowserControlSite::CBrowserControlSite(QWebEngineProfile* pProfile, CImpIDispatch* pExternal,
                                         const QMap<QString, QString>& tileServers, QObject* pParent)
    : QWebEnginePage(pProfile, pParent)
{
    if (pExternal) {
        pExternal->AddRef();
        m_pExternal = pExternal;
        m_channel.registerObject(QStringLiteral("external"), pExternal);
        setWebChannel(&m_channel, QWebEngineScript::MainWorld);
    }
    InsertScript(QStringLiteral("deruziz-external"), ExternalScript(pExternal != nullptr));
    const QString strTiles = TileScript(tileServers);
    if (!strTiles.isEmpty())
        InsertScript(QStringLiteral("deruziz-tiles"), strTiles);
}

void CBrowserControlSite::InsertScript(const QString& strName, const QString& strSource)
{
    QWebEngineScript script;
    script.setName(strName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(strSource);
    scripts().insert(script);
}

QString CBrowserControlSite::TileScript(const QMap<QString, QString>& tileServers)
{
    if (tileServers.isEmpty())
        return QString();
    QJsonObject tiles;
    for (auto it = tileServers.cbegin(); it != tileServers.cend(); ++it)
        tiles.insert(it.key(), it.value());
    return QStringLiteral("window.DERUZIZ_TILES = %1;")
        .arg(QString::fromUtf8(QJsonDocument(tiles).toJson(QJsonDocument::Compact)));
}

CBrowserControlSite::~CBrowserControlSite()
{
    if (m_pExternal) {
        m_channel.deregisterObject(m_pExternal);
        m_pExternal->Release();
    }
}

QString CBrowserControlSite::ExternalScript(bool bHasExternal)
{
    if (!bHasExternal)
        return QString();
    const QString client = WebChannelClientSource();
    if (client.isEmpty())
        return QString();
    QJsonObject members;
    for (const CImpIDispatch::Member& member : CImpIDispatch::s_members)
        members.insert(QLatin1String(member.pszName), member.dispid);
    const QString bridge = QString::fromUtf8(kExternalBridge)
                               .arg(QString::fromUtf8(QJsonDocument(members).toJson(QJsonDocument::Compact)));
    return QStringLiteral("(function () {\n\"use strict\";\n") + client + QStringLiteral("\n") + bridge +
           QStringLiteral("\n})();\n");
}

void CBrowserControlSite::AttachTo(QWebEngineView* pView)
{
    pView->setContextMenuPolicy(Qt::PreventContextMenu);
    pView->installEventFilter(this);
    for (QObject* pChild : pView->children()) {
        if (pChild->isWidgetType())
            pChild->installEventFilter(this);
    }
}

bool CBrowserControlSite::IsSwallowedKey(const QKeyEvent& event)
{
    if (event.key() == Qt::Key_F5)
        return true;
    if (!(event.modifiers() & Qt::ControlModifier))
        return false;
    return event.key() == Qt::Key_O || event.key() == Qt::Key_P || event.key() == Qt::Key_N;
}

bool CBrowserControlSite::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::ChildAdded: {
        // The view renders in a child widget that it may replace (a new render process).
        QObject* pChild = static_cast<QChildEvent*>(pEvent)->child();
        if (pChild->isWidgetType())
            pChild->installEventFilter(this);
        break;
    }
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
        if (IsSwallowedKey(*static_cast<QKeyEvent*>(pEvent))) {
            pEvent->accept();
            return true;
        }
        break;
    case QEvent::ContextMenu:
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
        ForwardDrag(pWatched, pEvent);
        return true;
    default:
        break;
    }
    return QWebEnginePage::eventFilter(pWatched, pEvent);
}

void CBrowserControlSite::ForwardDrag(QObject* pWatched, QEvent* pEvent)
{
    auto* pFrom = qobject_cast<QWidget*>(pWatched);
    QWebEngineView* pView = QWebEngineView::forPage(this);
    QWidget* pTarget = pView ? pView->parentWidget() : nullptr;
    while (pTarget && !pTarget->acceptDrops())
        pTarget = pTarget->parentWidget();
    if (!pFrom || !pTarget) {
        pEvent->ignore();
        return;
    }
    // Handed to the target's own handler: sent through the application, a drag event goes back
    // to the widget that took the drag's first event, which is the view.
    QObject* pHandler = pTarget;
    if (pEvent->type() == QEvent::DragLeave) {
        QDragLeaveEvent leave;
        pHandler->event(&leave);
        return;
    }
    auto* pDrop = static_cast<QDropEvent*>(pEvent);
    const QPointF ptAt = pTarget->mapFromGlobal(pFrom->mapToGlobal(pDrop->position()));
    std::unique_ptr<QDropEvent> pCopy;
    if (pEvent->type() == QEvent::Drop)
        pCopy = std::make_unique<QDropEvent>(ptAt, pDrop->possibleActions(), pDrop->mimeData(), pDrop->buttons(),
                                             pDrop->modifiers());
    else if (pEvent->type() == QEvent::DragEnter)
        pCopy = std::make_unique<QDragEnterEvent>(ptAt.toPoint(), pDrop->possibleActions(), pDrop->mimeData(),
                                                  pDrop->buttons(), pDrop->modifiers());
    else
        pCopy = std::make_unique<QDragMoveEvent>(ptAt.toPoint(), pDrop->possibleActions(), pDrop->mimeData(),
                                                 pDrop->buttons(), pDrop->modifiers());
    pCopy->setDropAction(pDrop->dropAction());
    pCopy->ignore();
    pHandler->event(pCopy.get());
    pDrop->setDropAction(pCopy->dropAction());
    pDrop->setAccepted(pCopy->isAccepted());
}

bool CBrowserControlSite::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    if (url.scheme() == QLatin1String(CResSchemeHandler::kScheme)) {
        emit BeforeNavigate(url);
        return true;
    }
    // Nothing but the program's own pages is shown here; a link the user follows (the map's
    // attribution) opens in the user's browser instead.
    if (type == NavigationTypeLinkClicked && isMainFrame &&
        (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
        QDesktopServices::openUrl(url);
    qCDebug(lcMapPage) << "navigation refused:" << url;
    return false;
}

void CBrowserControlSite::javaScriptAlert(const QUrl&, const QString& msg)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kAlertCaption), msg, QMessageBox::Ok,
                    QWebEngineView::forPage(this));
    box.exec();
}

QWebEnginePage* CBrowserControlSite::createWindow(WebWindowType)
{
    return nullptr;
}

void CBrowserControlSite::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message,
                                                   int lineNumber, const QString& sourceID)
{
    qCDebug(lcMapPage).noquote() << sourceID << lineNumber << message;
}

// One per process: two profiles may not keep their files in the same place. It lives as long as
// some view uses it.
class CMapProfile
{
public:
    CMapProfile() : m_profile(QStringLiteral("deruziz"))
    {
        m_profile.setHttpUserAgent(QString::fromUtf8(kUserAgentProduct) + QLatin1Char(' ') + m_profile.httpUserAgent());
        m_profile.installUrlSchemeHandler(CResSchemeHandler::kScheme, &m_schemeHandler);
        // Tiles seen once show again without a network, and the tile servers are asked less.
        const QString strCache = MapSettings::CachePath();
        m_profile.setCachePath(strCache);
        m_profile.setPersistentStoragePath(strCache + QStringLiteral("/storage"));
        m_profile.setHttpCacheType(QWebEngineProfile::DiskHttpCache);
        m_profile.setHttpCacheMaximumSize(int(MapSettings::kCacheMaxBytes));
        m_profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        QWebEngineSettings* pSettings = m_profile.settings();
        pSettings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
        pSettings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        pSettings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    }

    QWebEngineProfile* Get() { return &m_profile; }

    static std::shared_ptr<CMapProfile> Shared()
    {
        static std::weak_ptr<CMapProfile> s_profile;
        std::shared_ptr<CMapProfile> pProfile = s_profile.lock();
        if (!pProfile) {
            pProfile = std::make_shared<CMapProfile>();
            s_profile = pProfile;
        }
        return pProfile;
    }

private:
    // Declared first: the profile, which refers to it, goes first.
    CResSchemeHandler m_schemeHandler;
    QWebEngineProfile m_profile;
};

CBrowserOccManager::CBrowserOccManager() = default;

QWebEngineProfile* CBrowserOccManager::Profile()
{
    if (!m_pProfile)
        m_pProfile = CMapProfile::Shared();
    return m_pProfile->Get();
}

CBrowserOccManager::~CBrowserOccManager() = default;

std::unique_ptr<CBrowserControlSite> CBrowserOccManager::CreateSite(CImpIDispatch* pExternal,
                                                                    const QMap<QString, QString>& tileServers)
{
    return std::make_unique<CBrowserControlSite>(Profile(), pExternal, tileServers);
}
