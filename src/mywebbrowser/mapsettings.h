#pragma once

#include <QJsonObject>
#include <QString>

// Where the map keeps its tiles between runs, and the tile servers a user has set.
namespace MapSettings {

// $XDG_CACHE_HOME/deruziz (~/.cache/deruziz when unset or not absolute).
QString CachePath();
// Bytes the tile cache may take on disk.
constexpr qint64 kCacheMaxBytes = qint64(200) * 1024 * 1024;

// The [tiles] addresses of $XDG_CONFIG_HOME/deruziz/deruziz.conf (street, imagery, labels, roads),
// as a JSON object the live map page merges over its own; only http and https addresses with
// {z}, {x} and {y} in them are taken.
QJsonObject TileOverrides();

} // namespace MapSettings
