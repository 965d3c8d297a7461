// The camcorder's log, read through ParseCardLine a line at a time.
#include "logic/logpath.h"
#include "logic/trackreader.h"

namespace {

class CCardLogReading : public CLineReading
{
public:
    // A valid card line takes 46 bytes with its LF, and a log is nearly all valid lines.
    explicit CCardLogReading(const CTrackLimits& limits) : CLineReading(limits, 44) {}

    bool ReadRecord(CGPSPoint& record) override
    {
        if (!ReadLine())
            return false;
        record = ParseCardLine(m_strLine);
        return true;
    }
};

class CCardLogReader : public CTrackReader
{
public:
    const char* Name() const override { return "card log"; }
    std::string BesideExtension() const override { return std::string(); }
    // Its place, not its name, makes a file the card's log.
    bool Probe(const std::string&) const override { return true; }

    std::unique_ptr<CTrackReading> Open(const std::string& path, const CTrackLimits& limits,
                                        std::string& error) const override
    {
        auto reading = std::make_unique<CCardLogReading>(limits);
        if (!reading->Open(FindGpsLogNoCase(path), error))
            return nullptr;
        return reading;
    }
};

} // namespace

const CTrackReader& CardLogReader()
{
    static const CCardLogReader reader;
    return reader;
}
