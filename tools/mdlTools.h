#pragma once
// What every tool job shares around its runs: the tool files, the progress window in
// place of the calling window, and the closing report. The player window owns these.
#include <QString>

#include "tools/ToolJob.h"

class QWidget;
struct ToolHost;

namespace mdlTools {

// The private per-user temporary folder with a trailing "/" ($XDG_RUNTIME_DIR/Zorvo.FLV/
// or /tmp/Zorvo.FLV-<uid>/, 0700, ours); empty when it cannot be used safely.
QString tempFolder();

// The folder of the program with a trailing "/": where ZorvoResFLV is started from.
QString programFolder();
void setProgramFolder(const QString& folder); // tests: the build's program folder

// The tool paths, set on every call of dealMyResource.
extern QString pathResWmv;
extern QString pathMencoder;
extern QString pathFfmpeg;
extern QString pathFlvmdi;

// forSave true: has ZorvoResFLV write the files of resMode and waits until it is done.
// forSave false: "notCapMCI" or "All" deletes the three programs, "CapMCI" or "All" the
// sample clip (closed in the player first). Missing files are no error.
void dealMyResource(ToolHost& host, const QString& resMode, bool forSave);
// The two halves without a window: the programs of resMode written (waits until they are),
// and the three programs deleted again.
void fetchTools(const QString& resMode);
void dropTools();

// Shows the progress window over objFrm in place of the windows of the program (true),
// or ends it (false) and returns whether the user broke off.
bool buzySateShow(ToolHost& host, bool isShow, QWidget* objFrm);

// The text of the closing report.
QString doneMessage(bool isBreak, float useTime);
// Seconds with the pattern ".00": 12.345 -> "12.35", 0.5 -> ".50".
QString secondsText(float seconds);

// The closing report of a job that made outputFile.
void doneAfterSave(ToolHost& host, const QString& outputFile, bool isForce, float useTime, bool isBreak);

// A job run from a window: the refusal said in a message box; otherwise the progress
// window in place of objFrm shows the job's steps (its break button breaks the run), the
// job's questions are message boxes, and the end is the closing report for the job's main
// output, or the failure message unless the user broke off.
toolJob::Result runInWindow(ToolHost& host, QWidget* objFrm, toolJob::ToolJob& job);
// The end of a job run from a window as the page's own type counts it: every page's type
// has Done, SameAsSource and Failed, and Refused where the page refuses.
template <class PageEnd>
PageEnd pageEnd(toolJob::End end)
{
    switch (end) {
    case toolJob::End::Done:
        return PageEnd::Done;
    case toolJob::End::SameAsSource:
        return PageEnd::SameAsSource;
    case toolJob::End::Refused:
        if constexpr (requires { PageEnd::Refused; })
            return PageEnd::Refused;
        break;
    default:
        break;
    }
    return PageEnd::Failed;
}
// The same end for a result already in hand (the job ran, the progress window is gone).
void reportEnd(ToolHost& host, QWidget* objFrm, const toolJob::Result& result);

// The file manager with the file selected (org.freedesktop.FileManager1), else its
// folder; says so when neither opens.
void showInFileManager(const QString& file, QWidget* parent = nullptr);

// The hidden-window mark: 0 nothing hidden, 1 the player, 2 the workspace.
int hiddenWindowMark();

} // namespace mdlTools
