#pragma once
// Key frames read once per file, on a worker thread, and kept for as long as the file
// stays the same (path, size and time of change): the window never waits for them.
#include "keyframes/KeyFrames.h"

#include <QFileInfo>
#include <QHash>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

class QThread;

namespace keyframes {

class KeyFrameCache : public QObject {
    Q_OBJECT
public:
    explicit KeyFrameCache(QObject* parent = nullptr);
    ~KeyFrameCache() override; // stops the readers still running and waits for them

    // Starts reading file unless it is known or being read.
    void request(const QString& file);
    // The key frames of file as it is now, or null while they are not known (not read
    // yet, being read, or unreadable).
    const Result* find(const QString& file) const;

signals:
    // The key frames of file are known (ok) or cannot be read.
    void ready(const QString& file, bool ok);

private:
    struct Entry {
        bool done = false;
        Result keys;
    };
    static QString keyOf(const QString& file);
    QHash<QString, std::shared_ptr<Entry>> entries_;
    QList<QThread*> running_;
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace keyframes
