#include "logpath.h"

#include "framework/fileerror.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string::size_type npos = std::string::npos;

// Holds the clip open while its log path is built; closed on every way out.
class CClipHandle
{
public:
    explicit CClipHandle(const std::string& path)
    {
        // Non-blocking so that a FIFO named like a clip cannot hang the caller.
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            throw CFileException::FromErrno(errno, path);
    }
    ~CClipHandle() { ::close(m_fd); }
    CClipHandle(const CClipHandle&) = delete;
    CClipHandle& operator=(const CClipHandle&) = delete;

private:
    int m_fd = -1;
};

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

// Names of the entries of folder that equal name ignoring case, in byte order so that the
// choice between several spellings is always the same.
std::vector<std::string> MatchingEntries(const std::string& folder, const std::string& name,
                                         bool foldersOnly)
{
    namespace fs = std::filesystem;
    std::vector<std::string> found;
    std::error_code ec;
    fs::directory_iterator it(fs::path(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (!EqualsNoCase(entry, name))
            continue;
        std::error_code typeError;
        if (foldersOnly && !it->is_directory(typeError))
            continue;
        found.push_back(std::move(entry));
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool StatusReadable(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

std::string GetGpsLogPath(const std::string& clipPath, const std::string& extension)
{
    CClipHandle clip(clipPath);

    const std::string::size_type nameStart = clipPath.rfind('/');
    const std::string name = nameStart == npos ? clipPath : clipPath.substr(nameStart + 1);
    if (name.size() < 8)
        return std::string();

    // The clip's folder: the path without the name and the separator before it.
    if (clipPath.size() < name.size() + 1)
        return std::string();
    const std::string folder = clipPath.substr(0, clipPath.size() - name.size() - 1);

    const std::string::size_type folderSlash = folder.rfind('/');
    if (folderSlash == npos)
        return std::string();
    const std::string parent = folder.substr(0, folderSlash);

    const std::string::size_type parentSlash = parent.rfind('/');
    if (parentSlash == npos)
        return std::string();
    const std::string root = parent.substr(0, parentSlash);

    std::string result;
    result.reserve(root.size() + 14 + extension.size());
    result += root;
    result += "/GPS/GPS";
    result += name[4];
    result += name[5];
    result += name[6];
    result += name[7];
    result += '.';
    result += extension;
    return result;
}

std::string FindGpsLogNoCase(const std::string& logPath)
{
    if (logPath.empty() || StatusReadable(logPath))
        return logPath;

    const std::string::size_type fileSlash = logPath.rfind('/');
    if (fileSlash == npos || fileSlash == 0)
        return logPath;
    const std::string fileName = logPath.substr(fileSlash + 1);
    const std::string folderPath = logPath.substr(0, fileSlash);

    const std::string::size_type folderSlash = folderPath.rfind('/');
    const std::string folderName =
        folderSlash == npos ? folderPath : folderPath.substr(folderSlash + 1);
    if (fileName.empty() || folderName.empty())
        return logPath;

    // prefix + folder + "/" + file rebuilds a path spelt like the input up to the folder.
    std::string prefix, searchIn;
    if (folderSlash == npos) {
        searchIn = ".";
    } else {
        prefix = logPath.substr(0, folderSlash + 1);
        searchIn = folderSlash == 0 ? std::string("/") : logPath.substr(0, folderSlash);
    }

    for (const std::string& folder : MatchingEntries(searchIn, folderName, true)) {
        const std::string folderFull = prefix + folder;
        const std::vector<std::string> files = MatchingEntries(folderFull, fileName, false);
        if (!files.empty())
            return folderFull + "/" + files.front();
    }
    return logPath;
}

bool GpsLogExists(const std::string& logPath)
{
    return !logPath.empty() && StatusReadable(FindGpsLogNoCase(logPath));
}
