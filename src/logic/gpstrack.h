#pragma once

#include "logic/gpspoint.h"
#include "logic/trackreader.h"

#include <memory>
#include <string>
#include <vector>

// The GPS log of the open clip: one record a second, in file order, and a cursor that moves
// one record per second of playback.
class CGPSTrack
{
public:
    using Limits = CTrackLimits;

    // Opens the card's log; one that does not exist as spelt is looked up in another letter
    // case (folder "GPS" and file name). Never throws for a log that cannot be opened.
    explicit CGPSTrack(const std::string& logPath);
    CGPSTrack(const std::string& logPath, const Limits& limits);
    // Opens the file at path for reader, its format's.
    CGPSTrack(const std::string& path, const CTrackReader& reader);
    CGPSTrack(const std::string& path, const CTrackReader& reader, const Limits& limits);
    virtual ~CGPSTrack();
    CGPSTrack(const CGPSTrack&) = delete;
    CGPSTrack& operator=(const CGPSTrack&) = delete;

    bool IsOpen() const { return m_bOpen; }

    // Reads on and appends the next record (a card's log: one line; NMEA: the next second):
    // 1, or 0 at the end of the log (and for ever after, so that lines appended later are not
    // read), or when the log is not open. Throws CFileException when reading fails.
    int ReadNextRecord();

    // Appends the record that the card's line makes, valid or not. Always 1.
    int ParseRecord(std::string line);

    // The record at the cursor, or null at the end. Good until the next ReadNextRecord.
    CGPSPoint* GetCurrent();
    const CGPSPoint* GetCurrent() const;
    void Advance();
    void Rewind();
    // The cursor to record nIndex, clamped to 0..GetCount().
    void SetCursor(int nIndex);
    bool AtEnd() const;

    const CTrackReader& GetReader() const { return *m_pReader; }
    // What of the file the records come from, as its reader tells it; may be empty.
    std::string GetDescription() const { return m_pReading ? m_pReading->Description() : std::string(); }
    // Why the file could not be opened; empty while it is open.
    const std::string& GetError() const { return m_strError; }
    int GetCount() const { return m_nCount; }
    int GetCursor() const { return m_nCursor; }
    // Record index, or null outside 0..GetCount()-1.
    const CGPSPoint* GetAt(int index) const;

private:
    void Append(const CGPSPoint& point);

    int m_nCursor = 0;
    int m_nCount = 0;
    bool m_bOpen = false;
    std::vector<CGPSPoint> m_points;

    Limits m_limits;
    const CTrackReader* m_pReader;
    std::unique_ptr<CTrackReading> m_pReading;
    std::string m_strError;
    bool m_bAtEof = false;
};
