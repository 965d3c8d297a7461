#pragma once
// The quoted includes between the program's sources, and the rules they must keep: a layer
// includes only layers below it, and neither folders nor file pairs include each other round.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// One "#include" of one source file of another, both named from the source root
// ("window/player_dlg.cpp" includes "logic/video.h").
struct CInclude
{
    std::string m_strFrom;
    std::string m_strTo;
};

// Every quoted include under root that names a file under root, found as the compiler finds
// it: beside the including file first, then from root. Other includes (system, generated) are
// not the program's layers and are left out.
std::vector<CInclude> ReadIncludes(const std::filesystem::path& root);

// The folder of a source ("" for the files at the top) and its file pair ("logic/video" for
// video.h and video.cpp).
std::string FolderOf(const std::string& strFile);
std::string PairOf(const std::string& strFile);

// The level of a folder's layer, higher above lower: app, window, map/skin/desktop,
// logic/engine, framework; the files at the top (resource.h) lie below all, so anyone may
// include them. Subfolders belong to their top folder's layer. None for a folder outside the table.
std::optional<int> LayerOf(const std::string& strFolder);

// Why an include from one folder to another breaks the layers (it runs up, or across to another
// folder of the same level, or a folder has no layer), or empty if it keeps them.
std::string LayerFault(const std::string& strFromFolder, const std::string& strToFolder);

// The groups of nodes that reach each other over the edges (each group sorted, with at least
// two nodes); edges from a node to itself do not count.
std::vector<std::vector<std::string>> Cycles(const std::vector<std::pair<std::string, std::string>>& edges);
