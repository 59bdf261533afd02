#pragma once
// The snapshot page's job: the page's checks and dialogs around SnapJob, and the texts of
// both. The page gathers the inputs; the planner is mdlToolCmds::planSnapshots.
#include <QString>

class QWidget;
struct ToolHost;

namespace mdlSnap {

// How a job ended.
enum class SnapEnd {
    Refused,      // no such file, or a type that cannot be cut
    Invalid,      // the inputs make no plan (the failure message, nothing run)
    NoTarget,     // the dialog was cancelled
    SameAsSource, // the one picture would take the source's place
    Failed,       // the failure path (also after a break that left nothing)
    Done,         // every picture made
};

QString hintText();
QString refusedMessage();
QString failureMessage();
QString sameFileMessage();
// "JPG", "PNG", "GIF": the items of cboMediaSnapType.
QStringList pictureTypes();

// What the page hands the job: the source box, the two option indexes, the properties'
// Tag, the boxes and the chosen picture type ("JPG", …).
struct SnapRequest {
    QString source;
    int stretch = 1;
    int spacing = 0;
    QString totalTag;
    QString at;
    QString from;
    QString to;
    QString count;
    QString every;
    QString type = QStringLiteral("JPG");
};

// The whole job. workspace owns the dialogs and is the window the progress window takes
// the place of; saveFolder is the workspace's default save folder. The source is never
// written to nor deleted, and no temporary file of the job stays behind, however it ends;
// pictures already renamed when a later one fails stay.
SnapEnd cmdMediaSnap(ToolHost& host, QWidget* workspace, const SnapRequest& request, QString& saveFolder);

} // namespace mdlSnap
