#pragma once

#include <QLoggingCategory>

// The program's debug trace (deruziz.trace): what it did and why, off by default.
Q_DECLARE_LOGGING_CATEGORY(lcTrace)
// Start-up milestones with wall-clock times, for measuring how fast the window appears.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)

// Writes a start-up milestone with the wall-clock time (silent unless deruziz.startup is on).
void TraceStartup(const char* pszWhat);
