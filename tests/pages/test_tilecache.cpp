// The live map's tiles: the addresses come from the user's settings file, what was fetched
// once is kept on disk for the next run, and tiles that cannot be had are said so on the map.
// A tile server on 127.0.0.1 counts what it is asked; each run of the map is a process of its own.
#include <gtest/gtest.h>

#include "desktop/settingsreader.h"
#include "framework/controlid.h"
#include "map/googlemapview.h"
#include "map/mywebbrowser/impidispatch.h"
#include "map/mywebbrowser/mappagehost.h"
#include "resource.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <set>

namespace {

const char kChildVariable[] = "DERUZIZ_TILE_RUN";

// Answers every GET with a tile that may be kept for a day, and remembers the paths asked for.
class CTileServer : public QTcpServer
{
public:
    CTileServer()
    {
        QImage tile(256, 256, QImage::Format_RGB32);
        tile.fill(QColor(120, 160, 120));
        QBuffer buffer(&m_png);
        buffer.open(QIODevice::WriteOnly);
        tile.save(&buffer, "PNG");
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* pSocket = nextPendingConnection()) {
                connect(pSocket, &QTcpSocket::readyRead, pSocket, [this, pSocket] { Answer(pSocket); });
                connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
            }
        });
    }

    std::multiset<QString> m_paths;

private:
    void Answer(QTcpSocket* pSocket)
    {
        if (!pSocket->canReadLine())
            return;
        const QList<QByteArray> request = pSocket->readLine().split(' ');
        pSocket->readAll();
        if (request.size() < 2)
            return;
        m_paths.insert(QString::fromLatin1(request[1]));
        pSocket->write("HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nCache-Control: public, max-age=86400\r\n"
                       "Content-Length: " + QByteArray::number(m_png.size()) + "\r\nConnection: close\r\n\r\n");
        pSocket->write(m_png);
        pSocket->disconnectFromHost();
    }

    QByteArray m_png;
};

// The main window's part for the live map: a placeholder for the view and the start point.
class CMapHost : public QWidget, public IMapPageHost
{
public:
    explicit CMapHost(CImpIDispatch* pExternal)
    {
        CSettingsReader settings;
        settings.Read(CSettingsReader::DefaultPath());
        m_mapView.SetNotifyTarget(this);
        m_mapView.SetExternal(pExternal);
        m_mapView.SetTileServers(settings.Settings().m_mapTileServers);
        setFixedSize(960, 600);
        auto* pPlaceholder = new QWidget(this);
        SetDlgCtrlID(pPlaceholder, IDC_MAP);
        pPlaceholder->setGeometry(646, 50, 304, 316);
    }
    void ShowScriptTestMessage() override {}
    void SendStartPoint() override
    {
        m_mapView.CallPageFunction(QStringLiteral("SetStartupCenterPoint"), QStringLiteral("47.332895"),
                                   QStringLiteral("7.821065"));
    }
    void OnGpsPageInitialized() override { m_bReady = true; }

    CGoogleMapView m_mapView;
    bool m_bReady = false;
};

QString TileNoteShown(QWebEnginePage* pPage)
{
    QVariant result;
    pPage->runJavaScript(QStringLiteral("document.getElementById('tile_note').style.display"),
                         [&](const QVariant& value) { result = value; });
    if (!QTest::qWaitFor([&] { return result.isValid(); }, 5000))
        return QStringLiteral("no answer");
    return result.toString();
}

// One run of the map in a process of its own, with the configuration and cache of the parent.
QString RunMapOnce(const QString& strConfigHome, const QString& strCacheHome)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), strConfigHome);
    env.insert(QStringLiteral("XDG_CACHE_HOME"), strCacheHome);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=TileRun.*")});
    if (!QTest::qWaitFor([&] { return child.state() == QProcess::NotRunning; }, 60000))
        child.kill();
    const QString strOut = QString::fromUtf8(child.readAllStandardOutput());
    const qsizetype nAt = strOut.indexOf(QLatin1String("note="));
    return nAt < 0 ? strOut : strOut.mid(nAt + 5).section(QLatin1Char('\n'), 0, 0);
}

void WriteConfig(const QString& strConfigHome, const QString& strBase)
{
    QDir().mkpath(strConfigHome + QStringLiteral("/deruziz"));
    QFile config(strConfigHome + QStringLiteral("/deruziz/deruziz.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
    config.write("[tiles]\n");
    for (const char* pszLayer : {"street", "imagery", "labels", "roads"})
        config.write(QStringLiteral("%1=%2/%1/{z}/{x}/{y}.png\n").arg(QLatin1String(pszLayer), strBase).toUtf8());
}

} // namespace

// The child's part: shows the live map until its tiles have settled and says whether the
// "tiles unavailable" note shows.
TEST(TileRun, ShowTheLiveMap)
{
    if (!qEnvironmentVariableIsSet(kChildVariable))
        GTEST_SKIP() << "run by TileCache as a process of its own";
    CImpIDispatch external;
    CMapHost host(&external);
    external.SetHost(&host);
    host.show();
    ASSERT_TRUE(host.m_mapView.CreateFromStatic(IDC_MAP, &host));
    host.m_mapView.NavigateResource(QStringLiteral("GPS_VIEW.HTML"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return host.m_bReady; }, 30000));
    QTest::qWait(4000);
    std::printf("note=%s\n", qPrintable(TileNoteShown(host.m_mapView.GetHtmlDocument())));
    std::fflush(stdout);
    external.SetHost(nullptr);
}

TEST(TileCache, SecondRunAsksTheServerForNoTileTheFirstFetched)
{
    if (qEnvironmentVariableIsSet(kChildVariable))
        GTEST_SKIP();
    QTemporaryDir config, cache;
    CTileServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QString strBase = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    WriteConfig(config.path(), strBase);

    EXPECT_EQ(RunMapOnce(config.path(), cache.path()), "none");
    const std::multiset<QString> first = server.m_paths;
    ASSERT_FALSE(first.empty()) << "the map asked the configured server for nothing";
    for (const QString& strPath : first)
        EXPECT_TRUE(strPath.startsWith(QLatin1String("/street/")) || strPath.startsWith(QLatin1String("/imagery/")) ||
                    strPath.startsWith(QLatin1String("/labels/")) || strPath.startsWith(QLatin1String("/roads/")))
            << strPath.toStdString();

    server.m_paths.clear();
    EXPECT_EQ(RunMapOnce(config.path(), cache.path()), "none");
    for (const QString& strPath : server.m_paths)
        EXPECT_EQ(first.count(strPath), 0u) << "asked again for " << strPath.toStdString();

    // A server that does not answer: the map says so and still comes up.
    server.close();
    WriteConfig(config.path(), QStringLiteral("http://127.0.0.1:%1/gone").arg(server.serverPort()));
    EXPECT_EQ(RunMapOnce(config.path(), cache.path()), "block");
}
