#pragma once

#include <QMap>
#include <QString>

class CImpIDispatch;
class IMapBrowserEvents;
class QRect;
class QWebEnginePage;
class QWebEngineView;
class QWidget;

// The browser inside a map view. It lives in a module of its own (deruziz_mapview), loaded
// when the first map view is made: Qt WebEngine is by far the largest part of the program,
// and the window does not wait for it at start-up.
class IMapBrowser
{
public:
    virtual ~IMapBrowser() = default;

    // Loads a res: page of the program; the events hear of each step.
    virtual void Navigate(const QString& strName) = 0;
    // Runs a script text in the current document; nothing before the first document.
    virtual void RunScript(const QString& strScript) = 0;
    virtual void SetGeometry(const QRect& rect) = 0;
    virtual QWebEngineView* GetBrowser() const = 0;
    virtual QWebEnginePage* GetHtmlDocument() const = 0;
};

// The module's one exported function: the browser for a view, a child of pView that reports
// to pEvents (both outlive the browser), whose pages reach pExternal (may be null) as
// window.external and whose live map takes its tile addresses from tileServers (layer -> address).
using PFN_CREATEMAPBROWSER = IMapBrowser* (*)(QWidget* pView, IMapBrowserEvents* pEvents, CImpIDispatch* pExternal,
                                              const QMap<QString, QString>& tileServers);
#define DERUZIZ_CREATE_MAP_BROWSER "DeruzizCreateMapBrowser"
