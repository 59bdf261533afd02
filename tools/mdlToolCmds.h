#pragma once
// What the six tools work out before anything runs: the exact command lines of their
// runs, the names of their temporary and output files, and the plans that turn a split
// or a snapshot series into pieces and moments. No window and no file access here; the
// tool pages call these and the runner only runs what they return.
//
// Every builder takes the tool path it starts (mdlTools::pathFfmpeg, pathMencoder,
// pathFlvmdi) and writes it unquoted at the head of the line (quoted only when it holds
// a blank, as a program folder that stands in for the temporary folder may). Paths in the
// middle of a line are written in double quotes; a path that holds a double quote itself
// gets it escaped, so that the runner's split gives the path back unchanged.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mdlToolCmds {

// ---- Shared names and texts --------------------------------------------------------------

// The kind of source by its lower-case extension: "flv" 1; "mpeg", "mpg", "vob" 2;
// everything else 3. It picks the runs of a job and the companion's mode word.
int sourceType(const QString& ext);
// "Edit1" … "Edit3" (crop, split, join) and "Fix1" … "Fix3".
QString editMode(int type);
QString fixMode(int type);
// Whether the cutter can copy pieces of a file of this type into the same container: the
// editable types and the other playable video containers ffmpeg writes by stream copy
// (mkv, webm, ts, m4v, ogv, ...). Raw streams and RealMedia it cannot.
bool cuttableType(const QString& ext);

// The extension of a path in lower case (empty when it has none).
QString lowerExt(const QString& path);

// A number as three digits at least: 1 -> "001", 1000 -> "1000".
QString threeDigits(int n);

// A path in double quotes for a command line.
QString quoted(const QString& path);
// A file name that stands bare in a line ("~tmpSP001.flv"): as it is, unless it holds a
// blank, a tab or a double quote, which would cut it in two; then quoted.
QString bare(const QString& name);

// Temporary files, all bare names in the current (output) folder. i counts from 0.
QString pieceName(int i, const QString& ext);   // "~tmpSP001." + ext
QString fixedName(const QString& name);         // "~fix" + name
QString joinName(const QString& ext);           // "~tmpSJoin." + ext
QString fixJoinName(const QString& ext);        // "~fix~tmpSJoin." + ext
QString fixTempName(const QString& ext);        // "~fix~tmpSP." + ext
QString snapshotTempName(const QString& fmt);   // "~tmpSP001." + fmt, FFmpeg's name for %03d
// The patterns every job clears from the output folder at its end.
QStringList tempPatterns();                     // "~tmpS*.*", "~fix~tmpS*.*"

// Output files of the series. i counts from 0.
QString splitName(int i, const QString& ext);     // "split_001." + ext
QString snapshotName(int i, const QString& fmt);  // "snapshot_001." + fmt

// Names proposed by the save dialogs: the source's base name + suffix + "." + ext.
QString partName(const QString& source);                         // a_part.flv
QString mergeName(const QString& first);                         // a_merge.flv
QString fixName(const QString& source);                          // a_fix.flv
QString snapshotProposal(const QString& source, const QString& fmt); // a_snapshot.jpg

// The save dialog's filter for one type: "FLV 档案格式 (*.flv)|*.flv".
QString saveFilter(const QString& ext);

// The progress window's text: "Zorvo.FLV", the operation line with its word ("裁剪",
// "分割", "切割", "合并", "截图", "修复", "转档"), and the count line.
QString countLine(int total, int current);
QString buzyLabel(const QString& word, int total, int current);

// The failure message of a job: word is what the file could not take ("剪辑", "切割",
// "合并", "截图", "修复", "转档").
QString failureMessage(const QString& word);

// ---- Crop and split of marked ranges, and the split page -------------------------------

// Whole seconds of one cut: the range widened outwards to whole seconds.
struct CutTimes {
    int start = 0;  // the start rounded down
    int length = 0; // the end rounded up, minus start
};
// Times are hundredths of seconds at most: a product such as 3 × 13.33 that lands a hair
// above a whole number is not rounded up to the next second.
CutTimes cutTimes(double startSeconds, double endSeconds);

// " ~tmpSP001.flv ~tmpSP002.flv": one blank before each of n pieces.
QString pieceList(int n, const QString& ext);

// {mencoder} -mc 1 -ovc copy -oac copy -ss {start} -endpos {length} -o {piece} "{source}"
// (reencodeAudio: -oac mp3lame -lameopts br=64)
QString cutPiece(const QString& mencoder, const CutTimes& t, const QString& piece, const QString& source,
                 bool reencodeAudio);
// {ffmpeg} -y -vcodec copy -acodec copy -i {piece} ~fix{piece}
QString remuxPiece(const QString& ffmpeg, const QString& piece);
// {flvmdi} {name}: metadata on a file in the current folder.
QString flvmdiBare(const QString& flvmdi, const QString& name);
// {flvmdi} "{target}": metadata on a file by its full path.
QString flvmdiQuoted(const QString& flvmdi, const QString& target);
// {mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext}{pieces}
QString joinPieces(const QString& mencoder, const QString& ext, const QString& pieces);
// {ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} ~fix~tmpSJoin.{ext}
QString remuxJoined(const QString& ffmpeg, const QString& ext);
// {ffmpeg} -y -vcodec copy -acodec copy -i ~tmpSJoin.{ext} "{target}"
QString remuxJoinedInto(const QString& ffmpeg, const QString& ext, const QString& target);
// {mencoder} -mc 1 -ovc copy -oac copy -o "{target}"{pieces}
QString joinPiecesInto(const QString& mencoder, const QString& target, const QString& pieces);

// One piece of a job: start and end in seconds.
struct Piece {
    double start = 0;
    double end = 0;
};

// How many runs a marked-range job counts: n for split or one mark, n + 1 for a crop of
// several marks (the join is a run of its own).
int markJobCount(bool split, int marks);

// The split page's plan. option: 0 N parts, 1 N seconds, 2 N KB, 3 X to Y seconds,
// 4 X to Y KB, 5 X to Y percent. Box texts are read by their numeric prefix.
struct SplitPlan {
    bool valid = false;
    double total = 0;    // T, seconds
    double length = 0;   // L, options 0 to 2
    int count = 0;       // pieces; 1 for options 3 to 5
    double start = 0;    // S, options 3 to 5
    double end = 0;      // E
    // The preview labels: the count line, the piece length, size and share.
    QString countText;   // "目前切割数 003" (options 0 to 2)
    QString lengthText;  // "10.00 秒" (options 3 to 5)
    QString sizeText;    // "123 KB"
    QString shareText;   // "占全部 10.00 %"
};
inline constexpr int minSplitCount = 2;
inline constexpr int maxSplitCount = 99;

// totalSeconds: the properties' length; fileBytes: the source's size. number is the box of
// options 0 to 2, from and to the boxes of options 3 to 5.
SplitPlan planSplit(int option, double totalSeconds, qint64 fileBytes, const QString& number,
                    const QString& from = QString(), const QString& to = QString());
// The pieces of a valid plan, in order. The last of several pieces ends at T, so that no
// tail of the file is lost to the rounding of L.
QList<Piece> splitPieces(const SplitPlan& plan);

// The preview while nothing is known.
QString splitCountUnknown();  // "目前切割数  ？"
QString splitLengthUnknown(); // "？ 秒"
QString splitSizeUnknown();   // "？ KB"
QString splitShareUnknown();  // "占全部 ？ %"

// The property line of the split and snapshot pages.
QString propertyLine(double totalSeconds, qint64 fileBytes);
QString propertyUnknown();

// The folder dialog's title for a series: opWord "分割" (marked ranges) or "切割" (split page).
QString splitFolderTitle(const QString& opWord, const QString& ext);
QString snapshotFolderTitle();

// "Rounded" of the split and snapshot pages: 0.004 added, then cut to hundredths.
double roundHundredths(double seconds);

// ---- Join ---------------------------------------------------------------------------------

// "\"a\" \"b\"": every item quoted, one blank between.
QString joinList(const QStringList& items);
// {mencoder} -mc 1 -ovc copy -oac copy -o ~tmpSJoin.{ext} {list}
QString joinFiles(const QString& mencoder, const QString& ext, const QString& list);
// {mencoder} -mc 1 -ovc copy -oac copy -o "{target}" {list}  (reencodeAudio: mp3lame br=64)
QString joinFilesInto(const QString& mencoder, const QString& target, const QString& list, bool reencodeAudio);
// The first item of the merge list that the join refuses (its extension differs from the
// one before it, after lower-casing; it is not editable; it does not exist), or -1.
// isEditable and exists are asked per item.
template <typename Editable, typename Exists>
int firstRefusedJoinItem(const QStringList& items, Editable isEditable, Exists exists)
{
    for (int i = 0; i < items.size(); ++i) {
        if (i > 0 && lowerExt(items[i]) != lowerExt(items[i - 1]))
            return i;
        if (!isEditable(items[i]) || !exists(items[i]))
            return i;
    }
    return -1;
}
// True when the target is one of the sources. Each item is compared whole: a target that
// is only part of another item's path ("/v/b.flv" in "/w/v/b.flv") is no source.
bool targetIsSource(const QString& target, const QStringList& items);

// ---- Snapshot series ------------------------------------------------------------------------

// stretch: 0 one picture at X, 1 the whole video, 2 from X to Y. spacing (stretches 1
// and 2): 0 N pictures at equal spacing, 1 one every N seconds.
struct SnapPlan {
    bool valid = false;
    double total = 0;   // T
    double start = 0;   // S
    double spacing = 0; // D, 0 for one picture
    qint64 count = 0;   // C
};
SnapPlan planSnapshots(int stretch, int spacing, double totalSeconds, const QString& at, const QString& from,
                       const QString& to, const QString& count, const QString& every);
// Moment i of a plan: S + D × i, held back to T − 0.1 (and never before 0).
double snapshotMoment(const SnapPlan& plan, qint64 i);
// {time}: the moment rounded, with three decimals ("12.340").
QString snapshotTime(double seconds);
// {ffmpeg} -i "{source}" -y -ss {time} -t 0.001 ~tmpSP%03d.{fmt}
QString snapshotCmd(const QString& ffmpeg, const QString& source, double seconds, const QString& fmt);

// ---- Fix ------------------------------------------------------------------------------------

// Type 1: {ffmpeg} -y -vcodec copy -acodec copy -i "{source}" ~fix~tmpSP.{ext}
QString fixRemuxFlv(const QString& ffmpeg, const QString& source, const QString& ext);
// Type 2: {ffmpeg} -y -vcodec copy -acodec copy -i "{source}" "{target}"
QString fixRemuxInto(const QString& ffmpeg, const QString& source, const QString& target);
// Type 3: {mencoder} -ovc copy -oac copy -o "{target}" "{source}"  (reencodeAudio: mp3lame br=64)
QString fixCopy(const QString& mencoder, const QString& source, const QString& target, bool reencodeAudio);

// ---- Encode ---------------------------------------------------------------------------------

// The settings of one encode page as they stand. A setting the page does not have is
// nullopt and adds nothing; the texts are passed on as typed.
struct EncodeSettings {
    int page = 0;                     // 0, 1 video; 2, 3 music
    std::optional<QString> size;      // nullopt or empty: "原视讯大小"
    std::optional<QString> frameRate;
    std::optional<QString> videoBitrate;
    std::optional<QString> samplingRate;
    std::optional<QString> audioBitrate;
    std::optional<int> channelItem;   // 0 "单声道", 1 "立体声"
};
// The page's settings at their defaults.
EncodeSettings encodeDefaults(int page);
// {ffmpeg} -y -i "{source}"{vcodec}{size}{rate}{vbitrate}{arate}{abitrate}{channels} "{target}"
QString encodeCmd(const QString& ffmpeg, const QString& source, const QString& target, const EncodeSettings& s);
// An MPG target on a video page refuses a frame rate below 20.
bool encodeRateRefused(const QString& target, const EncodeSettings& s);
// An FLV target gets its metadata afterwards.
bool encodeNeedsMetadata(const QString& target);
// A path typed without any folder is taken in the current folder.
QString completePath(const QString& typed, const QString& currentFolder);

} // namespace mdlToolCmds
