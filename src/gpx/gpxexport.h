#pragma once

#include "logic/gpstrack.h"

#include <QString>

#include <string>

// The option that makes the program write a clip's track as GPX and end:
// deruziz --export-gpx CLIP OUT.gpx
constexpr const char* kExportGpxOption = "--export-gpx";

// The track as WriteGpxFile writes it, unless outPath is what the export must leave alone: the
// clip itself or one of its GPS logs (FindClipTrack) under whatever name or link, or anything
// but a regular file (a folder, a device, a FIFO). false with error, nothing written, then or
// when the writing fails.
bool WriteClipTrackGpx(const CGPSTrack& track, const std::string& clipPath, const QString& outPath, QString& error);

// The clip's track (from the card's log, NMEA or GPX beside it, as playback finds it) written
// to outPath as GPX; false with error when the clip has no track with a valid record, it
// cannot be read or the file cannot be written (then nothing is left at outPath).
bool ExportClipTrack(const std::string& clipPath, const QString& outPath, QString& error);

// The command: argv[1] is kExportGpxOption; a relative clip path is the working folder's.
// 0 when the file is written, else 1 after one line on standard error. Needs no application
// object, no display and no lock.
int RunGpxExport(int argc, char** argv);
