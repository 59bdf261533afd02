#include "tools/mdlSnap.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/SnapJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"

namespace mdlSnap {

namespace {
const QString crlf = QStringLiteral("\r\n");
const QString snapWord = QStringLiteral("截图");
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
    SnapJob job({source, request.stretch, request.spacing, mdlZorvoFLV::valLenient(request.totalTag), request.at,
                 request.from, request.to, request.count, request.every, request.type, {}});
    if (std::optional<toolJob::Result> no = job.refusePlan()) {
        mdlTools::reportEnd(host, workspace, *no);
        return no->end == toolJob::End::Refused ? SnapEnd::Refused : SnapEnd::Invalid;
    }
    const QString fmt = job.format();

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    QString target;
    if (job.single()) {
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
    job.setTarget(target);

    return mdlTools::pageEnd<SnapEnd>(mdlTools::runInWindow(host, workspace, job).end);
}

} // namespace mdlSnap
