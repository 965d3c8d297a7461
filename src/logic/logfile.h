#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

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
    // The next bytes as they come, at most one block; good until the next read. False when
    // nothing is left. Throws CFileException when the read fails.
    bool ReadBlock(std::string_view& block);

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
