#pragma once

#include <string>
#include <vector>

// What paths dropped on the window bring: folders for the play list, in the order dropped, and
// clips, of which the last plays and the others join the play list.
struct CDropPlan
{
    std::vector<std::string> m_folders;
    std::vector<std::string> m_clips;

    bool IsEmpty() const { return m_folders.empty() && m_clips.empty(); }
};

// A folder (or a link to one) is a folder; a file with a clip's name is a clip; a path that
// names nothing (a link pointing nowhere, a file gone since) counts as a clip too, so that
// opening it tells the user why it cannot be played. Other files and empty paths are left out.
CDropPlan PlanDrop(const std::vector<std::string>& paths);
