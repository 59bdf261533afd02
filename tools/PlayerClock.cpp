#include "tools/PlayerClock.h"

#include "app/Numbers.h"
#include "media/MpvDevice.h"

#include <QFile>
#include <algorithm>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace playerClock {

namespace {

struct Input {
    AVFormatContext* ctx = nullptr;
    ~Input() { avformat_close_input(&ctx); }
};

// The pictures the decoder has seen when the device asks for its frame rate: a few.
constexpr int firstPictures = 8;

} // namespace

Clock of(const QString& file)
{
    Clock c;
    Input in;
    const QByteArray path = QFile::encodeName(file);
    if (avformat_open_input(&in.ctx, path.constData(), nullptr, nullptr) < 0
        || avformat_find_stream_info(in.ctx, nullptr) < 0)
        return c;
    int video = -1;
    for (unsigned i = 0; i < in.ctx->nb_streams && video < 0; ++i) {
        const AVStream* st = in.ctx->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            video = static_cast<int>(i);
    }

    // libmpv's length: the container's, else the longest stream's.
    double duration = 0;
    if (in.ctx->duration > 0) {
        duration = static_cast<double>(in.ctx->duration) / AV_TIME_BASE;
    } else {
        double any = 0, media = 0;
        for (unsigned i = 0; i < in.ctx->nb_streams; ++i) {
            const AVStream* st = in.ctx->streams[i];
            if (st->duration <= 0)
                continue;
            const double d = static_cast<double>(st->duration) * av_q2d(st->time_base);
            any = std::max(any, d);
            if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO || st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                media = std::max(media, d);
        }
        duration = media > 0 ? media : any;
    }

    // Frame 0 is the first picture shown, on a clock that starts with the file; the
    // decoder's rate is the mean step of the first pictures in the order they are shown.
    double first = 0;
    double fps = 25.0;
    if (video >= 0) {
        AVStream* st = in.ctx->streams[video];
        std::vector<int64_t> shown;
        double firstRead = -1; // the time of the first packet in the file
        AVPacket* pkt = av_packet_alloc();
        while (pkt && static_cast<int>(shown.size()) < firstPictures && av_read_frame(in.ctx, pkt) >= 0) {
            const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
            if (firstRead < 0 && ts != AV_NOPTS_VALUE)
                firstRead = static_cast<double>(ts) * av_q2d(in.ctx->streams[pkt->stream_index]->time_base);
            if (pkt->stream_index == video && ts != AV_NOPTS_VALUE && !(pkt->flags & AV_PKT_FLAG_DISCARD))
                shown.push_back(ts);
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
        std::sort(shown.begin(), shown.end());
        const double base = av_q2d(st->time_base);
        // libmpv reads Matroska itself and starts its clock at the first block of the
        // file; every other type through libavformat, at the earliest stream's start.
        double start = in.ctx->start_time != AV_NOPTS_VALUE ? static_cast<double>(in.ctx->start_time) / AV_TIME_BASE : 0;
        if (QByteArray(in.ctx->iformat->name).contains("matroska") && firstRead >= 0)
            start = firstRead;
        if (!shown.empty())
            first = std::max(0.0, static_cast<double>(shown.front()) * base - start);
        double decoder = 0;
        if (shown.size() > 1 && shown.back() > shown.front())
            decoder = (shown.size() - 1) / (static_cast<double>(shown.back() - shown.front()) * base);
        const double container = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0 ? av_q2d(st->avg_frame_rate) : 0;
        fps = media::frameRateOf(container, decoder);
    }

    using mdlZorvoFLV::roundHalfEven;
    c.ok = true;
    c.totalFrames = static_cast<int>(std::max<int64_t>(0, roundHalfEven((duration - first) * fps)));
    c.totalSeconds = static_cast<float>(static_cast<double>(roundHalfEven((duration - first) * 1000.0)) / 1000.0);
    if (c.totalFrames > 1) {
        c.secondsPerFrame = static_cast<float>(c.totalSeconds / c.totalFrames);
    } else {
        c.totalFrames = 1;
        c.secondsPerFrame = 1.0f;
    }
    return c;
}

} // namespace playerClock
