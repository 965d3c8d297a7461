#include "map/googlemapview.h"

#include "framework/controlid.h"
#include "framework/messages.h"
#include "framework/trace.h"
#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/module/mapbrowser.h"

#include <QCoreApplication>
#include <QLibrary>

#include <utility>

namespace {

// The browser module: beside the program, in the installed program's lib/deruziz, else where
// the build put it.
PFN_CREATEMAPBROWSER MapBrowserFactory()
{
    static const PFN_CREATEMAPBROWSER pfnCreate = []() -> PFN_CREATEMAPBROWSER {
        const QString name = QStringLiteral("libderuziz_mapview.so");
        QStringList errors;
        const QString dir = QCoreApplication::applicationDirPath();
        for (const QString& path : {dir + QLatin1Char('/') + name,
                                    dir + QStringLiteral("/../lib/deruziz/") + name,
                                    QStringLiteral(DERUZIZ_MAPVIEW_MODULE)}) {
            QLibrary module(path);
            if (auto pfn = reinterpret_cast<PFN_CREATEMAPBROWSER>(module.resolve(DERUZIZ_CREATE_MAP_BROWSER)))
                return pfn;
            errors << module.errorString();
        }
        qCWarning(lcTrace, "no map browser: %s", qPrintable(errors.join(QStringLiteral("; "))));
        return nullptr;
    }();
    return pfnCreate;
}

} // namespace

CGoogleMapView::CGoogleMapView(QWidget* pParent) : QWidget(pParent)
{
}

CGoogleMapView::~CGoogleMapView() = default;

void CGoogleMapView::SetNotifyTarget(QObject* pTarget)
{
    m_pNotifyTarget = pTarget;
}

void CGoogleMapView::SetExternal(CImpIDispatch* pExternal)
{
    m_pExternal = pExternal;
}

void CGoogleMapView::SetTileServers(const QMap<QString, QString>& tileServers)
{
    m_mapTileServers = tileServers;
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
    if (m_pBrowser || !QCoreApplication::instance())
        return FALSE;
    const PFN_CREATEMAPBROWSER pfnCreate = MapBrowserFactory();
    if (!pfnCreate)
        return FALSE;
    setParent(pParent);
    setGeometry(rect);
    SetDlgCtrlID(this, nID);
    m_pBrowser.reset(pfnCreate(this, this, m_pExternal.data(), m_mapTileServers));
    m_pBrowser->SetGeometry(QRect(QPoint(0, 0), rect.size()));
    show();
    if (!m_strPendingPage.isEmpty())
        m_pBrowser->Navigate(std::exchange(m_strPendingPage, QString()));
    return TRUE;
}

BOOL CGoogleMapView::NavigateResource(const QString& name)
{
    if (!m_pBrowser) {
        m_strPendingPage = name;
        return FALSE;
    }
    m_pBrowser->Navigate(name);
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
    if (m_pBrowser)
        m_pBrowser->RunScript(FormatPageCall(name, arguments));
    return TRUE;
}

QWebEngineView* CGoogleMapView::GetBrowser() const
{
    return m_pBrowser ? m_pBrowser->GetBrowser() : nullptr;
}

QWebEnginePage* CGoogleMapView::GetHtmlDocument() const
{
    return m_pBrowser ? m_pBrowser->GetHtmlDocument() : nullptr;
}

void CGoogleMapView::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    if (m_pBrowser)
        m_pBrowser->SetGeometry(rect());
}

void CGoogleMapView::OnBeforeNavigate2(const QString& strUrl)
{
    m_strURL = strUrl;
    SendToTarget(WM_MAP_BEFORE_NAVIGATE);
}

void CGoogleMapView::OnNavigateComplete2()
{
    SendToTarget(WM_MAP_NAVIGATE_COMPLETE);
}

void CGoogleMapView::OnDocumentComplete(const QString& strUrl)
{
    m_strURL = strUrl;
    SendToTarget(WM_MAP_DOCUMENT_COMPLETE);
}

void CGoogleMapView::OnProgressChange(int nProgress)
{
    if (nProgress == -1)
        SendToTarget(WM_MAP_LOAD_COMPLETE);
}

void CGoogleMapView::SendToTarget(int nMessage)
{
    if (!m_pNotifyTarget)
        return;
    CMessageEvent message{QEvent::Type(nMessage)};
    QCoreApplication::sendEvent(m_pNotifyTarget.data(), &message);
}
