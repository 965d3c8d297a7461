#include "desktop/commandline.h"

#include "logic/logpath.h"

#include <QCommandLineParser>
#include <QFile>

#include <cstdio>
#include <sys/stat.h>

Q_LOGGING_CATEGORY(lcCli, "deruziz.cli", QtWarningMsg)

namespace {

constexpr const char* kProgram = "deruziz";

void PrintHelp(const QCommandLineParser& parser)
{
    // Without an application object the parser cannot name the program in its usage line.
    QString strHelp = parser.helpText();
    strHelp = QStringLiteral("Usage: %1 [options] [PATH...]").arg(QLatin1String(kProgram)) +
              strHelp.mid(strHelp.indexOf(QLatin1Char('\n'))) +
              QStringLiteral("\nAlso: %1 --export-gpx CLIP OUT.gpx\n"
                             "  Writes the clip's GPS track as GPX and ends.\n"
                             "%1 --gps-info CLIP\n"
                             "  Tells where the clip's GPS track comes from and what it holds, and ends.\n")
                  .arg(QLatin1String(kProgram));
    std::fputs(qPrintable(strHelp), stdout);
}

// The bytes each positional argument was given as: a name that is not UTF-8 does not survive
// Qt's decoding, and the file has that name only in its bytes.
std::vector<std::string> GivenBytes(const QStringList& positional, int argc, char** argv)
{
    std::vector<std::string> given;
    int i = 1;
    for (const QString& strArg : positional) {
        while (i < argc && QFile::decodeName(argv[i]) != strArg)
            ++i;
        given.push_back(i < argc ? std::string(argv[i++]) : QFile::encodeName(strArg).toStdString());
    }
    return given;
}

} // namespace

bool CCommandLine::Parse(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays car-camcorder clips and follows their GPS logs on a map."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Displays this help."));
    parser.addOption(helpOption);
    const QCommandLineOption versionOption({QStringLiteral("v"), QStringLiteral("version")},
                                           QStringLiteral("Displays the version."));
    parser.addOption(versionOption);
    parser.addPositionalArgument(
        QStringLiteral("PATH"),
        QStringLiteral("A clip to open (the last one given plays), or a folder whose clips go to the play list."),
        QStringLiteral("[PATH...]"));

    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, qPrintable(parser.errorText()), kProgram);
        m_nExitCode = 1;
        return false;
    }
    if (parser.isSet(helpOption)) {
        PrintHelp(parser);
        return false;
    }
    if (parser.isSet(versionOption)) {
        std::printf("%s %s\n", kProgram, DERUZIZ_VERSION);
        return false;
    }

    const QStringList positional = parser.positionalArguments();
    m_bPathArguments = !positional.isEmpty();
    for (const std::string& strArg : GivenBytes(positional, argc, argv)) {
        struct stat st;
        if (strArg.empty() || ::stat(strArg.c_str(), &st) != 0) {
            std::fprintf(stderr, "%s: %s: no such file or folder\n", kProgram, strArg.c_str());
            continue;
        }
        // Another copy, with its own working folder, may be the one that opens it.
        m_paths.push_back(AbsoluteCleanPath(strArg));
    }
    return true;
}
