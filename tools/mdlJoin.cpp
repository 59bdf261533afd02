#include "tools/mdlJoin.h"

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

namespace mdlJoin {

using namespace mdlToolJob;

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString joinWord = QStringLiteral("合并");

// The runs of one type. Each run is checked for the file it should leave; false when one
// did not, so that the job goes no further than a missing or empty file.
bool runTools(int type, const QString& list, const QString& ext, const QString& target, QElapsedTimer& started)
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    const QDir here = QDir::current();
    switch (type) {
    case 1: {
        const QString joined = here.absoluteFilePath(joinName(ext));
        const QString fixed = here.absoluteFilePath(fixJoinName(ext));
        runCmdWait(joinFiles(mdlTools::pathMencoder, ext, list));
        if (sizeOf(joined) <= 0)
            return false;
        runCmdWait(remuxJoined(mdlTools::pathFfmpeg, ext));
        if (sizeOf(fixed) <= 0)
            return false;
        QFile::remove(joined);
        runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixJoinName(ext)));
        if (sizeOf(fixed) <= 0)
            return false;
        return sameFile(fixed, target) || QFile::rename(fixed, target);
    }
    case 2: {
        runCmdWait(joinFiles(mdlTools::pathMencoder, ext, list));
        if (sizeOf(here.absoluteFilePath(joinName(ext))) <= 0)
            return false;
        runCmdWait(remuxJoinedInto(mdlTools::pathFfmpeg, ext, target));
        return sizeOf(target) > 0;
    }
    default:
        runCmdWait(joinFilesInto(mdlTools::pathMencoder, target, list, false));
        // An empty file on a full disk is no sign of sound that cannot be copied.
        if (sizeOf(target) == 0 && !mdlResultCheck::diskFull(QDir::currentPath(), 0)) {
            // The sound could not be copied into the new container.
            const int answer = ui::msgBox(reencodeQuestion(), ui::OkCancel);
            started.restart();
            if (answer == ui::Ok)
                runCmdWait(joinFilesInto(mdlTools::pathMencoder, target, list, true));
        }
        return sizeOf(target) > 0;
    }
}

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
    if (refusedItem)
        *refusedItem = -1;

    // One item alone is no join (the run button is off then); it is refused like a list
    // that cannot be joined, with that item selected.
    int refused = firstRefusedItem(items);
    if (refused < 0 && items.size() < 2)
        refused = items.isEmpty() ? -1 : 0;
    if (refused >= 0 || items.size() < 2) {
        if (refusedItem)
            *refusedItem = refused;
        ui::msgBox(refusedMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return JoinEnd::Refused;
    }
    // Files whose pictures or sound differ join into a file that plays wrong or stops:
    // said before anything runs, with the item that differs.
    QString mismatch;
    refused = mdlResultCheck::firstMismatch(items, &mismatch);
    if (refused >= 0) {
        if (refusedItem)
            *refusedItem = refused;
        ui::msgBox(mismatch, ui::OkOnly, ui::noticeTitle, workspace);
        return JoinEnd::Refused;
    }

    const QString& first = items.first();
    const QString ext = mdlToolCmds::lowerExt(first);
    const int type = mdlToolCmds::sourceType(ext);
    const QString list = mdlToolCmds::joinList(items);

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

    mdlZorvoFLV::changeToFolder(target);

    // The join writes its temporary files in the target's folder and clears them at the
    // end: an item that is one of those files would be overwritten while it is read.
    const QDir here = QDir::current();
    QStringList temporaries;
    if (type != 3)
        temporaries << mdlToolCmds::joinName(ext);
    if (type == 1)
        temporaries << mdlToolCmds::fixJoinName(ext);
    bool itemIsTemporary = false;
    for (const QString& name : temporaries)
        itemIsTemporary = itemIsTemporary || isAnyOf(here.absoluteFilePath(name), items);
    if (mdlToolCmds::targetIsSource(target, items) || isAnyOf(target, items) || itemIsTemporary) {
        ui::msgBox(sameFileMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return JoinEnd::SameAsSource;
    }

    QElapsedTimer started;
    started.start();
    mdlTools::buzySateShow(host, true, workspace);
    if (frmBuzy* form = frmBuzy::instance())
        form->setLabel(mdlToolCmds::buzyLabel(joinWord, 1, 1));
    mdlTools::dealMyResource(host, mdlToolCmds::editMode(type), true);

    // The result holds the streams of the items and their lengths one after the other.
    mdlResultCheck::Expect expect;
    expect.seconds = 0;
    for (const QString& item : items) {
        const mdlResultCheck::Probe p = mdlResultCheck::probe(item);
        expect.video = expect.video || p.hasVideo;
        expect.audio = expect.audio || p.hasAudio;
        expect.seconds += p.seconds;
    }
    // Each seam may lose or gain a frame or a sound packet.
    expect.tolerance = 1.0 + 0.25 * static_cast<double>(items.size() - 1);

    bool made = false;
    host.closeRunFn(target);
    QFile::remove(target);
    if (!QFileInfo::exists(target))
        made = runTools(type, list, ext, target, started);
    const QString reason
        = mdlResultCheck::judge(made, target, [&] { return mdlResultCheck::checkMedia(target, expect); });

    clearTemporaries(items + QStringList{target});

    const qint64 size = sizeOf(target);
    if (made && size > 0 && reason.isEmpty()) {
        const bool broke = mdlTools::buzySateShow(host, false, workspace);
        mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
        // A run broken off can leave a file cut short: the report says so.
        mdlTools::doneAfterSave(host, target, false, secondsSince(started), broke);
        return JoinEnd::Done;
    }
    // An empty or faulty target is this job's; a non-empty one that the runs did not make
    // is a file that could not be deleted before them, and stays.
    if (size == 0 || made)
        QFile::remove(target);

    QCoreApplication::processEvents();
    clearTemporaries(items + QStringList{target});
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    const bool broke = mdlTools::buzySateShow(host, false, workspace);
    if (!broke)
        ui::msgBox(mdlResultCheck::withReason(failureMessage(), reason), ui::OkOnly, ui::errorTitle, workspace);
    return JoinEnd::Failed;
}

} // namespace mdlJoin
