#include "app/FileObject.h"

#include "app/mdlZorvoFLV.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool isSeparatorAt(const QString& path, qsizetype i)
{
    const QChar c = path[i];
    return c == u'/' || c == u'\\' || (c == u':' && i == 1);
}

bool hasWildcard(const QString& s) { return s.contains(u'*') || s.contains(u'?'); }

QRegularExpression wildcardToRegex(const QString& pattern)
{
    QString rx;
    for (QChar c : pattern) {
        if (c == u'*')
            rx += QStringLiteral(".*");
        else if (c == u'?')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx));
}

bool folderHoldsMatch(const QString& folder, const QString& pattern)
{
    QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (!dir.exists())
        return false;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    if (pattern.isEmpty())
        return !entries.isEmpty();
    const QRegularExpression rx = wildcardToRegex(pattern);
    for (const QFileInfo& fi : entries)
        if (rx.match(fi.fileName()).hasMatch())
            return true;
    return false;
}

} // namespace

bool endsWithSeparator(const QString& path)
{
    return !path.isEmpty() && (path.back() == u'/' || path.back() == u'\\');
}

FileObject& FileObject::instance()
{
    static FileObject object;
    return object;
}

PathParts FileObject::splitPath(const QString& path)
{
    PathParts parts;
    const qsizetype n = path.size();
    if (n == 0)
        return parts;

    qsizetype extStart = n; // one past the end: no extension
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (path[i] == u'.') {
            extStart = i;
            break;
        }
        if (isSeparatorAt(path, i))
            break;
    }
    qsizetype sep = -1;
    for (qsizetype i = n - 1; i >= 0; --i) {
        if (isSeparatorAt(path, i)) {
            sep = i;
            break;
        }
    }
    // ".flv" and "\file.flv" (a name without a base, a path relative to the current
    // drive) have no parts. "/file.flv" is a file in the root folder here.
    if (extStart == 0 || (sep == 0 && path[0] == u'\\'))
        return parts;

    parts.extension = extStart < n ? path.mid(extStart + 1) : QString();
    parts.fileName = path.mid(sep + 1);
    parts.parentFolder = path.left(sep + 1);
    parts.baseName = path.mid(sep + 1, extStart - sep - 1);
    parts.drive = path.left(1);
    return parts;
}

bool FileObject::FileExists(QString& fn) const
{
    fn = fn.trimmed();
    return FileExists(static_cast<const QString&>(fn));
}

bool FileObject::FileExists(const QString& path) const
{
    const QString fn = path.trimmed();
    if (fn.isEmpty())
        return false;
    if (endsWithSeparator(fn))
        return folderHoldsMatch(fn, QString());
    const PathParts parts = splitPath(fn);
    if (hasWildcard(parts.fileName))
        return !hasWildcard(parts.parentFolder) && folderHoldsMatch(parts.parentFolder, parts.fileName);
    const QFileInfo fi(fn);
    return fi.exists() && !fi.isDir();
}

bool FileObject::FolderExists(QString& fn) const
{
    fn = fn.trimmed();
    return FolderExists(static_cast<const QString&>(fn));
}

bool FileObject::FolderExists(const QString& path) const
{
    const QString fn = path.trimmed();
    return !fn.isEmpty() && QFileInfo(fn).isDir();
}

#define ZORVO_PART_GETTER(Name, field)                                                   \
    QString FileObject::Name(QString& fn) const                                          \
    {                                                                                    \
        fn = fn.trimmed();                                                               \
        return splitPath(fn).field;                                                      \
    }                                                                                    \
    QString FileObject::Name(const QString& fn) const { return splitPath(fn.trimmed()).field; }

ZORVO_PART_GETTER(GetBaseName, baseName)
ZORVO_PART_GETTER(GetExtensionName, extension)
ZORVO_PART_GETTER(GetFileName, fileName)
ZORVO_PART_GETTER(GetParentFolderName, parentFolder)
ZORVO_PART_GETTER(GetDriveName, drive)
#undef ZORVO_PART_GETTER

QString FileObject::GetSpecialFolder(int folderspec) const
{
    switch (folderspec) {
    case 0: return QStringLiteral("/");
    case 1: return QStringLiteral("/usr/bin");
    case 2: return mdlZorvoFLV::privateTempFolder();
    default: return QString();
    }
}

void FileObject::DeleteFile(QString& fn, bool force) const
{
    fn = fn.trimmed();
    DeleteFile(static_cast<const QString&>(fn), force);
}

void FileObject::DeleteFile(const QString& path, bool) const
{
    const QString fn = path.trimmed();
    if (fn.isEmpty())
        return;
    const QFileInfo fi(fn);
    if (fi.isDir())
        return;
    QFile::remove(fn);
}
