#include "proctree.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace ProcTree {

namespace {

struct CStat
{
    pid_t nPid = 0;
    pid_t nParent = 0;
    std::string strComm;
    long long nTicks = 0;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// /proc/<pid>/stat or /proc/<pid>/task/<tid>/stat: the name sits in brackets and may hold
// blanks and brackets itself, so the fields are counted from the last closing bracket.
bool ReadStat(const std::string& path, CStat& stat)
{
    const std::string text = ReadFile(path);
    const std::size_t nOpen = text.find('(');
    const std::size_t nClose = text.rfind(')');
    if (nOpen == std::string::npos || nClose == std::string::npos || nClose < nOpen)
        return false;
    stat.nPid = std::atoi(text.c_str());
    stat.strComm = text.substr(nOpen + 1, nClose - nOpen - 1);
    std::istringstream fields(text.substr(nClose + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;)
        values.push_back(value);
    // Fields 3 (state) onwards: ppid is field 4, utime 14, stime 15.
    if (values.size() < 13)
        return false;
    stat.nParent = std::atoi(values[1].c_str());
    stat.nTicks = std::atoll(values[11].c_str()) + std::atoll(values[12].c_str());
    return true;
}

std::vector<pid_t> NumericEntries(const std::string& dir)
{
    std::vector<pid_t> ids;
    if (DIR* pDir = opendir(dir.c_str())) {
        while (dirent* pEntry = readdir(pDir)) {
            char* pEnd = nullptr;
            const long nId = std::strtol(pEntry->d_name, &pEnd, 10);
            if (pEnd && *pEnd == '\0' && nId > 0)
                ids.push_back(pid_t(nId));
        }
        closedir(pDir);
    }
    return ids;
}

long long FieldKb(const std::string& text, const std::string& name)
{
    const std::size_t nAt = text.find("\n" + name + ":");
    const std::size_t nStart = nAt == std::string::npos ? (text.rfind(name + ":", 0) == 0 ? 0 : std::string::npos)
                                                        : nAt + 1;
    if (nStart == std::string::npos)
        return 0;
    return std::atoll(text.c_str() + nStart + name.size() + 1);
}

// The web engine's helpers are all QtWebEngineProcess; their --type tells them apart.
std::string KindOf(pid_t nPid, const std::string& strComm)
{
    const std::string cmdline = ReadFile("/proc/" + std::to_string(nPid) + "/cmdline");
    const std::string key = std::string("--type=");
    for (std::size_t nAt = 0; nAt < cmdline.size(); nAt = cmdline.find('\0', nAt) + 1) {
        if (cmdline.compare(nAt, key.size(), key) == 0)
            return "web " + std::string(cmdline.c_str() + nAt + key.size());
        if (cmdline.find('\0', nAt) == std::string::npos)
            break;
    }
    return strComm;
}

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double PercentOf(long long nTicks, double dSeconds)
{
    static const double dTicksPerSecond = double(sysconf(_SC_CLK_TCK));
    return dSeconds > 0 ? 100.0 * double(nTicks) / dTicksPerSecond / dSeconds : 0.0;
}

} // namespace

long long CTreeSample::Ticks() const
{
    long long n = 0;
    for (const CProcessSample& process : processes)
        n += process.nTicks;
    return n;
}

long long CTreeSample::PssKb() const
{
    long long n = 0;
    for (const CProcessSample& process : processes)
        n += process.nPssKb;
    return n;
}

long long CTreeSample::RssKb() const
{
    long long n = 0;
    for (const CProcessSample& process : processes)
        n += process.nRssKb;
    return n;
}

CTreeSample Sample(pid_t nRoot, bool bThreads)
{
    std::map<pid_t, CStat> all;
    for (pid_t nPid : NumericEntries("/proc")) {
        CStat stat;
        if (ReadStat("/proc/" + std::to_string(nPid) + "/stat", stat))
            all[nPid] = stat;
    }
    std::set<pid_t> tree = {nRoot};
    for (bool bGrew = true; bGrew;) {
        bGrew = false;
        for (const auto& [nPid, stat] : all) {
            if (tree.count(stat.nParent) && tree.insert(nPid).second)
                bGrew = true;
        }
    }
    CTreeSample sample;
    sample.dSeconds = Now();
    for (pid_t nPid : tree) {
        const auto found = all.find(nPid);
        if (found == all.end())
            continue;
        CProcessSample process;
        process.nPid = nPid;
        process.nTicks = found->second.nTicks;
        process.strKind = KindOf(nPid, found->second.strComm);
        const std::string proc = "/proc/" + std::to_string(nPid);
        const std::string rollup = ReadFile(proc + "/smaps_rollup");
        process.nPssKb = FieldKb(rollup, "Pss");
        process.nRssKb = FieldKb(rollup, "Rss");
        if (bThreads) {
            for (pid_t nTid : NumericEntries(proc + "/task")) {
                CStat thread;
                if (ReadStat(proc + "/task/" + std::to_string(nTid) + "/stat", thread))
                    process.threads.push_back({nTid, thread.strComm, thread.nTicks});
            }
        }
        sample.processes.push_back(std::move(process));
    }
    return sample;
}

double CpuPercent(const CTreeSample& before, const CTreeSample& after)
{
    long long nTicks = 0;
    for (const CProcessSample& process : after.processes) {
        long long nStart = 0;
        for (const CProcessSample& earlier : before.processes) {
            if (earlier.nPid == process.nPid)
                nStart = earlier.nTicks;
        }
        nTicks += process.nTicks - nStart;
    }
    return PercentOf(nTicks, after.dSeconds - before.dSeconds);
}

namespace {

std::vector<std::pair<std::string, double>> Sorted(const std::map<std::string, long long>& ticks, double dSeconds)
{
    std::vector<std::pair<std::string, double>> shares;
    for (const auto& [name, nTicks] : ticks)
        shares.emplace_back(name, PercentOf(nTicks, dSeconds));
    std::sort(shares.begin(), shares.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    return shares;
}

} // namespace

std::vector<std::pair<std::string, double>> CpuByThread(const CTreeSample& before, const CTreeSample& after)
{
    std::map<std::pair<pid_t, pid_t>, long long> start;
    for (const CProcessSample& process : before.processes) {
        for (const CThreadSample& thread : process.threads)
            start[{process.nPid, thread.nTid}] = thread.nTicks;
    }
    std::map<std::string, long long> ticks;
    for (const CProcessSample& process : after.processes) {
        for (const CThreadSample& thread : process.threads) {
            // The first thread is the process's main thread; the others of libVLC and Qt carry
            // the process's name too.
            const std::string strThread = thread.nTid == process.nPid ? "main thread" : thread.strName;
            const auto found = start.find({process.nPid, thread.nTid});
            ticks[process.strKind + ": " + strThread] += thread.nTicks - (found == start.end() ? 0 : found->second);
        }
    }
    return Sorted(ticks, after.dSeconds - before.dSeconds);
}

std::vector<std::pair<std::string, double>> CpuByProcess(const CTreeSample& before, const CTreeSample& after)
{
    std::map<std::string, long long> ticks;
    for (const CProcessSample& process : after.processes) {
        long long nStart = 0;
        for (const CProcessSample& earlier : before.processes) {
            if (earlier.nPid == process.nPid)
                nStart = earlier.nTicks;
        }
        ticks[process.strKind] += process.nTicks - nStart;
    }
    return Sorted(ticks, after.dSeconds - before.dSeconds);
}

std::vector<std::pair<std::string, long long>> PssByMapping(pid_t nPid, std::size_t nTop)
{
    std::ifstream smaps("/proc/" + std::to_string(nPid) + "/smaps");
    std::map<std::string, long long> pss;
    std::string strCurrent;
    for (std::string line; std::getline(smaps, line);) {
        // A field line starts with "Name:", a mapping's header with its address range.
        const std::string strFirst = line.substr(0, line.find(' '));
        if (!strFirst.empty() && strFirst.back() != ':') {
            std::istringstream fields(line);
            std::string range, perms, offset, dev, inode, path;
            fields >> range >> perms >> offset >> dev >> inode;
            std::getline(fields >> std::ws, path);
            strCurrent = path.empty() ? "[anonymous]" : path;
            continue;
        }
        if (line.rfind("Pss:", 0) == 0)
            pss[strCurrent] += std::atoll(line.c_str() + 4);
    }
    std::vector<std::pair<std::string, long long>> sorted(pss.begin(), pss.end());
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    if (sorted.size() > nTop)
        sorted.resize(nTop);
    return sorted;
}

std::string LoadAverage()
{
    std::istringstream fields(ReadFile("/proc/loadavg"));
    std::string a, b, c;
    fields >> a >> b >> c;
    return "load average: " + a + " " + b + " " + c;
}

} // namespace ProcTree
