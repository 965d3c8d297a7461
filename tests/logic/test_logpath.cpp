#include "logic/logpath.h"

#include "framework/core/fileerror.h"
#include "scratchdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs a block with another working directory, for the relative paths of the rule.
class CWorkingDir
{
public:
    explicit CWorkingDir(const std::string& dir) : m_saved(std::filesystem::current_path())
    {
        std::filesystem::current_path(dir);
    }
    ~CWorkingDir()
    {
        std::error_code ec;
        std::filesystem::current_path(m_saved, ec);
    }

private:
    std::filesystem::path m_saved;
};

class LogPathRule : public ::testing::Test
{
protected:
    std::string Clip(const std::string& relative) { return m_dir.Write(relative, "clip"); }
    std::string Under(const std::string& relative) { return m_dir.Path() + "/" + relative; }

    CScratchDir m_dir;
};

} // namespace

TEST_F(LogPathRule, ClimbsTwoFoldersAndKeepsTheExtensionAsGiven)
{
    const std::string clip = Clip("media/CARD/VIDEO/CLIP0042.MOV");
    EXPECT_EQ(GetGpsLogPath(clip, "LOG"), Under("media/GPS/GPS0042.LOG"));
    EXPECT_EQ(GetGpsLogPath(clip, "log"), Under("media/GPS/GPS0042.log"));
    EXPECT_EQ(GetGpsLogPath(clip, "Log"), Under("media/GPS/GPS0042.Log"));
    EXPECT_EQ(GetGpsLogPath(clip, ""), Under("media/GPS/GPS0042."));

    const std::string deep = Clip("media/A/B/C/D/MOVI1234.AVI");
    EXPECT_EQ(GetGpsLogPath(deep, "LOG"), Under("media/A/B/GPS/GPS1234.LOG"));
}

TEST_F(LogPathRule, NeverLooksAtTheLogItself)
{
    const std::string clip = Clip("media/CARD/VIDEO/CLIP0042.MOV");
    ASSERT_FALSE(std::filesystem::exists(Under("media/GPS")));
    EXPECT_EQ(GetGpsLogPath(clip, "LOG"), Under("media/GPS/GPS0042.LOG"));
}

TEST_F(LogPathRule, TakesCharactersFourToSevenByPosition)
{
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/AB_CDEFG.MP4"), "LOG"), Under("m/GPS/GPSDEFG.LOG"));
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/ABCDEF.MOV"), "LOG"), Under("m/GPS/GPSEF.M.LOG"));
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/CLIP.MOV"), "LOG"), Under("m/GPS/GPS.MOV.LOG"));
    // Bytes beyond ASCII are copied as they stand.
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/\xe8\xa7\x86\xe9\xa2\x91\xe4\xb8\x80.mov"), "LOG"),
              Under("m/GPS/GPS\xa2\x91\xe4\xb8.LOG"));
}

TEST_F(LogPathRule, NameShorterThanEightCharactersHasNoLog)
{
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/A.MOV"), "LOG"), "");
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/ABCDEFG"), "LOG"), "");
    EXPECT_EQ(GetGpsLogPath(Clip("m/C/V/ABCDEFGH"), "LOG"), Under("m/GPS/GPSEFGH.LOG"));
    // A folder opens for reading too; its empty name has no log.
    m_dir.MakeDir("m/C/V/FOLDER0001");
    EXPECT_EQ(GetGpsLogPath(Under("m/C/V/"), "LOG"), "");
}

TEST_F(LogPathRule, ClipLessThanTwoFoldersBelowARootHasNoLog)
{
    // A clip directly in /tmp lies one level below the root "".
    std::string name = "/tmp/CLIP-XXXXXX.MOV";
    const int fd = ::mkstemps(name.data(), 4);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(GetGpsLogPath(name, "LOG"), "");
    ::unlink(name.c_str());

    // Relative paths: the first component plays the root.
    Clip("CLIP0042.MOV");
    Clip("VIDEO/CLIP0042.MOV");
    Clip("CARD/VIDEO/CLIP0042.MOV");
    Clip("x/CARD/VIDEO/CLIP0042.MOV");
    CWorkingDir cwd(m_dir.Path());
    EXPECT_EQ(GetGpsLogPath("CLIP0042.MOV", "LOG"), "");
    EXPECT_EQ(GetGpsLogPath("VIDEO/CLIP0042.MOV", "LOG"), "");
    EXPECT_EQ(GetGpsLogPath("CARD/VIDEO/CLIP0042.MOV", "LOG"), "");
    EXPECT_EQ(GetGpsLogPath("x/CARD/VIDEO/CLIP0042.MOV", "LOG"), "x/GPS/GPS0042.LOG");
}

TEST_F(LogPathRule, ClipThatCannotBeOpenedThrowsFileError)
{
    const std::string clip = Clip("m/C/V/CLIP0042.MOV");
    ASSERT_TRUE(std::filesystem::remove(clip));  // deleted after the play list saw it

    try {
        GetGpsLogPath(clip, "LOG");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_EQ(e.m_strFileName, clip);
        EXPECT_NE(e.GetErrorMessage().find(clip), std::string::npos);
    }

    EXPECT_THROW(GetGpsLogPath(Under("nowhere/V/CLIP0042.MOV"), "LOG"), CFileException);
    EXPECT_THROW(GetGpsLogPath(Clip("m/C/V/CLIP0043.MOV") + "/CLIP0044.MOV", "LOG"),
                 CFileException);
    EXPECT_THROW(GetGpsLogPath("", "LOG"), CFileException);
}

TEST_F(LogPathRule, UnreadableClipThrowsAccessDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string clip = Clip("m/C/V/CLIP0042.MOV");
    ASSERT_EQ(::chmod(clip.c_str(), 0), 0);
    try {
        GetGpsLogPath(clip, "LOG");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    }
}

TEST_F(LogPathRule, FifoNamedLikeAClipDoesNotBlock)
{
    m_dir.MakeDir("m/C/V");
    const std::string fifo = Under("m/C/V/CLIP0042.MOV");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(GetGpsLogPath(fifo, "LOG"), Under("m/GPS/GPS0042.LOG"));
}

// ---------------------------------------------------------------------------------------

class LogLookupNoCase : public LogPathRule
{
};

TEST_F(LogLookupNoCase, ExactPathIsKeptEvenWhenOtherSpellingsExist)
{
    const std::string exact = m_dir.Write("m/GPS/GPS0042.LOG", "A");
    m_dir.Write("m/gps/gps0042.log", "A");
    EXPECT_EQ(FindGpsLogNoCase(exact), exact);
    EXPECT_TRUE(GpsLogExists(exact));
}

TEST_F(LogLookupNoCase, FindsFolderAndFileInAnyCase)
{
    const std::string lower = m_dir.Write("m/gps/gps0042.log", "A");
    EXPECT_EQ(FindGpsLogNoCase(Under("m/GPS/GPS0042.LOG")), lower);
    EXPECT_EQ(FindGpsLogNoCase(Under("m/GPS/GPS0042.log")), lower);
    EXPECT_TRUE(GpsLogExists(Under("m/GPS/GPS0042.LOG")));

    const std::string mixed = m_dir.Write("n/Gps/GPS0042.Log", "A");
    EXPECT_EQ(FindGpsLogNoCase(Under("n/GPS/GPS0042.LOG")), mixed);
    EXPECT_EQ(FindGpsLogNoCase(Under("n/gps/gps0042.log")), mixed);
}

TEST_F(LogLookupNoCase, AsTheClipOpenAndThePlayListScanUseIt)
{
    const std::string clip = Clip("card/DCIM/VIDEO/CLIP0042.MOV");
    const std::string log = m_dir.Write("card/gps/Gps0042.Log", "A");
    EXPECT_EQ(FindGpsLogNoCase(GetGpsLogPath(clip, "LOG")), log);
    EXPECT_TRUE(GpsLogExists(GetGpsLogPath(clip, "log")));
    EXPECT_FALSE(GpsLogExists(GetGpsLogPath(Clip("card/DCIM/VIDEO/CLIP0043.MOV"), "log")));
}

TEST_F(LogLookupNoCase, NoMatchGivesTheInputBack)
{
    m_dir.Write("m/gps/gps0043.log", "A");
    const std::string wanted = Under("m/GPS/GPS0042.LOG");
    EXPECT_EQ(FindGpsLogNoCase(wanted), wanted);
    EXPECT_FALSE(GpsLogExists(wanted));

    // Only the folder and the file name are matched loosely; the rest is exact.
    m_dir.Write("M/gps/gps0042.log", "A");
    EXPECT_EQ(FindGpsLogNoCase(Under("m/GPS/GPS0042.LOG")), Under("m/GPS/GPS0042.LOG"));

    // A name matches as a whole, not by prefix.
    m_dir.Write("p/gps/gps0042.log.bak", "A");
    EXPECT_FALSE(GpsLogExists(Under("p/GPS/GPS0042.LOG")));

    EXPECT_EQ(FindGpsLogNoCase(""), "");
    EXPECT_FALSE(GpsLogExists(""));
    EXPECT_FALSE(GpsLogExists(Under("missing/GPS/GPS0042.LOG")));
    EXPECT_EQ(FindGpsLogNoCase("GPS0042.LOG"), "GPS0042.LOG");
}

TEST_F(LogLookupNoCase, SkipsFilesNamedLikeTheFolderAndPicksOneSpellingAlways)
{
    m_dir.Write("m/gps", "not a folder");
    m_dir.Write("m/gPs/gps0042.LOG", "A");
    m_dir.Write("m/gPs/Gps0042.LOG", "A");
    // Byte order: upper case first.
    EXPECT_EQ(FindGpsLogNoCase(Under("m/GPS/GPS0042.LOG")), Under("m/gPs/Gps0042.LOG"));
}

TEST_F(LogLookupNoCase, RelativePaths)
{
    m_dir.Write("gps/gps0042.log", "A");
    CWorkingDir cwd(m_dir.Path());
    EXPECT_EQ(FindGpsLogNoCase("GPS/GPS0042.LOG"), "gps/gps0042.log");
    EXPECT_EQ(FindGpsLogNoCase("./GPS/GPS0042.LOG"), "./gps/gps0042.log");
}
