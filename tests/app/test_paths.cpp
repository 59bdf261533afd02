#include <gtest/gtest.h>

#include "app/FileObject.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

using namespace mdlZorvoFLV;

namespace {
FileObject& fo() { return FileObject::instance(); }

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}
} // namespace

TEST(PathSplit, WindowsAndLinuxPathsGiveTheirParts)
{
    const QString win = QStringLiteral("C:\\a\\b.flv");
    EXPECT_EQ(fo().GetParentFolderName(win), QStringLiteral("C:\\a\\"));
    EXPECT_EQ(fo().GetBaseName(win), QStringLiteral("b"));
    EXPECT_EQ(fo().GetExtensionName(win), QStringLiteral("flv"));
    EXPECT_EQ(fo().GetDriveName(win), QStringLiteral("C"));

    const QString lin = QStringLiteral("/home/u/视频 片段.part1.FLV");
    EXPECT_EQ(fo().GetParentFolderName(lin), QStringLiteral("/home/u/"));
    EXPECT_EQ(fo().GetFileName(lin), QStringLiteral("视频 片段.part1.FLV"));
    EXPECT_EQ(fo().GetBaseName(lin), QStringLiteral("视频 片段.part1"));
    EXPECT_EQ(fo().GetExtensionName(lin), QStringLiteral("FLV"));

    // A file in the root folder keeps its parts here.
    EXPECT_EQ(fo().GetParentFolderName(QStringLiteral("/x.flv")), QStringLiteral("/"));
    EXPECT_EQ(fo().GetFileName(QStringLiteral("/x.flv")), QStringLiteral("x.flv"));
}

TEST(PathSplit, DotsInFoldersAndNamesWithoutBase)
{
    const QString p = QStringLiteral("C:\\a.dir\\file");
    EXPECT_EQ(fo().GetExtensionName(p), QString());
    EXPECT_EQ(fo().GetBaseName(p), QStringLiteral("file"));
    EXPECT_EQ(fo().GetExtensionName(QStringLiteral("/a.dir/file")), QString());

    EXPECT_EQ(fo().GetFileName(QStringLiteral("b.flv")), QStringLiteral("b.flv"));
    EXPECT_EQ(fo().GetParentFolderName(QStringLiteral("b.flv")), QString());

    // A drive colon splits only in the second position.
    EXPECT_EQ(fo().GetParentFolderName(QStringLiteral("C:x.flv")), QStringLiteral("C:"));
    EXPECT_EQ(fo().GetFileName(QStringLiteral("ab:c.flv")), QStringLiteral("ab:c.flv"));

    for (const char* empty : {"", ".flv", "\\file.flv"}) {
        const PathParts parts = FileObject::splitPath(QString::fromUtf8(empty));
        EXPECT_TRUE(parts.fileName.isEmpty() && parts.parentFolder.isEmpty() && parts.baseName.isEmpty() &&
                    parts.extension.isEmpty() && parts.drive.isEmpty())
            << empty;
    }
    EXPECT_EQ(fo().GetExtensionName(QStringLiteral("movie.")), QString());
    EXPECT_EQ(fo().GetBaseName(QStringLiteral("movie.")), QStringLiteral("movie"));
}

TEST(PathSplit, TrimsAndWritesTheTrimmedPathBack)
{
    QString fn = QStringLiteral(" C:\\x.flv ");
    EXPECT_EQ(fo().GetFileName(fn), QStringLiteral("x.flv"));
    EXPECT_EQ(fn, QStringLiteral("C:\\x.flv"));
    QString other = QStringLiteral("  /nowhere/at/all  ");
    EXPECT_FALSE(fo().FileExists(other));
    EXPECT_EQ(other, QStringLiteral("/nowhere/at/all"));
}

TEST(FileObjectDisk, ExistenceWildcardsAndDeletion)
{
    testmedia::TempDir dir;
    const QString folder = dir.path() + u'/';
    EXPECT_TRUE(fo().FolderExists(dir.path()));
    EXPECT_FALSE(fo().FileExists(folder)) << "an empty folder holds no file";
    QDir().mkdir(dir.file(QStringLiteral("sub")));
    EXPECT_FALSE(fo().FileExists(folder)) << "folders do not count";
    EXPECT_FALSE(fo().FileExists(dir.file(QStringLiteral("sub"))));

    touch(dir.file(QStringLiteral(".hidden [1].flv")));
    EXPECT_TRUE(fo().FileExists(folder));
    EXPECT_TRUE(fo().FileExists(dir.file(QStringLiteral("*.flv"))));
    EXPECT_TRUE(fo().FileExists(dir.file(QStringLiteral(".hidden [?].flv"))));
    EXPECT_TRUE(fo().FileExists(dir.file(QStringLiteral(".hidden [1].flv"))));
    EXPECT_FALSE(fo().FileExists(dir.file(QStringLiteral("*.mpg"))));
    EXPECT_FALSE(fo().FileExists(dir.file(QStringLiteral(".hidden 1.flv")))) << "[ ] are no wildcards";
    EXPECT_FALSE(fo().FileExists(QString()));
    EXPECT_FALSE(fo().FolderExists(QString()));

    fo().DeleteFile(dir.file(QStringLiteral("sub")), true); // a folder is left alone
    EXPECT_TRUE(fo().FolderExists(dir.file(QStringLiteral("sub"))));
    fo().DeleteFile(dir.file(QStringLiteral(".hidden [1].flv")));
    EXPECT_FALSE(fo().FileExists(folder));
    fo().DeleteFile(dir.file(QStringLiteral("missing.flv"))); // no error
}

TEST(MediaTypes, TypeTestsByExtension)
{
    moreEditableTypes.clear();
    EXPECT_FALSE(isEditableFile(QStringLiteral("movie.AVI")));
    EXPECT_TRUE(isEditableFile(QStringLiteral("/v/movie.FLV")));
    EXPECT_FALSE(isEditableFile(QStringLiteral("movie.")));
    moreEditableTypes = moreEditableList;
    EXPECT_TRUE(isEditableFile(QStringLiteral("movie.AVI")));
    EXPECT_FALSE(isEditableFile(QStringLiteral("movie.")));
    moreEditableTypes.clear();

    EXPECT_TRUE(isPlayableFile(QStringLiteral("mkv")));
    EXPECT_TRUE(isPlayableFile(QStringLiteral("flv")));
    EXPECT_FALSE(isPlayableFile(QString()));
    EXPECT_FALSE(isPlayableFile(QStringLiteral("a.txt")));
    EXPECT_TRUE(isAudioFile(QStringLiteral("a.Mp3")));
    EXPECT_FALSE(isAudioFile(QStringLiteral("a.flv")));
    EXPECT_TRUE(isPlaylistFile(QStringLiteral("list.M3U")));
    EXPECT_FALSE(isPlaylistFile(QStringLiteral("m3u")));

    EXPECT_TRUE(isStreamAddress(QStringLiteral("mms://host/a")));
    EXPECT_TRUE(isStreamAddress(QStringLiteral("HTTP://host/a.flv")));
    EXPECT_FALSE(isStreamAddress(QStringLiteral("C:\\a.flv")));
    EXPECT_FALSE(isStreamAddress(QStringLiteral(":x")));
    EXPECT_FALSE(isStreamAddress(QStringLiteral("/v/a.flv")));

    // An empty name means the file open in the player.
    playerFileName = [] { return QStringLiteral("http://host/live.flv"); };
    EXPECT_TRUE(isStreamAddress(QString()));
    EXPECT_TRUE(isEditableFile(QString()));
    playerFileName = nullptr;
    EXPECT_FALSE(isEditableFile(QString()));
}

TEST(MediaTypes, PatternsAndOpenFilters)
{
    moreEditableTypes = moreEditableList;
    buildPatterns();
    buildOpenFilters();
    EXPECT_EQ(editablePatterns,
              QStringLiteral("*.flv;*.mpg;*.mpeg;*.dat;*.vob;*.avi;*.mp4;*.3gp;*.mov;*.wmv;*.asf;"));
    EXPECT_EQ(playlistPatterns, QStringLiteral("*.plt;*.pls;*.m3u;*.asx;"));
    EXPECT_TRUE(playablePatterns.startsWith(QStringLiteral("*.flv;*.ape;*.mpeg;*.wm?;")));
    EXPECT_TRUE(openFilterAll.startsWith(QStringLiteral("支援处理的档案 (flv ; mpg ; dat ; vob)|*.flv;")));
    EXPECT_TRUE(openFilterAll.endsWith(QStringLiteral("|支援浏览的影像图档案|") + imagePatterns +
                                       QStringLiteral("|所有档案|*.*")));
    EXPECT_EQ(openFilterEditable, QStringLiteral("支援处理的档案 (flv ; mpg ; dat ; vob)|") + editablePatterns);

    moreEditableTypes.clear();
    buildPatterns();
    EXPECT_EQ(editablePatterns, QStringLiteral("*.flv;*.mpg;*.mpeg;*.dat;*.vob;"));
}

TEST(PathHelpers, SeparatorsDrivesAndOutputFolder)
{
    EXPECT_EQ(withTrailingSeparator(QString()), QString());
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/v")), QStringLiteral("/v/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("/v/")), QStringLiteral("/v/"));
    EXPECT_EQ(withTrailingSeparator(QStringLiteral("http://host/dir")), QStringLiteral("http://host/dir/"));
    EXPECT_EQ(upperDriveLetter(QStringLiteral("c:\\a")), QStringLiteral("C:\\a"));
    EXPECT_EQ(upperDriveLetter(QStringLiteral("/c:/a")), QStringLiteral("/c:/a"));
    EXPECT_EQ(upperDriveLetter(QStringLiteral("/home/a")), QStringLiteral("/home/a"));

    testmedia::TempDir dir;
    QString save = dir.path();
    EXPECT_EQ(getOutputFolder(QStringLiteral("/v/a.flv"), save), dir.path() + u'/');
    QString gone = dir.file(QStringLiteral("gone"));
    EXPECT_EQ(getOutputFolder(QStringLiteral("/v/a.flv"), gone), QStringLiteral("/v/"));
    EXPECT_TRUE(gone.isEmpty()) << "a save folder that no longer exists is cleared";
    QString none;
    EXPECT_EQ(getOutputFolder(QString(), none), QString());
}

TEST(PathHelpers, DeleteQuietAsksThePlayerFirst)
{
    testmedia::TempDir dir;
    const QString file = dir.file(QStringLiteral("a.flv"));
    touch(file);
    int released = 0;
    releasePlayerFile = [&] { ++released; };
    deleteFileQuiet(file, true);
    EXPECT_EQ(released, 0);
    EXPECT_FALSE(QFile::exists(file));
    touch(file);
    deleteFileQuiet(file, false);
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(QFile::exists(file));
    deleteFileQuiet(file, false); // nothing there: the player is not bothered
    EXPECT_EQ(released, 1);
    releasePlayerFile = nullptr;
}

TEST(PrivateFolder, MadePrivateAndRefusedWhenOthersCanWrite)
{
    testmedia::TempDir dir;
    const QString mine = ensurePrivateFolder(dir.file(QStringLiteral("own")));
    ASSERT_EQ(mine, dir.file(QStringLiteral("own/")));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(mine).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    const QString open = dir.file(QStringLiteral("open"));
    QDir().mkdir(open);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    EXPECT_TRUE(ensurePrivateFolder(open).isEmpty());

    const QString link = dir.file(QStringLiteral("link"));
    QFile::link(mine, link);
    EXPECT_TRUE(ensurePrivateFolder(link).isEmpty()) << "a link could lead anywhere";

    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    EXPECT_EQ(privateTempFolder(), dir.file(QStringLiteral("Zorvo.FLV/")));
    EXPECT_EQ(FileObject::instance().GetSpecialFolder(2), dir.file(QStringLiteral("Zorvo.FLV/")));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(FileObject::instance().GetSpecialFolder(7).isEmpty());
}
