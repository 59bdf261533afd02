// The file side: reading with pread, writing a temporary file beside the original and
// putting it in place with one rename, so that the original stays whole until the new
// file is complete and on disk.
#include "FlvInject.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fmd {
namespace {

std::string sysError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

class FileSource final : public Source {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size)
    {
        // Mapped, the walk reads its headers straight from the page cache: the bytes
        // are not copied out once to be looked at and again to be written.
        if (size_ > 0 && size_ <= std::numeric_limits<std::size_t>::max()) {
            void* map = ::mmap(nullptr, static_cast<std::size_t>(size_), PROT_READ, MAP_SHARED, fd_, 0);
            if (map != MAP_FAILED) {
                map_ = static_cast<const std::uint8_t*>(map);
                ::madvise(map, static_cast<std::size_t>(size_), MADV_SEQUENTIAL);
            }
        }
    }
    ~FileSource() override
    {
        if (map_)
            ::munmap(const_cast<std::uint8_t*>(map_), static_cast<std::size_t>(size_));
    }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    std::uint64_t size() const override { return size_; }
    bool ok() const override { return ok_; }
    const std::uint8_t* bytes() const override { return map_; }
    void passed(std::uint64_t off) override
    {
        // Memory stays that of a window, whatever the size of the file.
        constexpr std::uint64_t kKeep = 16u << 20, kStep = 16u << 20;
        if (!map_ || off < released_ + kKeep + kStep)
            return;
        const std::uint64_t upTo = (off - kKeep) & ~std::uint64_t{0xFFFFF};
        ::madvise(const_cast<std::uint8_t*>(map_) + released_, static_cast<std::size_t>(upTo - released_), MADV_DONTNEED);
        released_ = upTo;
    }
    std::size_t readAt(std::uint64_t off, void* buf, std::size_t n) override
    {
        std::size_t done = 0;
        auto* p = static_cast<std::uint8_t*>(buf);
        while (done < n && off + done < size_) {
            const ssize_t got = ::pread(fd_, p + done, n - done, static_cast<off_t>(off + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                ok_ = false;
                break;
            }
            if (got == 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int fd_;
    std::uint64_t size_;
    const std::uint8_t* map_ = nullptr;
    std::uint64_t released_ = 0;
    bool ok_ = true;
};

class FileSink final : public Sink {
public:
    FileSink(int fd, int sourceFd) : fd_(fd), sourceFd_(sourceFd) { buf_.reserve(kBuffer); }

    // In the kernel: no copy through this process, and on file systems that share
    // extents no copy at all.
    Copy copyFromSource(std::uint64_t off, std::uint64_t n) override
    {
        if (!flush())
            return Copy::Failed;
        loff_t in = static_cast<loff_t>(off);
        bool any = false;
        while (n > 0) {
            const ssize_t put = ::copy_file_range(sourceFd_, &in, fd_, nullptr, static_cast<std::size_t>(std::min<std::uint64_t>(n, kChunk)), 0);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && !any && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL))
                return Copy::Unsupported;
            if (put <= 0) {
                error_ = put < 0 ? errno : EIO;
                return Copy::Failed;
            }
            any = true;
            n -= static_cast<std::uint64_t>(put);
            written_ += static_cast<std::uint64_t>(put);
            startWriteback();
        }
        return Copy::Done;
    }

    bool write(const void* data, std::size_t n) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        if (buf_.size() + n > kBuffer && !flush())
            return false;
        if (n >= kBuffer)
            return writeAll(p, n);
        buf_.insert(buf_.end(), p, p + n);
        return true;
    }
    bool flush()
    {
        if (!writeAll(buf_.data(), buf_.size()))
            return false;
        buf_.clear();
        return true;
    }
    int error() const { return error_; }

private:
    static constexpr std::size_t kBuffer = 1 << 20;
    // Copies go in steps, so that the disk writes of one overlap the copy of the next.
    static constexpr std::uint64_t kChunk = 16u << 20;
    bool writeAll(const std::uint8_t* p, std::size_t n)
    {
        while (n > 0) {
            const ssize_t put = ::write(fd_, p, n);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0) {
                error_ = put < 0 ? errno : ENOSPC;
                return false;
            }
            p += put;
            n -= static_cast<std::size_t>(put);
            written_ += static_cast<std::uint64_t>(put);
        }
        startWriteback();
        return true;
    }
    // Starts the disk writes of what is written so far, so that the closing fsync does
    // not have to wait for all of the file at once.
    void startWriteback()
    {
        constexpr std::uint64_t kStep = 8u << 20;
        if (written_ - kicked_ >= kStep) {
            ::sync_file_range(fd_, static_cast<off_t>(kicked_), static_cast<off_t>(written_ - kicked_), SYNC_FILE_RANGE_WRITE);
            kicked_ = written_;
        }
    }
    int fd_;
    int sourceFd_;
    std::uint64_t written_ = 0, kicked_ = 0;
    int error_ = 0;
    std::vector<std::uint8_t> buf_;
};

// The temporary file is removed however the program is stopped while it exists, as
// far as a signal can be caught: the handlers are in place before the file is made,
// and the file is made with those signals held off until its name is recorded.
char g_tempPath[4096];
volatile std::sig_atomic_t g_tempActive = 0;
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2,
                                SIGABRT, SIGBUS, SIGSEGV, SIGFPE, SIGILL, SIGVTALRM, SIGPROF};

extern "C" void onStopSignal(int sig)
{
    if (g_tempActive)
        ::unlink(g_tempPath);
    // The handler was reset on entry: the signal now ends the program as it would have.
    ::raise(sig);
}

class TempGuard {
public:
    TempGuard()
    {
        struct sigaction sa {};
        sa.sa_handler = onStopSignal;
        sa.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigemptyset(&sa.sa_mask);
        for (int sig : kStopSignals) {
            struct sigaction old {};
            // A signal the caller ignores (nohup) stays ignored.
            if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
                ::sigaction(sig, &sa, nullptr);
            sigaddset(&held_, sig);
        }
    }
    // mkstemp with the stop signals held until the name is recorded; -1 on failure.
    int create(std::string& path)
    {
        std::vector<char> name(path.begin(), path.end());
        name.push_back('\0');
        if (name.size() > sizeof g_tempPath)
            return -1;
        sigset_t before;
        ::sigprocmask(SIG_BLOCK, &held_, &before);
        const int fd = ::mkstemp(name.data());
        if (fd >= 0) {
            std::memcpy(g_tempPath, name.data(), name.size());
            g_tempActive = 1;
        }
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        if (fd >= 0)
            path.assign(name.data());
        return fd;
    }
    ~TempGuard()
    {
        if (g_tempActive)
            ::unlink(g_tempPath);
        g_tempActive = 0;
    }
    void release() { g_tempActive = 0; }

private:
    sigset_t held_ {};
};

std::string describeMends(const Scan& scan)
{
    std::string text;
    auto add = [&](std::uint64_t n, const char* what) {
        if (n > 0)
            text += "mended " + std::to_string(n) + " " + what + "\n";
    };
    const Mends& m = scan.mends;
    add(m.streamIds, "tag(s) with a non-zero stream id");
    add(m.timestamps, "timestamp(s) out of order with their stream");
    add(m.typeBytes, "tag type byte(s) with reserved bits set");
    add(m.dataSizes, "tag data size(s) that disagreed with the trailing size");
    add(m.flagBytes, "audio or video flags byte(s) naming another codec or no frame type");
    if (scan.droppedBytes > 0)
        text += "dropped " + std::to_string(scan.droppedBytes) + " bytes that are not whole FLV tags (" +
                std::to_string(m.lostMediaTags) + " damaged audio or video tag(s))\n";
    return text;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string stripQuotes(std::string s)
{
    while (!s.empty() && (s.front() == '"' || s.front() == ' '))
        s.erase(s.begin());
    while (!s.empty() && (s.back() == '"' || s.back() == ' '))
        s.pop_back();
    return s;
}

// The replaced file is freed when the last descriptor of it closes: its blocks, and its
// pages when it was read from the page cache, which for a few hundred megabytes takes
// tens of milliseconds that the caller would wait for although the new file is in place
// and on disk. A child holds the descriptor until this process has ended and then
// closes it. Without a child (fork fails) it is freed here as before.
void letGoAfterExit(int fd)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Nothing of the caller's is held open: its pipes end when this process does.
        const unsigned low = static_cast<unsigned>(std::min(fd, ends[0])), high = static_cast<unsigned>(std::max(fd, ends[0]));
        if (low > 0)
            ::close_range(0, low - 1, 0);
        if (high > low + 1)
            ::close_range(low + 1, high - 1, 0);
        ::close_range(high + 1, ~0U, 0);
        char byte;
        // The write end closes when this process's parent has ended.
        while (::read(ends[0], &byte, 1) < 0 && errno == EINTR) {
        }
        ::_exit(0);
    }
    ::close(ends[0]);
    if (pid < 0)
        ::close(ends[1]);
    // The write end stays open until the end of this process.
}

} // namespace

bool pathFromArgs(const std::vector<std::string>& args, std::string& path, std::string& error)
{
    if (args.empty()) {
        error = "usage: give the FLV file to rewrite";
        return false;
    }
    std::string joined;
    for (const std::string& a : args)
        joined += (joined.empty() ? "" : " ") + a;
    // The file as given first; then without the quotation marks a runner may have left
    // on; then its pieces put back together at the blanks where it was split.
    for (const std::string& candidate : {args.size() == 1 ? args[0] : joined, stripQuotes(joined)}) {
        if (!candidate.empty() && exists(candidate)) {
            path = candidate;
            return true;
        }
    }
    if (args.size() > 1)
        error = "expects one file name, got " + std::to_string(args.size()) + " arguments";
    else
        error = "no such file: " + stripQuotes(joined);
    return false;
}

int injectFile(const std::string& given, std::string& error, std::string& notes)
{
    // Through a link, the file it names is the one rewritten.
    char* resolved = ::realpath(given.c_str(), nullptr);
    if (!resolved) {
        error = sysError("cannot open " + given);
        return 3;
    }
    const std::string path(resolved);
    std::free(resolved);

    // Not blocking: a FIFO or a device named like a video must be refused, not waited on.
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0) {
        error = sysError("cannot open " + path);
        return 3;
    }
    struct InClose { int fd; ~InClose() { ::close(fd); } } inClose{in};
    struct stat before {};
    if (::fstat(in, &before) != 0 || !S_ISREG(before.st_mode)) {
        error = "not a regular file: " + path;
        return 3;
    }
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource src(in, static_cast<std::uint64_t>(before.st_size));

    Scan scan;
    if (!scanFlv(src, scan, error))
        return 1;
    // A codec header that cannot be kept would leave its stream undecodable, while the
    // file as it stands may still play: it is left alone.
    if (scan.mends.lostCodecHeaders > 0) {
        error = "a codec header is damaged beyond mending and would be lost";
        return 7;
    }
    notes += describeMends(scan);

    TempGuard guard;
    std::string temp = folderOf(path) + "/.~fmd-XXXXXX";
    const int out = guard.create(temp);
    if (out < 0) {
        error = sysError("cannot create a temporary file in " + folderOf(path));
        return 4;
    }
    struct OutClose { int fd; ~OutClose() { if (fd >= 0) ::close(fd); } } outClose{out};
    // The new file takes the place of the old one: same permissions and, when allowed,
    // the same owner.
    ::fchmod(out, before.st_mode & 07777);
    if (::fchown(out, before.st_uid, before.st_gid) != 0) {
        // Only the owner's own files can be handed back; the file stays ours then.
    }
    // The blocks of the whole new file at once: a full disk is known before anything is
    // written, and the writes and their flushing need not find room page by page. A file
    // system that cannot do this is written as it goes.
    const auto newSize = static_cast<off_t>(makeMetadata(scan).fileSize);
    if (::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, newSize) != 0 && errno == ENOSPC) {
        error = sysError("cannot write " + temp);
        return 5;
    }

    FileSink sink(out, in);
    if (!writeFlv(src, scan, sink, error) || !sink.flush()) {
        if (sink.error() != 0) {
            errno = sink.error();
            error = sysError("cannot write " + temp);
        }
        return 5;
    }
    if (::fsync(out) != 0) {
        error = sysError("cannot write " + temp);
        return 5;
    }
    outClose.fd = -1;
    if (::close(out) != 0) {
        error = sysError("cannot write " + temp);
        return 5;
    }
    struct stat after {};
    if (::stat(path.c_str(), &after) != 0 || after.st_size != before.st_size ||
        after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec) {
        error = "the file changed while it was being rewritten: " + path;
        return 6;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        error = sysError("cannot replace " + path);
        return 5;
    }
    guard.release();
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    letGoAfterExit(in);
    return 0;
}

bool scanFile(const std::string& path, Scan& scan, std::string& error)
{
    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (in < 0) {
        error = sysError("cannot open " + path);
        return false;
    }
    struct InClose { int fd; ~InClose() { ::close(fd); } } inClose{in};
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file: " + path;
        return false;
    }
    ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
    FileSource src(in, static_cast<std::uint64_t>(st.st_size));
    return scanFlv(src, scan, error);
}

} // namespace fmd
