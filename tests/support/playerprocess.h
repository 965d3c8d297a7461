#pragma once
// The real program in processes of their own, under the test run's X server: what the tests of
// the command line, the single running copy and the settings file share.

#include <QProcess>
#include <QSize>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace PlayerProcess {

constexpr int kStartTimeoutMs = 60000;

// The lines a tool prints, given ten seconds; asked again when an X error cut it short.
QStringList RunTool(const QString& program, const QStringList& args);
QSize WindowSize(const QString& strWindow);
// Visible windows of a process, found by their _NET_WM_PID.
QStringList WindowsOf(qint64 nPid);
// Those of the main window's size.
QStringList MainWindowsOf(qint64 nPid);
void PressKeyIn(const QString& strWindow, const QString& strKey);

// A session bus of the test's own.
class CPrivateBus
{
public:
    CPrivateBus();
    ~CPrivateBus();
    CPrivateBus(const CPrivateBus&) = delete;
    CPrivateBus& operator=(const CPrivateBus&) = delete;
    QString Address() const { return m_strAddress; }

private:
    QProcess m_daemon;
    QString m_strAddress;
};

// The environment of a test's copies: its own runtime folder (none if null), no session bus
// unless given one, the program's diagnostics on.
QProcessEnvironment Environment(const QString& strRuntimeDir, const QString& strBus = QString());

// The program, started with the arguments in the working folder (the test's own if empty);
// killed at the end if it still runs.
class CPlayer
{
public:
    explicit CPlayer(const QProcessEnvironment& env, const QStringList& args = {}, const QString& strWorkDir = {});
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Waits until the process has written the text to its diagnostics.
    bool WaitForTrace(const QString& strText, int nTimeoutMs = kStartTimeoutMs);
    bool WaitForExit(int nTimeoutMs = kStartTimeoutMs);
    const QString& Err();
    const QString& Out();
    qint64 Pid() const { return m_nPid; }

    QProcess m_process;

private:
    void Read();

    qint64 m_nPid = 0;
    QString m_strErr;
    QString m_strOut;
};

// Main windows the given processes show between them.
int CountMainWindows(std::initializer_list<CPlayer*> players);

// Makes the folder and its parents and gives it the mode.
bool MakeFolder(const QString& strPath, int nMode = 0700);

// A card as the camcorder writes it: <card>/DCIM/100MEDIA/CLIPnnnn.MOV and <card>/GPS/GPSnnnn.LOG,
// the log cut from a real track. Returns the clips' paths.
QStringList MakeCard(const QString& strCard, int nClips);

} // namespace PlayerProcess
