#include "app/AppInfo.h"

namespace mdlZorvoFLV {

QString mainTitle() { return QStringLiteral(" Zorvo.FLV - ") + versionText; }

} // namespace mdlZorvoFLV
