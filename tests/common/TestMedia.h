#pragma once
// The clips that the build makes with ffmpeg (scripts/make-media.sh): every video is
// 25 frames a second with a key frame each second; the lengths are exact.
#include <QString>

namespace testmedia {

struct Clip {
    const char* file;   // name inside the media folder
    int frames;         // video frames (0 for sound only)
    double seconds;
    int width, height;
    bool hasAudio, hasVideo;
    const char* videoCodec; // ffprobe's name, "" for none
    const char* audioCodec;
};

inline constexpr Clip Flv1Mp3{"flv1_mp3.flv", 100, 4.0, 320, 240, true, true, "flv1", "mp3"};
inline constexpr Clip H264AacFlv{"h264_aac.flv", 100, 4.0, 320, 240, true, true, "h264", "aac"};
inline constexpr Clip Mpeg1Mp2{"mpeg1_mp2.mpg", 100, 4.0, 352, 288, true, true, "mpeg1video", "mp2"};
inline constexpr Clip Mpeg4Mp3Avi{"mpeg4_mp3.avi", 100, 4.0, 320, 240, true, true, "mpeg4", "mp3"};
inline constexpr Clip Wmv2Wma2{"wmv2_wma2.wmv", 100, 4.0, 320, 240, true, true, "wmv2", "wmav2"};
inline constexpr Clip H264AacMp4{"h264_aac.mp4", 100, 4.0, 320, 240, true, true, "h264", "aac"};
inline constexpr Clip SilentFlv{"flv1_silent.flv", 100, 4.0, 320, 240, false, true, "flv1", ""};
inline constexpr Clip Video640{"video640.flv", 100, 4.0, 640, 480, true, true, "flv1", "mp3"};
inline constexpr Clip ToneMp3{"tone.mp3", 0, 4.0, 0, 0, true, false, "", "mp3"};
inline constexpr Clip ToneWav{"tone.wav", 0, 4.0, 0, 0, true, false, "", "pcm_s16le"};
inline constexpr Clip LongFlv{"long.flv", 500, 20.0, 320, 240, true, true, "flv1", "mp3"};
inline constexpr Clip CjkFlv{"中文 目录/测试 片段.flv", 100, 4.0, 320, 240, true, true, "flv1", "mp3"};
inline constexpr Clip Sample{"sample.flv", 250, 10.0, 640, 360, true, true, "h264", "aac"};
// A sound file of no length at all.
inline constexpr Clip ZeroWav{"zero.wav", 0, 0, 0, 0, true, false, "", "pcm_s16le"};
// A text file named .flv.
inline constexpr Clip Garbage{"garbage.flv", 0, 0, 0, 0, false, false, "", ""};

// Absolute path of a clip in the build's media folder.
QString path(const Clip& clip);
QString mediaDir();
QString binDir();       // where Zorvo.FLV and ZorvoResFLV are built
QString ffmpeg();
QString ffprobe();

// Runs ffprobe with the given arguments on a file and returns its standard output.
QString probe(const QString& file, const QStringList& args);
// Number of decoded video frames (ffprobe -count_frames); -1 on failure.
int countVideoFrames(const QString& file);
// Container duration in seconds; -1 on failure.
double durationOf(const QString& file);

// A fresh empty folder under the system temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    QString path() const { return path_; }
    QString file(const QString& name) const { return path_ + QLatin1Char('/') + name; }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

private:
    QString path_;
};

} // namespace testmedia
