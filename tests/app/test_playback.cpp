// Whole scenarios of opening, playing and tracking clips in the real window, with the real
// engine and the real map pages.
#include <gtest/gtest.h>

#include "framework/core/fileerror.h"
#include "playerdlgpeer.h"
#include "waitfor.h"
#include "window/player_dlg.h"
#include "resource.h"
#include "testclips.h"
#include "whenmodal.h"
#include "wiredwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QSortFilterProxyModel>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <clocale>

namespace {

// An invalid record, then four valid ones 0.01 degrees apart at speeds 10, 20, 31.73 and 40
// (gauge positions 9, 18, 28 and 36 after the log's factor of 1.825).
const char kShortLog[] = "V,120000,0304100000,,,\n"
                         "A,120001,0304100000,1030.0000,02015.0000,10.00\n"
                         "A,120002,0304100000,1030.6000,02015.6000,20.00\n"
                         "A,120003,0304100000,1031.2000,02016.2000,31.73\n"
                         "A,120004,0304100000,1031.8000,02016.8000,40.00\n";

QByteArray LongLog(int nRecords)
{
    QByteArray log;
    for (int i = 0; i < nRecords; ++i)
        log += QStringLiteral("A,12%1,0304100000,1030.0000,02015.0000,%2.00\n")
                   .arg(i, 4, 10, QLatin1Char('0')).arg(10 + i % 50).toLatin1();
    return log;
}

// Record s at latitude 10 + s/100, so the text tells which second's record shows.
QByteArray SecondsLog(int nRecords)
{
    QByteArray log;
    for (int s = 0; s < nRecords; ++s)
        log += QString::asprintf("A,1200%02d,0304100000,10%07.4f,02015.0000,10.00\n", s % 60, s * 0.6).toLatin1();
    return log;
}

// "$" + body + "*hh" and a line end.
QByteArray Sentence(const QByteArray& body)
{
    char sum = 0;
    for (const char c : body)
        sum ^= c;
    return "$" + body + "*" + QByteArray::number(uchar(sum), 16).rightJustified(2, '0').toUpper() + "\r\n";
}

// The NMEA log of a receiver in the south and west at 2 Hz: second 0 without a fix, then at
// seconds 1-4 a decoy fix at half past and the fix that counts (the second's last valid one),
// 0.01 degree apart at 12, 22, 33.73 and 44 knots (gauge positions 10, 20, 30 and 40).
QByteArray SouthWestNmea()
{
    QByteArray log = Sentence("GPRMC,120000.0,V,,,,,,,050321,,,N");
    const char* knots[] = {"12.0", "22.0", "33.73", "44.0"};
    for (int s = 1; s <= 4; ++s) {
        log += Sentence(QString::asprintf("GPRMC,12000%d.0,A,0100.000,S,00100.000,W,99.0,,050321,,,A", s).toLatin1());
        log += Sentence(QString::asprintf("GPGGA,12000%d.5,3351.400,S,07012.000,W,1,08,0.9,5.0,M,0.0,M,,", s).toLatin1());
        log += Sentence(QString::asprintf("GNRMC,12000%d.5,A,33%07.4f,S,070%07.4f,W,%s,,050321,,,A", s, 51.0 + 0.6 * s,
                                          12.0 + 0.6 * s, knots[s - 1]).toLatin1());
    }
    return log;
}

QString NorthOfSecond(std::int64_t nSecond)
{
    return QString::asprintf("N:%09f", 10.0 + double(nSecond) / 100.0);
}

bool WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// A card as the camcorder writes it: <card>/DCIM/100MEDIA/CLIPnnnn.MOV and <card>/GPS/GPSnnnn.LOG.
std::string MakeCardClip(const QString& card, const QString& name, const QByteArray& log, int nSeconds = 4)
{
    const QString clip = TestClips::ScratchDir() + QLatin1Char('/') + card + QStringLiteral("/DCIM/100MEDIA/") + name;
    QDir().mkpath(QFileInfo(clip).path());
    TestClips::CopyTo(TestClips::Make(TestClips::MovH264WithSound, nSeconds), clip);
    if (!log.isEmpty())
        WriteFile(TestClips::ScratchDir() + QLatin1Char('/') + card + QStringLiteral("/GPS/GPS") + name.mid(4, 4) +
                      QStringLiteral(".LOG"),
                  log);
    return QFile::encodeName(clip).toStdString();
}

class PlaybackTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_STREQ(std::localeconv()->decimal_point, ",")
            << "these tests run under a decimal-comma locale (LC_ALL=de_DE.UTF-8, made by scripts/test)";
        s_pWired = new CWiredWindow;
        s_pDlg = &s_pWired->Dlg();
        ASSERT_TRUE(s_pWired->IsExposed());
        ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_mapView.m_strURL.endsWith(QStringLiteral("/StartUpPage.HTML")); }, 20000)) << "the start page never loaded";
    }
    static void TearDownTestSuite()
    {
        delete s_pWired;
        s_pWired = nullptr;
        s_pDlg = nullptr;
    }

    static QString MarkerPosition()
    {
        QVariant result;
        Peer(*s_pDlg).m_mapView.GetBrowser()->page()->runJavaScript(
            QStringLiteral("var p = MovingPointMarker.getLatLng(); p.lat + ',' + p.lng"),
            [&](const QVariant& value) { result = value; });
        QElapsedTimer clock;
        clock.start();
        while (!result.isValid() && clock.elapsed() < 5000)
            QTest::qWait(20);
        return result.toString();
    }

    static CWiredWindow* s_pWired;
    static CPlayerDlg* s_pDlg;
};

CWiredWindow* PlaybackTest::s_pWired = nullptr;
CPlayerDlg* PlaybackTest::s_pDlg = nullptr;

} // namespace

TEST_F(PlaybackTest, IdlePictureButtonOpensTheLoadDialog)
{
    QString strTitle;
    WhenModalAppears([&](QWidget* pModal) {
        strTitle = pModal->windowTitle();
        static_cast<QDialog*>(pModal)->reject();
    }, 30000);
    QTest::mouseClick(&Peer(*s_pDlg).m_videoArea, Qt::LeftButton, {}, QPoint(320, 139));
    EXPECT_EQ(strTitle, "Load Video File");

    // Elsewhere on the picture a click does nothing.
    bool bOpened = false;
    WhenModalAppears([&](QWidget* pModal) { bOpened = true; static_cast<QDialog*>(pModal)->reject(); }, 500);
    QTest::mouseClick(&Peer(*s_pDlg).m_videoArea, Qt::LeftButton, {}, QPoint(40, 280));
    QTest::qWait(700);
    EXPECT_FALSE(bOpened);
}

TEST_F(PlaybackTest, LoadFileShowsClipsOnlyThenPlaysAndTracksEveryRecord)
{
    // Six seconds of video for the log's five records, one a second from the clip's start.
    const std::string clip = MakeCardClip(QStringLiteral("card1"), QStringLiteral("CLIP0001.MOV"), kShortLog, 6);
    const QString folder = QFileInfo(QString::fromStdString(clip)).path();
    for (const char* pszOther : {"clip0002.mov", "Clip0003.Mp4", "NOTES.TXT", "CLIP0004.MOV.bak", "MOVIE.AVI.part"})
        WriteFile(folder + QLatin1Char('/') + QLatin1String(pszOther), "x");

    QStringList listed;
    QStringList filters;
    WhenModalAppears([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        if (!pDialog) {
            pModal->close();
            return;
        }
        filters = pDialog->nameFilters();
        pDialog->setDirectory(folder);
        QAbstractItemModel* pModel = pDialog->proxyModel();
        auto* pFiles = static_cast<QFileSystemModel*>(pDialog->proxyModel()->sourceModel());
        // The dialog lists a folder on a thread of its own.
        QElapsedTimer clock;
        clock.start();
        while (pModel->rowCount(pDialog->proxyModel()->mapFromSource(pFiles->index(folder))) < 3 &&
               clock.elapsed() < 30000)
            QTest::qWait(50);
        const QModelIndex root = pDialog->proxyModel()->mapFromSource(pFiles->index(folder));
        for (int i = 0; i < pModel->rowCount(root); ++i)
            listed << pModel->index(i, 0, root).data().toString();
        if (auto* pEdit = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            pEdit->setText(QString::fromStdString(clip));
            QTest::keyClick(pEdit, Qt::Key_Return);
        }
        if (pDialog->isVisible())
            pDialog->reject();
    }, 30000);
    QTest::mouseClick(&Peer(*s_pDlg).m_btnLoad, Qt::LeftButton);
    listed.sort();
    EXPECT_EQ(filters, QStringList{QStringLiteral("所有文件 (*.*)")});
    EXPECT_EQ(listed, (QStringList{"CLIP0001.MOV", "Clip0003.Mp4", "clip0002.mov"}));

    // The start point is written at once, before anything plays.
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "N:10.500000");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "E:20.250000");
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    EXPECT_TRUE(Peer(*s_pDlg).m_mapView.m_strURL.endsWith(QStringLiteral("/GPS_VIEW.HTML")));
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);

    // One record a second, from the record after the first: the gauge shows each valid one.
    std::vector<int> gauge = {Peer(*s_pDlg).m_meter.GetPos()};
    QElapsedTimer clock;
    clock.start();
    while (s_pDlg->ClipState().m_bPositionTimer && clock.elapsed() < 15000) {
        QTest::qWait(40);
        if (Peer(*s_pDlg).m_meter.GetPos() != gauge.back())
            gauge.push_back(Peer(*s_pDlg).m_meter.GetPos());
    }
    EXPECT_EQ(gauge, (std::vector<int>{0, 9, 18, 28, 36}));
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer) << "the timer stops with the track";
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "N:10.530000");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "E:20.280000");
    EXPECT_EQ(MarkerPosition(), "10.53,20.28");

    // The clip ends: the desktop hears it stopped, the window keeps its state.
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->GetStatus() == IPlayerControl::Status::Stopped; }, 10000))
        << "the desktop still hears Playing after the clip ended";
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);
    EXPECT_TRUE(Peer(*s_pDlg).m_videoArea.text().isEmpty()) << "a clip that played is not one that cannot be played";
}

TEST_F(PlaybackTest, PauseRightAfterOpeningHoldsTheClipAtItsStartUntilResumed)
{
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card5"), QStringLiteral("CLIP0009.MOV"), LongLog(30)));
    QTest::mouseClick(&Peer(*s_pDlg).m_btnPause, Qt::LeftButton);
    EXPECT_EQ(s_pDlg->GetStatus(), IPlayerControl::Status::Paused);
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bGpsPageReady && !s_pDlg->ClipState().m_bWaitTimer; }, 20000))
        << "the page wait never ended";
    QTest::qWait(1200);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PAUSED) << "the clip started although paused";
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer);
    EXPECT_LE(Peer(*s_pDlg).m_player.GetTime(), 0);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "N:10.500000") << "the start point shows";

    QTest::mouseClick(&Peer(*s_pDlg).m_btnPause, Qt::LeftButton);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);
    EXPECT_TRUE(s_pDlg->ClipState().m_bPositionTimer) << "tracking starts with the video";
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_player.GetTime() > 0; }, 5000)) << "the video never played";
}

TEST_F(PlaybackTest, PauseResumeStopAndPlayAgainMoveTrackingWithTheVideo)
{
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card2"), QStringLiteral("CLIP0002.MOV"), LongLog(60)));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->Tracking().Track()->GetCursor() >= 3; }, 5000)) << "the track did not step";

    QTest::mouseClick(&Peer(*s_pDlg).m_btnPause, Qt::LeftButton);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PAUSED);
    const int nCursor = s_pDlg->Tracking().Track()->GetCursor();
    QTest::qWait(1500);
    EXPECT_EQ(s_pDlg->Tracking().Track()->GetCursor(), nCursor) << "tracking pauses with the video";

    QTest::mouseClick(&Peer(*s_pDlg).m_btnPause, Qt::LeftButton);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->Tracking().Track()->GetCursor() > nCursor; }, 3000)) << "tracking did not resume with the video";

    const int nGauge = Peer(*s_pDlg).m_meter.GetPos();
    QTest::mouseClick(&Peer(*s_pDlg).m_btnStop, Qt::LeftButton);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_STOPPED);
    EXPECT_EQ(s_pDlg->Tracking().Track()->GetCursor(), 0);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "");
    EXPECT_TRUE(Peer(*s_pDlg).m_timeText.text().startsWith("00:00:00/")) << Peer(*s_pDlg).m_timeText.text().toStdString();
    EXPECT_EQ(Peer(*s_pDlg).m_seekSlider.GetPos(), 0);
    EXPECT_EQ(Peer(*s_pDlg).m_meter.GetPos(), nGauge) << "the needle stays";
    QTest::qWait(2500);
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_STOPPED) << "a stopped clip does not start by itself";

    QTest::mouseClick(&Peer(*s_pDlg).m_btnPlay, Qt::LeftButton);
    EXPECT_TRUE(s_pDlg->ClipState().m_bPositionTimer);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_northText.text() == QStringLiteral("N:10.500000"); }, 3000)) << "play after stop did not show the first record again";
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_player.GetTime() > 0; }, 5000)) << "the video never played";
}

TEST_F(PlaybackTest, ClipWithoutLogPlaysOnTheErrorPageAndANewClipGetsItsOwnWait)
{
    const std::string noLog = MakeCardClip(QStringLiteral("card3"), QStringLiteral("CLIP0003.MOV"), QByteArray());
    s_pDlg->OpenClip(noLog);
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bWaitTimer; }, 10000)) << "the page wait never started";
    // Opened while the previous clip's wait runs: the new clip still tracks.
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card3"), QStringLiteral("CLIP0004.MOV"), LongLog(30)));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    EXPECT_TRUE(Peer(*s_pDlg).m_mapView.m_strURL.endsWith(QStringLiteral("/GPS_VIEW.HTML")));

    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_meter.GetPos() > 0; }, 5000)) << "the gauge never moved";

    // Without a log: nothing of the previous clip's position stays, the error page shows, and
    // the video starts after the wait, untracked.
    s_pDlg->OpenClip(noLog);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "");
    EXPECT_EQ(Peer(*s_pDlg).m_meter.GetPos(), 0);
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_player.GetTime() > 0; }, 10000)) << "the video never played";
    EXPECT_TRUE(Peer(*s_pDlg).m_mapView.m_strURL.endsWith(QStringLiteral("/ERROR.HTML")));
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer);

    // Button 3 pauses and resumes such a clip in one press each.
    s_pDlg->OnPauseResume();
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PAUSED);
    QTest::qWait(300);
    const std::int64_t nPausedAt = Peer(*s_pDlg).m_player.GetTime();
    QTest::qWait(600);
    EXPECT_EQ(Peer(*s_pDlg).m_player.GetTime(), nPausedAt);
    s_pDlg->OnPauseResume();
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);
    EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_player.GetTime() > nPausedAt; }, 3000)) << "the video did not resume";
}

TEST_F(PlaybackTest, ClipThatCannotBeOpenedOrPlayedIsToldAndChangesNothing)
{
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card4"), QStringLiteral("CLIP0005.MOV"), LongLog(30)));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    ASSERT_TRUE(WaitFor([&] { return !Peer(*s_pDlg).m_timeText.text().endsWith("/00:00:00"); }, 5000)) << "no length shows";
    const CGPSTrack* pTrack = s_pDlg->Tracking().Track();
    EXPECT_THROW(s_pDlg->OpenClip("/nonexistent/DCIM/100MEDIA/CLIP0006.MOV"), CFileException);
    EXPECT_EQ(s_pDlg->Tracking().Track(), pTrack);
    EXPECT_TRUE(s_pDlg->ClipState().m_bPositionTimer) << "the playing clip plays on";

    // Each with a log: tracking must not run through it either.
    QByteArray random(64 * 1024, '\0');
    for (int i = 0; i < random.size(); ++i)
        random[i] = char((i * 7919 + 13) % 251);
    QFile whole(TestClips::Make(TestClips::MovH264WithSound, 4));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const struct
    {
        const char* pszName;
        QByteArray content;
    } kUnplayable[] = {
        {"empty", QByteArray()},
        {"text", "These are notes, not a video.\n"},
        {"random bytes", random},
        {"cut short", whole.read(whole.size() / 3)},
    };
    int nClip = 10;
    for (const auto& unplayable : kUnplayable) {
        const QString path = QStringLiteral("%1/card4/DCIM/100MEDIA/CLIP%2.MOV").arg(TestClips::ScratchDir()).arg(nClip, 4, 10, QLatin1Char('0'));
        WriteFile(path, unplayable.content);
        WriteFile(QStringLiteral("%1/card4/GPS/GPS%2.LOG").arg(TestClips::ScratchDir()).arg(nClip++, 4, 10, QLatin1Char('0')), LongLog(30));
        s_pDlg->OpenClip(QFile::encodeName(path).toStdString());
        EXPECT_EQ(Peer(*s_pDlg).m_timeText.text(), "00:00:00/00:00:00") << unplayable.pszName << ": the clip before's time stays";
        EXPECT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_videoArea.text() == CPlayerDlg::CannotPlayText(); }, 10000))
            << unplayable.pszName << ": the video area does not say the clip cannot be played";
        EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_STOPPED) << unplayable.pszName;
        EXPECT_EQ(s_pDlg->GetStatus(), IPlayerControl::Status::Stopped) << unplayable.pszName;
        EXPECT_FALSE(s_pDlg->ClipState().m_bPositionTimer) << unplayable.pszName << ": tracking runs through the log";
    }
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card4"), QStringLiteral("CLIP0008.MOV"), LongLog(5)));
    EXPECT_TRUE(Peer(*s_pDlg).m_videoArea.text().isEmpty());
    EXPECT_FALSE(Peer(*s_pDlg).m_videoArea.pixmap().isNull()) << "the idle picture is back";
}

TEST_F(PlaybackTest, KeysMoveTheVideoAndTheRecordOfTheNewSecondShowsAtOnce)
{
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card6"), QStringLiteral("CLIP0020.MOV"), SecondsLog(75), 70));
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_player.GetTime() > 1200; }, 5000)) << "the video never played";

    // Keys reach the window from a control that has no use for them.
    QWidget* pFocus = &Peer(*s_pDlg).m_videoArea;
    QTest::keyClick(pFocus, Qt::Key_Space);
    ASSERT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PAUSED);
    QTest::qWait(300);
    const std::int64_t nAt = Peer(*s_pDlg).m_player.GetTime();
    QTest::keyClick(pFocus, Qt::Key_Right);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond((nAt + 5000) / 1000)) << "5 s on, from " << nAt;
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PAUSED) << "a seek while paused stays paused";
    QTest::keyClick(pFocus, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond(0)) << "a minute back clamps to the start";
    QTest::keyClick(pFocus, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond(60)) << "a minute on";
    const std::int64_t nEnd = Peer(*s_pDlg).m_player.GetLength();
    QTest::keyClick(pFocus, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond(nEnd / 1000)) << "a minute on clamps to the end";
    QTest::keyClick(pFocus, Qt::Key_Left);
    const std::int64_t nBack = (nEnd - 5000) / 1000;
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond(nBack));

    // Playing on, the records follow the picture's second.
    QTest::keyClick(pFocus, Qt::Key_Space);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_northText.text() == NorthOfSecond(nBack + 1); }, 4000))
        << "tracking did not go on from the new second";
    const std::int64_t nSecond = Peer(*s_pDlg).m_player.GetTime() / 1000;
    EXPECT_LE(std::abs(nSecond - (nBack + 1)), 1) << "the marker runs away from the picture";

    // As the desktop's controls seek.
    IPlayerControl& remote = *s_pDlg;
    ASSERT_TRUE(remote.SeekTo(2500));
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), NorthOfSecond(2));
    EXPECT_EQ(s_pDlg->ClipState().m_nPlayState, PLAY_PLAYING);
}

TEST_F(PlaybackTest, SeeksDuringThePageWaitAndAfterTheEndPlayOnFromTheNewSecond)
{
    IPlayerControl& remote = *s_pDlg;
    s_pDlg->OpenClip(MakeCardClip(QStringLiteral("card9"), QStringLiteral("CLIP0031.MOV"), SecondsLog(12), 8));
    ASSERT_TRUE(remote.SeekTo(3000)) << "a seek while the clip waits for its page is lost";
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    EXPECT_GE(Peer(*s_pDlg).m_player.GetTime(), 3000) << "the clip did not start at the second asked for";
    const QString north = Peer(*s_pDlg).m_northText.text();
    EXPECT_TRUE(north == NorthOfSecond(3) || north == NorthOfSecond(4)) << north.toStdString();

    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bMediaEnded; }, 15000)) << "the clip never ended";
    EXPECT_GE(remote.GetPositionMs(), 7000) << "the desktop's relative seeks start from the end";
    QTest::keyClick(&Peer(*s_pDlg).m_videoArea, Qt::Key_Left);
    EXPECT_EQ(s_pDlg->GetStatus(), IPlayerControl::Status::Playing);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_northText.text() == NorthOfSecond(5); }, 4000))
        << "tracking did not go on after the end; shows " << Peer(*s_pDlg).m_northText.text().toStdString();
    EXPECT_GE(Peer(*s_pDlg).m_player.GetTime(), 4000) << "the video stands";
    EXPECT_TRUE(Peer(*s_pDlg).m_timeText.text().startsWith("00:00:0")) << Peer(*s_pDlg).m_timeText.text().toStdString();

    // Play after the end starts the clip again, with its tracking.
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bMediaEnded; }, 15000)) << "the clip never ended again";
    QTest::mouseClick(&Peer(*s_pDlg).m_btnPlay, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_northText.text() == NorthOfSecond(1); }, 4000))
        << "play after the end did not start again";
    EXPECT_TRUE(s_pDlg->ClipState().m_bPositionTimer);
}

TEST_F(PlaybackTest, ClipWithOnlyAnNmeaLogBesideItTracksInTheSouthAndWest)
{
    const std::string clip = MakeCardClip(QStringLiteral("card7"), QStringLiteral("CLIP0030.MOV"), QByteArray(), 6);
    ASSERT_TRUE(WriteFile(QFileInfo(QString::fromStdString(clip)).path() + QStringLiteral("/clip0030.Nmea"), SouthWestNmea()));
    s_pDlg->OpenClip(clip);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "S:33.860000") << "the start point is the first valid second";
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "W:70.210000");
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    EXPECT_TRUE(Peer(*s_pDlg).m_mapView.m_strURL.endsWith(QStringLiteral("/GPS_VIEW.HTML")));
    const QString start = MarkerPosition();

    std::vector<int> gauge = {Peer(*s_pDlg).m_meter.GetPos()};
    QElapsedTimer clock;
    clock.start();
    while (s_pDlg->ClipState().m_bPositionTimer && clock.elapsed() < 15000) {
        QTest::qWait(40);
        if (Peer(*s_pDlg).m_meter.GetPos() != gauge.back())
            gauge.push_back(Peer(*s_pDlg).m_meter.GetPos());
    }
    ASSERT_GE(gauge.size(), 4u);
    EXPECT_EQ(std::vector<int>(gauge.end() - 4, gauge.end()), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "S:33.890000");
    EXPECT_EQ(Peer(*s_pDlg).m_eastText.text(), "W:70.240000");
    EXPECT_EQ(start, "-33.86,-70.21");
    EXPECT_EQ(MarkerPosition(), "-33.89,-70.24");
}

TEST_F(PlaybackTest, ClipWithOnlyAGpxFileBesideItTracksAndItsTrackExportsAsGpx)
{
    const std::string clip = MakeCardClip(QStringLiteral("card8"), QStringLiteral("CLIP0040.MOV"), QByteArray(), 5);
    const QString folder = QFileInfo(QString::fromStdString(clip)).path();
    // Two points three seconds apart: the seconds between are interpolated.
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("/clip0040.GPX"),
                          "<?xml version=\"1.0\"?><gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
                          "<trk><trkseg><trkpt lat=\"-33.86\" lon=\"-70.21\"><time>2021-03-05T12:00:00Z</time></trkpt>"
                          "<trkpt lat=\"-33.89\" lon=\"-70.24\"><time>2021-03-05T12:00:03Z</time></trkpt>"
                          "</trkseg></trk></gpx>\n"));
    s_pDlg->OpenClip(clip);
    EXPECT_EQ(Peer(*s_pDlg).m_northText.text(), "S:33.860000");
    ASSERT_TRUE(WaitFor([&] { return s_pDlg->ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_northText.text() == "S:33.870000"; }, 15000));
    ASSERT_TRUE(WaitFor([&] { return Peer(*s_pDlg).m_eastText.text() == "W:70.240000"; }, 15000));

    QTemporaryDir exportDir;
    QString target;
    QString startFolder;
    WhenModalAppears([&](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        if (!pDialog) {
            pModal->close();
            return;
        }
        startFolder = pDialog->directory().absolutePath();
        pDialog->setDirectory(exportDir.path());
        target = pDialog->selectedFiles().value(0);
        QMetaObject::invokeMethod(pDialog, "accept", Qt::QueuedConnection);
    });
    QAction* pExport = nullptr;
    for (QAction* pAction : s_pDlg->GetSystemMenu()->actions())
        if (pAction->text() == QStringLiteral("Export Track as GPX..."))
            pExport = pAction;
    ASSERT_NE(pExport, nullptr);
    pExport->trigger();
    EXPECT_EQ(startFolder, QDir(CPlayerDlg::ExportFolder()).absolutePath());
    EXPECT_EQ(target, exportDir.filePath(QStringLiteral("CLIP0040.gpx"))) << "the clip's name is offered";
    EXPECT_FALSE(startFolder.startsWith(folder.section('/', 0, -4)));

    QProcess babel;
    babel.start(QStringLiteral("gpsbabel"), {"-t", "-i", "gpx", "-f", target, "-o", "unicsv", "-F", "-"});
    ASSERT_TRUE(babel.waitForFinished(10000));
    ASSERT_TRUE(QFileInfo::exists(target)) << "nothing written";
    const QStringList lines = QString::fromUtf8(babel.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString() << babel.readAllStandardError().toStdString();
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1,-33.860000,-70.210000,2021/03/05,12:00:00"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("3,-33.880000,-70.230000,2021/03/05,12:00:02"))) << lines[3].toStdString();
}

namespace {

// A key as the user types it: to the control that has the keyboard.
void Type(Qt::Key key)
{
    QWidget* pFocus = QApplication::focusWidget();
    ASSERT_NE(pFocus, nullptr) << "nothing has the keyboard";
    QTest::keyClick(pFocus, key);
}

} // namespace

// A window of its own, to see where the keyboard is right after start. Enter elsewhere:
// MainWindowClosing.
TEST(WindowKeys, SpaceArrowsAndEnterPlayWhereverTheKeyboardIs)
{
    CWiredWindow wired;
    CPlayerDlg& dlg = wired.Dlg();
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    // Made out of name order; the list holds them in name order.
    const std::string second = MakeCardClip(QStringLiteral("keys"), QStringLiteral("CLIP0002.MOV"), SecondsLog(75), 70);
    const std::string first = MakeCardClip(QStringLiteral("keys"), QStringLiteral("CLIP0001.MOV"), SecondsLog(75), 70);
    dlg.StartAddFolder(first.substr(0, first.rfind('/')));
    ASSERT_TRUE(WaitFor([&] { return dlg.GetPlayList().GetCount() == 2; }, 10000)) << "the folder was not added";
    dlg.OpenClip(first);
    ASSERT_TRUE(WaitFor([&] { return dlg.ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";

    // Space pauses and resumes, Right seeks 5 s, but where the control has a use for them.
    IPlayerControl& remote = dlg;
    const struct { const char* pszWhen; QWidget* pClicked; bool bTab, bTypeSpace, bRightSeeks; } kCases[] = {
        {"right after start", nullptr, false, true, true},
        {"after a click on the bin", &Peer(dlg).m_btnRemove, false, true, true},
        {"on the volume slider", &Peer(dlg).m_volumeSlider, false, true, false},
        {"on a button reached with Tab (Space there is the button's)", &Peer(dlg).m_btnRemove, true, false, true},
    };
    for (const auto& when : kCases) {
        if (when.pClicked)
            QTest::mouseClick(when.pClicked, Qt::LeftButton);
        if (when.bTab)
            Type(Qt::Key_Tab);
        if (when.bTypeSpace)
            Type(Qt::Key_Space);
        ASSERT_EQ(dlg.ClipState().m_nPlayState, when.bTypeSpace ? PLAY_PAUSED : PLAY_PLAYING) << when.pszWhen;
        ASSERT_TRUE(remote.SeekTo(20000));
        Type(Qt::Key_Right);
        EXPECT_EQ(Peer(dlg).m_northText.text(), NorthOfSecond(when.bRightSeeks ? 25 : 20)) << when.pszWhen;
        if (when.bTypeSpace)
            Type(Qt::Key_Space);
        EXPECT_EQ(dlg.ClipState().m_nPlayState, PLAY_PLAYING) << when.pszWhen;
    }

    // Enter on a selected entry plays it: the second clip is the left view's second row.
    CVideoListCtrl& list = Peer(dlg).m_listLeft;
    ASSERT_EQ(list.topLevelItemCount(), 2);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.topLevelItem(1)).center());
    Type(Qt::Key_Return);
    EXPECT_EQ(dlg.GetClipPath(), QString::fromStdString(second));
}
