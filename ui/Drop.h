#pragma once
// Drops of files or text on the workspace's lists: the drag is taken when it carries
// either, and a drop hands over its local files, or its text when it has no files.
#include <QString>
#include <QStringList>

#include <functional>

class QEvent;

namespace mdlDrop {

// True when the event was such a drag or drop and has been dealt with.
bool takeDrop(QEvent* event, const std::function<void(const QStringList& files, const QString& text)>& dropped);

} // namespace mdlDrop
