#include "media/MpvDevice.h"

#include "media/MciSend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QScopeGuard>
#include <QThread>
#include <QWidget>
#include <cmath>
#include <future>
#include <mpv/client.h>
#include <mpv/render.h>

namespace media {

namespace {

// libmpv property and option names, in one place.
namespace prop {
constexpr const char* timePos = "time-pos";
constexpr const char* duration = "duration";
constexpr const char* pause = "pause";
constexpr const char* eofReached = "eof-reached";
constexpr const char* seekable = "seekable";
constexpr const char* partiallySeekable = "partially-seekable";
constexpr const char* containerFps = "container-fps";
constexpr const char* estimatedVfFps = "estimated-vf-fps";
constexpr const char* end = "end";
constexpr const char* abLoopA = "ab-loop-a";
constexpr const char* abLoopB = "ab-loop-b";
constexpr const char* loopFile = "loop-file";
constexpr const char* volume = "volume";
constexpr const char* mute = "mute";
constexpr const char* speed = "speed";
constexpr const char* fileFormat = "file-format";
constexpr const char* hrSeekDemuxerOffset = "hr-seek-demuxer-offset";
constexpr const char* trackList = "track-list";
constexpr const char* chapterCount = "chapter-list/count";
constexpr const char* width = "width";
constexpr const char* height = "height";
constexpr const char* dwidth = "dwidth";
constexpr const char* dheight = "dheight";
} // namespace prop

// Seek targets sit this far before a frame's time stamp, so that the exact seek, which
// drops frames stamped before its target, lands on that frame and not the next.
constexpr double kSeekLead = 0.001;
// Frames a decoder may hold back for reordering (B-frames with pyramids).
constexpr int kReorderFrames = 4;
// How far a seek past the last picture steps back, in frames.
constexpr int kTailFrames = 1;
// The last stretch of a video that a paused seek reaches picture by picture.
constexpr double kTailSeconds = 0.3;
constexpr double kOpenSeconds = 15.0;
constexpr double kOpenUrlSeconds = 6.0;
constexpr double kSeekSeconds = 5.0;
// libmpv is asked for events this often while waiting, and the window's events run
// at most this far apart.
constexpr double kSliceSeconds = 0.02;
constexpr qint64 kEventsEveryMs = 40;

bool isUrl(const QString& s) { return s.contains(QLatin1String("://")); }

double roundHalfEven(double v) { return std::nearbyint(v); }

QByteArray number(double v) { return QByteArray::number(v, 'f', 6); }

} // namespace

namespace {
double getDouble(mpv_handle* h, const char* name, double fallback)
{
    double d = 0;
    return mpv_get_property(h, name, MPV_FORMAT_DOUBLE, &d) < 0 ? fallback : d;
}
int64_t getInt(mpv_handle* h, const char* name, int64_t fallback)
{
    int64_t v = 0;
    return mpv_get_property(h, name, MPV_FORMAT_INT64, &v) < 0 ? fallback : v;
}
QString getString(mpv_handle* h, const char* name)
{
    char* s = mpv_get_property_string(h, name);
    if (!s)
        return QString();
    QString r = QString::fromUtf8(s);
    mpv_free(s);
    return r;
}
bool getFlag(mpv_handle* h, const char* name)
{
    int f = 0;
    return mpv_get_property(h, name, MPV_FORMAT_FLAG, &f) >= 0 && f;
}
// Every write is checked: libmpv refuses a value of the wrong kind (time options such as
// "end" take text, not a number) and the command that asked for it must fail, not pass.
bool setFlag(mpv_handle* h, const char* name, bool on)
{
    int f = on ? 1 : 0;
    return mpv_set_property(h, name, MPV_FORMAT_FLAG, &f) >= 0;
}
bool setDouble(mpv_handle* h, const char* name, double v)
{
    return mpv_set_property(h, name, MPV_FORMAT_DOUBLE, &v) >= 0;
}
bool setText(mpv_handle* h, const char* name, const char* text)
{
    return mpv_set_property_string(h, name, text) >= 0;
}
// Time options as text, in seconds.
bool setTime(mpv_handle* h, const char* name, double seconds)
{
    return setText(h, name, number(seconds).constData());
}
} // namespace

namespace {

// The usual rate within 1.5 % of r; 0 when there is none.
double usualRate(double r)
{
    static constexpr double usual[] = {10, 12, 12.5, 15, 24000 / 1001.0, 24, 25, 30000 / 1001.0, 30, 48, 50,
                                       60000 / 1001.0, 60, 100, 120};
    double nearest = 0, off = 0.015;
    for (const double u : usual)
        if (std::abs(r / u - 1.0) < off) {
            off = std::abs(r / u - 1.0);
            nearest = u;
        }
    return nearest;
}

} // namespace

double frameRateOf(double container, double decoder)
{
    const auto plausible = [](double r) { return r > 0.5 && r < 500; };
    // Without metadata the container's rate is guessed from time stamps in whole
    // milliseconds (30 frames a second come out as 30.303): a rate that close to a usual
    // one is that one.
    const double c = plausible(container) ? (usualRate(container) > 0 ? usualRate(container) : container) : 0;
    // The decoder's figure, read right after the open, rests on a frame or two: measured,
    // it says 12.5 for an AVI of 25. It only stands in for a container rate that is
    // missing, or that is no usual rate when the decoder's is.
    const double d = plausible(decoder) ? usualRate(decoder) : 0;
    if (c <= 0)
        return d > 0 ? d : (plausible(decoder) ? decoder : 25.0);
    if (d > 0 && usualRate(c) == 0)
        return d;
    return c;
}

bool videoOutputAvailable()
{
    if (qgetenv("ZORVO_MPV_VO") == "null")
        return false;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    const QString p = QGuiApplication::platformName();
    return p != QLatin1String("offscreen") && p != QLatin1String("minimal");
}

// The child window of a parent that the picture is drawn into. Frames are rendered by
// libmpv's software renderer into the device's image at the view's size.
class VideoView : public QWidget {
public:
    VideoView(QWidget* parent, MpvDevice* device) : QWidget(parent), device_(device)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAutoFillBackground(false);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        // A picture put off at the open is rendered now, at the size it is shown.
        if (device_ && device_->framePending_)
            device_->renderPicture();
        QPainter p(this);
        const QImage& f = device_ ? device_->frame_ : QImage();
        if (f.isNull()) {
            p.fillRect(rect(), Qt::black);
        } else if (f.size() == size()) {
            p.drawImage(QPointF(0, 0), f);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(rect()), f);
        }
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (device_ && !device_->holdRender_)
            device_->renderFrame();
    }

private:
    QPointer<MpvDevice> device_;
};

namespace {

} // namespace

void MpvDevice::onWakeup(void* ctx)
{
    auto* d = static_cast<MpvDevice*>(ctx);
    d->wakePending_.store(true);
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(d, "drainEvents", Qt::QueuedConnection);
}

namespace {

void onRenderUpdate(void* ctx)
{
    auto* d = static_cast<MpvDevice*>(ctx);
    // A wait for libmpv in progress takes the frame at once instead of at the end of its
    // slice (libmpv holds the next frame until this one is rendered): an open or a seek at
    // rest waits for that very frame. Not while playing: the wakeup also calls the event
    // callback, a round trip per frame that costs about 5 % more CPU in playback.
    if (mpv_handle* h = d->handle(); h && d->busy() && d->paused())
        mpv_wakeup(h);
    QMetaObject::invokeMethod(d, "renderUpdate", Qt::QueuedConnection);
}
} // namespace

MpvDevice::MpvDevice() = default;

MpvDevice::~MpvDevice() { destroy(); }

void MpvDevice::destroy()
{
    if (view_)
        delete view_.data();
    if (rc_) {
        mpv_render_context_set_update_callback(rc_, nullptr, nullptr);
        mpv_render_context_free(rc_);
        rc_ = nullptr;
    }
    if (h_) {
        mpv_set_wakeup_callback(h_, nullptr, nullptr);
        mpv_terminate_destroy(h_);
        h_ = nullptr;
    }
}

bool MpvDevice::showsVideo() const { return rc_ != nullptr; }

namespace {

// A libmpv handle with this program's options, initialised; null when libmpv refuses.
mpv_handle* createHandle(bool withVideo)
{
    mpv_handle* h = mpv_create();
    if (!h)
        return nullptr;
    bool ok = true;
    auto opt = [&](const char* name, const char* value) { ok = mpv_set_option_string(h, name, value) >= 0 && ok; };
    opt("config", "no");
    opt("terminal", "no");
    opt("load-scripts", "no");
    opt("ytdl", "no");
    opt("osc", "no");
    opt("input-default-bindings", "no");
    opt("input-vo-keyboard", "no");
    opt("idle", "yes");
    opt("pause", "yes");
    opt("keep-open", "yes");
    opt("hr-seek", "yes");
    // On a busy machine libmpv would drop frames on the way to an exact seek's target
    // and come to rest short of it. Normal playback may drop a late frame instead, so that
    // picture and sound stay together on a slow machine.
    opt("hr-seek-framedrop", "no");
    opt("framedrop", "vo");
    // The caller's "put" rectangle already holds the shape it wants (stretched, kept
    // aspect or natural size): the picture fills it.
    opt("keepaspect", "no");
    opt("audio-display", "no");
    opt("sub-auto", "no");
    opt("audio-file-auto", "no");
    opt("hwdec", "no");
    opt("osd-level", "0");
    opt("network-timeout", "5");
    opt("vo", withVideo ? "libmpv" : "null");
    // Without a sound card the list ends in the null output, so timing and the audio
    // track stay as they are on a machine with sound.
    opt("ao", withVideo ? "pulse,alsa,null" : "null");
    if (!ok || mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return h;
}

// Made ahead for the first device that shows video (see prepareVideoDevice): a handle,
// its picture output, and the file of the command line already loading.
struct Prepared {
    mpv_handle* h = nullptr;
    mpv_render_context* rc = nullptr;
    QString loading;
};

std::future<Prepared>& prepared()
{
    static std::future<Prepared> f;
    return f;
}

mpv_render_context* createSoftwareOutput(mpv_handle* h)
{
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context* rc = nullptr;
    return mpv_render_context_create(&rc, h, params) < 0 ? nullptr : rc;
}

void destroyPrepared(Prepared& p)
{
    if (p.rc)
        mpv_render_context_free(p.rc);
    if (p.h)
        mpv_terminate_destroy(p.h);
    p = Prepared();
}

// A handle made ahead and never used (the file could not be opened) goes with the program.
void dropPrepared()
{
    if (prepared().valid()) {
        Prepared p = prepared().get();
        destroyPrepared(p);
    }
}

} // namespace

void prepareVideoDevice(const QString& path)
{
    if (prepared().valid())
        return;
    prepared() = std::async(std::launch::async, [path] {
        Prepared p;
        p.h = createHandle(true);
        if (p.h)
            p.rc = createSoftwareOutput(p.h);
        // The output must exist before a file loads, or the picture would have none.
        if (p.rc && !path.isEmpty() && (isUrl(path) || QFileInfo(path).isFile())) {
            const QByteArray t = path.toUtf8();
            const char* cmd[] = {"loadfile", t.constData(), nullptr};
            if (mpv_command(p.h, cmd) >= 0)
                p.loading = path;
        }
        return p;
    });
    if (QCoreApplication::instance())
        qAddPostRoutine(dropPrepared);
}

int MpvDevice::start(bool withVideo, const QString& path)
{
    if (withVideo && prepared().valid()) {
        Prepared p = prepared().get();
        // Another file loading there would send events that this open would take for its own.
        if (!p.loading.isEmpty() && p.loading != path)
            destroyPrepared(p);
        h_ = p.h;
        rc_ = p.rc;
        loadedAhead_ = !p.loading.isEmpty();
    }
    if (!h_)
        h_ = createHandle(withVideo);
    if (!h_)
        return MciErrCannotLoadDriver;
    if (withVideo && !rc_) {
        rc_ = createSoftwareOutput(h_);
        if (!rc_ && !setText(h_, "vo", "null"))
            return MciErrCannotLoadDriver;
    }
    if (rc_) {
        mpv_render_context_set_update_callback(rc_, onRenderUpdate, this);
        // A handle made ahead may hold a first frame already, waiting to be rendered: it
        // was announced before there was a callback to hear it.
        renderUpdate();
    }
    mpv_set_wakeup_callback(h_, onWakeup, this);
    return MciOk;
}

void MpvDevice::handleEvent(const mpv_event* e)
{
    switch (e->event_id) {
    case MPV_EVENT_PLAYBACK_RESTART: restarted_ = true; break;
    case MPV_EVENT_END_FILE: endFailed_ = true; break;
    default: break;
    }
}

void MpvDevice::drainEvents()
{
    // Asking an empty queue costs a round trip to the core; the wakeup says when to ask.
    // A wait in progress reads the events itself.
    if (!h_ || busy_ || !wakePending_.exchange(false))
        return;
    for (;;) {
        mpv_event* e = mpv_wait_event(h_, 0);
        if (e->event_id == MPV_EVENT_NONE)
            break;
        handleEvent(e);
    }
}

bool MpvDevice::waitFor(const std::function<bool(const mpv_event*)>& done, double seconds)
{
    ++busy_;
    const auto release = qScopeGuard([this] { --busy_; });
    QElapsedTimer t;
    t.start();
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    for (;;) {
        const double left = seconds - t.elapsed() / 1000.0;
        if (left <= 0 || abort_)
            return false;
        // Cleared before asking: an event queued after this sets it again.
        wakePending_.store(false);
        mpv_event* e = mpv_wait_event(h_, std::min(left, kSliceSeconds));
        if (e->event_id == MPV_EVENT_NONE) {
            // Frames are shown while waiting too.
            if (rc_)
                renderUpdate();
        } else {
            handleEvent(e);
            if (done(e)) {
                // Events queued behind this one stay queued, and libmpv calls the wakeup
                // again only once the queue has been emptied: the next drain must look.
                wakePending_.store(true);
                return true;
            }
        }
        // A file or stream that is slow to answer must not freeze the window: it repaints
        // and takes its close box meanwhile. Keys and clicks wait until the command is done.
        if (sinceEvents.elapsed() >= kEventsEveryMs) {
            runWindowEvents();
            sinceEvents.restart();
        }
    }
}

void MpvDevice::runWindowEvents()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MpvDevice::renderUpdate()
{
    if (rc_ && (mpv_render_context_update(rc_) & MPV_RENDER_UPDATE_FRAME))
        renderFrame();
}

void MpvDevice::renderFrame()
{
    if (!rc_)
        return;
    renderPicture();
    if (view_)
        view_->update();
}

void MpvDevice::renderPicture()
{
    if (!rc_)
        return;
    framePending_ = false;
    ++renders_;
    // Rendered at the view's size in device pixels, but never above the video's own size
    // in either direction: a larger picture costs conversion work and shows nothing more;
    // the view scales it up when it paints.
    const qreal dpr = view_ ? view_->devicePixelRatioF() : 1.0;
    QSize s = view_ ? (QSizeF(view_->size()) * dpr).toSize() : QSize(1, 1);
    if (!natural_.isEmpty())
        s = s.boundedTo(natural_);
    s = s.expandedTo(QSize(1, 1));
    if (frame_.size() != s)
        frame_ = QImage(s, QImage::Format_RGB32);
    int size[2] = {s.width(), s.height()};
    size_t stride = static_cast<size_t>(frame_.bytesPerLine());
    char format[] = "bgr0";
    // The frame is drawn when it is ready, not held back until its display time: that
    // wait would stop the window for up to a frame period on every frame.
    int noBlock = 0;
    mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, size},
                                 {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &noBlock},
                                 {MPV_RENDER_PARAM_SW_FORMAT, format},
                                 {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                 {MPV_RENDER_PARAM_SW_POINTER, frame_.bits()},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(rc_, params);
}

int MpvDevice::load(const QString& target, double deadline)
{
    const QByteArray t = target.toUtf8();
    const char* cmd[] = {"loadfile", t.constData(), nullptr};
    // A file loading since start-up only has to be waited for.
    if (!std::exchange(loadedAhead_, false) && mpv_command(h_, cmd) < 0)
        return MciErrInvalidFile;
    bool loaded = false;
    const bool answered = waitFor(
        [&](const mpv_event* e) {
            if (e->event_id == MPV_EVENT_FILE_LOADED)
                loaded = true;
            return e->event_id == MPV_EVENT_FILE_LOADED || e->event_id == MPV_EVENT_END_FILE;
        },
        deadline);
    if (!answered)
        return MciErrDeviceNotReady;
    if (!loaded)
        return MciErrInvalidFile;
    // Rest on the first frame before answering, so that the first status reads it.
    if (!waitFor([](const mpv_event* e) {
            return e->event_id == MPV_EVENT_PLAYBACK_RESTART || e->event_id == MPV_EVENT_END_FILE;
        }, deadline) || endFailed_)
        return MciErrInvalidFile;
    return MciOk;
}

double MpvDevice::timePos() const
{
    double d = 0;
    if (!h_ || mpv_get_property(h_, prop::timePos, MPV_FORMAT_DOUBLE, &d) < 0)
        return first_;
    return d;
}


int MpvDevice::openFile(const QString& path, QWidget* parent)
{
    if (!isUrl(path) && !QFileInfo(path).isFile())
        return MciErrFileNotFound;
    const bool withVideo = parent && videoOutputAvailable();
    int rc = start(withVideo, path);
    if (rc == MciOk)
        rc = load(path, isUrl(path) ? kOpenUrlSeconds : kOpenSeconds);
    if (rc != MciOk) {
        destroy();
        return rc;
    }
    // One read of the whole list instead of one per track and field.
    mpv_node list;
    if (mpv_get_property(h_, prop::trackList, MPV_FORMAT_NODE, &list) >= 0) {
        if (list.format == MPV_FORMAT_NODE_ARRAY) {
            for (int i = 0; i < list.u.list->num; ++i) {
                const mpv_node& track = list.u.list->values[i];
                if (track.format != MPV_FORMAT_NODE_MAP)
                    continue;
                QByteArray type;
                bool albumArt = false;
                for (int k = 0; k < track.u.list->num; ++k) {
                    const QByteArray key(track.u.list->keys[k]);
                    const mpv_node& v = track.u.list->values[k];
                    if (key == "type" && v.format == MPV_FORMAT_STRING)
                        type = v.u.string;
                    else if (key == "albumart" && v.format == MPV_FORMAT_FLAG)
                        albumArt = v.u.flag;
                }
                if (type == "audio")
                    hasAudio_ = true;
                else if (type == "video" && !albumArt)
                    hasVideo_ = true;
            }
        }
        mpv_free_node_contents(&list);
    }
    if (!hasVideo_ && !hasAudio_) {
        destroy();
        return MciErrInvalidFile;
    }
    first_ = getDouble(h_, prop::timePos, 0.0);
    fps_ = hasVideo_ ? frameRateOf(getDouble(h_, prop::containerFps, 0.0), getDouble(h_, prop::estimatedVfFps, 0.0))
                     : 25.0;
    duration_ = getDouble(h_, prop::duration, 0.0);
    // The demuxer seeks by decoding time. With B-frames a key frame is decoded a few frame
    // periods before it is shown, so a target just before a key frame's picture lies after
    // its decoding time: the demuxer would start at that key frame and land on it, one
    // past the target (measured on H.264 in FLV: frame 49 of a key frame at 50 gave 50).
    // Sent back by the longest usual reorder delay, it starts at the key frame before.
    // Program streams carry no index: there the demuxer lands after the target unless it
    // is sent back further.
    double demuxerOffset = hasVideo_ ? kReorderFrames / fps_ : 0.0;
    if (getString(h_, prop::fileFormat).contains(QLatin1String("mpeg")))
        demuxerOffset = 1.0;
    if (demuxerOffset > 0 && !setDouble(h_, prop::hrSeekDemuxerOffset, demuxerOffset)) {
        destroy();
        return MciErrHardware;
    }
    if (hasVideo_) {
        int64_t w = getInt(h_, prop::dwidth, 0), hh = getInt(h_, prop::dheight, 0);
        if (w <= 0 || hh <= 0) {
            w = getInt(h_, prop::width, 0);
            hh = getInt(h_, prop::height, 0);
        }
        natural_ = QSize(int(w), int(hh));
        dest_ = QRect(QPoint(0, 0), natural_);
        if (rc_) {
            // The caller mostly puts the picture somewhere else at once: a first render at
            // the natural size would be thrown away (a full-size conversion, 8 ms for 1080p
            // here). It runs when the events do, or when the view paints, unless a put came
            // first.
            holdRender_ = true;
            view_ = new VideoView(parent, this);
            view_->setGeometry(dest_);
            view_->show();
            holdRender_ = false;
            framePending_ = true;
            QMetaObject::invokeMethod(
                this, [this] {
                    if (framePending_)
                        renderFrame();
                },
                Qt::QueuedConnection);
        }
    }
    mode_ = Mode::Stopped;
    return MciOk;
}

int MpvDevice::openCd(const QString& drive)
{
    // The drive letter of the command names the first optical drive, the next letter the
    // next one: there is no letter to drive map of the system to follow.
    const QStringList candidates{QStringLiteral("/dev/cdrom"), QStringLiteral("/dev/sr0"),
                                 QStringLiteral("/dev/sr1"), QStringLiteral("/dev/sr2")};
    QStringList drives;
    for (const QString& c : candidates) {
        const QString real = QFileInfo(c).canonicalFilePath();
        if (!real.isEmpty() && !drives.contains(real))
            drives << real;
    }
    const QChar letter = drive.isEmpty() ? QChar('D') : drive.at(0).toUpper();
    const int index = letter.unicode() >= 'D' ? letter.unicode() - 'D' : 0;
    if (index >= drives.size())
        return MciErrInvalidDeviceName;
    int rc = start(false);
    if (rc == MciOk) {
        mpv_set_option_string(h_, "cdrom-device", drives.at(index).toUtf8().constData());
        rc = load(QStringLiteral("cdda://"), kOpenSeconds);
    }
    if (rc != MciOk) {
        destroy();
        return rc;
    }
    cd_ = true;
    hasAudio_ = true;
    ms_ = true;
    fps_ = 1000.0;
    first_ = 0.0;
    duration_ = getDouble(h_, prop::duration, 0.0);
    mode_ = Mode::Stopped;
    return MciOk;
}

double MpvDevice::secondsOf(qint64 pos) const
{
    if (cd_)
        return pos / 1000.0;
    return first_ + (ms_ ? pos / 1000.0 : pos / fps_);
}

qint64 MpvDevice::unitsOf(double seconds) const
{
    if (cd_)
        return qint64(roundHalfEven(seconds * 1000.0));
    return qint64(roundHalfEven((seconds - first_) * (ms_ ? 1000.0 : fps_)));
}

bool MpvDevice::clearPlayLimits()
{
    // Each write is a round trip to the core: skip them when nothing was set.
    if (!limits_)
        return true;
    limits_ = false;
    endTarget_.reset();
    bool ok = setText(h_, prop::end, "none");
    ok = setText(h_, prop::abLoopA, "no") && ok;
    ok = setText(h_, prop::abLoopB, "no") && ok;
    return setText(h_, prop::loopFile, "no") && ok;
}

bool MpvDevice::setPaused(bool paused)
{
    // A start that was put off for a pause right behind it is given up by any change.
    ++startTicket_;
    if (paused == paused_)
        return true;
    if (!setFlag(h_, prop::pause, paused))
        return false;
    paused_ = paused;
    runs_ += paused ? 0 : 1;
    return true;
}

int MpvDevice::exactSeek(double seconds)
{
    seconds = std::max(0.0, seconds);
    // A stream that cannot seek says so at once instead of letting the wait run out.
    if (!getFlag(h_, prop::seekable) && !getFlag(h_, prop::partiallySeekable))
        return MciErrUnsupportedFunction;
    // Paused at the end of a video, a seek that lands on one of the last pictures runs
    // into the end of the file (the decoder's delayed pictures and the sound's tail), and
    // libmpv's own step back to the last picture then rests, now and then, on the last key
    // frame instead (measured on H.264 in FLV: frame 73 of 100, in 2 of 60 seeks). The
    // last stretch is therefore reached from before it, picture by picture.
    if (paused_ && hasVideo_ && !cd_ && fps_ > 0 && seconds > duration_ - kTailSeconds)
        return tailSeek(seconds);
    if (!seekAndSettle(seconds))
        return MciErrOutOfRange;
    // A target past the last picture (the length counts the sound's tail) runs into the
    // end of the file, and libmpv then rests on the last key frame instead (measured on
    // H.264 in FLV: frame 73 of 100). Step back onto the last real picture.
    if (fps_ <= 0 || seconds <= duration_ - 0.5)
        return MciOk;
    const auto shortOf = [this](double target) { return timePos() < target - 1.5 / fps_; };
    // The clock may only be late: wait for it before taking the landing for wrong.
    QElapsedTimer late;
    late.start();
    while (shortOf(seconds) && late.elapsed() < 400)
        pump(0.03);
    if (!shortOf(seconds))
        return MciOk;
    const double back = std::max(0.0, seconds - kTailFrames / fps_);
    seekAndSettle(back);
    // libmpv leaves the end of the file slowly: give the clock time to arrive.
    QElapsedTimer arrive;
    arrive.start();
    while (shortOf(back) && arrive.elapsed() < 1500) {
        pump(0.03);
        if (arrive.elapsed() > 500 && shortOf(back))
            seekAndSettle(back);
    }
    return MciOk;
}

int MpvDevice::tailSeek(double seconds)
{
    const double approach = std::max(0.0, std::min(seconds, duration_ - kTailSeconds));
    const double now = timePos();
    // A step forward inside the last stretch goes on from the picture shown.
    const bool onTheWay = restTime_ && std::abs(now - *restTime_) < 0.5 / fps_ && now >= approach - 0.5 / fps_
        && now < seconds && !getFlag(h_, prop::eofReached);
    if (!onTheWay && !seekAndSettle(approach))
        return MciErrOutOfRange;
    QElapsedTimer total;
    total.start();
    while (timePos() < seconds - 0.5 / fps_ && !getFlag(h_, prop::eofReached)
           && total.elapsed() < qint64(kSeekSeconds * 1000)) {
        const double before = timePos();
        const char* cmd[] = {"frame-step", nullptr};
        if (mpv_command(h_, cmd) < 0)
            break;
        // A step plays one picture at its own pace and pauses again.
        QElapsedTimer one;
        one.start();
        while (timePos() == before && !getFlag(h_, prop::eofReached) && one.elapsed() < 1000)
            pump(0.005);
        if (timePos() == before)
            break;
    }
    // Past the last picture the clock is the sound's: the position stays the one asked for.
    restTime_ = seconds;
    return MciOk;
}

bool MpvDevice::seekAndSettle(double seconds)
{
    // A restart left over from an earlier seek (keep-open steps back by itself at the end)
    // must not pass for the end of this one.
    wakePending_.store(true);
    drainEvents();
    const double before = timePos();
    const QByteArray t = number(seconds);
    const char* cmd[] = {"seek", t.constData(), "absolute+exact", nullptr};
    if (mpv_command(h_, cmd) < 0)
        return false;
    ++seeks_;
    restTime_ = seconds;
    // The seek command only queues the seek; the restart that counts is one that follows
    // the seek's own start. A restart of an earlier seek (keep-open's step back at the end
    // of the file) can still arrive in between.
    // One limit for the whole seek, so that a stream that does not answer fails in time.
    QElapsedTimer settle;
    settle.start();
    bool started = false;
    if (!waitFor([&started](const mpv_event* e) {
            if (e->event_id == MPV_EVENT_SEEK)
                started = true;
            return e->event_id == MPV_EVENT_END_FILE || (started && e->event_id == MPV_EVENT_PLAYBACK_RESTART);
        }, kSeekSeconds))
        return false;
    // The seek is done only when libmpv no longer says it is seeking (measured: on a busy
    // machine the clock sat on the key frame before the target after a stray restart).
    while (getFlag(h_, "seeking") && settle.elapsed() < qint64(kSeekSeconds * 1000))
        pump(0.02);
    // Paused and away from the end, a clock that is neither near the target nor has left
    // where it stood before the seek (or sits at the end, where this seek cannot land)
    // belongs to the picture before: the seek has not been carried out yet (measured:
    // frame 101 read back after a seek from the last frame to frame 1, on a loaded
    // machine). A clock that moved elsewhere is a landing: with irregular frame times the
    // next picture can be well after the target, and waiting for it would only stall.
    if (paused_ && fps_ > 0 && seconds <= duration_ - 0.5) {
        const double tolerance = 1.5 / fps_;
        const auto pending = [&] {
            const double now = timePos();
            return std::abs(now - seconds) > tolerance
                && (std::abs(now - before) <= tolerance || now > duration_ - 0.5);
        };
        while (pending() && settle.elapsed() < qint64(kSeekSeconds * 1000))
            pump(0.02);
    }
    return true;
}

void MpvDevice::pump(double seconds)
{
    waitFor([](const mpv_event*) { return false; }, seconds);
}

int MpvDevice::play(std::optional<qint64> from, std::optional<qint64> to, bool repeat)
{
    if (!clearPlayLimits())
        return MciErrHardware;
    const double lead = ms_ || cd_ ? 0.0 : kSeekLead;
    if (from) {
        // The device rests paused on the start until the play really begins.
        if (!setPaused(true))
            return MciErrHardware;
        const int rc = exactSeek(secondsOf(*from) - lead);
        if (rc != MciOk)
            return rc;
    } else if (getFlag(h_, prop::eofReached)) {
        // Leave the end state, or the device would not move.
        const int rc = exactSeek(timePos());
        if (rc != MciOk)
            return rc;
    }
    if (to) {
        // The end sits half a frame after frame b, so that b is still shown and b + 1 not.
        const double end = secondsOf(*to) + (ms_ || cd_ ? 0.0 : 0.5 / fps_);
        limits_ = true;
        bool ok;
        if (repeat) {
            ok = setTime(h_, prop::abLoopA, from ? secondsOf(*from) - lead : timePos())
                && setTime(h_, prop::abLoopB, end);
        } else {
            ok = setTime(h_, prop::end, end);
            endTarget_ = *to;
        }
        if (!ok)
            return MciErrHardware;
    } else if (repeat) {
        limits_ = true;
        if (!setText(h_, prop::loopFile, "inf"))
            return MciErrHardware;
    }
    mode_ = Mode::Playing;
    restTime_.reset();
    if (from && paused_) {
        // "pause, play from n, pause" is how callers move a paused device: the start is put
        // off until the events run, so that a pause right behind it finds the picture
        // already on n (one decode, and the sound never starts).
        const quint64 ticket = ++startTicket_;
        restTime_ = secondsOf(*from) - lead;
        QMetaObject::invokeMethod(this, [this, ticket] { startPutOff(ticket); }, Qt::QueuedConnection);
        return MciOk;
    }
    return setPaused(false) ? MciOk : MciErrHardware;
}

void MpvDevice::startPutOff(quint64 ticket)
{
    if (ticket != startTicket_ || mode_ != Mode::Playing || !h_)
        return;
    restTime_.reset();
    setPaused(false);
}

int MpvDevice::pause()
{
    mode();
    if (!setPaused(true))
        return MciErrHardware;
    mode_ = Mode::Paused;
    return MciOk;
}

int MpvDevice::resume()
{
    if (mode_ == Mode::Paused) {
        if (!setPaused(false))
            return MciErrHardware;
        mode_ = Mode::Playing;
        restTime_.reset();
    }
    return MciOk;
}

int MpvDevice::stop()
{
    mode();
    const bool ok = setPaused(true) && clearPlayLimits();
    mode_ = Mode::Stopped;
    return ok ? MciOk : MciErrHardware;
}

int MpvDevice::seekTo(qint64 pos)
{
    const bool ok = setPaused(true) && clearPlayLimits();
    mode_ = Mode::Stopped;
    if (!ok)
        return MciErrHardware;
    if (cd_ || ms_)
        return exactSeek(secondsOf(std::clamp<qint64>(pos, 0, std::max<qint64>(0, length()))));
    // The last frame is the last place a seek can rest on.
    const qint64 last = std::max<qint64>(0, length() - 1);
    return exactSeek(secondsOf(std::clamp<qint64>(pos, 0, last)) - kSeekLead);
}

int MpvDevice::seekToEnd()
{
    if (cd_ || ms_)
        return seekTo(length());
    return seekTo(std::max<qint64>(0, length() - 1));
}

int MpvDevice::step(int frames)
{
    if (cd_)
        return MciErrUnsupportedFunction;
    if (!setPaused(true) || !clearPlayLimits())
        return MciErrHardware;
    const qint64 total = qint64(roundHalfEven((duration_ - first_) * fps_));
    const qint64 cur = qint64(roundHalfEven((restingTimePos() - first_) * fps_));
    const qint64 target = std::clamp<qint64>(cur + frames, 0, std::max<qint64>(0, total - 1));
    mode_ = Mode::Paused;
    // A step that cannot move (at either end) leaves the picture where it is: seeking
    // again onto the last picture lets libmpv's clock wander off it.
    if (target == cur && restTime_)
        return MciOk;
    return exactSeek(first_ + target / fps_ - kSeekLead);
}

int MpvDevice::put(const QRect& r)
{
    if (!hasVideo_)
        return MciErrNoWindow;
    dest_ = r;
    if (view_) {
        // A new size renders in the view's resize event; render once, not twice.
        const int before = renders_;
        view_->setGeometry(r);
        view_->show();
        if (renders_ == before)
            renderFrame();
    }
    return MciOk;
}

int MpvDevice::whereSource(QRect& r)
{
    if (!hasVideo_)
        return MciErrNoWindow;
    r = QRect(QPoint(0, 0), natural_);
    return MciOk;
}

int MpvDevice::whereDestination(QRect& r)
{
    if (!hasVideo_)
        return MciErrNoWindow;
    r = dest_;
    return MciOk;
}

int MpvDevice::setVolume(int perMille)
{
    if (perMille < 0 || perMille > 1000)
        return MciErrOutOfRange;
    // The scale is linear in amplitude, 1000 being the file as it is (500 = -6 dB);
    // libmpv's volume is cubic in amplitude.
    return setDouble(h_, prop::volume, 100.0 * std::cbrt(perMille / 1000.0)) ? MciOk : MciErrHardware;
}

int MpvDevice::setAudio(bool on)
{
    if (!hasAudio_)
        return MciErrUnsupportedFunction;
    if (!setFlag(h_, prop::mute, !on))
        return MciErrHardware;
    audioOn_ = on;
    return MciOk;
}

int MpvDevice::setSpeed(int perMille)
{
    if (perMille < 10 || perMille > 100000)
        return MciErrOutOfRange;
    if (!setDouble(h_, prop::speed, perMille / 1000.0))
        return MciErrHardware;
    speed_ = perMille;
    return MciOk;
}

QString MpvDevice::mode()
{
    if (!busy_)
        drainEvents();
    // A start still put off has not played at all: an end flagged now is not its end.
    if (!busy_ && mode_ == Mode::Playing && !paused_ && getFlag(h_, prop::eofReached)) {
        setPaused(true);
        mode_ = Mode::Stopped;
        // A range ends on its last frame, as it was asked to. libmpv normally stops right
        // there; only a landing elsewhere costs another seek.
        if (endTarget_) {
            const qint64 target = *endTarget_;
            clearPlayLimits();
            if (unitsOf(timePos()) != target)
                exactSeek(secondsOf(target) - (ms_ || cd_ ? 0.0 : kSeekLead));
        }
    }
    switch (mode_) {
    case Mode::Playing: return QStringLiteral("playing");
    case Mode::Paused: return QStringLiteral("paused");
    case Mode::Stopped: break;
    }
    return QStringLiteral("stopped");
}

double MpvDevice::restingTimePos()
{
    // Resting on the last picture, libmpv's clock runs on to the end of the sound; the
    // picture shown is still the one the seek went to.
    // That clock can run ahead even before the end is flagged, so at rest near the end
    // of the file a clock ahead of the seek's target is taken for this.
    const double t = timePos();
    if (mode_ != Mode::Playing && restTime_ && *restTime_ > duration_ - 0.25
        && (t > *restTime_ + 0.5 / fps_ || getFlag(h_, prop::eofReached)))
        return *restTime_;
    return t;
}

qint64 MpvDevice::position()
{
    // Past the last picture the clock is the sound's; a position never passes the length.
    const qint64 p = unitsOf(restingTimePos());
    return cd_ ? p : std::clamp<qint64>(p, 0, std::max<qint64>(0, length()));
}

qint64 MpvDevice::length()
{
    if (cd_)
        return qint64(roundHalfEven(duration_ * 1000.0));
    return std::max<qint64>(0, unitsOf(duration_));
}

int MpvDevice::trackCount() const { return cd_ ? int(getInt(h_, prop::chapterCount, 0)) : 0; }

int MpvDevice::trackStart(int track, qint64& ms)
{
    if (!cd_ || track < 1 || track > trackCount())
        return MciErrOutOfRange;
    const QByteArray p = "chapter-list/" + QByteArray::number(track - 1) + "/time";
    ms = qint64(roundHalfEven(getDouble(h_, p.constData(), 0.0) * 1000.0));
    return MciOk;
}

int MpvDevice::trackLength(int track, qint64& ms)
{
    qint64 start = 0, next = 0;
    const int rc = trackStart(track, start);
    if (rc != MciOk)
        return rc;
    if (trackStart(track + 1, next) != MciOk)
        next = length();
    ms = next - start;
    return MciOk;
}

int MpvDevice::frameRateMilli() const { return int(roundHalfEven(fps_ * 1000.0)); }

QImage MpvDevice::snapshot(const QSize& size)
{
    if (!hasVideo_ || !h_)
        return QImage();
    mpv_node args[2];
    args[0].format = MPV_FORMAT_STRING;
    args[0].u.string = const_cast<char*>("screenshot-raw");
    args[1].format = MPV_FORMAT_STRING;
    args[1].u.string = const_cast<char*>("video");
    mpv_node_list list{2, args, nullptr};
    mpv_node cmd;
    cmd.format = MPV_FORMAT_NODE_ARRAY;
    cmd.u.list = &list;
    mpv_node res;
    if (mpv_command_node(h_, &cmd, &res) < 0)
        return QImage();
    int64_t w = 0, hh = 0, stride = 0;
    QString format;
    const mpv_byte_array* data = nullptr;
    if (res.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < res.u.list->num; ++i) {
            const QByteArray key(res.u.list->keys[i]);
            const mpv_node& v = res.u.list->values[i];
            if (key == "w" && v.format == MPV_FORMAT_INT64) w = v.u.int64;
            else if (key == "h" && v.format == MPV_FORMAT_INT64) hh = v.u.int64;
            else if (key == "stride" && v.format == MPV_FORMAT_INT64) stride = v.u.int64;
            else if (key == "format" && v.format == MPV_FORMAT_STRING) format = QString::fromUtf8(v.u.string);
            else if (key == "data" && v.format == MPV_FORMAT_BYTE_ARRAY) data = v.u.ba;
        }
    }
    QImage img;
    if (data && w > 0 && hh > 0 && stride >= w * 4 && format == QLatin1String("bgr0")
        && data->size >= size_t(stride * hh)) {
        img = QImage(static_cast<const uchar*>(data->data), int(w), int(hh), int(stride),
                     QImage::Format_RGB32).copy();
        // The fourth byte is undefined in this format; make the picture opaque.
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] |= 0xff000000u;
        }
    }
    mpv_free_node_contents(&res);
    if (!img.isNull() && size.isValid() && !size.isEmpty() && size != img.size())
        img = img.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return img;
}

} // namespace media
