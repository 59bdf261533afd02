#pragma once
// The split job without windows: cuts one video into pieces by stream copy (N equal
// parts, pieces of N seconds or N KB, or one piece between two points in seconds, KB or
// percent), checks every piece against its stretch of the source before any takes its
// final name, and names them split_001 … (several) or the target (one).
#include "tools/ToolJob.h"
#include "tools/mdlToolCmds.h"

#include <QList>

class SplitJob : public toolJob::ToolJob {
public:
    struct Request {
        QString source;
        // 0 N parts, 1 N seconds, 2 N KB, 3 from/to in seconds, 4 in KB, 5 in percent.
        int option = 0;
        double totalSeconds = 0; // the source's length as the properties step reads it
        QString number;          // options 0 to 2
        QString from;            // options 3 to 5
        QString to;
        // One piece: the file. Several: split_001 in the folder that takes them; the
        // target may be set after the plan is known (setTarget).
        QString target;
    };
    explicit SplitJob(Request request);

    // Whether source can be split at all (before its length is read): the refusal, or nothing.
    static std::optional<toolJob::Result> refuseSource(const QString& source);
    // The refusal that needs no target: the source, or numbers that make no plan.
    std::optional<toolJob::Result> refusePlan() const;
    int count() const { return static_cast<int>(pieces_.size()); }
    QString ext() const { return ext_; }
    void setTarget(const QString& target);

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override;

protected:
    toolJob::Result runs() override;
    QString toolMode() const override;
    QStringList keep() const override { return {source_, target_}; }
    QString failureMessage() const override;

private:
    bool sourceAmongJobFiles() const;
    bool renamePieces();

    QString source_;
    QString ext_;
    int type_ = 0;
    bool valid_ = false;
    QList<mdlToolCmds::Piece> pieces_;
    QString target_; // absolute
};
