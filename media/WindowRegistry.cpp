#include "media/WindowRegistry.h"

#include <QPointer>
#include <QWidget>
#include <map>

namespace media {

namespace {
std::map<int, QPointer<QWidget>>& table()
{
    static std::map<int, QPointer<QWidget>> t;
    return t;
}
int g_next = 1;
} // namespace

int registerWindow(QWidget* widget)
{
    if (!widget)
        return 0;
    for (auto it = table().begin(); it != table().end();) {
        if (it->second.isNull()) {
            it = table().erase(it);
            continue;
        }
        if (it->second == widget)
            return it->first;
        ++it;
    }
    const int id = g_next++;
    table()[id] = widget;
    return id;
}

QWidget* windowOf(int id)
{
    const auto it = table().find(id);
    return it == table().end() ? nullptr : it->second.data();
}

void unregisterWindow(int id) { table().erase(id); }

} // namespace media
