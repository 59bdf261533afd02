// ZorvoResFLV as the main program starts it: the real program from the program folder,
// each test with a runtime folder of its own.
#include "ResStore.h"
#include "common/TestMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ZorvoRes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        folder_ = runtime_.path() + QStringLiteral("/Zorvo.FLV/");
    }

    // Runs the program with the arguments as the runner passes them; true when it ended.
    bool runRes(const QStringList& args, const QString& program = testmedia::binDir() + QStringLiteral("/ZorvoResFLV"))
    {
        QProcess p;
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(program, args);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit;
    }

    // A copy of the program in a program folder of the test's own, so that what it writes
    // there when its private folder is refused does not land beside the real one.
    QString programCopy()
    {
        const QString copy = programFolder_.path() + QStringLiteral("/ZorvoResFLV");
        if (!QFileInfo::exists(copy))
            QFile::copy(testmedia::binDir() + QStringLiteral("/ZorvoResFLV"), copy);
        return copy;
    }

    QStringList writtenBesideTheCopy() const
    {
        QStringList files = QDir(programFolder_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        files.removeAll(QStringLiteral("ZorvoResFLV"));
        return files;
    }

    QStringList written() const
    {
        return QDir(folder_).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QByteArray content(const QString& name) const
    {
        QFile f(folder_ + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir runtime_;
    QTemporaryDir programFolder_;
    QString folder_;
};

bool isExecutable(const QString& path)
{
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & S_IXUSR);
}

} // namespace

TEST(ResModes, TableOfModeWords)
{
    using namespace basZorvoRes;
    EXPECT_EQ(filesForMode(QStringLiteral("CapMCI")), QStringList{fileResWmv});
    EXPECT_EQ(filesForMode(QStringLiteral("Edit1")), (QStringList{fileMencoder, fileFfmpeg, fileFlvmdi}));
    EXPECT_EQ(filesForMode(QStringLiteral("Edit2")), (QStringList{fileMencoder, fileFfmpeg}));
    EXPECT_EQ(filesForMode(QStringLiteral("Edit3")), QStringList{fileMencoder});
    EXPECT_EQ(filesForMode(QStringLiteral("Fix1")), (QStringList{fileFfmpeg, fileFlvmdi}));
    EXPECT_EQ(filesForMode(QStringLiteral("Fix2")), QStringList{fileFfmpeg});
    EXPECT_EQ(filesForMode(QStringLiteral("Fix3")), QStringList{fileMencoder});
    EXPECT_EQ(filesForMode(QStringLiteral("Encode")), (QStringList{fileFfmpeg, fileFlvmdi}));
    EXPECT_EQ(filesForMode(QStringLiteral("  Snap \t")), QStringList{fileFfmpeg});
    EXPECT_TRUE(filesForMode(QStringLiteral("snap")).isEmpty());
    EXPECT_TRUE(filesForMode(QStringLiteral("Edit")).isEmpty());
    EXPECT_TRUE(filesForMode(QStringLiteral("Edit1 Edit2")).isEmpty());
}

TEST_F(ZorvoRes, BlanksAroundSnapWriteOnlyTheFfmpegFrontEnd)
{
    ASSERT_TRUE(runRes({QStringLiteral("  Snap  ")}));
    EXPECT_EQ(written(), QStringList{QStringLiteral("~tmpExtFmg.exe")});
    EXPECT_TRUE(isExecutable(folder_ + QStringLiteral("~tmpExtFmg.exe")));
    // The written program is the front-end the build made.
    QFile built(testmedia::binDir() + QStringLiteral("/zorvo_fmg"));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    EXPECT_EQ(content(QStringLiteral("~tmpExtFmg.exe")), built.readAll());
    // The folder is private.
    EXPECT_EQ(QFileInfo(folder_).permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::WriteGroup),
              QFile::Permissions());
}

TEST_F(ZorvoRes, LowerCaseAndUnknownWordsWriteNothing)
{
    ASSERT_TRUE(runRes({QStringLiteral("snap")}));
    ASSERT_TRUE(runRes({QStringLiteral("Encode2")}));
    ASSERT_TRUE(runRes({QStringLiteral("   ")}));
    EXPECT_TRUE(written().isEmpty());
}

// Started by hand from a console without a display: the explanation goes to the console
// (Qt cannot show its box there) and the program ends normally, writing nothing.
TEST_F(ZorvoRes, WithoutAWordAndWithoutADisplayItExplainsOnTheConsole)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(testmedia::binDir() + QStringLiteral("/ZorvoResFLV"), QStringList());
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardError()),
              QStringLiteral("ZorvoResFLV 是 Zorvo.FLV 的模组\n所以 ZorvoResFLV 无法被单独执行\n"));
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(ZorvoRes, Edit1WritesThreeProgramsAndTwiceGivesTheSameContent)
{
    ASSERT_TRUE(runRes({QStringLiteral("Edit1")}));
#if ZORVO_HAVE_FMD
    const QStringList expected{QStringLiteral("~tmpExtFmd.exe"), QStringLiteral("~tmpExtFmg.exe"),
                               QStringLiteral("~tmpExtMcd.exe")};
#else
    const QStringList expected{QStringLiteral("~tmpExtFmg.exe"), QStringLiteral("~tmpExtMcd.exe")};
#endif
    EXPECT_EQ(written(), expected);
    QList<QByteArray> first;
    for (const QString& name : expected) {
        first << content(name);
        EXPECT_GT(first.last().size(), 10000) << name.toStdString();
        EXPECT_TRUE(isExecutable(folder_ + name));
    }
    ASSERT_TRUE(runRes({QStringLiteral("Edit1")}));
    EXPECT_EQ(written(), expected); // no temporary names left behind
    for (int i = 0; i < expected.size(); ++i)
        EXPECT_EQ(content(expected[i]), first[i]) << expected[i].toStdString();
#if !ZORVO_HAVE_FMD
    GTEST_SKIP() << "built without the metadata injector: ~tmpExtFmd.exe not carried";
#endif
}

TEST_F(ZorvoRes, CapMciWritesThePlayableAsfClip)
{
    ASSERT_TRUE(runRes({QStringLiteral("CapMCI")}));
    EXPECT_EQ(written(), QStringList{QStringLiteral("~tmpExtFlv.wmv")});
    const QByteArray clip = content(QStringLiteral("~tmpExtFlv.wmv"));
    // The ASF header object's GUID 75B22630-668E-11CF-A6D9-00AA0062CE6C.
    const QByteArray guid = QByteArray::fromHex("3026b2758e66cf11a6d900aa0062ce6c");
    EXPECT_EQ(clip.left(16), guid);
    EXPECT_LT(clip.size(), 200 * 1024);
    const QString file = folder_ + QStringLiteral("~tmpExtFlv.wmv");
    EXPECT_EQ(testmedia::probe(file, {QStringLiteral("-show_entries"), QStringLiteral("stream=codec_name"),
                                      QStringLiteral("-of"), QStringLiteral("csv=p=0")}),
              QStringLiteral("wmv2\nwmav2"));
    EXPECT_GT(testmedia::countVideoFrames(file), 5);
}

TEST_F(ZorvoRes, FolderThatOthersCanWriteIsRefused)
{
    ASSERT_TRUE(QDir().mkpath(folder_));
    ASSERT_EQ(chmod(QFile::encodeName(folder_).constData(), 0777), 0);
    ASSERT_TRUE(runRes({QStringLiteral("Edit1")}, programCopy()));
    EXPECT_TRUE(written().isEmpty());
    // The program folder takes its place, where the main program looks then too.
    EXPECT_TRUE(writtenBesideTheCopy().contains(QStringLiteral("~tmpExtFmg.exe")));
    chmod(QFile::encodeName(folder_).constData(), 0700);

    // A program folder that cannot be written either: nothing is written anywhere.
    const QString copy = programCopy();
    for (const QString& f : writtenBesideTheCopy())
        QFile::remove(programFolder_.path() + u'/' + f);
    ASSERT_EQ(chmod(QFile::encodeName(folder_).constData(), 0777), 0);
    ASSERT_EQ(chmod(QFile::encodeName(programFolder_.path()).constData(), 0555), 0);
    const bool ran = runRes({QStringLiteral("Edit1")}, copy);
    chmod(QFile::encodeName(programFolder_.path()).constData(), 0700);
    chmod(QFile::encodeName(folder_).constData(), 0700);
    ASSERT_TRUE(ran);
    EXPECT_TRUE(written().isEmpty());
    if (getuid() != 0) // root writes into a read-only folder all the same
        EXPECT_TRUE(writtenBesideTheCopy().isEmpty());
}

TEST_F(ZorvoRes, FolderOfAnotherUserOrALinkIsRefused)
{
    // A link to a folder of ours is refused too: the folder is looked at, not followed.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), runtime_.path() + QStringLiteral("/Zorvo.FLV")));
    ASSERT_TRUE(runRes({QStringLiteral("Snap")}, programCopy()));
    EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    if (getuid() != 0)
        return;
    QFile::remove(runtime_.path() + QStringLiteral("/Zorvo.FLV"));
    ASSERT_TRUE(QDir().mkpath(folder_));
    ASSERT_EQ(chown(QFile::encodeName(folder_).constData(), 65534, 65534), 0);
    ASSERT_TRUE(runRes({QStringLiteral("Snap")}, programCopy()));
    EXPECT_TRUE(written().isEmpty());
}

TEST_F(ZorvoRes, UnusableRuntimeFolderFallsBackToTmp)
{
    // XDG_RUNTIME_DIR naming nothing: the per-user folder under /tmp is used.
    qputenv("XDG_RUNTIME_DIR", "/nonexistent/zorvo-runtime");
    const QString expected = QStringLiteral("/tmp/Zorvo.FLV-%1/").arg(getuid());
    EXPECT_EQ(basZorvoRes::privateTempFolder(), expected);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
    EXPECT_EQ(basZorvoRes::privateTempFolder(), folder_);
}

TEST(ResWrite, AtomicWriteLeavesNothingOnFailure)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    ASSERT_TRUE(basZorvoRes::writeFileAtomically(folder, QStringLiteral("a.exe"), QByteArrayView("abc"), true));
    QFile f(folder + QStringLiteral("a.exe"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("abc"));
    // A name that cannot be made (a folder stands there): false, and no temporary left.
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("busy.exe/x")));
    EXPECT_FALSE(basZorvoRes::writeFileAtomically(folder, QStringLiteral("busy.exe"), QByteArrayView("abc"), true));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.exe")});
}
