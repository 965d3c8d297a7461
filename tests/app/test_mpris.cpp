// The desktop's media controls on a session bus of the test's own: the service against a
// stand-in window in this process, then the real program driven with gdbus.
#include <gtest/gtest.h>

#include "framework/dialogtemplate.h"
#include "desktop/mpris/mprisservice.h"
#include "playerprocess.h"
#include "resource.h"
#include "waitfor.h"
#include "testclips.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace {

const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");


// A session bus of the test's own, gone with it.
class CPrivateBus
{
public:
    CPrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
        }
        m_strAddress = QString::fromLatin1(m_daemon.readLine()).trimmed();
    }
    ~CPrivateBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QProcess m_daemon;
    QString m_strAddress;
};

// The window as far as the service sees it: it records what it is told to do.
class CFakePlayer : public QObject, public IPlayerControl
{
    Q_OBJECT
public:
    void PlayPause() override { m_calls << "PlayPause"; }
    void Play() override { m_calls << "Play"; }
    void Pause() override { m_calls << "Pause"; }
    void Stop() override { m_calls << "Stop"; }
    void Next() override { m_calls << "Next"; }
    void Previous() override { m_calls << "Previous"; }
    void Raise() override { m_calls << "Raise"; }
    void Quit() override { m_calls << "Quit"; }
    Status GetStatus() const override { return Status::Stopped; }
    QString GetClipPath() const override { return {}; }
    std::int64_t GetLengthMs() const override { return 0; }
    std::int64_t GetPositionMs() const override { return 0; }
    int GetVolume() const override { return 50; }
    void SetVolume(int nVolume) override { m_calls << QStringLiteral("SetVolume %1").arg(nVolume); }
    bool SeekTo(std::int64_t nPositionMs) override
    {
        m_calls << QStringLiteral("SeekTo %1").arg(nPositionMs);
        return true;
    }
    bool CanGoNext() const override { return false; }
    bool CanGoPrevious() const override { return false; }
    bool IsContinuousPlay() const override { return false; }

    // How many of the player's signals something follows.
    int FollowedSignals() const
    {
        return isSignalConnected(QMetaMethod::fromSignal(&CFakePlayer::PlayStateChanged)) +
               isSignalConnected(QMetaMethod::fromSignal(&CFakePlayer::ClipChanged)) +
               isSignalConnected(QMetaMethod::fromSignal(&CFakePlayer::VolumeChanged));
    }

    QStringList m_calls;

Q_SIGNALS:
    void PlayStateChanged(IPlayerControl::Status status);
    void ClipChanged(const QString& strPath);
    void VolumeChanged(int nVolume);
    void Seeked(qint64 nPositionMs);
};

} // namespace

TEST(MprisService, EachMethodReachesItsControlAndOneCopyHoldsTheName)
{
    CPrivateBus bus;
    ASSERT_FALSE(bus.m_strAddress.isEmpty()) << "dbus-daemon did not start";
    const auto Connection = [&](const char* pszName) { return QDBusConnection::connectToBus(bus.m_strAddress, pszName); };
    CFakePlayer player, second;
    auto pService = CMprisService::Attach(player, Connection("service"));
    ASSERT_TRUE(pService);
    // Neither another copy nor a second window of this process takes the name.
    EXPECT_FALSE(CMprisService::Attach(second, Connection("other")));
    EXPECT_FALSE(CMprisService::Attach(second, Connection("service")));
    EXPECT_EQ(player.FollowedSignals(), 3);
    EXPECT_EQ(second.FollowedSignals(), 0);

    const auto Volume = [](double dVolume) {
        return QVariantList{kPlayer, "Volume", QVariant::fromValue(QDBusVariant(dVolume))};
    };
    const struct
    {
        QString strInterface;
        const char* pszMethod;
        QVariantList args;
        QStringList expected;
    } cases[] = {
        {kPlayer, "PlayPause", {}, {"PlayPause"}},
        {kPlayer, "Play", {}, {"Play"}},
        {kPlayer, "Pause", {}, {"Pause"}},
        {kPlayer, "Stop", {}, {"Stop"}},
        {kPlayer, "Next", {}, {"Next"}},
        {kPlayer, "Previous", {}, {"Previous"}},
        {kRoot, "Raise", {}, {"Raise"}},
        {kRoot, "Quit", {}, {"Quit"}},
        {kPlayer, "Seek", {qlonglong(5000000)}, {"SeekTo 5000"}},
        {kPlayer, "Seek", {qlonglong(-5000000)}, {"SeekTo 0"}},
        {kPlayer, "SetPosition", {QVariant::fromValue(QDBusObjectPath("/a")), qlonglong(0)}, {}},
        {kPlayer, "OpenUri", {"file:///x.mov"}, {}},
        // The slider runs 0-100; the bus's volume beyond 0.0-1.0 stops at the ends.
        {kProperties, "Set", Volume(0.3), {"SetVolume 30"}},
        {kProperties, "Set", Volume(1.7), {"SetVolume 100"}},
        {kProperties, "Set", Volume(-2.0), {"SetVolume 0"}},
    };
    for (const auto& test : cases) {
        player.m_calls.clear();
        QDBusMessage call = QDBusMessage::createMethodCall(CMprisService::s_strServiceName, CMprisService::s_strObjectPath,
                                                           test.strInterface, test.pszMethod);
        call.setArguments(test.args);
        // The service answers on this thread, so the wait lets it run; the command runs once the
        // answer has gone.
        const QDBusMessage reply = Connection("client").call(call, QDBus::BlockWithGui, 5000);
        QCoreApplication::processEvents();
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << test.pszMethod << ": " << reply.errorMessage().toStdString();
        EXPECT_EQ(player.m_calls, test.expected) << test.pszMethod;
    }

    pService.reset();
    EXPECT_EQ(player.FollowedSignals(), 0);
    QDBusConnectionInterface* pBus = Connection("client").interface();
    EXPECT_TRUE(WaitFor([&] { return !pBus->isServiceRegistered(CMprisService::s_strServiceName).value(); }, 5000));
    EXPECT_TRUE(CMprisService::Attach(second, Connection("other")));
    for (const char* pszName : {"service", "client", "other"})
        QDBusConnection::disconnectFromBus(pszName);
}

namespace {

// gdbus's answer to a call on the program's object, in its text form.
QString CallProgram(const QProcessEnvironment& env, const QString& strMethod, const QStringList& args = {})
{
    QProcess gdbus;
    gdbus.setProcessEnvironment(env);
    gdbus.start("gdbus", QStringList{"call", "--session", "--dest", CMprisService::s_strServiceName, "--object-path",
                                     CMprisService::s_strObjectPath, "--method", strMethod} + args);
    gdbus.waitForFinished(10000);
    return QString::fromUtf8(gdbus.readAllStandardOutput() + gdbus.readAllStandardError()).trimmed();
}

QString Property(const QProcessEnvironment& env, const char* pszName)
{
    return CallProgram(env, kProperties + ".Get", {kPlayer, pszName});
}

QString Output(const QString& strProgram, const QStringList& args)
{
    QProcess process;
    process.start(strProgram, args);
    process.waitForFinished(5000);
    return QString::fromLatin1(process.readAllStandardOutput());
}

// A card as the camcorder writes it, with two clips and their logs; returns its clip folder.
QString MakeCard()
{
    const QString card = TestClips::ScratchDir() + "/card";
    QDir().mkpath(card + "/DCIM/100MEDIA");
    QDir().mkpath(card + "/GPS");
    for (const char* pszNumber : {"0001", "0002"}) {
        TestClips::CopyTo(TestClips::Make(TestClips::MovH264WithSound, 4), card + "/DCIM/100MEDIA/CLIP" + pszNumber + ".MOV");
        QFile log(card + "/GPS/GPS" + pszNumber + ".LOG");
        if (log.open(QIODevice::WriteOnly))
            log.write("A,120001,0304100000,1030.0000,02015.0000,10.00\n"
                      "A,120002,0304100000,1030.6000,02015.6000,20.00\n");
    }
    return card + "/DCIM/100MEDIA";
}

// The program's environment: the test's bus, a runtime folder of its own.
QProcessEnvironment ProgramEnvironment(const CPrivateBus& bus, const QTemporaryDir& runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus.m_strAddress);
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    // libVLC unloads its plug-ins before a sanitizer's leak check, which then finds their
    // allocations without a stack to tell them by; memory errors still end the program.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":detect_leaks=0");
    return env;
}

} // namespace

TEST(MprisProgram, TheDesktopsControlsDriveTheWindow)
{
    CPrivateBus bus;
    ASSERT_FALSE(bus.m_strAddress.isEmpty()) << "dbus-daemon did not start";
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QProcessEnvironment env = ProgramEnvironment(bus, runtime);
    const QString folder = MakeCard();

    // Both write to files: a full pipe would stop them while this process waits on gdbus.
    QProcess monitor;
    monitor.setProcessEnvironment(env);
    monitor.setStandardOutputFile(runtime.filePath("signals.txt"));
    monitor.start("gdbus", {"monitor", "--session", "--dest", CMprisService::s_strServiceName});
    ASSERT_TRUE(monitor.waitForStarted());
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setStandardOutputFile(runtime.filePath("program.txt"));
    program.start(DERUZIZ_EXE, {folder, folder + "/CLIP0001.MOV"});
    const auto Log = [&](const char* pszFile) {
        QFile file(runtime.filePath(pszFile));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    const auto HasStatus = [&](const char* pszStatus) {
        const QString strWanted = QStringLiteral("(<'%1'>,)").arg(pszStatus);
        return WaitFor([&] { return Property(env, "PlaybackStatus") == strWanted; }, 30000);
    };
    ASSERT_TRUE(HasStatus("Playing")) << Log("program.txt");

    // The length comes with the engine's start, which the transport buttons wait for.
    const QRegularExpression length("'mpris:length': <int64 (\\d+)>");
    QString strMetadata;
    ASSERT_TRUE(WaitFor([&] { return length.match(strMetadata = Property(env, "Metadata")).hasMatch(); }, 15000))
        << strMetadata.toStdString();
    EXPECT_NEAR(length.match(strMetadata).captured(1).toLongLong(), 4000000, 200000) << strMetadata.toStdString();
    EXPECT_TRUE(strMetadata.contains("'xesam:title': <'CLIP0001.MOV'>")) << strMetadata.toStdString();
    EXPECT_TRUE(strMetadata.contains("'xesam:url': <'file://" + folder + "/CLIP0001.MOV'>")) << strMetadata.toStdString();
    EXPECT_TRUE(WaitFor([&] { return Property(env, "Position") != "(<int64 0>,)"; }, 5000));

    const QString strRoot = CallProgram(env, kProperties + ".GetAll", {kRoot});
    const QString strPlayer = CallProgram(env, kProperties + ".GetAll", {kPlayer});
    for (const char* pszValue : {"'Identity': <'Deruziz'>", "'CanQuit': <true>", "'CanRaise': <true>",
                                 "'HasTrackList': <false>", "'SupportedUriSchemes': <['file']>",
                                 "'SupportedMimeTypes': <['video/quicktime', 'video/x-msvideo', 'video/mp4']>",
                                 "'DesktopEntry': <'io.github.orvane.deruziz'>"})
        EXPECT_TRUE(strRoot.contains(pszValue)) << pszValue << "\n" << strRoot.toStdString();
    for (const char* pszValue : {"'CanSeek': <true>", "'CanControl': <true>", "'CanPlay': <true>", "'CanPause': <true>", "'Rate': <1.0>",
                                 "'MinimumRate': <1.0>", "'MaximumRate': <1.0>", "'Volume': <0.5>"})
        EXPECT_TRUE(strPlayer.contains(pszValue)) << pszValue << "\n" << strPlayer.toStdString();
    // The desktop finds the program's name and icon through that file.
    EXPECT_TRUE(QFile::exists(DERUZIZ_SOURCE_DIR "/data/io.github.orvane.deruziz.desktop"));

    const struct
    {
        const char* pszMethod;
        const char* pszStatus;
    } transport[] = {{"Pause", "Paused"}, {"PlayPause", "Playing"}, {"Stop", "Stopped"}, {"Play", "Playing"}};
    for (const auto& step : transport) {
        EXPECT_EQ(CallProgram(env, kPlayer + "." + step.pszMethod), "()");
        EXPECT_TRUE(HasStatus(step.pszStatus)) << step.pszMethod;
    }

    EXPECT_EQ(CallProgram(env, kProperties + ".Set", {kPlayer, "Volume", "<0.25>"}), "()");
    EXPECT_EQ(Property(env, "Volume"), "(<0.25>,)");

    // Both step to another clip of the list, as the buttons do.
    const QRegularExpression track("'mpris:trackid': <objectpath '([^']+)'>.*'xesam:title': <'CLIP000[12].MOV'>");
    QStringList tracks = {track.match(strMetadata).captured(1)};
    for (const char* pszMethod : {"Next", "Previous"}) {
        EXPECT_EQ(CallProgram(env, kPlayer + "." + pszMethod), "()");
        EXPECT_TRUE(WaitFor([&] {
            const QRegularExpressionMatch now = track.match(strMetadata = Property(env, "Metadata"));
            return now.hasMatch() && now.captured(1) != tracks.constLast();
        }, 10000)) << pszMethod << ": " << strMetadata.toStdString();
        tracks << track.match(strMetadata).captured(1);
    }

    // Raise puts the window over one of this process. (Without a window manager the X server
    // gives the focus to the latest request; the stacking order is what can be seen.)
    QWidget other;
    other.setGeometry(200, 200, 300, 200);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    const auto IsAboveOther = [&] {
        const QString strStack = Output("xwininfo", {"-root", "-children"});  // from the top down
        const qsizetype nOther = strStack.indexOf(QStringLiteral("0x%1 ").arg(other.winId(), 0, 16));
        return nOther > 0 && strStack.indexOf(" 958x602+") < nOther;
    };
    EXPECT_FALSE(IsAboveOther());
    EXPECT_EQ(CallProgram(env, kRoot + ".Raise"), "()");
    EXPECT_TRUE(WaitFor(IsAboveOther, 5000));

    EXPECT_EQ(CallProgram(env, kRoot + ".Quit"), "()");
    ASSERT_TRUE(program.waitForFinished(15000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    monitor.terminate();
    monitor.waitForFinished(5000);
    const QString strSignals = QString::fromStdString(Log("signals.txt"));
    for (const char* pszChange : {"{'PlaybackStatus': <'Paused'>}", "{'PlaybackStatus': <'Stopped'>}",
                                  "{'PlaybackStatus': <'Playing'>}", "'mpris:length': <int64", "{'Volume': <0.25>}"})
        EXPECT_TRUE(strSignals.contains(pszChange)) << pszChange << "\n" << strSignals.toStdString();
    for (const QString& strClip : tracks)
        EXPECT_TRUE(strSignals.contains("'mpris:trackid': <objectpath '" + strClip + "'>")) << strClip.toStdString();
}

TEST(MprisProgram, QuitEndsTheProgramWhileLoadFilesDialogIsOpen)
{
    CPrivateBus bus;
    ASSERT_FALSE(bus.m_strAddress.isEmpty()) << "dbus-daemon did not start";
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    const QProcessEnvironment env = ProgramEnvironment(bus, runtime);
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.setStandardOutputFile(runtime.filePath("program.txt"));
    program.start(DERUZIZ_EXE, QStringList());
    QStringList mains;
    ASSERT_TRUE(WaitFor([&] { return !(mains = PlayerProcess::MainWindowsOf(program.processId())).isEmpty(); }, 30000));
    ASSERT_TRUE(WaitFor([&] { return Property(env, "PlaybackStatus") == "(<'Stopped'>,)"; }, 30000));

    const QRect rcLoad = MainDialogTemplate().ToPixels(MainDialogTemplate().Find(IDC_LOAD)->rcUnits);
    QProcess::execute("xdotool", {"mousemove", "--window", mains.first(), QString::number(rcLoad.center().x()),
                                  QString::number(rcLoad.center().y()), "click", "1"});
    ASSERT_TRUE(WaitFor([&] {
        return !PlayerProcess::RunTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(program.processId()),
                                                   "--name", "Load Video File"}).isEmpty();
    }, 10000)) << "Load File's dialog did not open";

    EXPECT_EQ(CallProgram(env, kRoot + ".Quit"), "()");
    ASSERT_TRUE(program.waitForFinished(15000)) << "the program outlived Quit";
    const QDBusConnection client = QDBusConnection::connectToBus(bus.m_strAddress, "quit-client");
    for (const char* pszName : {"org.mpris.MediaPlayer2.deruziz", "io.github.orvane.deruziz"})
        EXPECT_FALSE(client.interface()->isServiceRegistered(pszName).value()) << pszName;
    QDBusConnection::disconnectFromBus("quit-client");
}

#include "test_mpris.moc"
