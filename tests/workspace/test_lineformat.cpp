#include <gtest/gtest.h>

#include "app/mdlZorvoFLV.h"
#include "workspace/mdlLineFormat.h"

#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace mdlLineFormat;

namespace {

const QString T = QStringLiteral("\t");

QString U(const char* s) { return QString::fromUtf8(s); }

// Sets lineFormat for one test and puts it back.
struct FormatGuard {
    explicit FormatGuard(int f) : old(lineFormat) { lineFormat = f; }
    ~FormatGuard() { lineFormat = old; }
    int old;
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(ItemString, SplitsAtTheLastSeparator)
{
    QString path, marks;
    splitItem(U("D:\\v\\a.flv‖120-480 600-900"), path, marks);
    EXPECT_EQ(path, U("D:\\v\\a.flv"));
    EXPECT_EQ(marks, U("120-480 600-900"));

    splitItem(U("/v/x‖y.flv‖1-2"), path, marks);
    EXPECT_EQ(path, U("/v/x‖y.flv"));
    EXPECT_EQ(marks, U("1-2"));

    splitItem(U("/v/a.flv"), path, marks);
    EXPECT_EQ(path, U("/v/a.flv"));
    EXPECT_TRUE(marks.isEmpty());

    splitItem(QString(), path, marks);
    EXPECT_TRUE(path.isEmpty() && marks.isEmpty());
}

TEST(ItemString, PathHoldingTheSeparatorSurvivesWithoutMarks)
{
    const QString odd = U("/v/a‖b.flv");
    const QString item = joinItem(odd, QString());
    EXPECT_EQ(item, odd + U("‖"));
    QString path, marks;
    splitItem(item, path, marks);
    EXPECT_EQ(path, odd);
    EXPECT_TRUE(marks.isEmpty());

    EXPECT_EQ(joinItem(U("/v/a.flv"), QString()), U("/v/a.flv"));
    EXPECT_EQ(joinItem(U("/v/a.flv"), U("1-2")), U("/v/a.flv‖1-2"));
}

TEST(ListLine, TheThreeFormatsShowTheirColumns)
{
    const QString item = U("D:\\v\\a.flv‖120-480 600-900");
    EXPECT_EQ(composeLine(item, 0), U("D:\\v\\a.flv") + T + U("标记 120-480 600-900"));
    EXPECT_EQ(composeLine(item, 1), U("a.flv") + T + U("D:\\v\\") + T + U("标记 120-480 600-900"));
    EXPECT_EQ(composeLine(item, 2), U("a.flv") + T + U("标记 120-480 600-900") + T + U("D:\\v\\"));
    for (int f = 0; f < 3; ++f)
        EXPECT_EQ(itemStringOfLine(composeLine(item, f), f), item) << f;

    QString path, marks;
    EXPECT_EQ(composeLine(U("d:\\v\\a.flv"), 2, path, marks), U("a.flv") + T + U("无标记") + T + U("D:\\v\\"));
    EXPECT_EQ(path, U("d:\\v\\a.flv"));
    EXPECT_TRUE(marks.isEmpty());
    EXPECT_EQ(itemStringOfLine(composeLine(U("d:\\v\\a.flv"), 2), 2), U("D:\\v\\a.flv"));
    EXPECT_EQ(composeLine(U("d:\\v\\a.flv"), 0), U("d:\\v\\a.flv") + T + U("无标记"));
    EXPECT_EQ(itemStringOfLine(composeLine(U("d:\\v\\a.flv"), 0), 0), U("d:\\v\\a.flv"));

    // Linux paths, a stream address, a bare name.
    EXPECT_EQ(composeLine(U("/home/u/视频/b.mp4‖1-2"), 1), U("b.mp4") + T + U("/home/u/视频/") + T + U("标记 1-2"));
    EXPECT_EQ(composeLine(U("http://host/live/s.flv"), 2), U("s.flv") + T + U("无标记") + T + U("http://host/live/"));
    EXPECT_EQ(composeLine(U("b.flv"), 1), U("b.flv") + T + T + U("无标记"));

    EXPECT_EQ(lineFormatCaption(0), U("目录 → 档名 → 标记"));
    EXPECT_EQ(lineFormatCaption(1), U("档名 → 目录 → 标记"));
    EXPECT_EQ(lineFormatCaption(2), U("档名 → 标记 → 目录"));
}

TEST(ListLine, EveryItemComesBackInEveryFormat)
{
    const QStringList items = {
        U("/home/u/v/a.flv"),
        U("/home/u/v/a.flv‖250-400 1000-1250"),
        U("C:\\视频\\片 段.wmv‖0-25"),
        U("mms://host/a.asf"),
        U("a.flv‖1-2"),
        U("/v/x‖y/a‖b.flv‖3-4"),
        U("/v/x‖y/a‖b.flv‖"),
        U("/v/tab\there/a\tb.flv‖5-6"),
        U("/v/\t lead/a.flv"),
        U("/v/odd␉name␛/a␛␉\t.flv"),
    };
    for (int f = 0; f < 3; ++f) {
        for (const QString& item : items) {
            const QString line = composeLine(item, f);
            EXPECT_EQ(lineColumns(line).size(), columnCount(f)) << f << " " << item.toStdString();
            EXPECT_EQ(itemStringOfLine(line, f), item) << f << " " << item.toStdString();
            QString path, marks, shownMarks;
            splitItem(item, path, marks);
            EXPECT_EQ(itemPathOfLine(line, f, shownMarks, false), path) << f << " " << item.toStdString();
            EXPECT_EQ(shownMarks, marks);
        }
    }
    // A TAB of a path is shown, not taken for a column break.
    EXPECT_EQ(composeLine(U("/v/a\tb.flv"), 0), U("/v/a␉b.flv") + T + U("无标记"));
}

TEST(ListLine, EmptyPartsGiveEmptyText)
{
    QString path, marks;
    EXPECT_TRUE(composeLine(U("‖120-480"), 0, path, marks).isEmpty());
    EXPECT_EQ(marks, U("120-480"));
    EXPECT_TRUE(composeLine(QString(), 1).isEmpty());
    EXPECT_TRUE(itemStringOfLine(QString(), 0).isEmpty());
    EXPECT_TRUE(itemPathOfLine(QString(), 1, marks, true).isEmpty());
    // A format-2 line needs its folder column.
    EXPECT_TRUE(itemStringOfLine(U("a.flv") + T + U("无标记"), 2).isEmpty());
    // A bare path (a merge-list line) read as format 0 is itself.
    EXPECT_EQ(itemStringOfLine(U("/v/a.flv"), 0), U("/v/a.flv"));
}

TEST(ListLine, MarksColumnRulesOfTheTwoLookups)
{
    // Without "-" the column is no marks for the path lookup, but the item string keeps it.
    const QString line = U("/v/a.flv") + T + U("标记 12");
    QString marks = U("stale");
    EXPECT_EQ(itemPathOfLine(line, 0, marks, true), U("/v/a.flv"));
    EXPECT_TRUE(marks.isEmpty());
    EXPECT_EQ(itemStringOfLine(line, 0), U("/v/a.flv‖12"));

    const QString marked = U("a.flv") + T + U("d:\\v\\") + T + U("标记 1-2 3-4");
    EXPECT_EQ(itemPathOfLine(marked, 1, marks, false), U("d:\\v\\a.flv"));
    EXPECT_EQ(marks, U("1-2 3-4"));
    EXPECT_EQ(itemPathOfLine(marked, 1, marks, true), U("d:\\v\\a.flv‖1-2 3-4"));

    // Format 0 upper-cases the drive letter for the path lookup only.
    EXPECT_EQ(itemPathOfLine(U("d:\\v\\a.flv") + T + U("无标记"), 0, marks, true), U("D:\\v\\a.flv"));
}

TEST(ListRows, IndexDefaultsAndTheListTag)
{
    FormatGuard guard(2);
    const QStringList lines = composeLines({U("/v/a.flv‖1-2"), QString(), U("/w/b.flv")}, 1);
    const QString tag = tagOfFormat(1);

    int index = -1;
    EXPECT_EQ(itemStringAt(lines, tag, index, 2), U("/w/b.flv"));
    EXPECT_EQ(index, 2);
    index = 0;
    EXPECT_EQ(itemStringAt(lines, tag, index, 2), U("/v/a.flv‖1-2"));
    index = 1;
    EXPECT_TRUE(itemStringAt(lines, tag, index, 0).isEmpty());
    index = -1;
    EXPECT_TRUE(itemStringAt(lines, tag, index, -1).isEmpty());
    index = 7;
    EXPECT_TRUE(itemStringAt(lines, tag, index, 0).isEmpty());

    // An empty tag counts as format 0; the lines are format 1, so that reads them wrong.
    EXPECT_EQ(formatOfTag(QString()), 0);
    EXPECT_EQ(formatOfTag(U("2")), 2);
    EXPECT_EQ(formatOfTag(U("9")), 0);

    // itemPathAt reads with the current format, whatever the tag says.
    const QStringList current = composeLines({U("/v/a.flv‖1-2")}, 2);
    QString marks;
    index = -1;
    EXPECT_EQ(itemPathAt(current, index, 0, marks, true), U("/v/a.flv‖1-2"));
    EXPECT_EQ(marks, U("1-2"));
}

TEST(ListRows, ReformatRecomposesFromTheRecordedFormat)
{
    const QStringList items = {U("d:\\v\\a.flv‖120-480"), U("/w/视频/b.flv"), U("/w/a‖b.flv‖")};
    QStringList shown = composeLines(items, 0);
    QString shownTag = tagOfFormat(0);
    QStringList other = shown;
    QString otherTag = shownTag;

    FormatGuard guard(1);
    reformatLines(shown, shownTag);
    EXPECT_EQ(shownTag, U("1"));
    EXPECT_EQ(shown, composeLines({U("D:\\v\\a.flv‖120-480"), U("/w/视频/b.flv"), U("/w/a‖b.flv‖")}, 1));
    EXPECT_EQ(shown[0], U("a.flv") + T + U("D:\\v\\") + T + U("标记 120-480"));
    // The list not shown still parses with its old tag.
    EXPECT_EQ(itemStrings(other, otherTag), items);
    lineFormat = 2;
    reformatLines(other, otherTag);
    EXPECT_EQ(otherTag, U("2"));
    EXPECT_EQ(itemStrings(other, otherTag), itemStrings(shown, shownTag));
}

TEST(ColumnLayout, WidthsInAnsiBytes)
{
    EXPECT_EQ(ansiWidth(U("a.flv")), 5);
    EXPECT_EQ(ansiWidth(U("视频a")), 5);
    EXPECT_EQ(ansiWidth(U("标记 1-2")), 8);
    EXPECT_EQ(ansiWidth(U("𠀀")), 2); // one character outside the 16-bit range

    FormatGuard guard(0);
    // Longest path 40 bytes (18 CJK characters and 4 ASCII), longest marks column 10.
    const QString path = QString(18, QChar(0x89C6)) + U("/a.b");
    ASSERT_EQ(ansiWidth(path), 40);
    const QStringList lines = {path + T + U("标记 1-200"), U("/x.flv") + T + U("无标记"), QString()};
    const TabStops t = tabStops(lines, columnCount());
    ASSERT_EQ(t.stops.size(), 2u);
    EXPECT_EQ(t.stops[0], 184);
    EXPECT_EQ(t.stops[1], 248);
    EXPECT_EQ(t.total, 248);
    EXPECT_EQ(horizontalExtent(lines, 0, nullptr), 404);

    // Three columns, and a list with no lines still has its minimum stops.
    EXPECT_EQ(tabStops({U("a") + T + U("bb") + T + U("ccc")}, 3).stops, (std::vector<int>{28, 60, 96}));
    EXPECT_EQ(tabStops({}, 3).total, 72);

    // The merge list measures its widest line in pixels.
    const auto pixels = [](const QString& s) { return static_cast<int>(s.size()) * 7; };
    EXPECT_EQ(horizontalExtent({U("/a.flv"), U("/long/b.flv")}, 20, pixels), 11 * 7 + 10);
}

TEST(PlaylistFile, WritesItemStringsWithCrLfAndReadsThemBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("list.plt"));
    const QStringList lines = composeLines({U("/v/视频/a.flv‖1-2"), U("/v/b.flv"), QString()}, 2);

    const QStringList items = playlistFileItems(lines, tagOfFormat(2), 1);
    EXPECT_EQ(items, (QStringList{U("/v/视频/a.flv‖1-2"), U("/v/b.flv"), QString()}));
    EXPECT_EQ(playlistFileItems({U("/v/a.flv")}, QString(), 20), QStringList{U("/v/a.flv")});

    ASSERT_TRUE(writePlaylistFile(file, items));
    EXPECT_EQ(readAll(file), U("/v/视频/a.flv‖1-2\r\n/v/b.flv\r\n\r\n").toUtf8());
    QStringList back;
    ASSERT_TRUE(readPlaylistFile(file, back));
    EXPECT_EQ(back, (QStringList{U("/v/视频/a.flv‖1-2"), U("/v/b.flv")}));
}

TEST(PlaylistFile, ReadsWindowsFilesInGbkAndEveryLineOfOtherTypes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A file from Windows: GBK ("‖" is A1 AC), leading and trailing blanks.
    const QString plt = dir.filePath(QStringLiteral("old.PLT"));
    writeBytes(plt, QByteArray("  D:\\\xca\xd3\xc6\xb5\\a.flv\xa1\xac") + "120-480 600-900  \r\n\r\n   \r\nE:\\b.mpg\r\n");
    QStringList items;
    ASSERT_TRUE(readPlaylistFile(plt, items));
    ASSERT_EQ(items, (QStringList{U("D:\\视频\\a.flv‖120-480 600-900"), U("E:\\b.mpg")}));
    EXPECT_EQ(composeLine(items[0], 1), U("a.flv") + T + U("D:\\视频\\") + T + U("标记 120-480 600-900"));

    // Headers and tags are items too; a TAB at the end of a line is kept.
    const QString m3u = dir.filePath(QStringLiteral("a.m3u"));
    writeBytes(m3u, "#EXTM3U\n#EXTINF:10,a\n/v/a.mp3\t\n");
    ASSERT_TRUE(readPlaylistFile(m3u, items));
    EXPECT_EQ(items, (QStringList{U("#EXTM3U"), U("#EXTINF:10,a"), U("/v/a.mp3\t")}));

    // Only the playlist types are read.
    const QString txt = dir.filePath(QStringLiteral("a.txt"));
    writeBytes(txt, "/v/a.flv\r\n");
    EXPECT_FALSE(readPlaylistFile(txt, items));
    EXPECT_TRUE(items.isEmpty());
    EXPECT_FALSE(readPlaylistFile(dir.filePath(QStringLiteral("missing.plt")), items));
}

TEST(PlaylistFile, FailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("keep.plt"));
    writeBytes(file, "/old/a.flv\r\n");

    // An item with a line break would come back as two items.
    EXPECT_FALSE(writePlaylistFile(file, {U("/v/a.flv"), U("/v/b\nc.flv")}));
    EXPECT_EQ(readAll(file), QByteArray("/old/a.flv\r\n"));

    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    EXPECT_FALSE(writePlaylistFile(file, {U("/v/new.flv")}));
    EXPECT_EQ(readAll(file), QByteArray("/old/a.flv\r\n"));

    EXPECT_FALSE(writePlaylistFile(dir.filePath(QStringLiteral("no/such/folder.plt")), {U("/v/a.flv")}));
}

TEST(PlaylistFile, SaveListTempReplacesAnEarlierFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString oldTemp = mdlZorvoFLV::tempFolder;
    mdlZorvoFLV::tempFolder = dir.path() + U("/");
    writeBytes(dir.filePath(saveListTempName), "earlier\r\nlines\r\n");
    const QString written = writeSaveListTemp({U("/v/a.flv‖1-2")});
    mdlZorvoFLV::tempFolder = oldTemp;
    EXPECT_EQ(written, dir.filePath(QStringLiteral("~tmpS.plt")));
    EXPECT_EQ(readAll(written), U("/v/a.flv‖1-2\r\n").toUtf8());
}
