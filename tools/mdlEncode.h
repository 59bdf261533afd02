#pragma once
// The four converting pages (FLV to video, video to FLV, FLV to music, music to FLV): their
// lists, the rules that say when a source and a target can be used, and the page's run of
// the encode job (EncodeJob) with its confirmation and closing report.
#include "tools/mdlToolCmds.h"

#include <QString>
#include <QStringList>

class QWidget;
struct ToolHost;

namespace mdlEncode {

// How a job ended.
enum class EncodeEnd {
    NoSource,     // the source does not exist
    SameAsSource, // the target is the source
    RateRefused,  // an MPG target below 20 frames a second
    Cancelled,    // the confirmation was cancelled
    Failed,       // the failure path
    Done,         // a target that is not empty
};

// The texts of the pages and the job.
QString hintText();
QString commandCaption(); // "执行转档程序"
QString commandNote();    // "下个步骤将出现确认转档的对话盒"
QString playCaption(int page); // "播放来源影片" / "播放来源音乐"
QString noSourceMessage();
QString sameFileMessage();
QString rateMessage();
QString typeValueMessage(); // "请直接在该文字框输入数值"
QString confirmMessage(const QString& source, const QString& target);
QString failureMessage();
QString anyType(); // "不限"

// The source and target types of a page, and the default of each.
QStringList sourceTypes(int page);
QStringList targetTypes(int page);
QString defaultSourceType(int page);
QString defaultTargetType(int page);

// The setting boxes' items; the frame rates as stored, with their leading zeros, and as
// shown once rewritten.
QStringList sizeItems();
QStringList storedFrameRateItems();
QStringList frameRateItems();
QStringList videoBitrateItems();
QStringList samplingRateItems();
QStringList audioBitrateItems();
QStringList channelItems();
// Whether a setting's text is the "另输入数值" item (it holds "输入").
bool asksForValue(const QString& text);

// The open dialog's filter for a type: "FLV 档案格式 (*.flv)|*.flv"; "MPG" also takes
// *.mpeg as a source; "不限" takes every file.
QString typeFilter(const QString& type, bool forSource);
// path with its extension replaced by the type in lower case (same folder, same base).
QString withType(const QString& path, const QString& type);
// The first type that fits the file's extension, else "不限" when the list has it, else
// empty.
QString typeForFile(const QStringList& types, const QString& file);

// The page's rules: a source is usable when it exists and its extension is the chosen
// type ("MPEG" counts as "MPG"; "不限" takes any file with an extension); a target when
// it has a base name and an extension of the chosen type and its folder exists (or it
// names none).
bool sourceUsable(const QString& path, const QString& type);
bool targetUsable(const QString& path, const QString& type);

// The page that converts source into target by their extensions (a source type named
// outright first, then a page that takes any file), or -1 when no page offers the pair.
int pageFor(const QString& source, const QString& target);

// What the page hands the job.
struct EncodeRequest {
    QString source;  // the boxes' texts as typed
    QString target;
    mdlToolCmds::EncodeSettings settings;
};

// The whole job. workspace owns the messages and is the window the progress window takes
// the place of. The source is never written to; a target left empty is deleted.
EncodeEnd cmdMediaEncode(ToolHost& host, QWidget* workspace, const EncodeRequest& request);

} // namespace mdlEncode
