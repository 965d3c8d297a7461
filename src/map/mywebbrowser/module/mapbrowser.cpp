#include "map/mywebbrowser/module/mapbrowser.h"

#include "framework/controlid.h"
#include "map/mywebbrowser/module/hostsite.h"
#include "map/mywebbrowser/module/mapbrowserevents.h"
#include "map/mywebbrowser/module/resscheme.h"

#include <QPointer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>

namespace {

// One browser: the page (the control site of the old host), its view widget and the profile
// they come from, and the bookkeeping that turns the engine's signals into the view's four
// navigation events in the browser's order.
class CMapBrowser final : public QObject, public IMapBrowser
{
public:
    CMapBrowser(QWidget* pView, IMapBrowserEvents* pEvents, CImpIDispatch* pExternal,
                const QMap<QString, QString>& tileServers)
        : m_pEvents(pEvents)
    {
        m_pSite = m_occManager.CreateSite(pExternal, tileServers);
        m_pSite->setBackgroundColor(Qt::black);
        connect(m_pSite.get(), &CBrowserControlSite::BeforeNavigate, this, [this](const QUrl& url) {
            m_bNavigatePending = true;
            m_pEvents->OnBeforeNavigate2(url.toString());
        });
        connect(m_pSite.get(), &QWebEnginePage::urlChanged, this, [this] {
            if (m_bNavigatePending)
                OnNavigateComplete();
        });
        connect(m_pSite.get(), &QWebEnginePage::loadingChanged, this, &CMapBrowser::OnLoadingChanged);

        m_pBrowser = std::make_unique<QWebEngineView>(pView);
        m_pBrowser->setPage(m_pSite.get());
        SetDlgCtrlID(m_pBrowser.get(), AFX_IDW_PANE_FIRST);
        m_pSite->AttachTo(m_pBrowser.get());
        m_pBrowser->show();
    }

    ~CMapBrowser() override
    {
        m_pSite->disconnect(this);
        // The browser first, then its page, then the profile the page belongs to.
        m_pHtmlDoc.clear();
        m_pBrowser.reset();
        m_pSite.reset();
    }

    void Navigate(const QString& strName) override
    {
        const QString url = QStringLiteral("%1://%2/%3")
                                .arg(QLatin1String(CResSchemeHandler::kScheme), CResSchemeHandler::ModuleName(), strName);
        m_pSite->load(QUrl(url));
    }

    void RunScript(const QString& strScript) override
    {
        if (m_pHtmlDoc)
            m_pHtmlDoc->runJavaScript(strScript, QWebEngineScript::MainWorld);
    }

    void SetGeometry(const QRect& rect) override { m_pBrowser->setGeometry(rect); }
    QWebEngineView* GetBrowser() const override { return m_pBrowser.get(); }
    QWebEnginePage* GetHtmlDocument() const override { return m_pHtmlDoc.data(); }

private:
    void OnNavigateComplete()
    {
        m_bNavigatePending = false;
        // The new document's script may call the program before its load completes (the live
        // map asks for its start point from onload); the answer must reach it.
        m_pHtmlDoc = m_pSite.get();
        m_pEvents->OnNavigateComplete2();
    }

    void OnLoadingChanged(const QWebEngineLoadingInfo& info)
    {
        // A stopped load (replaced by another navigation) completes nothing; a failed one still
        // shows the engine's error page in the view.
        if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
            info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        if (m_bNavigatePending)
            OnNavigateComplete();
        m_pHtmlDoc = m_pSite.get();
        m_pEvents->OnDocumentComplete(info.url().toString());
        m_pEvents->OnProgressChange(-1);
    }

    IMapBrowserEvents* m_pEvents;
    CBrowserOccManager m_occManager;
    std::unique_ptr<CBrowserControlSite> m_pSite;
    std::unique_ptr<QWebEngineView> m_pBrowser;
    QPointer<QWebEnginePage> m_pHtmlDoc;
    // A before-navigate was sent and its navigate-complete is still due.
    bool m_bNavigatePending = false;
};

} // namespace

extern "C" __attribute__((visibility("default"))) IMapBrowser*
DeruzizCreateMapBrowser(QWidget* pView, IMapBrowserEvents* pEvents, CImpIDispatch* pExternal,
                        const QMap<QString, QString>& tileServers)
{
    // The res: scheme must be known before the first web engine object exists.
    static const bool bRegistered = (CResSchemeHandler::RegisterScheme(), true);
    Q_UNUSED(bRegistered);
    return new CMapBrowser(pView, pEvents, pExternal, tileServers);
}
