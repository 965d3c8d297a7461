#include "logic/dropplan.h"

#include "logic/folderscan.h"

#include <sys/stat.h>

CDropPlan PlanDrop(const std::vector<std::string>& paths)
{
    CDropPlan plan;
    for (const std::string& strPath : paths) {
        if (strPath.empty())
            continue;
        struct stat st;
        if (::stat(strPath.c_str(), &st) != 0)
            plan.m_clips.push_back(strPath);
        else if (S_ISDIR(st.st_mode))
            plan.m_folders.push_back(strPath);
        else if (IsClipName(strPath))
            plan.m_clips.push_back(strPath);
    }
    return plan;
}
