#include <QApplication>
#include <QWidget>
#include <clocale>

#include "app/AppInfo.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvo.FLV"));
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");

    QWidget window;
    window.setWindowTitle(mdlZorvoFLV::mainTitle());
    window.setStyleSheet(QStringLiteral("background: black;"));
    window.resize(400, 400);
    window.show();
    return app.exec();
}
