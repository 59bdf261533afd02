#include "tools/mdlFix.h"

#include "app/mdlZorvoFLV.h"
#include "tools/FixJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"


namespace mdlFix {

namespace {
const QString crlf = QStringLiteral("\r\n");
const QString fixWord = QStringLiteral("修复");
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
    if (std::optional<toolJob::Result> no = FixJob::refuseSource(source)) {
        mdlTools::reportEnd(host, workspace, *no);
        return FixEnd::Refused;
    }
    const QString ext = mdlToolCmds::lowerExt(source);

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

    FixJob job({source, target});
    return mdlTools::pageEnd<FixEnd>(mdlTools::runInWindow(host, workspace, job).end);
}

} // namespace mdlFix
