#include "tools/mdlSaveRng.h"

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
#include <QSet>

namespace mdlSaveRng {

using namespace mdlToolJob;

namespace {

const QString crlf = QStringLiteral("\r\n");

// The job's files live in the current (output) folder under bare names.
QString here(const QString& name) { return QDir::current().absoluteFilePath(name); }

// QFile::rename does not replace: the old file goes first.
bool renameOver(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::rename(from, to);
}

// The names the job writes or deletes one by one in the output folder. A source among
// them would be deleted or overwritten while it is read.
QSet<QString> namesTouched(int mode, int n, const QString& ext)
{
    using namespace mdlToolCmds;
    QSet<QString> names{joinName(ext), fixJoinName(ext)};
    for (int i = 0; i < n; ++i) {
        names << pieceName(i, ext) << fixedName(pieceName(i, ext));
        if (mode == modeSplit)
            names << splitName(i, ext);
    }
    return names;
}

struct Job {
    ToolHost& host;
    int mode;
    int type;
    QString ext;
    const RangeSource& src;
    QString target; // crop: the chosen file; split: the first numbered file
    int total;      // the runs the count line counts
    QElapsedTimer& started;
    const mdlResultCheck::Probe& sourceProbe;
    bool reencode = false;
    QString reason; // what was wrong with a piece or the joined file

    int count() const { return static_cast<int>(src.ranges.size()); }
    bool split() const { return mode == modeSplit; }

    void showCount(int current) const
    {
        if (frmBuzy* form = frmBuzy::instance())
            form->setLabel(mdlToolCmds::buzyLabel(wordOf(mode), total, current));
    }

    // The cut of one mark with its follow-up runs; false when the piece is missing or empty.
    bool cut(int i, QString& pieces)
    {
        using namespace mdlToolCmds;
        using mdlGetCmdOutput::runCmdWait;
        showCount(i + 1);
        const QString piece = pieceName(i, ext);
        const QString fixed = fixedName(piece);
        QFile::remove(here(piece));
        // A re-mux that fails must not leave an old file of that name to take its place.
        QFile::remove(here(fixed));
        pieces += QLatin1Char(' ') + bare(piece);
        const RangeSource::Range& r = src.ranges[static_cast<std::size_t>(i)];
        const CutTimes t = cutTimes(r.start, r.end);

        runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, src.file, false));
        if (type == 1 || type == 2) {
            // A cut that left nothing (a break, a file the cutter cannot read) ends here:
            // the runs after it have nothing to work on.
            if (sizeOf(here(piece)) <= 0)
                return false;
            runCmdWait(remuxPiece(mdlTools::pathFfmpeg, piece));
            QFile::remove(here(piece));
            QFile::rename(here(fixed), here(piece));
            if (type == 1 && (split() || count() == 1) && sizeOf(here(piece)) > 0)
                runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, piece));
        } else if (sizeOf(here(piece)) == 0 && !mdlResultCheck::diskFull(QDir::currentPath(), 0)) {
            // The sound could not be copied into a piece of this type (an empty piece on a
            // full disk is no sign of that).
            bool go = reencode;
            if (!go) {
                go = ui::msgBox(reencodeQuestion(mode), ui::OkCancel) == ui::Ok;
                started.restart();
            }
            if (go) {
                reencode = true;
                runCmdWait(cutPiece(mdlTools::pathMencoder, t, piece, src.file, true));
            }
        }
        // Checked before it takes its name or goes into the join.
        reason = mdlResultCheck::judge(sizeOf(here(piece)) > 0, here(piece), [&] {
            return mdlResultCheck::checkMedia(here(piece), mdlResultCheck::piecesOf(sourceProbe, {{r.start, r.end}}));
        });
        return sizeOf(here(piece)) > 0 && reason.isEmpty();
    }

    // The joined file: the pieces one after the other.
    bool joinedGood()
    {
        std::vector<std::pair<double, double>> ranges;
        for (const RangeSource::Range& r : src.ranges)
            ranges.emplace_back(r.start, r.end);
        const mdlResultCheck::Expect expect = mdlResultCheck::piecesOf(sourceProbe, ranges);
        reason = mdlResultCheck::judge(true, target, [&] { return mdlResultCheck::checkMedia(target, expect); });
        return reason.isEmpty();
    }

    // All runs; true when the output was made.
    bool run()
    {
        using namespace mdlToolCmds;
        using mdlGetCmdOutput::runCmdWait;
        QString pieces;
        for (int i = 0; i < count(); ++i)
            if (!cut(i, pieces))
                return false;

        if (split()) {
            for (int i = 0; i < count(); ++i) {
                const QString name = here(splitName(i, ext));
                host.closeRunFn(name);
                if (!renameOver(here(pieceName(i, ext)), name))
                    return false;
            }
            return true;
        }
        if (count() == 1)
            return renameOver(here(pieceName(0, ext)), target);

        showCount(count() + 1);
        const QStringList piecePattern{QStringLiteral("~tmpSP*.") + ext};
        switch (type) {
        case 1:
            runCmdWait(joinPieces(mdlTools::pathMencoder, ext, pieces));
            clearMatching(piecePattern, {src.file, target});
            runCmdWait(remuxJoined(mdlTools::pathFfmpeg, ext));
            QFile::remove(here(joinName(ext)));
            if (sizeOf(here(fixJoinName(ext))) <= 0)
                return false;
            runCmdWait(flvmdiBare(mdlTools::pathFlvmdi, fixJoinName(ext)));
            return renameOver(here(fixJoinName(ext)), target) && joinedGood();
        case 2:
            runCmdWait(joinPieces(mdlTools::pathMencoder, ext, pieces));
            clearMatching(piecePattern, {src.file, target});
            runCmdWait(remuxJoinedInto(mdlTools::pathFfmpeg, ext, target));
            QFile::remove(here(joinName(ext)));
            return joinedGood();
        default:
            runCmdWait(joinPiecesInto(mdlTools::pathMencoder, target, pieces));
            return joinedGood();
        }
    }
};

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

    const int n = static_cast<int>(src.ranges.size());
    if (source.isEmpty() || !QFileInfo(source).isFile() || !src.hasScale || n == 0) {
        ui::msgBox(refusedMessage(), ui::OkOnly, ui::errorTitle, player);
        return SaveEnd::Refused;
    }
    if (src.audioOnly) {
        ui::msgBox(audioOnlyMessage(mode), ui::OkOnly, ui::errorTitle, player);
        return SaveEnd::AudioOnly;
    }
    // Better said before the question and the dialog than after a job that cannot work.
    if (!mdlToolCmds::cuttableType(ext)) {
        ui::msgBox(uncuttableMessage(mode, ext), ui::OkOnly, ui::errorTitle, player);
        return SaveEnd::Uncuttable;
    }
    if (ui::msgBox(confirmQuestion(mode, source), ui::OkCancel, QString(), player) != ui::Ok)
        return SaveEnd::Declined;

    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = player;
    dlg.InitDir = mdlZorvoFLV::getOutputFolder(source, saveFolder);
    QString target;
    QString folder;
    if (!split) {
        dlg.DialogTitle.clear();
        dlg.setFilter(mdlToolCmds::saveFilter(ext));
        dlg.setFilterIndex(1);
        dlg.DefaultExt = QLatin1Char('.') + ext;
        dlg.FileName = mdlToolCmds::partName(source);
        target = dlg.ShowSave();
        if (target.isEmpty())
            return SaveEnd::NoTarget;
        folder = mdlZorvoFLV::withTrailingSeparator(QFileInfo(target).absolutePath());
    } else {
        dlg.DialogTitle = mdlToolCmds::splitFolderTitle(wordOf(mode), ext);
        folder = dlg.ShowDir();
        dlg.DialogTitle.clear();
        if (folder.isEmpty())
            return SaveEnd::NoTarget;
        folder = mdlZorvoFLV::withTrailingSeparator(folder);
        target = folder + mdlToolCmds::splitName(0, ext);
    }
    mdlZorvoFLV::changeToFolder(folder);

    // The source may not be the output, nor any file the job replaces in that folder.
    bool sourceTouched = sameFile(target, source);
    if (!sourceTouched && sameFile(QFileInfo(source).absolutePath(), QDir::currentPath()))
        sourceTouched = namesTouched(mode, n, ext).contains(QFileInfo(source).fileName());
    if (sourceTouched) {
        ui::msgBox(sameFileMessage(), ui::OkOnly, ui::noticeTitle, player);
        return SaveEnd::SameAsSource;
    }

    const int type = mdlToolCmds::sourceType(ext);
    const int total = mdlToolCmds::markJobCount(split, n);
    QElapsedTimer started;
    started.start();
    mdlTools::buzySateShow(host, true, player);
    if (frmBuzy* form = frmBuzy::instance())
        form->setLabel(mdlToolCmds::buzyLabel(wordOf(mode), total, 1));
    mdlTools::dealMyResource(host, mdlToolCmds::editMode(type), true);

    const mdlResultCheck::Probe sourceProbe = mdlResultCheck::probe(source);
    bool made = false;
    bool ran = false;
    QString reason;
    host.closeRunFn(target);
    QFile::remove(target);
    if (!QFileInfo::exists(target)) {
        Job job{host, mode, type, ext, src, target, total, started, sourceProbe, false, QString()};
        made = job.run();
        ran = true;
        reason = job.reason;
        // A join or re-mux that left nothing: a full disk is still named.
        if (!made && reason.isEmpty())
            reason = mdlResultCheck::judge(false, target, [] { return QString(); });
    }

    clearTemporaries({source, target});

    const qint64 size = sizeOf(target);
    if (made && size > 0) {
        const bool broke = mdlTools::buzySateShow(host, false, player);
        mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
        mdlTools::doneAfterSave(host, target, false, secondsSince(started), broke);
        return SaveEnd::Done;
    }
    // An empty or faulty output is this job's; a non-empty one that was there before the
    // runs is a file that could not be deleted, and stays.
    if (size == 0 || (ran && !split))
        QFile::remove(target);

    QCoreApplication::processEvents();
    clearTemporaries({source, target});
    mdlTools::dealMyResource(host, QStringLiteral("notCapMCI"), false);
    const bool broke = mdlTools::buzySateShow(host, false, player);
    if (!broke)
        ui::msgBox(mdlResultCheck::withReason(failureMessage(), reason), ui::OkOnly, ui::errorTitle, player);
    return SaveEnd::Failed;
}

} // namespace mdlSaveRng
