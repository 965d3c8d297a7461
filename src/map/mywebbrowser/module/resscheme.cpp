#include "map/mywebbrowser/module/resscheme.h"

#include "framework/resources.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

CResSchemeHandler::CResSchemeHandler(QObject* pParent) : QWebEngineUrlSchemeHandler(pParent) {}

void CResSchemeHandler::RegisterScheme()
{
    if (QWebEngineUrlScheme::schemeByName(kScheme).name() == kScheme)
        return;
    QWebEngineUrlScheme scheme(kScheme);
    // res://module/NAME: the module sits where a host goes, the name is the path.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Secure, so that the page's tile requests over https are not mixed content.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QString CResSchemeHandler::ModuleName()
{
    if (!QCoreApplication::instance())
        return QString();
    const QString fileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLower();
    QString host;
    host.reserve(fileName.size());
    for (const QChar c : fileName) {
        const bool bAllowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                              (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-');
        host += bAllowed ? c : QLatin1Char('-');
    }
    return host;
}

QByteArray CResSchemeHandler::ContentType(const QString& name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return QByteArrayLiteral("text/html");
    if (suffix == QLatin1String("js"))
        return QByteArrayLiteral("text/javascript");
    if (suffix == QLatin1String("css"))
        return QByteArrayLiteral("text/css");
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return QByteArrayLiteral("image/jpeg");
    if (suffix == QLatin1String("png"))
        return QByteArrayLiteral("image/png");
    if (suffix.isEmpty() || suffix == QLatin1String("txt"))
        return QByteArrayLiteral("text/plain");
    return QByteArrayLiteral("application/octet-stream");
}

void CResSchemeHandler::requestStarted(QWebEngineUrlRequestJob* pJob)
{
    const QUrl url = pJob->requestUrl();
    if (url.host() != ModuleName() || pJob->requestMethod() != QByteArrayLiteral("GET")) {
        pJob->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    const QString name = url.path(QUrl::FullyDecoded);
    QByteArray data;
    if (!Resources::LoadNamed(name, &data)) {
        pJob->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* pBuffer = new QBuffer(pJob);
    pBuffer->setData(data);
    pBuffer->open(QIODevice::ReadOnly);
    pJob->reply(ContentType(name), pBuffer);
}
