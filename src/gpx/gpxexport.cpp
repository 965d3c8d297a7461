#include "gpx/gpxexport.h"

#include "framework/core/fileerror.h"
#include "gpx/gpxreader.h"
#include "gpx/gpxwriter.h"
#include "logic/logpath.h"
#include "logic/tracksource.h"

#include <QFile>

#include <cstdio>
#include <sys/stat.h>

namespace {

bool SameFile(const struct stat& a, const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == a.st_dev && st.st_ino == a.st_ino;
}

// Why outPath may not take the clip's GPX, by what stands there now (links followed); empty
// when nothing does or it is a file of no concern to the clip. The save renames its file over
// whatever the name leads to, so this is asked before anything is written.
QString TargetProblem(const std::string& clipPath, const std::string& outPath)
{
    struct stat target;
    if (::stat(outPath.c_str(), &target) != 0)
        return QString();
    if (!S_ISREG(target.st_mode))
        return QStringLiteral("not a regular file; nothing is written to it");
    if (SameFile(target, clipPath))
        return QStringLiteral("that is the clip itself; nothing is written over it");
    CGpsLogLookup logs;
    for (const CClipTrack& log : FindClipTrack(logs, clipPath, GpsLogPathOfOpenClip(clipPath, "LOG"))) {
        if (SameFile(target, log.m_strPath))
            return QStringLiteral("that is a GPS log of the clip; nothing is written over it");
    }
    return QString();
}

} // namespace

bool WriteClipTrackGpx(const CGPSTrack& track, const std::string& clipPath, const QString& outPath, QString& error)
{
    const QString problem = TargetProblem(clipPath, QFile::encodeName(outPath).toStdString());
    if (!problem.isEmpty()) {
        error = QStringLiteral("%1: %2").arg(outPath, problem);
        return false;
    }
    if (!WriteGpxFile(track, outPath, error)) {
        error = QStringLiteral("%1: %2").arg(outPath, error);
        return false;
    }
    return true;
}

bool ExportClipTrack(const std::string& clipPath, const QString& outPath, QString& error)
{
    struct stat st;
    if (::stat(clipPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = QStringLiteral("%1: no such clip").arg(QFile::decodeName(clipPath.c_str()));
        return false;
    }
    RegisterGpxTrackReader();
    const std::unique_ptr<CGPSTrack> track = OpenClipTrack(clipPath, GetGpsLogPath(clipPath, "LOG"));
    try {
        while (track->ReadNextRecord()) {
        }
    } catch (const CFileException& readError) {
        error = QString::fromStdString(readError.what());
        return false;
    }
    if (!track->IsOpen() || !HasValidRecord(*track)) {
        error = QStringLiteral("%1: the clip has no GPS track").arg(QFile::decodeName(clipPath.c_str()));
        return false;
    }
    return WriteClipTrackGpx(*track, clipPath, outPath, error);
}

int RunGpxExport(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "deruziz: %s takes a clip and the GPX file to write: deruziz %s CLIP OUT.gpx\n",
                     kExportGpxOption, kExportGpxOption);
        return 1;
    }
    QString error;
    if (!ExportClipTrack(AbsoluteCleanPath(argv[2]), QFile::decodeName(argv[3]), error)) {
        std::fprintf(stderr, "deruziz: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
