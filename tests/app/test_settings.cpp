#include <gtest/gtest.h>

#include "app/Settings.h"
#include "app/TextFile.h"
#include "app/mdlZorvoFLV.h"
#include "common/TestMedia.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace settings;

namespace {

FolderTest existing(std::initializer_list<const char*> folders)
{
    QStringList list;
    for (const char* f : folders)
        list << QString::fromUtf8(f);
    return [list](const QString& f) { return list.contains(f); };
}

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

TEST(SettingsFile, WrittenInKeyOrderAndReadBackTheSame)
{
    Settings s;
    s.mainRect = {1500, 1200, 9000, 7500};
    s.listPos = QPoint(1950, 1650);
    s.capPos = QPoint(-300, 45);
    s.keepWH = false;
    s.keepDef = true;
    s.listDir = QStringLiteral("/v/片段");
    s.saveDir = QStringLiteral("/v/out");
    s.listDirIdx = 3;
    s.stepMode = 2;
    s.stepValues = {7, 30, 100};
    s.playSetting = 3;
    s.toListEnd = false;
    s.startList = true;
    s.autoAddMark = true;
    s.lineFmt = 2;
    s.doneToFn = 0;

    const QStringList lines = settingsLines(s);
    QStringList keys;
    for (const QString& l : lines)
        keys << l.left(l.indexOf(u'=') + 1);
    EXPECT_EQ(keys.join(QString()),
              QStringLiteral("MainRect=ListRect=CapRect=KeepWH=KeepDef=ListDir=SaveDir=ListDirIdx=StepMode="
                             "PlaySetting=ToListEnd=StartList=AutoAddMark=LineFmt=DoneToFn="));
    EXPECT_EQ(lines[0], QStringLiteral("MainRect=1500,1200,9000,7500"));
    EXPECT_EQ(lines[3], QStringLiteral("KeepWH=False"));
    EXPECT_EQ(lines[8], QStringLiteral("StepMode=2,7,30,100"));

    Settings back;
    const ReadReport r = readSettingsLines(lines, back, existing({"/v/片段", "/v/out"}));
    EXPECT_TRUE(r.mainRectApplied && r.listRectApplied && r.listDirApplied && r.saveDirApplied);
    EXPECT_EQ(settingsLines(back), lines);
}

TEST(SettingsFile, KeysIgnoreCaseAndValuesAreTrimmed)
{
    Settings s;
    const ReadReport r = readSettingsLines(
        {QStringLiteral("  MAINRECT=  10, 20 ,30,40  "), QStringLiteral("keepdef=TRUE"), QStringLiteral("KeepWH=0"),
         QStringLiteral("StartList=2"), QStringLiteral("AutoAddMark=maybe"), QStringLiteral("no equals sign"),
         QStringLiteral(""), QStringLiteral("Unknown=1"), QStringLiteral("LineFmt=1.5")},
        s, existing({}));
    EXPECT_TRUE(r.mainRectApplied);
    EXPECT_EQ(s.mainRect, (std::array<int, 4>{10, 20, 30, 40}));
    EXPECT_TRUE(s.keepDef);
    EXPECT_FALSE(s.keepWH);
    EXPECT_TRUE(s.startList);
    EXPECT_FALSE(s.autoAddMark) << "a word that is no boolean leaves the default";
    EXPECT_EQ(s.lineFmt, 2) << "1.5 rounds to even";
}

TEST(SettingsFile, MalformedValuesOnlySkipTheirOwnStep)
{
    Settings s;
    const ReadReport r = readSettingsLines(
        {QStringLiteral("MainRect=100,200"), QStringLiteral("ListRect=5"), QStringLiteral("CapRect=75"),
         QStringLiteral("StepMode=0,abc,250"), QStringLiteral("PlaySetting=7"), QStringLiteral("DoneToFn=x"),
         QStringLiteral("KeepWH=False")},
        s, existing({}));
    EXPECT_TRUE(r.mainRectMet);
    EXPECT_FALSE(r.mainRectApplied) << "two fields leave the window where it is";
    EXPECT_TRUE(r.listRectMet);
    EXPECT_FALSE(r.listRectApplied);
    EXPECT_EQ(s.capPos, QPoint(75, 0));
    EXPECT_EQ(s.stepMode, 0);
    EXPECT_EQ(s.stepValues, (std::array<int, 3>{5, 5, 5})) << "0 and 250 are outside 1..100";
    EXPECT_EQ(s.playSetting, 0) << "there is no play mode 7";
    EXPECT_EQ(s.doneToFn, 0) << "x reads as 0";
    EXPECT_FALSE(s.keepWH) << "reading went on after the bad lines";

    Settings none;
    const ReadReport empty = readSettingsLines({}, none, existing({}));
    EXPECT_FALSE(empty.mainRectMet || empty.listRectMet);
}

TEST(SettingsFile, FoldersOnlyWhenTheyExistAndIndexOnlyAfterThem)
{
    Settings s;
    ReadReport r = readSettingsLines({QStringLiteral("ListDirIdx=4"), QStringLiteral("ListDir=/v"),
                                      QStringLiteral("SaveDir=/gone")},
                                     s, existing({"/v"}));
    EXPECT_TRUE(r.listDirApplied);
    EXPECT_FALSE(s.listDirIdx.has_value()) << "an index before its folder is ignored";
    EXPECT_FALSE(r.saveDirApplied);
    EXPECT_TRUE(s.saveDir.isEmpty());

    Settings t;
    r = readSettingsLines({QStringLiteral("ListDir=/gone"), QStringLiteral("ListDirIdx=4")}, t, existing({}));
    EXPECT_FALSE(t.listDirIdx.has_value()) << "the folder was not applied";

    Settings u;
    r = readSettingsLines({QStringLiteral("ListDir=c:\\v"), QStringLiteral("ListDirIdx=4")}, u,
                          existing({"c:\\v"}));
    EXPECT_EQ(u.listDir, QStringLiteral("C:\\v"));
    EXPECT_EQ(u.listDirIdx, 4);
}

TEST(ListStoreFile, HeadersItemsAndSelection)
{
    const QString mark = QStringLiteral("/v/a.flv\u20160-25 50-75");
    const ListStore store = readListLines({QStringLiteral("1"), QStringLiteral("0‖清单编号‖2‖1"), mark,
                                           QStringLiteral("/v/b.mpg"), QStringLiteral("1‖清单编号‖0‖-1")});
    EXPECT_EQ(store.lastPlaylistNo, 1);
    EXPECT_EQ(store.lists[0].items, (QStringList{mark, QStringLiteral("/v/b.mpg")}));
    EXPECT_EQ(store.lists[0].selected, 1);
    EXPECT_TRUE(store.lists[1].items.isEmpty());
    EXPECT_EQ(store.lists[1].selected, -1);
    EXPECT_EQ(readListLines(listLines(store)).lists[0].items, store.lists[0].items);
    EXPECT_EQ(listLines(store)[1], QStringLiteral("0‖清单编号‖2‖1"));
}

TEST(ListStoreFile, CountsLongerThanTheFileAndBadHeaders)
{
    const ListStore store = readListLines({QStringLiteral("0"), QStringLiteral("0‖清单编号‖12‖3"),
                                           QStringLiteral("/v/a.flv"), QStringLiteral("/v/b.flv")});
    EXPECT_EQ(store.lists[0].items.size(), 2);
    EXPECT_EQ(store.lists[0].selected, -1) << "row 3 does not exist";

    const ListStore odd = readListLines({QStringLiteral("5"), QStringLiteral("garbage"),
                                         QStringLiteral("7‖清单编号‖1‖0"), QStringLiteral("/v/lost.flv"),
                                         QStringLiteral("1‖清单编号‖1‖0"), QStringLiteral("/v/kept.flv")});
    EXPECT_EQ(odd.lastPlaylistNo, 0);
    EXPECT_TRUE(odd.lists[0].items.isEmpty()) << "items of list 7 are skipped, not misfiled";
    EXPECT_EQ(odd.lists[1].items, QStringList{QStringLiteral("/v/kept.flv")});
    EXPECT_EQ(odd.lists[1].selected, 0);
}

TEST(TextFiles, Utf8WithCrLfAndGbkFromOldFiles)
{
    testmedia::TempDir dir;
    const QString path = dir.file(QStringLiteral("List.ini"));
    ASSERT_TRUE(mdlZorvoFLV::writeTextLines(path, {QStringLiteral("0"), QStringLiteral("中文‖x")}));
    EXPECT_EQ(readAll(path), QByteArray("0\r\n\xE4\xB8\xAD\xE6\x96\x87\xE2\x80\x96x\r\n"));

    // "中文" in GBK, with LF and CR line ends mixed in.
    writeBytes(path, QByteArray("\xD6\xD0\xCE\xC4\nb\rc\r\n"));
    QStringList lines;
    ASSERT_TRUE(mdlZorvoFLV::readTextLines(path, lines));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("中文"), QStringLiteral("b"), QStringLiteral("c")}));

    writeBytes(path, QByteArray("\xEF\xBB\xBFKeepWH=False\r\n"));
    ASSERT_TRUE(mdlZorvoFLV::readTextLines(path, lines));
    EXPECT_EQ(lines, QStringList{QStringLiteral("KeepWH=False")});
    EXPECT_FALSE(mdlZorvoFLV::readTextLines(dir.file(QStringLiteral("none")), lines));
}

TEST(SaveSettings, RoundTripThroughTheFiles)
{
    testmedia::TempDir dir;
    Settings s;
    s.mainRect = {15, 30, 6000, 4500};
    s.saveDir = dir.path();
    ListStore store;
    store.lists[1].items = QStringList{QStringLiteral("/v/a b.flv")};
    store.lists[1].selected = 0;
    ASSERT_TRUE(saveSettingsFiles(dir.path(), s, store));

    Settings back;
    ReadReport r;
    ASSERT_TRUE(loadSettingsFile(dir.file(settingsFileName), back, r));
    EXPECT_EQ(back.mainRect, s.mainRect);
    EXPECT_EQ(back.saveDir, dir.path());
    ListStore lists;
    ASSERT_TRUE(loadListFile(dir.file(listsFileName), lists));
    EXPECT_EQ(lists.lists[1].items, store.lists[1].items);

    Settings untouched;
    EXPECT_FALSE(loadSettingsFile(dir.file(QStringLiteral("missing.ini")), untouched, r));
    EXPECT_EQ(settingsLines(untouched), settingsLines(Settings{}));
}

TEST(SaveSettings, AFailedWriteKeepsTheOldFiles)
{
    testmedia::TempDir dir;
    Settings old;
    old.keepDef = true;
    ASSERT_TRUE(saveSettingsFiles(dir.path(), old, {}));
    const QByteArray before = readAll(dir.file(settingsFileName));

    // A disk that fills up: no write may grow a file past a few bytes.
    Settings big;
    big.listDir = QString(4096, u'x');
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit tiny = saved;
    tiny.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool ok = saveSettingsFiles(dir.path(), big, {});
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_FALSE(ok);
    EXPECT_EQ(readAll(dir.file(settingsFileName)), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file is left";

    // A settings file marked read-only stays as it is; the other file is still written.
    Settings changed;
    changed.keepWH = false;
    ::chmod(QFile::encodeName(dir.file(settingsFileName)).constData(), 0444);
    EXPECT_FALSE(saveSettingsFiles(dir.path(), changed, {}));
    EXPECT_EQ(readAll(dir.file(settingsFileName)), before);
    EXPECT_EQ(QFileInfo(dir.file(settingsFileName)).permissions() & QFile::WriteOwner, 0);
    ::chmod(QFile::encodeName(dir.file(settingsFileName)).constData(), 0644);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    // A settings file that is a link stays a link; the file behind it gets the text.
    const QString real = dir.file(QStringLiteral("real.ini"));
    ASSERT_TRUE(QFile::rename(dir.file(settingsFileName), real));
    ASSERT_TRUE(QFile::link(real, dir.file(settingsFileName)));
    ASSERT_TRUE(saveSettingsFiles(dir.path(), changed, {}));
    EXPECT_TRUE(QFileInfo(dir.file(settingsFileName)).isSymLink());
    EXPECT_TRUE(readAll(real).contains("KeepWH=False\r\n"));

    // A target that cannot be replaced at all.
    testmedia::TempDir other;
    QDir().mkdir(other.file(settingsFileName));
    EXPECT_FALSE(saveSettingsFiles(other.path(), old, {}));
    EXPECT_TRUE(QFileInfo(other.file(settingsFileName)).isDir());
}

TEST(SaveSettings, FolderFallsBackWhenTheProgramFolderIsNotWritable)
{
    testmedia::TempDir dir;
    EXPECT_EQ(settingsFolder(dir.path()), dir.path() + u'/');
    qputenv("XDG_CONFIG_HOME", dir.file(QStringLiteral("cfg")).toUtf8());
    EXPECT_EQ(settingsFolder(dir.file(QStringLiteral("no/such/folder"))), dir.file(QStringLiteral("cfg/Zorvo.FLV/")));
    EXPECT_TRUE(QFileInfo(dir.file(QStringLiteral("cfg/Zorvo.FLV"))).isDir());
    // An installed copy keeps its settings in the user's folder even where it could
    // write (root running the package's copy).
    QFile marker(dir.file(installedMarkerName));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.close();
    EXPECT_EQ(settingsFolder(dir.path()), dir.file(QStringLiteral("cfg/Zorvo.FLV/")));
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SaveSettings, StartUpReadingBuildsThePatternsToo)
{
    testmedia::TempDir dir;
    mdlZorvoFLV::editablePatterns.clear();
    mdlZorvoFLV::moreEditableTypes.clear();
    const Loaded none = loadSettings(dir.path());
    EXPECT_FALSE(none.report.mainRectMet);
    EXPECT_EQ(none.lists.lists[0].items.size(), 0);
    EXPECT_EQ(mdlZorvoFLV::editablePatterns, QStringLiteral("*.flv;*.mpg;*.mpeg;*.dat;*.vob;"));

    QFile f(dir.file(listsFileName));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1\r\n0\xE2\x80\x96x\xE2\x80\x96" "1\xE2\x80\x96" "0\r\n/v/a.flv\r\n");
    f.close();
    const Loaded one = loadSettings(dir.path());
    EXPECT_EQ(one.lists.lastPlaylistNo, 1);
    EXPECT_EQ(one.lists.lists[0].items, QStringList{QStringLiteral("/v/a.flv")});
}
