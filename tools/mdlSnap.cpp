#include "tools/mdlSnap.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/ToolHost.h"
#include "tools/frmBuzy.h"
#include "tools/mdlGetCmdOutput.h"
#include "tools/mdlResultCheck.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "tools/mdlToolJob.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace mdlSnap {

using namespace mdlToolJob;

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString snapWord = QStringLiteral("截图");

void setCountLine(qint64 total, qint64 current)
{
    if (frmBuzy* form = frmBuzy::instance())
        form->setLabel(mdlToolCmds::buzyLabel(snapWord, static_cast<int>(total), static_cast<int>(current)));
}

QStringList snapTemporaries() { return {QStringLiteral("~tmpS*.*")}; }

// One run for moment i, its picture renamed to to. False when FFmpeg left no picture, a
// picture that does not open (reason says why) or one that could not take its name.
bool takeOne(ToolHost& host, const QString& source, double moment, const QString& fmt, const QString& to, bool single,
             QString& reason)
{
    const QString picture = QDir::current().absoluteFilePath(mdlToolCmds::snapshotTempName(fmt));
    QFile::remove(picture);
    mdlGetCmdOutput::runCmdWait(mdlToolCmds::snapshotCmd(mdlTools::pathFfmpeg, source, moment, fmt));
    const bool made = sizeOf(picture) > 0;
    reason = mdlResultCheck::judge(made, picture, [&] { return mdlResultCheck::checkPicture(picture); });
    // An empty picture on a disk with room: said as such.
    if (!made && reason.isEmpty() && QFileInfo::exists(picture))
        reason = mdlResultCheck::checkPicture(picture);
    if (!made || !reason.isEmpty()) {
        // Never saved under the picture's name.
        QFile::remove(picture);
        return false;
    }
    if (sameFile(picture, to)) // a target that carries FFmpeg's own name
        return true;
    if (single)
        host.closeRunFn(to);
    QFile::remove(to);
    return !QFileInfo::exists(to) && QFile::rename(picture, to);
}

} // namespace

QString hintText() { return QStringLiteral("按照步骤输入参数之后，“执行截图功能”便可以按下"); }

QString refusedMessage()
{
    return QStringLiteral("你所指定处理的档案并不存在，或是") + crlf + QStringLiteral("你选择了不支援截图的多媒体格式！");
}

QString failureMessage() { return mdlToolCmds::failureMessage(snapWord); }

QString sameFileMessage()
{
    return QStringLiteral("你所指定的另存新档（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QStringList pictureTypes() { return {QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("GIF")}; }

SnapEnd cmdMediaSnap(ToolHost& host, QWidget* workspace, const SnapRequest& request, QString& saveFolder)
{
    using namespace mdlToolCmds;
    host.pausePlayer();

    const QString source = request.source.trimmed();
    if (source.isEmpty() || !QFileInfo(source).isFile() || !mdlZorvoFLV::isEditableFile(source)) {
        ui::msgBox(refusedMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return SnapEnd::Refused;
    }
    const QString fmt = request.type.trimmed().toLower();
    const SnapPlan plan = planSnapshots(request.stretch, request.spacing, mdlZorvoFLV::valLenient(request.totalTag),
                                        request.at, request.from, request.to, request.count, request.every);
    if (!plan.valid || plan.count < 1 || !pictureTypes().contains(fmt.toUpper())) {
        ui::msgBox(failureMessage(), ui::OkOnly, ui::errorTitle, workspace);
        return SnapEnd::Invalid;
    }
    const bool single = plan.spacing == 0;

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    QString target;
    if (single) {
        dlg.DialogTitle.clear();
        dlg.setFilter(saveFilter(fmt));
        dlg.setFilterIndex(1);
        dlg.DefaultExt = QLatin1Char('.') + fmt;
        dlg.FileName = snapshotProposal(source, fmt);
        target = dlg.ShowSave();
    } else {
        dlg.DialogTitle = snapshotFolderTitle();
        const QString folder = dlg.ShowDir();
        dlg.DialogTitle.clear();
        if (!folder.isEmpty())
            target = folder + snapshotName(0, fmt);
    }
    if (target.isEmpty())
        return SnapEnd::NoTarget;
    mdlZorvoFLV::changeToFolder(target);

    // A picture named like the source would be deleted to make room for it.
    if (sameFile(target, source)) {
        ui::msgBox(sameFileMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return SnapEnd::SameAsSource;
    }

    QElapsedTimer started;
    started.start();
    mdlTools::buzySateShow(host, true, workspace);
    setCountLine(plan.count, 1);
    mdlTools::dealMyResource(host, QStringLiteral("Snap"), true);
    // A source named like a temporary file ("~tmpSample.flv") is kept.
    clearMatching(snapTemporaries(), {source, target});

    const QDir here = QDir::current();
    bool made = true;
    QString reason;
    for (qint64 i = 0; i < plan.count && made; ++i) {
        setCountLine(plan.count, i + 1);
        const QString to = single ? target : here.absoluteFilePath(snapshotName(static_cast<int>(i), fmt));
        made = takeOne(host, source, snapshotMoment(plan, i), fmt, to, single, reason);
    }

    clearMatching(snapTemporaries(), {source, target});
    if (made && sizeOf(target) > 0) {
        mdlTools::buzySateShow(host, false, workspace);
        mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
        mdlTools::doneAfterSave(host, target, false, secondsSince(started), false);
        return SnapEnd::Done;
    }

    QCoreApplication::processEvents();
    clearMatching(snapTemporaries(), {source, target});
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    const bool broke = mdlTools::buzySateShow(host, false, workspace);
    if (!broke)
        ui::msgBox(mdlResultCheck::withReason(failureMessage(), reason), ui::OkOnly, ui::errorTitle, workspace);
    return SnapEnd::Failed;
}

} // namespace mdlSnap
