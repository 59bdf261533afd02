#include "workspace/mdlDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace mdlDrop {

bool takeDrop(QEvent* event, const std::function<void(const QStringList& files, const QString& text)>& dropped)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* e = static_cast<QDropEvent*>(event);
    const QMimeData* data = e->mimeData();
    if (!data->hasUrls() && !data->hasText())
        return false;
    e->acceptProposedAction();
    if (type == QEvent::Drop) {
        QStringList files;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
        dropped(files, files.isEmpty() ? data->text() : QString());
    }
    return true;
}

} // namespace mdlDrop
