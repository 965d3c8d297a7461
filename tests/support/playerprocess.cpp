#include "playerprocess.h"

#include "testclips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <sys/stat.h>

namespace PlayerProcess {

namespace {

// The main window's fixed size, by which a copy's main window is told from its other windows.
constexpr QSize kMainWindowSize(958, 602);

} // namespace

QStringList RunTool(const QString& program, const QStringList& args)
{
    // A window that goes while xdotool walks the tree (another copy's box, a page's popup)
    // ends it with an X error and part of its answer: ask again.
    constexpr int kTries = 10;
    QByteArray out;
    for (int nTry = 0; nTry < kTries; ++nTry) {
        QProcess tool;
        tool.start(program, args);
        tool.waitForFinished(10000);
        out = tool.readAllStandardOutput();
        if (!tool.readAllStandardError().contains("X Error"))
            break;
    }
    return QString::fromLatin1(out).split('\n', Qt::SkipEmptyParts);
}

QSize WindowSize(const QString& strWindow)
{
    int nWidth = 0, nHeight = 0;
    for (const QString& line : RunTool("xdotool", {"getwindowgeometry", "--shell", strWindow})) {
        if (line.startsWith("WIDTH="))
            nWidth = line.mid(6).toInt();
        else if (line.startsWith("HEIGHT="))
            nHeight = line.mid(7).toInt();
    }
    return QSize(nWidth, nHeight);
}

QStringList WindowsOf(qint64 nPid)
{
    return nPid > 0 ? RunTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(nPid)}) : QStringList();
}

QStringList MainWindowsOf(qint64 nPid)
{
    QStringList mains;
    for (const QString& window : WindowsOf(nPid)) {
        if (WindowSize(window) == kMainWindowSize)
            mains << window;
    }
    return mains;
}

void PressKeyIn(const QString& strWindow, const QString& strKey)
{
    RunTool("xdotool", {"windowfocus", "--sync", strWindow});
    RunTool("xdotool", {"key", "--clearmodifiers", strKey});
}

CPrivateBus::CPrivateBus()
{
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QElapsedTimer timer;
    timer.start();
    while (!m_daemon.canReadLine() && timer.elapsed() < 10000)
        m_daemon.waitForReadyRead(100);
    m_strAddress = QString::fromLatin1(m_daemon.readLine()).trimmed();
}

CPrivateBus::~CPrivateBus()
{
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QProcessEnvironment Environment(const QString& strRuntimeDir, const QString& strBus)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    if (!strBus.isEmpty())
        env.insert("DBUS_SESSION_BUS_ADDRESS", strBus);
    if (strRuntimeDir.isNull())
        env.remove("XDG_RUNTIME_DIR");
    else
        env.insert("XDG_RUNTIME_DIR", strRuntimeDir);
    env.insert("QT_LOGGING_RULES", "deruziz.trace.info=true\nderuziz.startup.info=true\nderuziz.cli.info=true");
    return env;
}

CPlayer::CPlayer(const QProcessEnvironment& env, const QStringList& args, const QString& strWorkDir)
{
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    if (!strWorkDir.isEmpty())
        m_process.setWorkingDirectory(strWorkDir);
    m_process.start(DERUZIZ_EXE, args);
    m_process.waitForStarted(10000);
    m_nPid = m_process.processId();
}

CPlayer::~CPlayer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

bool CPlayer::WaitForTrace(const QString& strText, int nTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        Read();
        if (m_strErr.contains(strText))
            return true;
        if (m_process.state() == QProcess::NotRunning || timer.elapsed() > nTimeoutMs)
            return false;
        m_process.waitForReadyRead(100);
    }
}

bool CPlayer::WaitForExit(int nTimeoutMs)
{
    const bool bEnded = m_process.waitForFinished(nTimeoutMs);
    Read();
    return bEnded;
}

const QString& CPlayer::Err()
{
    Read();
    return m_strErr;
}

const QString& CPlayer::Out()
{
    Read();
    return m_strOut;
}

void CPlayer::Read()
{
    m_strErr += QString::fromUtf8(m_process.readAllStandardError());
    m_strOut += QString::fromUtf8(m_process.readAllStandardOutput());
}

int CountMainWindows(std::initializer_list<CPlayer*> players)
{
    int nCount = 0;
    for (CPlayer* pPlayer : players)
        nCount += MainWindowsOf(pPlayer->Pid()).size();
    return nCount;
}

bool MakeFolder(const QString& strPath, int nMode)
{
    return QDir().mkpath(strPath) && ::chmod(QFile::encodeName(strPath).constData(), nMode) == 0;
}

QStringList MakeCard(const QString& strCard, int nClips)
{
    QFile track(DERUZIZ_TEST_DATA_DIR "/gps/switzerland-car-1hz.log");
    track.open(QIODevice::ReadOnly);
    QByteArray log;
    for (int i = 0; i < 30 && !track.atEnd(); ++i)
        log += track.readLine();
    QDir().mkpath(strCard + "/DCIM/100MEDIA");
    QDir().mkpath(strCard + "/GPS");
    QStringList clips;
    for (int n = 1; n <= nClips; ++n) {
        const QString number = QString::number(n).rightJustified(4, '0');
        const QString clip = strCard + "/DCIM/100MEDIA/CLIP" + number + ".MOV";
        TestClips::CopyTo(TestClips::Make(TestClips::MovH264WithSound, 3 + n % 2), clip);
        QFile logFile(strCard + "/GPS/GPS" + number + ".LOG");
        logFile.open(QIODevice::WriteOnly);
        logFile.write(log);
        clips << clip;
    }
    return clips;
}

} // namespace PlayerProcess
