// What the command-string layer costs over plain libmpv calls made in the same run:
// open until the device answers "status … mode", an exact seek, one status poll
// (mode + position). Prints medians and the ratio to the plain call.
#include "media/MciSend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <mpv/client.h>
#include <mpv/render.h>
#include <QImage>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double timeUs(const std::function<void()>& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1000.0;
}

bool waitEvent(mpv_handle* h, mpv_event_id id)
{
    for (;;) {
        mpv_event* e = mpv_wait_event(h, 10);
        if (e->event_id == id)
            return true;
        if (e->event_id == MPV_EVENT_END_FILE || e->event_id == MPV_EVENT_NONE)
            return false;
    }
}

// The plain calls: what any program must do to have the file loaded and resting on its
// first frame, with the same options the devices use.
mpv_handle* plainOpen(const QByteArray& file)
{
    mpv_handle* h = mpv_create();
    for (auto [k, v] : {std::pair{"config", "no"}, {"terminal", "no"}, {"load-scripts", "no"}, {"ytdl", "no"},
                        {"osc", "no"}, {"input-default-bindings", "no"}, {"vo", "null"}, {"ao", "null"},
                        {"pause", "yes"}, {"keep-open", "yes"}, {"hr-seek", "yes"}, {"idle", "yes"},
                        {"audio-display", "no"}, {"sub-auto", "no"}, {"audio-file-auto", "no"},
                        {"hr-seek-framedrop", "no"}, {"framedrop", "no"}, {"hwdec", "no"}, {"osd-level", "0"},
                        {"input-vo-keyboard", "no"}, {"network-timeout", "5"}})
        mpv_set_option_string(h, k, v);
    mpv_initialize(h);
    const char* cmd[] = {"loadfile", file.constData(), nullptr};
    mpv_command(h, cmd);
    waitEvent(h, MPV_EVENT_FILE_LOADED);
    waitEvent(h, MPV_EVENT_PLAYBACK_RESTART);
    return h;
}

void plainSeek(mpv_handle* h, double t)
{
    const QByteArray s = QByteArray::number(t, 'f', 6);
    const char* cmd[] = {"seek", s.constData(), "absolute+exact", nullptr};
    mpv_command(h, cmd);
    waitEvent(h, MPV_EVENT_PLAYBACK_RESTART);
}

void report(const char* what, const std::vector<double>& layer, const std::vector<double>& plain)
{
    const double l = median(layer), p = median(plain);
    std::printf("%-34s layer %9.1f us   plain %9.1f us   ratio %.3f   (n=%zu)\n", what, l, p, p > 0 ? l / p : 0.0,
                layer.size());
}

} // namespace

// One frame drawn by libmpv's software renderer into img.
static void renderInto(mpv_render_context* rc, QImage& img)
{
    int sz[2] = {img.width(), img.height()};
    size_t stride = size_t(img.bytesPerLine());
    char format[] = "bgr0";
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, sz},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, img.bits()},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(rc, params);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(ZORVO_MEDIA_DIR);
    const QString file = dir + QStringLiteral("/long.flv");
    const QByteArray fileUtf8 = file.toUtf8();
    const QString open = QStringLiteral("open \"%1\" type mpegvideo alias b parent 0 style child").arg(file);
    QString reply;

    // Warm the file cache and the libraries once.
    mpv_terminate_destroy(plainOpen(fileUtf8));

    std::vector<double> openLayer, openPlain;
    for (int i = 0; i < 30; ++i) {
        // Taking turns at going first keeps any advantage of going second out of the ratio.
        const auto plain = [&] {
            mpv_handle* h = nullptr;
            openPlain.push_back(timeUs([&] { h = plainOpen(fileUtf8); }));
            mpv_terminate_destroy(h);
        };
        if (i % 2 == 0)
            plain();
        openLayer.push_back(timeUs([&] {
            media::mciSendString(open, &reply, 128);
            media::mciSendString(QStringLiteral("status b mode"), &reply, 128);
        }));
        if (reply != QLatin1String("stopped"))
            std::fprintf(stderr, "unexpected mode %s\n", qPrintable(reply));
        media::mciSendString(QStringLiteral("close b"));
        if (i % 2 == 1)
            plain();
    }
    report("open until status mode answers", openLayer, openPlain);

    media::mciSendString(open, &reply, 128);
    mpv_handle* h = plainOpen(fileUtf8);
    std::vector<double> seekLayer, seekPlain;
    for (int i = 0; i < 60; ++i) {
        const int frame = (i * 137) % 480 + 10;
        seekPlain.push_back(timeUs([&] { plainSeek(h, frame / 25.0 - 0.001); }));
        seekLayer.push_back(timeUs([&] { media::mciSendString(QStringLiteral("seek b to %1").arg(frame)); }));
    }
    report("exact seek", seekLayer, seekPlain);

    // Polls while both play.
    media::mciSendString(QStringLiteral("play b from 0 repeat"));
    int flag = 0;
    mpv_set_property(h, "pause", MPV_FORMAT_FLAG, &flag);
    std::vector<double> pollLayer, pollPlain;
    for (int i = 0; i < 2000; ++i) {
        pollPlain.push_back(timeUs([&] {
            int eof = 0;
            double pos = 0;
            mpv_get_property(h, "eof-reached", MPV_FORMAT_FLAG, &eof);
            mpv_get_property(h, "time-pos", MPV_FORMAT_DOUBLE, &pos);
        }));
        pollLayer.push_back(timeUs([&] {
            media::mciSendString(QStringLiteral("status b mode"), &reply, 128);
            media::mciSendString(QStringLiteral("status b position"), &reply, 128);
        }));
    }
    report("poll: status mode + position", pollLayer, pollPlain);
    {
        std::vector<double> mode, pos;
        for (int i = 0; i < 500; ++i) {
            mode.push_back(timeUs([&] { media::mciSendString(QStringLiteral("status b mode"), &reply, 128); }));
            pos.push_back(timeUs([&] { media::mciSendString(QStringLiteral("status b position"), &reply, 128); }));
        }
        std::printf("  of which status mode %.1f us, status position %.1f us\n", median(mode), median(pos));
    }
    mpv_terminate_destroy(h);
    media::mciSendString(QStringLiteral("close all"));

    // The picture is drawn by libmpv's software renderer: its cost for one frame of the
    // 640x360 sample at the natural size and scaled up to 1280x720.
    {
        mpv_handle* r = mpv_create();
        for (auto [k, v] : {std::pair{"config", "no"}, {"terminal", "no"}, {"vo", "libmpv"}, {"ao", "null"},
                            {"pause", "yes"}, {"keep-open", "yes"}})
            mpv_set_option_string(r, k, v);
        mpv_initialize(r);
        mpv_render_context* rc = nullptr;
        mpv_render_param create[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
        mpv_render_context_create(&rc, r, create);
        const QByteArray sample = (dir + QStringLiteral("/sample.flv")).toUtf8();
        const char* cmd[] = {"loadfile", sample.constData(), nullptr};
        mpv_command(r, cmd);
        waitEvent(r, MPV_EVENT_FILE_LOADED);
        // The first frame reaches the renderer only when it is asked for.
        for (bool restarted = false; !restarted;) {
            mpv_event* e = mpv_wait_event(r, 0.01);
            restarted = e->event_id == MPV_EVENT_PLAYBACK_RESTART;
            if (mpv_render_context_update(rc) & MPV_RENDER_UPDATE_FRAME) {
                QImage img(64, 36, QImage::Format_RGB32);
                renderInto(rc, img);
            }
        }
        for (QSize size : {QSize(640, 360), QSize(1280, 720)}) {
            QImage img(size, QImage::Format_RGB32);
            std::vector<double> t;
            for (int i = 0; i < 40; ++i)
                t.push_back(timeUs([&] { renderInto(rc, img); }));
            std::printf("software render of one frame at %dx%d: %9.1f us\n", size.width(), size.height(), median(t));
        }
        mpv_render_context_free(rc);
        mpv_terminate_destroy(r);
    }
    return 0;
}
