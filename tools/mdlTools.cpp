#include "tools/mdlTools.h"

#include "app/mdlZorvoFLV.h"

#include "tools/ToolHost.h"
#include "tools/frmBuzy.h"
#include "tools/mdlGetCmdOutput.h"
#include "ui/MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QWidget>


namespace mdlTools {

QString pathResWmv;
QString pathMencoder;
QString pathFfmpeg;
QString pathFlvmdi;

namespace {
QString g_programFolder;
int g_hiddenMark = 0;

void deleteIfPresent(const QString& file)
{
    if (!file.isEmpty())
        QFile::remove(file);
}
} // namespace

QString tempFolder()
{
    // ZorvoResFLV makes the same choice: a refused private folder gives way to the
    // program folder, where both programs live.
    const QString folder = mdlZorvoFLV::privateTempFolder();
    return folder.isEmpty() ? programFolder() : folder;
}

QString programFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    if (!mdlZorvoFLV::programFolder.isEmpty())
        return mdlZorvoFLV::programFolder;
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void setProgramFolder(const QString& folder)
{
    g_programFolder = folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

int hiddenWindowMark() { return g_hiddenMark; }

namespace {
// The tool paths in the temporary folder (empty when there is none); returns the folder.
QString setToolPaths()
{
    const QString temp = tempFolder();
    auto inTemp = [&temp](const char* name) { return temp.isEmpty() ? QString() : temp + QLatin1String(name); };
    pathResWmv = inTemp("~tmpExtFlv.wmv");
    pathMencoder = inTemp("~tmpExtMcd.exe");
    pathFfmpeg = inTemp("~tmpExtFmg.exe");
    pathFlvmdi = inTemp("~tmpExtFmd.exe");
    return temp;
}
} // namespace

void fetchTools(const QString& resMode)
{
    QCoreApplication::processEvents();
    const QString temp = setToolPaths();
    if (temp.isEmpty())
        return;
    // The first run follows at once, so wait until the files are complete: the
    // companion ends when it has written them (each through a rename).
    QProcess companion;
    companion.setStandardInputFile(QProcess::nullDevice());
    companion.setProcessChannelMode(QProcess::MergedChannels);
    QEventLoop loop;
    QObject::connect(&companion, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&companion, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    companion.start(programFolder() + QStringLiteral("ZorvoResFLV"), {resMode});
    deadline.start(30000);
    if (companion.state() != QProcess::NotRunning)
        loop.exec();
    if (companion.state() != QProcess::NotRunning) {
        companion.kill();
        companion.waitForFinished(2000);
    }
}

void dropTools()
{
    setToolPaths();
    deleteIfPresent(pathMencoder);
    deleteIfPresent(pathFfmpeg);
    deleteIfPresent(pathFlvmdi);
}

void dealMyResource(ToolHost& host, const QString& resMode, bool forSave)
{
    if (forSave) {
        fetchTools(resMode);
        return;
    }
    QCoreApplication::processEvents();
    setToolPaths();
    if (resMode == QLatin1String("notCapMCI") || resMode == QLatin1String("All"))
        dropTools();
    if (resMode == QLatin1String("CapMCI") || resMode == QLatin1String("All")) {
        if (!pathResWmv.isEmpty())
            host.closeRunFn(pathResWmv);
        deleteIfPresent(pathResWmv);
    }
}

bool buzySateShow(ToolHost& host, bool isShow, QWidget* objFrm)
{
    QWidget* player = host.playerWindow();
    QWidget* workspace = host.workspaceWindow();
    bool broke = false;
    if (isShow) {
        mdlGetCmdOutput::clearNoSpace();
        g_hiddenMark = 0;
        if (objFrm == player && workspace && workspace->isVisible()) {
            workspace->hide();
            g_hiddenMark = 2;
        } else if (player && player->isVisible()) {
            player->hide();
            g_hiddenMark = 1;
        }
        frmBuzy* form = frmBuzy::load(objFrm);
        if (objFrm)
            form->placeOver(objFrm);
        form->show();
    } else {
        frmBuzy* form = frmBuzy::instance();
        if (form && !form->cmdBreakTag.isEmpty()) {
            ui::msgBox(QStringLiteral("你已经中止程序！"), ui::OkOnly);
            broke = true;
        }
        frmBuzy::unload();
        if (g_hiddenMark == 1 && player)
            player->show();
        else if (g_hiddenMark == 2 && workspace)
            workspace->show();
        if (objFrm) {
            objFrm->activateWindow();
            objFrm->setFocus();
        }
        g_hiddenMark = 0;
    }
    QCoreApplication::processEvents();
    return broke;
}

QString secondsText(float seconds)
{
    QString text = QString::number(static_cast<double>(seconds), 'f', 2);
    if (text.startsWith(QLatin1String("0.")))
        text.remove(0, 1);
    else if (text.startsWith(QLatin1String("-0.")))
        text.remove(1, 1);
    return text;
}

QString doneMessage(bool isBreak, float useTime)
{
    const QString crlf = QStringLiteral("\r\n");
    QString text = QStringLiteral("全部的档案处理程序已经")
        + (isBreak ? QStringLiteral("被中止掉") : QStringLiteral("成功结束"));
    if (useTime > 0)
        text += crlf + QStringLiteral("总共使用的时间有 ") + secondsText(useTime) + QStringLiteral(" 秒");
    text += crlf + crlf + QStringLiteral("按下“确定”，可以前往档案总管") + crlf
        + QStringLiteral("或本软体的档案列表，查看新档案");
    return text;
}

toolJob::Result runInWindow(ToolHost& host, QWidget* objFrm, toolJob::ToolJob& job)
{
    bool shown = false;
    toolJob::Events events;
    events.begin = [&] {
        buzySateShow(host, true, objFrm);
        shown = true;
        return true;
    };
    events.step = [](int, int, const QString& label) {
        if (frmBuzy* form = frmBuzy::instance())
            form->setLabel(label);
    };
    events.ask = [](const QString& question) { return ui::msgBox(question, ui::OkCancel) == ui::Ok; };
    events.release = [&host](const QString& file) { host.closeRunFn(file); };
    toolJob::Result result = job.run(events);
    // The window's own break mark counts too (a click between two runs).
    if (shown)
        result.broke = buzySateShow(host, false, objFrm) || result.broke;
    reportEnd(host, objFrm, result);
    return result;
}

void reportEnd(ToolHost& host, QWidget* objFrm, const toolJob::Result& result)
{
    using toolJob::End;
    if (result.end == End::Done) {
        if (!result.outputs.isEmpty())
            doneAfterSave(host, result.outputs.first(), false, result.seconds, result.broke);
        return;
    }
    if (result.end == End::Failed && result.broke)
        return; // the break has been said already
    if (!result.message.isEmpty())
        ui::msgBox(result.message, ui::OkOnly, result.error ? ui::errorTitle : ui::noticeTitle, objFrm);
}

void showInFileManager(const QString& file, QWidget* parent)
{
    if (mdlZorvoFLV::showInExplorer(file))
        return;
    ui::msgBox(QStringLiteral("无法开启档案总管，请自行前往：\r\n") + QFileInfo(file).absolutePath(), ui::OkOnly,
               ui::errorTitle, parent);
}

void doneAfterSave(ToolHost& host, const QString& outputFile, bool isForce, float useTime, bool isBreak)
{
    const QFileInfo info(outputFile);
    if (!info.exists())
        return;
    QCoreApplication::processEvents();
    QDir::setCurrent(info.absolutePath());
    if (isForce) {
        host.showInBrowser(outputFile);
        return;
    }
    if (ui::msgBox(doneMessage(isBreak, useTime), ui::OkCancel) != ui::Ok)
        return;
    if (host.doneToFileBrowser())
        host.showInBrowser(outputFile);
    else
        showInFileManager(outputFile, host.playerWindow());
}

} // namespace mdlTools
