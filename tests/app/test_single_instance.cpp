#include <gtest/gtest.h>

#include "app/SingleInstance.h"

#include <QSignalSpy>
#include <QUuid>

namespace {
QString uniqueKey() { return QStringLiteral("zorvo-test|") + QUuid::createUuid().toString(QUuid::Id128); }
} // namespace

TEST(SingleInstance, SecondCopyHandsItsCommandLineOver)
{
    const QString key = uniqueKey();
    SingleInstance first(key);
    ASSERT_TRUE(first.start());
    QSignalSpy received(&first, &SingleInstance::messageReceived);

    SingleInstance second(key);
    EXPECT_FALSE(second.start()) << "the lock is held";
    const QString line = QStringLiteral("/视频/a b \"c\".flv");
    EXPECT_TRUE(SingleInstance::sendToPrimary(key, line, 3000));
    ASSERT_TRUE(received.wait(5000));
    EXPECT_EQ(received.at(0).at(0).toString(), line);

    // An empty command line still reaches it (it only shows its window then).
    EXPECT_TRUE(SingleInstance::sendToPrimary(key, QString(), 3000));
    ASSERT_TRUE(received.count() > 1 || received.wait(5000));
    EXPECT_EQ(received.at(1).at(0).toString(), QString());
}

TEST(SingleInstance, NobodyListeningFailsWithinTheDeadline)
{
    EXPECT_FALSE(SingleInstance::sendToPrimary(uniqueKey(), QStringLiteral("x"), 300));
}

TEST(SingleInstance, TheLockIsFreedWhenTheFirstCopyEnds)
{
    const QString key = uniqueKey();
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.start());
    }
    SingleInstance next(key);
    EXPECT_TRUE(next.start());
}
