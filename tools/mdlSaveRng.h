#pragma once
// Saving the marked ranges of the file open in the player without re-encoding: all of
// them joined into one new file (crop, mode 0) or each as a numbered file of its own in
// a folder (split, mode 1). The player gathers the file and its marks; the menu asks for
// the output, and CropJob cuts, re-muxes, joins and writes FLV metadata.
#include <QString>
#include <vector>

class QWidget;
struct ToolHost;

namespace mdlSaveRng {

inline constexpr int modeCrop = 0;
inline constexpr int modeSplit = 1;

// What the job reads of the player.
struct RangeSource {
    QString file;           // the file open in the player's media device
    bool hasScale = false;  // the file's length is known, so marks have times
    bool audioOnly = false; // the device reports no picture
    // Start and end seconds of each mark, in mark order, as the player gives them in
    // plain seconds (start not below 0, end not beyond the file).
    struct Range {
        double start = 0;
        double end = 0;
    };
    std::vector<Range> ranges;
};

// How a job ended.
enum class SaveEnd {
    Refused,      // no such file, no length, no marks
    AudioOnly,    // a file without picture
    Uncuttable,   // a type the cutter cannot copy into its own container
    Declined,     // the question before the dialog was answered with Cancel
    NoTarget,     // the dialog was cancelled
    SameAsSource, // the output would overwrite or delete the source
    Failed,       // the failure path (also after a break that left nothing)
    Done,         // a new, non-empty output
};

// "裁剪" (crop) or "分割" (split).
QString wordOf(int mode);

// The texts of the job.
QString refusedMessage();
QString audioOnlyMessage(int mode);
// The refusal of a type that cannot be cut by copy, e.g. "rmvb".
QString uncuttableMessage(int mode, const QString& ext);
QString confirmQuestion(int mode, const QString& source);
QString sameFileMessage();
QString reencodeQuestion(int mode);
QString failureMessage();

// The whole job. player owns the dialogs and is the window the progress window takes the
// place of. saveFolder is the default save folder (cleared when it no longer exists).
// The source is never written to nor deleted, and no temporary file of the job stays
// behind, however it ends.
SaveEnd saveMarkedRanges(ToolHost& host, QWidget* player, int mode, const RangeSource& src, QString& saveFolder);

} // namespace mdlSaveRng
