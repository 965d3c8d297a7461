#pragma once

#include <QString>

// What the browser module reports to the view it sits in, in the browser's order: a navigation
// begins, its document arrives, the document and all it loads are complete. The map view
// implements it and hands itself to the module when it creates the browser, so the module
// knows the view only by these events.
class IMapBrowserEvents
{
public:
    virtual void OnBeforeNavigate2(const QString& strUrl) = 0;
    virtual void OnNavigateComplete2() = 0;
    virtual void OnDocumentComplete(const QString& strUrl) = 0;
    // -1 when the load has finished; the browser sends no other progress.
    virtual void OnProgressChange(int nProgress) = 0;

protected:
    ~IMapBrowserEvents() = default;
};
