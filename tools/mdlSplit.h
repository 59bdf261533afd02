#pragma once
// The split page's job: the page's checks and dialogs around SplitJob, and the texts of
// both. Also the properties step that the split and snapshot pages share: the source's length,
// read through a short-lived media device of its own.
#include <QString>

class QWidget;
struct ToolHost;

namespace mdlSplit {

// The alias of the device that reads the properties.
inline const QString splitAlias = QStringLiteral("Zorvo.FLV_forSplit");
// The properties' mark of a source without a picture; it never stays in the Tag.
inline const QString noPictureTag = QStringLiteral("无画面");

// How a job ended.
enum class SplitEnd {
    Refused,      // no such file, or a type that cannot be cut
    Invalid,      // the inputs make no plan (the failure message, nothing run)
    NoTarget,     // the dialog was cancelled
    SameAsSource, // a file of the job would be the source itself
    Failed,       // the failure path (also after a break that left nothing)
    Done,         // the new file or files, not empty
};

// The texts of the page and the job.
QString hintText();
QString refusedMessage();
QString sameFileMessage();
QString reencodeQuestion();
QString failureMessage();
// "“切割功能”无法处理没有画面／视讯的影片！"; pageWord "切割" or "截图".
QString noPictureMessage(const QString& pageWord);
QString propertiesErrorHead();

// Get properties: opens source under splitAlias in the hidden window picture (made known
// to the media engine here), and returns the total seconds with two decimals, or empty
// when the file could not be opened or has no picture. A file without a picture is told
// with noPictureMessage; one that could not be opened with the player's error message
// (the player paused first). The device is closed again in every case.
QString readProperties(ToolHost& host, QWidget* owner, QWidget* picture, const QString& source,
                       const QString& pageWord);

// The same properties without a window (libmpv without a video output), for the command
// line: whether the file opened, whether it has a picture, and then its total seconds
// with two decimals, as readProperties gives them.
struct Length {
    bool opened = false;
    bool picture = false;
    QString total;
};
Length readLength(const QString& source);

// What the page hands the job: the source box, the chosen option, the properties' Tag
// and the boxes of the option (number for options 0 to 2, from and to for 3 to 5).
struct SplitRequest {
    QString source;
    int option = 0;
    QString totalTag;
    QString number;
    QString from;
    QString to;
};

// The whole job. workspace owns the dialogs and is the window the progress window takes
// the place of; saveFolder is the workspace's default save folder. The source is never
// written to nor deleted, and no temporary file of the job stays behind, however it ends.
SplitEnd cmdMediaSplit(ToolHost& host, QWidget* workspace, const SplitRequest& request, QString& saveFolder);

} // namespace mdlSplit
