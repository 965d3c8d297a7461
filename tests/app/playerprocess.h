#pragma once
// The real program in processes of their own, under the test run's X server: what the tests of
// the command line and of the single running copy share.

#include "testclips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QThread>

#include <sys/stat.h>

namespace PlayerProcess {

constexpr int kStartTimeoutMs = 60000;

inline QStringList RunTool(const QString& program, const QStringList& args)
{
    QProcess tool;
    tool.start(program, args);
    tool.waitForFinished(10000);
    return QString::fromLatin1(tool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

inline QSize WindowSize(const QString& strWindow)
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

// Visible windows of a process, found by their _NET_WM_PID.
inline QStringList WindowsOf(qint64 nPid)
{
    return nPid > 0 ? RunTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(nPid)}) : QStringList();
}

inline QStringList MainWindowsOf(qint64 nPid)
{
    QStringList mains;
    for (const QString& window : WindowsOf(nPid)) {
        if (WindowSize(window) == QSize(958, 602))
            mains << window;
    }
    return mains;
}

inline void PressKeyIn(const QString& strWindow, const QString& strKey)
{
    QProcess::execute("xdotool", {"windowfocus", "--sync", strWindow});
    QProcess::execute("xdotool", {"key", "--clearmodifiers", strKey});
}

// A session bus of the test's own.
class CPrivateBus
{
public:
    CPrivateBus()
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QElapsedTimer timer;
        timer.start();
        while (!m_daemon.canReadLine() && timer.elapsed() < 10000)
            m_daemon.waitForReadyRead(100);
        m_strAddress = QString::fromLatin1(m_daemon.readLine()).trimmed();
    }
    ~CPrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    QString Address() const { return m_strAddress; }

private:
    QProcess m_daemon;
    QString m_strAddress;
};

// The environment of a test's copies: its own runtime folder, no session bus unless given one,
// the program's diagnostics on.
inline QProcessEnvironment Environment(const QString& strRuntimeDir, const QString& strBus = QString())
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

class CPlayer
{
public:
    explicit CPlayer(const QProcessEnvironment& env, const QStringList& args = {}, const QString& strWorkDir = {})
    {
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        if (!strWorkDir.isEmpty())
            m_process.setWorkingDirectory(strWorkDir);
        m_process.start(DERUZIZ_EXE, args);
        m_process.waitForStarted(10000);
        m_nPid = m_process.processId();
    }
    ~CPlayer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // Waits until the process has written the text to its diagnostics.
    bool WaitForTrace(const QString& strText, int nTimeoutMs = kStartTimeoutMs)
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
    bool WaitForExit(int nTimeoutMs = kStartTimeoutMs)
    {
        const bool bEnded = m_process.waitForFinished(nTimeoutMs);
        Read();
        return bEnded;
    }
    const QString& Err()
    {
        Read();
        return m_strErr;
    }
    const QString& Out()
    {
        Read();
        return m_strOut;
    }
    qint64 Pid() const { return m_nPid; }

    QProcess m_process;

private:
    void Read()
    {
        m_strErr += QString::fromUtf8(m_process.readAllStandardError());
        m_strOut += QString::fromUtf8(m_process.readAllStandardOutput());
    }

    qint64 m_nPid = 0;
    QString m_strErr;
    QString m_strOut;
};

// Main windows the given processes show between them.
inline int CountMainWindows(std::initializer_list<CPlayer*> players)
{
    int nCount = 0;
    for (CPlayer* pPlayer : players)
        nCount += MainWindowsOf(pPlayer->Pid()).size();
    return nCount;
}

inline bool MakeFolder(const QString& strPath, int nMode = 0700)
{
    return QDir().mkpath(strPath) && ::chmod(QFile::encodeName(strPath).constData(), nMode) == 0;
}

// A card as the camcorder writes it: <card>/DCIM/100MEDIA/CLIPnnnn.MOV and <card>/GPS/GPSnnnn.LOG,
// the log cut from a real track. Returns the clips' paths.
inline QStringList MakeCard(const QString& strCard, int nClips)
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
