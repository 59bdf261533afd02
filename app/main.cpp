#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

#include "app/AppInfo.h"
#include "app/SingleInstance.h"
#include "app/mdlZorvoFLV.h"
#include "media/MainVol.h"
#include "media/MpvDevice.h"
#include "player/frmMain.h"
#include "ui/SmallDialogs.h"

namespace {

// The whole command line is one media path: arguments split at blanks are joined again.
QString commandLineOf(const QStringList& args)
{
    return args.mid(1).join(u' ').trimmed();
}

int g_signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char** argv)
{
    // The desktop's own file chooser through its portal, where the desktop runs one: the
    // portal theme keeps the desktop's look and falls back to it when no portal answers.
    // A theme the user chose stays.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORMTHEME"))
        qputenv("QT_QPA_PLATFORMTHEME", "xdgdesktopportal");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvo.FLV"));
    // The desktop entry's name: lets the desktop put the running windows under its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.zorvo.ZorvoFLV"));
    QIcon icon;
    for (const char* size : {"16", "32", "48", "256"})
        icon.addFile(QStringLiteral(":/icon/%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
    mdlZorvoFLV::installQtTranslations();
    // libmpv refuses to start unless numbers are formatted the C way.
    std::setlocale(LC_NUMERIC, "C");

    const QString commandLine = commandLineOf(QApplication::arguments());

    // A second copy hands its file to the running one and ends without a window.
    SingleInstance instance;
    switch (instance.start()) {
    case SingleInstance::Start::Second:
        SingleInstance::sendToPrimary(instance.serverName(),
                                      SingleInstance::handOverText(commandLine, QDir::currentPath()));
        return 0;
    case SingleInstance::Start::Failed:
        // Not a sign of another copy: this one runs on, only without the hand-over.
        std::fprintf(stderr, "Zorvo.FLV: single instance not available: %s\n",
                     qPrintable(instance.errorString()));
        break;
    case SingleInstance::Start::First: break;
    }

    // A file on the command line plays at once: libmpv sets up while the windows are built.
    if (!commandLine.isEmpty() && media::videoOutputAvailable())
        media::prepareVideoDevice(QString(commandLine).remove(u'"'));

    // The mixer's "No mixer found!" must not open under the splash, which stays on top.
    media::MainVol::shared();

    ui::frmSplash splash;
    splash.show();
    QCoreApplication::processEvents();

    mdlZorvoFLV::initFolders();
    frmMain window;
    QObject::connect(&instance, &SingleInstance::messageReceived, &window, &frmMain::Form_LinkExecute);
    // A logout or kill ends the program as the close box does: settings are saved.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
        QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
            window.close();
        });
        std::signal(SIGTERM, onTerminate);
        std::signal(SIGINT, onTerminate);
    }
    window.Form_Load(commandLine, &splash);
    return app.exec();
}
