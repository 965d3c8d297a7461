#pragma once

#include "logic/gpstrack.h"

#include <QByteArray>
#include <QString>

// The track's records read so far as a GPX 1.1 document: one trk with one trkseg, a trkpt
// for each valid record in order, with its time (UTC) where the record's time and date make
// a real one.
QByteArray GpxDocument(const CGPSTrack& track);

// GpxDocument into the file at path, whole or not at all (written beside it and renamed);
// false with error when that fails.
bool WriteGpxFile(const CGPSTrack& track, const QString& path, QString& error);

// Whether the track has a valid record among those read.
bool HasValidRecord(const CGPSTrack& track);
