#include "ui/Drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace ui {

bool takeDrop(QEvent* event, bool withText,
              const std::function<void(const QStringList& files, const QString& text)>& dropped)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* e = static_cast<QDropEvent*>(event);
    const QMimeData* data = e->mimeData();
    if (!data->hasUrls() && !(withText && data->hasText()))
        return false;
    e->acceptProposedAction();
    if (type == QEvent::Drop) {
        QStringList files;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
        dropped(files, withText && files.isEmpty() ? data->text() : QString());
    }
    return true;
}

} // namespace ui
