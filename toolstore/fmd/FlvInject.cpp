#include "FlvInject.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fmd {

std::size_t MemorySource::readAt(std::uint64_t off, void* buf, std::size_t n)
{
    if (off >= size_)
        return 0;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - off));
    std::memcpy(buf, data_ + off, count);
    return count;
}

bool MemorySink::write(const void* data, std::size_t n)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + n);
    return true;
}

namespace {

constexpr std::size_t kTagHeader = 11;
// Headers are read through a small window: with large tags most of the file is never
// looked at, and with small ones a window holds many headers.
constexpr std::size_t kReadBuffer = 64 * 1024;
constexpr std::size_t kSmallFill = 4096;
// A file whose tags all stay as they are is written as a few copied ranges, without a
// second walk; beyond this many ranges (old metadata tags strewn about) it is walked.
constexpr std::size_t kMaxPlanRanges = 1024;
// How much of a tag's payload the scan looks at: enough for every picture header, and
// for a whole AVC configuration record (its SPS can be long with scaling lists).
constexpr std::size_t kPeekSmall = 64;
constexpr std::size_t kPeekConfig = 64 * 1024;

std::uint32_t be24(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2]; }
std::uint32_t be32(const std::uint8_t* p) { return (std::uint32_t{p[0]} << 24) | be24(p + 1); }

// A window over the source: the scan walks forward through small headers, so reading
// in large blocks turns millions of tags into a few hundred reads.
class Reader {
public:
    Reader(Source& src, std::size_t capacity = kReadBuffer)
        : src_(src), size_(src.size()), direct_(src.bytes()),
          buf_(direct_ ? 0 : static_cast<std::size_t>(std::clamp<std::uint64_t>(size_, 64, capacity))) {}
    std::uint64_t size() const { return size_; }
    bool failed() const { return !src_.ok(); }

    // Up to n (<= the buffer size) bytes at off; got says how many are there. A refill
    // reads fill bytes (at least n), or the whole window when fill is 0.
    const std::uint8_t* peek(std::uint64_t off, std::size_t n, std::size_t& got, std::size_t fill = 0)
    {
        if (direct_) {
            got = off < size_ ? static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - off)) : 0;
            return direct_ + std::min(off, size_);
        }
        if (!holds(off, n)) {
            if (off >= size_) {
                got = 0;
                return buf_.data();
            }
            bufOff_ = off;
            const std::size_t want = fill == 0 ? buf_.size() : std::min(buf_.size(), std::max(n, fill));
            bufLen_ = src_.readAt(off, buf_.data(), want);
        }
        const std::uint64_t avail = bufOff_ + bufLen_ > off ? bufOff_ + bufLen_ - off : 0;
        got = static_cast<std::size_t>(std::min<std::uint64_t>(n, avail));
        return buf_.data() + (off - bufOff_);
    }

    // Asks the processor for the bytes a little way ahead of off. Where each header lies
    // is known only from the one before it, so without this a walk over small tags waits
    // on memory at every tag; this way the lines ahead arrive while it works.
    void fetchAhead(std::uint64_t off)
    {
        constexpr std::uint64_t kAhead = 2048, kLine = 64;
        if (!direct_)
            return;
        const std::uint64_t end = std::min(size_, off + kAhead);
        for (std::uint64_t at = std::max(fetched_, off) & ~(kLine - 1); at < end; at += kLine)
            __builtin_prefetch(direct_ + at);
        fetched_ = std::max(fetched_, end);
    }

    // Whether n bytes at off (or all that the file has there) are in the window.
    bool holds(std::uint64_t off, std::size_t n) const
    {
        if (direct_)
            return off <= size_;
        const std::uint64_t end = bufOff_ + bufLen_;
        return bufLen_ > 0 && off >= bufOff_ && off <= end && (off + n <= end || end == size_);
    }

private:
    Source& src_;
    std::uint64_t size_;
    const std::uint8_t* direct_;
    std::vector<std::uint8_t> buf_;
    std::uint64_t bufOff_ = 0;
    std::size_t bufLen_ = 0;
    std::uint64_t fetched_ = 0;
};

struct Tag {
    std::uint64_t off = 0;
    std::uint8_t typeByte = 0;  // as in the file (filter bit kept)
    int type = 0;               // 8 audio, 9 video, 18 script
    std::uint32_t size = 0;
    std::int64_t ts = 0;        // unwrapped milliseconds
    int flags = -1;             // the mended audio or video flags byte, or -1: as it stands
    bool oldMetadata = false;   // an onMetaData tag, replaced by ours
    bool unchanged = false;     // written back exactly as it stands, trailing size included
};

// An onMetaData tag, also one whose name is damaged by a byte or two: it is replaced by
// ours, and kept damaged it would only trouble the readers.
bool isOldMetadata(const std::uint8_t* d)
{
    static constexpr char kName[] = "onMetaData";
    int wrong = (d[0] != 2) + (d[1] != 0) + (d[2] != 10);
    for (int i = 0; i < 10; ++i)
        wrong += d[3 + i] != static_cast<std::uint8_t>(kName[i]);
    return wrong <= 2;
}

// Returns whether a tag's payload starts like a codec header that a decoder cannot do
// without (AVC or HEVC configuration, AAC configuration).
bool looksLikeCodecHeader(int type, const std::uint8_t* d, std::size_t n)
{
    if (n < 2)
        return false;
    if (type == 9)
        return ((d[0] & 0x0F) == 7 || (d[0] & 0x0F) == 12) && d[1] == 0;
    return type == 8 && (d[0] >> 4) == 10 && d[1] == 0;
}

// Walks the tags of the file the same way in both passes, so the writer needs nothing
// from the scan but its totals. Bytes that are not tags are stepped over: a garbled
// stretch in the middle is skipped to the next run of consistent tags; a last tag that
// runs past the end is dropped.
class Walker {
public:
    Walker(Reader& r, Source& src, std::uint64_t start, Mends& mends)
        : r_(r), probe_(src, 4096), ahead_(src, kReadBuffer), pos_(start), mends_(mends) {}

    bool next(Tag& tag)
    {
        if (pos_ >= r_.size())
            return false;
        r_.fetchAhead(pos_);
        std::uint32_t size = 0;
        bool sizeMended = false;
        bool typeMended = false;
        if (!acceptable(pos_, size, typeMended)) {
            const std::uint64_t from = pos_;
            const std::uint64_t to = resync(pos_ + 1);
            if (mendDataSize(from, to)) {
                // Only the tag's data size was wrong: its trailing size and the tag
                // after it say where it ends.
                size = static_cast<std::uint32_t>(to - from - kTagHeader - 4);
                sizeMended = true;
                ++mends_.dataSizes;
            } else {
                noteLost(from);
                pos_ = to;
                dropped_ += pos_ - from;
                if (pos_ >= r_.size())
                    return false;
                ++skippedRegions_;
                headerAt(pos_, size);
            }
        }
        std::size_t got = 0;
        // The header of a large tag is read alone (with a little more for the payload
        // bytes the scan looks at) rather than with a window full of its payload.
        const std::uint8_t* h = r_.peek(pos_, kTagHeader, got, size > kReadBuffer / 4 ? kSmallFill : 0);
        tag.off = pos_;
        tag.typeByte = h[0] & 0x3F;
        tag.type = h[0] & 0x1F;
        tag.size = sizeMended ? size : be24(h + 1);
        const std::uint32_t raw = be24(h + 4) | (std::uint32_t{h[7]} << 24);
        const bool streamIdSet = h[8] != 0 || h[9] != 0 || h[10] != 0;
        if (typeMended)
            ++mends_.typeBytes;
        // Readers that check it refuse a tag whose stream id is not zero.
        if (streamIdSet)
            ++mends_.streamIds;
        const std::uint32_t mended = tag.type == 18 ? raw : mendTime(raw, tag.type, pos_ + kTagHeader + tag.size + 4);
        tag.ts = unwrap(mended, tag.type != 18);
        tag.flags = tag.type == 18 ? -1 : mendFlags(tag);
        tag.unchanged = tag.ts == raw && !streamIdSet && !typeMended && !sizeMended && tag.flags < 0 &&
                        pos_ + kTagHeader + tag.size + 4 <= r_.size() && sizeFieldMatches(pos_, tag.size);
        tag.oldMetadata = false;
        if (tag.type == 18 && tag.size >= 13) {
            const std::uint8_t* d = r_.peek(pos_ + kTagHeader, 13, got);
            tag.oldMetadata = got == 13 && isOldMetadata(d);
        }
        const std::uint64_t end = pos_ + kTagHeader + tag.size + 4;
        // A last tag whose trailing size is cut off is complete as far as its data goes.
        if (end > r_.size())
            dropped_ += r_.size() - (pos_ + kTagHeader + tag.size);
        pos_ = end;
        return true;
    }

    std::uint64_t dropped() const { return dropped_; }
    std::uint64_t skippedRegions() const { return skippedRegions_; }

private:
    // A stretch that is dropped and starts like an audio or video tag held one; a codec
    // header among them would leave its stream undecodable.
    void noteLost(std::uint64_t at)
    {
        std::size_t got = 0;
        const std::uint8_t* h = look(at, kTagHeader + 2, got);
        if (got < kTagHeader + 2)
            return;
        const int type = h[0] & 0x1F;
        if (type == 8 || type == 9) {
            ++mends_.lostMediaTags;
            if (looksLikeCodecHeader(type, h + kTagHeader, 2))
                ++mends_.lostCodecHeaders;
        }
    }

    // The tag at from was not believed, and the walk takes up again at to: when the
    // four bytes before to give the distance back to from, the tag is whole and only
    // its data size was damaged.
    bool mendDataSize(std::uint64_t from, std::uint64_t to)
    {
        if (to >= r_.size() || to < from + kTagHeader + 4 || to - from - kTagHeader - 4 > 0xFFFFFF)
            return false;
        if (!soundHeader(from))
            return false;
        std::size_t got = 0;
        const std::uint8_t* p = look(to - 4, 4, got);
        return got == 4 && be32(p) == to - 4 - from;
    }

    // A stream keeps its codec: once two tags in a row agree on it, a flags byte that
    // names another codec, or no frame type, is a damaged one. It gets the stream's
    // codec, and the frame type the picture's own header gives (audio: the stream's
    // whole flags byte). Returns the mended byte, or -1.
    int mendFlags(const Tag& tag)
    {
        if (tag.size == 0)
            return -1;
        std::size_t got = 0;
        const std::uint8_t* d = r_.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, kPeekSmall), got);
        if (got == 0)
            return -1;
        Track& t = tag.type == 9 ? video_ : audio_;
        const int mask = tag.type == 9 ? 0x0F : 0xF0;
        if (t.flags < 0) {
            if (t.candidate >= 0 && (t.candidate & mask) == (d[0] & mask))
                t.flags = t.candidate;
            t.candidate = d[0];
            return -1;
        }
        const int codec = t.flags & 0x0F, frameType = d[0] >> 4;
        if ((d[0] & mask) == (t.flags & mask) && (tag.type == 8 || (frameType >= 1 && frameType <= 5)))
            return -1;
        // A stream that goes on in another codec changed codec; only a lone tag is mended.
        std::int64_t nextTime = 0;
        int nextFlags = -1;
        if (!nextOf(tag.type, tag.off + kTagHeader + tag.size + 4, nextTime, nextFlags) || (nextFlags & mask) != (t.flags & mask))
            return -1;
        ++mends_.flagBytes;
        if (tag.type == 8)
            return t.flags;
        // H.264 names its picture types in the NAL units, past any SEI in front.
        if (codec == 7)
            d = r_.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, kSmallFill), got);
        int kind = pictureKind(codec, d + 1, got - 1);
        if (kind == 0)
            kind = frameType >= 1 && frameType <= 5 ? frameType : 2;
        return (kind << 4) | codec;
    }

    // The time and flags byte of the next tag of a stream, looked up a few tags ahead;
    // false when the tags there do not follow each other cleanly.
    bool nextOf(int type, std::uint64_t at, std::int64_t& time, int& flags)
    {
        for (int i = 0; i < 32 && at + kTagHeader < r_.size(); ++i) {
            std::size_t got = 0;
            const std::uint8_t* h = ahead_.peek(at, kTagHeader + 1, got, kSmallFill);
            if (got < kTagHeader + 1 || (h[0] & 0xC0) != 0)
                return false;
            if ((h[0] & 0x1F) == type) {
                time = std::int64_t{be24(h + 4) | (std::uint32_t{h[7]} << 24)};
                flags = h[kTagHeader];
                return true;
            }
            at += kTagHeader + be24(h + 1) + 4;
        }
        return false;
    }
    std::int64_t nextTimeOf(int type, std::uint64_t at)
    {
        std::int64_t time = -1;
        int flags = 0;
        return nextOf(type, at, time, flags) ? time : -1;
    }

    // A flipped bit in a timestamp makes one tag jump away from its neighbours, and
    // the stream then seems to run backwards. Such a tag gets the time halfway between
    // the tags around it; times that step back and stay back (a 24-bit wrap, joined
    // recordings) are left to the unwrapping.
    std::uint32_t mendTime(std::uint32_t raw, int type, std::uint64_t after)
    {
        Track& t = type == 9 ? video_ : audio_;
        const std::int64_t v = raw;
        std::int64_t out = v;
        const bool suspicious = !t.seen ? true : v < t.last || v > t.last + 2 * t.step + 20;
        if (suspicious) {
            const std::int64_t n = nextTimeOf(type, after);
            if (n >= 0 && n < v && (!t.seen || n >= t.last))
                out = t.seen ? t.last + (n - t.last) / 2 : n;
            else if (n >= 0 && t.seen && v < t.last && n >= t.last)
                out = t.last + (n - t.last) / 2;
        }
        if (out != v)
            ++mends_.timestamps;
        if (t.seen && out >= t.last)
            t.step = out - t.last;
        t.seen = true;
        t.last = out;
        return static_cast<std::uint32_t>(out);
    }

    // Checks look ahead of the walk; a small second window keeps them from throwing
    // away the main one.
    const std::uint8_t* look(std::uint64_t at, std::size_t n, std::size_t& got)
    {
        return r_.holds(at, n) ? r_.peek(at, n, got) : probe_.peek(at, n, got);
    }

    // A whole tag header of a known type with no reserved bits set, or null.
    const std::uint8_t* soundHeader(std::uint64_t at)
    {
        std::size_t got = 0;
        const std::uint8_t* h = look(at, kTagHeader, got);
        if (got < kTagHeader)
            return nullptr;
        const int type = h[0] & 0x1F;
        return (h[0] & 0xC0) == 0 && (type == 8 || type == 9 || type == 18) ? h : nullptr;
    }

    // A plausible tag header whose data lies inside the file.
    bool headerAt(std::uint64_t at, std::uint32_t& size)
    {
        const std::uint8_t* h = soundHeader(at);
        if (!h)
            return false;
        size = be24(h + 1);
        return at + kTagHeader + size <= r_.size();
    }

    bool sizeFieldMatches(std::uint64_t at, std::uint32_t size)
    {
        std::size_t got = 0;
        const std::uint8_t* p = look(at + kTagHeader + size, 4, got);
        return got == 4 && be32(p) == kTagHeader + size;
    }

    // In sequence, a tag is taken when its header is sound and either its trailing
    // size agrees or another tag (or the end) follows it: a wrong trailing size alone
    // is repaired, a wrong data size is not believed. Set reserved bits in the type
    // byte are cleared when the sizes around the tag agree.
    bool acceptable(std::uint64_t at, std::uint32_t& size, bool& typeMended)
    {
        typeMended = false;
        if (!headerAt(at, size)) {
            std::size_t got = 0;
            const std::uint8_t* h = look(at, kTagHeader, got);
            if (got < kTagHeader || (h[0] & 0xC0) == 0)
                return false;
            const int type = h[0] & 0x1F;
            size = be24(h + 1);
            const std::uint64_t next = at + kTagHeader + size + 4;
            std::uint32_t nextSize = 0;
            typeMended = (type == 8 || type == 9 || type == 18) && next <= r_.size() && sizeFieldMatches(at, size) &&
                         (next == r_.size() || headerAt(next, nextSize));
            return typeMended;
        }
        const std::uint64_t next = at + kTagHeader + size + 4;
        if (next >= r_.size())
            return true;
        std::uint32_t nextSize = 0;
        return sizeFieldMatches(at, size) || headerAt(next, nextSize);
    }

    // After garbage, only a tag whose trailing size agrees and that is followed by
    // another sound header (or the end) counts as the way back in.
    bool anchor(std::uint64_t at)
    {
        std::uint32_t size = 0;
        if (!headerAt(at, size))
            return false;
        const std::uint64_t next = at + kTagHeader + size + 4;
        if (next > r_.size())
            return next - 4 == r_.size();
        if (!sizeFieldMatches(at, size))
            return false;
        std::uint32_t nextSize = 0;
        return next == r_.size() || headerAt(next, nextSize);
    }

    std::uint64_t resync(std::uint64_t from)
    {
        for (std::uint64_t at = from; at + kTagHeader <= r_.size(); ++at) {
            std::size_t got = 0;
            const std::uint8_t* p = r_.peek(at, 1, got);
            const int type = p[0] & 0x1F;
            if ((p[0] & 0xC0) == 0 && (type == 8 || type == 9 || type == 18) && anchor(at))
                return at;
        }
        return r_.size();
    }

    // Muxers that only write 24 bits let the time fall back by 2^24 ms every 4.66
    // hours; a fall of more than half that span is taken as such a wrap.
    // Only audio and video drive it: script tags come and go (the old onMetaData is
    // dropped, ours is added at time 0), and the outcome must not depend on them.
    std::int64_t unwrap(std::uint32_t raw, bool media)
    {
        std::int64_t ts = std::int64_t{raw} + wrap_;
        if (ts > 0xFFFFFFFF)
            return raw;
        if (!media)
            return ts;
        // A tag with the extended byte set carries its full time; only 24-bit times
        // can have wrapped.
        if (havePrev_ && raw <= 0xFFFFFF && ts + 0x800000 < prev_) {
            // As many wraps as bring it back near the previous tag, while the time
            // still fits the 32 bits that the tag header can hold.
            const std::int64_t wraps = (prev_ - ts - 0x800000) / 0x1000000 + 1;
            if (ts + wraps * 0x1000000 <= 0xFFFFFFFF) {
                wrap_ += wraps * 0x1000000;
                ts += wraps * 0x1000000;
            }
        }
        havePrev_ = true;
        prev_ = ts;
        return ts;
    }

    struct Track {
        bool seen = false;
        std::int64_t last = 0, step = 0;
        int flags = -1, candidate = -1;
    };
    Reader& r_;
    Reader probe_;
    Reader ahead_;
    std::uint64_t pos_;
    Mends& mends_;
    Track video_, audio_;
    std::uint64_t dropped_ = 0;
    std::uint64_t skippedRegions_ = 0;
    std::int64_t wrap_ = 0;
    std::int64_t prev_ = 0;
    bool havePrev_ = false;
};

// Where the first tag starts. The header's offset is believed when a tag (or the end)
// is found after it; otherwise the usual 9, and failing that the walker's resync.
std::uint64_t firstTagOffset(Reader& r, std::uint32_t dataOffset)
{
    auto tagAt = [&](std::uint64_t at) {
        if (at >= r.size())
            return at == r.size();
        std::size_t got = 0;
        const std::uint8_t* h = r.peek(at, kTagHeader, got);
        if (got < kTagHeader)
            return false;
        const int type = h[0] & 0x1F;
        return (h[0] & 0xC0) == 0 && (type == 8 || type == 9 || type == 18);
    };
    if (dataOffset >= 9 && tagAt(std::uint64_t{dataOffset} + 4))
        return std::uint64_t{dataOffset} + 4;
    return 13;
}

bool readHeader(Reader& r, std::uint64_t& start, std::string& error)
{
    std::size_t got = 0;
    const std::uint8_t* h = r.peek(0, 9, got);
    if (r.failed()) {
        error = "cannot read the file";
        return false;
    }
    if (got < 3 || h[0] != 'F' || h[1] != 'L' || h[2] != 'V') {
        error = "not an FLV file (no \"FLV\" signature)";
        return false;
    }
    if (got < 9) {
        error = "not an FLV file (header cut short)";
        return false;
    }
    start = firstTagOffset(r, be32(h + 5));
    return true;
}

void noteVideo(Scan& s, const Tag& tag, Reader& r)
{
    s.hasVideo = true;
    ++s.videoTags;
    s.videoTagBytes += kTagHeader + tag.size;
    if (tag.size == 0)
        return;
    s.videoDataBytes += tag.size - 1;  // the codec's bytes, after the flags byte
    std::size_t got = 0;
    const std::uint8_t* d = r.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, 2), got);
    const int flags = tag.flags >= 0 ? tag.flags : d[0];
    const int frameType = flags >> 4;
    const int codec = flags & 0x0F;
    const bool avcLike = codec == 7 || codec == 12;
    const int packetType = avcLike && got >= 2 ? d[1] : 1;
    if (s.videoCodec < 0)
        s.videoCodec = codec;
    if (s.width == 0 && codec == s.videoCodec) {
        const bool config = codec == 7 && packetType == 0;
        d = r.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, config ? kPeekConfig : kPeekSmall), got);
        int w = 0, h = 0;
        bool found = false;
        if (got > 1) {
            switch (codec) {
            case 2: found = h263Size(d + 1, got - 1, w, h); break;
            case 3: case 6: found = screenVideoSize(d + 1, got - 1, w, h); break;
            case 4: found = vp6Size(d + 1, got - 1, false, w, h); break;
            case 5: found = vp6Size(d + 1, got - 1, true, w, h); break;
            case 7: found = config && got > 5 && avcConfigSize(d + 5, got - 5, w, h); break;
            default: break;
            }
        }
        if (found) {
            s.width = w;
            s.height = h;
        }
    }
    if (frameType != 5)
        s.lastVideoIsKey = frameType == 1;
    // A seek lands on the first key-marked tag of its time: with H.264 that is the
    // codec header in front of the first picture, which the decoder needs anyway, and
    // the end-of-sequence mark lets a player seek to the very end.
    if (frameType == 1 && (s.keyTimes.empty() || static_cast<double>(tag.ts) / 1000.0 != s.keyTimes.back())) {
        s.keyTimes.push_back(static_cast<double>(tag.ts) / 1000.0);
        s.keyBodyOffsets.push_back(s.bodyBytes);
    }
    // Codec headers, end-of-sequence marks and command frames are not pictures.
    if (frameType == 5 || (avcLike && packetType != 1))
        return;
    std::int64_t shown = tag.ts;
    if (avcLike) {
        d = r.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, 5), got);
        if (got >= 5)
            shown += static_cast<std::int32_t>(be24(d + 2) << 8) >> 8; // signed 24 bits
    }
    if (frameType == 1)
        s.keyPictureTimes.push_back(shown);
    if (s.firstPictureTime < 0)
        s.firstPictureTime = shown;
    ++s.videoFrames;
    if (s.firstVideoTs < 0 || tag.ts < s.firstVideoTs)
        s.firstVideoTs = tag.ts;
    s.lastVideoTs = std::max(s.lastVideoTs, tag.ts);
}

void noteAudio(Scan& s, const Tag& tag, Reader& r, bool& configSeen)
{
    s.hasAudio = true;
    ++s.audioTags;
    s.audioTagBytes += kTagHeader + tag.size;
    if (tag.size > 0)
        s.audioDataBytes += tag.size - 1;
    if (s.firstAudioTs < 0 || tag.ts < s.firstAudioTs)
        s.firstAudioTs = tag.ts;
    s.lastAudioTs = std::max(s.lastAudioTs, tag.ts);
    s.lastAudioSize = tag.size;
    if (tag.size == 0)
        return;
    std::size_t got = 0;
    const std::uint8_t* d = r.peek(tag.off + kTagHeader, std::min<std::size_t>(tag.size, kPeekSmall), got);
    if (got == 0)
        return;
    const int flags = tag.flags >= 0 ? tag.flags : d[0];
    const int format = flags >> 4;
    if (s.audioCodec < 0) {
        static constexpr int rates[4] = {5512, 11025, 22050, 44100};
        s.audioCodec = format;
        s.sampleRate = rates[(flags >> 2) & 3];
        s.sampleSize = (flags & 2) ? 16 : 8;
        s.stereo = flags & 1;
        switch (format) {  // formats whose rate the flags cannot say
        case 4: s.sampleRate = 16000; break;
        case 5: s.sampleRate = 8000; break;
        case 11: s.sampleRate = 16000; s.stereo = false; break;
        case 14: s.sampleRate = 8000; break;
        default: break;
        }
        if (format == 10)
            s.audioFrameSamples = 1024;
    }
    if (s.firstSoundTime < 0 && !(format == 10 && got >= 2 && d[1] == 0))
        s.firstSoundTime = tag.ts;
    if (format != s.audioCodec || configSeen)
        return;
    int rate = 0, channels = 0, samples = 0;
    if (format == 10 && got >= 4 && d[1] == 0 && aacConfig(d + 2, got - 2, rate, channels)) {
        s.sampleRate = rate;
        s.stereo = channels >= 2;
        configSeen = true;
    } else if ((format == 2 || format == 14) && mp3Header(d + 1, got - 1, rate, channels, samples)) {
        s.sampleRate = rate;
        s.stereo = channels >= 2;
        s.audioFrameSamples = samples;
        configSeen = true;
    }
}

// AMF0, big-endian throughout.
class Amf {
public:
    std::vector<std::uint8_t> out;
    void u8(std::uint8_t v) { out.push_back(v); }
    void u16(std::uint16_t v) { u8(static_cast<std::uint8_t>(v >> 8)); u8(static_cast<std::uint8_t>(v)); }
    void u24(std::uint32_t v) { u8(static_cast<std::uint8_t>(v >> 16)); u16(static_cast<std::uint16_t>(v)); }
    void u32(std::uint32_t v) { u16(static_cast<std::uint16_t>(v >> 16)); u16(static_cast<std::uint16_t>(v)); }
    void key(const char* k)
    {
        const std::size_t n = std::strlen(k);
        u16(static_cast<std::uint16_t>(n));
        out.insert(out.end(), k, k + n);
    }
    void number(double v)
    {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, 8);
        u8(0);
        for (int i = 7; i >= 0; --i)
            u8(static_cast<std::uint8_t>(bits >> (i * 8)));
    }
    void boolean(bool v) { u8(1); u8(v ? 1 : 0); }
    void string(const char* s) { u8(2); key(s); }
    void objectEnd() { u16(0); u8(9); }
    void numbers(const std::vector<double>& v)
    {
        u8(10);
        u32(static_cast<std::uint32_t>(v.size()));
        for (double d : v)
            number(d);
    }
};

double round3(double v) { return std::round(v * 1000.0) / 1000.0; }

} // namespace

bool scanFlv(Source& src, Scan& scan, std::string& error)
{
    scan = Scan{};
    Reader r(src);
    std::uint64_t start = 0;
    if (!readHeader(r, start, error))
        return false;
    scan.headerEnd = start;
    Walker walker(r, src, start, scan.mends);
    Tag tag;
    bool configSeen = false;
    while (walker.next(tag)) {
        if (tag.oldMetadata) {
            ++scan.oldMetadataTags;
            continue;
        }
        if (tag.type == 9)
            noteVideo(scan, tag, r);
        else if (tag.type == 8)
            noteAudio(scan, tag, r, configSeen);
        else {
            ++scan.scriptTags;
            scan.scriptTagBytes += kTagHeader + tag.size;
        }
        if (tag.type != 18) {
            if (!scan.anyTimestamp || tag.ts < scan.firstTs)
                scan.firstTs = tag.ts;
            scan.lastTs = scan.anyTimestamp ? std::max(scan.lastTs, tag.ts) : tag.ts;
            scan.anyTimestamp = true;
        }
        scan.bodyBytes += kTagHeader + tag.size + 4;
        if (scan.copyPlanValid && tag.unchanged) {
            if (!scan.copyPlan.empty() && scan.copyPlan.back().first + scan.copyPlan.back().second == tag.off)
                scan.copyPlan.back().second += kTagHeader + tag.size + 4;
            else if (scan.copyPlan.size() < kMaxPlanRanges)
                scan.copyPlan.emplace_back(tag.off, kTagHeader + tag.size + 4);
            else
                scan.copyPlanValid = false;
        } else {
            scan.copyPlanValid = false;
        }
        scan.validEnd = std::min<std::uint64_t>(tag.off + kTagHeader + tag.size + 4, r.size());
        src.passed(tag.off);
    }
    if (r.failed()) {
        error = "read error";
        return false;
    }
    scan.droppedBytes = walker.dropped() + (start > 13 ? start - 13 : 0);
    scan.skippedRegions = walker.skippedRegions();
    if (!scan.hasVideo && !scan.hasAudio) {
        error = "no audio or video tags found";
        return false;
    }
    return true;
}

Metadata makeMetadata(const Scan& s)
{
    Metadata md;
    md.hasVideo = s.hasVideo;
    md.hasAudio = s.hasAudio;
    md.hasKeyframes = !s.keyTimes.empty();
    md.canSeekToEnd = s.lastVideoIsKey;
    if (s.videoFrames >= 2 && s.lastVideoTs > s.firstVideoTs)
        md.framerate = round3(static_cast<double>(s.videoFrames - 1) * 1000.0 / static_cast<double>(s.lastVideoTs - s.firstVideoTs));
    // Each stream ends one frame after its last tag: a picture's time, an audio frame.
    double end = static_cast<double>(s.lastTs) / 1000.0;
    if (s.lastVideoTs >= 0)
        end = std::max(end, static_cast<double>(s.lastVideoTs) / 1000.0 + (md.framerate > 0 ? 1.0 / md.framerate : 0.0));
    if (s.lastAudioTs >= 0) {
        double frame = 0;
        const bool pcm = s.audioCodec == 0 || s.audioCodec == 3;
        if (pcm && s.sampleRate > 0 && s.lastAudioSize > 1)
            frame = static_cast<double>(s.lastAudioSize - 1) / ((s.stereo ? 2 : 1) * (s.sampleSize / 8)) / s.sampleRate;
        else if (s.audioFrameSamples > 0 && s.sampleRate > 0)
            frame = static_cast<double>(s.audioFrameSamples) / s.sampleRate;
        else if (s.audioTags >= 2 && s.lastAudioTs > s.firstAudioTs)
            frame = static_cast<double>(s.lastAudioTs - s.firstAudioTs) / 1000.0 / static_cast<double>(s.audioTags - 1);
        end = std::max(end, static_cast<double>(s.lastAudioTs) / 1000.0 + frame);
    }
    md.duration = round3(end - static_cast<double>(s.firstTs) / 1000.0);
    md.lastTimestamp = static_cast<double>(s.lastTs) / 1000.0;
    md.lastKeyframeTimestamp = s.keyTimes.empty() ? 0 : s.keyTimes.back();
    md.width = s.width;
    md.height = s.height;
    if (md.duration > 0) {
        // Kilobits of 1024 bits, the unit FLV tools have always used here.
        md.videoDataRate = static_cast<double>(s.videoDataBytes) * 8.0 / 1024.0 / md.duration;
        md.audioDataRate = static_cast<double>(s.audioDataBytes) * 8.0 / 1024.0 / md.duration;
    }
    md.videoCodecId = std::max(s.videoCodec, 0);
    md.audioCodecId = std::max(s.audioCodec, 0);
    md.audioSampleRate = s.sampleRate;
    md.audioSampleSize = s.sampleSize;
    md.stereo = s.stereo;
    md.keyTimes = s.keyTimes;
    md.keyPositions.assign(s.keyBodyOffsets.size(), 0.0);

    // The tag's size does not depend on the values (numbers are 8 bytes each), so
    // encode once for the size, then fill in the positions that follow from it.
    const std::uint64_t metaTag = encodeMetadataTag(md).size();
    const std::uint64_t bodyStart = 13 + metaTag;
    for (std::size_t i = 0; i < s.keyBodyOffsets.size(); ++i)
        md.keyPositions[i] = static_cast<double>(bodyStart + s.keyBodyOffsets[i]);
    md.fileSize = static_cast<double>(bodyStart + s.bodyBytes);
    md.videoSize = static_cast<double>(s.videoTagBytes);
    md.audioSize = static_cast<double>(s.audioTagBytes);
    md.dataSize = static_cast<double>(s.scriptTagBytes + metaTag - 4);
    return md;
}

std::vector<std::uint8_t> encodeMetadataTag(const Metadata& md)
{
    Amf a;
    a.string("onMetaData");
    a.u8(8);
    const std::size_t countAt = a.out.size();
    a.u32(0);
    std::uint32_t count = 0;
    auto num = [&](const char* k, double v) { a.key(k); a.number(v); ++count; };
    auto flag = [&](const char* k, bool v) { a.key(k); a.boolean(v); ++count; };
    flag("hasMetadata", true);
    flag("hasVideo", md.hasVideo);
    flag("hasAudio", md.hasAudio);
    flag("hasKeyframes", md.hasKeyframes);
    flag("canSeekToEnd", md.canSeekToEnd);
    num("duration", md.duration);
    num("lasttimestamp", md.lastTimestamp);
    if (md.hasKeyframes)
        num("lastkeyframetimestamp", md.lastKeyframeTimestamp);
    if (md.hasVideo) {
        if (md.width > 0) {
            num("width", md.width);
            num("height", md.height);
        }
        num("framerate", md.framerate);
        num("videodatarate", md.videoDataRate);
        num("videocodecid", md.videoCodecId);
    }
    if (md.hasAudio) {
        num("audiodatarate", md.audioDataRate);
        num("audiocodecid", md.audioCodecId);
        num("audiosamplerate", md.audioSampleRate);
        num("audiosamplesize", md.audioSampleSize);
        flag("stereo", md.stereo);
    }
    num("filesize", md.fileSize);
    if (md.hasVideo)
        num("videosize", md.videoSize);
    if (md.hasAudio)
        num("audiosize", md.audioSize);
    num("datasize", md.dataSize);
    a.key("metadatacreator");
    a.string(kCreator);
    ++count;
    if (md.hasKeyframes) {
        a.key("keyframes");
        a.u8(3);
        a.key("times");
        a.numbers(md.keyTimes);
        a.key("filepositions");
        a.numbers(md.keyPositions);
        a.objectEnd();
        ++count;
    }
    a.objectEnd();
    for (int i = 0; i < 4; ++i)
        a.out[countAt + i] = static_cast<std::uint8_t>(count >> (24 - 8 * i));

    const std::uint32_t body = static_cast<std::uint32_t>(a.out.size());
    Amf t;
    t.u8(18);
    t.u24(body);
    t.u24(0);
    t.u8(0);
    t.u24(0);
    t.out.insert(t.out.end(), a.out.begin(), a.out.end());
    t.u32(static_cast<std::uint32_t>(kTagHeader + body));
    return t.out;
}

bool writeFlv(Source& src, const Scan& scan, Sink& sink, std::string& error)
{
    const Metadata md = makeMetadata(scan);
    const std::uint8_t header[13] = {'F', 'L', 'V', 1,
                                     static_cast<std::uint8_t>((md.hasAudio ? 4 : 0) | (md.hasVideo ? 1 : 0)),
                                     0, 0, 0, 9, 0, 0, 0, 0};
    const std::vector<std::uint8_t> meta = encodeMetadataTag(md);
    if (!sink.write(header, sizeof header) || !sink.write(meta.data(), meta.size())) {
        error = "write error";
        return false;
    }
    std::uint64_t written = sizeof header + meta.size();

    Reader r(src);
    Mends mends;  // the same as the scan's
    Walker walker(r, src, scan.headerEnd, mends);
    Tag tag;
    // Runs of tags that come out exactly as they went in (the usual case) are copied as
    // one range; only tags whose header or trailing size changes are written piecewise.
    std::uint64_t runStart = 0, runLength = 0;
    bool copyRanges = true;
    auto copyRaw = [&](std::uint64_t at, std::uint64_t left) {
        while (left > 0) {
            std::size_t got = 0;
            const std::uint8_t* d = r.peek(at, static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadBuffer)), got);
            if (got == 0) {
                error = "the file changed while it was being read";
                return false;
            }
            if (!sink.write(d, got)) {
                error = "write error";
                return false;
            }
            at += got;
            left -= got;
        }
        return true;
    };
    auto flushRun = [&]() {
        if (runLength == 0)
            return true;
        const std::uint64_t at = runStart, n = runLength;
        runLength = 0;
        if (copyRanges) {
            switch (sink.copyFromSource(at, n)) {
            case Sink::Copy::Done: return true;
            case Sink::Copy::Failed: error = "write error"; return false;
            case Sink::Copy::Unsupported: copyRanges = false; break;
            }
        }
        return copyRaw(at, n);
    };
    if (scan.copyPlanValid) {
        for (const auto& [at, n] : scan.copyPlan) {
            runStart = at;
            runLength = n;
            if (!flushRun())
                return false;
            written += n;
        }
    }
    while (!scan.copyPlanValid && walker.next(tag)) {
        if (tag.oldMetadata)
            continue;
        std::uint8_t h[kTagHeader + 4];
        h[0] = tag.typeByte;
        h[1] = static_cast<std::uint8_t>(tag.size >> 16);
        h[2] = static_cast<std::uint8_t>(tag.size >> 8);
        h[3] = static_cast<std::uint8_t>(tag.size);
        h[4] = static_cast<std::uint8_t>(tag.ts >> 16);
        h[5] = static_cast<std::uint8_t>(tag.ts >> 8);
        h[6] = static_cast<std::uint8_t>(tag.ts);
        h[7] = static_cast<std::uint8_t>(tag.ts >> 24);
        h[8] = h[9] = h[10] = 0;
        const std::uint32_t prev = static_cast<std::uint32_t>(kTagHeader + tag.size);
        h[11] = static_cast<std::uint8_t>(prev >> 24);
        h[12] = static_cast<std::uint8_t>(prev >> 16);
        h[13] = static_cast<std::uint8_t>(prev >> 8);
        h[14] = static_cast<std::uint8_t>(prev);
        const std::uint64_t total = kTagHeader + tag.size + 4;
        written += total;

        std::size_t got = 0;
        const std::uint8_t* inHead = r.peek(tag.off, kTagHeader, got);
        bool same = got == kTagHeader && tag.flags < 0 && std::memcmp(inHead, h, kTagHeader) == 0;
        if (same) {
            // After a large tag, only its trailing size and the next header are wanted.
            const std::uint8_t* inPrev = r.peek(tag.off + kTagHeader + tag.size, 4, got,
                                                tag.size > kReadBuffer / 4 ? kSmallFill : 0);
            same = got == 4 && std::memcmp(inPrev, h + kTagHeader, 4) == 0;
        }
        if (same) {
            if (runLength > 0 && runStart + runLength != tag.off && !flushRun())
                return false;
            if (runLength == 0)
                runStart = tag.off;
            runLength += total;
            continue;
        }
        src.passed(tag.off);
        if (!flushRun())
            return false;
        const std::uint8_t flags = static_cast<std::uint8_t>(tag.flags);
        const std::uint64_t skip = tag.flags >= 0 ? 1 : 0;
        if (!sink.write(h, kTagHeader) || (skip && !sink.write(&flags, 1)) ||
            !copyRaw(tag.off + kTagHeader + skip, tag.size - skip) || !sink.write(h + kTagHeader, 4)) {
            if (error.empty())
                error = "write error";
            return false;
        }
    }
    if (!flushRun())
        return false;
    if (r.failed()) {
        error = "read error";
        return false;
    }
    if (written != static_cast<std::uint64_t>(md.fileSize)) {
        error = "the file changed while it was being read";
        return false;
    }
    return true;
}

} // namespace fmd
