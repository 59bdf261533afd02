#include "tools/mdlEncode.h"

#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/EncodeJob.h"
#include "tools/ToolHost.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QFileInfo>

namespace mdlEncode {

namespace {
const QString crlf = QStringLiteral("\r\n");
const QString encodeWord = QStringLiteral("转档");
} // namespace

QString hintText() { return QStringLiteral("按照步骤输入参数之后，“执行转档功能”便可以按下"); }
QString commandCaption() { return QStringLiteral("执行转档程序"); }
QString commandNote() { return QStringLiteral("下个步骤将出现确认转档的对话盒"); }
QString playCaption(int page) { return page < 2 ? QStringLiteral("播放来源影片") : QStringLiteral("播放来源音乐"); }

QString noSourceMessage()
{
    return QStringLiteral("你所指定的来源档案并不存在，或是") + crlf + QStringLiteral("你选择了不支援转档的多媒体格式！");
}

QString sameFileMessage()
{
    return QStringLiteral("你所指定的转成档案（目标档案）与") + crlf + QStringLiteral("与来源档案是同一个，这是不允许的");
}

QString rateMessage()
{
    return QStringLiteral("你所指定的转成档案（目标档案）是 MPG") + crlf + QStringLiteral("此格式的桢速率，抱歉，不能小于数值 20");
}

QString typeValueMessage() { return QStringLiteral("请直接在该文字框输入数值"); }

QString confirmMessage(const QString& source, const QString& target)
{
    return QStringLiteral("你所指定的来源档案：") + crlf + source + crlf + crlf + QStringLiteral("将转档成为目标档案：") + crlf
        + target + crlf + crlf + QStringLiteral("确定要“执行转档功能”？");
}

QString failureMessage() { return mdlToolCmds::failureMessage(encodeWord); }

QString anyType() { return QStringLiteral("不限"); }

QStringList sourceTypes(int page)
{
    switch (page) {
    case 1: return {QStringLiteral("MPG"), QStringLiteral("AVI"), QStringLiteral("WMV"), QStringLiteral("FLV"), anyType()};
    case 3: return {QStringLiteral("WAV"), QStringLiteral("MP3"), anyType()};
    default: return {QStringLiteral("FLV")};
    }
}

QStringList targetTypes(int page)
{
    switch (page) {
    case 0: return {QStringLiteral("MPG"), QStringLiteral("AVI"), QStringLiteral("WMV"), QStringLiteral("FLV")};
    case 2: return {QStringLiteral("WAV"), QStringLiteral("MP3")};
    default: return {QStringLiteral("FLV")};
    }
}

QString defaultSourceType(int page)
{
    return page == 1 ? QStringLiteral("MPG") : page == 3 ? QStringLiteral("MP3") : QStringLiteral("FLV");
}

QString defaultTargetType(int page)
{
    return page == 0 ? QStringLiteral("MPG") : page == 2 ? QStringLiteral("MP3") : QStringLiteral("FLV");
}

QStringList sizeItems()
{
    return {QStringLiteral("原视讯大小"), QStringLiteral("160x120"), QStringLiteral("240x180"), QStringLiteral("320x240"),
            QStringLiteral("400x300"),   QStringLiteral("480x360"), QStringLiteral("512x384"), QStringLiteral("640x480"),
            QStringLiteral("720x576"),   QStringLiteral("800x600"), QStringLiteral("另输入数值")};
}

QStringList storedFrameRateItems()
{
    return {QStringLiteral("01"), QStringLiteral("05"), QStringLiteral("06"), QStringLiteral("7.5"), QStringLiteral("08"),
            QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("12.5"), QStringLiteral("15"), QStringLiteral("20"),
            QStringLiteral("24"), QStringLiteral("25"), QStringLiteral("29.97"), QStringLiteral("30"),
            QStringLiteral("另输入数值")};
}

QStringList frameRateItems()
{
    QStringList items = storedFrameRateItems();
    for (QString& item : items)
        if (!asksForValue(item))
            item = QString::number(mdlZorvoFLV::valLenient(item));
    return items;
}

QStringList videoBitrateItems()
{
    return {QStringLiteral("48"),  QStringLiteral("96"),   QStringLiteral("160"),  QStringLiteral("200"),
            QStringLiteral("250"), QStringLiteral("360"),  QStringLiteral("768"),  QStringLiteral("1000"),
            QStringLiteral("1600"), QStringLiteral("另输入数值")};
}

QStringList samplingRateItems() { return {QStringLiteral("11025"), QStringLiteral("22050"), QStringLiteral("44100")}; }

QStringList audioBitrateItems()
{
    return {QStringLiteral("16"), QStringLiteral("20"), QStringLiteral("24"),  QStringLiteral("32"),
            QStringLiteral("48"), QStringLiteral("56"), QStringLiteral("64"),  QStringLiteral("80"),
            QStringLiteral("112"), QStringLiteral("128"), QStringLiteral("160")};
}

QStringList channelItems() { return {QStringLiteral("单声道"), QStringLiteral("立体声")}; }

bool asksForValue(const QString& text) { return text.contains(QStringLiteral("输入")); }

QString typeFilter(const QString& type, bool forSource)
{
    if (type == anyType())
        return QStringLiteral("不限定档案格式|*.*");
    const QString lower = type.toLower();
    QString patterns = QStringLiteral("*.") + lower;
    if (forSource && lower == QLatin1String("mpg"))
        patterns += QStringLiteral(";*.mpeg");
    return type.toUpper() + QStringLiteral(" 档案格式 (") + patterns + QStringLiteral(")|") + patterns;
}

QString withType(const QString& path, const QString& type)
{
    if (path.trimmed().isEmpty() || type == anyType())
        return path;
    const QString text = path.trimmed();
    const int slash = static_cast<int>(std::max(text.lastIndexOf(QLatin1Char('/')), text.lastIndexOf(QLatin1Char('\\'))));
    const int dot = static_cast<int>(text.lastIndexOf(QLatin1Char('.')));
    const QString base = dot > slash ? text.left(dot) : text;
    return base + QLatin1Char('.') + type.toLower();
}

QString typeForFile(const QStringList& types, const QString& file)
{
    const QString ext = mdlToolCmds::lowerExt(file).toUpper();
    for (const QString& t : types)
        if (t == ext || t == anyType())
            return t;
    return QString();
}

bool sourceUsable(const QString& path, const QString& type)
{
    const QString file = path.trimmed();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return false;
    const QString ext = mdlToolCmds::lowerExt(file).toUpper();
    if (type == anyType())
        return !ext.isEmpty();
    return ext == type || (type == QLatin1String("MPG") && ext == QLatin1String("MPEG"));
}

bool targetUsable(const QString& path, const QString& type)
{
    const QString file = path.trimmed();
    const QFileInfo info(file);
    const QString ext = mdlToolCmds::lowerExt(file).toUpper();
    if (info.completeBaseName().isEmpty() || !info.fileName().contains(QLatin1Char('.')) || ext.isEmpty())
        return false;
    const bool hasFolder = file.contains(QLatin1Char('/'));
    if (hasFolder && !info.absoluteDir().exists())
        return false;
    if (info.isDir())
        return false;
    return type == anyType() || ext == type;
}

int pageFor(const QString& source, const QString& target)
{
    QString from = mdlToolCmds::lowerExt(source).toUpper();
    if (from == QLatin1String("MPEG"))
        from = QStringLiteral("MPG");
    const QString to = mdlToolCmds::lowerExt(target).toUpper();
    if (from.isEmpty() || to.isEmpty())
        return -1;
    // A type a page names outright goes before a page that takes any file.
    for (const QString& wanted : {from, anyType()})
        for (int page = 0; page < 4; ++page)
            if (sourceTypes(page).contains(wanted) && targetTypes(page).contains(to))
                return page;
    return -1;
}

EncodeEnd cmdMediaEncode(ToolHost& host, QWidget* workspace, const EncodeRequest& request)
{
    const QString here = QDir::currentPath();
    const QString source = mdlToolCmds::completePath(request.source, here);
    const QString target = mdlToolCmds::completePath(request.target, here);
    EncodeJob job({source, target, request.settings});
    if (std::optional<toolJob::Result> no = job.refusal()) {
        mdlTools::reportEnd(host, workspace, *no);
        switch (no->end) {
        case toolJob::End::SameAsSource:
            return EncodeEnd::SameAsSource;
        case toolJob::End::Invalid:
            return EncodeEnd::RateRefused;
        default:
            return EncodeEnd::NoSource;
        }
    }
    host.pausePlayer();
    if (ui::msgBox(confirmMessage(source, target), ui::OkCancel, QString(), workspace) != ui::Ok)
        return EncodeEnd::Cancelled;
    return mdlTools::runInWindow(host, workspace, job).end == toolJob::End::Done ? EncodeEnd::Done : EncodeEnd::Failed;
}

} // namespace mdlEncode
