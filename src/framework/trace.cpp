#include "framework/trace.h"

#include <chrono>

Q_LOGGING_CATEGORY(lcTrace, "deruziz.trace", QtWarningMsg)
Q_LOGGING_CATEGORY(lcStartup, "deruziz.startup", QtWarningMsg)

void TraceStartup(const char* pszWhat)
{
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    if (!lcStartup().isInfoEnabled())
        return;
    qCInfo(lcStartup, "%s at %lld ns", pszWhat, static_cast<long long>(ns.count()));
}
