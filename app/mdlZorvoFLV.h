#pragma once
// The helpers every window uses: media types, dialog patterns, path helpers, folders
// and the text form of times.
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace mdlZorvoFLV {

// ---- Module values fixed at start-up -------------------------------------------------

extern QString programFolder;      // the executable's folder, with a trailing "/"
extern QString tempFolder;         // where the tools are written and started, trailing "/"
extern QString moreEditableTypes;  // empty, or moreEditableList with the marker file
extern QString editablePatterns, playablePatterns, imagePatterns, playlistPatterns;
extern QString openFilterAll, openFilterEditable;

// Fixes programFolder (from the running executable) and tempFolder.
void initFolders();

// The private per-user folder for the tools: $XDG_RUNTIME_DIR/Zorvo.FLV/ when that is
// usable, else /tmp/Zorvo.FLV-<uid>/, made with mode 0700. Empty when the folder exists
// but is not the user's own, is a link, or others may write into it.
QString privateTempFolder();
// The same test for one candidate folder (made when missing); empty when refused.
QString ensurePrivateFolder(const QString& folder);

// ---- Media types -----------------------------------------------------------------------

extern const QString playableList;
extern const QString audioList;
extern const QString playlistList;
extern const QString editableBaseList;
extern const QString moreEditableList;
extern const QString streamSchemeList;
extern const QString playablePatternList;
extern const QString imagePatternList;

// The player's open file, for the tests that take an empty name to mean "the file
// playing". Set by the player window.
extern std::function<QString()> playerFileName;
// Asks the player to let go of a file before it is deleted. Set by the player window.
extern std::function<void()> releasePlayerFile;

bool isPlayableFile(const QString& name);
bool isAudioFile(const QString& name);
bool isPlaylistFile(const QString& name);
bool isEditableFile(const QString& name);
bool isStreamAddress(const QString& name);

// "*.flv;*.mpg;" from ";flv;mpg;".
QString patternsFromList(const QString& list);
// Builds the four pattern lists and the two open filters from the lists in force.
void buildPatterns();
void buildOpenFilters();

// ---- Paths and folders -------------------------------------------------------------------

QString withTrailingSeparator(const QString& path);
QString upperDriveLetter(const QString& path);
// The folder tools write into: the save folder, or the source file's folder when the
// save folder is empty. A save folder that no longer exists is cleared first.
QString getOutputFolder(const QString& sourceFile, QString& saveFolder);
void changeToFolder(const QString& path);
void deleteFileQuiet(const QString& path, bool keepPlayer);
bool hasMoreTypesMarker();

// ---- Windows and the desktop ---------------------------------------------------------

void setTopmost(QWidget* window, bool onTop);
void shellOpen(const QString& target);
// Opens the file manager with the file selected (org.freedesktop.FileManager1), or the
// file's folder when no file manager answers; false when even the folder did not open.
bool showInExplorer(const QString& path);
// Gives a framed widget a 3-D edge around its whole area: raised for the raised edge
// styles (the outer or inner raised bit, 1 or 4, without a sunken one), sunken otherwise.
void drawEdgeBox(QWidget* box, int edge);

// ---- Time text -----------------------------------------------------------------------

// Seconds cut to hundredths as the time texts show them: floor((s + 0.004) x 100) / 100.
double cutToHundredths(double seconds);

// Time text of a number of seconds. seconds is cut to hundredths (after a nudge of
// 0.004) and written back; parts receives how many fields the text has.
//   mode 0 plain seconds, 1 minutes only when needed, 2 at least "mm:ss",
//   3 always "hh:mm:ss", 4 total minutes and seconds.
QString formatTimeText(float& seconds, int mode, int decimals, int& parts);
QString formatTimeText(double seconds, int mode, int decimals);

// Seconds of a time text ("01:02:03.25"). A text without ":" gives 0; a field that is
// empty or not a number gives nullopt.
std::optional<float> parseTimeText(const QString& text);

} // namespace mdlZorvoFLV
