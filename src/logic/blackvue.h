#pragma once

#include "logic/timedfix.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What BlackVue cameras write in a top-level "free" box: boxes "cprt" (the model), "sttm" (the
// camera's clock at the clip's start, ms), "gps " (NMEA lines "[ms]$GPRMC,...", NUL-padded, on
// the same clock) and "3gf " (acceleration).
struct CBlackVueGps
{
    std::string m_strModel;
    std::size_t m_nSentences = 0;  // RMC sentences read
    // Each RMC's fix at its clip time, (ms - sttm) / 1000; checksums are not trusted either way
    // (the cameras write wrong ones).
    std::vector<CTimedFix> m_fixes;
};

// Whether the first bytes of a top-level "free" box's payload start BlackVue's boxes.
bool IsBlackVueBox(std::string_view head);

// The payload of BlackVue's "free" box into its model and fixes; false when it holds no "gps "
// box. Lines before "sttm" or over a day after it are left out, as are lines without "[ms]".
bool ReadBlackVueBox(std::string_view payload, CBlackVueGps& gps);
