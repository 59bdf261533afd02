// The metadata injector against yamdi, flvmeta and cp on two large generated FLVs, all
// in this one run: median and least wall time of a few rounds, the ratio to cp + fsync
// of the same file (the least a safe rewrite can cost), the median processor time and the
// peak memory of the child (getrusage). Every run starts after a sync, from the page
// cache. Prints figures and asserts nothing.
//
// Usage: fmd_bench [RUNS]   (the large files are made once into the build folder)
// ZORVO_FMD_BEFORE=PROGRAM adds that build of the injector as a row of its own.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string kWork = ZORVO_BENCH_DIR;
const std::string kInjector = ZORVO_FMD_PROGRAM;
const std::string kFfmpeg = ZORVO_FFMPEG;

struct Sample {
    double seconds = 0;
    double cpuSeconds = 0; // user + system
    long maxRssKb = 0;
    int status = 0;
};

Sample runOnce(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage ru {};
    ::wait4(pid, &status, 0, &ru);
    Sample s;
    s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.maxRssKb = ru.ru_maxrss;
    s.cpuSeconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                   static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    s.status = status;
    return s;
}

std::uint64_t fileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool sh(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

// Over 300 MB made from a short clip repeated by stream copy through the concat
// demuxer (a looped FLV input cannot seek back here). Two kinds: a clip at a high bit
// rate (noise does not compress: few large tags) and an ordinary one (many small tags,
// like most FLVs).
std::string bigFile(const std::string& name, const std::string& clipArgs)
{
    const std::string big = kWork + "/" + name;
    if (fileSize(big) >= 300ull * 1000 * 1000)
        return big;
    const std::string clip = kWork + "/clip-" + name;
    const std::string list = kWork + "/list.txt";
    const std::string ff = "'" + kFfmpeg + "' -hide_banner -loglevel error -nostdin -y ";
    std::printf("making %s once (ffmpeg)...\n", big.c_str());
    std::fflush(stdout);
    if (!sh(ff + clipArgs + " -f flv '" + clip + "'"))
        return {};
    const std::uint64_t clipSize = fileSize(clip);
    const std::uint64_t copies = clipSize ? 310ull * 1000 * 1000 / clipSize + 1 : 0;
    std::FILE* f = std::fopen(list.c_str(), "w");
    if (!f || copies == 0)
        return {};
    for (std::uint64_t i = 0; i < copies; ++i)
        std::fprintf(f, "file '%s'\n", clip.c_str());
    std::fclose(f);
    if (!sh(ff + "-f concat -safe 0 -i '" + list + "' -c copy -f flv '" + big + ".part' && mv '" + big + ".part' '" + big + "'"))
        return {};
    return fileSize(big) >= 300ull * 1000 * 1000 ? big : std::string();
}

struct Row {
    std::string name;
    std::vector<std::string> argv;
    bool inPlace = false;  // rewrites its input: runs on a working copy
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void benchFile(const std::string& big, int runs)
{
    const std::string work = kWork + "/work.flv";
    const std::string out = kWork + "/out.flv";
    sh("cp '" + big + "' '" + work + "'");
    // Every row reads from the page cache: warm it once.
    sh("cat '" + big + "' '" + work + "' > /dev/null");

    std::vector<Row> rows = {
        {"cp", {"cp", big, out}},
        {"cp + fsync", {"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", big, out}},
        // The same safe replacement done with the standard tools: copy beside, flush,
        // rename over the original.
        {"cp+sync+mv", {"sh", "-c", "cp \"$0\" \"$0.tmp\" && sync \"$0.tmp\" && mv \"$0.tmp\" \"$0\"", work}, true},
        {"zorvo_fmd", {kInjector, work}, true},
        {"yamdi", {"yamdi", "-i", big, "-o", out}},
        {"flvmeta -U", {"flvmeta", "-U", big, out}},
    };
    // Another build of the injector (before a change) in the same rounds.
    if (const char* before = std::getenv("ZORVO_FMD_BEFORE"))
        rows.insert(rows.begin() + 4, Row{"before", {before, work}, true});

    // Rounds rather than rows one after the other, so that a busy moment of the machine
    // falls on every program alike; the minimum is the least disturbed run.
    std::vector<std::vector<double>> times(rows.size()), cpu(rows.size());
    std::vector<long> rss(rows.size(), 0);
    std::vector<bool> failed(rows.size(), false);
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < rows.size(); ++k) {
            ::unlink(out.c_str());
            // Each run starts with nothing of the others still to be written or freed:
            // the file deleted just now, or the copy written without fsync by the one
            // before, would otherwise be flushed inside the next program's fsync; and
            // the injector lets go of the file it replaced after it has ended.
            ::usleep(150000);
            ::sync();
            const Sample s = runOnce(rows[k].argv);
            failed[k] = failed[k] || !WIFEXITED(s.status) || WEXITSTATUS(s.status) != 0;
            times[k].push_back(s.seconds);
            cpu[k].push_back(s.cpuSeconds);
            rss[k] = std::max(rss[k], s.maxRssKb);
        }
    }
    std::printf("\nfile: %s, %.1f MB; %d rounds\n", big.c_str(), fileSize(big) / 1e6, runs);
    std::printf("%-12s %10s %10s %12s %14s %10s %12s\n", "program", "median s", "min s", "x cp+fsync", "x cp+fsync min",
                "cpu s", "peak RSS MB");
    double base = 0, baseMin = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const double m = median(times[k]);
        const double lo = *std::min_element(times[k].begin(), times[k].end());
        if (rows[k].name == "cp + fsync") {
            base = m;
            baseMin = lo;
        }
        std::printf("%-12s %10.3f %10.3f %12.2f %14.2f %10.3f %12.1f%s\n", rows[k].name.c_str(), m, lo, base > 0 ? m / base : 0.0,
                    baseMin > 0 ? lo / baseMin : 0.0, median(cpu[k]), rss[k] / 1024.0, failed[k] ? "  (failed)" : "");
    }
    ::unlink(out.c_str());
    ::unlink(work.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    sh("mkdir -p '" + kWork + "'");
    const std::string video = "-f lavfi -i testsrc=size=640x480:rate=25:duration=20";
    const std::string sound = " -f lavfi -i sine=sample_rate=44100:duration=20";
    const std::string large = bigFile("large-tags.flv", video + ",noise=alls=60:allf=t" + sound +
                                      " -c:v flv1 -g 25 -q:v 3 -c:a libmp3lame -b:a 128k");
    const std::string small = bigFile("small-tags.flv", "-f lavfi -i testsrc=size=320x240:rate=25:duration=20" + sound +
                                      " -c:v flv1 -g 25 -b:v 300k -c:a libmp3lame -b:a 64k");
    if (large.empty() || small.empty()) {
        std::fprintf(stderr, "could not make the test files\n");
        return 1;
    }
    benchFile(large, runs);
    benchFile(small, runs);

    // Memory against file size: the injector on the short clip the small-tag file is
    // made of.
    const std::string clip = kWork + "/clip-small-tags.flv";
    const std::string clipWork = kWork + "/clip-work.flv";
    sh("cp '" + clip + "' '" + clipWork + "'");
    const Sample s = runOnce({kInjector, clipWork});
    std::printf("\nzorvo_fmd on %.1f MB: peak RSS %.1f MB\n", fileSize(clipWork) / 1e6, s.maxRssKb / 1024.0);
    ::unlink(clipWork.c_str());
    return 0;
}
