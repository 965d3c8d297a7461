// Prints how closely the shown record follows the video: over a 60-second clip played from its
// start, the largest lead and lag of the record's second against the engine's, and how many
// samples showed each second; then, over 20 seeks while playing and paused, the time from
// SeekTo to the new second's record in the north text. Usage: tracking [--seeks N]
#include "app/player_app.h"
#include "desktop/mpris/playercontrol.h"
#include "playerdlgpeer.h"
#include "testclips.h"
#include "waitfor.h"
#include "wiredwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kClipSeconds = 60;
constexpr int kSampleMs = 50;
constexpr int kStartTimeoutMs = 30000;
constexpr int kSeekTimeoutMs = 3000;

// Record s at latitude 10 + s/100, so the north text tells which second's record shows.
QByteArray SecondsLog(int nRecords)
{
    QByteArray log;
    for (int s = 0; s < nRecords; ++s)
        log += QString::asprintf("A,1200%02d,0304100000,10%07.4f,02015.0000,10.00\n", s % 60, s * 0.6).toLatin1();
    return log;
}

// A card as the camcorder writes it; empty if ffmpeg failed.
std::string MakeCard()
{
    const QString card = TestClips::ScratchDir() + QStringLiteral("/trackcard");
    const QString clip = card + QStringLiteral("/DCIM/100MEDIA/CLIP0001.MOV");
    const QString made = TestClips::Make(TestClips::MovH264WithSound, kClipSeconds);
    QDir().mkpath(QFileInfo(clip).path());
    QDir().mkpath(card + QStringLiteral("/GPS"));
    QFile log(card + QStringLiteral("/GPS/GPS0001.LOG"));
    const QByteArray content = SecondsLog(kClipSeconds);
    if (made.isEmpty() || !TestClips::CopyTo(made, clip) || !log.open(QIODevice::WriteOnly) ||
        log.write(content) != content.size())
        return std::string();
    return QFile::encodeName(clip).toStdString();
}

// The second whose record the north text shows, or -1.
int ShownSecond(CPlayerDlg& dlg)
{
    QString text = Peer(dlg).m_northText.text();
    if (!text.startsWith(QStringLiteral("N:")))
        return -1;
    bool bOk = false;
    const double dLatitude = text.mid(2).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&bOk);
    return bOk ? int(std::lround((dLatitude - 10.0) * 100.0)) : -1;
}

void Pump(int nMs)
{
    WaitFor([] { return false; }, nMs);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool PlayThrough(CPlayerDlg& dlg)
{
    CVideoPlayer& player = Peer(dlg).m_player;
    std::map<int, int> samples;   // second -> samples that showed it
    std::map<int, int> arrivals;  // second -> times it came onto the text
    std::vector<double> late;      // engine ms past a second's start when its record came
    int nLead = 0, nLag = 0, nLast = -1, nBackSteps = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < (kClipSeconds + 5) * 1000 && !dlg.ClipState().m_bMediaEnded) {
        Pump(kSampleMs);
        const std::int64_t nEngineMs = player.GetTime();
        const int nShown = ShownSecond(dlg);
        if (nEngineMs < 0 || nShown < 0 || dlg.ClipState().m_bMediaEnded)
            continue;
        const int nDiff = nShown - int(nEngineMs / 1000);
        nLead = std::max(nLead, nDiff);
        nLag = std::max(nLag, -nDiff);
        ++samples[nShown];
        if (nShown != nLast) {
            ++arrivals[nShown];
            if (nLast >= 0)
                late.push_back(double(nEngineMs - std::int64_t(nShown) * 1000));
            nBackSteps += nShown < nLast;
            nLast = nShown;
        }
    }
    int nSkipped = 0, nTwice = 0, nFewest = 1 << 30, nMost = 0;
    const int nTop = samples.empty() ? -1 : samples.rbegin()->first;
    for (int s = 0; s <= nTop; ++s) {
        nSkipped += !samples.count(s);
        nTwice += arrivals[s] > 1;
        if (samples.count(s) && s > 0 && s < nTop) {  // the first and last seconds are cut short
            nFewest = std::min(nFewest, samples[s]);
            nMost = std::max(nMost, samples[s]);
        }
    }
    std::printf("play-through: seconds 0-%d shown, %.1f s sampled every %d ms\n", nTop,
                double(clock.elapsed()) / 1000, kSampleMs);
    std::printf("  record vs engine second: largest lead %d s, largest lag %d s (target <= 1 s)\n", nLead, nLag);
    std::printf("  samples per second (whole seconds 1-%d): %d to %d; skipped %d, shown twice %d, "
                "steps back %d\n", nTop - 1, nFewest, nMost, nSkipped, nTwice, nBackSteps);
    if (!late.empty())
        std::printf("  a record came at engine time past its second's start: median %.0f ms, %.0f to %.0f ms "
                    "(sampled every %d ms)\n", Median(late), *std::min_element(late.begin(), late.end()),
                    *std::max_element(late.begin(), late.end()), kSampleMs);
    std::printf("  per second:");
    for (const auto& [nSecond, nCount] : samples)
        std::printf(" %d", nCount);
    std::printf("\n");
    return nTop >= 0;
}

struct CSeekFigures
{
    std::vector<double> m_shown;   // SeekTo -> the record in the north text
    std::vector<double> m_call;    // the SeekTo call itself
    std::vector<double> m_engine;  // SeekTo -> the engine playing on past the target (playing seeks)
    int m_nSnapBacks = 0;          // the text went back to the second before the seek
};

bool TimeSeeks(CPlayerDlg& dlg, int nSeeks, CSeekFigures& figures)
{
    IPlayerControl& remote = dlg;
    CVideoPlayer& player = Peer(dlg).m_player;
    for (int i = 0; i < nSeeks; ++i) {
        const bool bPaused = i % 4 == 3;
        if (bPaused != (remote.GetStatus() == IPlayerControl::Status::Paused))
            remote.PlayPause();
        Pump(600);
        const int nBefore = ShownSecond(dlg);
        int nTarget = (7 + i * 23) % (kClipSeconds - 8) + 2;
        if (std::abs(nTarget - nBefore) < 3)
            nTarget = (nTarget + 20) % (kClipSeconds - 8) + 2;
        QElapsedTimer clock;
        clock.start();
        const std::int64_t nTargetMs = nTarget * 1000 + 300;
        if (!remote.SeekTo(nTargetMs))
            return false;
        figures.m_call.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!WaitFor([&] { return ShownSecond(dlg) == nTarget; }, kSeekTimeoutMs)) {
            std::fprintf(stderr, "tracking: seek %d to %d s never showed its record\n", i, nTarget);
            return false;
        }
        figures.m_shown.push_back(double(clock.nsecsElapsed()) / 1e6);
        char szEngine[32] = "-";
        if (!bPaused && WaitFor([&] { return player.GetTime() > nTargetMs; }, kSeekTimeoutMs)) {
            figures.m_engine.push_back(double(clock.nsecsElapsed()) / 1e6);
            std::snprintf(szEngine, sizeof szEngine, "%.1f ms", figures.m_engine.back());
        }
        bool bSnapped = false;
        while (clock.elapsed() < 700) {
            Pump(10);
            bSnapped |= ShownSecond(dlg) == nBefore;
        }
        figures.m_nSnapBacks += bSnapped;
        std::printf("  seek %2d %s to %2d.3 s: call %.2f ms, record %.2f ms, engine plays on %s\n", i + 1,
                    bPaused ? "paused " : "playing", nTarget, figures.m_call.back(), figures.m_shown.back(),
                    szEngine);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int nSeeks = 20;
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--seeks")
            nSeeks = std::max(1, atoi(argv[++i]));
    }
    CPlayerApp::PrepareEnvironment();
    QApplication app(argc, argv);
    CPlayerApp::PrepareApplication(app);

    const std::string strClip = MakeCard();
    if (strClip.empty()) {
        std::fprintf(stderr, "tracking: ffmpeg could not make the clip\n");
        return 1;
    }
    CWiredWindow wired;
    CPlayerDlg& dlg = wired.Dlg();
    if (!wired.IsExposed() ||
        !WaitFor([&] { return Peer(dlg).m_mapView.m_strURL.endsWith(QStringLiteral("/StartUpPage.HTML")); },
                 kStartTimeoutMs)) {
        std::fprintf(stderr, "tracking: the window or its start page never came\n");
        return 1;
    }
    dlg.OpenClip(strClip);
    if (!WaitFor([&] { return dlg.ClipState().m_bPositionTimer; }, kStartTimeoutMs)) {
        std::fprintf(stderr, "tracking: tracking never started\n");
        return 1;
    }
    if (!PlayThrough(dlg))
        return 1;

    dlg.OpenClip(strClip);
    if (!WaitFor([&] { return dlg.ClipState().m_bPositionTimer; }, kStartTimeoutMs))
        return 1;
    CSeekFigures figures;
    if (!TimeSeeks(dlg, nSeeks, figures))
        return 1;
    std::printf("SeekTo -> new second's record shown, %zu seeks: median %.2f ms, worst %.2f ms (target <= 300 ms)\n",
                figures.m_shown.size(), Median(figures.m_shown),
                *std::max_element(figures.m_shown.begin(), figures.m_shown.end()));
    std::printf("  of which the SeekTo call itself: median %.2f ms, worst %.2f ms\n", Median(figures.m_call),
                *std::max_element(figures.m_call.begin(), figures.m_call.end()));
    if (!figures.m_engine.empty())
        std::printf("SeekTo -> the engine plays on past the target, %zu playing seeks: median %.1f ms, worst %.1f ms\n",
                    figures.m_engine.size(), Median(figures.m_engine),
                    *std::max_element(figures.m_engine.begin(), figures.m_engine.end()));
    std::printf("seeks whose text went back to the second before: %d\n", figures.m_nSnapBacks);
    return 0;
}
