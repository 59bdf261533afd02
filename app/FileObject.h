#pragma once
// Paths taken apart, existence tests, deletion and the special folders. Every operation
// trims blanks from both ends of the path it is given and, when handed a variable,
// writes the trimmed text back to it.
#include <QString>

struct PathParts {
    QString parentFolder; // up to and including the last separator
    QString fileName;     // after the last separator
    QString baseName;     // the file name without its extension
    QString extension;    // without the dot
    QString drive;        // the first character of the path
};

class FileObject {
public:
    // The one shared instance.
    static FileObject& instance();

    // Takes a path apart. "/" and "\" separate folders; ":" does so only as the drive
    // colon in the second position ("C:\a\b.flv"), so Windows paths from old playlists
    // still split right.
    static PathParts splitPath(const QString& path);

    // fn is a listing pattern ("*" and "?" are the only wildcards): true when it names at
    // least one file (hidden ones included, folders not). A folder path ending in a
    // separator answers true when that folder holds a file.
    bool FileExists(QString& fn) const;
    bool FileExists(const QString& fn) const;
    bool FolderExists(QString& fn) const;
    bool FolderExists(const QString& fn) const;

    QString GetBaseName(QString& fn) const;
    QString GetBaseName(const QString& fn) const;
    QString GetExtensionName(QString& fn) const;
    QString GetExtensionName(const QString& fn) const;
    QString GetFileName(QString& fn) const;
    QString GetFileName(const QString& fn) const;
    QString GetParentFolderName(QString& fn) const;
    QString GetParentFolderName(const QString& fn) const;
    QString GetDriveName(QString& fn) const;
    QString GetDriveName(const QString& fn) const;

    // 0: the system's root folder ("/"); 1: the folder of the system's programs
    // ("/usr/bin"); 2: the program's private temporary folder, with its trailing "/";
    // anything else: empty.
    QString GetSpecialFolder(int folderspec) const;

    // Deletes a file; every error is ignored. force has no effect.
    void DeleteFile(QString& fn, bool force = false) const;
    void DeleteFile(const QString& fn, bool force = false) const;
};

// True when the last character of a path separates folders ("/" or "\").
bool endsWithSeparator(const QString& path);
