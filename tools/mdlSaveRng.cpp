#include "tools/mdlSaveRng.h"

#include "app/mdlZorvoFLV.h"
#include "tools/CropJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

namespace mdlSaveRng {

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

QString wordOf(int mode) { return mode == modeSplit ? QStringLiteral("分割") : QStringLiteral("裁剪"); }

QString refusedMessage()
{
    return QStringLiteral("你要处理的档案并不存在于本地硬碟") + crlf + QStringLiteral("或是其他的原因导致无法读取标记！");
}

QString audioOnlyMessage(int mode)
{
    return QStringLiteral("“另存") + wordOf(mode) + QStringLiteral("”无法处理没有画面／视讯的影片！");
}

QString uncuttableMessage(int mode, const QString& ext)
{
    return QStringLiteral("“另存") + wordOf(mode) + QStringLiteral("”无法处理这种多媒体格式（*.") + ext + QStringLiteral("）！");
}

QString confirmQuestion(int mode, const QString& source)
{
    const bool split = mode == modeSplit;
    return QStringLiteral("本软体可以不经转档而直接") + wordOf(mode) + QStringLiteral(" FLV 档案等等：") + crlf + source + crlf + crlf
        + (split ? QStringLiteral("分割功能，可以将所有的标记区段分别存档为新的档案")
                 : QStringLiteral("裁剪功能，可以将所有的标记区段接合为单一的新档案"))
        + crlf
        + (split ? QStringLiteral("下一个步骤，将会开启浏览资料夹的目录对话盒")
                 : QStringLiteral("下一个步骤，将会开启另存新档的档案对话盒"))
        + crlf + crlf + QStringLiteral("确定要进行“另存") + wordOf(mode) + QStringLiteral("”？");
}

QString sameFileMessage()
{
    return QStringLiteral("你所指定的另存新档（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QString reencodeQuestion(int mode)
{
    const QString word = wordOf(mode);
    return word + QStringLiteral("后的区段，音讯必须重新编码") + crlf + QStringLiteral("这个“另存") + word
        + QStringLiteral("”程序才能成功") + crlf + crlf + QStringLiteral("按“确定”则继续程序，并且音讯重新编码") + crlf
        + QStringLiteral("按“取消”则中止这个“另存") + word + QStringLiteral("”程序");
}

QString failureMessage() { return mdlToolCmds::failureMessage(QStringLiteral("剪辑")); }

SaveEnd saveMarkedRanges(ToolHost& host, QWidget* player, int mode, const RangeSource& src, QString& saveFolder)
{
    mode = mode == modeSplit ? modeSplit : modeCrop;
    const bool split = mode == modeSplit;
    const QString source = src.file;
    const QString ext = mdlToolCmds::lowerExt(source);
    host.pausePlayer();

    // Marks without times are no marks.
    CropJob::Request request{source, src.hasScale ? src.ranges : std::vector<RangeSource::Range>{}, mode, QString(),
                             src.audioOnly};
    // Better said before the question and the dialog than after a job that cannot work.
    const CropJob check(request);
    if (const CropJob::Refusal kind = check.refusalKind(); kind != CropJob::Refusal::None) {
        mdlTools::reportEnd(host, player, check.refusalResult(kind));
        return kind == CropJob::Refusal::AudioOnly    ? SaveEnd::AudioOnly
               : kind == CropJob::Refusal::Uncuttable ? SaveEnd::Uncuttable
                                                      : SaveEnd::Refused;
    }
    if (ui::msgBox(confirmQuestion(mode, source), ui::OkCancel, QString(), player) != ui::Ok)
        return SaveEnd::Declined;

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = player;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    if (!split) {
        dlg.DialogTitle.clear();
        dlg.setFilter(mdlToolCmds::saveFilter(ext));
        dlg.setFilterIndex(1);
        dlg.DefaultExt = QLatin1Char('.') + ext;
        dlg.FileName = mdlToolCmds::partName(source);
        request.target = dlg.ShowSave();
    } else {
        dlg.DialogTitle = mdlToolCmds::splitFolderTitle(wordOf(mode), ext);
        request.target = dlg.ShowDir();
        dlg.DialogTitle.clear();
    }
    if (request.target.isEmpty())
        return SaveEnd::NoTarget;

    CropJob job(std::move(request));
    return mdlTools::pageEnd<SaveEnd>(mdlTools::runInWindow(host, player, job).end);
}

} // namespace mdlSaveRng
