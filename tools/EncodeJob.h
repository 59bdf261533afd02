#pragma once
// The encode job without windows: one FFmpeg run that re-encodes the source into the
// target with the settings of one of the four converting pages, fresh metadata for an FLV
// target, and the result checked for the source's length and streams.
#include "tools/ToolJob.h"
#include "tools/mdlToolCmds.h"

class EncodeJob : public toolJob::ToolJob {
public:
    struct Request {
        QString source; // absolute
        QString target;
        mdlToolCmds::EncodeSettings settings;
    };
    explicit EncodeJob(Request request);

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override { return {target_}; }

protected:
    toolJob::Result runs() override;
    QString toolMode() const override { return QStringLiteral("Encode"); }
    QStringList keep() const override { return {source_, target_}; }
    QString failureMessage() const override;

private:
    QString source_;
    QString target_;
    mdlToolCmds::EncodeSettings settings_;
};
