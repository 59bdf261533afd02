#include "ResStore.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace basZorvoRes {

QStringList filesForMode(const QString& commandText)
{
    const QString word = commandText.trimmed();
    if (word == QLatin1String("CapMCI"))
        return {fileResWmv};
    if (word == QLatin1String("Edit1"))
        return {fileMencoder, fileFfmpeg, fileFlvmdi};
    if (word == QLatin1String("Edit2"))
        return {fileMencoder, fileFfmpeg};
    if (word == QLatin1String("Edit3"))
        return {fileMencoder};
    if (word == QLatin1String("Fix1"))
        return {fileFfmpeg, fileFlvmdi};
    if (word == QLatin1String("Fix2"))
        return {fileFfmpeg};
    if (word == QLatin1String("Fix3"))
        return {fileMencoder};
    if (word == QLatin1String("Snap"))
        return {fileFfmpeg};
    if (word == QLatin1String("Encode"))
        return {fileFfmpeg, fileFlvmdi};
    return {};
}

namespace {

// A folder we may put programs into: a real folder (no link), ours, and nobody else can
// write into it (or replace what we write before it is started).
bool isSafeFolder(const QByteArray& path)
{
    struct stat st {};
    if (lstat(path.constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool usableRuntimeDir(const QByteArray& dir)
{
    struct stat st {};
    return !dir.isEmpty() && dir.startsWith('/') && stat(dir.constData(), &st) == 0
        && S_ISDIR(st.st_mode) && st.st_uid == getuid() && access(dir.constData(), W_OK | X_OK) == 0;
}

} // namespace

QString privateTempFolder()
{
    QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    while (runtime.size() > 1 && runtime.endsWith('/'))
        runtime.chop(1);
    QByteArray folder = usableRuntimeDir(runtime)
        ? runtime + "/Zorvo.FLV"
        : QByteArray("/tmp/Zorvo.FLV-") + QByteArray::number(static_cast<qulonglong>(getuid()));
    if (mkdir(folder.constData(), 0700) != 0 && errno != EEXIST)
        return QString();
    if (!isSafeFolder(folder))
        return QString();
    return QFile::decodeName(folder) + QLatin1Char('/');
}

QString programFolder()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return QString();
    QByteArray exe(buf, int(n));
    const int slash = exe.lastIndexOf('/');
    return slash < 0 ? QString() : QFile::decodeName(exe.left(slash + 1));
}

bool writeFileAtomically(const QString& folder, const QString& name, QByteArrayView bytes,
                         bool executable)
{
    const QByteArray target = QFile::encodeName(folder + name);
    QByteArray temp = QFile::encodeName(folder) + ".~res-XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = true;
    const char* p = bytes.data();
    qsizetype left = bytes.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else {
            p += n;
            left -= n;
        }
    }
    ok = ok && fchmod(fd, executable ? 0700 : 0600) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

} // namespace basZorvoRes
