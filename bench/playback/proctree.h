#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// What /proc tells about a process and all its descendants (the program and the web engine's
// helper processes) at one moment: CPU time spent so far, per process and per thread, and the
// proportional set size of each process.
namespace ProcTree {

struct CThreadSample
{
    pid_t nTid = 0;
    std::string strName;
    long long nTicks = 0;  // user + system, in clock ticks
};

struct CProcessSample
{
    pid_t nPid = 0;
    std::string strKind;  // the program's name, or the web engine process's --type
    long long nTicks = 0;
    long long nPssKb = 0;
    long long nRssKb = 0;
    std::vector<CThreadSample> threads;
};

struct CTreeSample
{
    double dSeconds = 0;  // monotonic clock when taken
    std::vector<CProcessSample> processes;

    long long Ticks() const;
    long long PssKb() const;
    long long RssKb() const;
};

// The process and its descendants; without threads unless asked for.
CTreeSample Sample(pid_t nRoot, bool bThreads = false);

// Share of one core (100 = one core busy) that the tree used between two samples; processes
// that appeared in between count from zero, those that ended are lost.
double CpuPercent(const CTreeSample& before, const CTreeSample& after);

// CPU per process kind and per thread name between two samples, largest first, in percent of a
// core.
std::vector<std::pair<std::string, double>> CpuByThread(const CTreeSample& before, const CTreeSample& after);
std::vector<std::pair<std::string, double>> CpuByProcess(const CTreeSample& before, const CTreeSample& after);

// The largest mappings of one process by PSS (kB), grouped by the file mapped or the kind of
// anonymous memory.
std::vector<std::pair<std::string, long long>> PssByMapping(pid_t nPid, std::size_t nTop);

// "load average: 1.23 0.98 0.70", from /proc/loadavg.
std::string LoadAverage();

} // namespace ProcTree
