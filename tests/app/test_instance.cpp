#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Windows of a process, found by their _NET_WM_PID.
QStringList WindowsOf(qint64 nPid)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"search", "--onlyvisible", "--pid", QString::number(nPid)});
    xdotool.waitForFinished(5000);
    return QString::fromLatin1(xdotool.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

QSize WindowSize(const QString& strWindow)
{
    QProcess xdotool;
    xdotool.start("xdotool", {"getwindowgeometry", "--shell", strWindow});
    xdotool.waitForFinished(5000);
    int nWidth = 0, nHeight = 0;
    for (const QString& line : QString::fromLatin1(xdotool.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("WIDTH="))
            nWidth = line.mid(6).toInt();
        else if (line.startsWith("HEIGHT="))
            nHeight = line.mid(7).toInt();
    }
    return QSize(nWidth, nHeight);
}

void PressKeyIn(const QString& strWindow, const QString& strKey)
{
    QProcess::execute("xdotool", {"windowfocus", "--sync", strWindow});
    QProcess::execute("xdotool", {"key", "--clearmodifiers", strKey});
}

class Player
{
public:
    explicit Player(const QString& runtimeDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("QT_LOGGING_RULES", "deruziz.trace.info=true\nderuziz.startup.info=true");
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(DERUZIZ_EXE, {});
    }
    ~Player()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Waits until the process has written the text to its diagnostics.
    bool WaitForTrace(const QString& strText, int nTimeoutMs = 20000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < nTimeoutMs) {
            m_strErr += QString::fromUtf8(m_process.readAllStandardError());
            if (m_strErr.contains(strText))
                return true;
            if (m_process.state() == QProcess::NotRunning && !m_process.bytesAvailable())
                return m_strErr.contains(strText);
            m_process.waitForReadyRead(100);
        }
        return false;
    }

    QProcess m_process;
    QString m_strErr;
};

} // namespace

TEST(SingleInstance, SecondCopyRefusesAndEndsWhileTheFirstRunsOn)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());

    Player first(runtime.path());
    ASSERT_TRUE(first.WaitForTrace("main window shown")) << first.m_strErr.toStdString();
    QStringList firstWindows;
    QTRY_VERIFY_WITH_TIMEOUT(!(firstWindows = WindowsOf(first.m_process.processId())).isEmpty(), 5000);

    {
        Player second(runtime.path());
        ASSERT_TRUE(second.WaitForTrace("refused: The Program alreay running!!")) << second.m_strErr.toStdString();
        QStringList boxes;
        QTRY_VERIFY_WITH_TIMEOUT(!(boxes = WindowsOf(second.m_process.processId())).isEmpty(), 5000);
        for (const QString& window : boxes)
            EXPECT_NE(WindowSize(window), QSize(958, 602)) << "the refused copy opened a main window";
        PressKeyIn(boxes.first(), "Return");
        ASSERT_TRUE(second.m_process.waitForFinished(10000));
        EXPECT_EQ(second.m_process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.m_process.exitCode(), 0);
        EXPECT_FALSE(second.m_strErr.contains("main window shown"));
    }

    EXPECT_EQ(first.m_process.state(), QProcess::Running);
    bool bMainFound = false;
    for (const QString& window : WindowsOf(first.m_process.processId())) {
        if (WindowSize(window) == QSize(958, 602)) {
            bMainFound = true;
            PressKeyIn(window, "Escape");
        }
    }
    ASSERT_TRUE(bMainFound);
    ASSERT_TRUE(first.m_process.waitForFinished(15000));
    EXPECT_EQ(first.m_process.exitCode(), 0);

    // With the first copy gone, a new start opens its window.
    Player third(runtime.path());
    EXPECT_TRUE(third.WaitForTrace("main window shown")) << third.m_strErr.toStdString();
    EXPECT_FALSE(third.m_strErr.contains("The Program alreay running"));
}
