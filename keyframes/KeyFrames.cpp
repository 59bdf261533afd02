#include "KeyFrames.h"

#include "FlvInject.h"

#include <QFile>
#include <algorithm>
#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

namespace keyframes {
namespace {

bool looksLikeFlv(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(3);
    return head == "FLV";
}

Result readFlv(const QString& file)
{
    Result r;
    fmd::Scan scan;
    std::string error;
    if (!fmd::scanFile(QFile::encodeName(file).toStdString(), scan, error)) {
        r.error = QString::fromStdString(error);
        return r;
    }
    // The player and ffmpeg count from the earliest first packet of any stream.
    std::int64_t origin = scan.firstPictureTime;
    if (scan.firstSoundTime >= 0 && (origin < 0 || scan.firstSoundTime < origin))
        origin = scan.firstSoundTime;
    if (origin < 0)
        origin = 0;
    r.firstPicture = scan.firstPictureTime >= 0 ? static_cast<double>(scan.firstPictureTime - origin) / 1000.0 : 0.0;
    r.times.reserve(scan.keyPictureTimes.size());
    for (const std::int64_t ms : scan.keyPictureTimes)
        r.times.push_back(static_cast<double>(ms - origin) / 1000.0);
    std::sort(r.times.begin(), r.times.end());
    r.ok = true;
    return r;
}

struct FormatCloser {
    AVFormatContext* ctx = nullptr;
    ~FormatCloser() { avformat_close_input(&ctx); }
};
struct PacketFree {
    AVPacket* pkt = av_packet_alloc();
    ~PacketFree() { av_packet_free(&pkt); }
};

QString avError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// The demuxer's index is exact for a file only where it holds every sample with its own
// flags, and a time that is also the picture's display time (no reordered pictures).
bool indexIsExact(const AVFormatContext* ctx, AVStream* st)
{
    const int count = avformat_index_get_entries_count(st);
    if (count <= 0 || st->codecpar->video_delay > 0)
        return false;
    const QString name = QString::fromLatin1(ctx->iformat->name);
    if (name == QLatin1String("avi"))
        return true;
    // A fragmented MP4 has only its first fragments in the index when it opens.
    return name.startsWith(QLatin1String("mov,")) && st->nb_frames > 0 && count >= st->nb_frames;
}

int cancelled(void* flag)
{
    return flag && static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
}

Result readAv(const QString& file, const std::atomic<bool>* cancel)
{
    Result r;
    FormatCloser in;
    in.ctx = avformat_alloc_context();
    if (!in.ctx) {
        r.error = avError(AVERROR(ENOMEM));
        return r;
    }
    in.ctx->interrupt_callback.callback = cancelled;
    in.ctx->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(cancel);
    const QByteArray path = QFile::encodeName(file);
    int rc = avformat_open_input(&in.ctx, path.constData(), nullptr, nullptr);
    if (rc < 0) {
        r.error = avError(rc);
        return r;
    }
    // A container without a header (MPEG program and transport streams) tells whether
    // pictures are reordered only after a look at the first of them; without it the times
    // of the packets are those of their decoding, not of their showing. The packets read
    // for that look are handed out again below.
    if (in.ctx->ctx_flags & AVFMTCTX_NOHEADER) {
        rc = avformat_find_stream_info(in.ctx, nullptr);
        if (rc < 0) {
            r.error = avError(rc);
            return r;
        }
    }
    // The clock the player shows starts at the earliest first time of any stream.
    std::vector<int64_t> firstUs(in.ctx->nb_streams, AV_NOPTS_VALUE);
    int video = -1;
    for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
        const AVStream* st = in.ctx->streams[i];
        if (video < 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            video = static_cast<int>(i);
    }
    // Sound alone has no key frames to find: its file is not read through for nothing.
    if (video < 0) {
        r.error = QStringLiteral("no video stream");
        return r;
    }

    std::vector<double> raw; // seconds, before the origin is taken off
    bool fromIndex = false;
    if (video >= 0 && indexIsExact(in.ctx, in.ctx->streams[video])) {
        AVStream* st = in.ctx->streams[video];
        const int count = avformat_index_get_entries_count(st);
        for (int i = 0; i < count; ++i) {
            const AVIndexEntry* e = avformat_index_get_entry(st, i);
            if (e && (e->flags & AVINDEX_KEYFRAME) && !(e->flags & AVINDEX_DISCARD_FRAME))
                raw.push_back(static_cast<double>(e->timestamp) * av_q2d(st->time_base));
        }
        fromIndex = true;
    }

    // Packets are read for their flags and times; a stream that has given its first time
    // is let go, so that a container that can skip its bytes does not read them.
    PacketFree pkt;
    unsigned pending = in.ctx->nb_streams;
    for (;;) {
        rc = av_read_frame(in.ctx, pkt.pkt);
        if (rc == AVERROR(EAGAIN))
            continue;
        if (rc < 0)
            break;
        const int si = pkt.pkt->stream_index;
        // Some containers (MPEG program streams) name their streams as they come.
        if (si >= 0 && static_cast<unsigned>(si) < in.ctx->nb_streams) {
            if (firstUs.size() < in.ctx->nb_streams) {
                pending += in.ctx->nb_streams - static_cast<unsigned>(firstUs.size());
                firstUs.resize(in.ctx->nb_streams, AV_NOPTS_VALUE);
            }
            AVStream* st = in.ctx->streams[si];
            if (video < 0 && st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
                video = si;
            const int64_t ts = pkt.pkt->pts != AV_NOPTS_VALUE ? pkt.pkt->pts : pkt.pkt->dts;
            if (firstUs[si] == AV_NOPTS_VALUE && ts != AV_NOPTS_VALUE && !(pkt.pkt->flags & AV_PKT_FLAG_DISCARD)) {
                firstUs[si] = av_rescale_q(ts, st->time_base, AV_TIME_BASE_Q);
                // Sound that starts with encoder priming counts from its first kept sample.
                size_t sideSize = 0;
                const uint8_t* skip = av_packet_get_side_data(pkt.pkt, AV_PKT_DATA_SKIP_SAMPLES, &sideSize);
                if (skip && sideSize >= 4 && st->codecpar->sample_rate > 0)
                    firstUs[si] += av_rescale(AV_RL32(skip), AV_TIME_BASE, st->codecpar->sample_rate);
                --pending;
                if (si != video)
                    st->discard = AVDISCARD_ALL;
            }
            if (si == video && !fromIndex && (pkt.pkt->flags & AV_PKT_FLAG_KEY) && ts != AV_NOPTS_VALUE &&
                !(pkt.pkt->flags & AV_PKT_FLAG_DISCARD))
                raw.push_back(static_cast<double>(ts) * av_q2d(st->time_base));
        }
        av_packet_unref(pkt.pkt);
        if (fromIndex && pending == 0)
            break;
    }
    if (cancelled(const_cast<std::atomic<bool>*>(cancel)) || (rc < 0 && rc != AVERROR_EOF && !(fromIndex && pending == 0) && raw.empty())) {
        r.error = avError(rc);
        return r;
    }
    if (video < 0) {
        r.error = QStringLiteral("no video stream");
        return r;
    }
    int64_t origin = AV_NOPTS_VALUE;
    for (const int64_t t : firstUs)
        if (t != AV_NOPTS_VALUE && (origin == AV_NOPTS_VALUE || t < origin))
            origin = t;
    const double originSec = origin == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(origin) / AV_TIME_BASE;
    if (firstUs[video] != AV_NOPTS_VALUE)
        r.firstPicture = static_cast<double>(firstUs[video]) / AV_TIME_BASE - originSec;
    std::sort(raw.begin(), raw.end());
    r.times.reserve(raw.size());
    for (const double t : raw)
        if (r.times.empty() || t - originSec - r.times.back() > 1e-6)
            r.times.push_back(t - originSec);
    r.ok = true;
    return r;
}

} // namespace

Result read(const QString& file, const std::atomic<bool>* cancel)
{
    if (looksLikeFlv(file)) {
        Result r = readFlv(file);
        if (r.ok)
            return r;
        // An FLV whose tags the walk cannot follow may still be one libavformat reads.
    }
    return readAv(file, cancel);
}

double atOrBefore(const std::vector<double>& times, double t)
{
    if (times.empty())
        return -1;
    auto it = std::upper_bound(times.begin(), times.end(), t + 1e-6);
    return it == times.begin() ? times.front() : *std::prev(it);
}

int frameOf(const Result& keys, double t, double secondsPerFrame)
{
    return secondsPerFrame > 0 ? static_cast<int>(std::lround((t - keys.firstPicture) / secondsPerFrame)) : -1;
}

int stepFrame(const Result& keys, double secondsPerFrame, int frame, int direction)
{
    if (!(secondsPerFrame > 0))
        return -1;
    int found = -1;
    for (const double t : keys.times) {
        const int f = frameOf(keys, t, secondsPerFrame);
        if (direction < 0 && f < frame)
            found = f;
        else if (direction > 0 && f > frame)
            return f;
    }
    return found;
}

} // namespace keyframes
