#include "mywebbrowser/mapsettings.h"

#include <QDir>
#include <QLoggingCategory>
#include <QSettings>
#include <QUrl>

Q_DECLARE_LOGGING_CATEGORY(lcMapPage)

namespace {

// An XDG base folder: the variable when it holds an absolute path, else the default under home.
QString XdgFolder(const char* pszVariable, const char* pszDefault)
{
    const QString strValue = qEnvironmentVariable(pszVariable);
    if (!strValue.isEmpty() && QDir::isAbsolutePath(strValue))
        return strValue;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(pszDefault);
}

bool IsTileAddress(const QString& strAddress)
{
    const QUrl url(strAddress);
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")) &&
           strAddress.contains(QLatin1String("{z}")) && strAddress.contains(QLatin1String("{x}")) &&
           strAddress.contains(QLatin1String("{y}"));
}

} // namespace

namespace MapSettings {

QString CachePath()
{
    return XdgFolder("XDG_CACHE_HOME", ".cache") + QStringLiteral("/deruziz");
}

QJsonObject TileOverrides()
{
    const QString strFile = XdgFolder("XDG_CONFIG_HOME", ".config") + QStringLiteral("/deruziz/deruziz.conf");
    QJsonObject overrides;
    if (!QFile::exists(strFile))
        return overrides;
    QSettings settings(strFile, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("tiles"));
    for (const char* pszLayer : {"street", "imagery", "labels", "roads"}) {
        const QString strAddress = settings.value(QLatin1String(pszLayer)).toString().trimmed();
        if (strAddress.isEmpty())
            continue;
        if (IsTileAddress(strAddress))
            overrides.insert(QLatin1String(pszLayer), strAddress);
        else
            qCWarning(lcMapPage, "%s: not a tile address for %s: %s", qPrintable(strFile), pszLayer,
                      qPrintable(strAddress));
    }
    return overrides;
}

} // namespace MapSettings
