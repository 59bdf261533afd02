#include "KeyFrameCache.h"

#include "KeyFrames.h"

#include <QDateTime>
#include <QThread>

namespace keyframes {

KeyFrameCache::KeyFrameCache(QObject* parent) : QObject(parent) {}

KeyFrameCache::~KeyFrameCache()
{
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
    QThread* worker = QThread::create([file, result]() { *result = read(file); });
    running_.append(worker);
    connect(worker, &QThread::finished, this, [this, worker, entry, result, file]() {
        running_.removeOne(worker);
        worker->deleteLater();
        entry->done = true;
        entry->ok = result->ok;
        entry->times = std::move(result->times);
        emit ready(file, entry->ok);
    });
    worker->start(QThread::LowPriority);
}

const std::vector<double>* KeyFrameCache::find(const QString& file) const
{
    const auto it = entries_.constFind(keyOf(file));
    if (it == entries_.constEnd() || !(*it)->done || !(*it)->ok)
        return nullptr;
    return &(*it)->times;
}

} // namespace keyframes
