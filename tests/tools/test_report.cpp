// The closing report of a job.
#include "ToolTestEnv.h"
#include "common/TestMedia.h"
#include "tools/mdlTools.h"
#include "ui/MsgBox.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QProcess>
#include <QUrl>
#include <QFile>
#include <gtest/gtest.h>

namespace {

QString makeFile(const testmedia::TempDir& dir, const char* name)
{
    QFile f(dir.file(QString::fromUtf8(name)));
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return f.fileName();
}

// The file manager's side of ShowItems, on a bus of the test's own.
class FileManagerStub : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        (void)startupId;
        shown += uris;
    }
};

} // namespace

TEST(DoneAfterSave, TimeLineWithTwoDecimals)
{
    EXPECT_EQ(mdlTools::secondsText(12.345f), QStringLiteral("12.35"));
    EXPECT_EQ(mdlTools::secondsText(0.5f), QStringLiteral(".50"));
    EXPECT_EQ(mdlTools::secondsText(3.0f), QStringLiteral("3.00"));

    ui::ScriptedAnswers answers;
    answers.then(ui::Cancel);
    tooltest::TestHost host;
    testmedia::TempDir dir;
    const QString file = makeFile(dir, "a_part.flv");
    const QString before = QDir::currentPath();
    mdlTools::doneAfterSave(host, file, false, 12.345f, false);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    const ui::Shown& box = ui::shownBoxes()[0];
    EXPECT_EQ(box.text, QStringLiteral("全部的档案处理程序已经成功结束\r\n总共使用的时间有 12.35 秒\r\n\r\n"
                                       "按下“确定”，可以前往档案总管\r\n或本软体的档案列表，查看新档案"));
    EXPECT_EQ(box.style, ui::OkCancel);
    EXPECT_EQ(box.title, ui::defaultTitle());
    EXPECT_TRUE(host.browsed.isEmpty()); // Cancel: nothing more
    EXPECT_EQ(QDir::currentPath(), QDir(dir.path()).canonicalPath());
    QDir::setCurrent(before);
}

TEST(DoneAfterSave, NoTimeLineAtZeroAndTheBreakWording)
{
    ui::ScriptedAnswers answers;
    answers.then(ui::Ok);
    tooltest::TestHost host;
    host.toBrowser = true;
    testmedia::TempDir dir;
    const QString file = makeFile(dir, "b.flv");
    mdlTools::doneAfterSave(host, file, false, 0.0f, true);
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, QStringLiteral("全部的档案处理程序已经被中止掉\r\n\r\n"
                                                       "按下“确定”，可以前往档案总管\r\n或本软体的档案列表，查看新档案"));
    // OK with the browser option: the workspace browser shows it.
    EXPECT_EQ(host.browsed, QStringList{file});
}

TEST(DoneAfterSave, ForcedGoesStraightToTheBrowserAndMissingFileDoesNothing)
{
    ui::ScriptedAnswers answers;
    tooltest::TestHost host;
    testmedia::TempDir dir;
    const QString file = makeFile(dir, "c.flv");
    mdlTools::doneAfterSave(host, file, true, 5.0f, false);
    EXPECT_TRUE(ui::shownBoxes().empty());
    EXPECT_EQ(host.browsed, QStringList{file});

    host.browsed.clear();
    mdlTools::doneAfterSave(host, dir.file(QStringLiteral("missing.flv")), false, 5.0f, false);
    mdlTools::doneAfterSave(host, dir.file(QStringLiteral("missing.flv")), true, 5.0f, false);
    EXPECT_TRUE(ui::shownBoxes().empty());
    EXPECT_TRUE(host.browsed.isEmpty());
}

TEST(DoneAfterSave, OkOpensTheFileManagerWithTheFileSelected)
{
    QProcess daemon;
    daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                 QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(10000))
        GTEST_SKIP() << "no dbus-daemon";
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QByteArray address = daemon.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());
    // The program's session bus is this one (read when it is first used).
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    {
        QDBusConnection stubBus = QDBusConnection::connectToBus(QString::fromUtf8(address), QStringLiteral("stub"));
        ASSERT_TRUE(stubBus.isConnected());
        FileManagerStub stub;
        ASSERT_TRUE(stubBus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &stub,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(stubBus.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        ui::ScriptedAnswers answers;
        answers.then(ui::Ok);
        tooltest::TestHost host;
        testmedia::TempDir dir;
        const QString file = makeFile(dir, "新 档案.flv");
        mdlTools::doneAfterSave(host, file, false, 1.5f, false);
        EXPECT_EQ(ui::shownBoxes().size(), 1u);
        EXPECT_TRUE(host.browsed.isEmpty());
        EXPECT_EQ(stub.shown, QStringList{QUrl::fromLocalFile(file).toString()});
        stubBus.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("stub"));
    daemon.kill();
    daemon.waitForFinished();
}

#include "test_report.moc"
