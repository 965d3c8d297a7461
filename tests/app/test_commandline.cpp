// The command line against the real program: deruziz [--help] [--version] [PATH...] and
// deruziz --export-gpx CLIP OUT.gpx.
#include "playerprocess.h"

#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace PlayerProcess;

namespace {

struct OpenCase
{
    const char* pszName;
    // %CARD% stands for the card's folder.
    QStringList args;
    // Lines the program writes once it has done what was asked, in any order.
    QStringList expected;
    QStringList unexpected;
};

void PrintTo(const OpenCase& test, std::ostream* pOut)
{
    *pOut << test.pszName;
}

class CommandLineOpens : public ::testing::TestWithParam<OpenCase>
{
};

TEST_P(CommandLineOpens, AsTheUserWould)
{
    const OpenCase& test = GetParam();
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString card = root.path() + "/card";
    ASSERT_EQ(MakeCard(card, 2).size(), 2);
    ASSERT_TRUE(MakeFolder(root.path() + "/runtime"));
    const auto expand = [&](QStringList lines) {
        return lines.replaceInStrings("%CARD%", card);
    };

    // Relative paths are the working folder's.
    CPlayer player(Environment(root.path() + "/runtime"), expand(test.args), card);
    ASSERT_TRUE(player.WaitForTrace("main window shown")) << player.Err().toStdString();
    for (const QString& line : expand(test.expected))
        EXPECT_TRUE(player.WaitForTrace(line)) << "no \"" << line.toStdString() << "\" in:\n" << player.Err().toStdString();
    for (const QString& line : expand(test.unexpected))
        EXPECT_FALSE(player.Err().contains(line)) << line.toStdString();
    EXPECT_EQ(player.m_process.state(), QProcess::Running);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CommandLineOpens,
    ::testing::Values(
        OpenCase{"Clip",
                 {"DCIM/100MEDIA/CLIP0002.MOV"},
                 {"clip opened: %CARD%/DCIM/100MEDIA/CLIP0002.MOV (GPS track: yes)",
                  "playing: %CARD%/DCIM/100MEDIA/CLIP0002.MOV"},
                 {"play list:"}},
        OpenCase{"Folder",
                 {"%CARD%/DCIM"},
                 {"play list: 2 clips, row 0 of the left list selected"},
                 {"clip opened:"}},
        OpenCase{"FolderAndClip",
                 {"%CARD%/DCIM", "%CARD%/DCIM/100MEDIA/CLIP0001.MOV"},
                 {"play list: 2 clips, row 0 of the left list selected",
                  "clip opened: %CARD%/DCIM/100MEDIA/CLIP0001.MOV (GPS track: yes)",
                  "playing: %CARD%/DCIM/100MEDIA/CLIP0001.MOV"},
                 {}},
        OpenCase{"MissingPathAmongClips",
                 {"DCIM/100MEDIA/CLIP0001.MOV", "DCIM/100MEDIA/CLIP0009.MOV", "DCIM/100MEDIA/CLIP0002.MOV"},
                 {"deruziz: DCIM/100MEDIA/CLIP0009.MOV: no such file or folder",
                  "clip opened: %CARD%/DCIM/100MEDIA/CLIP0002.MOV (GPS track: yes)",
                  "playing: %CARD%/DCIM/100MEDIA/CLIP0002.MOV"},
                 {"CLIP0001.MOV"}}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.pszName); });

struct EndCase
{
    const char* pszName;
    QStringList args;
    int nExitCode;
    const char* pszOut;
    const char* pszErr;
};

void PrintTo(const EndCase& test, std::ostream* pOut)
{
    *pOut << test.pszName;
}

class CommandLineEnds : public ::testing::TestWithParam<EndCase>
{
};

TEST_P(CommandLineEnds, AtOnceWithoutAWindow)
{
    const EndCase& test = GetParam();
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    CPlayer player(Environment(runtime.path()), test.args);
    ASSERT_TRUE(player.WaitForExit());
    EXPECT_EQ(player.m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.m_process.exitCode(), test.nExitCode);
    EXPECT_TRUE(player.Out().contains(QRegularExpression(test.pszOut))) << player.Out().toStdString();
    EXPECT_TRUE(player.Err().contains(QRegularExpression(test.pszErr))) << player.Err().toStdString();
    EXPECT_FALSE(player.Err().contains("environment prepared")) << "it went on to start";
}

INSTANTIATE_TEST_SUITE_P(
    Options, CommandLineEnds,
    ::testing::Values(
        EndCase{"Help", {"--help"}, 0, R"(^Usage: deruziz \[options\] \[PATH\.\.\.\]\n(.|\n)*--version(.|\n)*PATH)", "^"},
        EndCase{"Version", {"--version"}, 0, R"(^deruziz \d+\.\d+(\.\d+)*\n$)", "^"},
        EndCase{"UnknownOption", {"--shuffle"}, 1, "^$", "deruziz: Unknown option 'shuffle'"}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.pszName); });

TEST(CommandLine, PlaysAClipWhoseNameIsNotUtf8)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString card = root.path() + "/card";
    ASSERT_EQ(MakeCard(card, 2).size(), 2);
    ASSERT_TRUE(MakeFolder(root.path() + "/runtime"));
    const QByteArray clip = QFile::encodeName(card) + "/DCIM/100MEDIA/CLIP0002";
    ASSERT_EQ(::rename(clip + ".MOV", clip + "\xff.MOV"), 0);

    CPlayer player(Environment(root.path() + "/runtime"), {"--version"}, card);
    ASSERT_TRUE(player.WaitForExit());
    // QProcess hands arguments over as UTF-8; the shell's printf gives the program the bytes.
    player.m_process.start("/bin/sh", {"-c", R"sh(exec "$0" "$(printf "$1")")sh", player.m_process.program(),
                                       R"(DCIM/100MEDIA/CLIP0002\377.MOV)"});
    const QString shown = card + "/DCIM/100MEDIA/CLIP0002\uFFFD.MOV";
    ASSERT_TRUE(player.WaitForTrace("clip opened: " + shown + " (GPS track: yes)")) << player.Err().toStdString();
    EXPECT_TRUE(player.WaitForTrace("playing: " + shown)) << player.Err().toStdString();
}

// What is in the card: each name with its kind and, for a file, its bytes.
QMap<QString, QByteArray> CardContents(const QString& card)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(card, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QFile file(info.filePath());
        contents[info.filePath()] = info.isSymLink() ? "link to " + QFile::encodeName(info.symLinkTarget())
                                  : !info.isFile() || !file.open(QIODevice::ReadOnly) ? "no file"
                                                                                      : file.readAll();
    }
    return contents;
}

TEST(ExportGpx, LeavesTheClipItsLogsAndAllButRegularFilesAlone)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString card = root.path() + "/card";
    ASSERT_EQ(MakeCard(card, 1).size(), 1);
    const QByteArray bytes = QFile::encodeName(card);
    const QString clip = "DCIM/100MEDIA/CLIP0001.MOV";
    ASSERT_TRUE(QFile::link(clip, card + "/l.gpx"));
    ASSERT_EQ(::link(bytes + "/" + clip.toUtf8(), bytes + "/h.gpx"), 0);
    ASSERT_EQ(::mkfifo(bytes + "/f.gpx", 0600), 0);
    QFile gpx(card + "/DCIM/100MEDIA/CLIP0001.gpx");
    ASSERT_TRUE(gpx.open(QIODevice::WriteOnly) && gpx.write("<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>"));
    gpx.close();
    // A null device of the card's own where this user may make one; /dev/null only where it cannot be replaced.
    const bool bNode = ::mknod(bytes + "/n.gpx", S_IFCHR | 0600, makedev(1, 3)) == 0;
    const QString device = bNode ? "n.gpx" : ::geteuid() != 0 ? "/dev/null" : "DCIM";
    const QMap<QString, QByteArray> before = CardContents(card);
    // The clip as the user in the card's folder names it; stderr without the diagnostics.
    QProcessEnvironment env = Environment(QString());
    env.remove("QT_LOGGING_RULES");

    const char* const kIsClip = "that is the clip itself; nothing is written over it";
    const char* const kIsLog = "that is a GPS log of the clip; nothing is written over it";
    const char* const kNoFile = "not a regular file; nothing is written to it";
    const std::pair<QString, const char*> refusals[] = {
        {clip, kIsClip}, {"l.gpx", kIsClip}, {"h.gpx", kIsClip}, {"GPS/GPS0001.LOG", kIsLog},
        {"DCIM/100MEDIA/CLIP0001.gpx", kIsLog}, {device, kNoFile}, {"f.gpx", kNoFile}, {"DCIM", kNoFile}};
    for (const auto& [target, refusal] : refusals) {
        SCOPED_TRACE(target.toStdString());
        CPlayer player(env, {"--export-gpx", clip, target}, card);
        ASSERT_TRUE(player.WaitForExit());
        EXPECT_EQ(player.m_process.exitCode(), 1);
        EXPECT_EQ(player.Err(), "deruziz: " + target + ": " + refusal + "\n");
        EXPECT_EQ(CardContents(card), before);
    }
    CPlayer player(env, {"--export-gpx", clip, "o.gpx"}, card);
    ASSERT_TRUE(player.WaitForExit());
    EXPECT_EQ(player.m_process.exitCode(), 0) << player.Err().toStdString();
    QFile out(card + "/o.gpx");
    EXPECT_TRUE(out.open(QIODevice::ReadOnly) && out.readAll().contains("<trkpt lat=\"47.")) << "not the card's log";
}

} // namespace
