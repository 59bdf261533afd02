#include "tools/mdlToolCmds.h"

#include "app/FileObject.h"
#include "app/Numbers.h"
#include "app/mdlZorvoFLV.h"
#include "tools/mdlGetCmdOutput.h"

#include <algorithm>
#include <cmath>

namespace mdlToolCmds {

namespace {

const QString crlf = QStringLiteral("\r\n");
// Copy cuts and joins share their head; the re-encoding variants differ in the audio part.
const QString copyAudio = QStringLiteral(" -oac copy");
const QString mp3Audio = QStringLiteral(" -oac mp3lame -lameopts br=64");
const QString remuxHead = QStringLiteral(" -y -vcodec copy -acodec copy -i ");

// Times here are hundredths at most: snap a computed value to them before it is rounded
// to whole seconds, so that floating error cannot add a second.
double snapped(double seconds) { return std::round(seconds * 100.0) / 100.0; }

QString twoDecimals(double v) { return QString::number(v, 'f', 2); }

// Counts from a quotient: 100 / 25 is 4 pieces even when the division lands a hair above.
double ceilTolerant(double x) { return std::ceil(x - 1e-9); }
double floorTolerant(double x) { return std::floor(x + 1e-9); }

} // namespace

// ---- Shared names and texts --------------------------------------------------------------

int sourceType(const QString& ext)
{
    const QString e = ext.toLower();
    if (e == QLatin1String("flv"))
        return 1;
    if (e == QLatin1String("mpeg") || e == QLatin1String("mpg") || e == QLatin1String("vob"))
        return 2;
    return 3;
}

QString editMode(int type) { return QStringLiteral("Edit") + QString::number(type); }
QString fixMode(int type) { return QStringLiteral("Fix") + QString::number(type); }

bool cuttableType(const QString& ext)
{
    static const QString types = QStringLiteral(
        ";flv;mpg;mpeg;dat;vob;avi;wmv;asf;mp4;mov;3gp;mkv;webm;ts;m4v;ogv;ogm;divx;qt;");
    const QString e = ext.toLower();
    return !e.isEmpty() && types.contains(QLatin1Char(';') + e + QLatin1Char(';'));
}

QString lowerExt(const QString& path) { return FileObject::splitPath(path).extension.toLower(); }

QString threeDigits(int n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); }

QString quoted(const QString& path) { return mdlGetCmdOutput::quoteArgument(path); }

QString bare(const QString& name)
{
    for (const QChar c : name)
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('"'))
            return quoted(name);
    return name;
}

QString pieceName(int i, const QString& ext) { return QStringLiteral("~tmpSP") + threeDigits(i + 1) + QLatin1Char('.') + ext; }
QString fixedName(const QString& name) { return QStringLiteral("~fix") + name; }
QString joinName(const QString& ext) { return QStringLiteral("~tmpSJoin.") + ext; }
QString fixJoinName(const QString& ext) { return QStringLiteral("~fix~tmpSJoin.") + ext; }
QString fixTempName(const QString& ext) { return QStringLiteral("~fix~tmpSP.") + ext; }
QString snapshotTempName(const QString& fmt) { return QStringLiteral("~tmpSP001.") + fmt; }
QStringList tempPatterns() { return {QStringLiteral("~tmpS*.*"), QStringLiteral("~fix~tmpS*.*")}; }

QString splitName(int i, const QString& ext) { return QStringLiteral("split_") + threeDigits(i + 1) + QLatin1Char('.') + ext; }
QString snapshotName(int i, const QString& fmt) { return QStringLiteral("snapshot_") + threeDigits(i + 1) + QLatin1Char('.') + fmt; }

namespace {
QString proposal(const QString& source, const char* suffix, const QString& ext)
{
    return FileObject::splitPath(source).baseName + QLatin1String(suffix) + QLatin1Char('.') + ext;
}
} // namespace

QString partName(const QString& source) { return proposal(source, "_part", lowerExt(source)); }
QString mergeName(const QString& first) { return proposal(first, "_merge", lowerExt(first)); }
QString fixName(const QString& source) { return proposal(source, "_fix", lowerExt(source)); }
QString snapshotProposal(const QString& source, const QString& fmt) { return proposal(source, "_snapshot", fmt); }

QString saveFilter(const QString& ext)
{
    return ext.toUpper() + QStringLiteral(" 档案格式 (*.") + ext + QStringLiteral(")|*.") + ext;
}

QString countLine(int total, int current)
{
    return QStringLiteral("共有 ") + QString::number(total) + QStringLiteral(" 个程序，正处理第 ") + QString::number(current)
        + QStringLiteral(" 个");
}

QString buzyLabel(const QString& word, int total, int current)
{
    return QStringLiteral("Zorvo.FLV") + crlf + crlf + QStringLiteral("正在进行“") + word + QStringLiteral("”多媒体档案") + crlf
        + crlf + countLine(total, current);
}

QString failureMessage(const QString& word)
{
    return QStringLiteral("出现错误，无法成功处理档案") + crlf + crlf + QStringLiteral("可能是档案格式不支援进一步的") + word + crlf
        + QStringLiteral("或者，该档案被正被其他程式所执行");
}

// ---- Crop and split ------------------------------------------------------------------------

CutTimes cutTimes(double startSeconds, double endSeconds)
{
    CutTimes t;
    t.start = static_cast<int>(std::floor(snapped(startSeconds)));
    t.length = static_cast<int>(std::ceil(snapped(endSeconds))) - t.start;
    return t;
}

QString pieceList(int n, const QString& ext)
{
    QString list;
    for (int i = 0; i < n; ++i)
        list += QLatin1Char(' ') + bare(pieceName(i, ext));
    return list;
}

QString cutPiece(const QString& mencoder, const CutTimes& t, const QString& piece, const QString& source,
                 bool reencodeAudio)
{
    return bare(mencoder) + QStringLiteral(" -mc 1 -ovc copy") + (reencodeAudio ? mp3Audio : copyAudio) + QStringLiteral(" -ss ")
        + QString::number(t.start) + QStringLiteral(" -endpos ") + QString::number(t.length) + QStringLiteral(" -o ")
        + bare(piece) + QLatin1Char(' ') + quoted(source);
}

QString remuxPiece(const QString& ffmpeg, const QString& piece)
{
    return bare(ffmpeg) + remuxHead + bare(piece) + QLatin1Char(' ') + bare(fixedName(piece));
}

QString flvmdiBare(const QString& flvmdi, const QString& name) { return bare(flvmdi) + QLatin1Char(' ') + bare(name); }
QString flvmdiQuoted(const QString& flvmdi, const QString& target) { return bare(flvmdi) + QLatin1Char(' ') + quoted(target); }

QString joinPieces(const QString& mencoder, const QString& ext, const QString& pieces)
{
    return bare(mencoder) + QStringLiteral(" -mc 1 -ovc copy -oac copy -o ") + bare(joinName(ext)) + pieces;
}

QString remuxJoined(const QString& ffmpeg, const QString& ext)
{
    return bare(ffmpeg) + remuxHead + bare(joinName(ext)) + QLatin1Char(' ') + bare(fixJoinName(ext));
}

QString remuxJoinedInto(const QString& ffmpeg, const QString& ext, const QString& target)
{
    return bare(ffmpeg) + remuxHead + bare(joinName(ext)) + QLatin1Char(' ') + quoted(target);
}

QString joinPiecesInto(const QString& mencoder, const QString& target, const QString& pieces)
{
    return bare(mencoder) + QStringLiteral(" -mc 1 -ovc copy -oac copy -o ") + quoted(target) + pieces;
}

int markJobCount(bool split, int marks) { return split || marks <= 1 ? marks : marks + 1; }

double roundHundredths(double seconds) { return mdlZorvoFLV::cutToHundredths(seconds); }

SplitPlan planSplit(int option, double totalSeconds, qint64 fileBytes, const QString& number, const QString& from,
                    const QString& to)
{
    using mdlZorvoFLV::valLenient;
    SplitPlan plan;
    const double T = totalSeconds;
    const double K = static_cast<double>(fileBytes) / 1024.0;
    plan.total = T;
    if (!(T > 0) || !(K > 0))
        return plan;
    const double R = T / K;

    if (option >= 0 && option <= 2) {
        const double N = valLenient(number);
        double count = 0;
        if (option == 0) {
            // The parts box takes no decimal point: its number is whole.
            count = std::floor(N);
            plan.length = count > 0 ? roundHundredths(T / count) : 0;
        } else if (option == 1) {
            plan.length = N;
            count = N > 0 ? ceilTolerant(T / N) : 0;
        } else {
            plan.length = roundHundredths(R * N);
            count = N > 0 ? ceilTolerant(K / N) : 0;
        }
        // Far too many pieces stay far too many: the count is kept just past the bound.
        plan.count = count > maxSplitCount ? maxSplitCount + 1 : static_cast<int>(std::max(count, 0.0));
        plan.countText = QStringLiteral("目前切割数 ")
            + (count > maxSplitCount ? QString::number(count, 'f', 0) : threeDigits(plan.count));
        // A piece length that rounds to nothing would give empty cuts.
        plan.valid = N > 0 && plan.count >= minSplitCount && plan.count <= maxSplitCount && plan.length > 0;
        return plan;
    }
    if (option < 3 || option > 5)
        return plan;

    const double X = valLenient(from);
    const double Y = valLenient(to);
    if (option == 3) {
        plan.start = roundHundredths(X);
        plan.end = roundHundredths(Y);
    } else if (option == 4) {
        plan.start = roundHundredths(R * X);
        plan.end = roundHundredths(R * Y);
    } else {
        plan.start = roundHundredths(T * X / 100.0);
        plan.end = roundHundredths(T * Y / 100.0);
    }
    plan.count = 1;
    const double S = plan.start, E = plan.end;
    plan.valid = S >= 0 && S <= T && E >= 0 && E <= T && E > S;
    plan.lengthText = twoDecimals(snapped(E - S)) + QStringLiteral(" 秒");
    const qint64 kb = option == 4 ? mdlZorvoFLV::roundHalfEven(Y - X)
                                  : static_cast<qint64>(ceilTolerant((E - S) / R));
    plan.sizeText = QString::number(kb) + QStringLiteral(" KB");
    plan.shareText = QStringLiteral("占全部 ") + twoDecimals((E - S) / T * 100.0) + QStringLiteral(" %");
    return plan;
}

QList<Piece> splitPieces(const SplitPlan& plan)
{
    QList<Piece> pieces;
    if (!plan.valid)
        return pieces;
    if (plan.count == 1 && plan.end > plan.start) {
        pieces.append({plan.start, plan.end});
        return pieces;
    }
    for (int i = 0; i < plan.count; ++i) {
        const double start = snapped(plan.length * i);
        const double end = i + 1 == plan.count ? plan.total : std::min(snapped(plan.length * (i + 1)), plan.total);
        pieces.append({start, end});
    }
    return pieces;
}

QString splitCountUnknown() { return QStringLiteral("目前切割数  ？"); }
QString splitLengthUnknown() { return QStringLiteral("？ 秒"); }
QString splitSizeUnknown() { return QStringLiteral("？ KB"); }
QString splitShareUnknown() { return QStringLiteral("占全部 ？ %"); }

QString propertyLine(double totalSeconds, qint64 fileBytes)
{
    return QStringLiteral("此多媒体属性：播放长度 ") + twoDecimals(totalSeconds) + QStringLiteral(" 秒 = 大小 ")
        + QString::number(fileBytes / 1024) + QStringLiteral(" KB");
}

QString propertyUnknown() { return QStringLiteral("此多媒体属性：未确认"); }

QString splitFolderTitle(const QString& opWord, const QString& ext)
{
    return opWord + QStringLiteral("出的档案将以“split_编号.") + ext + QStringLiteral("”储存") + crlf + snapshotFolderTitle();
}

QString snapshotFolderTitle()
{
    return QStringLiteral("请选取分割出的新档案的储存目录") + crlf + QStringLiteral("这里，强烈建议你新建一个资料夹！");
}

// ---- Join -----------------------------------------------------------------------------------

QString joinList(const QStringList& items)
{
    QStringList parts;
    for (const QString& item : items)
        parts << quoted(item);
    return parts.join(QLatin1Char(' '));
}

QString joinFiles(const QString& mencoder, const QString& ext, const QString& list)
{
    return bare(mencoder) + QStringLiteral(" -mc 1 -ovc copy -oac copy -o ") + bare(joinName(ext)) + QLatin1Char(' ') + list;
}

QString joinFilesInto(const QString& mencoder, const QString& target, const QString& list, bool reencodeAudio)
{
    return bare(mencoder) + QStringLiteral(" -mc 1 -ovc copy") + (reencodeAudio ? mp3Audio : copyAudio) + QStringLiteral(" -o ")
        + quoted(target) + QLatin1Char(' ') + list;
}

bool targetIsSource(const QString& target, const QStringList& items) { return items.contains(target); }

// ---- Snapshot series ------------------------------------------------------------------------

SnapPlan planSnapshots(int stretch, int spacing, double totalSeconds, const QString& at, const QString& from,
                       const QString& to, const QString& count, const QString& every)
{
    using mdlZorvoFLV::valLenient;
    SnapPlan plan;
    const double T = totalSeconds;
    plan.total = T;
    if (!(T > 0))
        return plan;

    if (stretch == 0) {
        const double X = roundHundredths(valLenient(at));
        plan.valid = !at.trimmed().isEmpty() && X >= 0 && X <= T;
        plan.start = X;
        plan.count = 1;
        return plan;
    }

    double X = 0, Y = T;
    if (stretch == 2) {
        X = roundHundredths(valLenient(from));
        Y = roundHundredths(valLenient(to));
        if (!(X >= 0 && X <= T && Y >= 0 && Y <= T && Y > X))
            return plan;
    } else if (stretch != 1) {
        return plan;
    }
    plan.start = X;
    const double span = Y - X;

    if (spacing == 0) {
        const qint64 C = mdlZorvoFLV::roundHalfEven(valLenient(count));
        if (C < 1)
            return plan;
        plan.count = C;
        plan.spacing = span / static_cast<double>(C);
        plan.valid = true;
    } else if (spacing == 1) {
        const double N = valLenient(every);
        // The whole video wants N below T; a stretch wants it below its length.
        if (!(N > 0 && N < span))
            return plan;
        plan.spacing = N;
        plan.count = static_cast<qint64>(floorTolerant(span / N)) + 1;
        plan.valid = true;
    }
    return plan;
}

double snapshotMoment(const SnapPlan& plan, qint64 i)
{
    const double moment = plan.start + plan.spacing * static_cast<double>(i);
    return std::max(0.0, std::min(moment, plan.total - 0.1));
}

QString snapshotTime(double seconds) { return QString::number(roundHundredths(seconds), 'f', 3); }

QString snapshotCmd(const QString& ffmpeg, const QString& source, double seconds, const QString& fmt)
{
    return bare(ffmpeg) + QStringLiteral(" -i ") + quoted(source) + QStringLiteral(" -y -ss ") + snapshotTime(seconds)
        + QStringLiteral(" -t 0.001 ") + bare(QStringLiteral("~tmpSP%03d.") + fmt);
}

// ---- Fix ------------------------------------------------------------------------------------

QString fixRemuxFlv(const QString& ffmpeg, const QString& source, const QString& ext)
{
    return bare(ffmpeg) + remuxHead + quoted(source) + QLatin1Char(' ') + bare(fixTempName(ext));
}

QString fixRemuxInto(const QString& ffmpeg, const QString& source, const QString& target)
{
    return bare(ffmpeg) + remuxHead + quoted(source) + QLatin1Char(' ') + quoted(target);
}

QString fixCopy(const QString& mencoder, const QString& source, const QString& target, bool reencodeAudio)
{
    return bare(mencoder) + QStringLiteral(" -ovc copy") + (reencodeAudio ? mp3Audio : copyAudio) + QStringLiteral(" -o ")
        + quoted(target) + QLatin1Char(' ') + quoted(source);
}

// ---- Encode ---------------------------------------------------------------------------------

EncodeSettings encodeDefaults(int page)
{
    EncodeSettings s;
    s.page = page;
    if (page == 0 || page == 1) {
        s.size = QStringLiteral("原视讯大小");
        s.frameRate = QStringLiteral("25");
        s.videoBitrate = QStringLiteral("200");
    }
    s.samplingRate = QStringLiteral("22050");
    s.audioBitrate = QStringLiteral("64");
    s.channelItem = 1;
    return s;
}

QString encodeCmd(const QString& ffmpeg, const QString& source, const QString& target, const EncodeSettings& s)
{
    const bool music = s.page == 2 || s.page == 3;
    QString line = bare(ffmpeg) + QStringLiteral(" -y -i ") + quoted(source);
    if (lowerExt(target) == QLatin1String("wmv"))
        line += QStringLiteral(" -vcodec wmv2 ");
    else if (music)
        line += QStringLiteral(" -vn ");
    if (!music && s.size && !s.size->isEmpty() && *s.size != QStringLiteral("原视讯大小"))
        line += QStringLiteral(" -s ") + *s.size;
    if (s.frameRate)
        line += QStringLiteral(" -r ") + *s.frameRate;
    if (s.videoBitrate)
        line += QStringLiteral(" -b ") + *s.videoBitrate;
    if (s.samplingRate)
        line += QStringLiteral(" -ar ") + *s.samplingRate;
    if (s.audioBitrate)
        line += QStringLiteral(" -ab ") + *s.audioBitrate;
    if (s.channelItem)
        line += QStringLiteral(" -ac ") + QString::number(*s.channelItem + 1);
    return line + QLatin1Char(' ') + quoted(target);
}

bool encodeRateRefused(const QString& target, const EncodeSettings& s)
{
    if (s.page != 0 && s.page != 1)
        return false;
    if (lowerExt(target) != QLatin1String("mpg") || !s.frameRate)
        return false;
    return mdlZorvoFLV::valLenient(*s.frameRate) < 20;
}

bool encodeNeedsMetadata(const QString& target) { return lowerExt(target) == QLatin1String("flv"); }

QString completePath(const QString& typed, const QString& currentFolder)
{
    const QString path = typed.trimmed();
    if (path.isEmpty() || path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\')))
        return path;
    QString folder = currentFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + path;
}

} // namespace mdlToolCmds
