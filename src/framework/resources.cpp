#include "framework/resources.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

namespace Resources {

QImage LoadBitmap(unsigned nId)
{
    QImage image(QStringLiteral(":/bitmaps/%1.png").arg(nId));
    if (image.isNull())
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage LoadIconImage(unsigned nId)
{
    QImage image(QStringLiteral(":/icons/%1.png").arg(nId));
    if (image.isNull())
        return image;
    return image.convertToFormat(QImage::Format_ARGB32);
}

QIcon LoadIcon(unsigned nId)
{
    // The small renderings where there are any (a window icon wants nothing larger),
    // otherwise the icon's one picture.
    QIcon icon;
    const QString base = QStringLiteral(":/icons/%1").arg(nId);
    for (int nSize : {32, 48, 64}) {
        const QString path = base + QStringLiteral("-%1.png").arg(nSize);
        if (QFile::exists(path))
            icon.addFile(path);
    }
    if (icon.isNull() && QFile::exists(base + QStringLiteral(".png")))
        icon.addFile(base + QStringLiteral(".png"));
    return icon;
}

QString LoadString(unsigned nId)
{
    switch (nId) {
    case 101: return QStringLiteral("关于 Deruziz(&A)...");
    case 61442: return QStringLiteral("所有文件 (*.*)");
    default: return QString();
    }
}

namespace {

// Lower-cased relative name -> resource path, built once from the ":/html" tree.
const QHash<QString, QString>& NamedIndex()
{
    static const QHash<QString, QString> index = [] {
        QHash<QString, QString> map;
        const QString root = QStringLiteral(":/html/");
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            map.insert(path.mid(root.size()).toLower(), path);
        }
        return map;
    }();
    return index;
}

} // namespace

QString FindNamed(const QString& name)
{
    QString key = name.toLower();
    while (key.startsWith(QLatin1Char('/')))
        key.remove(0, 1);
    return NamedIndex().value(key);
}

bool LoadNamed(const QString& name, QByteArray* pData)
{
    const QString path = FindNamed(name);
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *pData = file.readAll();
    return true;
}

} // namespace Resources
