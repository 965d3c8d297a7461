// The play path in figures, for the program and, beside it, for a bare libVLC player
// (bare_player) with the same engine arguments, video output and video size:
//  - start to playing: from OpenClip to the first engine time above 0 with tracking running,
//    median over the runs, for the first clip after start (a new process each run: cold web
//    engine) and for later clips (one window, each clip opened while the one before plays);
//  - CPU of the whole process tree (the program and the web engine's helpers) over a stretch
//    of a 1080p H.264 clip with tracking, and the PSS of the tree at its end, for the program
//    binary started with the clip on its command line, as a user starts it.
// Run it through bench/playback/run, which gives it a virtual X server when there is none.
//   bench_playback [--runs N] [--seconds S] [--output auto|gl|xcb_x11|xcb_xv] [--cpu-runs N]
//                  [--skip-start] [--skip-cpu] [--detail] [--paints] [--program PATH] [--bare PATH]
// --detail adds CPU by process and thread and the largest mappings; --paints counts the window's
// paints while a clip plays with tracking.
#include "benchcard.h"
#include "framework/controlid.h"
#include "framework/dialogtemplate.h"
#include "app/player_app.h"
#include "engine/vlcinstance.h"
#include "proctree.h"
#include "resource.h"
#include "startwatch.h"
#include "waitfor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kPlayBetweenOpensMs = 1500;
// From the program's start to the clip playing with tracking, with room to spare.
constexpr int kSettleMs = 8000;

struct COptions
{
    int nRuns = 10;
    int nCpuRuns = 1;
    int nSeconds = 30;
    QString strOutput = QStringLiteral("xcb_x11");
    bool bStart = true;
    bool bCpu = true;
    bool bDetail = false;
    bool bPaints = false;
    QString strProgram = QStringLiteral(DERUZIZ_EXE);
    QString strBare = QStringLiteral(DERUZIZ_BARE_PLAYER);
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

QSize VideoSize()
{
    const DlgTemplate& tmpl = MainDialogTemplate();
    const DlgItemTemplate* pVideo = tmpl.Find(IDC_VIDEO);
    return pVideo ? tmpl.ToPixels(pVideo->rcUnits).size() : QSize(638, 316);
}

QStringList BareArguments(const COptions& options)
{
    const QSize size = VideoSize();
    QStringList args = {QStringLiteral("--size"), QStringLiteral("%1x%2").arg(size.width()).arg(size.height())};
    // The engine's arguments as the program makes them from the video output of its settings.
    const std::string strOutput = options.strOutput == QLatin1String("auto") ? "" : options.strOutput.toStdString();
    for (const std::string& arg : CVlcInstance::ProgramArgs(strOutput))
        args << QStringLiteral("--engine-arg") << QString::fromStdString(arg);
    return args;
}

// The program reads its video output from deruziz.conf; the config, cache and runtime folders
// are the benchmark's own, so that neither the user's settings nor a running copy count.
bool PrepareFolders(const QString& scratch, const QString& strOutput)
{
    for (const char* pszName : {"config/deruziz", "cache", "runtime"})
        QDir().mkpath(scratch + QLatin1Char('/') + QLatin1String(pszName));
    QFile::setPermissions(scratch + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile conf(scratch + QStringLiteral("/config/deruziz/deruziz.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    conf.write("[video]\noutput=" + strOutput.toUtf8() + "\n");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(scratch + QStringLiteral("/cache")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(scratch + QStringLiteral("/runtime")));
    return true;
}

// ---- start to playing

struct CStartFigures
{
    std::vector<CStartSteps> window;
    std::vector<double> bare;
    std::string strLoad;
};

void PrintStart(const char* pszWhat, const CStartFigures& figures)
{
    auto median = [&](double CStartSteps::*pStep) {
        std::vector<double> values;
        for (const CStartSteps& steps : figures.window)
            if (steps.*pStep >= 0)
                values.push_back(steps.*pStep);
        return Median(values);
    };
    const double dPlaying = median(&CStartSteps::dPlaying);
    std::printf("  %-22s window %7.1f ms   bare %7.1f ms   (%zu / %zu runs; %s)\n", pszWhat, dPlaying,
                Median(figures.bare), figures.window.size(), figures.bare.size(), figures.strLoad.c_str());
    std::printf("  %-22s   steps, medians: OpenClip returned %.0f, map view %.0f, page loaded %.0f, page ready %.0f,"
                " video started %.0f, time > 0 %.0f ms\n",
                "", median(&CStartSteps::dOpened), median(&CStartSteps::dView), median(&CStartSteps::dLoaded),
                median(&CStartSteps::dReady), median(&CStartSteps::dPlay), dPlaying);
}

std::optional<CStartSteps> ParseSteps(const QByteArray& output)
{
    for (const QByteArray& line : output.split('\n')) {
        CStartSteps steps;
        if (std::sscanf(line.constData(), "steps: %lf %lf %lf %lf %lf %lf", &steps.dOpened, &steps.dView,
                        &steps.dLoaded, &steps.dReady, &steps.dPlay, &steps.dPlaying) == 6)
            return steps;
    }
    return std::nullopt;
}

std::vector<double> ParseOpens(const QByteArray& output)
{
    std::vector<double> times;
    for (const QByteArray& line : output.split('\n')) {
        int nOpen = 0;
        double dMs = 0;
        if (std::sscanf(line.constData(), "open %d: %lf ms", &nOpen, &dMs) == 2)
            times.push_back(dMs);
    }
    return times;
}

QByteArray RunToEnd(const QString& program, const QStringList& args, const QString& errorLog)
{
    QProcess process;
    process.setStandardErrorFile(errorLog, QIODevice::Append);
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        std::fprintf(stderr, "%s failed; its messages are in %s\n", qPrintable(program), qPrintable(errorLog));
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

bool MeasureColdStarts(const COptions& options, const QStringList& clips, const QString& scratch, CStartFigures& cold)
{
    const QString log = scratch + QStringLiteral("/cold.log");
    for (int i = 0; i < options.nRuns; ++i) {
        const std::optional<CStartSteps> steps =
            ParseSteps(RunToEnd(QCoreApplication::applicationFilePath(), {QStringLiteral("--cold"), clips[0]}, log));
        if (!steps)
            return false;
        cold.window.push_back(*steps);
        const std::vector<double> bare =
            ParseOpens(RunToEnd(options.strBare, BareArguments(options) << QStringLiteral("--opens")
                                                                          << QStringLiteral("1") << clips[0], log));
        if (bare.size() != 1)
            return false;
        cold.bare.push_back(bare.front());
    }
    cold.strLoad = ProcTree::LoadAverage();
    return true;
}

bool MeasureWarmStarts(const COptions& options, const QStringList& clips, const QString& scratch, CStartFigures& warm)
{
    {
        CBenchWindow window;
        if (!WaitFor([&] { return ShowsPage(window.m_dlg, QStringLiteral("/StartUpPage.HTML")); }, 30000)) {
            std::fprintf(stderr, "the start page never loaded\n");
            return false;
        }
        // The first clip pays for the web engine's first live map; it is not counted here.
        for (int i = 0; i <= options.nRuns; ++i) {
            CStartSteps steps;
            if (!OpenAndFollow(window.m_dlg, QFile::encodeName(clips[i % clips.size()]).toStdString(), steps))
                return false;
            if (i > 0)
                warm.window.push_back(steps);
            WaitFor([] { return false; }, kPlayBetweenOpensMs);
        }
        warm.strLoad = ProcTree::LoadAverage();
    }
    QStringList args = BareArguments(options) << QStringLiteral("--opens") << QString::number(options.nRuns + 1);
    args += clips;
    std::vector<double> bare = ParseOpens(RunToEnd(options.strBare, args, scratch + QStringLiteral("/warm.log")));
    if (bare.size() != std::size_t(options.nRuns + 1))
        return false;
    warm.bare.assign(bare.begin() + 1, bare.end());
    return true;
}

// ---- what the window paints while a clip plays with tracking

class CPaintCounter : public QObject
{
public:
    std::map<QString, int> m_counts;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::Paint && pWatched->isWidgetType())
            ++m_counts[QString::fromLatin1(pWatched->metaObject()->className())];
        return false;
    }
};

bool CountPaints(const QStringList& clips, int nSeconds)
{
    CBenchWindow window;
    CStartSteps steps;
    if (!OpenAndFollow(window.m_dlg, QFile::encodeName(clips[0]).toStdString(), steps, 60000))
        return false;
    CPaintCounter counter;
    qApp->installEventFilter(&counter);
    WaitFor([] { return false; }, nSeconds * 1000);
    qApp->removeEventFilter(&counter);
    std::printf("widgets painted while the clip plays with tracking (paints a second):");
    for (const auto& [name, nCount] : counter.m_counts)
        std::printf(" %s %.1f;", qPrintable(name), double(nCount) / nSeconds);
    std::printf("\n");
    return true;
}

// ---- CPU and memory

struct CUsage
{
    double dCpu = 0;
    long long nPssKb = 0;
    long long nRssKb = 0;
    std::string strLoad;
};

void KillTree(pid_t nRoot)
{
    const ProcTree::CTreeSample tree = ProcTree::Sample(nRoot);
    ::kill(nRoot, SIGTERM);
    QThread::msleep(2000);
    for (const ProcTree::CProcessSample& process : tree.processes)
        ::kill(process.nPid, SIGKILL);
}

std::optional<CUsage> MeasureUsage(const QString& program, const QStringList& args, const COptions& options,
                                   const QString& errorLog)
{
    QProcess process;
    process.setStandardOutputFile(errorLog, QIODevice::Append);
    process.setStandardErrorFile(errorLog, QIODevice::Append);
    process.start(program, args);
    if (!process.waitForStarted(10000))
        return std::nullopt;
    const pid_t nPid = pid_t(process.processId());
    QThread::msleep(kSettleMs);
    const ProcTree::CTreeSample before = ProcTree::Sample(nPid, true);
    QThread::msleep(options.nSeconds * 1000);
    const ProcTree::CTreeSample after = ProcTree::Sample(nPid, true);
    CUsage usage{ProcTree::CpuPercent(before, after), after.PssKb(), after.RssKb(), ProcTree::LoadAverage()};
    const bool bAlive = process.state() == QProcess::Running;
    if (options.bDetail && bAlive) {
        std::printf("    %s: by process (%% of a core, PSS MB):", qPrintable(QFileInfo(program).fileName()));
        for (const auto& [kind, dShare] : ProcTree::CpuByProcess(before, after)) {
            long long nPss = 0;
            for (const ProcTree::CProcessSample& sample : after.processes)
                if (sample.strKind == kind)
                    nPss += sample.nPssKb;
            std::printf(" %s %.1f %% %.0f MB;", kind.c_str(), dShare, double(nPss) / 1024);
        }
        std::printf("\n    by thread:");
        int nShown = 0;
        for (const auto& [name, dShare] : ProcTree::CpuByThread(before, after)) {
            if (++nShown > 12 || dShare < 0.2)
                break;
            std::printf(" %s %.1f;", name.c_str(), dShare);
        }
        std::printf("\n    largest PSS of the main process (MB):");
        for (const auto& [mapping, nKb] : ProcTree::PssByMapping(nPid, 10))
            std::printf(" %s %.1f;", QFileInfo(QString::fromStdString(mapping)).fileName().toUtf8().constData(),
                        double(nKb) / 1024);
        std::printf("\n");
    }
    KillTree(nPid);
    process.waitForFinished(5000);
    if (!bAlive) {
        std::fprintf(stderr, "%s ended before the measurement did; its messages are in %s\n", qPrintable(program),
                     qPrintable(errorLog));
        return std::nullopt;
    }
    return usage;
}

bool MeasureCpu(const COptions& options, const QStringList& clips, const QString& untrackedClip,
                const QString& scratch)
{
    std::printf("CPU over %d s of playing (%% of one core), PSS and RSS at its end, whole process tree:\n",
                options.nSeconds);
    const QString log = scratch + QStringLiteral("/usage.log");
    auto print = [](const char* pszWhat, const CUsage& usage) {
        std::printf("  %-26s %5.1f %%  PSS %4.0f MB  RSS %4.0f MB   (%s)\n", pszWhat, usage.dCpu,
                    double(usage.nPssKb) / 1024, double(usage.nRssKb) / 1024, usage.strLoad.c_str());
    };
    for (int i = 0; i < options.nCpuRuns; ++i) {
        const std::optional<CUsage> program = MeasureUsage(options.strProgram, {clips[0]}, options, log);
        // The same clip without its log plays on the error page: the window and an idle web
        // engine, without the map's steps.
        const std::optional<CUsage> untracked = MeasureUsage(options.strProgram, {untrackedClip}, options, log);
        const std::optional<CUsage> bare = MeasureUsage(options.strBare, BareArguments(options) << clips[0], options, log);
        if (!program || !untracked || !bare)
            return false;
        print("program, with tracking", *program);
        print("program, clip without log", *untracked);
        print("bare libVLC player", *bare);
        std::printf("  program / bare: CPU %.2fx, PSS %+.0f MB\n", bare->dCpu > 0 ? program->dCpu / bare->dCpu : 0.0,
                    double(program->nPssKb - bare->nPssKb) / 1024);
        std::fflush(stdout);
    }
    return true;
}

// ---- one cold start, in a process of its own

int RunColdStart(const std::string& strClip)
{
    CBenchWindow window;
    CStartSteps steps;
    if (!OpenAndFollow(window.m_dlg, strClip, steps, 60000))
        return 1;
    std::printf("steps: %.1f %.1f %.1f %.1f %.1f %.1f\n", steps.dOpened, steps.dView, steps.dLoaded, steps.dReady,
                steps.dPlay, steps.dPlaying);
    return 0;
}

COptions ParseOptions(int argc, char** argv)
{
    COptions options;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        const bool bValue = i + 1 < argc;
        if (arg == "--runs" && bValue)
            options.nRuns = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--cpu-runs" && bValue)
            options.nCpuRuns = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--seconds" && bValue)
            options.nSeconds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--output" && bValue)
            options.strOutput = QString::fromUtf8(argv[++i]);
        else if (arg == "--program" && bValue)
            options.strProgram = QFile::decodeName(argv[++i]);
        else if (arg == "--bare" && bValue)
            options.strBare = QFile::decodeName(argv[++i]);
        else if (arg == "--skip-start")
            options.bStart = false;
        else if (arg == "--skip-cpu")
            options.bCpu = false;
        else if (arg == "--detail")
            options.bDetail = true;
        else if (arg == "--paints")
            options.bPaints = true;
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--cold") {
        // As the program starts with a clip on its command line.
        CPlayerApp::PrepareEnvironment();
        CPlayerApp settingsOwner;
        settingsOwner.ReadSettings();
        settingsOwner.PreStartEngine();
        QApplication app(argc, argv);
        CPlayerApp::PrepareApplication(app);
        return RunColdStart(argv[2]);
    }
    const COptions options = ParseOptions(argc, argv);
    QTemporaryDir scratch(QStringLiteral(DERUZIZ_BINARY_DIR "/bench/playback-scratch-XXXXXX"));
    if (!scratch.isValid() || !PrepareFolders(scratch.path(), options.strOutput))
        return 1;
    CPlayerApp::PrepareEnvironment();
    // The window of the later clips starts its engine with the video output of deruziz.conf.
    CPlayerApp settingsOwner;
    settingsOwner.ReadSettings();
    settingsOwner.PreStartEngine();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);

    const BenchCard::CClipSpec spec{options.nSeconds + kSettleMs / 1000 + 7};
    const QStringList clips = BenchCard::MakeCard(scratch.path(), spec, 2);
    if (clips.isEmpty())
        return 1;
    std::printf("clip: %dx%d H.264 at 12 Mbit/s with AAC sound, %d s, a GPS record a second; video output %s; "
                "%d cores\n",
                spec.nWidth, spec.nHeight, spec.nSeconds, qPrintable(options.strOutput), QThread::idealThreadCount());
    if (options.bPaints && !CountPaints(clips, 10))
        return 1;
    if (options.bStart) {
        std::printf("start to playing, median of %d (ms from OpenClip to the first time above 0 with tracking):\n",
                    options.nRuns);
        std::fflush(stdout);
        CStartFigures cold, warm;
        if (!MeasureColdStarts(options, clips, scratch.path(), cold))
            return 1;
        PrintStart("first clip after start", cold);
        std::fflush(stdout);
        if (!MeasureWarmStarts(options, clips, scratch.path(), warm))
            return 1;
        PrintStart("later clips", warm);
        std::fflush(stdout);
    }
    if (options.bCpu && !MeasureCpu(options, clips, BenchCard::MakeUntrackedClip(scratch.path(), spec), scratch.path()))
        return 1;
    return 0;
}
