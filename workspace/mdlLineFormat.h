#pragma once
// Item strings: a media path, optionally followed by "‖" and the item's mark text.
#include <QString>

namespace mdlLineFormat {

inline const QChar itemSeparator = QChar(0x2016); // "‖"

// Splits an item string at its last "‖" into the path and the mark text.
void splitItem(const QString& item, QString& path, QString& markText);
// The item string of a path and its mark text.
QString joinItem(const QString& path, const QString& markText);

} // namespace mdlLineFormat
