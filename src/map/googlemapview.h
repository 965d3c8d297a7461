#pragma once

#include "framework/wintypes.h"
#include "map/mywebbrowser/module/mapbrowserevents.h"

#include <QMap>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class CImpIDispatch;
class IMapBrowser;
class QWebEnginePage;
class QWebEngineView;

// The embedded map browser: shows the program's own pages (res://<module>/<name>), reports each
// navigation to its notify target by a sent WM_MAP_* message, and runs page functions for the program.
// The browser itself is a child of this view with the view's whole client area; it comes from
// the deruziz_mapview module, loaded when the first view is created.
class CGoogleMapView : public QWidget, public IMapBrowserEvents
{
    Q_OBJECT
public:
    explicit CGoogleMapView(QWidget* pParent = nullptr);
    ~CGoogleMapView() override;
    CGoogleMapView(const CGoogleMapView&) = delete;
    CGoogleMapView& operator=(const CGoogleMapView&) = delete;

    // Where the WM_MAP_* messages go; none are sent without a target.
    void SetNotifyTarget(QObject* pTarget);
    // The object the pages reach as window.external; without one they find none. Takes effect
    // when the view is created, so it must come before Create or CreateFromStatic.
    void SetExternal(CImpIDispatch* pExternal);
    // Tile addresses (layer -> address) that replace the live map's own; like the external
    // object, they must come before the view is created.
    void SetTileServers(const QMap<QString, QString>& tileServers);

    // Takes the place, size and ID of pParent's child controlId, which is deleted (a plain
    // control owned by its parent). FALSE if there is no such child or no browser.
    BOOL CreateFromStatic(int controlId, QWidget* pParent);
    BOOL Create(const QRect& rect, QWidget* pParent, int nID);

    // Navigates to res://<module>/<name>; the WM_MAP_* messages report the progress.
    // Before the view is created the page is remembered, and creating the view shows it.
    // FALSE only if the view has no browser.
    BOOL NavigateResource(const QString& name);
    // A page asked for before the view was created, which its creation will show.
    bool HasPendingNavigation() const { return !m_strPendingPage.isEmpty(); }

    // Runs name( ), name(a), name(a,b) or name(a,b,c) in the current document, arguments
    // inserted as they are. Nothing happens before a document has completed. Always TRUE.
    BOOL CallPageFunction(const QString& name);
    BOOL CallPageFunction(const QString& name, const QString& strArg1);
    BOOL CallPageFunction(const QString& name, const QString& strArg1, const QString& strArg2);
    BOOL CallPageFunction(const QString& name, const QString& strArg1, const QString& strArg2,
                          const QString& strArg3);
    // The script text CallPageFunction runs (zero to three arguments).
    static QString FormatPageCall(const QString& name, const QStringList& arguments);

    QWebEngineView* GetBrowser() const;
    // The page whose document the latest navigation brought; null before the first one.
    QWebEnginePage* GetHtmlDocument() const;

    // The browser's events, in the browser's order.
    void OnBeforeNavigate2(const QString& strUrl) override;
    void OnNavigateComplete2() override;
    void OnDocumentComplete(const QString& strUrl) override;
    void OnProgressChange(int nProgress) override;

    // URL of the latest before-navigate or document-complete event.
    QString m_strURL;

protected:
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    BOOL RunPageCall(const QString& name, const QStringList& arguments);
    void SendToTarget(int nMessage);

    QPointer<QObject> m_pNotifyTarget;
    QPointer<CImpIDispatch> m_pExternal;
    QMap<QString, QString> m_mapTileServers;
    std::unique_ptr<IMapBrowser> m_pBrowser;
    QString m_strPendingPage;
};
