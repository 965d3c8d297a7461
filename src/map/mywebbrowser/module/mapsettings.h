#pragma once

#include <QString>

// Where the map keeps its tiles between runs.
namespace MapSettings {

// $XDG_CACHE_HOME/deruziz (~/.cache/deruziz when unset or not absolute).
QString CachePath();
// Bytes the tile cache may take on disk.
constexpr qint64 kCacheMaxBytes = qint64(200) * 1024 * 1024;

} // namespace MapSettings
