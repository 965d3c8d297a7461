#include "gpx/gpxwriter.h"

#include "logic/nmea.h"

#include <QSaveFile>

namespace {

// Decimals of latitude and longitude: 10^-7 degree is about a centimetre.
constexpr int kCoordinateDecimals = 7;

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// "2024-05-01T12:34:56Z" from the record, or empty when its date and time are no real one.
QByteArray RecordTime(const CGPSPoint& point)
{
    static const int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int day = point.m_nDate1, month = point.m_nDate2, year = FullYear(point.m_nDate3);
    if (month < 1 || month > 12 || day < 1 || point.m_nDate3 > 99 || point.m_nHour > 23
        || point.m_nMinute > 59 || point.m_nSecond > 59)
        return QByteArray();
    const int days = kDaysInMonth[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > days)
        return QByteArray();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", year, month, day, point.m_nHour,
                  point.m_nMinute, point.m_nSecond);
    return QByteArray(text);
}

} // namespace

QByteArray GpxDocument(const CGPSTrack& track)
{
    QByteArray gpx;
    gpx.reserve(64 + track.GetCount() * 96);
    gpx += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx version=\"1.1\" creator=\"deruziz\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
           "<trk>\n<trkseg>\n";
    for (int i = 0; i < track.GetCount(); ++i) {
        const CGPSPoint& point = *track.GetAt(i);
        if (!point.m_bValid)
            continue;
        // QByteArray::number writes a decimal point whatever the locale.
        gpx += "<trkpt lat=\"" + QByteArray::number(point.m_dLatitude, 'f', kCoordinateDecimals) + "\" lon=\""
            + QByteArray::number(point.m_dLongitude, 'f', kCoordinateDecimals) + "\">";
        const QByteArray time = RecordTime(point);
        if (!time.isEmpty())
            gpx += "<time>" + time + "</time>";
        gpx += "</trkpt>\n";
    }
    gpx += "</trkseg>\n</trk>\n</gpx>\n";
    return gpx;
}

bool WriteGpxFile(const CGPSTrack& track, const QString& path, QString& error)
{
    QSaveFile file(path);
    // A folder the user cannot write to still takes the file; only the rename is direct then.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    const QByteArray document = GpxDocument(track);
    if (file.write(document) != document.size() || !file.commit()) {
        error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

bool HasValidRecord(const CGPSTrack& track)
{
    for (int i = 0; i < track.GetCount(); ++i) {
        if (track.GetAt(i)->m_bValid)
            return true;
    }
    return false;
}
