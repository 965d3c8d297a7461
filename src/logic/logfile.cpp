#include "logic/logfile.h"

#include "framework/core/fileerror.h"

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

bool CLogFile::ReadBlock(std::string_view& block)
{
    if (m_nBegin == m_nEnd && !Fill())
        return false;
    block = std::string_view(m_buffer.get() + m_nBegin, m_nEnd - m_nBegin);
    m_nBegin = m_nEnd;
    return true;
}
