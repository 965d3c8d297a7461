#include "framework/instancelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct LockPlace
{
    QString strDir;
    QString strFile;
    // Where in the file the lock sits.
    off_t nOffset;
    // Folders of our own making are made when missing and must not be symbolic links.
    bool bOurs;
};

QString AbsoluteEnv(const char* pszName)
{
    const QString strValue = qEnvironmentVariable(pszName);
    return QDir::isAbsolutePath(strValue) ? QDir::cleanPath(strValue) : QString();
}

// Copies that were given another runtime folder belong to another session and lock other
// bytes of the shared fallback files; copies of one session meet on the same byte.
off_t SessionOffset(const QString& strRuntime)
{
    if (strRuntime.isEmpty())
        return 0;
    const QByteArray digest = QCryptographicHash::hash(QFile::encodeName(strRuntime), QCryptographicHash::Sha1);
    off_t nOffset = 0;
    for (int i = 0; i < 5; ++i)
        nOffset = (nOffset << 8) | static_cast<unsigned char>(digest[i]);
    return nOffset + 1;
}

// Only the environment and the user decide the sequence, never what exists at the moment:
// every copy of the same user in the same session walks the same places.
std::vector<LockPlace> LockPlaces(const QString& strName)
{
    std::vector<LockPlace> places;
    const QString strFile = strName + QStringLiteral(".lock");
    // A relative runtime folder would mean another lock for every working folder.
    const QString strRuntime = AbsoluteEnv("XDG_RUNTIME_DIR");
    const off_t nSession = SessionOffset(strRuntime);
    if (!strRuntime.isEmpty())
        places.push_back({strRuntime, strFile, 0, false});
    QString strTemp = AbsoluteEnv("TMPDIR");
    if (strTemp.isEmpty())
        strTemp = QStringLiteral("/tmp");
    places.push_back({strTemp + QStringLiteral("/deruziz-%1").arg(::getuid()), strFile, nSession, true});
    const QString strHome = AbsoluteEnv("HOME");
    if (!strHome.isEmpty()) {
        // A home folder may be shared between machines; the lock is not.
        char szHost[256] = {};
        ::gethostname(szHost, sizeof(szHost) - 1);
        places.push_back({strHome + QStringLiteral("/.local/state/deruziz"),
                          strName + QLatin1Char('-') + QString::fromLocal8Bit(szHost) + QStringLiteral(".lock"),
                          nSession, true});
    }
    return places;
}

// Locks one byte with a lock of the open file description: dropped when the descriptor
// closes, however the process ends.
bool LockByte(int nFd, off_t nOffset, bool bExclusive)
{
    struct flock lock = {};
    lock.l_type = bExclusive ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = nOffset;
    lock.l_len = 1;
    return ::fcntl(nFd, F_OFD_SETLK, &lock) == 0;
}

// Opens the place's lock file, making our folder if needed; -1 with the reason if the place
// cannot be used.
int OpenLockFile(const LockPlace& place, QString& strWhy)
{
    const QByteArray dir = QFile::encodeName(place.strDir);
    if (place.bOurs) {
        QDir().mkpath(QFileInfo(place.strDir).path());
        if (::mkdir(dir.constData(), 0700) == 0)
            ::chmod(dir.constData(), 0700);  // whatever the umask
    }
    struct stat st = {};
    if ((place.bOurs ? ::lstat(dir.constData(), &st) : ::stat(dir.constData(), &st)) != 0) {
        strWhy = QString::fromLocal8Bit(std::strerror(errno));
        return -1;
    }
    if (!S_ISDIR(st.st_mode)) {
        strWhy = QStringLiteral("not a folder");
        return -1;
    }
    // Anyone else who could enter it could hold the lock, or put something in its place.
    if (st.st_uid != ::getuid()) {
        strWhy = QStringLiteral("the folder belongs to another user");
        return -1;
    }
    if ((st.st_mode & 07777) != 0700) {
        strWhy = QStringLiteral("the folder's mode is %1, not 700").arg(st.st_mode & 07777, 0, 8);
        return -1;
    }
    const QByteArray path = QFile::encodeName(place.strDir + QLatin1Char('/') + place.strFile);
    const int nFd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (nFd < 0) {
        strWhy = QStringLiteral("%1: %2").arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    }
    return nFd;
}

} // namespace

CInstanceLock::~CInstanceLock()
{
    Release();
}

void CInstanceLock::Release()
{
    for (const int nFd : m_fds)
        ::close(nFd);
    m_fds.clear();
}

QString CInstanceLock::LockFilePath(const QString& strName)
{
    for (const LockPlace& place : LockPlaces(strName)) {
        QString strWhy;
        const int nFd = OpenLockFile(place, strWhy);
        if (nFd >= 0) {
            ::close(nFd);
            return place.strDir + QLatin1Char('/') + place.strFile;
        }
    }
    return QString();
}

bool CInstanceLock::Acquire(const QString& strName)
{
    if (IsHeld())
        return true;
    m_problems.clear();
    for (const LockPlace& place : LockPlaces(strName)) {
        QString strWhy;
        const int nFd = OpenLockFile(place, strWhy);
        const bool bFirst = m_fds.empty();
        if (nFd >= 0 && LockByte(nFd, place.nOffset, bFirst)) {
            m_fds.push_back(nFd);
            continue;
        }
        if (nFd >= 0) {
            const int nError = errno;
            ::close(nFd);
            if (nError == EAGAIN || nError == EACCES) {
                Release();
                return false;
            }
            strWhy = QString::fromLocal8Bit(std::strerror(nError));
        }
        if (bFirst)
            m_problems << QStringLiteral("cannot keep the single-instance lock in %1 (%2)").arg(place.strDir, strWhy);
    }
    return true;
}
