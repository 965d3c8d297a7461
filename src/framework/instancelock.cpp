#include "framework/instancelock.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CInstanceLock::~CInstanceLock()
{
    if (m_nFd >= 0)
        ::close(m_nFd);
}

QString CInstanceLock::LockFilePath(const QString& strName)
{
    QString strDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (strDir.isEmpty() || !QDir(strDir).exists())
        strDir = QDir::tempPath() + QStringLiteral("/deruziz-%1").arg(::getuid());
    QDir().mkpath(strDir);
    return strDir + QLatin1Char('/') + strName + QStringLiteral(".lock");
}

bool CInstanceLock::Acquire(const QString& strName)
{
    if (m_nFd >= 0)
        return true;
    const QByteArray path = QFile::encodeName(LockFilePath(strName));
    const int nFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (nFd < 0)
        return true;  // nowhere to keep a lock: do not refuse to start
    if (::flock(nFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(nFd);
        return false;
    }
    m_nFd = nFd;
    return true;
}
