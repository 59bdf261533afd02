// The metadata injector against yamdi, flvmeta and cp on one large generated FLV, all
// in this one run: median wall time of a few runs, the ratio to cp, and the peak
// memory of the child (getrusage). Prints figures and asserts nothing.
//
// Usage: fmd_bench [RUNS]   (the large file is made once into the build folder)
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
    s.status = status;
    return s;
}

std::uint64_t fileSize(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

bool sh(const std::string& cmd) { return std::system(cmd.c_str()) == 0; }

// About 330 MB: a 20 s clip at a high bit rate (noise does not compress), repeated by
// stream copy through the concat demuxer (a looped FLV input cannot seek back here).
std::string bigFile()
{
    const std::string big = kWork + "/big.flv";
    if (fileSize(big) >= 300ull * 1000 * 1000)
        return big;
    const std::string clip = kWork + "/clip20.flv";
    const std::string list = kWork + "/list.txt";
    const std::string ff = "'" + kFfmpeg + "' -hide_banner -loglevel error -nostdin -y ";
    std::printf("making %s once (ffmpeg)...\n", big.c_str());
    std::fflush(stdout);
    if (!sh(ff + "-f lavfi -i testsrc=size=640x480:rate=25:duration=20,noise=alls=60:allf=t "
                 "-f lavfi -i sine=sample_rate=44100:duration=20 "
                 "-c:v flv1 -g 25 -q:v 3 -c:a libmp3lame -b:a 128k -f flv '" + clip + "'"))
        return {};
    const std::uint64_t clipSize = fileSize(clip);
    const std::uint64_t copies = clipSize ? 330ull * 1000 * 1000 / clipSize + 1 : 0;
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

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    sh("mkdir -p '" + kWork + "'");
    const std::string big = bigFile();
    if (big.empty()) {
        std::fprintf(stderr, "could not make the test file\n");
        return 1;
    }
    const std::string work = kWork + "/work.flv";
    const std::string out = kWork + "/out.flv";
    sh("cp '" + big + "' '" + work + "'");
    // Both passes read from the page cache in every row: warm it once.
    sh("cat '" + big + "' '" + work + "' > /dev/null");

    const std::vector<Row> rows = {
        {"cp", {"cp", big, out}},
        {"cp + fsync", {"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", big, out}},
        // The same safe replacement done with the standard tools: copy beside, flush,
        // rename over the original.
        {"cp+sync+mv", {"sh", "-c", "cp \"$0\" \"$0.tmp\" && sync \"$0.tmp\" && mv \"$0.tmp\" \"$0\"", work}, true},
        {"zorvo_fmd", {kInjector, work}, true},
        {"yamdi", {"yamdi", "-i", big, "-o", out}},
        {"flvmeta -U", {"flvmeta", "-U", big, out}},
    };

    std::printf("file: %s, %.1f MB; %d runs each, median\n", big.c_str(), fileSize(big) / 1e6, runs);
    std::printf("%-12s %10s %10s %12s\n", "program", "seconds", "x cp", "peak RSS MB");
    double cp = 0;
    for (const Row& row : rows) {
        std::vector<double> times;
        long rss = 0;
        bool failed = false;
        for (int i = 0; i < runs; ++i) {
            ::unlink(out.c_str());
            const Sample s = runOnce(row.argv);
            failed |= !WIFEXITED(s.status) || WEXITSTATUS(s.status) != 0;
            times.push_back(s.seconds);
            rss = std::max(rss, s.maxRssKb);
        }
        const double m = median(times);
        if (row.name == "cp")
            cp = m;
        std::printf("%-12s %10.3f %10.2f %12.1f%s\n", row.name.c_str(), m, cp > 0 ? m / cp : 0.0, rss / 1024.0,
                    failed ? "  (failed)" : "");
    }
    ::unlink(out.c_str());

    // Memory against file size: the same injector on a small clip.
    const std::string small = kWork + "/clip20.flv";
    const std::string smallWork = kWork + "/small.flv";
    sh("cp '" + small + "' '" + smallWork + "'");
    const Sample s = runOnce({kInjector, smallWork});
    std::printf("zorvo_fmd on %.1f MB: peak RSS %.1f MB\n", fileSize(smallWork) / 1e6, s.maxRssKb / 1024.0);
    ::unlink(smallWork.c_str());
    ::unlink(work.c_str());
    return 0;
}
