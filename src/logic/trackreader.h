#pragma once

#include "logic/gpspoint.h"
#include "logic/logfile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What a damaged card can make us read. The defaults leave every real log alone.
struct CTrackLimits
{
    // Characters of a line that are kept; a valid record needs its first 47, the rest is
    // trailing text that nobody reads.
    std::size_t m_nMaxLineLength = 64 * 1024;
    // Records read at most: 2^20 is over twelve days at one line a second.
    int m_nMaxRecords = 1 << 20;
    // Bytes of the file read at most (256 bytes per line on average at the record limit).
    std::uint64_t m_nMaxBytes = std::uint64_t(256) << 20;
    // Size of one read from the file.
    std::size_t m_nBlockSize = 128 * 1024;
};

// One file of a track, open for reading by the reader of its format.
class CTrackReading
{
public:
    virtual ~CTrackReading() = default;
    // Room to keep for the records of the whole file.
    virtual std::size_t ExpectedRecords() const = 0;
    // The next record of the track, one a second of the clip; false at the end of the file.
    // Throws CFileException when reading fails.
    virtual bool ReadRecord(CGPSPoint& record) = 0;
    // What of the file the records come from, where the format has kinds ("Novatek freeGPS
    // type 3, 180 blocks"); empty where the format's name says it all.
    virtual std::string Description() const { return std::string(); }
};

// A track whose records were all made when the file opened.
class CRecordsReading : public CTrackReading
{
public:
    CRecordsReading(std::vector<CGPSPoint> records, std::string description = std::string())
        : m_records(std::move(records)), m_strDescription(std::move(description))
    {
    }
    std::size_t ExpectedRecords() const override { return m_records.size(); }
    bool ReadRecord(CGPSPoint& record) override;
    std::string Description() const override { return m_strDescription; }

private:
    std::vector<CGPSPoint> m_records;
    std::string m_strDescription;
    std::size_t m_nNext = 0;
};

// A file of a format written in lines, read a block at a time within the limits.
class CLineReading : public CTrackReading
{
public:
    // bytesPerRecord: what a record takes of the file on average, to keep room for them all.
    CLineReading(const CTrackLimits& limits, std::uint64_t bytesPerRecord);
    // Whether the regular file at path opened.
    bool Open(const std::string& path, std::string& error);
    std::size_t ExpectedRecords() const override;

protected:
    // The next line, or false at the end of the file.
    bool ReadLine() { return m_file.ReadLine(m_strLine, m_limits.m_nMaxLineLength); }

    CTrackLimits m_limits;
    std::uint64_t m_nBytesPerRecord;
    CLogFile m_file;
    std::string m_strLine;
};

// A format of GPS track files.
class CTrackReader
{
public:
    virtual ~CTrackReader() = default;
    virtual const char* Name() const = 0;
    // The extension (".nmea") of the file beside a clip named like the clip that holds a track
    // of this format; empty for a format whose files lie elsewhere.
    virtual std::string BesideExtension() const = 0;
    // Whether the file at path may hold a track of this format, asked before it is opened and
    // without reading it (a scan asks for thousands of clips).
    virtual bool Probe(const std::string& path) const = 0;
    // The file opened for reading; null, with error saying why, when it cannot be.
    virtual std::unique_ptr<CTrackReading> Open(const std::string& path, const CTrackLimits& limits,
                                                std::string& error) const = 0;
    // Whether the format is read from inside the clip itself (after every file beside it).
    virtual bool ReadsTheClip() const { return false; }
};

// The camcorder's log: one line a second, in the card's folder GPS (logic/logpath.h).
const CTrackReader& CardLogReader();
// NMEA 0183 beside the clip (logic/nmea.h).
const CTrackReader& NmeaReader();
// GPS the camera wrote inside the clip's MP4/MOV file (logic/clipgpsreader.h).
const CTrackReader& ClipGpsReader();

// Every format the program reads, the card's log first, then the files beside a clip in the
// order they are tried. The card's log, NMEA and the clip's own GPS are always there; a reader of another library
// (gpx/) adds itself with RegisterTrackReader before the first clip is looked at.
std::vector<const CTrackReader*> TrackReaders();
// Adds reader after those there; a reader there already is not added again.
void RegisterTrackReader(const CTrackReader& reader);

// Whether the file name at the end of path ends with extension, in any letter case.
bool HasExtensionNoCase(const std::string& path, const std::string& extension);
