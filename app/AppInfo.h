#pragma once
#include <QString>

namespace mdlZorvoFLV {

// The version shown in the title bar and the about window.
inline const QString versionText = QStringLiteral("1.8.0");

// " Zorvo.FLV - 1.8.0": the player window's title while nothing plays.
QString mainTitle();

} // namespace mdlZorvoFLV
