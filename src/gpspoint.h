#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One line of a GPS log. Only latitude, longitude, speed and the validity flag mean
// anything to the player; an empty record is invalid, and so is one whose latitude lies
// outside 0..90, longitude outside 0..180 or speed below 0 (read from a damaged line).
class CGPSPoint
{
public:
    CGPSPoint() = default;
    CGPSPoint(const CGPSPoint&) = default;
    CGPSPoint& operator=(const CGPSPoint&) = default;
    virtual ~CGPSPoint() = default;

    double m_dLatitude = 0.0;   // decimal degrees, read as north
    double m_dLongitude = 0.0;  // decimal degrees, read as east
    double m_dSpeed = 0.0;      // the log's value times 1.825, the gauge's unit
    std::uint8_t m_nHour = 0;
    std::uint8_t m_nMinute = 0;
    std::uint8_t m_nSecond = 0;
    std::uint8_t m_nDate1 = 0;
    std::uint8_t m_nDate2 = 0;
    std::uint8_t m_nDate3 = 0;
    bool m_bValid = false;
};

// Cuts the text before the first character of the set delimiters off source and returns it;
// source keeps what follows that one separator. Without a separator the whole of source is
// the token and source becomes empty. The token is not trimmed.
std::string NextToken(std::string& source, const std::string& delimiters);
// The same cut over a view, without copying; the parse of every log line uses it.
std::string_view NextToken(std::string_view& source, std::string_view delimiters);

// The log file of a track: opened read-only (other readers and writers are not locked out),
// read in large blocks and handed out a line at a time.
class CLogFile
{
public:
    CLogFile() = default;
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // False when path cannot be opened or is not a regular file (a folder, a FIFO, a device).
    bool Open(const std::string& path, std::size_t blockSize, std::uint64_t maxBytes);
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& GetPath() const { return m_strPath; }
    // Size when opened.
    std::uint64_t GetSize() const { return m_nSize; }

    // The next line without its LF (CR LF counts as LF); a last line without LF is read as it
    // is. At most maxLength characters of the line are kept, the rest is skipped.
    // False when nothing is left. Throws CFileException when the read fails.
    bool ReadLine(std::string& line, std::size_t maxLength);

private:
    bool Fill();

    int m_fd = -1;
    std::string m_strPath;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_nBlockSize = 0;
    std::size_t m_nBegin = 0;
    std::size_t m_nEnd = 0;
    std::uint64_t m_nSize = 0;
    std::uint64_t m_nBytesRead = 0;
    std::uint64_t m_nMaxBytes = 0;
    bool m_bEof = false;
};

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
