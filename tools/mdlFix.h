#pragma once
// The fix job: re-writes the container of a file without re-encoding (an FLV through a
// temporary file and fresh metadata, an MPEG by a re-mux, anything else by a copy) and
// saves the result as a new file. The page only gathers the source; the job asks for the
// target, runs the tools and reports.
#include <QString>

class QWidget;
struct ToolHost;

namespace mdlFix {

// How a job ended.
enum class FixEnd {
    Refused,      // no such file, or a type that cannot be fixed
    NoTarget,     // the save dialog was cancelled
    SameAsSource, // the target is the source itself
    Failed,       // the failure path (also after a break that left nothing)
    Done,         // a new, non-empty target
};

// The texts of the job.
QString refusedMessage();
QString sameFileMessage();
QString reencodeQuestion();
QString failureMessage();

// The hint line of the workspace while the page is shown, and the page's own text.
QString hintText();
QString introText();

// The whole job for the text of the source box. workspace owns the dialogs and is the
// window the progress window takes the place of. saveFolder is the workspace's default
// save folder (cleared when it no longer exists). The source is never written to nor
// deleted, and no temporary file of the job stays behind, however it ends.
FixEnd cmdMediaFix(ToolHost& host, QWidget* workspace, const QString& sourceText, QString& saveFolder);

} // namespace mdlFix
