// The layers of src/ as the includes show them: app > window > map, skin, desktop, gpx > logic,
// engine > framework, each including only layers below it, with no folders or file pairs that
// include each other round. Reads the sources when it runs, so a new include is checked
// without a rebuild.
#include "includegraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

const std::filesystem::path kSources = DERUZIZ_SOURCE_DIR "/src";

std::string Text(const std::vector<std::string>& group)
{
    std::string text;
    for (const std::string& member : group)
        text += (text.empty() ? "" : ", ") + member;
    return text;
}

// Edges between the groups keyFn puts the two ends of each include in.
template <typename KeyFn>
std::vector<std::pair<std::string, std::string>> Edges(const std::vector<CInclude>& includes, KeyFn keyFn)
{
    std::vector<std::pair<std::string, std::string>> edges;
    for (const CInclude& include : includes)
        edges.emplace_back(keyFn(include.m_strFrom), keyFn(include.m_strTo));
    return edges;
}

} // namespace

TEST(LayerRule, WhichFolderMayIncludeWhich)
{
    const struct
    {
        const char* from;
        const char* to;
        bool bAllowed;
    } rows[] = {
        {"app", "window", true},
        {"app", "framework", true},
        {"window", "desktop/mpris", true},
        {"window", "app", false},
        {"map", "app", false},
        {"map", "skin", false},
        {"skin", "desktop", false},
        {"desktop/mpris", "map/mywebbrowser", false},
        {"logic", "engine", false},
        {"engine", "logic", false},
        {"logic", "framework/core", true},
        {"gpx", "logic", true},
        {"logic", "gpx", false},
        {"framework/core", "logic", false},
        {"framework", "skin/generated", false},
        {"skin", "skin/generated", true},
        {"skin/generated", "skin", true},
        {"map/mywebbrowser/module", "map", true},
        {"logic", "", true},
        {"", "framework", false},
        {"widgets", "framework", false},
        {"app", "tools", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LayerFault(row.from, row.to).empty(), row.bAllowed) << row.from << " -> " << row.to;
}

TEST(LayerRule, CyclesAreFoundWhateverTheirLength)
{
    using CEdges = std::vector<std::pair<std::string, std::string>>;
    using CGroups = std::vector<std::vector<std::string>>;
    const struct
    {
        CEdges edges;
        CGroups cycles;
    } rows[] = {
        {{{"a", "b"}, {"b", "c"}, {"a", "c"}, {"c", "c"}}, {}},
        {{{"a", "b"}, {"b", "a"}}, {{"a", "b"}}},
        {{{"a", "b"}, {"b", "a"}, {"b", "c"}, {"c", "d"}, {"d", "e"}, {"e", "c"}, {"e", "f"}},
         {{"a", "b"}, {"c", "d", "e"}}},
        // A cycle that also leads into a part already done stays a cycle of its own.
        {{{"a", "b"}, {"c", "d"}, {"d", "c"}, {"d", "b"}}, {{"c", "d"}}},
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        CGroups found = Cycles(rows[i].edges);
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, rows[i].cycles) << "row " << i;
    }
}

TEST(Sources, EveryIncludeGoesDownALayer)
{
    const std::vector<CInclude> includes = ReadIncludes(kSources);
    ASSERT_GT(includes.size(), 100u) << "the sources were not found under " << kSources;
    for (const CInclude& include : includes) {
        const std::string strFault = LayerFault(FolderOf(include.m_strFrom), FolderOf(include.m_strTo));
        EXPECT_TRUE(strFault.empty()) << include.m_strFrom << " includes " << include.m_strTo << ": " << strFault;
    }
}

TEST(Sources, NoFoldersIncludeEachOtherRound)
{
    for (const std::vector<std::string>& cycle : Cycles(Edges(ReadIncludes(kSources), FolderOf)))
        ADD_FAILURE() << "folders in a cycle: " << Text(cycle);
}

TEST(Sources, NoFilePairsIncludeEachOtherRound)
{
    for (const std::vector<std::string>& cycle : Cycles(Edges(ReadIncludes(kSources), PairOf)))
        ADD_FAILURE() << "files in a cycle: " << Text(cycle);
}
