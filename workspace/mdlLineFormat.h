#pragma once
// Item strings, the lines a playlist shows for them, the column layout of those lines and
// the playlist files.
//
// An item string is a media path, optionally followed by "‖" and the item's mark text
// ("250-400 1000-1250"); it is split at its last "‖". A list line is the item shown in
// TAB-separated columns in one of three formats:
//   0  path            marks
//   1  name   folder   marks
//   2  name   marks    folder
// where the marks column is "标记 " + mark text, or "无标记".
//
// Nothing here touches a widget: the list operations take the lines of a list as strings,
// with the format the lines were composed in (the list's tag) and its selected index.
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace mdlLineFormat {

inline const QChar itemSeparator = QChar(0x2016); // "‖"
inline const QChar columnSeparator = QChar(u'\t');
inline const QString marksPrefix = QStringLiteral("标记 ");
inline const QString noMarksText = QStringLiteral("无标记");
// The playlist file the save-list button writes before it is copied where the user wants.
inline const QString saveListTempName = QStringLiteral("~tmpS.plt");

// The display format new lines are composed in: 0, 1 or 2 (the menu mnuLineFmt).
extern int lineFormat;

// The caption of mnuLineFmt(format); empty for any other number.
QString lineFormatCaption(int format);
// The format recorded in a list's tag: its numeric value, 0 for an empty tag or a number
// that names no format.
int formatOfTag(const QString& tag);
QString tagOfFormat(int format);

// ---- Item strings ----------------------------------------------------------------------

// Splits an item string at its last "‖" into the path and the mark text; an item without
// "‖" is a bare path.
void splitItem(const QString& item, QString& path, QString& markText);
// The item string of a path and its mark text. A path that itself holds "‖" gets the
// separator even without marks, so that the split finds the whole path again.
QString joinItem(const QString& path, const QString& markText);

// ---- List lines ------------------------------------------------------------------------

// "标记 " + mark text, or "无标记" for no marks.
QString marksColumn(const QString& markText);
// The file name and the folder columns of a path: the folder with its drive letter
// upper-cased and a trailing separator.
QString nameColumn(const QString& path);
QString folderColumn(const QString& path);

// The list line of an item string in the given format (lineFormat when left out); the
// empty text when the path is empty. path and markText receive the item's parts.
// A TAB inside a column's text is shown as "␉" so the columns stay apart; the parsing
// below turns it back (a literal "␉" or "␛" is shown behind a "␛").
QString composeLine(const QString& item, int format, QString& path, QString& markText);
QString composeLine(const QString& item, int format);
QString composeLine(const QString& item);

// The columns of a line, TAB escapes undone.
QStringList lineColumns(const QString& line);

// The item string of one line composed in the given format; empty for an empty line, and
// for a format-2 line of fewer than three columns.
QString itemStringOfLine(const QString& line, int format);
// The path of one line read in the given format, with the drive letter upper-cased in
// format 0. The marks column counts only when it holds "-" and is not "无标记"; its mark
// text goes to markText, and withMarks gives the whole item string instead of the path.
QString itemPathOfLine(const QString& line, int format, QString& markText, bool withMarks);

// The row an index names in a list: a negative index means the selected row, and index is
// set to it. False when that row does not exist.
bool resolveRow(const QStringList& lines, int& index, int selected);
// itemStringAt: the item string of a row of a list whose lines were composed in the
// format its tag records.
QString itemStringAt(const QStringList& lines, const QString& tag, int& index, int selected);
// itemPathAt: the path (or item string) of a row, read in the current lineFormat.
QString itemPathAt(const QStringList& lines, int& index, int selected, QString& markText, bool withMarks);

// Every line of a list as an item string (what "List.ini" and a saved playlist hold).
QStringList itemStrings(const QStringList& lines, const QString& tag);
// The lines of item strings in the given format (loading "List.ini", adding a file).
QStringList composeLines(const QStringList& items, int format);
// reformatShownPlaylist over the lines of the shown playlist: every line parsed with the
// format of the list's tag and composed again in the current lineFormat; tag is set to it.
void reformatLines(QStringList& lines, QString& tag);

// ---- Column layout -----------------------------------------------------------------------

// 2 for format 0, 3 for formats 1 and 2.
int columnCount(int format);
int columnCount();
// The width of a text in the bytes of the legacy ANSI code page: an ASCII character is 1,
// every other character (CJK and the rest) 2.
int ansiWidth(const QString& text);

struct TabStops {
    std::vector<int> stops; // one per column, in dialog units
    int total = 0;          // the last stop
};
// setTabStops(columns) over the lines of the active list: column c is as wide as its
// widest text over the non-empty lines, plus 6 characters of 4 units each.
TabStops tabStops(const QStringList& lines, int columns);

// The horizontal scroll extent in pixels. A playlist (viewKind below 10): from its tab
// stops in the current format, total × 7 / 4 − 30. The merge list: its widest line by
// textWidth (pixels of the list's font) + 10.
int horizontalExtent(const QStringList& lines, int viewKind, const std::function<int(const QString&)>& textWidth);

// ---- Playlist files ------------------------------------------------------------------------

// What a list writes to a playlist file: a playlist (view kinds 0 and 1) its item strings,
// the merge list its lines unchanged.
QStringList playlistFileItems(const QStringList& lines, const QString& tag, int viewKind);
// One item string per line, CR LF ends; the file is replaced only when written whole.
// An item that holds a line break cannot be kept on one line: nothing is written and the
// answer is false.
bool writePlaylistFile(const QString& path, const QStringList& items);
// The item strings of a playlist file: every line trimmed of blanks at both ends, empty
// ones skipped, whatever the extension (headers of .pls, .m3u and .asx files included).
// False, with no items, when the name is not a playlist type or the file cannot be read.
bool readPlaylistFile(const QString& path, QStringList& items);
// The item strings of a file's lines, by the same rule.
QStringList playlistItemsOfLines(const QStringList& fileLines);
// Save-list: writes the items to "~tmpS.plt" in the temporary folder, replacing an
// earlier one. The file's path, or empty when it could not be written.
QString writeSaveListTemp(const QStringList& items);

} // namespace mdlLineFormat
