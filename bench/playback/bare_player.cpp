// The floor for the play-path figures: libVLC alone, started with the program's own arguments
// (given as --engine-arg, in order), drawing into a native child window of a plain Qt window of
// the program's video size, with the video output those arguments name.
//   bare_player [--engine-arg ARG]... [--size WxH] [--opens N] CLIP [CLIP...]
// With --opens N it opens the clips in turn N times and prints, for each, the milliseconds
// from opening to the first time above 0; without, it plays the first clip until it is ended.
#include "waitfor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWidget>
#include <QWindow>

#include <X11/Xlib.h>
#include <vlc/vlc.h>

#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr char kVideoOutputArg[] = "--vout=";

// As the program's engine does: libvlc_media_player_set_xwindow puts the player's video output
// back to automatic, and only the core's own setter names it again.
union CVlcValue
{
    std::int64_t i_int;
    char* psz_string;
    void* p_address;
};
using PFN_VARSETCHECKED = int (*)(void* pObject, const char* pszName, int nType, CVlcValue value);
constexpr int kVlcVarString = 0x0040;

bool SetVideoOutput(libvlc_media_player_t* pPlayer, const std::vector<std::string>& args)
{
    std::string strOutput;
    for (const std::string& arg : args) {
        if (arg.rfind(kVideoOutputArg, 0) == 0)
            strOutput = arg.substr(std::size(kVideoOutputArg) - 1);
    }
    if (strOutput.empty())
        return true;
    const auto pfnSet = reinterpret_cast<PFN_VARSETCHECKED>(::dlsym(RTLD_DEFAULT, "var_SetChecked"));
    CVlcValue value{};
    value.psz_string = const_cast<char*>(strOutput.c_str());
    return pfnSet && pfnSet(pPlayer, "vout", kVlcVarString, value) == 0;
}

class CBarePlayer
{
public:
    CBarePlayer(const std::vector<std::string>& args, unsigned long nXWindow)
    {
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        m_pInstance = libvlc_new(int(argv.size()), argv.data());
        if (!m_pInstance)
            return;
        m_pPlayer = libvlc_media_player_new(m_pInstance);
        libvlc_video_set_key_input(m_pPlayer, 0);
        libvlc_video_set_mouse_input(m_pPlayer, 0);
        libvlc_media_player_set_xwindow(m_pPlayer, uint32_t(nXWindow));
        if (!SetVideoOutput(m_pPlayer, args))
            std::fprintf(stderr, "bare_player: libVLC did not take the video output\n");
        libvlc_audio_set_volume(m_pPlayer, 50);
    }
    ~CBarePlayer()
    {
        if (m_pPlayer) {
            libvlc_media_player_stop(m_pPlayer);
            libvlc_media_player_release(m_pPlayer);
        }
        if (m_pInstance)
            libvlc_release(m_pInstance);
    }
    CBarePlayer(const CBarePlayer&) = delete;
    CBarePlayer& operator=(const CBarePlayer&) = delete;

    bool IsStarted() const { return m_pPlayer != nullptr; }

    void Open(const QString& path)
    {
        libvlc_media_t* pMedia = libvlc_media_new_path(m_pInstance, QFile::encodeName(path).constData());
        libvlc_media_player_set_media(m_pPlayer, pMedia);
        libvlc_media_release(pMedia);
        libvlc_media_player_play(m_pPlayer);
    }
    std::int64_t Time() const { return libvlc_media_player_get_time(m_pPlayer); }

private:
    libvlc_instance_t* m_pInstance = nullptr;
    libvlc_media_player_t* m_pPlayer = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    XInitThreads();
    std::vector<std::string> engineArgs;
    int nWidth = 638, nHeight = 316, nOpens = 0;
    QStringList clips;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--engine-arg" && i + 1 < argc)
            engineArgs.push_back(argv[++i]);
        else if (arg == "--size" && i + 1 < argc)
            std::sscanf(argv[++i], "%dx%d", &nWidth, &nHeight);
        else if (arg == "--opens" && i + 1 < argc)
            nOpens = std::atoi(argv[++i]);
        else
            clips << QFile::decodeName(argv[i]);
    }
    if (clips.isEmpty()) {
        std::fprintf(stderr, "usage: bare_player [--engine-arg ARG]... [--size WxH] [--opens N] CLIP [CLIP...]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);

    QWidget window;
    window.setFixedSize(nWidth + 4, nHeight + 4);
    QWidget video(&window);
    video.setAttribute(Qt::WA_NativeWindow);
    video.setGeometry(2, 2, nWidth, nHeight);
    window.show();
    if (!WaitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000)) {
        std::fprintf(stderr, "bare_player: the window was never shown\n");
        return 1;
    }

    CBarePlayer player(engineArgs, static_cast<unsigned long>(video.winId()));
    if (!player.IsStarted()) {
        std::fprintf(stderr, "bare_player: libVLC did not start\n");
        return 1;
    }
    if (nOpens == 0) {
        player.Open(clips.front());
        return app.exec();
    }
    for (int i = 0; i < nOpens; ++i) {
        QElapsedTimer clock;
        clock.start();
        player.Open(clips[i % clips.size()]);
        if (!WaitFor([&] { return player.Time() > 0; }, 20000)) {
            std::fprintf(stderr, "bare_player: open %d never played\n", i + 1);
            return 1;
        }
        std::printf("open %d: %.1f ms\n", i + 1, double(clock.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        // As the window's figures: the clip plays a while before the next one is opened.
        const qint64 nPlayedAt = clock.elapsed();
        WaitFor([&] { return clock.elapsed() > nPlayedAt + 1500; }, 3000);
    }
    return 0;
}
