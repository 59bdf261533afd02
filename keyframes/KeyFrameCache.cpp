#include "KeyFrameCache.h"

#include "KeyFrames.h"

#include <QDateTime>
#include <QThread>

namespace keyframes {

KeyFrameCache::KeyFrameCache(QObject* parent) : QObject(parent) {}

KeyFrameCache::~KeyFrameCache()
{
    cancel_->store(true);
    for (QThread* t : running_) {
        t->wait();
        delete t;
    }
}

QString KeyFrameCache::keyOf(const QString& file)
{
    const QFileInfo info(file);
    if (!info.isFile())
        return {};
    return info.absoluteFilePath() + QLatin1Char('\n') + QString::number(info.size()) + QLatin1Char('\n') +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

void KeyFrameCache::request(const QString& file)
{
    const QString key = keyOf(file);
    if (key.isEmpty() || entries_.contains(key))
        return;
    auto entry = std::make_shared<Entry>();
    entries_.insert(key, entry);
    // The entry is filled on this object's thread, once the worker is done with result.
    auto result = std::make_shared<Result>();
    QThread* worker = QThread::create([file, result, cancel = cancel_]() { *result = read(file, cancel.get()); });
    running_.append(worker);
    connect(worker, &QThread::finished, this, [this, worker, entry, result, file]() {
        running_.removeOne(worker);
        worker->deleteLater();
        entry->done = true;
        entry->keys = std::move(*result);
        emit ready(file, entry->keys.ok);
    });
    worker->start(QThread::LowPriority);
}

const Result* KeyFrameCache::find(const QString& file) const
{
    const auto it = entries_.constFind(keyOf(file));
    if (it == entries_.constEnd() || !(*it)->done || !(*it)->keys.ok)
        return nullptr;
    return &(*it)->keys;
}

} // namespace keyframes
