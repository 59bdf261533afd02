#pragma once
#include <QString>

namespace mdlZorvoFLV {

// The version shown in the title bar and the about window.
inline const QString versionText = QStringLiteral("1.8.0");

// " Zorvo.FLV - 1.8.0": the player window's title while nothing plays.
QString mainTitle();

// Loads Qt's own catalogue of the program's language, so that the texts Qt draws itself
// (the file dialogs' columns and side bar, standard buttons) are Chinese too, whatever
// the user's locale. False when the catalogue is not installed.
bool installQtTranslations();

} // namespace mdlZorvoFLV
