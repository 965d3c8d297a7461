#include "googlemapview.h"

#include "framework/controlid.h"
#include "framework/messages.h"
#include "mywebbrowser/hostsite.h"
#include "mywebbrowser/resscheme.h"
#include "player_app.h"

#include <QCoreApplication>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

CGoogleMapView::CGoogleMapView(QWidget* pParent) : QWidget(pParent)
{
    // The manager is installed with the view; its profile waits until the browser is made.
    if (QCoreApplication::instance())
        m_pOccManager = std::make_unique<CBrowserOccManager>();
}

CGoogleMapView::~CGoogleMapView()
{
    if (m_pSite)
        m_pSite->disconnect(this);
    // Browser first, then its page, then the profile the page belongs to.
    m_pHtmlDoc.clear();
    m_pBrowser.reset();
    m_pSite.reset();
    m_pOccManager.reset();
}

void CGoogleMapView::RegisterUrlScheme()
{
    CResSchemeHandler::RegisterScheme();
}

BOOL CGoogleMapView::CreateFromStatic(int controlId, QWidget* pParent)
{
    QWidget* pStatic = GetDlgItem(pParent, controlId);
    if (!pStatic)
        return FALSE;
    QRect rect = pStatic->geometry();
    if (pStatic->parentWidget() != pParent)
        rect.moveTopLeft(pStatic->parentWidget()->mapTo(pParent, rect.topLeft()));
    const BOOL bCreated = Create(rect, pParent, controlId);
    if (bCreated && pStatic->parentWidget() == pParent)
        stackUnder(pStatic);
    delete pStatic;
    return bCreated;
}

BOOL CGoogleMapView::Create(const QRect& rect, QWidget* pParent, int nID)
{
    if (m_pBrowser)
        return FALSE;
    if (!m_pOccManager) {
        if (!QCoreApplication::instance())
            return FALSE;
        m_pOccManager = std::make_unique<CBrowserOccManager>();
    }
    setParent(pParent);
    setGeometry(rect);
    SetDlgCtrlID(this, nID);

    m_pSite = m_pOccManager->CreateSite();
    m_pSite->setBackgroundColor(Qt::black);
    connect(m_pSite.get(), &CBrowserControlSite::BeforeNavigate, this, &CGoogleMapView::OnBeforeNavigate2);
    connect(m_pSite.get(), &QWebEnginePage::urlChanged, this, [this](const QUrl& url) {
        if (m_bNavigatePending)
            OnNavigateComplete2(url);
    });
    connect(m_pSite.get(), &QWebEnginePage::loadingChanged, this, &CGoogleMapView::OnLoadingChanged);

    m_pBrowser = std::make_unique<QWebEngineView>(this);
    m_pBrowser->setPage(m_pSite.get());
    m_pBrowser->setGeometry(QRect(QPoint(0, 0), rect.size()));
    SetDlgCtrlID(m_pBrowser.get(), AFX_IDW_PANE_FIRST);
    m_pSite->AttachTo(m_pBrowser.get());
    m_pBrowser->show();
    show();
    return TRUE;
}

BOOL CGoogleMapView::NavigateResource(const QString& name)
{
    if (!m_pBrowser)
        return FALSE;
    const QString module = CResSchemeHandler::ModuleName();
    if (module.isEmpty())
        return FALSE;
    const QString url = QStringLiteral("%1://%2/%3").arg(QLatin1String(CResSchemeHandler::kScheme), module, name);
    m_pSite->load(QUrl(url));
    return TRUE;
}

QString CGoogleMapView::FormatPageCall(const QString& name, const QStringList& arguments)
{
    switch (arguments.size()) {
    case 0: return QStringLiteral("%1( )").arg(name);
    case 1: return QStringLiteral("%1(%2)").arg(name, arguments[0]);
    case 2: return QStringLiteral("%1(%2,%3)").arg(name, arguments[0], arguments[1]);
    default: return QStringLiteral("%1(%2,%3,%4)").arg(name, arguments[0], arguments[1], arguments[2]);
    }
}

BOOL CGoogleMapView::CallPageFunction(const QString& name)
{
    return RunPageCall(name, {});
}

BOOL CGoogleMapView::CallPageFunction(const QString& name, const QString& strArg1)
{
    return RunPageCall(name, {strArg1});
}

BOOL CGoogleMapView::CallPageFunction(const QString& name, const QString& strArg1, const QString& strArg2)
{
    return RunPageCall(name, {strArg1, strArg2});
}

BOOL CGoogleMapView::CallPageFunction(const QString& name, const QString& strArg1, const QString& strArg2,
                                      const QString& strArg3)
{
    return RunPageCall(name, {strArg1, strArg2, strArg3});
}

BOOL CGoogleMapView::RunPageCall(const QString& name, const QStringList& arguments)
{
    const QString script = FormatPageCall(name, arguments);
    if (m_pHtmlDoc)
        m_pHtmlDoc->runJavaScript(script, QWebEngineScript::MainWorld);
    return TRUE;
}

QWebEnginePage* CGoogleMapView::GetHtmlDocument() const
{
    return m_pHtmlDoc.data();
}

void CGoogleMapView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    if (m_pBrowser)
        m_pBrowser->setGeometry(rect());
}

void CGoogleMapView::OnBeforeNavigate2(const QUrl& url)
{
    m_strURL = url.toString();
    m_bNavigatePending = true;
    SendToMainWnd(WM_MAP_BEFORE_NAVIGATE);
}

void CGoogleMapView::OnNavigateComplete2(const QUrl&)
{
    m_bNavigatePending = false;
    // The new document's script may call the program before its load completes (the live
    // map asks for its start point from onload); the answer must reach it.
    m_pHtmlDoc = m_pSite.get();
    SendToMainWnd(WM_MAP_NAVIGATE_COMPLETE);
}

void CGoogleMapView::OnLoadingChanged(const QWebEngineLoadingInfo& info)
{
    // A stopped load (replaced by another navigation) completes nothing; a failed one still
    // shows the engine's error page in the view.
    if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
        info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    if (m_bNavigatePending)
        OnNavigateComplete2(info.url());
    OnDocumentComplete(info.url());
    OnProgressChange(-1);
}

void CGoogleMapView::OnDocumentComplete(const QUrl& url)
{
    m_strURL = url.toString();
    m_pHtmlDoc = m_pSite.get();
    SendToMainWnd(WM_MAP_DOCUMENT_COMPLETE);
}

void CGoogleMapView::OnProgressChange(int nProgress)
{
    if (nProgress == -1)
        SendToMainWnd(WM_MAP_LOAD_COMPLETE);
}

void CGoogleMapView::SendToMainWnd(int nMessage)
{
    QWidget* pMainWnd = AfxGetMainWnd();
    if (!pMainWnd)
        return;
    CMessageEvent message{QEvent::Type(nMessage)};
    QCoreApplication::sendEvent(pMainWnd, &message);
}
