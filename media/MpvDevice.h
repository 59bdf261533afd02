#pragma once
// One device of the media control interface, played by libmpv. The interpreter parses
// the command strings; this class gives them their meaning. All calls come from the
// thread that made the device (the GUI thread in the program).
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

struct mpv_handle;
struct mpv_event;
struct mpv_render_context;
class QWidget;

namespace media {

class VideoView;

class MpvDevice : public QObject {
    Q_OBJECT
public:
    enum class Mode { Stopped, Playing, Paused };

    MpvDevice();
    ~MpvDevice() override;
    MpvDevice(const MpvDevice&) = delete;
    MpvDevice& operator=(const MpvDevice&) = delete;

    // Both return when the media is loaded (resting on its first frame) or has failed.
    int openFile(const QString& path, QWidget* parent);
    int openCd(const QString& drive);

    bool isCd() const { return cd_; }
    bool hasVideo() const { return hasVideo_; }
    bool hasAudio() const { return hasAudio_; }
    bool showsVideo() const; // draws into a widget (not headless)
    mpv_handle* handle() const { return h_; }

    void setMsFormat(bool ms) { ms_ = ms; }
    bool msFormat() const { return ms_; }

    // Positions are in the current time format (frames or milliseconds; milliseconds
    // from the start of the disc for a CD).
    int play(std::optional<qint64> from, std::optional<qint64> to, bool repeat);
    int pause();
    int resume();
    int stop();
    int seekTo(qint64 pos);
    int seekToEnd();
    int step(int frames);
    int put(const QRect& r);
    int whereSource(QRect& r);
    int whereDestination(QRect& r);
    int setVolume(int perMille);
    int setAudio(bool on);
    int setSpeed(int perMille);

    QString mode();
    qint64 position();
    qint64 length();
    int trackStart(int track, qint64& ms);
    int trackLength(int track, qint64& ms);
    int frameRateMilli() const;
    bool audioOn() const { return audioOn_; }
    int speedPerMille() const { return speed_; }
    int trackCount() const;

    // The current frame as decoded, scaled to size (an empty size keeps the natural one);
    // a null image when there is no picture.
    QImage snapshot(const QSize& size);

    // True while the device waits for libmpv (window events run meanwhile); the
    // interpreter answers only status queries and "close" for it then.
    bool busy() const { return busy_ > 0; }
    // True while libmpv is held paused (also at rest after an open or a seek).
    bool paused() const { return paused_; }
    // Ends the wait in progress with a failure (the alias was closed meanwhile).
    void abortWait() { abort_ = true; }

    // Frame numbers and times of the open file (tests and benchmarks read them).
    double fps() const { return fps_; }
    double firstTime() const { return first_; }
    // Seeks sent to libmpv, and times playback was let run, since the open.
    int seeksSent() const { return seeks_; }
    int runsStarted() const { return runs_; }

private slots:
    void drainEvents();
    void renderUpdate();

private:
    int start(bool withVideo, const QString& path = QString());
    int load(const QString& target, double deadline);
    void handleEvent(const mpv_event* e);
    bool waitFor(const std::function<bool(const mpv_event*)>& done, double seconds);
    // Sends an exact seek and waits until libmpv has finished it.
    bool seekAndSettle(double seconds);
    // Lets events and frames run for a while.
    void pump(double seconds);
    static void runWindowEvents();
    int exactSeek(double seconds);
    int tailSeek(double seconds);
    bool clearPlayLimits();
    void startPutOff(quint64 ticket);
    double secondsOf(qint64 pos) const;
    qint64 unitsOf(double seconds) const;
    double timePos() const;
    double restingTimePos();
    // Renders the current frame for the view and has it repaint.
    void renderFrame();
    void renderPicture();
    void destroy();
    static void onWakeup(void* ctx);
    bool setPaused(bool paused);

    mpv_handle* h_ = nullptr;
    mpv_render_context* rc_ = nullptr;
    QPointer<VideoView> view_;
    QImage frame_;
    Mode mode_ = Mode::Stopped;
    bool cd_ = false;
    bool hasVideo_ = false;
    bool hasAudio_ = false;
    bool ms_ = false;
    bool audioOn_ = true;
    bool endFailed_ = false;
    bool restarted_ = false;
    int speed_ = 1000;
    double fps_ = 25.0;
    double first_ = 0.0;
    double duration_ = 0.0;
    QSize natural_;
    QRect dest_;
    std::atomic<bool> wakePending_{true};
    std::atomic<bool> paused_{true}; // mirrors the "pause" property, which only this class sets
    bool limits_ = false; // an end, a loop or an A-B loop is set
    std::optional<qint64> endTarget_;
    quint64 startTicket_ = 0; // a put-off start runs only while this is unchanged
    std::atomic<int> busy_{0}; // read by libmpv's threads too
    bool loadedAhead_ = false;
    int seeks_ = 0;
    int runs_ = 0;
    int renders_ = 0;
    bool holdRender_ = false;   // the view's resize event leaves the picture alone
    bool framePending_ = false; // the open's first picture is not rendered yet
    bool abort_ = false;
    std::optional<double> restTime_; // where the last seek left the device at rest
    friend class VideoView;
};

// The frame rate of a video from the container's figure and the decoder's (0 when
// unknown): the decoder's where they disagree, a usual rate where the figure is a
// millisecond-rounded guess of it, 25 when neither is usable.
double frameRateOf(double container, double decoder);

// Starts making, on a thread of its own, the libmpv handle that the first device showing
// video will use, and loading path in it (when not empty), so that this overlaps the
// building of the windows. A first open of another file makes a handle of its own.
void prepareVideoDevice(const QString& path = QString());

// True when video can be shown on this display (a GUI platform other than offscreen or
// minimal, and ZORVO_MPV_VO is not "null").
bool videoOutputAvailable();

} // namespace media

namespace media {
// The device the interpreter holds under an alias (case does not matter); null when the
// alias is not open.
MpvDevice* mciDevice(const QString& alias);
// Snapshot of the current frame of an alias's device, scaled to the video area's size.
QImage mciSnapshot(const QString& alias, const QSize& size);
} // namespace media
