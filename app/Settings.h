#pragma once
// The two settings files: "Zorvo.FLV.ini" (window positions and options) and "List.ini"
// (the two playlists). Reading fills plain values that the windows apply; writing takes
// the values the windows hand over.
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace settings {

inline const QString settingsFileName = QStringLiteral("Zorvo.FLV.ini");
inline const QString listsFileName = QStringLiteral("List.ini");

struct Settings {
    std::array<int, 4> mainRect{0, 0, 6000, 6000}; // left, top, width, height in twips
    QPoint listPos;                                 // twips
    QPoint capPos{0, 0};                            // twips
    bool keepWH = true;
    bool keepDef = false;
    QString listDir;                 // empty: the browser starts in the current folder
    QString saveDir;                 // empty: the tools write beside their sources
    std::optional<int> listDirIdx;   // read: set only after an applied ListDir
    int stepMode = 1;                // 0 frames, 1 seconds, 2 percent
    std::array<int, 3> stepValues{5, 5, 5};
    int playSetting = 0;             // listPlayMode 0..3
    bool toListEnd = true;
    bool startList = false;
    bool autoAddMark = false;
    int lineFmt = 0;                 // 0..2
    int doneToFn = 1;                // 1: show new files in the workspace's file browser
};

// What reading found, beyond the values themselves.
struct ReadReport {
    bool mainRectMet = false;     // a MainRect line was there (even if unusable)
    bool mainRectApplied = false;
    bool listRectMet = false;
    bool listRectApplied = false;
    bool listDirApplied = false;
    bool saveDirApplied = false;
};

// Tells whether a folder exists; the reader keeps ListDir and SaveDir only then.
using FolderTest = std::function<bool(const QString&)>;

// Applies the lines of "Zorvo.FLV.ini" onto s. Unknown keys, lines without "=" and
// values that do not fit leave the setting as it was.
ReadReport readSettingsLines(const QStringList& lines, Settings& s, const FolderTest& folderExists);
QStringList settingsLines(const Settings& s);

struct Playlist {
    QStringList items; // item strings: path, optionally "‖" and the mark text
    int selected = -1;
};

struct ListStore {
    int lastPlaylistNo = 0;
    std::array<Playlist, 2> lists;
};

inline const QString listSeparator = QStringLiteral("\u2016"); // "‖"

ListStore readListLines(const QStringList& lines);
QStringList listLines(const ListStore& store);

// The folder the settings files live in: the program folder, or
// $XDG_CONFIG_HOME/Zorvo.FLV/ when the program folder cannot be written or belongs to an
// installed copy (it holds installedMarkerName).
QString settingsFolder(const QString& programFolder);
// Laid into the program folder by the install rules.
inline const QString installedMarkerName = QStringLiteral("Zorvo.FLV.installed");

// Whole-file operations. A missing file leaves the defaults and answers false.
bool loadSettingsFile(const QString& path, Settings& s, ReadReport& report);
bool loadListFile(const QString& path, ListStore& store);
struct Loaded {
    Settings settings;
    ReadReport report;
    ListStore lists;
};
// Start-up's reading: both files of the folder (defaults where missing), then the
// dialog pattern lists built from the media types in force.
Loaded loadSettings(const QString& folder);

// Writes "Zorvo.FLV.ini", then "List.ini"; each replaces its file only when completely
// written. True when both were written.
bool saveSettingsFiles(const QString& folder, const Settings& s, const ListStore& store);

} // namespace settings
