// libFuzzer target: any bytes through the scan and the writer. Beyond not crashing, the
// output of an accepted input must be a sound FLV that the injector leaves as it is
// (a second run gives the same bytes) and must carry every audio and video byte.
#include "FlvInject.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fmd::MemorySource src(data, size);
    fmd::Scan scan;
    std::string error;
    if (!fmd::scanFlv(src, scan, error))
        return 0;
    fmd::MemorySink out;
    if (!fmd::writeFlv(src, scan, out, error))
        std::abort();
    // The copy plan and the tag-by-tag walk must write the same file.
    if (scan.copyPlanValid) {
        fmd::Scan walked = scan;
        walked.copyPlanValid = false;
        fmd::MemorySink viaWalk;
        if (!fmd::writeFlv(src, walked, viaWalk, error) || viaWalk.bytes != out.bytes)
            std::abort();
    }
    const fmd::Metadata md = fmd::makeMetadata(scan);
    if (static_cast<double>(out.bytes.size()) != md.fileSize)
        std::abort();

    fmd::MemorySource again(out.bytes.data(), out.bytes.size());
    fmd::Scan second;
    if (!fmd::scanFlv(again, second, error))
        std::abort();
    if (second.droppedBytes != 0 || second.videoDataBytes != scan.videoDataBytes ||
        second.audioDataBytes != scan.audioDataBytes || second.videoTags != scan.videoTags ||
        second.audioTags != scan.audioTags || second.oldMetadataTags != 1)
        std::abort();
    fmd::MemorySink out2;
    if (!fmd::writeFlv(again, second, out2, error) || out2.bytes != out.bytes)
        std::abort();
    return 0;
}
