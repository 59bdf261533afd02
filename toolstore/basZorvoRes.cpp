// ZorvoResFLV: writes the tools and the sample clip that a mode word asks for into the
// private temporary folder, and ends. The main program deletes them itself.
#include "Payloads.h"
#include "ResStore.h"

#include "ui/MsgBox.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    const QString commandText = words.join(QLatin1Char(' '));

    if (commandText.isEmpty()) {
        const QString text = QStringLiteral("ZorvoResFLV 是 Zorvo.FLV 的模组\r\n所以 ZorvoResFLV 无法被单独执行");
        // Started from a console without any display, Qt would abort before the box:
        // say it there instead.
        if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            std::fprintf(stderr, "%s\n", QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).toLocal8Bit().constData());
            return 0;
        }
        QApplication app(argc, argv);
        ui::msgBox(text, ui::OkOnly, ui::noticeTitle);
        return 0;
    }

    const QStringList files = basZorvoRes::filesForMode(commandText);
    if (files.isEmpty())
        return 0;
    QString folder = basZorvoRes::privateTempFolder();
    // A refused private folder gives way to the program folder, as in the main program,
    // which looks for the tools in the same place.
    if (folder.isEmpty())
        folder = basZorvoRes::programFolder();
    if (folder.isEmpty())
        return 0;
    for (const QString& name : files) {
        const QByteArrayView bytes = basZorvoRes::payloadFor(name);
        if (bytes.isEmpty())
            continue; // a build without that program carries nothing to write
        if (!basZorvoRes::writeFileAtomically(folder, name, bytes, name.endsWith(QLatin1String(".exe"))))
            return 0; // a full disk or a file in use: stop, as the caller finds the tool missing
    }
    return 0;
}
