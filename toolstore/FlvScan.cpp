#include "FlvScan.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace flvscan {

namespace {

quint32 be(const uchar* p, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

double beDouble(const uchar* p)
{
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = (bits << 8) | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

struct Tag {
    int type = 0;
    qint64 next = 0;  // where the following tag starts
    double dts = 0;   // seconds
    double pts = 0;
    bool frame = false; // a picture (not a sequence header or a command)
    bool key = false;
    bool header = false; // a codec header (AVC or HEVC sequence header, AAC configuration)
};

// The first 16 bytes of tags. Where the tags are large each header is read alone, so
// that their data is not read for nothing; where they are small (a few hundred bytes of
// sound, pictures of a low rate) one read brings the headers of a hundred tags.
class TagHeaders {
public:
    explicit TagHeaders(const QFile& f) : fd_(f.handle()), size_(f.size()) {}
    // False when fewer than 11 bytes are there.
    bool at(qint64 pos, uchar (&b)[16])
    {
        if (pos + 11 > size_)
            return false;
        if (!(pos >= start_ && pos + 16 <= start_ + length_)) {
            const bool small = meanStep_ < 2048;
            const ssize_t n = ::pread(fd_, window_, small ? sizeof window_ : 16, pos);
            start_ = pos;
            length_ = n > 0 ? n : 0;
        }
        const qint64 got = std::min<qint64>(16, start_ + length_ - pos);
        if (got < 11)
            return false;
        std::memset(b, 0, sizeof b);
        std::memcpy(b, window_ + (pos - start_), static_cast<size_t>(got));
        if (pos > last_ && pos - last_ < (1 << 24))
            meanStep_ += (pos - last_ - meanStep_) / 8;
        last_ = pos;
        return true;
    }

private:
    int fd_;
    qint64 size_;
    uchar window_[64 * 1024];
    qint64 start_ = 0, length_ = 0;
    qint64 last_ = 0, meanStep_ = 1 << 20; // large until tags have been seen
};

// The tag at pos from its first 16 bytes; false past the end or on something that is no tag.
bool readTag(TagHeaders& h, qint64 pos, Tag& t)
{
    uchar b[16];
    if (!h.at(pos, b))
        return false;
    t.type = b[0] & 0x1f;
    if (t.type != 8 && t.type != 9 && t.type != 18)
        return false;
    const qint64 size = be(b + 1, 3);
    t.next = pos + 11 + size + 4;
    t.dts = static_cast<double>(be(b + 4, 3) | (quint32(b[7]) << 24)) / 1000.0;
    t.pts = t.dts;
    t.frame = t.key = t.header = false;
    if (t.type == 8 && size >= 2)
        t.header = (b[11] >> 4) == 10 && b[12] == 0;
    if (t.type == 9 && size >= 1) {
        const int frameType = b[11] >> 4;
        const int codec = b[11] & 0x0f;
        t.frame = frameType != 5;
        t.key = frameType == 1;
        if (codec == 7 || codec == 12) {
            // AVC/HEVC: a packet type (0 header, 1 picture, 2 end) and a composition offset.
            t.frame = t.frame && size >= 5 && b[12] == 1;
            t.header = size >= 2 && b[12] == 0;
            qint32 cts = static_cast<qint32>(be(b + 13, 3));
            if (cts & 0x800000)
                cts -= 0x1000000;
            t.pts = t.dts + cts / 1000.0;
        }
    }
    return true;
}

qsizetype findKey(const QByteArray& data, const char* name)
{
    const int n = static_cast<int>(std::strlen(name));
    QByteArray key;
    key.append(char(0)).append(char(n)).append(name, n).append(char(0x0a)); // strict array
    return data.indexOf(key) < 0 ? -1 : data.indexOf(key) + key.size();
}

QList<double> numbers(const QByteArray& data, qsizetype at)
{
    QList<double> out;
    if (at < 0 || at + 4 > data.size())
        return out;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const quint32 count = be(p + at, 4);
    qsizetype i = at + 4;
    for (quint32 k = 0; k < count && i + 9 <= data.size(); ++k, i += 9) {
        if (p[i] != 0) // not a number
            return {};
        out.append(beDouble(p + i + 1));
    }
    return out;
}

} // namespace

QList<IndexEntry> parseKeyframeIndex(const QByteArray& scriptData)
{
    const QList<double> times = numbers(scriptData, findKey(scriptData, "times"));
    const QList<double> positions = numbers(scriptData, findKey(scriptData, "filepositions"));
    QList<IndexEntry> index;
    if (times.size() != positions.size())
        return index;
    for (qsizetype i = 0; i < times.size(); ++i)
        if (std::isfinite(times[i]) && std::isfinite(positions[i]) && positions[i] >= 0)
            index.append({times[i], static_cast<qint64>(positions[i])});
    return index;
}

double Lookup::seekTime(double keyDts) const
{
    constexpr double reorder = 3.0 / 23 + 0.002;
    if (index == Index::Valid) {
        qsizetype e = -1;
        for (qsizetype i = 0; i < entries.size(); ++i)
            if (entries[i].realDts >= 0 && entries[i].realDts <= keyDts + 0.0005)
                e = i;
        if (e >= 0) {
            const double gap = e + 1 < entries.size() ? entries[e + 1].time - entries[e].time : 1.0;
            return entries[e].time + std::max(0.0, std::min(reorder, gap - 0.002));
        }
    }
    // Without an index ffmpeg goes by the key frames it reads, at their own times.
    double nextKey = keyDts + 1.0;
    for (const mcd::Packet& p : keys)
        if (p.dts > keyDts + 0.0005) {
            nextKey = p.dts;
            break;
        }
    return keyDts + std::max(0.0, std::min(reorder, nextKey - keyDts - 0.002));
}

QString Lookup::inputFrom(const QString& file, double keyDts, double dropAfter, double dropBefore) const
{
    qsizetype i = 0;
    while (i < keys.size() && keys[i].dts != keyDts)
        ++i;
    if (places.size() != keys.size() || i == keys.size() || headEnd <= 0 || places[i].readFrom <= headEnd)
        return QString();
    const KeyPlace& k = places[i];
    // The concat protocol splits its list at "|"; subfile takes the rest as it stands.
    const QString path = QFileInfo(file).absoluteFilePath();
    if (path.contains(QLatin1Char('|')))
        return QString();
    // Ranges of the file in the order of the file; a header that is part of the head is
    // there already.
    QList<QPair<qint64, qint64>> ranges{{0, headEnd}};
    if (k.videoHeader >= headEnd)
        ranges.append({k.videoHeader, k.videoHeader + k.videoHeaderSize});
    if (k.audioHeader >= headEnd)
        ranges.append({k.audioHeader, k.audioHeader + k.audioHeaderSize});
    std::sort(ranges.begin() + 1, ranges.end());
    qint64 at = k.readFrom;
    for (const VideoTag& v : videoNearEnd) {
        if (v.pos < at || !(v.dts > dropAfter && v.dts < dropBefore - 0.0005))
            continue;
        if (!v.picture)
            return QString();
        if (v.pos > at)
            ranges.append({at, v.pos});
        at = v.end;
    }
    ranges.append({at, 0}); // 0: to the end
    QStringList pieces;
    for (const auto& [start, end] : ranges)
        pieces << QStringLiteral("subfile,,start,%1,end,%2,,:file:").arg(start).arg(end) + path;
    return QStringLiteral("concat:") + pieces.join(QLatin1Char('|'));
}

Lookup keyFramesAround(const QString& file, double clock, double endClock)
{
    Lookup out;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return out;
    TagHeaders headers(f);
    uchar head[9];
    if (f.read(reinterpret_cast<char*>(head), 9) != 9 || std::memcmp(head, "FLV", 3) != 0)
        return out;
    const qint64 firstTag = static_cast<qint64>(be(head + 5, 4)) + 4;

    // The first pictures give the clock's origin; the script tag before them the index.
    QList<IndexEntry> index;
    bool havePicture = false;
    Tag t;
    int pictures = 0;
    for (qint64 pos = firstTag; pictures < 8 && readTag(headers, pos, t); pos = t.next) {
        if (out.headEnd < 0 && t.type != 18 && !t.header)
            out.headEnd = pos;
        if (t.type == 18 && index.isEmpty() && t.next - pos - 15 <= (8 << 20)) {
            f.seek(pos + 11);
            index = parseKeyframeIndex(f.read(t.next - pos - 15));
        } else if (t.type == 9 && t.frame) {
            out.firstPts = havePicture ? std::min(out.firstPts, t.pts) : t.pts;
            havePicture = true;
            ++pictures;
        }
        if (pos > 64 << 20)
            break; // no pictures near the start: not a file to cut by this walk
    }
    if (!havePicture)
        return out;
    const double target = out.firstPts + clock;
    const double stop = out.firstPts + std::max(clock, endClock);

    // Where to begin: the index entry at or before the point, by the time of the key frame
    // its position names (the stated times are often whole seconds, or wrong).
    qint64 from = firstTag;
    if (!index.isEmpty()) {
        out.index = Index::Valid;
        for (qsizetype i = 1; i < index.size(); ++i)
            if (!(index[i].time > index[i - 1].time) || !(index[i].pos > index[i - 1].pos))
                out.index = Index::Invalid;
        auto realDts = [&](qsizetype i) {
            Tag k;
            if (!readTag(headers, index[i].pos, k) || k.type != 9 || !k.key || !k.frame)
                return -1.0;
            return index[i].realDts = k.dts;
        };
        qsizetype j = 0;
        for (qsizetype i = 0; i < index.size(); ++i)
            if (index[i].time <= target)
                j = i;
        for (int steps = 0; out.index == Index::Valid; ++steps, --j) {
            const double dts = realDts(j);
            if (dts < 0 || steps > 64)
                out.index = Index::Invalid;
            else if (dts <= target || j == 0)
                break;
        }
        if (out.index == Index::Valid)
            from = index[j].pos;
    }

    qsizetype next = 0; // the next index entry the walk reaches
    bool pastPoint = false; // the key frames after this one are not wanted
    // The codec headers in force at a key frame: those of the head, or later ones the
    // walk passes. Where an index lets the walk begin near the point, headers between the
    // head and there are not seen, as they are not by ffmpeg when it seeks by the index.
    KeyPlace place;
    QList<QPair<qint64, double>> soundRun; // the sound tags since the last other tag
    for (qint64 pos = from; readTag(headers, pos, t); pos = t.next) {
        if (t.header && t.type == 9) {
            place.videoHeader = pos;
            place.videoHeaderSize = t.next - pos;
        } else if (t.header) {
            place.audioHeader = pos;
            place.audioHeaderSize = t.next - pos;
        }
        if (t.type == 8 && !t.header) {
            if (soundRun.size() >= 256)
                soundRun.removeFirst();
            soundRun.append({pos, t.dts});
        } else if (!(t.type == 9 && t.key && t.frame)) {
            soundRun.clear();
        }
        if (out.index == Index::Valid && !pastPoint) {
            while (next < index.size() && index[next].pos < pos)
                ++next;
            if (next < index.size() && index[next].pos == pos) {
                if (t.type == 9 && t.key && t.frame)
                    index[next].realDts = t.dts;
                else
                    out.index = Index::Invalid;
            }
        }
        if (t.type == 9 && t.dts > stop - 5.0)
            out.videoNearEnd.append({pos, t.next, t.dts, t.frame});
        if (t.type != 9 || !t.frame)
            continue;
        if (t.key && !pastPoint) {
            out.keys.append({t.pts, t.dts, true});
            // Sound that a muxer put ahead of the picture it goes with is kept.
            place.readFrom = pos;
            for (qsizetype i = soundRun.size() - 1; i >= 0 && soundRun[i].second >= t.dts - 0.0005; --i)
                place.readFrom = soundRun[i].first;
            out.places.append(place);
            soundRun.clear();
        }
        pastPoint = pastPoint || (t.dts > target + 1.0 && !out.keys.isEmpty());
        out.pictures.append({t.pts, t.dts, t.key});
        // Past the end by more than any reordering: nothing earlier follows.
        if (t.dts > stop + 1.0 && !out.keys.isEmpty())
            break;
    }
    out.entries = index;
    out.ok = !out.keys.isEmpty();
    return out;
}

} // namespace flvscan
