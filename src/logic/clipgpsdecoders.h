#pragma once

#include "logic/timedfix.h"

#include <string_view>
#include <vector>

// Novatek's "freeGPS" block layouts.
enum class EFreeGpsType { None, Type3, Type3Kenwood, Type17, Type17Iqs, Type17Transcend, Type2, Type20 };

// "type 3", "type 3 (Kenwood)", "type 17", "type 17 (IQS)", "type 17 (Transcend)", "type 2", "type 20".
const char* FreeGpsTypeName(EFreeGpsType type);

// Whether bytes (at least 12 of them) start a freeGPS block: a u32 BE size, then "freeGPS ".
bool IsFreeGpsBlock(std::string_view bytes);

// One freeGPS block (from its size field on, as many bytes as the block holds or the file has)
// into one fix, with its UTC time where the record tells a possible one. Returns the layout
// it was read as; None for a layout not known, which gives an invalid fix. Status V, or any
// value out of range, gives an invalid fix, never a wrong position. A type-3 year of 2000 or
// later is the camera's local time, made UTC with the machine's time zone.
EFreeGpsType DecodeFreeGpsBlock(std::string_view block, CTimedFix& fix);

// One sample of a gpmd track (GoPro GPMF) into its fixes, appended to fixes: each with its clip
// time (dSampleTime and its place among the sample's fixes over dSampleDuration), its UTC time
// (GPSU, or GPS9's own), 2D speed in m/s; a sample whose GPSF says no fix gives invalid fixes.
// False, with nothing appended, for a payload that is not GPMF (other makes reuse gpmd).
bool DecodeGpmfSample(std::string_view payload, double dSampleTime, double dSampleDuration,
                      std::vector<CTimedFix>& fixes);
