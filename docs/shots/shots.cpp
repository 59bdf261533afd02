// Takes the pictures of the user guide from the real windows: the player playing a clip
// with marked ranges, every page of the workspace that the program has, and the about
// window. Run by scripts/help-shots.sh under Xvfb:
//   zorvo-help-shots MEDIA_FOLDER OUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <clocale>
#include <functional>

#include "app/AppInfo.h"
#include "app/mdlZorvoFLV.h"
#include "player/frmMain.h"
#include "ui/MsgBox.h"
#include "ui/CommDialog.h"
#include "ui/SmallDialogs.h"
#include "workspace/frmList.h"

namespace {

bool waitFor(const std::function<bool()>& cond, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

// Lets the windows draw: layouts, the poll and the video settle.
void settle(int ms = 600)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

QString g_out;

void shoot(QWidget* w, const QString& name)
{
    w->raise();
    settle();
    const QString file = g_out + u'/' + name + QStringLiteral(".png");
    if (w->grab().save(file))
        QTextStream(stdout) << file << '\n';
    else
        QTextStream(stderr) << "could not write " << file << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvo.FLV"));
    mdlZorvoFLV::installQtTranslations();
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 3) {
        QTextStream(stderr) << "usage: zorvo-help-shots MEDIA_FOLDER OUT_FOLDER\n";
        return 2;
    }
    const QString built = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + u'/';
    g_out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(g_out);

    // The clips under names a user would give them, in a folder of their own.
    QTemporaryDir scratch;
    const QString media = scratch.path() + QStringLiteral("/影片/");
    QDir().mkpath(media);
    const std::pair<const char*, QString> clips[] = {
        {"sample.flv", QStringLiteral("海边旅行.flv")},   {"flv1_mp3.flv", QStringLiteral("生日会.flv")},
        {"h264_aac.flv", QStringLiteral("课堂录影.flv")}, {"mpeg1_mp2.mpg", QStringLiteral("旧录影带.mpg")},
        {"tone.mp3", QStringLiteral("练习曲.mp3")},
    };
    QStringList names;
    for (const auto& [from, to] : clips)
        if (QFile::copy(built + QLatin1String(from), media + to))
            names << to;

    // Settings of their own, so that the pictures show the defaults and nothing is kept;
    // an empty settings file, so that the first-start help stays closed.
    QTemporaryDir settings;
    QFile(settings.filePath(QStringLiteral("Zorvo.FLV.ini"))).open(QIODevice::WriteOnly);
    mdlZorvoFLV::initFolders();
    frmMain player;
    player.setSettingsFolder(settings.path());
    player.Form_Load(QString());
    player.resize(640, 520);
    player.playSingle(media + names.value(0), false);
    if (!waitFor([&] { return player.mci().getStatus() == QStringLiteral("playing"); })) {
        QTextStream(stderr) << "the sample clip does not play\n";
        return 1;
    }
    // Two marked ranges, the second one still playing when the picture is taken.
    const int total = player.mci().getTotalFrames();
    const auto markAt = [&](int from, int to) {
        waitFor([&] { return player.mci().getCurFrame() >= from; });
        player.mbRngStart_Click();
        waitFor([&] { return player.mci().getCurFrame() >= to; });
        player.mbRngEnd_Click();
    };
    markAt(total / 10, total / 4);
    markAt(total * 2 / 5, total * 3 / 5);
    player.mbPause_Click();
    shoot(&player, QStringLiteral("player"));

    player.Form_KeyDown(112, 0); // F1 opens the workspace
    frmList* workspace = player.findChild<frmList*>();
    if (!workspace) {
        QTextStream(stderr) << "F1 opened no workspace\n";
        return 1;
    }
    workspace->resize(workspace->size().expandedTo(QSize(560, 420)));
    for (const QString& name : names)
        workspace->addToList(0, media + name);
    workspace->addToList(1, media + names.value(0) + QChar(0x2016) + QStringLiteral("25-100 150-200"));
    workspace->showInFileBrowser(media + names.value(0));
    workspace->loadMark(); // what F2 does: the player's two marks as time text
    // Whatever pages the program has: each area and tab that the window accepts.
    for (int area = 0; area <= 7; ++area)
        for (int tab = 0; tab <= 1; ++tab) {
            workspace->changeToTab(area, tab, false);
            if (workspace->viewKind != area * 10 + tab)
                continue;
            shoot(workspace, QStringLiteral("page-%1").arg(area * 10 + tab));
        }

    // The open dialog, with Qt's texts from its Chinese catalogue.
    QTimer::singleShot(1500, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shoot(dialog, QStringLiteral("open-dialog"));
            static_cast<QDialog*>(dialog)->reject();
        }
    });
    ui::CommDialog& files = ui::CommDialog::shared();
    files.InitDir = media;
    files.setFilter(mdlZorvoFLV::openFilterAll);
    files.ShowOpen();

    ui::frmAbout about(&player);
    about.show();
    shoot(&about, QStringLiteral("about"));
    about.close();

    // The pictures are taken: the question about leaving while marks are edited is
    // answered "是" so that the program ends by itself.
    ui::setAnswerer([](const ui::Shown&) { return ui::Answer{ui::Yes}; });
    player.mnuEnd_Click(1);
    return 0;
}
