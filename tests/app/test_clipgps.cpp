// A clip with its GPS inside and nothing beside it, in the real window and on the command line.
#include "gpsclipwriter.h"
#include "playerdlgpeer.h"
#include "testclips.h"
#include "waitfor.h"
#include "window/player_dlg.h"
#include "wiredwindow.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <clocale>

using namespace GpsClips;

namespace {

constexpr int kSeconds = 6;

// Second s 0.01 degree further south and west each second, at gauge positions 10, 20, ...
std::string Type2Block(int s)
{
    CBlockFix fix;
    fix.m_nSecond = s;
    fix.m_dLatitude = -33.86 - 0.01 * s;
    fix.m_dLongitude = -70.21 - 0.01 * s;
    fix.m_dKnots = (20.5 + 20.0 * s) / 1.825;
    return Block(ELayout::Type2, fix);
}

// A folder with one clip that holds freeGPS through moov's index, and one that holds nothing.
QString MakeFolder()
{
    const QString folder = TestClips::ScratchDir() + QStringLiteral("/inside");
    QDir().mkpath(folder);
    const QString base = TestClips::Make(TestClips::MovH264WithSound, kSeconds);
    QFile file(base);
    file.open(QIODevice::ReadOnly);
    const std::string clip = file.readAll().toStdString();
    std::vector<std::string> blocks;
    for (int s = 0; s < kSeconds; ++s)
        blocks.push_back(Type2Block(s));
    WriteFile(QFile::encodeName(folder + QStringLiteral("/CLIP0001.MOV")).toStdString(), WithFreeGps(clip, blocks, true));
    TestClips::CopyTo(base, folder + QStringLiteral("/CLIP0002.MOV"));
    return folder;
}

QString RunJs(CPlayerDlg& dlg, const QString& script)
{
    QVariant result;
    bool bDone = false;
    Peer(dlg).m_mapView.GetBrowser()->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        bDone = true;
    });
    WaitFor([&] { return bDone; }, 5000);
    return result.toString();
}

struct CRun
{
    int m_nExit;
    QString m_strOut;
};

CRun RunProgram(const QStringList& args)
{
    QProcess program;
    program.start(DERUZIZ_EXE, args);
    program.waitForFinished(30000);
    return CRun{program.exitCode(), QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())};
}

} // namespace

TEST(ClipGpsProgram, ClipWithGpsInsidePlaysTrackedListsYAndExports)
{
    ASSERT_STREQ(std::localeconv()->decimal_point, ",") << "runs under a decimal-comma locale (LC_ALL=de_DE.UTF-8)";
    const QString folder = MakeFolder();
    const QString clip = folder + QStringLiteral("/CLIP0001.MOV");
    CWiredWindow wired;
    CPlayerDlg& dlg = wired.Dlg();
    ASSERT_TRUE(wired.IsExposed());

    dlg.StartAddFolder(QFile::encodeName(folder).toStdString());
    ASSERT_TRUE(WaitFor([&] { return !dlg.IsScanning() && dlg.GetPlayList().GetCount() == 2; }, 30000));
    EXPECT_TRUE(dlg.GetPlayList().GetAt(0).m_bHasTrack) << "the Log column of the clip with GPS inside";
    EXPECT_FALSE(dlg.GetPlayList().GetAt(1).m_bHasTrack);

    dlg.OpenClip(QFile::encodeName(clip).toStdString());
    EXPECT_EQ(Peer(dlg).m_northText.text(), "S:33.860000");
    EXPECT_EQ(Peer(dlg).m_eastText.text(), "W:70.210000");
    ASSERT_TRUE(WaitFor([&] { return dlg.ClipState().m_bPositionTimer; }, 20000)) << "tracking never started";
    EXPECT_TRUE(Peer(dlg).m_mapView.m_strURL.endsWith(QStringLiteral("/GPS_VIEW.HTML")));
    EXPECT_TRUE(WaitFor([&] { return RunJs(dlg, QStringLiteral("RouteInfo().total")) == QString::number(kSeconds); }, 5000))
        << "the route never reached the page";
    std::vector<int> gauge = {Peer(dlg).m_meter.GetPos()};
    while (dlg.ClipState().m_bPositionTimer && WaitFor([&] { return Peer(dlg).m_meter.GetPos() != gauge.back(); }, 3000))
        gauge.push_back(Peer(dlg).m_meter.GetPos());
    EXPECT_EQ(std::vector<int>(gauge.end() - 3, gauge.end()), (std::vector<int>{40, 50, 60}));
    EXPECT_EQ(Peer(dlg).m_northText.text(), "S:33.910000");
    EXPECT_EQ(RunJs(dlg, QStringLiteral("var p = MovingPointMarker.getLatLng(); p.lat + ',' + p.lng")), "-33.91,-70.26");

    const QString gpx = folder + QStringLiteral("/out.gpx");
    const CRun exported = RunProgram({QStringLiteral("--export-gpx"), clip, gpx});
    EXPECT_EQ(exported.m_nExit, 0) << exported.m_strOut.toStdString();
    QFile written(gpx);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll().count("<trkpt lat=\"-33.9"), 2);

    const CRun info = RunProgram({QStringLiteral("--gps-info"), clip});
    EXPECT_EQ(info.m_nExit, 0);
    for (const char* pszLine : {"track: inside the clip: ", "Novatek freeGPS type 2, 6 blocks", "records: 6, valid: 6",
                                "first fix: record 0 (second 0 of the clip), 2026-12-01 10:15:00 UTC, S:33.860000 W:70.210000"})
        EXPECT_TRUE(info.m_strOut.contains(QLatin1String(pszLine))) << pszLine << "\n" << info.m_strOut.toStdString();
    const CRun none = RunProgram({QStringLiteral("--gps-info"), folder + QStringLiteral("/CLIP0002.MOV")});
    EXPECT_EQ(none.m_nExit, 1);
    EXPECT_TRUE(none.m_strOut.contains(QLatin1String("no GPS track. Looked for: the card's log "))) << none.m_strOut.toStdString();
    EXPECT_TRUE(none.m_strOut.contains(QLatin1String("tracks: vide "))) << none.m_strOut.toStdString();
}
