#pragma once

#include <QLoggingCategory>

#include <string>
#include <vector>

// What was done with paths from a command line, this copy's or another's (off by default).
Q_DECLARE_LOGGING_CATEGORY(lcCli)

// The program's command line: deruziz [--help] [--version] [PATH...]. Read before any
// application object exists, so that a copy that only prints or hands over starts nothing.
class CCommandLine
{
public:
    // Reads the arguments; false when the program is to end at once with ExitCode() (help,
    // version, a wrong option). Prints what the user asked for or what was wrong.
    bool Parse(int argc, char** argv);
    int ExitCode() const { return m_nExitCode; }

    // Whether any path was given, even one that does not exist.
    bool HasPathArguments() const { return m_bPathArguments; }
    // The given paths that exist, made absolute against the working folder, in the order
    // given (file-system encoding); each missing one has had its line on standard error.
    const std::vector<std::string>& Paths() const { return m_paths; }

private:
    int m_nExitCode = 0;
    bool m_bPathArguments = false;
    std::vector<std::string> m_paths;
};
