#include "tools/mdlSplit.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "media/MCI.h"
#include "media/WindowRegistry.h"
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

namespace mdlSplit {

using namespace mdlToolJob;

namespace {

const QString crlf = QStringLiteral("\r\n");
const QString splitWord = QStringLiteral("切割");

void setCountLine(int total, int current)
{
    if (frmBuzy* form = frmBuzy::instance())
        form->setLabel(mdlToolCmds::buzyLabel(splitWord, total, current));
}

// Every file the job writes, deletes or replaces in the output folder: the pieces, their
// re-muxed forms and the outputs. The source must be none of them.
bool sourceAmongJobFiles(const QString& source, const QString& ext, int count, const QString& target)
{
    using namespace mdlToolCmds;
    const QDir here = QDir::current();
    if (sameFile(target, source))
        return true;
    for (int i = 0; i < count; ++i) {
        if (sameFile(here.absoluteFilePath(pieceName(i, ext)), source)
            || sameFile(here.absoluteFilePath(fixedName(pieceName(i, ext))), source))
            return true;
        if (count > 1 && sameFile(here.absoluteFilePath(splitName(i, ext)), source))
            return true;
    }
    return false;
}

// The runs of one piece, each checked for the file it should leave. False when the piece
// is missing or empty at the end.
bool cutOne(int type, int i, const mdlToolCmds::Piece& p, const QString& source, const QString& ext, bool& reencodeAsked,
            bool& reencode, QElapsedTimer& started)
{
    using namespace mdlToolCmds;
    using mdlGetCmdOutput::runCmdWait;
    const QDir here = QDir::current();
    const QString piece = pieceName(i, ext);
    const QString pieceFile = here.absoluteFilePath(piece);
    QFile::remove(pieceFile);
    const CutTimes t = cutTimes(p.start, p.end);

    switch (type) {
    case 1:
    case 2: {
        runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, source, false));
        if (sizeOf(pieceFile) <= 0)
            return false;
        runCmdWait(remuxPiece(mdlTools::pathFfmpeg, piece));
        QFile::remove(pieceFile);
        const QString fixed = here.absoluteFilePath(fixedName(piece));
        if (sizeOf(fixed) <= 0 || !QFile::rename(fixed, pieceFile))
            return false;
        if (type == 1)
            runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, piece));
        break;
    }
    default:
        runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, source, false));
        if (sizeOf(pieceFile) == 0) {
            // The sound could not be copied into the piece: asked once a job, and every
            // later piece that comes out empty is re-encoded on that answer.
            // An empty piece on a full disk is no sign of sound that cannot be copied.
            if (mdlResultCheck::diskFull(here.path(), 0))
                return false;
            if (!reencodeAsked) {
                reencodeAsked = true;
                reencode = ui::msgBox(reencodeQuestion(), ui::OkCancel) == ui::Ok;
                started.restart();
            }
            if (reencode) {
                QFile::remove(pieceFile);
                runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, source, true));
            }
        }
        break;
    }
    return sizeOf(pieceFile) > 0;
}

// The pieces take their final names: split_001 … for several, the target for one. An
// older file of that name is let go by the player and replaced.
bool renamePieces(ToolHost& host, int count, const QString& ext, const QString& target)
{
    using namespace mdlToolCmds;
    const QDir here = QDir::current();
    for (int i = 0; i < count; ++i) {
        const QString to = count > 1 ? here.absoluteFilePath(splitName(i, ext)) : target;
        const QString from = here.absoluteFilePath(pieceName(i, ext));
        if (sameFile(from, to))
            continue; // a target named like the piece is the piece
        host.closeRunFn(to);
        QFile::remove(to);
        if (QFileInfo::exists(to) || !QFile::rename(from, to))
            return false;
    }
    return true;
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

SplitEnd cmdMediaSplit(ToolHost& host, QWidget* workspace, const SplitRequest& request, QString& saveFolder)
{
    using namespace mdlToolCmds;
    host.pausePlayer();

    const QString source = request.source.trimmed();
    if (source.isEmpty() || !QFileInfo(source).isFile() || !mdlZorvoFLV::isEditableFile(source)) {
        ui::msgBox(refusedMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return SplitEnd::Refused;
    }
    const QString ext = lowerExt(source);
    const int type = sourceType(ext);

    const SplitPlan plan = planSplit(request.option, mdlZorvoFLV::valLenient(request.totalTag), QFileInfo(source).size(),
                                     request.number, request.from, request.to);
    const QList<Piece> pieces = splitPieces(plan);
    if (!plan.valid || pieces.isEmpty()) {
        // Nothing has run and nothing was made: only the message.
        ui::msgBox(failureMessage(), ui::OkOnly, ui::errorTitle, workspace);
        return SplitEnd::Invalid;
    }
    const int count = static_cast<int>(pieces.size());

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = workspace;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    QString target;
    if (count == 1) {
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
    mdlZorvoFLV::changeToFolder(target);

    // The source may not be any file the job writes or replaces: a piece, its re-muxed
    // form, or an output of the series would take its place before it was read through.
    if (sourceAmongJobFiles(source, ext, count, target)) {
        ui::msgBox(sameFileMessage(), ui::OkOnly, ui::noticeTitle, workspace);
        return SplitEnd::SameAsSource;
    }

    QElapsedTimer started;
    started.start();
    mdlTools::buzySateShow(host, true, workspace);
    setCountLine(count, 1);
    mdlTools::dealMyResource(host, editMode(type), true);

    // Each piece is checked before any takes its name.
    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source);
    bool made = true;
    QString reason;
    bool reencodeAsked = false, reencode = false;
    for (int i = 0; i < count && made; ++i) {
        setCountLine(count, i + 1);
        made = cutOne(type, i, pieces[i], source, ext, reencodeAsked, reencode, started);
        const QString pieceFile = QDir::current().absoluteFilePath(pieceName(i, ext));
        reason = mdlResultCheck::judge(made, pieceFile, [&] {
            return mdlResultCheck::checkMedia(pieceFile, mdlResultCheck::piecesOf(sourceProbe, {{pieces[i].start, pieces[i].end}}));
        });
        made = made && reason.isEmpty();
    }
    if (made)
        made = renamePieces(host, count, ext, target);

    clearTemporaries({source, target});

    const qint64 size = sizeOf(target);
    if (made && size > 0) {
        const bool broke = mdlTools::buzySateShow(host, false, workspace);
        mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
        // A run broken off can leave a piece cut short: the report says so.
        mdlTools::doneAfterSave(host, target, false, secondsSince(started), broke);
        return SplitEnd::Done;
    }
    if (made && size == 0)
        QFile::remove(target);

    QCoreApplication::processEvents();
    clearTemporaries({source, target});
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    const bool broke = mdlTools::buzySateShow(host, false, workspace);
    if (!broke)
        ui::msgBox(mdlResultCheck::withReason(failureMessage(), reason), ui::OkOnly, ui::errorTitle, workspace);
    return SplitEnd::Failed;
}

} // namespace mdlSplit
