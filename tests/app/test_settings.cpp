// The user's settings file: what the reader takes from whatever sits at its path and from the
// lines of an INI text, then the real program with it.
#include "desktop/settingsreader.h"
#include "playerprocess.h"
#include "waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <fstream>
#include <future>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace PlayerProcess;

namespace {

using EFileState = CSettingsReader::EFileState;
using TileMap = QMap<QString, QString>;

void WriteFile(const QString& strPath, const QByteArray& text)
{
    QFile file(strPath);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
}

enum class EAtPath { RegularFile, Nothing, Fifo, Folder, UnreadableFile, PathThroughAFile, FailingRead };

// Puts the thing at <dir>/deruziz.conf; returns the path to read.
QString MakeAt(EAtPath at, const QString& strDir)
{
    const QString strPath = strDir + "/deruziz.conf";
    switch (at) {
    case EAtPath::RegularFile: WriteFile(strPath, "[tiles]\nstreet=https://a.example/{z}/{x}/{y}\n"); break;
    case EAtPath::Nothing: break;
    case EAtPath::Fifo: ::mkfifo(QFile::encodeName(strPath).constData(), 0600); break;
    case EAtPath::Folder: QDir().mkpath(strPath); break;
    case EAtPath::UnreadableFile:
        WriteFile(strPath, "[tiles]\n");
        ::chmod(QFile::encodeName(strPath).constData(), 0);
        break;
    case EAtPath::PathThroughAFile: WriteFile(strPath, ""); return strPath + "/deruziz.conf";
    case EAtPath::FailingRead: return QStringLiteral("/proc/self/mem");
    }
    return strPath;
}

// Reads on a thread of its own, so that a read that blocks fails the test: after 10 s a writer
// comes and goes, which releases an open waiting on a FIFO. As an ordinary user if asked, for
// root reads anything (the file-system user is the thread's own).
bool ReadWithoutBlocking(CSettingsReader& reader, const QString& strPath, bool bAsOrdinaryUser)
{
    auto done = std::async(std::launch::async, [&] {
        const int nOldUser = bAsOrdinaryUser && ::geteuid() == 0 ? ::setfsuid(65534) : -1;
        reader.Read(strPath);
        if (nOldUser >= 0)
            ::setfsuid(nOldUser);
    });
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready)
        return true;
    ::close(::open(QFile::encodeName(strPath).constData(), O_WRONLY | O_NONBLOCK));
    done.wait();
    return false;
}

TEST(SettingsPath, OnlyARegularFileIsReadAndNothingBlocks)
{
    const char* const pszNotRegular = "not a regular file; the settings are the defaults";
    const struct
    {
        EAtPath at;
        EFileState state;
        // How the one line about the file goes on after "<path>: "; null: no line.
        const char* pszProblem;
    } rows[] = {{EAtPath::RegularFile, EFileState::Read, nullptr},
                {EAtPath::Nothing, EFileState::Missing, nullptr},
                {EAtPath::Fifo, EFileState::Refused, pszNotRegular},
                {EAtPath::Folder, EFileState::Refused, pszNotRegular},
                {EAtPath::UnreadableFile, EFileState::Refused, "cannot be read ("},
                {EAtPath::PathThroughAFile, EFileState::Refused, "cannot be read ("},
                {EAtPath::FailingRead, EFileState::Refused, "cannot be read ("}};
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.at));
        QTemporaryDir dir;
        const QString strPath = MakeAt(row.at, dir.path());
        CSettingsReader reader;
        ASSERT_TRUE(ReadWithoutBlocking(reader, strPath, row.at == EAtPath::UnreadableFile)) << "the read blocked";
        EXPECT_EQ(reader.FileState(), row.state);
        EXPECT_EQ(reader.MayReplaceFile(), row.state != EFileState::Refused);
        EXPECT_EQ(reader.Problems().size(), row.pszProblem ? 1 : 0) << reader.Problems().join('\n').toStdString();
        if (row.pszProblem && !reader.Problems().isEmpty()) {
            EXPECT_TRUE(reader.Problems().first().startsWith(strPath + ": " + row.pszProblem))
                << reader.Problems().first().toStdString();
        }
        EXPECT_EQ(reader.Settings().m_mapTileServers.size(), row.state == EFileState::Read ? 1 : 0);
    }
}

TEST(SettingsText, GivesTheSettingsAndNamesTheLinesItCannotTake)
{
    const struct
    {
        const char* pszText;
        TileMap tiles;
        // As "f:<line>: ...", the text being named f.
        QStringList problems;
    } rows[] = {
        {"\xEF\xBB\xBF; a comment\r\n# another\r\n\r\n  [ tiles ]  \r\n street = https://a.example/{z}/{x}/{y}.png \r\n"
         "imagery=\"https://b.example/{z}/{y}/{x}\"",
         {{"street", "https://a.example/{z}/{x}/{y}.png"}, {"imagery", "https://b.example/{z}/{y}/{x}"}},
         {}},
        {"[tiles]\nstreet https://a.example/{z}/{x}/{y}\n=https://a.example/{z}/{x}/{y}\n"
         "roads=https://r.example/{z}/{x}/{y}\n[tiles\nstreet=https://a.example/{z}/{x}/{y}\n[]\n",
         {{"roads", "https://r.example/{z}/{x}/{y}"}},
         {"f:2: not a setting: street https://a.example/{z}/{x}/{y}",
          "f:3: not a setting: =https://a.example/{z}/{x}/{y}",
          "f:5: not a section: [tiles", "f:7: not a section: []"}},
        {"street=https://a.example/{z}/{x}/{y}\n[Tiles]\nstreet=https://a.example/{z}/{x}/{y}\n[tiles]\n"
         "satellite=https://s.example/{z}/{x}/{y}\nlabels=https://l.example/{z}/{x}/{y}\nlabels=\n",
         {},
         {}},
        {"[tiles]\nstreet=ftp://a.example/{z}/{x}/{y}\nlabels=https://l.example/{z}/{x}\nroads=\n",
         {},
         {"f:2: not a tile address for street: ftp://a.example/{z}/{x}/{y}",
          "f:3: not a tile address for labels: https://l.example/{z}/{x}"}},
        {"[tiles]\nstreet=https://{s}.a.example/{z}/{x}/{y}.png\nimagery=https://b.example/{z}/{y}/{x}?k={foo}\n"
         "labels=https://l.example/{z}/{-y}/{x}\nroads=https://r.example/{z}/{x}/{y}}\n",
         {{"street", "https://{s}.a.example/{z}/{x}/{y}.png"}},
         {"f:3: not a tile address for imagery: https://b.example/{z}/{y}/{x}?k={foo}",
          "f:4: not a tile address for labels: https://l.example/{z}/{-y}/{x}",
          "f:5: not a tile address for roads: https://r.example/{z}/{x}/{y}}"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pszText);
        QStringList problems;
        EXPECT_EQ(CSettingsReader::Parse(row.pszText, "f", problems).m_mapTileServers, row.tiles);
        EXPECT_EQ(problems, row.problems);
    }
}

TEST(SettingsText, VideoOutputIsOneOfLibVlcsOrAuto)
{
    const struct
    {
        const char* pszValue;
        const char* pszOutput;
        bool bProblem;
    } rows[] = {{"auto", "", false}, {"gl", "gl", false}, {"xcb_x11", "xcb_x11", false}, {"xcb_xv", "xcb_xv", false},
                {"", "", false},     {"x11", "", true},   {"XCB_X11", "", true},         {"gl --fullscreen", "", true}};
    for (const auto& row : rows) {
        QStringList problems;
        // A wrong value after a right one means auto, too.
        const QByteArray text = QByteArray("[video]\noutput=xcb_xv\noutput=") + row.pszValue + "\n";
        EXPECT_EQ(CSettingsReader::Parse(text, "f", problems).m_strVideoOutput, row.pszOutput) << row.pszValue;
        EXPECT_EQ(problems.size(), row.bProblem ? 1 : 0) << row.pszValue;
    }
}

TEST(SettingsText, ContinuousIsABooleanElseFalse)
{
    const struct
    {
        const char* pszValue;
        bool bContinuous;
        bool bProblem;
    } rows[] = {{"true", true, false}, {"True", true, false}, {"1", true, false},   {"on", true, false},
                {"false", false, false}, {"no", false, false}, {"maybe", false, true}, {"", false, true}};
    for (const auto& row : rows) {
        QStringList problems;
        const QByteArray text = QByteArray("[playback]\ncontinuous=true\ncontinuous=") + row.pszValue + "\n";
        EXPECT_EQ(CSettingsReader::Parse(text, "f", problems).m_bContinuous, row.bContinuous) << row.pszValue;
        EXPECT_EQ(problems.size(), row.bProblem ? 1 : 0) << row.pszValue;
    }
}

TEST(SettingsWrite, OneKeyChangesAndEveryOtherLineStays)
{
    const struct
    {
        const char* pszBefore;
        const char* pszAfter;
    } rows[] = {
        {"", "[playback]\ncontinuous=true\n"},
        {"; mine\n[tiles]\nstreet=https://t/{z}/{x}/{y}\n",
         "; mine\n[tiles]\nstreet=https://t/{z}/{x}/{y}\n\n[playback]\ncontinuous=true\n"},
        {"[playback]\n# why\ncontinuous = false\nother=1\n", "[playback]\n# why\ncontinuous=true\nother=1\n"},
        {"[playback]\nother=1\n\n[video]\noutput=gl", "[playback]\nother=1\ncontinuous=true\n\n[video]\noutput=gl\n"},
        {"[video]\ncontinuous=false\n", "[video]\ncontinuous=false\n\n[playback]\ncontinuous=true\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CSettingsReader::WithValue(row.pszBefore, "playback", "continuous", "true"), QByteArray(row.pszAfter))
            << row.pszBefore;

    // Written whole through a temporary file; a file that could not be read at start stays.
    QTemporaryDir dir;
    const QString strPath = dir.path() + "/deruziz/deruziz.conf";
    CSettingsReader reader;
    reader.Read(strPath);
    QString strWhy;
    ASSERT_TRUE(reader.WriteValue(strPath, "playback", "continuous", "true", strWhy)) << strWhy.toStdString();
    reader.Read(strPath);
    EXPECT_TRUE(reader.Settings().m_bContinuous);
    EXPECT_EQ(QDir(dir.path() + "/deruziz").entryList(QDir::Files), QStringList{"deruziz.conf"});

    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path() + "/fifo").constData(), 0600), 0);
    reader.Read(dir.path() + "/fifo");
    EXPECT_FALSE(reader.WriteValue(dir.path() + "/fifo", "playback", "continuous", "true", strWhy));
    EXPECT_FALSE(strWhy.isEmpty());
}

// The libVLC video output plug-ins a process has loaded.
QString VideoOutputsOf(qint64 nPid)
{
    std::ifstream maps("/proc/" + std::to_string(nPid) + "/maps");
    QStringList outputs;
    for (std::string strLine; std::getline(maps, strLine);) {
        if (strLine.find("/video_output/") != std::string::npos)
            outputs << QString::fromStdString(strLine.substr(strLine.rfind('/') + 1));
    }
    outputs.removeDuplicates();
    return outputs.join(' ');
}

// The program with a settings folder of the test's own.
class SettingsRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeFolder(m_root.path() + "/runtime") && MakeFolder(m_root.path() + "/config/deruziz"));
        m_env = Environment(m_root.path() + "/runtime");
        m_env.insert("XDG_CONFIG_HOME", m_root.path() + "/config");
    }

    QTemporaryDir m_root;
    const QString m_strSettings = m_root.path() + "/config/deruziz/deruziz.conf";
    QProcessEnvironment m_env;
};

TEST_F(SettingsRun, FifoAtThePathStartsWithOneLine)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_strSettings).constData(), 0600), 0);
    CPlayer player(m_env);
    ASSERT_TRUE(player.WaitForTrace("main window shown")) << player.Err().toStdString();
    EXPECT_EQ(player.Err().count(m_strSettings), 1) << player.Err().toStdString();
    EXPECT_FALSE(player.Err().contains("Warning: option")) << "libVLC warned of a start argument";
    const QString strLine = "deruziz: " + m_strSettings + ": not a regular file; the settings are the defaults\n";
    EXPECT_TRUE(player.Err().contains(strLine)) << player.Err().toStdString();
}

TEST_F(SettingsRun, TileServersReachTheLiveMapAndTheVideoOutputTheEngine)
{
    QTcpServer server;
    int nAsked = 0;
    QObject::connect(&server, &QTcpServer::newConnection, [&] { ++nAsked; });
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QString strTiles = QStringLiteral("http://127.0.0.1:%1/{z}/{y}/{x}").arg(server.serverPort());
    WriteFile(m_strSettings, ("[tiles]\nimagery=" + strTiles + "\n[video]\noutput=xcb_x11\n").toUtf8());
    const QString clip = MakeCard(m_root.path() + "/card", 1).first();
    CPlayer player(m_env, {clip});
    ASSERT_TRUE(player.WaitForTrace("playing: " + clip)) << player.Err().toStdString();
    EXPECT_TRUE(WaitFor([&] { return nAsked > 0; }, 20000)) << "no tile asked for";
    // Left to itself, libVLC takes its OpenGL output here.
    ASSERT_TRUE(WaitFor([&] { return VideoOutputsOf(player.Pid()).contains("libxcb_x11_plugin.so"); }, 20000))
        << VideoOutputsOf(player.Pid()).toStdString();
    EXPECT_FALSE(VideoOutputsOf(player.Pid()).contains("libgl_plugin.so"))
        << VideoOutputsOf(player.Pid()).toStdString();
}

} // namespace
