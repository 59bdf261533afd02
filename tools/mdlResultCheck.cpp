#include "tools/mdlResultCheck.h"

#include "tools/mdlGetCmdOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStorageInfo>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace mdlResultCheck {

namespace {

const QString crlf = QStringLiteral("\r\n");

// One open container, closed however the reading ends.
struct Input {
    AVFormatContext* ctx = nullptr;
    explicit Input(const QString& file)
    {
        av_log_set_level(AV_LOG_QUIET);
        if (avformat_open_input(&ctx, QFile::encodeName(file).constData(), nullptr, nullptr) < 0)
            ctx = nullptr;
    }
    ~Input()
    {
        if (ctx)
            avformat_close_input(&ctx);
    }
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
};

bool isPicture(const AVStream* s)
{
    return s->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(s->disposition & AV_DISPOSITION_ATTACHED_PIC);
}

struct Track {
    int64_t lastDts = AV_NOPTS_VALUE;
    double first = std::numeric_limits<double>::max();
    double last = std::numeric_limits<double>::lowest();
    double lastKey = -1;
    bool seen = false;
};

QString seconds2(double s) { return QString::number(s, 'f', 2); }

} // namespace

Probe probe(const QString& file)
{
    Probe result;
    Input in(file);
    if (!in.ctx)
        return result;
    result.opened = true;

    std::vector<Track> tracks;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(in.ctx, pkt) >= 0) {
        const AVStream* s = in.ctx->streams[pkt->stream_index];
        // Streams of some containers appear only with their first packet.
        if (tracks.size() < in.ctx->nb_streams)
            tracks.resize(in.ctx->nb_streams);
        Track& t = tracks[static_cast<std::size_t>(pkt->stream_index)];
        const AVMediaType type = s->codecpar->codec_type;
        const bool picture = isPicture(s);
        if (!picture && type != AVMEDIA_TYPE_AUDIO) {
            av_packet_unref(pkt);
            continue;
        }
        const double tb = av_q2d(s->time_base);
        // Decoding times only: display times run back with every B-frame, and a container
        // that keeps none (Matroska) leaves nothing to compare.
        const int64_t dts = pkt->dts;
        if (dts != AV_NOPTS_VALUE) {
            if (t.lastDts != AV_NOPTS_VALUE && dts < t.lastDts && result.backwards.isEmpty()) {
                result.backwards = picture ? QStringLiteral("视讯") : QStringLiteral("音讯");
                result.backwardsAt = static_cast<double>(dts) * tb;
            }
            t.lastDts = dts;
        }
        const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (pts != AV_NOPTS_VALUE) {
            const double at = static_cast<double>(pts) * tb;
            t.first = std::min(t.first, at);
            t.last = std::max(t.last, at + static_cast<double>(pkt->duration) * tb);
            if (picture && (pkt->flags & AV_PKT_FLAG_KEY)) {
                if (t.lastKey >= 0)
                    result.keyInterval = std::max(result.keyInterval, at - t.lastKey);
                t.lastKey = at;
            }
        }
        if (pkt->size > 0) {
            t.seen = true;
            (picture ? result.hasVideo : result.hasAudio) = true;
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);

    double first = std::numeric_limits<double>::max(), last = std::numeric_limits<double>::lowest();
    for (const Track& t : tracks) {
        if (!t.seen || t.last < t.first)
            continue;
        first = std::min(first, t.first);
        last = std::max(last, t.last);
    }
    result.seconds = last > first ? last - first : 0;
    // A picture with a single key frame: the whole of it is one stretch.
    if (result.hasVideo && result.keyInterval <= 0)
        result.keyInterval = result.seconds;
    return result;
}

Streams streamsOf(const QString& file)
{
    Streams st;
    Input in(file);
    if (!in.ctx || avformat_find_stream_info(in.ctx, nullptr) < 0)
        return st;
    st.opened = true;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
        const AVStream* s = in.ctx->streams[i];
        const AVCodecParameters* p = s->codecpar;
        if (isPicture(s) && st.videoCodec.isEmpty()) {
            st.videoCodec = QString::fromLatin1(avcodec_get_name(p->codec_id));
            st.width = p->width;
            st.height = p->height;
            const AVRational r = s->avg_frame_rate.num > 0 ? s->avg_frame_rate : s->r_frame_rate;
            st.frameRate = r.den > 0 ? av_q2d(r) : 0;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO && st.audioCodec.isEmpty()) {
            st.audioCodec = QString::fromLatin1(avcodec_get_name(p->codec_id));
            st.sampleRate = p->sample_rate;
            st.channels = p->ch_layout.nb_channels;
        }
    }
    return st;
}

Expect sameKindsAs(const Probe& source, double seconds, double tolerance)
{
    return Expect{source.hasVideo, source.hasAudio, source.opened ? seconds : -1, tolerance};
}

Expect piecesOf(const Probe& source, const std::vector<std::pair<double, double>>& ranges)
{
    double seconds = 0;
    for (const auto& [start, end] : ranges) {
        const double stop = source.seconds > 0 ? std::min(end, source.seconds) : end;
        seconds += std::max(0.0, stop - start);
    }
    Expect e = sameKindsAs(source, seconds, 1.0);
    e.longer = static_cast<double>(ranges.size()) * (source.keyInterval + 1.0);
    return e;
}

QString checkMedia(const QString& file, const Expect& expect)
{
    const Probe p = probe(file);
    if (!p.opened)
        return QStringLiteral("检查结果：新档案无法开启，不是可以播放的多媒体档案");
    if (expect.video && !p.hasVideo)
        return QStringLiteral("检查结果：新档案里没有视讯（画面）");
    if (expect.audio && !p.hasAudio)
        return QStringLiteral("检查结果：新档案里没有音讯（声音）");
    if (!p.backwards.isEmpty())
        return QStringLiteral("检查结果：新档案的") + p.backwards + QStringLiteral("时间码在 ") + seconds2(p.backwardsAt)
            + QStringLiteral(" 秒处倒退");
    if (expect.seconds >= 0
        && (p.seconds < expect.seconds - expect.tolerance || p.seconds > expect.seconds + expect.tolerance + expect.longer))
        return QStringLiteral("检查结果：新档案长 ") + seconds2(p.seconds) + QStringLiteral(" 秒，应该约为 ")
            + seconds2(expect.seconds) + QStringLiteral(" 秒");
    return QString();
}

QString checkPicture(const QString& file)
{
    if (QFileInfo(file).size() <= 0)
        return QStringLiteral("检查结果：截图档案是空的");
    QImageReader reader(file);
    const QImage image = reader.read();
    if (!image.isNull() && image.width() > 0 && image.height() > 0)
        return QString();
    // A format this build of Qt cannot read is opened as a picture stream instead.
    if (reader.error() == QImageReader::UnsupportedFormatError) {
        const Streams st = streamsOf(file);
        if (st.opened && st.width > 0 && st.height > 0)
            return QString();
    }
    return QStringLiteral("检查结果：截图档案无法开启，或是没有画面");
}

bool diskFull(const QString& folder, qint64 written)
{
    if (mdlGetCmdOutput::noSpaceReported())
        return true;
    const QStorageInfo storage(folder);
    if (!storage.isValid())
        return false;
    // A disk that filled up keeps what was written until the job clears it: its free room
    // is then below that (and never more than a few blocks).
    const qint64 room = storage.bytesAvailable();
    return room >= 0 && room < std::max<qint64>(written, 64 * 1024);
}

QString judge(bool made, const QString& result, const std::function<QString()>& check)
{
    const QFileInfo info(result);
    const qint64 size = info.isFile() ? info.size() : 0;
    QString reason;
    // A run the user broke off is reported as broken off, with what it left, not judged.
    const bool broke = mdlGetCmdOutput::brokeSinceClear();
    if (made && size > 0 && !broke)
        reason = check();
    if ((!made || size <= 0 || !reason.isEmpty()) && diskFull(info.absolutePath(), size))
        return diskFullLine();
    return reason;
}

QString diskFullLine() { return QStringLiteral("磁碟空间不足：新档案没有完整写入，请先腾出空间"); }

QString withReason(const QString& failure, const QString& reason)
{
    return reason.isEmpty() ? failure : failure + crlf + reason;
}

int firstMismatch(const QStringList& items, QString* message)
{
    if (items.size() < 2)
        return -1;
    const QString none = QStringLiteral("无");
    auto codec = [&](const QString& c) { return c.isEmpty() ? none : c; };
    auto size = [](const Streams& s) { return QStringLiteral("%1x%2").arg(s.width).arg(s.height); };
    auto rate = [](double r) { return QString::number(r, 'g', 5); };
    const Streams base = streamsOf(items.first());
    for (int i = 1; i < items.size(); ++i) {
        const Streams s = streamsOf(items[i]);
        QString property, mine, theirs;
        // A file that cannot be read is not compared: the run tells what it makes of it.
        if (!base.opened)
            return -1;
        if (!s.opened)
            continue;
        if (s.videoCodec != base.videoCodec) {
            property = QStringLiteral("视讯编码");
            mine = codec(s.videoCodec), theirs = codec(base.videoCodec);
        } else if (!s.videoCodec.isEmpty() && (s.width != base.width || s.height != base.height)) {
            property = QStringLiteral("画面大小");
            mine = size(s), theirs = size(base);
        } else if (!s.videoCodec.isEmpty() && std::abs(s.frameRate - base.frameRate) > 0.01 * base.frameRate) {
            property = QStringLiteral("每秒画面数");
            mine = rate(s.frameRate), theirs = rate(base.frameRate);
        } else if (s.audioCodec != base.audioCodec) {
            property = QStringLiteral("音讯编码");
            mine = codec(s.audioCodec), theirs = codec(base.audioCodec);
        } else if (!s.audioCodec.isEmpty() && s.sampleRate != base.sampleRate) {
            property = QStringLiteral("音讯取样率");
            mine = QString::number(s.sampleRate), theirs = QString::number(base.sampleRate);
        } else if (!s.audioCodec.isEmpty() && s.channels != base.channels) {
            property = QStringLiteral("音讯频道数");
            mine = QString::number(s.channels), theirs = QString::number(base.channels);
        } else {
            continue;
        }
        if (message)
            *message = QStringLiteral("合并清单里的第 ") + QString::number(i + 1) + QStringLiteral(" 个档案（")
                + QFileInfo(items[i]).fileName() + QStringLiteral("）的") + property + QStringLiteral("是 ") + mine + crlf
                + QStringLiteral("与第 1 个档案（") + QFileInfo(items.first()).fileName() + QStringLiteral("）的 ") + theirs
                + QStringLiteral(" 不同") + crlf + crlf + QStringLiteral("以下每个影片的视讯／音讯条件必须一致，才能合并成功");
        return i;
    }
    return -1;
}

} // namespace mdlResultCheck
