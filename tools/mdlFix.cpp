#include "tools/mdlFix.h"

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

namespace mdlFix {

using namespace mdlToolJob;

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString fixWord = QStringLiteral("修复");

// The runs of one type. Each run is checked for the file it should leave; false when one
// did not, so that the job goes no further than a missing or empty file.
bool runTools(int type, const QString& source, const QString& ext, const QString& target, QElapsedTimer& started)
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    switch (type) {
    case 1: {
        const QString temp = QDir::current().absoluteFilePath(fixTempName(ext));
        runCmdWait(fixRemuxFlv(mdlTools::pathFfmpeg, source, ext));
        if (sizeOf(temp) <= 0)
            return false;
        runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixTempName(ext)));
        if (sizeOf(temp) <= 0)
            return false;
        return QFile::rename(temp, target);
    }
    case 2:
        runCmdWait(fixRemuxInto(mdlTools::pathFfmpeg, source, target));
        return sizeOf(target) > 0;
    default:
        runCmdWait(fixCopy(mdlTools::pathMencoder, source, target, false));
        // An empty file on a full disk is no sign of sound that cannot be copied.
        if (sizeOf(target) == 0 && !mdlResultCheck::diskFull(QDir::currentPath(), 0)) {
            // The sound could not be copied into the new container.
            const int answer = ui::msgBox(reencodeQuestion(), ui::OkCancel);
            started.restart();
            if (answer == ui::Ok)
                runCmdWait(fixCopy(mdlTools::pathMencoder, source, target, true));
        }
        return sizeOf(target) > 0;
    }
}

} // namespace

QString refusedMessage()
{
    return QStringLiteral("你所指定处理的档案并不存在，或是") + crlf + QStringLiteral("你选择了不支援修复的多媒体格式！");
}

QString sameFileMessage()
{
    return QStringLiteral("你所指定的另存新档（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QString reencodeQuestion()
{
    return QStringLiteral("修复后的档案，音讯必须重新编码") + crlf + QStringLiteral("这个“修复”程序才能成功") + crlf + crlf
        + QStringLiteral("按“确定”则继续程序，并且音讯重新编码") + crlf + QStringLiteral("按“取消”则中止这个“修复”程序");
}

QString failureMessage() { return mdlToolCmds::failureMessage(fixWord); }

QString hintText() { return QStringLiteral("按照步骤输入参数之后，“执行修复功能”便可以按下"); }

QString introText()
{
    return QStringLiteral("如果指定的 FLV 无法播放，或是播放时间不正确，或是无法跳转，或是 Meta Data 有毁损，"
                          "你可以“执行修复 FLV”来解决这些问题，让你把此 FLV 再度放在网路上时，可以正常播放。"
                          "此修复，让你另存新档成另一个 FLV 档案。");
}

FixEnd cmdMediaFix(ToolHost& host, QWidget* workspace, const QString& sourceText, QString& saveFolder)
{
    host.pausePlayer();

    const QString source = sourceText.trimmed();
    if (source.isEmpty() || !QFileInfo(source).isFile() || !mdlZorvoFLV::isEditableFile(source)) {
        ui::msgBox(refusedMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return FixEnd::Refused;
    }
    const QString ext = mdlToolCmds::lowerExt(source);
    const int type = mdlToolCmds::sourceType(ext);

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.DialogTitle.clear();
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    dlg.setFilter(mdlToolCmds::saveFilter(ext));
    dlg.setFilterIndex(1);
    dlg.DefaultExt = QLatin1Char('.') + ext;
    dlg.FileName = mdlToolCmds::fixName(source);
    const QString target = dlg.ShowSave();
    if (target.isEmpty())
        return FixEnd::NoTarget;

    mdlZorvoFLV::changeToFolder(target);

    // The type 1 run writes its temporary file in the target's folder with -y: a source
    // that is that very file would be overwritten while it is read.
    const bool sourceIsTemporary
        = type == 1 && sameFile(QDir::current().absoluteFilePath(mdlToolCmds::fixTempName(ext)), source);
    if (sameFile(target, source) || sourceIsTemporary) {
        ui::msgBox(sameFileMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return FixEnd::SameAsSource;
    }

    QElapsedTimer started;
    started.start();
    mdlTools::buzySateShow(host, true, workspace);
    if (frmBuzy* form = frmBuzy::instance())
        form->setLabel(mdlToolCmds::buzyLabel(fixWord, 1, 1));
    mdlTools::dealMyResource(host, mdlToolCmds::fixMode(type), true);

    // A copy of the container keeps every stream and the length of the source.
    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source);
    bool made = false;
    host.closeRunFn(target);
    QFile::remove(target);
    if (!QFileInfo::exists(target))
        made = runTools(type, source, ext, target, started);
    const QString reason = mdlResultCheck::judge(made, target, [&] {
        return mdlResultCheck::checkMedia(target, mdlResultCheck::sameKindsAs(sourceProbe, sourceProbe.seconds, 1.0));
    });

    clearTemporaries({source, target});

    const qint64 size = sizeOf(target);
    if (made && size > 0 && reason.isEmpty()) {
        const bool broke = mdlTools::buzySateShow(host, false, workspace);
        mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
        // A run broken off can leave a file cut short: the report says so.
        mdlTools::doneAfterSave(host, target, false, secondsSince(started), broke);
        return FixEnd::Done;
    }
    // An empty or faulty target is this job's; a non-empty one that the runs did not make
    // is a file that could not be deleted before them, and stays.
    if (size == 0 || made)
        QFile::remove(target);

    QCoreApplication::processEvents();
    clearTemporaries({source, target});
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    const bool broke = mdlTools::buzySateShow(host, false, workspace);
    if (!broke)
        ui::msgBox(mdlResultCheck::withReason(failureMessage(), reason), ui::OkOnly, ui::errorTitle, workspace);
    return FixEnd::Failed;
}

} // namespace mdlFix
