#pragma once

#include <QString>

// Clips made by ffmpeg at test time, cached in the build tree.
namespace TestClips {

enum Kind { MovH264WithSound, AviMjpeg, Mp4H264 };

// Path of a clip of the kind, about nSeconds long; empty if ffmpeg failed.
QString Make(Kind kind, int nSeconds = 3);
// Copies a file to a new path (for names the encoder should not see).
bool CopyTo(const QString& from, const QString& to);
// A scratch folder under the build tree, emptied on first use in this process.
QString ScratchDir();

} // namespace TestClips
