#pragma once
// The FLV metadata injector: walks the tag headers of an FLV file (scan), then writes
// one fresh onMetaData script tag followed by the tags, copied as ranges of the file
// where they stay as they were, and puts the new file in place.
//
// Memory does not grow with the file: only the key frame index (one time and one
// position per key frame) is kept, because it goes into the metadata itself.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fmd {

// Random-access bytes to read from: a file, or memory for the tests and the fuzzer.
class Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to n bytes at off; returns the count read (short only at the end or on an
    // error, which ok() then reports).
    virtual std::size_t readAt(std::uint64_t off, void* buf, std::size_t n) = 0;
    virtual bool ok() const { return true; }
    // All of the bytes in place (memory, a mapped file), or null: the walk then reads
    // headers where they lie instead of copying windows of the file.
    virtual const std::uint8_t* bytes() const { return nullptr; }
    // The walk has passed off: a mapped file lets go of the pages before it (they stay
    // in the page cache, and are mapped again if read again).
    virtual void passed(std::uint64_t off) {}
};

class MemorySource final : public Source {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t readAt(std::uint64_t off, void* buf, std::size_t n) override;
    const std::uint8_t* bytes() const override { return data_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

class Sink {
public:
    virtual ~Sink() = default;
    // False on a write error; the writer stops at once.
    virtual bool write(const void* data, std::size_t n) = 0;
    // Copies bytes of the source unchanged, without passing them through memory when
    // the sink can (a file to a file). Unsupported means: write them instead.
    enum class Copy { Done, Unsupported, Failed };
    virtual Copy copyFromSource(std::uint64_t off, std::uint64_t n) { return Copy::Unsupported; }
};

class MemorySink final : public Sink {
public:
    bool write(const void* data, std::size_t n) override;
    std::vector<std::uint8_t> bytes;
};

// Damage that the walk mends on the way, and what it cannot mend.
struct Mends {
    std::uint64_t streamIds = 0;   // tags whose stream id was not zero
    std::uint64_t timestamps = 0;  // tags whose time jumped away from their neighbours
    std::uint64_t typeBytes = 0;   // tags with reserved bits set in their type byte
    std::uint64_t dataSizes = 0;   // tags whose data size disagreed with their trailing size
    std::uint64_t flagBytes = 0;   // audio or video flags naming another codec or no frame type
    std::uint64_t lostMediaTags = 0;    // audio or video tags too damaged to keep
    std::uint64_t lostCodecHeaders = 0; // of those, codec headers (AVC, HEVC, AAC)
    bool any() const { return streamIds + timestamps + typeBytes + dataSizes + flagBytes > 0; }
};

// What the scan learns about the streams. Times are milliseconds of the (unwrapped)
// tag timestamps.
struct Scan {
    std::uint64_t headerEnd = 0;      // offset of the first tag
    std::uint64_t validEnd = 0;       // end of the last tag that is kept
    std::uint64_t droppedBytes = 0;   // bytes of the input that are not carried over
    std::uint64_t skippedRegions = 0; // stretches of garbage stepped over between tags

    bool hasVideo = false, hasAudio = false;
    std::uint64_t videoTags = 0, audioTags = 0, scriptTags = 0, oldMetadataTags = 0;
    std::uint64_t videoFrames = 0;    // video tags that are pictures (not codec headers)
    std::uint64_t videoTagBytes = 0, audioTagBytes = 0, scriptTagBytes = 0; // tag header + data
    std::uint64_t videoDataBytes = 0, audioDataBytes = 0;                   // codec bytes (after the flags byte)
    std::uint64_t bodyBytes = 0;      // every kept tag with its trailing size, as written

    bool anyTimestamp = false;
    std::int64_t firstTs = 0, lastTs = 0;
    std::int64_t firstVideoTs = -1, lastVideoTs = -1;
    std::int64_t firstAudioTs = -1, lastAudioTs = -1;
    bool lastVideoIsKey = false;

    int videoCodec = -1, audioCodec = -1;
    int width = 0, height = 0;
    int sampleRate = 0, sampleSize = 0;
    bool stereo = false;
    int audioFrameSamples = 0;        // samples per audio frame when the codec says so
    std::uint32_t lastAudioSize = 0;  // data size of the last audio tag (PCM lasts by its size)

    // When every kept tag goes out unchanged: the stretches of the input to copy.
    bool copyPlanValid = true;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> copyPlan;  // offset, length

    std::vector<double> keyTimes;              // seconds
    std::vector<std::uint64_t> keyBodyOffsets; // offset of the key frame tag inside the body
    // Presentation times (ms) of the key pictures, codec headers left out: the tag time
    // plus the composition offset that H.264 and HEVC tags carry. What a cut lands on.
    std::vector<std::int64_t> keyPictureTimes;
    std::int64_t firstPictureTime = -1; // presentation time (ms) of the first picture
    std::int64_t firstSoundTime = -1;   // time (ms) of the first audio tag with sound in it

    Mends mends;
};

// The values written as onMetaData, derived from a scan.
struct Metadata {
    bool hasVideo = false, hasAudio = false, hasKeyframes = false, canSeekToEnd = false;
    double duration = 0, lastTimestamp = 0, lastKeyframeTimestamp = 0;
    double width = 0, height = 0, framerate = 0;
    double videoDataRate = 0, audioDataRate = 0;
    double videoCodecId = 0, audioCodecId = 0;
    double audioSampleRate = 0, audioSampleSize = 0;
    bool stereo = false;
    double fileSize = 0, videoSize = 0, audioSize = 0, dataSize = 0;
    std::vector<double> keyTimes;
    std::vector<double> keyPositions;
};

inline constexpr const char* kCreator = "Zorvo.FLV";

// Pass one. False (with a reason) when the input is not an FLV file or holds no audio
// or video tag; nothing is to be written then.
bool scanFlv(Source& src, Scan& scan, std::string& error);

// The metadata for a scan, with file positions and sizes of the output.
Metadata makeMetadata(const Scan& scan);

// The complete onMetaData tag (header, AMF0 body, trailing size).
std::vector<std::uint8_t> encodeMetadataTag(const Metadata& md);

// Pass two: writes the new file to sink. The source must be the one scanned.
bool writeFlv(Source& src, const Scan& scan, Sink& sink, std::string& error);

// Both passes on a file, replacing it atomically on success. Returns 0 on success, else
// an exit code, with the reason in error and the file untouched. notes gets warnings
// about repairs (dropped bytes).
int injectFile(const std::string& path, std::string& error, std::string& notes);

// Pass one alone on a file, which is only read.
bool scanFile(const std::string& path, Scan& scan, std::string& error);

// The file named by a command line of the tools: one path, possibly in quotation marks,
// possibly split at its blanks by a runner that does not know quoting.
bool pathFromArgs(const std::vector<std::string>& args, std::string& path, std::string& error);

// --- codec headers (exposed for the tests) ---
// Picture size from the first bytes of a video tag's payload (after the flags byte).
bool h263Size(const std::uint8_t* p, std::size_t n, int& w, int& h);
bool screenVideoSize(const std::uint8_t* p, std::size_t n, int& w, int& h);
// VP6: p starts at the adjustment byte.
bool vp6Size(const std::uint8_t* p, std::size_t n, bool alpha, int& w, int& h);
// An H.264 sequence parameter set NAL unit (with its header byte, emulation bytes in).
bool avcSpsSize(const std::uint8_t* nal, std::size_t n, int& w, int& h);
// AVCDecoderConfigurationRecord.
bool avcConfigSize(const std::uint8_t* p, std::size_t n, int& w, int& h);
// What a video payload says of its own picture: 1 key frame, 2 inter frame, 3
// disposable inter frame, 0 when the codec's header does not say (p after the flags byte).
int pictureKind(int codec, const std::uint8_t* p, std::size_t n);
// AudioSpecificConfig.
bool aacConfig(const std::uint8_t* p, std::size_t n, int& rate, int& channels);
// An MPEG audio frame header; samples is per frame.
bool mp3Header(const std::uint8_t* p, std::size_t n, int& rate, int& channels, int& samples);

} // namespace fmd
