#include "tools/mdlSplit.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "media/MCI.h"
#include "media/MpvDevice.h"
#include "media/WindowRegistry.h"
#include "tools/SplitJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlToolCmds.h"
#include "tools/mdlTools.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

#include <QFileInfo>

namespace mdlSplit {

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString splitWord = QStringLiteral("切割");

// The length in milliseconds as the properties step makes it seconds: through float, as
// MCI::getTotalSeconds keeps it, then two decimals.
QString totalTag(qint64 milliseconds)
{
    return QString::number(static_cast<float>(static_cast<double>(milliseconds) / 1000.0), 'f', 2);
}

} // namespace

QString hintText() { return QStringLiteral("按照步骤输入参数之后，“执行切割功能”便可以按下"); }

QString refusedMessage()
{
    return QStringLiteral("你所指定处理的档案并不存在，或是") + crlf + QStringLiteral("你选择了不支援切割的多媒体格式！");
}

QString sameFileMessage()
{
    return QStringLiteral("你所指定的另存新档（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QString reencodeQuestion()
{
    return QStringLiteral("切割后的区段，音讯必须重新编码") + crlf + QStringLiteral("这个“切割”程序才能成功") + crlf + crlf
        + QStringLiteral("按“确定”则继续程序，并且音讯重新编码") + crlf + QStringLiteral("按“取消”则中止这个“切割”程序");
}

QString failureMessage() { return mdlToolCmds::failureMessage(splitWord); }

QString noPictureMessage(const QString& pageWord)
{
    return QStringLiteral("“") + pageWord + QStringLiteral("功能”无法处理没有画面／视讯的影片！");
}

QString propertiesErrorHead() { return QStringLiteral("无法取得指定档案的相关属性："); }

QString readProperties(ToolHost& host, QWidget* owner, QWidget* picture, const QString& source, const QString& pageWord)
{
    QString tag;
    if (!source.isEmpty() && QFileInfo(source).isFile()) {
        media::MCI().closeMCI(splitAlias);
        media::MCI device;
        device.openMCI(source, media::registerWindow(picture), splitAlias);
        if (device.isSuccess()) {
            int w = 0, h = 0;
            device.getDefaultSize(w, h);
            device.putMCI(w, h, false, 0, 0, w, h);
            if (device.isAudioOnly()) {
                ui::msgBox(noPictureMessage(pageWord), ui::OkOnly, ui::errorTitle, owner);
                tag = noPictureTag;
            } else {
                tag = QString::number(device.getTotalSeconds(), 'f', 2);
            }
        }
        device.closeMCI(splitAlias);
    }
    if (tag.isEmpty()) {
        host.pausePlayer();
        host.playErrorMsg(source, propertiesErrorHead());
    }
    return tag == noPictureTag ? QString() : tag;
}

Length readLength(const QString& source)
{
    Length length;
    if (source.isEmpty() || !QFileInfo(source).isFile())
        return length;
    // No window: libmpv without a video output, the device the pages get offscreen.
    media::MpvDevice device;
    device.setMsFormat(true);
    if (device.openFile(source, nullptr) != 0)
        return length;
    length.opened = true;
    length.picture = device.hasVideo();
    if (length.picture)
        length.total = totalTag(device.length());
    return length;
}

SplitEnd cmdMediaSplit(ToolHost& host, QWidget* workspace, const SplitRequest& request, QString& saveFolder)
{
    using namespace mdlToolCmds;
    host.pausePlayer();

    const QString source = request.source.trimmed();
    SplitJob job({source, request.option, mdlZorvoFLV::valLenient(request.totalTag), request.number, request.from,
                  request.to, {}});
    if (std::optional<toolJob::Result> no = job.refusePlan()) {
        mdlTools::reportEnd(host, workspace, *no);
        return no->end == toolJob::End::Refused ? SplitEnd::Refused : SplitEnd::Invalid;
    }
    const QString ext = job.ext();

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    QString target;
    if (job.count() == 1) {
        dlg.DialogTitle.clear();
        dlg.setFilter(saveFilter(ext));
        dlg.setFilterIndex(1);
        dlg.DefaultExt = QLatin1Char('.') + ext;
        dlg.FileName = partName(source);
        target = dlg.ShowSave();
    } else {
        dlg.DialogTitle = splitFolderTitle(splitWord, ext);
        const QString folder = dlg.ShowDir();
        dlg.DialogTitle.clear();
        if (!folder.isEmpty())
            target = folder + splitName(0, ext);
    }
    if (target.isEmpty())
        return SplitEnd::NoTarget;
    job.setTarget(target);

    return mdlTools::pageEnd<SplitEnd>(mdlTools::runInWindow(host, workspace, job).end);
}

} // namespace mdlSplit
