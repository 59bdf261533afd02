#include "workspace/mdlLineFormat.h"

namespace mdlLineFormat {

void splitItem(const QString& item, QString& path, QString& markText)
{
    const qsizetype at = item.lastIndexOf(itemSeparator);
    if (at < 0) {
        path = item;
        markText.clear();
        return;
    }
    path = item.left(at);
    markText = item.mid(at + 1);
}

QString joinItem(const QString& path, const QString& markText)
{
    return markText.isEmpty() ? path : path + itemSeparator + markText;
}

} // namespace mdlLineFormat
