#pragma once

#include <string>
#include <vector>

class CPlayerDlg;

// Tells on the deruziz.cli logging category what the window made of the paths it was handed:
// the clip it opened and when it plays, the play list once the folders are in. It follows the
// window's signals, and costs nothing while the category is off.
class CPathsTrace
{
public:
    static void Follow(CPlayerDlg& dlg, const std::vector<std::string>& paths);
};
