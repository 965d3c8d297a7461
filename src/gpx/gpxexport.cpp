#include "gpx/gpxexport.h"

#include "framework/core/fileerror.h"
#include "gpx/gpxreader.h"
#include "gpx/gpxwriter.h"
#include "logic/logpath.h"
#include "logic/tracksource.h"

#include <QFile>

#include <cstdio>
#include <sys/stat.h>

bool ExportClipTrack(const std::string& clipPath, const QString& outPath, QString& error)
{
    struct stat st;
    if (::stat(clipPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = QStringLiteral("%1: no such clip").arg(QFile::decodeName(clipPath.c_str()));
        return false;
    }
    const std::unique_ptr<CGPSTrack> track =
        OpenClipTrack(clipPath, GetGpsLogPath(clipPath, "LOG"), OpenAnyTrackSource);
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
    if (!WriteGpxFile(*track, outPath, error)) {
        error = QStringLiteral("%1: %2").arg(outPath, error);
        return false;
    }
    return true;
}

int RunGpxExport(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "deruziz: %s takes a clip and the GPX file to write: deruziz %s CLIP OUT.gpx\n",
                     kExportGpxOption, kExportGpxOption);
        return 1;
    }
    QString error;
    if (!ExportClipTrack(argv[2], QFile::decodeName(argv[3]), error)) {
        std::fprintf(stderr, "deruziz: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
