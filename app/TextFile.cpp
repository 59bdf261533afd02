#include "app/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mdlZorvoFLV {

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

namespace {

QString decodeGbk(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QByteArray out;
    out.resize(bytes.size() * 4 + 16);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* dst = out.data();
    size_t outLeft = static_cast<size_t>(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
            if (outLeft < 4)
                break;
            // An invalid or cut sequence: show a replacement mark and go on.
            *dst++ = '\xEF';
            *dst++ = '\xBF';
            *dst++ = '\xBD';
            outLeft -= 3;
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    out.resize(out.size() - static_cast<qsizetype>(outLeft));
    return QString::fromUtf8(out);
}

} // namespace

QString decodeText(const QByteArray& bytes)
{
    QByteArray b = bytes;
    if (b.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(b.mid(3));
    if (isValidUtf8(b))
        return QString::fromUtf8(b);
    return decodeGbk(b);
}

bool readTextLines(const QString& path, QStringList& lines)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QString text = decodeText(f.readAll());
    lines.clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
    return true;
}

bool writeTextLines(const QString& path, const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    return writeFileAtomically(path, bytes);
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    // QSaveFile is not used: measured here, it commits a cut file as a success when the
    // disk fills (a short write followed by a failing one is not reported).
    // A link is kept: the file it leads to is the one replaced.
    const QString linked = QFileInfo(path).isSymLink() ? QFileInfo(path).canonicalFilePath() : QString();
    const QByteArray target = QFile::encodeName(linked.isEmpty() ? path : linked);
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        // A file marked read-only is kept as it is: the rename below would replace it
        // although it may not be written.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.constData(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
    }
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".tmp" + QByteArray::number(::getpid()) + '-' + QByteArray::number(attempt);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = true;
    const char* p = bytes.constData();
    size_t left = static_cast<size_t>(bytes.size());
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else {
            p += n;
            left -= static_cast<size_t>(n);
        }
    }
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

} // namespace mdlZorvoFLV
