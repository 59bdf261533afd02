#pragma once
// The fix job without windows: re-writes the container of source into target without
// re-encoding (an FLV through a temporary file and fresh metadata, an MPEG by a re-mux,
// anything else by a copy) and checks that the result keeps the source's streams and length.
#include "tools/ToolJob.h"

class FixJob : public toolJob::ToolJob {
public:
    struct Request {
        QString source;
        QString target;
    };
    explicit FixJob(Request request);

    // Whether source can be fixed at all (asked before a target is chosen): the refusal,
    // or nothing.
    static std::optional<toolJob::Result> refuseSource(const QString& source);

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override { return {target_}; }

protected:
    toolJob::Result runs() override;
    QString toolMode() const override;
    QStringList keep() const override { return {source_, target_}; }
    QString failureMessage() const override;

private:
    bool runTools();

    QString source_;
    QString target_; // absolute
    QString ext_;
    int type_ = 0;
};
