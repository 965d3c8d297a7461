// One running copy: the refusal, the hand-over of paths to the running copy, the lock in the
// environments users' machines start it in, and the start without a display.
#include "app/player_app.h"
#include "boxcatcher.h"
#include "playerprocess.h"
#include "waitfor.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <unistd.h>

using namespace PlayerProcess;

namespace {

const QString kRefused = QStringLiteral("refused: The Program alreay running!!");
const QString kShown = QStringLiteral("main window shown");

TEST(AppRefusal, ShowsTheTextWithTheApplicationTitle)
{
    CBoxCatcher box;
    CPlayerApp::ShowAlreadyRunning();
    EXPECT_EQ(box.m_strText, "The Program alreay running!!");
    EXPECT_EQ(box.m_strCaption, "Deruziz");
    EXPECT_EQ(box.m_buttons, QMessageBox::Ok);
    EXPECT_EQ(box.m_icon, QMessageBox::NoIcon);
}

TEST(SingleInstance, SecondCopyWithoutPathsRefusesAndEndsWhileTheFirstRunsOn)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    CPrivateBus bus;
    const QProcessEnvironment env = Environment(runtime.path(), bus.Address());

    CPlayer first(env);
    ASSERT_TRUE(first.WaitForTrace(kShown)) << first.Err().toStdString();
    ASSERT_TRUE(WaitFor([&] { return MainWindowsOf(first.Pid()).size() == 1; }, 5000)) << "the first copy shows one main window";

    {
        CPlayer second(env);
        ASSERT_TRUE(second.WaitForTrace(kRefused)) << second.Err().toStdString();
        QStringList boxes;
        ASSERT_TRUE(WaitFor([&] { return !(boxes = WindowsOf(second.Pid())).isEmpty(); }, 5000)) << "the second copy shows no refusal box";
        EXPECT_TRUE(MainWindowsOf(second.Pid()).isEmpty()) << "the refused copy opened a main window";
        PressKeyIn(boxes.first(), "Return");
        ASSERT_TRUE(second.WaitForExit(10000));
        EXPECT_EQ(second.m_process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.m_process.exitCode(), 1) << "a script would take the refusal for a run";
        EXPECT_FALSE(second.Err().contains(kShown));
    }

    EXPECT_EQ(first.m_process.state(), QProcess::Running);
    const QStringList mains = MainWindowsOf(first.Pid());
    ASSERT_EQ(mains.size(), 1);
    PressKeyIn(mains.first(), "Escape");
    ASSERT_TRUE(first.WaitForExit(15000));
    EXPECT_EQ(first.m_process.exitCode(), 0) << first.Err().right(4000).toStdString();

    // With the first copy gone, a new start opens its window.
    CPlayer third(env);
    EXPECT_TRUE(third.WaitForTrace(kShown)) << third.Err().toStdString();
    EXPECT_FALSE(third.Err().contains(kRefused));
}

// The running copy may still be starting when the second arrives, or long since running.
class HandOver : public ::testing::TestWithParam<bool>
{
};

TEST_P(HandOver, TheRunningCopyOpensTheClipAndTheSecondEndsWithoutABox)
{
    const bool bFirstStarted = GetParam();
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString card = root.path() + "/card";
    const QStringList clips = MakeCard(card, 1);
    ASSERT_TRUE(MakeFolder(root.path() + "/runtime"));
    CPrivateBus bus;
    const QProcessEnvironment env = Environment(root.path() + "/runtime", bus.Address());

    CPlayer first(env);
    // Past its lock and its name, but not necessarily showing anything yet.
    ASSERT_TRUE(first.WaitForTrace(bFirstStarted ? kShown : QStringLiteral("environment prepared")))
        << first.Err().toStdString();
    CPlayer second(env, {"DCIM/100MEDIA/CLIP0001.MOV"}, card);
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.m_process.exitCode(), 0) << second.Err().toStdString();
    EXPECT_TRUE(second.Err().contains("handed over to the running copy")) << second.Err().toStdString();
    EXPECT_FALSE(second.Err().contains(kRefused));
    EXPECT_FALSE(second.Err().contains("environment prepared")) << "the handing copy started the engine";

    EXPECT_TRUE(first.WaitForTrace("clip opened: " + clips.first() + " (GPS track: yes)")) << first.Err().toStdString();
    EXPECT_TRUE(first.WaitForTrace("playing: " + clips.first())) << first.Err().toStdString();
    EXPECT_EQ(MainWindowsOf(first.Pid()).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(Timing, HandOver, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "ToARunningCopy" : "ToACopyStillStarting");
                         });

// Two copies at once: exactly one window, whoever wins.
class StartedTogether : public ::testing::TestWithParam<bool>
{
};

TEST_P(StartedTogether, GiveOneWindow)
{
    // On one bus, copies with runtime folders of their own meet only at the program's name.
    const bool bOneBusTwoRuntimes = GetParam();
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(MakeFolder(root.path() + "/a") && MakeFolder(root.path() + "/b"));
    std::unique_ptr<CPrivateBus> pBus;
    if (bOneBusTwoRuntimes)
        pBus = std::make_unique<CPrivateBus>();
    const QString strBus = pBus ? pBus->Address() : QString();

    CPlayer first(Environment(root.path() + "/a", strBus));
    CPlayer second(Environment(root.path() + (bOneBusTwoRuntimes ? "/b" : "/a"), strBus));
    ASSERT_TRUE(WaitFor([&] { return first.Err().contains(kRefused) || second.Err().contains(kRefused); }, kStartTimeoutMs)) << "neither copy refused the other";
    CPlayer& runner = first.Err().contains(kRefused) ? second : first;
    ASSERT_TRUE(runner.WaitForTrace(kShown)) << runner.Err().toStdString();
    ASSERT_TRUE(WaitFor([&] { return MainWindowsOf(runner.Pid()).size() == 1; }, 5000)) << "the copy that runs shows one main window";
    EXPECT_EQ(CountMainWindows({&first, &second}), 1);
}

INSTANTIATE_TEST_SUITE_P(Copies, StartedTogether, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "OneBusTwoRuntimeFolders" : "OneRuntimeFolder");
                         });

// The places of the lock as users' machines offer them.
struct LockCase
{
    const char* pszName;
    // Makes the sandbox's folders; returns the runtime folder to give (null: none).
    std::function<QString(const QString& root)> prepare;
    // Runs once the first copy shows its window.
    std::function<void(const QString& root)> between;
    // Working folders of the two copies, under the sandbox.
    const char* pszFirstDir;
    const char* pszSecondDir;
    bool bBus;
    // What the first copy says about the lock (%ROOT% the sandbox); empty: nothing.
    const char* pszLine;
};

void PrintTo(const LockCase& test, std::ostream* pOut)
{
    *pOut << test.pszName;
}

class LockPlaces : public ::testing::TestWithParam<LockCase>
{
};

TEST_P(LockPlaces, TwoCopiesGiveOneWindow)
{
    const LockCase& test = GetParam();
    QTemporaryDir sandbox;
    ASSERT_TRUE(sandbox.isValid());
    const QString root = sandbox.path();
    ASSERT_TRUE(MakeFolder(root + "/tmp") && MakeFolder(root + "/home") && MakeFolder(root + "/a") &&
                MakeFolder(root + "/b"));
    std::unique_ptr<CPrivateBus> pBus;
    if (test.bBus)
        pBus = std::make_unique<CPrivateBus>();
    QProcessEnvironment env = Environment(test.prepare(root), pBus ? pBus->Address() : QString());
    env.insert("TMPDIR", root + "/tmp");
    env.insert("HOME", root + "/home");

    CPlayer first(env, {}, root + "/" + test.pszFirstDir);
    ASSERT_TRUE(first.WaitForTrace(kShown)) << first.Err().toStdString();
    ASSERT_TRUE(WaitFor([&] { return MainWindowsOf(first.Pid()).size() == 1; }, 5000)) << "the first copy shows one main window";
    if (test.between)
        test.between(root);

    CPlayer second(env, {}, root + "/" + test.pszSecondDir);
    ASSERT_TRUE(WaitFor([&] { return second.Err().contains(kRefused) || second.Err().contains(kShown); }, kStartTimeoutMs)) << "the second copy neither refused nor showed its window";
    ASSERT_TRUE(second.Err().contains(kRefused)) << second.Err().toStdString();
    EXPECT_EQ(CountMainWindows({&first, &second}), 1);
    const QString line = QString::fromLatin1(test.pszLine).replace("%ROOT%", root);
    if (!line.isEmpty())
        EXPECT_TRUE(first.Err().contains("deruziz: " + line)) << first.Err().toStdString();
    else
        EXPECT_FALSE(first.Err().contains("single-instance lock")) << first.Err().toStdString();
}

QString OwnFallback(const QString& root)
{
    return root + QStringLiteral("/tmp/deruziz-%1").arg(::getuid());
}

// Made beforehand by another local user: of someone else where we may say so, open to all anyway.
void SquatFolder(const QString& path)
{
    MakeFolder(path, 0777);
    if (::geteuid() == 0 && ::chown(QFile::encodeName(path).constData(), 65534, 65534) == 0)
        ::chmod(QFile::encodeName(path).constData(), 0700);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, LockPlaces,
    ::testing::Values(
        LockCase{"RuntimeFolderMadeAfterTheFirstStart", [](const QString& root) { return root + "/run"; },
                 [](const QString& root) { MakeFolder(root + "/run"); }, "a", "a", false,
                 "cannot keep the single-instance lock in %ROOT%/run (No such file or directory)"},
        LockCase{"ReadOnlyRuntimeFolder",
                 [](const QString& root) {
                     MakeFolder(root + "/run", 0500);
                     return root + "/run";
                 },
                 nullptr, "a", "a", false, "cannot keep the single-instance lock in %ROOT%/run ("},
        LockCase{"FolderAtTheLockPath",
                 [](const QString& root) {
                     MakeFolder(root + "/run");
                     MakeFolder(root + "/run/VideriRedir.lock");
                     return root + "/run";
                 },
                 nullptr, "a", "a", false, "cannot keep the single-instance lock in %ROOT%/run ("},
        LockCase{"RelativeRuntimeFolderFromTwoWorkingFolders",
                 [](const QString& root) {
                     MakeFolder(root + "/a/run");
                     MakeFolder(root + "/b/run");
                     return QStringLiteral("run");
                 },
                 nullptr, "a", "b", false, ""},
        LockCase{"FallbackFolderMadeByAnotherUser",
                 [](const QString& root) {
                     SquatFolder(OwnFallback(root));
                     return QString();
                 },
                 nullptr, "a", "a", false, "cannot keep the single-instance lock in %ROOT%/tmp/deruziz-"},
        LockCase{"NoPlaceAtAllButASessionBus",
                 [](const QString& root) {
                     SquatFolder(OwnFallback(root));
                     SquatFolder(root + "/home/.local/state/deruziz");
                     return QString();
                 },
                 nullptr, "a", "a", true,
                 "no lock file could be kept; the session bus alone keeps a second copy off"}),
    [](const ::testing::TestParamInfo<LockCase>& info) { return std::string(info.param.pszName); });

// Without an X display: one line naming the display it tried, status 1, no abort.
struct DisplayCase
{
    const char* pszName;
    std::function<void(QProcessEnvironment&)> setUp;
    const char* pszLine;
};

void PrintTo(const DisplayCase& test, std::ostream* pOut)
{
    *pOut << test.pszName;
}

class NoDisplay : public ::testing::TestWithParam<DisplayCase>
{
};

TEST_P(NoDisplay, OneLineAndStatusOne)
{
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = Environment(runtime.path());
    env.remove("QT_LOGGING_RULES");
    GetParam().setUp(env);
    CPlayer player(env);
    ASSERT_TRUE(player.WaitForExit());
    EXPECT_EQ(player.m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(player.m_process.exitCode(), 1);
    EXPECT_EQ(player.Err(), QString::fromLatin1(GetParam().pszLine) + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, NoDisplay,
    ::testing::Values(
        DisplayCase{"DisplayNotSet", [](QProcessEnvironment& env) { env.remove("DISPLAY"); },
                    "deruziz: no X display: DISPLAY is not set (the video needs X11, or XWayland under Wayland)"},
        DisplayCase{"WrongDisplay", [](QProcessEnvironment& env) { env.insert("DISPLAY", ":4711"); },
                    "deruziz: cannot connect to the X display \":4711\""},
        DisplayCase{"WaylandWithoutXWayland",
                    [](QProcessEnvironment& env) {
                        env.remove("DISPLAY");
                        env.remove("QT_QPA_PLATFORM");
                        env.insert("WAYLAND_DISPLAY", "wayland-0");
                        env.insert("XDG_SESSION_TYPE", "wayland");
                    },
                    "deruziz: no X display: DISPLAY is not set (the video needs X11, or XWayland under Wayland)"}),
    [](const ::testing::TestParamInfo<DisplayCase>& info) { return std::string(info.param.pszName); });

} // namespace
