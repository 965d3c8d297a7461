#include "gpspoint.h"

#include "framework/fileerror.h"
#include "logpath.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// find_first_of tests each character against the set with memchr; every log line goes
// through here six times, so sets of control and punctuation characters get a bit mask.
std::size_t FindSeparator(std::string_view source, std::string_view delimiters)
{
    std::uint64_t mask = 0;
    for (const char d : delimiters) {
        const unsigned char c = static_cast<unsigned char>(d);
        if (c >= 64)
            return source.find_first_of(delimiters);
        mask |= std::uint64_t(1) << c;
    }
    const unsigned char* text = reinterpret_cast<const unsigned char*>(source.data());
    for (std::size_t i = 0, n = source.size(); i < n; ++i) {
        const unsigned c = text[i];
        if (c < 64 && ((mask >> c) & 1))
            return i;
    }
    return std::string_view::npos;
}

} // namespace

std::string NextToken(std::string& source, const std::string& delimiters)
{
    const std::size_t p = FindSeparator(source, delimiters);
    if (p == std::string::npos) {
        std::string token;
        token.swap(source);
        return token;
    }
    std::string token(source, 0, p);
    source.erase(0, p + 1);
    return token;
}

std::string_view NextToken(std::string_view& source, std::string_view delimiters)
{
    const std::size_t p = FindSeparator(source, delimiters);
    if (p == std::string_view::npos) {
        const std::string_view token = source;
        source = std::string_view();
        return token;
    }
    const std::string_view token = source.substr(0, p);
    source.remove_prefix(p + 1);
    return token;
}

// ---------------------------------------------------------------------------------------

CLogFile::~CLogFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CLogFile::Open(const std::string& path, std::size_t blockSize, std::uint64_t maxBytes)
{
    // O_NONBLOCK keeps a FIFO from hanging the open; it changes nothing for regular files.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_nSize = static_cast<std::uint64_t>(st.st_size);
    m_strPath = path;
    m_nBlockSize = std::max<std::size_t>(blockSize, 1);
    m_buffer = std::make_unique<char[]>(m_nBlockSize);
    m_nMaxBytes = maxBytes;
    return true;
}

bool CLogFile::Fill()
{
    m_nBegin = m_nEnd = 0;
    if (m_bEof || m_fd < 0)
        return false;
    const std::uint64_t left = m_nMaxBytes - m_nBytesRead;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(m_nBlockSize, left));
    if (want == 0) {
        m_bEof = true;
        return false;
    }
    ssize_t got;
    do {
        got = ::read(m_fd, m_buffer.get(), want);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        throw CFileException::FromErrno(errno, m_strPath);
    if (got == 0) {
        m_bEof = true;
        return false;
    }
    m_nEnd = static_cast<std::size_t>(got);
    m_nBytesRead += static_cast<std::uint64_t>(got);
    return true;
}

bool CLogFile::ReadLine(std::string& line, std::size_t maxLength)
{
    line.clear();
    bool readAny = false;
    bool endedByLf = false;
    std::size_t total = 0;  // characters of the line, kept or not
    for (;;) {
        if (m_nBegin == m_nEnd && !Fill())
            break;
        readAny = true;
        const char* begin = m_buffer.get() + m_nBegin;
        const std::size_t avail = m_nEnd - m_nBegin;
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', avail));
        const std::size_t n = lf ? static_cast<std::size_t>(lf - begin) : avail;
        if (line.size() < maxLength)
            line.append(begin, std::min(n, maxLength - line.size()));
        total += n;
        m_nBegin += n;
        if (lf) {
            ++m_nBegin;
            endedByLf = true;
            break;
        }
    }
    if (endedByLf && total == line.size() && !line.empty() && line.back() == '\r')
        line.pop_back();
    return readAny;
}

// ---------------------------------------------------------------------------------------

namespace {

// Room for the whole log at once: a valid line takes 46 bytes with its LF, and a log is
// nearly all valid lines. Never less than the step of 1024 records.
std::size_t ExpectedRecords(std::uint64_t fileSize, const CGPSTrack::Limits& limits)
{
    const std::uint64_t lines = std::min(fileSize, limits.m_nMaxBytes) / 44 + 1;
    const std::uint64_t cap = static_cast<std::uint64_t>(std::max(limits.m_nMaxRecords, 0));
    return static_cast<std::size_t>(std::max<std::uint64_t>(1024, std::min(lines, cap)));
}

} // namespace

CGPSTrack::CGPSTrack(const std::string& logPath)
    : CGPSTrack(logPath, Limits())
{
}

CGPSTrack::CGPSTrack(const std::string& logPath, const Limits& limits)
    : m_limits(limits)
{
    try {
        m_bOpen = m_file.Open(FindGpsLogNoCase(logPath), m_limits.m_nBlockSize,
                              m_limits.m_nMaxBytes);
        if (m_bOpen)
            m_points.reserve(ExpectedRecords(m_file.GetSize(), m_limits));
    } catch (const std::exception&) {
        // Out of memory for the read buffer or the path: the track stays closed.
        m_bOpen = false;
    }
}

CGPSTrack::~CGPSTrack() = default;

int CGPSTrack::ReadNextRecord()
{
    if (!m_bOpen || m_bAtEof)
        return 0;
    if (m_nCount >= m_limits.m_nMaxRecords
        || !m_file.ReadLine(m_strLine, m_limits.m_nMaxLineLength)) {
        m_bAtEof = true;
        return 0;
    }
    return ParseRecord(m_strLine);
}

namespace {

// The card format has no sign: north and east only.
constexpr double MAX_LATITUDE = 90.0;
constexpr double MAX_LONGITUDE = 180.0;

// The digit positions take any character (see Digit), so a damaged line can read as a place
// or a speed that cannot be.
bool IsPossible(const CGPSPoint& point)
{
    return point.m_dLatitude >= 0.0 && point.m_dLatitude <= MAX_LATITUDE
        && point.m_dLongitude >= 0.0 && point.m_dLongitude <= MAX_LONGITUDE
        && point.m_dSpeed >= 0.0;
}

// Any character counts as its code minus that of '0'; codes are taken as unsigned bytes.
inline int Digit(std::string_view field, std::size_t k)
{
    return static_cast<unsigned char>(field[k]) - 48;
}

// The fields in order; stops at the first that does not fit, leaving point invalid.
void ParseFields(std::string_view rest, CGPSPoint& point)
{
    constexpr std::string_view kSeparators(" \n\r\t,;");

    if (NextToken(rest, kSeparators) != "A")
        return;

    const std::string_view time = NextToken(rest, kSeparators);
    if (time.size() != 6)
        return;
    point.m_nHour = static_cast<std::uint8_t>(10 * Digit(time, 0) + Digit(time, 1));
    point.m_nMinute = static_cast<std::uint8_t>(10 * Digit(time, 2) + Digit(time, 3));
    point.m_nSecond = static_cast<std::uint8_t>(10 * Digit(time, 4) + Digit(time, 5));

    const std::string_view date = NextToken(rest, kSeparators);
    if (date.size() != 10)
        return;
    point.m_nDate1 = static_cast<std::uint8_t>(10 * Digit(date, 0) + Digit(date, 1));
    point.m_nDate2 = static_cast<std::uint8_t>(10 * Digit(date, 2) + Digit(date, 3));
    point.m_nDate3 = static_cast<std::uint8_t>(10 * Digit(date, 4) + Digit(date, 5));

    const std::string_view lat = NextToken(rest, kSeparators);
    if (lat.size() != 9)
        return;
    {
        const int degrees = 10 * Digit(lat, 0) + Digit(lat, 1);
        const int minutes = 100000 * Digit(lat, 2) + 10000 * Digit(lat, 3) + 1000 * Digit(lat, 5)
            + 100 * Digit(lat, 6) + 10 * Digit(lat, 7) + Digit(lat, 8);
        point.m_dLatitude = degrees + minutes / 600000.0;
    }

    const std::string_view lng = NextToken(rest, kSeparators);
    if (lng.size() != 10)
        return;
    {
        const int degrees = 100 * Digit(lng, 0) + 10 * Digit(lng, 1) + Digit(lng, 2);
        const int minutes = 100000 * Digit(lng, 3) + 10000 * Digit(lng, 4) + 1000 * Digit(lng, 6)
            + 100 * Digit(lng, 7) + 10 * Digit(lng, 8) + Digit(lng, 9);
        point.m_dLongitude = degrees + minutes / 600000.0;
    }

    const std::string_view speed = NextToken(rest, kSeparators);
    int whole, hundredths;
    if (speed.size() == 5) {
        whole = 10 * Digit(speed, 0) + Digit(speed, 1);
        hundredths = 10 * Digit(speed, 3) + Digit(speed, 4);
    } else if (speed.size() == 4) {
        whole = Digit(speed, 0);
        hundredths = 10 * Digit(speed, 2) + Digit(speed, 3);
    } else {
        return;
    }
    point.m_dSpeed = (whole + hundredths / 100.0) * 1.825;
    point.m_bValid = IsPossible(point);
}

} // namespace

int CGPSTrack::ParseRecord(std::string line)
{
    m_points.emplace_back();
    ParseFields(line, m_points.back());
    ++m_nCount;
    return 1;
}

CGPSPoint* CGPSTrack::GetCurrent()
{
    return m_nCursor < m_nCount ? &m_points[static_cast<std::size_t>(m_nCursor)] : nullptr;
}

const CGPSPoint* CGPSTrack::GetCurrent() const
{
    return m_nCursor < m_nCount ? &m_points[static_cast<std::size_t>(m_nCursor)] : nullptr;
}

void CGPSTrack::Advance()
{
    if (m_nCursor < m_nCount)
        ++m_nCursor;
}

void CGPSTrack::Rewind()
{
    m_nCursor = 0;
}

bool CGPSTrack::AtEnd() const
{
    return m_nCursor >= m_nCount;
}

const CGPSPoint* CGPSTrack::GetAt(int index) const
{
    return (index >= 0 && index < m_nCount) ? &m_points[static_cast<std::size_t>(index)] : nullptr;
}
