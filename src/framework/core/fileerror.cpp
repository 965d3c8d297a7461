#include "framework/core/fileerror.h"

#include <cerrno>
#include <utility>

CFileException::CFileException(Cause cause, std::string fileName, int osError)
    : std::runtime_error("file error: " + fileName),
      m_cause(cause), m_strFileName(std::move(fileName)), m_lOsError(osError)
{
}

CFileException CFileException::FromErrno(int err, const std::string& fileName)
{
    Cause cause = genericException;
    switch (err) {
    case ENOENT: case ENOTDIR: cause = fileNotFound; break;
    case EACCES: case EPERM: case EISDIR: cause = accessDenied; break;
    case ENAMETOOLONG: case EINVAL: cause = badPath; break;
    default: break;
    }
    return CFileException(cause, fileName, err);
}

std::string CFileException::GetErrorMessage() const
{
    switch (m_cause) {
    case fileNotFound: return m_strFileName + " was not found.";
    case accessDenied: return m_strFileName + " could not be accessed.";
    case badPath: return m_strFileName + " contains an invalid path.";
    case endOfFile: return "An attempt was made to access " + m_strFileName + " past its end.";
    default: return "An unexpected error occurred while accessing " + m_strFileName + ".";
    }
}
