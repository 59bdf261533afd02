// The parser and writer called directly: codec headers built bit by bit, and a file of
// more than 4 GB that exists only as a generator.
#include "FlvInject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

class BitWriter {
public:
    void u(std::uint32_t v, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            bit((v >> i) & 1);
    }
    void ue(std::uint32_t v)
    {
        const std::uint32_t x = v + 1;
        int len = 0;
        while ((x >> len) > 1)
            ++len;
        u(0, len);
        u(x, len + 1);
    }
    std::vector<std::uint8_t> bytes()
    {
        std::vector<std::uint8_t> out = bytes_;
        if (used_ > 0)
            out.push_back(static_cast<std::uint8_t>(cur_ << (8 - used_)));
        return out;
    }

private:
    void bit(std::uint32_t b)
    {
        cur_ = static_cast<std::uint8_t>((cur_ << 1) | b);
        if (++used_ == 8) {
            bytes_.push_back(cur_);
            cur_ = 0;
            used_ = 0;
        }
    }
    std::vector<std::uint8_t> bytes_;
    std::uint8_t cur_ = 0;
    int used_ = 0;
};

// Inserts the emulation prevention bytes an encoder puts into a NAL unit.
std::vector<std::uint8_t> escape(const std::vector<std::uint8_t>& rbsp)
{
    std::vector<std::uint8_t> out;
    int zeros = 0;
    for (std::uint8_t b : rbsp) {
        if (zeros >= 2 && b <= 3) {
            out.push_back(3);
            zeros = 0;
        }
        out.push_back(b);
        zeros = b == 0 ? zeros + 1 : 0;
    }
    return out;
}

std::vector<std::uint8_t> sps(std::uint32_t profile, std::uint32_t level, int widthMbs, int heightMbs,
                              std::uint32_t cropRight, std::uint32_t cropBottom)
{
    BitWriter w;
    w.u(0x67, 8);  // NAL header: SPS
    w.u(profile, 8);
    w.u(0, 8);     // constraint flags
    w.u(level, 8);
    w.ue(0);       // sps id
    if (profile == 100) {
        w.ue(1);   // 4:2:0
        w.ue(0);
        w.ue(0);
        w.u(0, 1);
        w.u(0, 1); // no scaling matrix
    }
    w.ue(0);       // log2_max_frame_num - 4
    w.ue(0);       // poc type 0
    w.ue(2);
    w.ue(1);       // ref frames
    w.u(0, 1);
    w.ue(static_cast<std::uint32_t>(widthMbs - 1));
    w.ue(static_cast<std::uint32_t>(heightMbs - 1));
    w.u(1, 1);     // frame_mbs_only
    w.u(1, 1);     // direct_8x8
    const bool crop = cropRight || cropBottom;
    w.u(crop, 1);
    if (crop) {
        w.ue(0);
        w.ue(cropRight);
        w.ue(0);
        w.ue(cropBottom);
    }
    w.u(0, 1);     // no VUI
    w.u(1, 1);     // stop bit
    return w.bytes();
}

TEST(FmdCodec, SpsSizeWithCroppingAndEmulationBytes)
{
    int w = 0, h = 0;
    // 1920x1080 in High profile: 68 macroblock rows, 8 lines cropped.
    const auto hd = escape(sps(100, 40, 120, 68, 0, 4));
    ASSERT_TRUE(fmd::avcSpsSize(hd.data(), hd.size(), w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    // A zero level gives "00 00" followed by a small byte: the encoder escapes it, and
    // read without removing the 03 the sizes come out wrong.
    const auto raw = sps(0, 0, 20, 15, 0, 0);
    const auto escaped = escape(raw);
    ASSERT_NE(raw.size(), escaped.size());
    ASSERT_TRUE(fmd::avcSpsSize(escaped.data(), escaped.size(), w, h));
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);

    // The same SPS inside an AVCDecoderConfigurationRecord.
    std::vector<std::uint8_t> record = {1, 100, 0, 40, 0xFF, 0xE1, 0, static_cast<std::uint8_t>(hd.size())};
    record.insert(record.end(), hd.begin(), hd.end());
    record.push_back(1);
    w = h = 0;
    ASSERT_TRUE(fmd::avcConfigSize(record.data(), record.size(), w, h));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);

    // Cut short anywhere: refused, never read past the end.
    for (std::size_t n = 0; n < hd.size() - 1; ++n) {
        std::vector<std::uint8_t> cut(hd.begin(), hd.begin() + static_cast<std::ptrdiff_t>(n));
        fmd::avcSpsSize(cut.data(), cut.size(), w, h);
    }
    EXPECT_FALSE(fmd::avcConfigSize(record.data(), 10, w, h));
}

TEST(FmdCodec, PictureHeaders)
{
    int w = 0, h = 0;
    // Sorenson H.263: start code 17 bits, version, reference, size code 1 (16-bit sizes).
    BitWriter big;
    big.u(1, 17);
    big.u(0, 5);
    big.u(0, 8);
    big.u(1, 3);
    big.u(720, 16);
    big.u(576, 16);
    auto b = big.bytes();
    ASSERT_TRUE(fmd::h263Size(b.data(), b.size(), w, h));
    EXPECT_EQ(w, 720);
    EXPECT_EQ(h, 576);
    BitWriter fixed;
    fixed.u(1, 17);
    fixed.u(0, 13);
    fixed.u(3, 3);  // QCIF
    b = fixed.bytes();
    ASSERT_TRUE(fmd::h263Size(b.data(), b.size(), w, h));
    EXPECT_EQ(w, 176);
    EXPECT_EQ(h, 144);
    EXPECT_FALSE(fmd::h263Size(b.data(), 3, w, h));

    // VP6: adjustment byte (8 columns, 4 rows cropped), key frame, version 8 with the
    // filter header bits, 9 x 11 macroblocks.
    const std::uint8_t vp6[] = {0x84, 0x00, 0x46, 9, 11, 9, 11};
    ASSERT_TRUE(fmd::vp6Size(vp6, sizeof vp6, false, w, h));
    EXPECT_EQ(w, 11 * 16 - 8);
    EXPECT_EQ(h, 9 * 16 - 4);
    // Without the filter header bits two bytes of coefficient offset come first.
    const std::uint8_t vp6b[] = {0x00, 0x00, 0x40, 0x00, 0x10, 5, 7};
    ASSERT_TRUE(fmd::vp6Size(vp6b, sizeof vp6b, false, w, h));
    EXPECT_EQ(w, 112);
    EXPECT_EQ(h, 80);
    // The alpha variant carries the 24-bit alpha offset after the adjustment byte.
    const std::uint8_t vp6a[] = {0x00, 0x00, 0x01, 0x00, 0x00, 0x46, 2, 3};
    ASSERT_TRUE(fmd::vp6Size(vp6a, sizeof vp6a, true, w, h));
    EXPECT_EQ(w, 48);
    EXPECT_EQ(h, 32);
    const std::uint8_t inter[] = {0x00, 0x80, 0x46, 9, 11};
    EXPECT_FALSE(fmd::vp6Size(inter, sizeof inter, false, w, h));

    const std::uint8_t screen[] = {0x31, 0x40, 0x30, 0xF0};
    ASSERT_TRUE(fmd::screenVideoSize(screen, sizeof screen, w, h));
    EXPECT_EQ(w, 0x140);
    EXPECT_EQ(h, 0x0F0);
}

TEST(FmdCodec, AudioHeaders)
{
    int rate = 0, channels = 0, samples = 0;
    const std::uint8_t aac[] = {0x11, 0x88};  // LC, 48 kHz, mono
    ASSERT_TRUE(fmd::aacConfig(aac, sizeof aac, rate, channels));
    EXPECT_EQ(rate, 48000);
    EXPECT_EQ(channels, 1);
    const std::uint8_t aacExplicit[] = {0x17, 0x80, 0x01, 0xF4, 0x01, 0x00};  // index 15: 24-bit rate
    ASSERT_TRUE(fmd::aacConfig(aacExplicit, sizeof aacExplicit, rate, channels));
    EXPECT_EQ(rate, 1000);
    EXPECT_FALSE(fmd::aacConfig(aacExplicit, 2, rate, channels));

    const std::uint8_t mpeg1[] = {0xFF, 0xFB, 0x90, 0x44};  // MPEG-1 layer III, 44.1 kHz, joint stereo
    ASSERT_TRUE(fmd::mp3Header(mpeg1, sizeof mpeg1, rate, channels, samples));
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(samples, 1152);
    const std::uint8_t mpeg2[] = {0xFF, 0xF3, 0x84, 0xC4};  // MPEG-2 layer III, 24 kHz, mono
    ASSERT_TRUE(fmd::mp3Header(mpeg2, sizeof mpeg2, rate, channels, samples));
    EXPECT_EQ(rate, 24000);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(samples, 576);
    const std::uint8_t notMp3[] = {0xFF, 0x0B, 0x90, 0x44};
    EXPECT_FALSE(fmd::mp3Header(notMp3, sizeof notMp3, rate, channels, samples));
}

// A video-only FLV of 16 MB key frames that adds up to more than 4 GB, generated on the
// fly: every tag is a Sorenson key frame of 320x240.
class HugeFlv final : public fmd::Source {
public:
    static constexpr std::uint64_t kData = 0xFFFFF0;
    static constexpr std::uint64_t kTag = 11 + kData + 4;
    static constexpr std::uint64_t kTags = 270;
    std::uint64_t size() const override { return 13 + kTags * kTag; }
    std::size_t readAt(std::uint64_t off, void* buf, std::size_t n) override
    {
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size() - std::min(off, size())));
        auto* out = static_cast<std::uint8_t*>(buf);
        std::memset(out, 0, n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t at = off + i;
            if (at < 13) {
                static const std::uint8_t header[13] = {'F', 'L', 'V', 1, 1, 0, 0, 0, 9, 0, 0, 0, 0};
                out[i] = header[at];
                continue;
            }
            const std::uint64_t in = (at - 13) % kTag;
            if (in >= 11 + 8 && in < 11 + kData) {
                // Jump over the zeros of the payload.
                const std::uint64_t skip = std::min<std::uint64_t>(11 + kData - in, n - i) - 1;
                i += static_cast<std::size_t>(skip);
                continue;
            }
            out[i] = byteAt((at - 13) / kTag, in);
        }
        return n;
    }

private:
    static std::uint8_t byteAt(std::uint64_t tag, std::uint64_t in)
    {
        const std::uint64_t ts = tag * 1000;
        static const std::uint8_t picture[8] = {0x12, 0x00, 0x00, 0x80, 0x02, 0x80, 0x00, 0x00}; // H.263, 320x240
        switch (in) {
        case 0: return 9;
        case 1: return static_cast<std::uint8_t>(kData >> 16);
        case 2: return static_cast<std::uint8_t>(kData >> 8);
        case 3: return static_cast<std::uint8_t>(kData);
        case 4: return static_cast<std::uint8_t>(ts >> 16);
        case 5: return static_cast<std::uint8_t>(ts >> 8);
        case 6: return static_cast<std::uint8_t>(ts);
        case 7: return static_cast<std::uint8_t>(ts >> 24);
        case 8: case 9: case 10: return 0;
        default: break;
        }
        if (in < 11 + 8)
            return picture[in - 11];
        const std::uint64_t prev = 11 + kData;
        return static_cast<std::uint8_t>(prev >> (8 * (3 - (in - 11 - kData))));
    }
};

// Counts what is written and keeps the bytes at the positions it is asked about.
class ProbeSink final : public fmd::Sink {
public:
    std::uint64_t written = 0;
    std::vector<std::uint8_t> head;
    std::vector<std::uint64_t> watch;
    std::vector<std::uint8_t> seen;
    bool write(const void* data, std::size_t n) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        for (std::size_t i = 0; i < n && head.size() < 64 * 1024; ++i)
            head.push_back(p[i]);
        for (std::size_t k = 0; k < watch.size(); ++k)
            if (watch[k] >= written && watch[k] < written + n)
                seen[k] = p[watch[k] - written];
        written += n;
        return true;
    }
};

TEST(FmdCore, FilesOverFourGigabytes)
{
    HugeFlv src;
    ASSERT_GT(src.size(), 0x100000000ull);
    fmd::Scan scan;
    std::string error;
    ASSERT_TRUE(fmd::scanFlv(src, scan, error)) << error;
    EXPECT_EQ(scan.videoTags, HugeFlv::kTags);
    EXPECT_EQ(scan.width, 320);
    const fmd::Metadata md = fmd::makeMetadata(scan);
    ASSERT_EQ(md.keyPositions.size(), HugeFlv::kTags);
    EXPECT_GT(md.keyPositions.back(), 4294967296.0);
    EXPECT_GT(md.fileSize, 4294967296.0);
    // Times beyond 2^24 ms come from the extended byte.
    EXPECT_DOUBLE_EQ(md.keyTimes.back(), double(HugeFlv::kTags - 1));

    ProbeSink sink;
    for (double p : md.keyPositions)
        sink.watch.push_back(static_cast<std::uint64_t>(p));
    sink.seen.assign(sink.watch.size(), 0);
    ASSERT_TRUE(fmd::writeFlv(src, scan, sink, error)) << error;
    EXPECT_EQ(static_cast<double>(sink.written), md.fileSize);
    for (std::size_t k = 0; k < sink.seen.size(); ++k)
        ASSERT_EQ(sink.seen[k], 9) << "key frame " << k << " at " << sink.watch[k];
    // The metadata tag written is the one made from the scan.
    const std::vector<std::uint8_t> meta = fmd::encodeMetadataTag(md);
    ASSERT_GE(sink.head.size(), 13 + meta.size());
    EXPECT_TRUE(std::equal(meta.begin(), meta.end(), sink.head.begin() + 13));
}

TEST(FmdCore, CommandLinePath)
{
    std::string path, error;
    EXPECT_FALSE(fmd::pathFromArgs({}, path, error));
    EXPECT_FALSE(fmd::pathFromArgs({"/nonexistent/a b.flv"}, path, error));
    EXPECT_NE(error.find("a b.flv"), std::string::npos);
    ASSERT_TRUE(fmd::pathFromArgs({"\"/bin\""}, path, error));
    EXPECT_EQ(path, "/bin");
    EXPECT_FALSE(fmd::pathFromArgs({"/bin", "/usr"}, path, error));
}

} // namespace

namespace {

std::vector<std::uint8_t> tagBytes(std::uint8_t type, std::uint32_t ts, const std::vector<std::uint8_t>& data, std::uint32_t prev)
{
    const auto n = static_cast<std::uint32_t>(data.size());
    std::vector<std::uint8_t> t = {type, std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n),
                                   std::uint8_t(ts >> 16), std::uint8_t(ts >> 8), std::uint8_t(ts), std::uint8_t(ts >> 24), 0, 0, 0};
    t.insert(t.end(), data.begin(), data.end());
    for (int i = 3; i >= 0; --i)
        t.push_back(std::uint8_t(prev >> (8 * i)));
    return t;
}

// What a tag is must come from its own bytes: a one-byte H.264 tag has no packet type,
// whatever its (wrong) trailing size field holds.
TEST(FmdCore, ShortTagsAreJudgedByTheirOwnBytes)
{
    auto scanOf = [](std::uint32_t trailing) {
        std::vector<std::uint8_t> f = {'F', 'L', 'V', 1, 1, 0, 0, 0, 9, 0, 0, 0, 0};
        for (std::uint32_t i = 0; i < 3; ++i) {
            const auto t = tagBytes(9, i * 40, {0x17}, i == 1 ? trailing : 12);
            f.insert(f.end(), t.begin(), t.end());
        }
        fmd::MemorySource src(f.data(), f.size());
        fmd::Scan scan;
        std::string error;
        EXPECT_TRUE(fmd::scanFlv(src, scan, error)) << error;
        return scan;
    };
    const fmd::Scan a = scanOf(12), b = scanOf(0x01000000);
    EXPECT_EQ(a.videoFrames, b.videoFrames);
    EXPECT_EQ(a.keyTimes, b.keyTimes);
}

} // namespace
