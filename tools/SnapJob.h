#pragma once
// The snapshot job without windows: one picture at a moment, or a series over the whole
// video or a stretch of it, each picture taken by its own FFmpeg run in the output folder,
// checked, and renamed to its final name (the target, or snapshot_001 … beside it).
#include "tools/ToolJob.h"
#include "tools/mdlToolCmds.h"

class SnapJob : public toolJob::ToolJob {
public:
    struct Request {
        QString source;
        int stretch = 1;         // 0 one picture at `at`, 1 the whole video, 2 from `from` to `to`
        int spacing = 0;         // stretches 1 and 2: 0 `count` pictures, 1 one every `every` seconds
        double totalSeconds = 0; // the source's length as the properties step reads it
        QString at;
        QString from;
        QString to;
        QString count;
        QString every;
        QString format = QStringLiteral("jpg"); // jpg, png or gif (any case)
        // One picture: the file. A series: snapshot_001 in the folder that takes them; the
        // target may be set after the plan is known (setTarget).
        QString target;
    };
    explicit SnapJob(Request request);

    // Whether source can be used at all (before its length is read): the refusal, or nothing.
    static std::optional<toolJob::Result> refuseSource(const QString& source);
    // The refusal that needs no target: the source, or settings that make no plan.
    std::optional<toolJob::Result> refusePlan() const;
    bool single() const { return plan_.spacing == 0; }
    QString format() const { return fmt_; }
    void setTarget(const QString& target);

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override;

protected:
    toolJob::Result runs() override;
    QString toolMode() const override { return QStringLiteral("Snap"); }
    QStringList keep() const override { return {source_, target_}; }
    QString failureMessage() const override;

private:
    bool takeOne(double moment, const QString& to, QString& reason);

    QString source_;
    QString fmt_; // lower case
    mdlToolCmds::SnapPlan plan_;
    QString target_; // absolute
};
