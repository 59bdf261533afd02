// Picture sizes and audio formats from the first bytes of the codec payloads. Every
// reader is bounded by the byte count it is given: the payloads come from files that
// may be damaged.
#include "FlvInject.h"

#include <vector>

namespace fmd {
namespace {

class BitReader {
public:
    BitReader(const std::uint8_t* p, std::size_t n) : p_(p), bits_(n * 8) {}
    bool failed() const { return failed_; }
    std::uint32_t u(int count)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) {
            if (pos_ >= bits_) {
                failed_ = true;
                return 0;
            }
            v = (v << 1) | ((p_[pos_ >> 3] >> (7 - (pos_ & 7))) & 1u);
            ++pos_;
        }
        return v;
    }
    // Exp-Golomb; values beyond 32 bits mark the stream as broken.
    std::uint32_t ue()
    {
        int zeros = 0;
        while (!failed_ && u(1) == 0) {
            if (++zeros > 31) {
                failed_ = true;
                return 0;
            }
        }
        if (failed_)
            return 0;
        return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + u(zeros));
    }
    std::int32_t se()
    {
        const std::uint32_t k = ue();
        return (k & 1) ? static_cast<std::int32_t>((k + 1) / 2) : -static_cast<std::int32_t>(k / 2);
    }

private:
    const std::uint8_t* p_;
    std::size_t bits_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

void skipScalingList(BitReader& br, int size)
{
    int last = 8, next = 8;
    for (int j = 0; j < size && !br.failed(); ++j) {
        if (next != 0)
            next = (last + br.se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

} // namespace

bool h263Size(const std::uint8_t* p, std::size_t n, int& w, int& h)
{
    BitReader br(p, n);
    if (br.u(17) != 1)
        return false;
    br.u(5);  // version
    br.u(8);  // temporal reference
    const std::uint32_t size = br.u(3);
    switch (size) {
    case 0: w = static_cast<int>(br.u(8)); h = static_cast<int>(br.u(8)); break;
    case 1: w = static_cast<int>(br.u(16)); h = static_cast<int>(br.u(16)); break;
    case 2: w = 352; h = 288; break;
    case 3: w = 176; h = 144; break;
    case 4: w = 128; h = 96; break;
    case 5: w = 320; h = 240; break;
    case 6: w = 160; h = 120; break;
    default: return false;
    }
    return !br.failed() && w > 0 && h > 0;
}

int pictureKind(int codec, const std::uint8_t* p, std::size_t n)
{
    if (n == 0)
        return 0;
    switch (codec) {
    case 2: {  // H.263: the picture type follows the size
        BitReader br(p, n);
        if (br.u(17) != 1)
            return 0;
        br.u(5);
        br.u(8);
        const std::uint32_t size = br.u(3);
        if (size == 0)
            br.u(16);
        else if (size == 1)
            br.u(32);
        const std::uint32_t type = br.u(2);
        return br.failed() || type > 2 ? 0 : static_cast<int>(type) + 1;
    }
    case 4: case 5: {  // VP6: the frame's first bit, after the adjustment byte(s)
        const std::size_t start = codec == 5 ? 4 : 1;
        return n > start ? ((p[start] & 0x80) ? 2 : 1) : 0;
    }
    case 7: {  // AVC: a configuration or end of sequence goes with key frames; else an IDR slice
        if (p[0] != 1)
            return p[0] <= 2 ? 1 : 0;
        for (std::size_t at = 4; at + 5 <= n;) {
            const std::uint32_t len = (std::uint32_t{p[at]} << 24) | (std::uint32_t{p[at + 1]} << 16) |
                                      (std::uint32_t{p[at + 2]} << 8) | p[at + 3];
            if ((p[at + 4] & 0x1F) == 5)
                return 1;
            if (len == 0 || len > n)
                break;
            at += 4 + len;
        }
        return 2;
    }
    default: return 0;
    }
}

bool screenVideoSize(const std::uint8_t* p, std::size_t n, int& w, int& h)
{
    if (n < 4)
        return false;
    w = ((p[0] & 0x0F) << 8) | p[1];
    h = ((p[2] & 0x0F) << 8) | p[3];
    return w > 0 && h > 0;
}

bool vp6Size(const std::uint8_t* p, std::size_t n, bool alpha, int& w, int& h)
{
    // Adjustment byte (cropping of the last macroblock), for the alpha variant followed
    // by the 24-bit offset of the alpha plane, then the VP6 frame.
    const std::size_t start = alpha ? 4 : 1;
    if (n < start + 2)
        return false;
    const int hAdjust = p[0] >> 4, vAdjust = p[0] & 0x0F;
    const std::uint8_t* f = p + start;
    std::size_t left = n - start;
    if (f[0] & 0x80)
        return false;  // not a key frame: no dimensions
    const bool separatedCoeff = f[0] & 1;
    const bool filterHeader = f[1] & 0x06;
    std::size_t at = 2;
    if (separatedCoeff || !filterHeader)
        at += 2;
    if (left < at + 2)
        return false;
    const int rows = f[at], cols = f[at + 1];
    w = cols * 16 - hAdjust;
    h = rows * 16 - vAdjust;
    return w > 0 && h > 0;
}

bool avcSpsSize(const std::uint8_t* nal, std::size_t n, int& w, int& h)
{
    if (n < 4 || (nal[0] & 0x1F) != 7)
        return false;
    // Strip emulation prevention bytes (00 00 03 -> 00 00).
    std::vector<std::uint8_t> rbsp;
    rbsp.reserve(n);
    int zeros = 0;
    for (std::size_t i = 1; i < n; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    BitReader br(rbsp.data(), rbsp.size());
    const std::uint32_t profile = br.u(8);
    br.u(8);  // constraint flags
    br.u(8);  // level
    br.ue();  // seq_parameter_set_id
    std::uint32_t chroma = 1;
    bool separatePlanes = false;
    switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86:
    case 118: case 128: case 138: case 139: case 134: case 135:
        chroma = br.ue();
        if (chroma > 3)
            return false;
        if (chroma == 3)
            separatePlanes = br.u(1);
        br.ue();  // bit depth luma
        br.ue();  // bit depth chroma
        br.u(1);  // qpprime_y_zero_transform_bypass
        if (br.u(1)) {  // seq_scaling_matrix_present
            const int lists = chroma != 3 ? 8 : 12;
            for (int i = 0; i < lists && !br.failed(); ++i)
                if (br.u(1))
                    skipScalingList(br, i < 6 ? 16 : 64);
        }
        break;
    default:
        break;
    }
    br.ue();  // log2_max_frame_num_minus4
    const std::uint32_t pocType = br.ue();
    if (pocType == 0) {
        br.ue();
    } else if (pocType == 1) {
        br.u(1);
        br.se();
        br.se();
        const std::uint32_t cycle = br.ue();
        if (cycle > 255)
            return false;
        for (std::uint32_t i = 0; i < cycle && !br.failed(); ++i)
            br.se();
    } else if (pocType != 2) {
        return false;
    }
    br.ue();  // max_num_ref_frames
    br.u(1);  // gaps_in_frame_num_allowed
    const std::uint32_t widthMbs = br.ue() + 1;
    const std::uint32_t heightMapUnits = br.ue() + 1;
    const std::uint32_t frameMbsOnly = br.u(1);
    if (!frameMbsOnly)
        br.u(1);  // mb_adaptive_frame_field
    br.u(1);      // direct_8x8_inference
    std::uint32_t cl = 0, cr = 0, ct = 0, cb = 0;
    if (br.u(1)) {
        cl = br.ue();
        cr = br.ue();
        ct = br.ue();
        cb = br.ue();
    }
    if (br.failed() || widthMbs > 2048 || heightMapUnits > 2048)
        return false;
    const bool mono = chroma == 0 || separatePlanes;
    const std::int64_t cropX = mono ? 1 : (chroma == 3 ? 1 : 2);
    const std::int64_t cropY = (mono ? 1 : (chroma == 1 ? 2 : 1)) * (2 - frameMbsOnly);
    const std::int64_t ww = std::int64_t{widthMbs} * 16 - cropX * (std::int64_t{cl} + cr);
    const std::int64_t hh = std::int64_t{heightMapUnits} * 16 * (2 - frameMbsOnly) - cropY * (std::int64_t{ct} + cb);
    if (ww <= 0 || hh <= 0)
        return false;
    w = static_cast<int>(ww);
    h = static_cast<int>(hh);
    return true;
}

bool avcConfigSize(const std::uint8_t* p, std::size_t n, int& w, int& h)
{
    if (n < 8 || p[0] != 1)
        return false;
    const int count = p[5] & 0x1F;
    std::size_t at = 6;
    for (int i = 0; i < count; ++i) {
        if (at + 2 > n)
            return false;
        const std::size_t len = (std::size_t{p[at]} << 8) | p[at + 1];
        at += 2;
        if (len > n - at)
            return false;
        if (avcSpsSize(p + at, len, w, h))
            return true;
        at += len;
    }
    return false;
}

bool aacConfig(const std::uint8_t* p, std::size_t n, int& rate, int& channels)
{
    static constexpr int rates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                      22050, 16000, 12000, 11025, 8000, 7350};
    BitReader br(p, n);
    std::uint32_t object = br.u(5);
    if (object == 31)
        object = 32 + br.u(6);
    const std::uint32_t index = br.u(4);
    if (index == 15)
        rate = static_cast<int>(br.u(24));
    else if (index < 13)
        rate = rates[index];
    else
        return false;
    channels = static_cast<int>(br.u(4));
    return !br.failed() && rate > 0;
}

bool mp3Header(const std::uint8_t* p, std::size_t n, int& rate, int& channels, int& samples)
{
    if (n < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layer = (p[1] >> 1) & 3;    // 1: III, 2: II, 3: I
    const int index = (p[2] >> 2) & 3;
    if (version == 1 || layer == 0 || index == 3)
        return false;
    static constexpr int base[3] = {44100, 48000, 32000};
    rate = base[index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    channels = ((p[3] >> 6) & 3) == 3 ? 1 : 2;
    if (layer == 3)
        samples = 384;
    else if (layer == 2)
        samples = 1152;
    else
        samples = version == 3 ? 1152 : 576;
    return true;
}

} // namespace fmd
