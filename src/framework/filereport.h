#pragma once

#include <QString>

class QWidget;
class CFileException;

#include <vector>

// The message box the user sees for a file error that ended a command.
void ReportFileError(QWidget* pOwner, const CFileException& error);
// One box for the files a command had to pass over: the first one's error, and how many more;
// then strNote (what else the command left out), in a paragraph of its own.
void ReportFileErrors(QWidget* pOwner, const std::vector<CFileException>& errors,
                      const QString& strNote = QString());

// Runs a command handler body; a file error it raises ends the command with the report.
template <class Body>
void RunReportingFileErrors(QWidget* pOwner, Body&& body);

#include "framework/core/fileerror.h"

template <class Body>
void RunReportingFileErrors(QWidget* pOwner, Body&& body)
{
    try {
        body();
    } catch (const CFileException& error) {
        ReportFileError(pOwner, error);
    }
}
