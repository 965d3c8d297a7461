// Makes the clips the engine's tests play, before any test runs: a test process full of
// threads must not fork the encoder itself (under AddressSanitizer a fork can hang).
#include "testclips.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const struct
    {
        TestClips::Kind kind;
        int nSeconds;
    } clips[] = {
        {TestClips::MovH264WithSound, 3}, {TestClips::MovH264WithSound, 4}, {TestClips::AviMjpeg, 3},
        {TestClips::AviMjpeg, 4},         {TestClips::Mp4H264, 4},
        // Long enough for a minute's jump that does not end at either end.
        {TestClips::MovH264WithSound, 70},
    };
    for (const auto& clip : clips) {
        const QString path = TestClips::Make(clip.kind, clip.nSeconds);
        if (path.isEmpty()) {
            std::fprintf(stderr, "ffmpeg could not make a test clip\n");
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    return 0;
}
