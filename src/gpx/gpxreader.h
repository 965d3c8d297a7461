#pragma once

#include "logic/timedfix.h"
#include "logic/trackreader.h"

#include <QXmlStreamReader>

#include <string>
#include <string_view>
#include <vector>

// "2024-05-01T12:34:56Z", with an optional fraction and an offset (+02:00) instead of Z,
// into seconds since 1 January 1980 UTC. False for anything else.
bool ParseGpxTime(std::string_view text, double& seconds);

// The track points (trk/trkseg/trkpt) of a GPX 1.0 or 1.1 document fed to it in pieces, in
// document order. A document type with entity declarations is refused (no point of it is
// taken), and entities are never expanded beyond a few kilobytes: external ones not at all.
// Reading ends, with the points found so far, at elements nested over 64 deep or a single
// token (a text, a tag) of over a MiB.
class CGpxPointReader
{
public:
    explicit CGpxPointReader(int maxPoints);

    // The next bytes of the document; false once nothing more is wanted (the document ended,
    // is broken or refused, or maxPoints are read).
    bool Feed(std::string_view bytes);
    // Whether points were left unread because maxPoints were read.
    bool IsFull() const { return m_bFull; }
    std::vector<CTimedFix>& Points() { return m_points; }

private:
    bool Drain();
    void StartElement();
    void EndElement();

    QXmlStreamReader m_xml;
    std::vector<CTimedFix> m_points;
    std::size_t m_nMaxPoints;
    bool m_bDone = false;
    bool m_bFull = false;
    int m_nDepth = 0;
    std::size_t m_nBytesSinceToken = 0;
    int m_nTrkDepth = 0;     // depth of the open trk, trkseg and trkpt, 0 outside
    int m_nSegDepth = 0;
    int m_nPointDepth = 0;
    CTimedFix m_point;
    enum class EText { None, Time, Speed } m_eText = EText::None;
    std::string m_strText;
};

// A GPX file's points into records one a second from the first point's time
// (ESecondRule::Interpolated); when any point has no time, each point is one record in file
// order. At most maxRecords records; bCut tells that the points' time ran on beyond them.
std::vector<CGPSPoint> MakeGpxRecords(const std::vector<CTimedFix>& points, int maxRecords, bool& bCut);

// GPX 1.0 / 1.1 files: their track points one record a second (MakeGpxRecords), read whole
// when the file opens, within the limits' bytes and records. A time span beyond the record
// limit is cut there with one line on standard error.
const CTrackReader& GpxTrackReader();
// Lists GpxTrackReader among TrackReaders, after NMEA: done once before the first clip's track
// is looked for.
void RegisterGpxTrackReader();
