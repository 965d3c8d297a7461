#pragma once

// deruziz --gps-info CLIP
constexpr const char* kGpsInfoOption = "--gps-info";

// The command: argv[1] is kGpsInfoOption. Prints where the clip's GPS track comes from (the
// file and its format), its records and how many are valid, its first and last fix with their
// times; or that none was found and what was looked for. 0 when a track was found, else 1.
// Needs no application object, no display and no lock.
int RunGpsInfo(int argc, char** argv);
