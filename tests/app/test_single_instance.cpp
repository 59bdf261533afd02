#include <gtest/gtest.h>

#include "app/SingleInstance.h"
#include "app/mdlZorvoFLV.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

namespace {
QString uniqueKey() { return QStringLiteral("zorvo-test|") + QUuid::createUuid().toString(QUuid::Id128); }
} // namespace

TEST(SingleInstance, SecondCopyHandsItsCommandLineOver)
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_EQ(first.start(), SingleInstance::Start::First) << first.errorString().toStdString();
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    // The lock and the socket are in the user's private folder, the socket for the user only.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    EXPECT_EQ(QFileInfo(first.serverName()).absolutePath() + u'/',
              runtime.isEmpty() ? mdlZorvoFLV::privateTempFolder() : mdlZorvoFLV::withTrailingSeparator(runtime));
    EXPECT_FALSE(QFileInfo(first.serverName()).permissions()
                 & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));

    SingleInstance second(key);
    EXPECT_EQ(second.start(), SingleInstance::Start::Second) << "the lock is held";
    const QString line = QStringLiteral("/视频/a b \"c\".flv");
    EXPECT_TRUE(SingleInstance::sendToPrimary(second.serverName(), line, 3000));
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received.at(0).at(0).toString(), line);

    // An empty command line still reaches it (it only shows its window then).
    EXPECT_TRUE(SingleInstance::sendToPrimary(second.serverName(), QString(), 3000));
    ASSERT_TRUE(received.count() > 1 || received.wait(5000));
    EXPECT_EQ(received.at(1).at(0).toString(), QString());
}

TEST(SingleInstance, NobodyListeningFailsWithinTheDeadline)
{
    SingleInstance nobody(uniqueKey());
    EXPECT_FALSE(SingleInstance::sendToPrimary(nobody.serverName(), QStringLiteral("x"), 300));
}

TEST(SingleInstance, TheLockIsFreedWhenTheFirstCopyEnds)
{
    const QString key = uniqueKey();
    {
        SingleInstance first(key);
        ASSERT_EQ(first.start(), SingleInstance::Start::First);
    }
    SingleInstance next(key);
    EXPECT_EQ(next.start(), SingleInstance::Start::First);
}

// A folder that others may write into could hold a lock or socket of theirs: it is
// refused, and that is a failure, not a sign of another copy.
TEST(SingleInstance, AFolderOthersCanWriteIsAFailureNotASecondCopy)
{
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777));
    SingleInstance copy(uniqueKey(), shared.path());
    EXPECT_EQ(copy.start(), SingleInstance::Start::Failed);
    EXPECT_FALSE(copy.errorString().isEmpty());
}

// A socket path has little room: a long private folder (a test's, say) still works.
TEST(SingleInstance, WorksInsideADeepFolder)
{
    QTemporaryDir base;
    const QString deep = base.path() + QStringLiteral("/") + QString(60, u'd');
    ASSERT_TRUE(QDir().mkpath(deep));
    QFile::setPermissions(deep, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString key = uniqueKey();
    SingleInstance first(key, deep);
    ASSERT_EQ(first.start(), SingleInstance::Start::First) << first.errorString().toStdString();
    QSignalSpy received(&first, &SingleInstance::messageReceived);
    SingleInstance second(key, deep);
    EXPECT_EQ(second.start(), SingleInstance::Start::Second);
    EXPECT_TRUE(SingleInstance::sendToPrimary(second.serverName(), QStringLiteral("/a.flv"), 3000));
    EXPECT_TRUE(received.wait(5000));
}

TEST(SingleInstance, RelativePathsAreMadeAbsoluteForTheFirstCopy)
{
    const QString here = QStringLiteral("/home/u/视频");
    EXPECT_EQ(SingleInstance::handOverText(QStringLiteral("a b.flv"), here), QStringLiteral("/home/u/视频/a b.flv"));
    EXPECT_EQ(SingleInstance::handOverText(QStringLiteral("\"../x/a b.flv\""), here), QStringLiteral("/home/u/x/a b.flv"));
    for (const char* kept : {"/abs/a.flv", "\"/abs/a b.flv\"", "http://host/a.flv", ""})
        EXPECT_EQ(SingleInstance::handOverText(QString::fromUtf8(kept), here), QString::fromUtf8(kept));
}
