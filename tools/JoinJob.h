#pragma once
// The join job without windows: the items, in order, into one new file without
// re-encoding (an FLV through two temporary files and fresh metadata, an MPEG by a join
// and a re-mux, anything else by one copy), the result checked against the items' streams
// and their lengths one after the other.
#include "tools/ToolJob.h"

class JoinJob : public toolJob::ToolJob {
public:
    struct Request {
        QStringList items; // absolute, in the order they are joined
        QString target;
    };
    explicit JoinJob(Request request);

    // Whether the items can be joined at all (asked before a target is chosen): fewer than
    // two, one of another type, not editable or missing, or one whose pictures or sound
    // differ from the first's. item gets the offending item (-1 for none).
    static std::optional<toolJob::Result> refuseItems(const QStringList& items, int* item = nullptr);

    std::optional<toolJob::Result> refusal() const override;
    QStringList outputs() const override { return {target_}; }

protected:
    toolJob::Result runs() override;
    QString toolMode() const override;
    QStringList keep() const override { return items_ + QStringList{target_}; }
    QString failureMessage() const override;

private:
    bool runTools();

    QStringList items_;
    QString target_; // absolute
    QString ext_;
    int type_ = 0;
};
