#pragma once
// Drags and drops of local files (and, where a control takes it, of text): the drag is
// taken when it carries what the control takes, and a drop hands over its local files,
// or its text when it has no files.
#include <QString>
#include <QStringList>

#include <functional>

class QEvent;

namespace ui {

// True when the event was such a drag or drop and has been dealt with. With withText
// false only a drag that carries files is taken, and text is never handed over.
bool takeDrop(QEvent* event, bool withText,
              const std::function<void(const QStringList& files, const QString& text)>& dropped);

} // namespace ui
