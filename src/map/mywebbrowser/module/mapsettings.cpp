#include "map/mywebbrowser/module/mapsettings.h"

#include <QDir>

namespace {

// An XDG base folder: the variable when it holds an absolute path, else the default under home.
QString XdgFolder(const char* pszVariable, const char* pszDefault)
{
    const QString strValue = qEnvironmentVariable(pszVariable);
    if (!strValue.isEmpty() && QDir::isAbsolutePath(strValue))
        return strValue;
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(pszDefault);
}

} // namespace

namespace MapSettings {

QString CachePath()
{
    return XdgFolder("XDG_CACHE_HOME", ".cache") + QStringLiteral("/deruziz");
}

} // namespace MapSettings
