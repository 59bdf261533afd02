#include "app/AppInfo.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace mdlZorvoFLV {

QString mainTitle() { return QStringLiteral(" Zorvo.FLV - ") + versionText; }

bool installQtTranslations()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace mdlZorvoFLV
