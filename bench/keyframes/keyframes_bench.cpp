// How long the key frames of a large file take to be known: the reader the player runs
// in the background against ffprobe listing the key pictures of the same file, on an
// H.264 FLV without metadata, the same with the injector's metadata (a key-frame index),
// and an MP4. Median and least wall time of a few rounds, files in the page cache.
// Prints figures and asserts nothing.
//
// Usage: keyframes_bench [RUNS]   (the large files are made once into the build folder)
#include "keyframes/KeyFrames.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const std::string kWork = ZORVO_BENCH_DIR;
const std::string kFfmpeg = ZORVO_FFMPEG;
const std::string kFfprobe = ZORVO_FFPROBE;
const std::string kInjector = ZORVO_FMD_PROGRAM;
constexpr std::uint64_t kTarget = 1000ull * 1000 * 1000;

std::uint64_t fileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool sh(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

// A minute of 720p H.264 (with B-frames) and AAC, repeated by stream copy up to ~1 GB.
std::string bigFile(const std::string& name, const std::string& format, const std::string& extra)
{
    const std::string big = kWork + "/" + name;
    if (fileSize(big) >= kTarget * 9 / 10)
        return big;
    sh("mkdir -p '" + kWork + "'");
    const std::string ff = "'" + kFfmpeg + "' -hide_banner -loglevel error -nostdin -y ";
    const std::string clip = kWork + "/clip.flv";
    if (fileSize(clip) == 0) {
        std::printf("making the clip once (ffmpeg)...\n");
        std::fflush(stdout);
        if (!sh(ff + "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 -f lavfi -i sine=frequency=440:duration=60 "
                     "-c:v libx264 -preset veryfast -b:v 4M -g 50 -pix_fmt yuv420p -c:a aac -b:a 128k -f flv '" +
                clip + ".part' && mv '" + clip + ".part' '" + clip + "'"))
            return {};
    }
    const std::uint64_t copies = kTarget / fileSize(clip) + 1;
    const std::string list = kWork + "/list.txt";
    std::FILE* f = std::fopen(list.c_str(), "w");
    if (!f)
        return {};
    for (std::uint64_t i = 0; i < copies; ++i)
        std::fprintf(f, "file '%s'\n", clip.c_str());
    std::fclose(f);
    std::printf("making %s once (ffmpeg)...\n", big.c_str());
    std::fflush(stdout);
    if (!sh(ff + "-f concat -safe 0 -i '" + list + "' -c copy " + extra + " -f " + format + " '" + big + ".part' && mv '" +
            big + ".part' '" + big + "'"))
        return {};
    return big;
}

double seconds(const std::chrono::steady_clock::time_point& since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void benchFile(const std::string& label, const std::string& file, int runs)
{
    if (file.empty()) {
        std::printf("%-24s could not be made\n", label.c_str());
        return;
    }
    sh("cat '" + file + "' > /dev/null");
    std::vector<double> ours, probe;
    std::size_t count = 0;
    for (int i = 0; i < runs; ++i) {
        auto t = std::chrono::steady_clock::now();
        const keyframes::Result r = keyframes::read(QString::fromStdString(file));
        ours.push_back(seconds(t));
        count = r.times.size();
        t = std::chrono::steady_clock::now();
        sh("'" + kFfprobe + "' -v error -skip_frame nokey -select_streams v -show_entries frame=pts_time -of csv=p=0 '" +
           file + "' > /dev/null");
        probe.push_back(seconds(t));
    }
    std::sort(ours.begin(), ours.end());
    std::sort(probe.begin(), probe.end());
    const double m = ours[ours.size() / 2], p = probe[probe.size() / 2];
    std::printf("%-24s %7.0f MB %6zu keys   reader %6.3f s (least %6.3f)   ffprobe %7.3f s (least %7.3f)   ratio %.3f\n",
                label.c_str(), fileSize(file) / 1e6, count, m, ours.front(), p, probe.front(), p > 0 ? m / p : 0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string plain = bigFile("big-plain.flv", "flv", "-flvflags no_metadata");
    std::string indexed = kWork + "/big-indexed.flv";
    if (fileSize(indexed) == 0 && !plain.empty() &&
        !sh("cp '" + plain + "' '" + indexed + ".part' && '" + kInjector + "' '" + indexed + ".part' && mv '" + indexed +
            ".part' '" + indexed + "'"))
        indexed.clear();
    const std::string mp4 = bigFile("big.mp4", "mp4", "");
    std::printf("key frames, %d rounds (median), goal: ratio <= 0.5\n", runs);
    benchFile("FLV without metadata", plain, runs);
    benchFile("FLV with metadata", indexed, runs);
    benchFile("MP4", mp4, runs);
    return 0;
}
