#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// What the user set in deruziz.conf, as the program uses it; defaults where nothing was set.
struct CPlayerSettings
{
    // [tiles]: layer (street, imagery, labels, roads) -> the tile address that replaces the map's own.
    QMap<QString, QString> m_mapTileServers;
    // [video] output: libVLC's video output module (gl, xcb_x11 or xcb_xv); empty for auto,
    // where libVLC chooses.
    QString m_strVideoOutput;
    // [playback] continuous: when a clip ends, or cannot be played, the next entry of the play
    // list plays.
    bool m_bContinuous = false;
};

// Reads deruziz.conf once, at start. Only a regular file is read, and its opening never blocks
// (a FIFO at the path would hold the program until something writes to it): anything else at the
// path, or a file that cannot be read, gives the defaults and one problem line; a missing file
// gives the defaults and nothing to say.
class CSettingsReader
{
public:
    enum class EFileState { Missing, Read, Refused };

    // $XDG_CONFIG_HOME/deruziz/deruziz.conf (~/.config when unset or not absolute).
    static QString DefaultPath();

    void Read(const QString& strPath);

    const CPlayerSettings& Settings() const { return m_settings; }
    EFileState FileState() const { return m_state; }
    // Whether a write of the settings may replace the file: not when the user's file was there
    // but could not be read, for that would lose what they wrote.
    bool MayReplaceFile() const { return m_state != EFileState::Refused; }
    // Sets one key in the file at strPath and keeps every other line: the file is read again,
    // the key's line replaced (or added to its section, or in a new section) and the file
    // replaced at once through a temporary file. Not done when the file was there but could
    // not be read at start. False with the reason in strWhy when it is not written.
    bool WriteValue(const QString& strPath, const QString& strSection, const QString& strKey, const QString& strValue,
                    QString& strWhy) const;
    // The text of a settings file with that one key set.
    static QByteArray WithValue(const QByteArray& text, const QString& strSection, const QString& strKey,
                                const QString& strValue);

    // What the user should hear about the file, one line each (path and line number first).
    const QStringList& Problems() const { return m_problems; }

    // The settings in the text of a file named strName; lines it cannot take go to problems.
    static CPlayerSettings Parse(const QByteArray& text, const QString& strName, QStringList& problems);
    // An http or https address with {z}, {x} and {y} in it and no other placeholder than {s}.
    static bool IsTileAddress(const QString& strAddress);

private:
    CPlayerSettings m_settings;
    EFileState m_state = EFileState::Missing;
    QStringList m_problems;
};
