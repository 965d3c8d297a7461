#include "includegraph.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>

namespace fs = std::filesystem;

namespace {

bool IsSource(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".inl";
}

std::string TopFolder(const std::string& strFolder)
{
    return strFolder.substr(0, strFolder.find('/'));
}

} // namespace

std::vector<CInclude> ReadIncludes(const fs::path& sourceRoot)
{
    const fs::path root = fs::canonical(sourceRoot);
    static const std::regex includeLine(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<CInclude> includes;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file() && IsSource(entry.path()))
            files.push_back(entry.path());
    }
    // Directory order is the file system's; the report reads better in name order.
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream in(file);
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (line.find("include") == std::string::npos || !std::regex_search(line, match, includeLine))
                continue;
            for (const fs::path& base : {file.parent_path(), root}) {
                const fs::path target = base / match[1].str();
                if (fs::is_regular_file(target)) {
                    includes.push_back({fs::relative(file, root).generic_string(),
                                        fs::relative(fs::canonical(target), root).generic_string()});
                    break;
                }
            }
        }
    }
    return includes;
}

std::string FolderOf(const std::string& strFile)
{
    const std::size_t nSlash = strFile.rfind('/');
    return nSlash == std::string::npos ? std::string() : strFile.substr(0, nSlash);
}

std::string PairOf(const std::string& strFile)
{
    return strFile.substr(0, strFile.rfind('.'));
}

std::optional<int> LayerOf(const std::string& strFolder)
{
    static const std::map<std::string, int> layers = {
        {"", 0},      {"framework", 1}, {"logic", 2}, {"engine", 2}, {"map", 3},
        {"skin", 3},  {"desktop", 3},   {"gpx", 3},    {"window", 4}, {"app", 5},
    };
    const auto it = layers.find(TopFolder(strFolder));
    return it == layers.end() ? std::nullopt : std::optional<int>(it->second);
}

std::string LayerFault(const std::string& strFromFolder, const std::string& strToFolder)
{
    for (const std::string& folder : {strFromFolder, strToFolder}) {
        if (!LayerOf(folder))
            return "folder \"" + folder + "\" belongs to no layer";
    }
    const int nFrom = *LayerOf(strFromFolder);
    const int nTo = *LayerOf(strToFolder);
    if (TopFolder(strFromFolder) == TopFolder(strToFolder) || nTo < nFrom)
        return {};
    return nTo > nFrom ? "runs up a layer" : "runs across to a layer of the same level";
}

std::vector<std::vector<std::string>> Cycles(const std::vector<std::pair<std::string, std::string>>& edges)
{
    std::map<std::string, std::set<std::string>> next;
    for (const auto& [from, to] : edges) {
        next[to];
        if (from != to)
            next[from].insert(to);
    }
    // Tarjan's strongly connected components.
    std::map<std::string, int> index, low;
    int nVisited = 0;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    std::vector<std::vector<std::string>> cycles;
    std::function<void(const std::string&)> visit = [&](const std::string& node) {
        index[node] = low[node] = nVisited++;
        stack.push_back(node);
        onStack.insert(node);
        for (const std::string& to : next[node]) {
            if (!index.count(to)) {
                visit(to);
                low[node] = std::min(low[node], low[to]);
            } else if (onStack.count(to)) {
                low[node] = std::min(low[node], index[to]);
            }
        }
        if (low[node] != index[node])
            return;
        std::vector<std::string> group;
        std::string member;
        do {
            member = stack.back();
            stack.pop_back();
            onStack.erase(member);
            group.push_back(member);
        } while (member != node);
        if (group.size() > 1) {
            std::sort(group.begin(), group.end());
            cycles.push_back(group);
        }
    };
    for (const auto& entry : next) {
        if (!index.count(entry.first))
            visit(entry.first);
    }
    return cycles;
}
