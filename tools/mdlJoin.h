#pragma once
// The join of the merge list's files, in list order, into one new file without
// re-encoding (the runs are JoinJob's). The merge list belongs to the workspace; the page
// takes its items as they stand, asks for the target, runs the job and reports.
#include <QString>
#include <QStringList>

class QWidget;
struct ToolHost;

namespace mdlJoin {

// How a job ended.
enum class JoinEnd {
    Refused,      // fewer than two items, or an item of another type, not editable or missing
    NoTarget,     // the save dialog was cancelled
    SameAsSource, // the target is one of the items (or a name the job itself needs)
    Failed,       // the failure path (also after a break that left nothing)
    Done,         // a new, non-empty target
};

// The texts of the job.
QString refusedMessage();
QString sameFileMessage();
QString reencodeQuestion();
QString failureMessage();

// The page's notes, in order: two above the merge list, one below it, one by the button.
QStringList pageNotes();
QString runCaption(); // "执行合并功能"

// The first item the join refuses (its extension differs from the one before it, it is
// not an editable type, or no such file exists), or -1.
int firstRefusedItem(const QStringList& items);

// The whole job for the merge list's items, item 0 first. workspace owns the dialogs and
// is the window the progress window takes the place of. saveFolder is the workspace's
// default save folder (cleared when it no longer exists). refusedItem, when given, gets
// the item to select in the list after a refusal (-1 for none). No item is ever written
// to nor deleted, and no temporary file of the job stays behind, however it ends.
JoinEnd cmdMediaJoin(ToolHost& host, QWidget* workspace, const QStringList& items, QString& saveFolder,
                     int* refusedItem = nullptr);

} // namespace mdlJoin
