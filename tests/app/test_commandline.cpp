// The command line against the real program: deruziz [--help] [--version] [PATH...].
#include "playerprocess.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

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

} // namespace
