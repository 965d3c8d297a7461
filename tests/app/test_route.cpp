// The route on the live map and a click on it, and clips and folders dropped on the window,
// in the real window with the real engine and pages (without tiles).
#include <gtest/gtest.h>

#include "boxcatcher.h"
#include "playerdlgpeer.h"
#include "testclips.h"
#include "waitfor.h"
#include "window/player_dlg.h"
#include "wiredwindow.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// Record s 0.0002 degrees east of record s - 1 (about 9 pixels at the map's zoom), so that the
// whole route lies in the view and the east text tells the second.
QByteArray EastwardLog(int nRecords)
{
    QByteArray log;
    for (int s = 0; s < nRecords; ++s)
        log += QString::asprintf("A,1200%02d,0304100000,1030.0000,020%07.4f,10.00\n", s, 15.0 + s * 0.012).toLatin1();
    return log;
}

QString EastOfSecond(int nSecond)
{
    return QString::asprintf("E:%09f", 20.25 + nSecond * 0.0002);
}

// <card>/DCIM/100MEDIA/<name> with its log in <card>/GPS, as the camcorder writes them.
QString MakeCardClip(const QString& card, const QString& name, const QByteArray& log, int nSeconds)
{
    const QString root = TestClips::ScratchDir() + QLatin1Char('/') + card;
    const QString clip = root + QStringLiteral("/DCIM/100MEDIA/") + name;
    QDir().mkpath(QFileInfo(clip).path());
    TestClips::CopyTo(TestClips::Make(TestClips::MovH264WithSound, nSeconds), clip);
    QDir().mkpath(root + QStringLiteral("/GPS"));
    QFile file(root + QStringLiteral("/GPS/GPS") + name.mid(4, 4) + QStringLiteral(".LOG"));
    if (!log.isEmpty() && file.open(QIODevice::WriteOnly))
        file.write(log);
    return clip;
}

class RouteTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pWired = new CWiredWindow;
        ASSERT_TRUE(s_pWired->IsExposed());
        ASSERT_TRUE(WaitFor([] { return Peer(Dlg()).m_mapView.m_strURL.endsWith(QStringLiteral("/StartUpPage.HTML")); },
                            20000));
    }
    static void TearDownTestSuite()
    {
        delete s_pWired;
        s_pWired = nullptr;
    }

    static CPlayerDlg& Dlg() { return s_pWired->Dlg(); }
    static QWebEngineView* Browser() { return Peer(Dlg()).m_mapView.GetBrowser(); }

    static QVariant RunJs(const QString& script)
    {
        QVariant result;
        bool bDone = false;
        Browser()->page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            bDone = true;
        });
        WaitFor([&] { return bDone; }, 5000);
        return result;
    }
    static int RouteValue(const char* pszName)
    {
        return RunJs(QStringLiteral("RouteInfo().%1").arg(QLatin1String(pszName))).toInt();
    }

    static CWiredWindow* s_pWired;
};

CWiredWindow* RouteTest::s_pWired = nullptr;

} // namespace

TEST_F(RouteTest, RouteIsDrawnTravelledPartGrowsAndAClickOnItSeeks)
{
    const QString clip = MakeCardClip(QStringLiteral("route"), QStringLiteral("CLIP0001.MOV"), EastwardLog(12), 12);
    Dlg().OpenClip(QFile::encodeName(clip).toStdString());
    ASSERT_TRUE(WaitFor([] { return Dlg().ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";

    ASSERT_TRUE(WaitFor([] { return RouteValue("total") == 12; }, 5000)) << "the route never reached the page";
    EXPECT_EQ(RouteValue("drawn"), 12) << "every point of a route this short is drawn";

    const int nTravelledFirst = RouteValue("travelled");
    EXPECT_TRUE(WaitFor([&] { return RouteValue("travelled") >= nTravelledFirst + 2; }, 6000))
        << "the travelled part stayed at " << nTravelledFirst;

    // Paused, the marker stays where it is; the map's pan has ended after its quarter second.
    Dlg().OnPauseResume();
    ASSERT_EQ(Dlg().ClipState().m_nPlayState, PLAY_PAUSED);
    QTest::qWait(500);
    QSignalSpy seeks(&Dlg(), &CPlayerDlg::Seeked);
    QWidget* pInput = Browser()->focusProxy() ? Browser()->focusProxy() : Browser();

    // Beside the line, a little towards the point before: point 10 is still the nearest.
    const QVariantMap point = RunJs(QStringLiteral("RoutePointOnPage(10)")).toMap();
    ASSERT_EQ(point.value(QStringLiteral("second")).toInt(), 10);
    const QPoint ptPoint(point[QStringLiteral("x")].toInt(), point[QStringLiteral("y")].toInt());
    QTest::mouseClick(pInput, Qt::LeftButton, {}, ptPoint + QPoint(-2, 3));
    ASSERT_TRUE(WaitFor([&] { return seeks.count() == 1; }, 5000)) << "a click on the route did not seek";
    EXPECT_EQ(seeks.at(0).at(0).toLongLong(), 10000);
    EXPECT_EQ(Peer(Dlg()).m_eastText.text(), EastOfSecond(10));
    EXPECT_EQ(Peer(Dlg()).m_northText.text(), QStringLiteral("N:10.500000"));
    EXPECT_EQ(RouteValue("travelled"), 11) << "the travelled part follows the seek";

    // Off the line a click does nothing, nor does a second outside the clip.
    QTest::mouseClick(pInput, Qt::LeftButton, {}, ptPoint + QPoint(0, 40));
    for (const char* pszSecond : {"13", "-1", "1e9", "'x'", "NaN"})
        RunJs(QStringLiteral("window.external.CB_SeekToRouteSecond(%1)").arg(QLatin1String(pszSecond)));
    QTest::qWait(700);
    EXPECT_EQ(seeks.count(), 1);
    EXPECT_EQ(Peer(Dlg()).m_eastText.text(), EastOfSecond(10));
}

namespace {

// Drags urls over pTarget and, if the drag is taken there, drops them; whether it was taken.
bool Drop(QWidget* pTarget, const QList<QUrl>& urls)
{
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint pt = pTarget->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction;
    QDragEnterEvent enter(pt, actions, &mime, Qt::LeftButton, {});
    enter.ignore();
    QCoreApplication::sendEvent(pTarget, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(pt, actions, &mime, Qt::LeftButton, {});
    move.ignore();
    QCoreApplication::sendEvent(pTarget, &move);
    QDropEvent drop(pt, actions, &mime, Qt::LeftButton, {});
    drop.ignore();
    QCoreApplication::sendEvent(pTarget, &drop);
    EXPECT_TRUE(move.isAccepted() && drop.isAccepted());
    return true;
}

std::vector<std::string> ListPaths(const CVideoList& list)
{
    std::vector<std::string> paths;
    for (int i = 0; i < list.GetCount(); ++i)
        paths.push_back(list.GetAt(i).m_strPath);
    return paths;
}

} // namespace

TEST_F(RouteTest, DroppedClipsPlayAndFoldersJoinThePlayList)
{
    // Names a file manager hands over as they are, created out of name order.
    const QString folder = TestClips::ScratchDir() + QStringLiteral("/drop folder #1");
    const QString source = TestClips::Make(TestClips::AviMjpeg, 3);
    QDir().mkpath(folder);
    for (const char* pszName : {"b 2.AVI", "A%20 1.avi"})
        TestClips::CopyTo(source, folder + QLatin1Char('/') + QString::fromUtf8(pszName));
    QStringList clips;
    for (const char* pszName : {"-first clip.MOV", "行车 #2 100%.mov", "third.mp4"}) {
        clips << TestClips::ScratchDir() + QStringLiteral("/") + QString::fromUtf8(pszName);
        TestClips::CopyTo(source, clips.back());
    }
    const QString notes = TestClips::ScratchDir() + QStringLiteral("/notes.txt");
    QFile(notes).open(QIODevice::WriteOnly);
    const auto url = [](const QString& path) { return QUrl::fromLocalFile(path); };
    const auto utf8 = [](const QString& path) { return QFile::encodeName(path).toStdString(); };
    QWidget* pMap = Browser()->focusProxy() ? Browser()->focusProxy() : Browser();

    struct CCase
    {
        const char* pszWhat;
        QWidget* pTarget;
        QList<QUrl> urls;
        bool bTaken;
        QString strPlays;                 // the clip that plays afterwards
        std::vector<std::string> listed;  // what the play list holds afterwards
    };
    const std::string first = utf8(clips[0]), second = utf8(clips[1]), third = utf8(clips[2]);
    const std::string inA = utf8(folder + QStringLiteral("/A%20 1.avi")), inB = utf8(folder + QStringLiteral("/b 2.AVI"));
    const CCase cases[] = {
        {"one clip on the map", pMap, {url(clips[0])}, true, clips[0], {}},
        {"two clips on the window", &Dlg(), {url(clips[0]), url(clips[1])}, true, clips[1], {first}},
        {"a folder on the map", pMap, {url(folder)}, true, clips[1], {first, inA, inB}},
        {"nothing usable", &Dlg(), {url(notes), QUrl(QStringLiteral("https://example.org/a.mov"))}, false, clips[1],
         {first, inA, inB}},
        {"a mixed drop on the map", pMap,
         {url(notes), url(clips[2]), QUrl(QStringLiteral("https://example.org/b.mov")), url(folder), url(clips[0])},
         true, clips[0], {first, inA, inB, third}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        EXPECT_EQ(Drop(c.pTarget, c.urls), c.bTaken);
        EXPECT_TRUE(WaitFor([&] { return Dlg().GetClipPath() == c.strPlays && !Dlg().IsScanning(); }, 10000))
            << "plays " << Dlg().GetClipPath().toStdString();
        QTest::qWait(100);
        EXPECT_EQ(ListPaths(Dlg().GetPlayList()), c.listed);
    }

    // A link to a file that is gone: the file error's box and nothing else.
    CBoxCatcher box;
    EXPECT_TRUE(Drop(&Dlg(), {url(TestClips::ScratchDir() + QStringLiteral("/gone.MOV"))}));
    EXPECT_TRUE(WaitFor([&] { return box.m_bSeen; }, 5000)) << "no file error box";
    EXPECT_TRUE(box.m_strText.contains(QStringLiteral("gone.MOV"))) << box.m_strText.toStdString();
    EXPECT_EQ(Dlg().GetClipPath(), clips[0]);
    EXPECT_EQ(ListPaths(Dlg().GetPlayList()), (std::vector<std::string>{first, inA, inB, third}));
}
