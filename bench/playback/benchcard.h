#pragma once

#include <QString>
#include <QStringList>

// A camcorder card for the play-path figures: clips of a 1080p H.264 recording with sound
// (made once by ffmpeg and kept in the build tree) and, for each, a GPS log cut from a real
// drive, so that the whole clip plays with tracking.
namespace BenchCard {

struct CClipSpec
{
    int nSeconds = 45;
    int nWidth = 1920;
    int nHeight = 1080;
};

// The recording itself, made on first use; empty (and the reason on stderr) if ffmpeg failed.
QString Recording(const CClipSpec& spec);

// <scratch>/card/DCIM/100MEDIA/CLIP000n.MOV for n = 1..nClips, each with its log in
// <scratch>/card/GPS/GPS000n.LOG; the clips are links to the recording. Empty on failure.
QStringList MakeCard(const QString& scratch, const CClipSpec& spec, int nClips);

// <scratch>/card/DCIM/100MEDIA/CLIP0009.MOV, a link to the recording without a log: it plays
// on the error page, untracked. Empty on failure.
QString MakeUntrackedClip(const QString& scratch, const CClipSpec& spec);

} // namespace BenchCard
