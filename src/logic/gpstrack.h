#pragma once

#include "logic/gpspoint.h"
#include "logic/logfile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The GPS log of the open clip: every line a record, in file order, and a cursor that moves
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

    // Opens the log; when logPath does not exist as spelt, the same path in another letter
    // case (folder "GPS" and file name) is used. Never throws for a log that cannot be opened.
    explicit CGPSTrack(const std::string& logPath);
    CGPSTrack(const std::string& logPath, const Limits& limits);
    virtual ~CGPSTrack();
    CGPSTrack(const CGPSTrack&) = delete;
    CGPSTrack& operator=(const CGPSTrack&) = delete;

    bool IsOpen() const { return m_bOpen; }

    // Reads one line and appends its record: 1, or 0 at the end of the log (and for ever
    // after, so that lines appended later are not read), or when the log is not open.
    // Throws CFileException when reading fails.
    int ReadNextRecord();

    // Appends the record that line makes, valid or not. Always 1.
    int ParseRecord(std::string line);

    // The record at the cursor, or null at the end. Good until the next ReadNextRecord.
    CGPSPoint* GetCurrent();
    const CGPSPoint* GetCurrent() const;
    void Advance();
    void Rewind();
    // The cursor to record nIndex, clamped to 0..GetCount().
    void SetCursor(int nIndex);
    bool AtEnd() const;

    int GetCount() const { return m_nCount; }
    int GetCursor() const { return m_nCursor; }
    // Record index, or null outside 0..GetCount()-1.
    const CGPSPoint* GetAt(int index) const;

private:
    int m_nCursor = 0;
    int m_nCount = 0;
    bool m_bOpen = false;
    std::vector<CGPSPoint> m_points;
    CLogFile m_file;

    Limits m_limits;
    bool m_bAtEof = false;
    std::string m_strLine;
};
