#pragma once
// Every open, save and folder dialog of the program goes through the one shared
// CommDialog: callers set the properties they need, call ShowOpen, ShowSave or ShowDir
// and read the results back from the same instance. The dialogs are Qt's; while a test
// has installed an answerer (ui/MsgBox.h) they are recorded and answered by it instead.
#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

// The flag values the windows store and pass (the classic common-dialog values).
namespace dlgflags {
constexpr int OverwritePrompt = 0x2;
constexpr int HideReadOnly = 0x4;
constexpr int AllowMultiSelect = 0x200;
constexpr int PathMustExist = 0x800;
constexpr int FileMustExist = 0x1000;
constexpr int Explorer = 0x80000;
constexpr int OpenDefault = 528388;   // explorer style, file must exist, no read-only box
constexpr int OpenAnyName = 0x80004;  // the same without "must exist"
constexpr int SaveDefault = 6;        // overwrite prompt, no read-only box
constexpr int DirDefault = 100;       // status text, validate typed names, new style
} // namespace dlgflags

// "desc|pattern;pattern|desc|pattern" -> Qt's name filters "desc (pattern pattern)".
QStringList qtNameFilters(const QString& filter);
// Lower-cased extension of a path's name part, without the dot; empty when none.
QString lowerExtension(const QString& path);

// A dialog title of several lines: the first is the window caption, the rest (joined by
// "\n") is shown inside the dialog.
void splitTitle(const QString& title, QString& caption, QString& rest);
// Where a dialog starts when no folder is set: the process's current folder, except when
// that is the program's own folder ("*.flv" there would offer the program file "Zorvo.FLV"
// as a video): then the desktop's Videos folder, else home.
QString startFolder();

class CommDialog {
public:
    static CommDialog& shared();

    QWidget* hwndOwner = nullptr;
    QString DialogTitle;
    int FlagsOpen = dlgflags::OpenDefault;
    int FlagsSave = dlgflags::SaveDefault;
    int FlagsDir = dlgflags::DirDefault;
    QString InitDir;
    QString DefaultExt;
    QString FileName;
    QString DirName;

    QString Filter() const { return filter_; }
    void setFilter(const QString& text);
    // The NUL-separated form with its closing NUL, as the classic dialogs take it.
    QString systemFilter() const { return systemFilter_; }
    int FilterIndex();
    void setFilterIndex(int index) { filterIndex_ = index; }
    QString FileTitle() const { return fileTitle_; }
    QString FileExt() const { return fileExt_; }
    QStringList FileArray() const { return fileArray_; }

    // The chosen path; with isMultiSelect the number of files chosen as text, the paths
    // in FileArray. Empty text when cancelled.
    QString ShowOpen(bool then_NoUse_InitDir = false, bool isMultiSelect = false);
    QString ShowSave(bool then_NoUse_InitDir = false);
    // The chosen folder ending in "/", or empty text.
    QString ShowDir(bool then_NoUse_InitDir = false);

private:
    struct Choice {
        bool chosen = false;
        QStringList files;
        int filterIndex = 0;
    };
    Choice runFileDialog(int kind, int flags);
    void setSingle(const QString& path);
    void clearResults();

    QString filter_;
    QString systemFilter_;
    int filterIndex_ = 1;
    QString fileTitle_;
    QString fileExt_;
    QStringList fileArray_;
};

} // namespace ui
