#pragma once
// The crop and split of marked ranges without windows: every range of the source cut by
// copy, then all of them joined into one new file (crop) or each saved as a numbered file
// of its own in a folder (pieces), FLV given fresh metadata, each piece and the joined
// file checked against the ranges they were cut for.
#include "tools/ToolJob.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlSaveRng.h"

#include <vector>

class CropJob : public toolJob::ToolJob {
public:
    using Range = mdlSaveRng::RangeSource::Range;
    struct Request {
        QString source;
        // Start and end seconds of each mark, in mark order, as the player gives them.
        std::vector<Range> ranges;
        int mode = mdlSaveRng::modeCrop; // or mdlSaveRng::modeSplit: numbered pieces
        QString target;                  // crop: the new file; pieces: their folder
        bool audioOnly = false;          // the player shows no picture of it
    };
    explicit CropJob(Request request);

    // Why a request cannot run, in the order the player's menu says it.
    enum class Refusal {
        None,
        NoSource,      // no such file, or no marks
        AudioOnly,     // no picture: the player says so, or the container holds none
        Uncuttable,    // a type the cutter cannot copy into its own container
        TouchesSource, // an output would be the source, or a name the job replaces
    };
    // With no target, only what is known before an output is chosen.
    Refusal refusalKind() const;
    toolJob::Result refusalResult(Refusal kind) const;

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override;

protected:
    toolJob::Result runs() override;
    QString toolMode() const override;
    QStringList keep() const override { return {source_, mainOutput()}; }
    QString failureMessage() const override;

private:
    bool split() const { return mode_ == mdlSaveRng::modeSplit; }
    int count() const { return static_cast<int>(ranges_.size()); }
    QString folder() const; // where the outputs go, with a trailing separator
    QString mainOutput() const;
    void showCount(int current) const;
    bool cut(int i, QString& pieces);
    bool joinedGood();
    bool runTools();

    QString source_;
    std::vector<Range> ranges_;
    int mode_;
    QString target_; // absolute
    bool audioOnly_;
    QString ext_;
    int type_;
    int total_; // the runs the count line counts
    // Set while the runs go on.
    mdlResultCheck::Probe sourceProbe_;
    QString reason_; // what was wrong with a piece or the joined file
};
