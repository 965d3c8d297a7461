#include "desktop/settingsreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far more than a settings file a person writes: a larger file at the path is something else.
constexpr qint64 kMaxFileBytes = 1024 * 1024;

constexpr const char* kTileLayers[] = {"street", "imagery", "labels", "roads"};
constexpr const char* kAutoOutput = "auto";
constexpr const char* kTrue[] = {"true", "yes", "on", "1"};
constexpr const char* kFalse[] = {"false", "no", "off", "0"};
// The video outputs a user may choose, by libVLC's names.
constexpr const char* kVideoOutputs[] = {"gl", "xcb_x11", "xcb_xv"};
// What the map page fills in, with a value of each kind; the page stops at any other placeholder.
struct CPlaceholder
{
    const char* pszName;
    const char* pszSample;
    bool bNeeded;
};
constexpr CPlaceholder kPlaceholders[] = {
    {"{z}", "1", true}, {"{x}", "1", true}, {"{y}", "1", true}, {"{s}", "a", false}};

struct CFileText
{
    CSettingsReader::EFileState m_state = CSettingsReader::EFileState::Missing;
    QByteArray m_text;
    // Why a file that is there was not read.
    QString m_strWhy;
};

CFileText Refused(const QString& strWhy)
{
    return {CSettingsReader::EFileState::Refused, QByteArray(), strWhy};
}

QString ErrnoText(int nError)
{
    return QString::fromLocal8Bit(std::strerror(nError));
}

class CDescriptor
{
public:
    explicit CDescriptor(int fd) : m_fd(fd) {}
    ~CDescriptor() { ::close(m_fd); }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

// Opened non-blocking, so that a FIFO or a device answers at once, and read only when the
// descriptor itself proves to be a regular file (the path may change between two looks at it).
CFileText ReadRegularFile(const QString& strPath)
{
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return Refused(QStringLiteral("cannot be read (%1)").arg(ErrnoText(errno)));
    }
    const CDescriptor file(fd);
    struct stat status{};
    if (::fstat(file.Get(), &status) != 0)
        return Refused(QStringLiteral("cannot be read (%1)").arg(ErrnoText(errno)));
    if (!S_ISREG(status.st_mode))
        return Refused(QStringLiteral("not a regular file"));
    CFileText result{CSettingsReader::EFileState::Read, QByteArray(), QString()};
    char buffer[4096];
    for (;;) {
        const ssize_t nRead = ::read(file.Get(), buffer, sizeof buffer);
        if (nRead == 0)
            return result;
        if (nRead < 0) {
            if (errno == EINTR)
                continue;
            return Refused(QStringLiteral("cannot be read (%1)").arg(ErrnoText(errno)));
        }
        result.m_text.append(buffer, nRead);
        if (result.m_text.size() > kMaxFileBytes)
            return Refused(QStringLiteral("larger than %1 bytes, not a settings file").arg(kMaxFileBytes));
    }
}

template <std::size_t N>
bool IsOneOf(const QString& strName, const char* const (&names)[N])
{
    for (const char* pszName : names) {
        if (strName == QLatin1String(pszName))
            return true;
    }
    return false;
}

QString Unquoted(const QString& strValue)
{
    if (strValue.size() >= 2 && strValue.startsWith(QLatin1Char('"')) && strValue.endsWith(QLatin1Char('"')))
        return strValue.mid(1, strValue.size() - 2);
    return strValue;
}

// One key=value of a section; strWhere names the file and line for a problem.
void TakeSetting(CPlayerSettings& settings, const QString& strSection, const QString& strKey, const QString& strValue,
                 const QString& strWhere, QStringList& problems)
{
    if (strSection == QLatin1String("video") && strKey == QLatin1String("output")) {
        const bool bKnown = IsOneOf(strValue, kVideoOutputs);
        settings.m_strVideoOutput = bKnown ? strValue : QString();
        if (!bKnown && !strValue.isEmpty() && strValue != QLatin1String(kAutoOutput))
            problems << strWhere + QStringLiteral("not a video output: %1 (auto, gl, xcb_x11 or xcb_xv); auto is used")
                                       .arg(strValue);
    } else if (strSection == QLatin1String("playback") && strKey == QLatin1String("continuous")) {
        const QString strLower = strValue.toLower();
        settings.m_bContinuous = IsOneOf(strLower, kTrue);
        if (!settings.m_bContinuous && !IsOneOf(strLower, kFalse))
            problems << strWhere + QStringLiteral("not true or false: %1; false is used").arg(strValue);
    } else if (strSection == QLatin1String("tiles") && IsOneOf(strKey, kTileLayers)) {
        if (strValue.isEmpty())
            settings.m_mapTileServers.remove(strKey);
        else if (CSettingsReader::IsTileAddress(strValue))
            settings.m_mapTileServers.insert(strKey, strValue);
        else
            problems << strWhere + QStringLiteral("not a tile address for %1: %2").arg(strKey, strValue);
    }
}

} // namespace

QString CSettingsReader::DefaultPath()
{
    QString strConfig = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (strConfig.isEmpty() || !QDir::isAbsolutePath(strConfig))
        strConfig = QDir::homePath() + QStringLiteral("/.config");
    return strConfig + QStringLiteral("/deruziz/deruziz.conf");
}

void CSettingsReader::Read(const QString& strPath)
{
    m_problems.clear();
    const CFileText file = ReadRegularFile(strPath);
    m_state = file.m_state;
    if (m_state == EFileState::Refused)
        m_problems << QStringLiteral("%1: %2; the settings are the defaults").arg(strPath, file.m_strWhy);
    m_settings = m_state == EFileState::Read ? Parse(file.m_text, strPath, m_problems) : CPlayerSettings();
}

CPlayerSettings CSettingsReader::Parse(const QByteArray& text, const QString& strName, QStringList& problems)
{
    CPlayerSettings settings;
    QString strSection;
    int nLine = 0;
    for (const QByteArray& line : text.split('\n')) {
        ++nLine;
        QString strLine = QString::fromUtf8(line).trimmed();
        if (nLine == 1 && strLine.startsWith(QChar(0xFEFF)))
            strLine = strLine.mid(1).trimmed();
        if (strLine.isEmpty() || strLine.startsWith(QLatin1Char(';')) || strLine.startsWith(QLatin1Char('#')))
            continue;
        const QString strWhere = QStringLiteral("%1:%2: ").arg(strName).arg(nLine);
        if (strLine.startsWith(QLatin1Char('['))) {
            // Keys after a broken header belong to no section rather than to the one before.
            strSection.clear();
            if (strLine.size() > 2 && strLine.endsWith(QLatin1Char(']')))
                strSection = strLine.mid(1, strLine.size() - 2).trimmed();
            else
                problems << strWhere + QStringLiteral("not a section: ") + strLine;
            continue;
        }
        const qsizetype nEquals = strLine.indexOf(QLatin1Char('='));
        if (nEquals <= 0) {
            problems << strWhere + QStringLiteral("not a setting: ") + strLine;
            continue;
        }
        TakeSetting(settings, strSection, strLine.left(nEquals).trimmed(), Unquoted(strLine.mid(nEquals + 1).trimmed()),
                    strWhere, problems);
    }
    return settings;
}

bool CSettingsReader::IsTileAddress(const QString& strAddress)
{
    QString strFilled = strAddress;
    for (const CPlaceholder& placeholder : kPlaceholders) {
        if (placeholder.bNeeded && !strFilled.contains(QLatin1String(placeholder.pszName)))
            return false;
        strFilled.replace(QLatin1String(placeholder.pszName), QLatin1String(placeholder.pszSample));
    }
    if (strFilled.contains(QLatin1Char('{')) || strFilled.contains(QLatin1Char('}')))
        return false;
    const QUrl url(strFilled);
    return url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

QByteArray CSettingsReader::WithValue(const QByteArray& text, const QString& strSection, const QString& strKey,
                                      const QString& strValue)
{
    const QByteArray setting = (strKey + QLatin1Char('=') + strValue).toUtf8();
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    bool bInSection = false;
    bool bSectionSeen = false;
    qsizetype nInsertAt = -1;  // after the section's last setting
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString strLine = QString::fromUtf8(lines[i]).trimmed();
        if (strLine.startsWith(QLatin1Char('['))) {
            bInSection = strLine.endsWith(QLatin1Char(']')) && strLine.mid(1, strLine.size() - 2).trimmed() == strSection;
            bSectionSeen = bSectionSeen || bInSection;
            if (bInSection)
                nInsertAt = i + 1;
            continue;
        }
        if (!bInSection || strLine.isEmpty() || strLine.startsWith(QLatin1Char(';')) || strLine.startsWith(QLatin1Char('#')))
            continue;
        if (strLine.section(QLatin1Char('='), 0, 0).trimmed() == strKey) {
            lines[i] = setting;
            return lines.join('\n') + '\n';
        }
        nInsertAt = i + 1;
    }
    if (bSectionSeen) {
        lines.insert(nInsertAt, setting);
    } else {
        if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
            lines << QByteArray();
        lines << ('[' + strSection.toUtf8() + ']') << setting;
    }
    return lines.join('\n') + '\n';
}

bool CSettingsReader::WriteValue(const QString& strPath, const QString& strSection, const QString& strKey,
                                 const QString& strValue, QString& strWhy) const
{
    if (!MayReplaceFile()) {
        strWhy = QStringLiteral("%1 could not be read at start; it is left as it is").arg(strPath);
        return false;
    }
    const CFileText file = ReadRegularFile(strPath);
    if (file.m_state == EFileState::Refused) {
        strWhy = QStringLiteral("%1: %2; it is left as it is").arg(strPath, file.m_strWhy);
        return false;
    }
    QDir().mkpath(QFileInfo(strPath).path());
    QSaveFile save(strPath);
    if (!save.open(QIODevice::WriteOnly) || save.write(WithValue(file.m_text, strSection, strKey, strValue)) < 0 ||
        !save.commit()) {
        strWhy = QStringLiteral("%1 cannot be written (%2)").arg(strPath, save.errorString());
        return false;
    }
    return true;
}
