#pragma once

#include "logic/gpspoint.h"
#include "logic/logfile.h"
#include "logic/nmea.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How a track's file is written.
enum class ETrackFormat {
    CardLog,  // the camcorder's log: one line a second
    Nmea,     // NMEA 0183 sentences: the RMC fixes, one record a second of their time
};

// The GPS log of the open clip: one record a second, in file order, and a cursor that moves
// one record per second of playback.
class CGPSTrack
{
public:
    // What a damaged card can make us read. The defaults leave every real log alone.
    struct Limits
    {
        // Characters of a line that are kept; a valid record needs its first 47, the rest
        // is trailing text that nobody reads.
        std::size_t m_nMaxLineLength = 64 * 1024;
        // Records read at most: 2^20 is over twelve days at one line a second.
        int m_nMaxRecords = 1 << 20;
        // Bytes of the file read at most (256 bytes per line on average at the record limit).
        std::uint64_t m_nMaxBytes = std::uint64_t(256) << 20;
        // Size of one read from the file.
        std::size_t m_nBlockSize = 128 * 1024;
    };

    // Opens the log; a card's log that does not exist as spelt is looked up in another letter
    // case (folder "GPS" and file name), other formats' files are opened as given. Never
    // throws for a log that cannot be opened.
    explicit CGPSTrack(const std::string& logPath);
    CGPSTrack(const std::string& logPath, const Limits& limits);
    CGPSTrack(const std::string& logPath, ETrackFormat format);
    CGPSTrack(const std::string& logPath, ETrackFormat format, const Limits& limits);
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

    ETrackFormat GetFormat() const { return m_eFormat; }
    int GetCount() const { return m_nCount; }
    int GetCursor() const { return m_nCursor; }
    // Record index, or null outside 0..GetCount()-1.
    const CGPSPoint* GetAt(int index) const;

private:
    // The NMEA sentences up to the next finished second; false at the end of the log.
    bool ReadNmeaSecond(CGPSPoint& point);
    void Append(const CGPSPoint& point);

    int m_nCursor = 0;
    int m_nCount = 0;
    bool m_bOpen = false;
    std::vector<CGPSPoint> m_points;
    CLogFile m_file;

    Limits m_limits;
    ETrackFormat m_eFormat = ETrackFormat::CardLog;
    CNmeaSeconds m_nmea;
    bool m_bAtEof = false;
    std::string m_strLine;
};
