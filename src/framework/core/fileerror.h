#pragma once

#include <stdexcept>
#include <string>

// A failed file operation, thrown where the old framework raised its file exception.
// Command handlers catch it at their edge and show ReportFileError's message box.
class CFileException : public std::runtime_error
{
public:
    enum Cause { none, fileNotFound, accessDenied, badPath, endOfFile, genericException };

    CFileException(Cause cause, std::string fileName, int osError = 0);

    Cause m_cause;
    std::string m_strFileName;
    int m_lOsError;

    // Builds the exception from errno after a failed open/read of fileName.
    static CFileException FromErrno(int err, const std::string& fileName);
    // The text the user sees for this error.
    std::string GetErrorMessage() const;
};
