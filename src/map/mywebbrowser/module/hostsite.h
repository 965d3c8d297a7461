#pragma once

#include <QMap>
#include <QPointer>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>

#include <memory>

class CImpIDispatch;
class CResSchemeHandler;
class QKeyEvent;
class QWebEngineProfile;
class QWebEngineView;

// The page the map view shows, customised as the program's browser host: it hands the page
// the external object it is given, shows alerts as the program's own message box, keeps the
// view on the program's own res: pages and swallows the refresh, open, print and new-window keys.
class CBrowserControlSite : public QWebEnginePage
{
    Q_OBJECT
public:
    // pExternal (may be null) is the page's window.external; the page holds one reference to
    // it for as long as the page lives. The live map takes its tile addresses from
    // tileServers (layer -> address) where they name a layer.
    CBrowserControlSite(QWebEngineProfile* pProfile, CImpIDispatch* pExternal,
                        const QMap<QString, QString>& tileServers = {}, QObject* pParent = nullptr);
    ~CBrowserControlSite() override;

    static constexpr const char* kAlertCaption = "自定义浏览器";

    // Customises the widget that shows this page: no context menu, and the key and drag filter
    // on the widget itself and on whatever child it renders in.
    void AttachTo(QWebEngineView* pView);

    // F5 with any modifiers, or Ctrl with O, P or N.
    static bool IsSwallowedKey(const QKeyEvent& event);

    // The text injected into every page before its own script runs: the web channel client and
    // window.external over it (with the members of the object), or nothing without an object.
    static QString ExternalScript(bool bHasExternal);
    // The text that hands the tile addresses to the live map, which merges them over its own;
    // nothing without addresses.
    static QString TileScript(const QMap<QString, QString>& tileServers);

Q_SIGNALS:
    // A navigation of the view to one of the program's pages is about to start.
    void BeforeNavigate(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    QWebEnginePage* createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void InsertScript(const QString& strName, const QString& strSource);
    // Drags over the page go to the nearest widget around the view that takes drops (the
    // window), never to the page: a dropped file must not replace the map.
    void ForwardDrag(QObject* pWatched, QEvent* pEvent);

    QWebChannel m_channel;
    QPointer<CImpIDispatch> m_pExternal;
};

class CMapProfile;

// Makes the pages of one map view, from the web profile all views share: it names the program
// in its User-Agent, serves the res: scheme from the program's resources, shows no scroll bars
// and keeps the map tiles it fetched on disk between runs.
class CBrowserOccManager
{
public:
    CBrowserOccManager();
    ~CBrowserOccManager();
    CBrowserOccManager(const CBrowserOccManager&) = delete;
    CBrowserOccManager& operator=(const CBrowserOccManager&) = delete;

    // A new page for a view, showing pExternal (may be null) as window.external and the live
    // map with tileServers; the caller owns it and must delete it before this manager.
    std::unique_ptr<CBrowserControlSite> CreateSite(CImpIDispatch* pExternal,
                                                    const QMap<QString, QString>& tileServers);

    // Made on first use: starting the web engine is the slowest step of the program's start.
    QWebEngineProfile* Profile();

private:
    std::shared_ptr<CMapProfile> m_pProfile;
};
