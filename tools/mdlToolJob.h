#pragma once
// Small pieces that every tool job uses between its runs: telling files apart, clearing
// the temporary files of the output folder, sizes and elapsed time.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>

namespace mdlToolJob {

// The same file: the same text, or two existing paths that lead to one file ("./", links).
bool sameFile(const QString& a, const QString& b);
// Whether a source box's text names a file that the tools can cut (after trimming).
bool editableSource(const QString& source);
// Whether file is one of the files.
bool isAnyOf(const QString& file, const QStringList& files);
// Deletes the files of the current folder that match the patterns, except the files to
// keep (a source or target that happens to carry such a name is never lost).
void clearMatching(const QStringList& patterns, const QStringList& keep);
// The same for the patterns every job clears at its end ("~tmpS*.*", "~fix~tmpS*.*").
void clearTemporaries(const QStringList& keep);
// The size of a file; -1 when it is not there.
qint64 sizeOf(const QString& file);
// Seconds since the job started, for the closing report.
float secondsSince(const QElapsedTimer& t);

} // namespace mdlToolJob

class QEvent;
class QWidget;

namespace mdlToolJob {

// Files dropped on a page's source box: takes the drag of local files and hands a drop's
// files to dropped. True when the event was one of these and has been dealt with.
bool takeFileDrop(QEvent* event, const std::function<void(const QStringList&)>& dropped);
// The first dropped file as a source box takes it (a doubled backslash made one, the drive
// letter in upper case), or empty when it is not an existing file.
QString droppedFile(const QStringList& files);
// The open dialog of the pages' source boxes: editable media, owned by owner. The chosen
// path, or empty.
QString chooseEditable(QWidget* owner);

} // namespace mdlToolJob
