#include "tools/mdlJoin.h"

#include "app/mdlZorvoFLV.h"
#include "tools/JoinJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"

#include <QFileInfo>

namespace mdlJoin {

namespace {
const QString crlf = QStringLiteral("\r\n");
const QString joinWord = QStringLiteral("合并");
} // namespace

QString refusedMessage()
{
    return QStringLiteral("合并清单里的档案类型不一致，或是") + crlf + QStringLiteral("清单里包含不支援合并的多媒体格式") + crlf
        + QStringLiteral("或是，清单里包含了不存在的档案！") + crlf + crlf + QStringLiteral("此合并功能，仅支援同类型的档案");
}

QString sameFileMessage()
{
    return QStringLiteral("你所指定的另存新档（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QString reencodeQuestion()
{
    return QStringLiteral("合并后的档案，音讯必须重新编码") + crlf + QStringLiteral("这个“合并”程序才能成功") + crlf + crlf
        + QStringLiteral("按“确定”则继续程序，并且音讯重新编码") + crlf + QStringLiteral("按“取消”则中止这个“合并”程序");
}

QString failureMessage() { return mdlToolCmds::failureMessage(joinWord); }

QStringList pageNotes()
{
    return {QStringLiteral("以下每个影片的视讯／音讯条件必须一致，才能合并成功"),
            QStringLiteral("你也可利用转档功能，将每个影片之视讯、音讯调成一致"),
            QStringLiteral("请利用档案拖曳，或上面按钮，加入／排列准备合并的影片"),
            QStringLiteral("下个步骤将出现另存新档的对话盒")};
}

QString runCaption() { return QStringLiteral("执行合并功能"); }

int firstRefusedItem(const QStringList& items)
{
    return mdlToolCmds::firstRefusedJoinItem(
        items, [](const QString& p) { return mdlZorvoFLV::isEditableFile(p); },
        [](const QString& p) { return !p.isEmpty() && QFileInfo(p).isFile(); });
}

JoinEnd cmdMediaJoin(ToolHost& host, QWidget* workspace, const QStringList& items, QString& saveFolder, int* refusedItem)
{
    host.pausePlayer();
    if (std::optional<toolJob::Result> no = JoinJob::refuseItems(items, refusedItem)) {
        mdlTools::reportEnd(host, workspace, *no);
        return JoinEnd::Refused;
    }

    const QString& first = items.first();
    const QString ext = mdlToolCmds::lowerExt(first);
    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.DialogTitle.clear();
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(first, saveFolder);
    dlg.setFilter(mdlToolCmds::saveFilter(ext));
    dlg.setFilterIndex(1);
    dlg.DefaultExt = QLatin1Char('.') + ext;
    dlg.FileName = mdlToolCmds::mergeName(first);
    const QString target = dlg.ShowSave();
    if (target.isEmpty())
        return JoinEnd::NoTarget;

    JoinJob job({items, target});
    return mdlTools::pageEnd<JoinEnd>(mdlTools::runInWindow(host, workspace, job).end);
}

} // namespace mdlJoin
