#include <gtest/gtest.h>

#include "engine/vlcinstance.h"
#include "window/player_dlg.h"
#include "playerdlgpeer.h"
#include "videoplayerpeer.h"
#include "waitfor.h"
#include "testclips.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <vlc/vlc.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {


// A native window for libVLC to draw into.
class VideoWindow : public QWidget
{
public:
    VideoWindow()
    {
        setAttribute(Qt::WA_NativeWindow);
        resize(320, 240);
        show();
    }
};

// What an engine has told, counted.
struct CTold
{
    explicit CTold(CVideoPlayer& player)
    {
        QObject::connect(&player, &CVideoPlayer::TimeChanged, [this] { ++nTimes; });
        QObject::connect(&player, &CVideoPlayer::Ended, [this] { ++nEnded; });
        QObject::connect(&player, &CVideoPlayer::Failed, [this] { ++nFailed; });
    }
    int nTimes = 0;
    int nEnded = 0;
    int nFailed = 0;
};

libvlc_event_t Event(libvlc_event_e type, std::int64_t nTimeMs = 0)
{
    libvlc_event_t event{};
    event.type = type;
    event.u.media_player_time_changed.new_time = nTimeMs;
    return event;
}

class VideoPlayerTest : public ::testing::TestWithParam<TestClips::Kind>
{
protected:
    VideoWindow m_window;
    CVideoPlayer m_player;
    CTold m_told{m_player};

    void Open(const QString& path)
    {
        ASSERT_FALSE(path.isEmpty()) << "ffmpeg could not make the clip";
        m_player.SetOutputWindow(static_cast<unsigned long>(m_window.winId()));
        m_player.SetVolume(50);
        m_player.OpenMedia(QFile::encodeName(path).constData());
    }

    std::int64_t TimeAfterWait(int nMs)
    {
        QTest::qWait(nMs);
        return m_player.GetTime();
    }
};

} // namespace

TEST(VideoPlayer, EnginesShareThePreStartedInstanceWithItsVideoOutput)
{
    CVlcInstance::PreStart(CVlcInstance::ProgramArgs("xcb_x11"));
    {
        const QString path = TestClips::Make(TestClips::Mp4H264, 3);
        VideoWindow frontWindow;
        VideoWindow rearWindow;
        CVideoPlayer front;
        CVideoPlayer rear;
        EXPECT_EQ(&front.Instance(), &rear.Instance());
        for (const auto& [pPlayer, pWindow] : {std::pair(&front, &frontWindow), std::pair(&rear, &rearWindow)}) {
            const std::vector<std::string>& args = pPlayer->Arguments();
            EXPECT_NE(std::find(args.begin(), args.end(), "--vout=xcb_x11"), args.end());
            pPlayer->SetOutputWindow(static_cast<unsigned long>(pWindow->winId()));
            pPlayer->OpenMedia(QFile::encodeName(path).constData());
            pPlayer->Play();
        }
        EXPECT_TRUE(WaitFor([&] { return front.GetTime() > 200 && rear.GetTime() > 200; }));
    }
    // Once every engine has gone, the next one starts libVLC again with the program's arguments.
    EXPECT_EQ(CVideoPlayer().Arguments(), CVlcInstance::ProgramArgs("xcb_x11"));
    // The engines of the tests after this one start as they would without it.
    CVlcInstance::PreStart(CVlcInstance::ProgramArgs(""));
}

TEST(VideoPlayer, TellsTheEndOfTheCurrentClipOnly)
{
    const struct
    {
        int nOpensBefore;
        std::vector<libvlc_event_t> reports;
        bool bOpensAfter;
        int nEnded;
        int nFailed;
    } rows[] = {
        {0, {Event(libvlc_MediaPlayerEndReached)}, false, 0, 0},
        {1, {Event(libvlc_MediaPlayerTimeChanged, 500), Event(libvlc_MediaPlayerEndReached)}, false, 1, 0},
        // A clip that ends without having shown a time past its start could not be played.
        {1, {Event(libvlc_MediaPlayerEndReached)}, false, 0, 1},
        {1, {Event(libvlc_MediaPlayerTimeChanged, 0), Event(libvlc_MediaPlayerEndReached)}, false, 0, 1},
        {2, {Event(libvlc_MediaPlayerTimeChanged, 500), Event(libvlc_MediaPlayerEncounteredError)}, false, 0, 1},
        {1, {Event(libvlc_MediaPlayerTimeChanged, 500), Event(libvlc_MediaPlayerEndReached)}, true, 0, 0},
        {1, {Event(libvlc_MediaPlayerTimeChanged, 500), Event(libvlc_MediaPlayerEncounteredError)}, true, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        CVideoPlayer player;
        CTold told(player);
        for (int nOpen = 0; nOpen < rows[i].nOpensBefore; ++nOpen)
            player.OpenMedia("/nonexistent/CLIP0001.MOV");
        for (const libvlc_event_t& event : rows[i].reports)
            CVideoPlayerPeer::Report(event, &player);
        if (rows[i].bOpensAfter)
            player.OpenMedia("/nonexistent/CLIP0002.MOV");
        QCoreApplication::processEvents();
        EXPECT_EQ(told.nEnded, rows[i].nEnded) << "row " << i;
        EXPECT_EQ(told.nFailed, rows[i].nFailed) << "row " << i;
    }
}

TEST_P(VideoPlayerTest, PlaysWithSaneLengthAndTime)
{
    ASSERT_TRUE(m_player.IsStarted());
    Open(TestClips::Make(GetParam(), 4));
    m_player.Play();
    ASSERT_TRUE(WaitFor([&] { return m_told.nTimes > 2 && m_player.GetTime() > 300; }, 10000));
    EXPECT_NEAR(double(m_player.GetLength()), 4000.0, 200.0);
    const std::int64_t t1 = m_player.GetTime();
    const std::int64_t t2 = TimeAfterWait(600);
    EXPECT_GT(t2, t1);
    EXPECT_LE(t2, m_player.GetLength());
}

TEST_P(VideoPlayerTest, PauseTwicePlaysAgainAndStopStops)
{
    Open(TestClips::Make(GetParam(), 4));
    m_player.Play();
    ASSERT_TRUE(WaitFor([&] { return m_player.GetTime() > 200; }, 10000));

    m_player.Pause();
    QTest::qWait(300);
    const std::int64_t tPaused = m_player.GetTime();
    EXPECT_EQ(TimeAfterWait(500), tPaused) << "paused clip kept playing";

    m_player.Pause();
    ASSERT_TRUE(WaitFor([&] { return m_player.GetTime() > tPaused + 200; }, 5000))
        << "second Pause did not resume";

    m_player.Stop();
    const std::int64_t tStopped = m_player.GetTime();
    EXPECT_LE(tStopped, 0);
    EXPECT_EQ(TimeAfterWait(400), tStopped);
}

TEST_P(VideoPlayerTest, OpenedClipWaitsForPlayAndPlaysAgainAfterStop)
{
    // The engine opens the clip ahead of Play, held at its first picture.
    Open(TestClips::Make(GetParam(), 4));
    EXPECT_LE(TimeAfterWait(800), 0) << "an opened clip started by itself";
    m_player.Play();
    ASSERT_TRUE(WaitFor([&] { return m_player.GetTime() > 200; })) << "Play did not start the opened clip";

    m_player.Stop();
    m_player.Play();
    EXPECT_TRUE(WaitFor([&] { return m_player.GetTime() > 200; }, 5000)) << "a stopped clip did not play again";
}

INSTANTIATE_TEST_SUITE_P(Clips, VideoPlayerTest,
                         ::testing::Values(TestClips::MovH264WithSound, TestClips::AviMjpeg, TestClips::Mp4H264));

TEST(VideoPlayer, PathsAsToUtf8PreparesThemPlay)
{
    const QString source = TestClips::Make(TestClips::MovH264WithSound, 3);
    ASSERT_FALSE(source.isEmpty());
    // Characters that a path-to-URL conversion must escape once, and only once.
    const char* const names[] = {"行车记录 视频/文件0001.MOV", "with space/CLIP 0001.MOV", "hash#/CLIP#0001.MOV",
                                 "pct%41/CLIP%200001.MOV", "ask?/CLIP?0001.MOV", "-dash/-CLIP0001.MOV"};
    VideoWindow window;
    CVideoPlayer player;
    player.SetOutputWindow(static_cast<unsigned long>(window.winId()));
    for (const char* pszName : names) {
        const QString target = TestClips::ScratchDir() + QLatin1Char('/') + QString::fromUtf8(pszName);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(target).path()));
        ASSERT_TRUE(TestClips::CopyTo(source, target));
        player.OpenMedia(CPlayerDlg::ToUtf8(QFile::encodeName(target).toStdString()).c_str());
        player.Play();
        EXPECT_TRUE(WaitFor([&] { return player.GetTime() > 200; }, 10000)) << pszName;
        EXPECT_NEAR(double(player.GetLength()), 3000.0, 200.0) << pszName;
        player.Stop();
    }
}

TEST(VideoPlayer, WindowDestroyedWhileItsClipPlays)
{
    const QString path = TestClips::Make(TestClips::AviMjpeg, 4);
    ASSERT_FALSE(path.isEmpty());
    for (int i = 0; i < 3; ++i) {
        auto pDlg = std::make_unique<CPlayerDlg>();
        pDlg->Create();
        pDlg->show();
        Peer(*pDlg).m_player.OpenMedia(QFile::encodeName(path).constData());
        Peer(*pDlg).m_player.Play();
        ASSERT_TRUE(WaitFor([&] { return Peer(*pDlg).m_player.GetTime() > 100 * (i + 1); }, 10000));
        // Time events keep coming while the window goes: none may reach what is gone.
        pDlg.reset();
        QTest::qWait(50);
    }
}

TEST(VideoPlayer, NeverOpensAWindowOfItsOwn)
{
    const QString path = TestClips::Make(TestClips::AviMjpeg, 4);
    ASSERT_FALSE(path.isEmpty());
    const auto EngineWindows = [] {
        QProcess xdotool;
        xdotool.start("xdotool", {"search", "--name", "VLC media player"});
        xdotool.waitForFinished(5000);
        return xdotool.readAllStandardOutput();
    };
    CPlayerDlg dlg;
    dlg.Create();
    dlg.show();
    // Closing the window destroys its X windows: a clip has nowhere to play.
    dlg.reject();
    Peer(dlg).m_player.OpenMedia(QFile::encodeName(path).constData());
    Peer(dlg).m_player.Play();
    EXPECT_FALSE(WaitFor([&] { return !EngineWindows().isEmpty(); }, 2000)) << "played in a window of its own";
    EXPECT_LE(Peer(dlg).m_player.GetTime(), 0);
    // Shown again, the window has new X windows, and the clip plays in them.
    dlg.show();
    Peer(dlg).m_player.Play();
    EXPECT_TRUE(WaitFor([&] { return Peer(dlg).m_player.GetTime() > 200; }, 10000));
    EXPECT_TRUE(EngineWindows().isEmpty()) << "played in a window of its own";
    Peer(dlg).m_player.Stop();
}

TEST(VideoPlayer, FileThatIsNotAVideoDoesNotCrash)
{
    const QString path = TestClips::ScratchDir() + QStringLiteral("/BROKEN01.MOV");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray junk(64 * 1024, '\0');
    for (int i = 0; i < junk.size(); ++i)
        junk[i] = char((i * 7919) ^ (i >> 3));
    file.write(junk);
    file.close();

    VideoWindow window;
    CVideoPlayer player;
    player.SetOutputWindow(static_cast<unsigned long>(window.winId()));
    player.OpenMedia(QFile::encodeName(path).constData());
    player.Play();
    QTest::qWait(1500);
    EXPECT_LE(player.GetLength(), 0);
    player.Pause();
    player.Stop();
    // The next clip still plays.
    const QString good = TestClips::Make(TestClips::AviMjpeg, 3);
    player.OpenMedia(QFile::encodeName(good).constData());
    player.Play();
    EXPECT_TRUE(WaitFor([&] { return player.GetTime() > 200; }, 10000));
}

TEST(VideoPlayer, FailedStartLeavesEveryOperationHarmless)
{
    CVideoPlayer player({"--no-such-option-for-this-engine"});
    EXPECT_FALSE(player.IsStarted());
    CTold told(player);
    player.SetOutputWindow(0);
    player.OpenMedia("/nonexistent/CLIP0001.MOV");
    player.OpenMedia(nullptr);
    player.Play();
    player.Pause();
    player.Stop();
    player.SetTime(1000);
    player.SetMute(true);
    player.SetVolume(80);
    EXPECT_EQ(player.GetLength(), 0);
    EXPECT_EQ(player.GetTime(), 0);
    EXPECT_EQ(player.GetVolume(), 0);
    EXPECT_FALSE(player.GetMute());
    QTest::qWait(50);
    EXPECT_EQ(told.nTimes + told.nEnded + told.nFailed, 0);
}

TEST(VideoPlayer, EmptyPlayerShowsZeroLengthAndProgress)
{
    CVideoPlayer player;
    EXPECT_EQ(CPlayerDlg::FormatTimeText(player.GetTime(), player.GetLength()), "00:00:00/00:00:00");
    EXPECT_EQ(CPlayerDlg::ProgressPercent(player.GetTime(), player.GetLength()), 0);
}

TEST(TimeDisplay, FormatAndProgress)
{
    EXPECT_EQ(CPlayerDlg::FormatTimeText(65000, 180000), "00:01:05/00:03:00");
    EXPECT_EQ(CPlayerDlg::ProgressPercent(65000, 180000), 36);
    EXPECT_EQ(CPlayerDlg::ProgressPercent(5000, 0), 0);
    EXPECT_EQ(CPlayerDlg::ProgressPercent(180000, 180000), 100);
    // Hours are the hours within a day; milliseconds are truncated.
    EXPECT_EQ(CPlayerDlg::FormatTimeText(25LL * 3600 * 1000 + 999, 3600LL * 1000 * 24 + 61999),
              "01:00:00/00:01:01");
}

TEST(TimeDisplay, EngineEventsAreHandledOnTheGuiThread)
{
    CPlayerDlg dlg;
    dlg.Create();
    Peer(dlg).m_timeText.setText(QStringLiteral("marker"));

    const libvlc_event_t event = Event(libvlc_MediaPlayerTimeChanged, 1000);
    std::thread engineThread([&] {
        for (int i = 0; i < 50; ++i)
            CVideoPlayerPeer::Report(event, &Peer(dlg).m_player);
    });
    engineThread.join();
    // Nothing was touched from the engine's thread...
    EXPECT_EQ(Peer(dlg).m_timeText.text(), "marker");
    // ...the update runs once the GUI thread gets to it.
    ASSERT_TRUE(WaitFor([&] { return Peer(dlg).m_timeText.text() != "marker"; }, 2000));
    EXPECT_EQ(Peer(dlg).m_timeText.text(), "00:00:00/00:00:00");
    EXPECT_LE(Peer(dlg).m_nLength, 0);

    Peer(dlg).m_timeText.setText(QStringLiteral("other"));
    CVideoPlayerPeer::Report(Event(libvlc_MediaPlayerPlaying), &Peer(dlg).m_player);
    CVideoPlayerPeer::Report(event, nullptr);
    QTest::qWait(50);
    EXPECT_EQ(Peer(dlg).m_timeText.text(), "other");
}

TEST(TimeDisplay, PlayingClipUpdatesTimeTextAndProgress)
{
    const QString path = TestClips::Make(TestClips::Mp4H264, 4);
    ASSERT_FALSE(path.isEmpty());
    CPlayerDlg dlg;
    dlg.Create();
    dlg.show();
    Peer(dlg).m_player.OpenMedia(QFile::encodeName(path).constData());
    Peer(dlg).m_player.Play();
    ASSERT_TRUE(WaitFor([&] { return Peer(dlg).m_seekSlider.GetPos() >= 25; }, 10000));
    EXPECT_NEAR(double(Peer(dlg).m_nLength), 4000.0, 200.0);
    EXPECT_TRUE(Peer(dlg).m_timeText.text().endsWith("/00:00:04") || Peer(dlg).m_timeText.text().endsWith("/00:00:03"))
        << Peer(dlg).m_timeText.text().toStdString();
    Peer(dlg).m_player.Stop();
}
