#pragma once

#include "logic/timedfix.h"

#include <cstdint>
#include <string_view>

// The year of a record's two-digit year, as NMEA and the card's log write it: 80-99 are
// 1980-1999, 00-79 2000-2079.
int FullYear(int twoDigitYear);

// Days from 1 January 1980 to the civil date (months and days past their ends roll over).
std::int64_t DaysSince1980(int year, int month, int day);

// The RMC sentence of line, of any talker ($GPRMC, $GNRMC, ...), into fix; false when the
// line holds some other sentence or none, which a track skips. Text before the '$' and fields
// after the date are ignored. The fix is valid for status A with every field read, with its
// speed in knots; it has its UTC time where the checksum is right or absent and the time and
// date could be read. bCheckSum false takes a sentence whatever its checksum says (cameras
// that write wrong ones).
bool ParseRmcSentence(std::string_view line, CTimedFix& fix, bool bCheckSum = true);
