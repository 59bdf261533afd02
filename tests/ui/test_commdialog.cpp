#include "ui/CommDialog.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using ui::CommDialog;
using ui::ScriptedAnswers;

namespace {

// A fresh instance each test; the shared one is checked to be one object.
struct CommDialogTest : ::testing::Test {
    CommDialog dlg;
};

TEST(CommDialogShared, IsOneInstance)
{
    EXPECT_EQ(&CommDialog::shared(), &CommDialog::shared());
    EXPECT_EQ(CommDialog::shared().FlagsOpen, 528388);
    EXPECT_EQ(CommDialog::shared().FlagsSave, 6);
    EXPECT_EQ(CommDialog::shared().FlagsDir, 100);
}

TEST_F(CommDialogTest, FilterKeepsItsSystemForm)
{
    const QChar nul(0);
    dlg.setFilter("A|*.a|B|*.b|");
    EXPECT_EQ(dlg.systemFilter(), QString("A") + nul + "*.a" + nul + "B" + nul + "*.b" + nul);
    dlg.setFilter("A|*.a");
    EXPECT_EQ(dlg.systemFilter(), QString("A") + nul + "*.a" + nul);
    EXPECT_EQ(dlg.Filter(), "A|*.a");
}

TEST(CommDialogFilters, BecomeQtNameFilters)
{
    EXPECT_EQ(ui::qtNameFilters("A|*.a|B|*.b|"), QStringList({"A (*.a)", "B (*.b)"}));
    EXPECT_EQ(ui::qtNameFilters(QStringLiteral("视频文件(*.flv;*.mp4)|*.flv; *.mp4|所有文件|*.*")),
              QStringList({QStringLiteral("视频文件(*.flv;*.mp4) (*.flv *.mp4)"),
                           QStringLiteral("所有文件 (*.*)")}));
    EXPECT_EQ(ui::qtNameFilters("|*.x|lonely"), QStringList({"*.x (*.x)"}));
    EXPECT_TRUE(ui::qtNameFilters("").isEmpty());
}

TEST(CommDialogFilters, ExtensionIsLowerCaseOfTheNamePart)
{
    EXPECT_EQ(ui::lowerExtension("/d/A.FLV"), "flv");
    EXPECT_EQ(ui::lowerExtension("/d.x/noext"), "");
    EXPECT_EQ(ui::lowerExtension("C:\\v\\b.Mp4"), "mp4");
    EXPECT_EQ(ui::lowerExtension("/v/a.tar.GZ"), "gz");
}

TEST_F(CommDialogTest, SingleOpenSetsNameTitleAndExtension)
{
    ScriptedAnswers answers;
    answers.thenFile("/d/A.FLV");
    dlg.DialogTitle = QStringLiteral("打开媒体文件");
    dlg.setFilter("A|*.a|B|*.b");
    EXPECT_EQ(dlg.ShowOpen(), "/d/A.FLV");
    EXPECT_EQ(dlg.FileName, "/d/A.FLV");
    EXPECT_EQ(dlg.FileTitle(), "A.FLV");
    EXPECT_EQ(dlg.FileExt(), "flv");
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    const ui::Shown& shown = ui::shownBoxes()[0];
    EXPECT_EQ(shown.kind, ui::Shown::File);
    EXPECT_EQ(shown.style, ui::OpenOne);
    EXPECT_EQ(shown.text, QStringLiteral("打开媒体文件"));
    EXPECT_EQ(shown.filter, "A|*.a|B|*.b");
    EXPECT_EQ(shown.initDir, QDir::currentPath()); // an empty start folder is filled in
}

TEST_F(CommDialogTest, MultipleOpenCountsTheFiles)
{
    ScriptedAnswers answers;
    answers.thenFile("/v/x.flv").thenFiles({"/v/x.flv", "/v/y.flv"});
    EXPECT_EQ(dlg.ShowOpen(false, true), "1");
    EXPECT_EQ(dlg.FileArray(), QStringList({"/v/x.flv"}));
    EXPECT_EQ(dlg.FileTitle(), "");
    EXPECT_EQ(dlg.FileExt(), "");
    EXPECT_EQ(dlg.ShowOpen(false, true), "2");
    EXPECT_EQ(dlg.FileArray(), QStringList({"/v/x.flv", "/v/y.flv"}));
    EXPECT_EQ(ui::shownBoxes()[1].style, ui::OpenMany);
}

TEST_F(CommDialogTest, CancelEmptiesTheResultsAndKeepsTheFolder)
{
    ScriptedAnswers answers;
    answers.thenFile("/d/a.mp3").thenCancel();
    dlg.InitDir = "/d";
    dlg.ShowOpen();
    EXPECT_EQ(dlg.ShowOpen(), "");
    EXPECT_EQ(dlg.FileName, "");
    EXPECT_EQ(dlg.FileTitle(), "");
    EXPECT_EQ(dlg.FileExt(), "");
    EXPECT_EQ(dlg.InitDir, "/d");
    EXPECT_EQ(ui::shownBoxes()[1].defaultText, "/d/a.mp3"); // the last choice pre-filled
}

TEST_F(CommDialogTest, FilterIndexIsKeptAndReadBack)
{
    ScriptedAnswers answers;
    answers.thenFile("/d/a.b", 2).thenCancel().thenFile("/d/c.b");
    dlg.setFilterIndex(0);
    EXPECT_EQ(dlg.FilterIndex(), 1);
    dlg.ShowOpen();
    EXPECT_EQ(dlg.FilterIndex(), 2);
    dlg.ShowOpen();
    EXPECT_EQ(dlg.FilterIndex(), 2);
    dlg.ShowSave();
    EXPECT_EQ(dlg.FilterIndex(), 2);
}

TEST_F(CommDialogTest, NoUseInitDirClearsTheFolderAfterAChoiceOnly)
{
    ScriptedAnswers answers;
    answers.thenCancel().thenFile("/d/a.flv");
    dlg.InitDir = "/d";
    dlg.ShowOpen(true);
    EXPECT_EQ(dlg.InitDir, "/d");
    dlg.ShowOpen(true);
    EXPECT_EQ(dlg.InitDir, "");
}

TEST_F(CommDialogTest, SaveAsksBeforeReplacingAFile)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath("old.flv");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    ScriptedAnswers answers;
    answers.thenFile(existing).then(ui::No).thenFile(dir.filePath("new")).thenFile(existing).then(ui::Yes);
    dlg.DefaultExt = "flv";
    EXPECT_EQ(dlg.ShowSave(), dir.filePath("new.flv"));
    EXPECT_EQ(dlg.FileExt(), "flv");
    const auto& shown = ui::shownBoxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1].kind, ui::Shown::Message);
    EXPECT_EQ(shown[1].text, QStringLiteral("old.flv 已存在。\n要替换它吗？"));
    EXPECT_EQ(shown[1].style, ui::YesNo + ui::Exclamation);
    EXPECT_EQ(shown[2].defaultText, existing); // back in the dialog with the name
    EXPECT_EQ(dlg.ShowSave(), existing);

    // Without the overwrite flag nothing is asked.
    answers.thenFile(existing);
    dlg.FlagsSave = ui::dlgflags::HideReadOnly;
    const size_t before = shown.size();
    EXPECT_EQ(dlg.ShowSave(), existing);
    EXPECT_EQ(shown.size(), before + 1);
}

TEST_F(CommDialogTest, ShowDirEndsInOneSlash)
{
    ScriptedAnswers answers;
    answers.thenFile("/").thenFile("/tmp").thenCancel();
    EXPECT_EQ(dlg.ShowDir(), "/");
    EXPECT_EQ(dlg.DirName, "/");
    EXPECT_EQ(dlg.ShowDir(true), "/tmp/");
    EXPECT_EQ(dlg.InitDir, "");
    EXPECT_EQ(dlg.ShowDir(), "");
    EXPECT_EQ(dlg.DirName, "");
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::ChooseDir);
}

// The real Qt dialogs: a timer plays the user. It acts again while the dialog stays
// open (its folder model fills in the background) and gives up with a reject, so that a
// dialog that never takes the choice fails the test instead of hanging it.
void whenDialogShows(std::function<void(QFileDialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    auto ticks = std::make_shared<int>(0);
    auto acted = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, act, ticks, acted] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) {
            if (*acted || ++*ticks > 500) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        if (++*ticks > 250) {
            QMetaObject::invokeMethod(d, "reject");
            return;
        }
        if (*acted && *ticks % 10 != 0)
            return;
        *acted = true;
        act(d);
    });
    timer->start();
}

// Typed into the name box, as a user does it.
void typeName(QFileDialog* d, const QString& text)
{
    auto* name = d->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_TRUE(name);
    name->setText(text);
}

struct RealDialogTest : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (const char* name : {"a.flv", "b.flv", "c.mp3"}) {
            QFile f(dir.filePath(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        dlg.InitDir = dir.path();
        dlg.setFilter(QStringLiteral("视频|*.flv|音乐|*.mp3"));
    }
    QTemporaryDir dir;
    CommDialog dlg;
};

TEST_F(RealDialogTest, OpensOneFileWithTheChosenFilter)
{
    ASSERT_FALSE(ui::hasAnswerer());
    dlg.setFilterIndex(2);
    QStringList filters;
    QString selected;
    QFileDialog::FileMode mode{};
    QStringList texts;
    whenDialogShows([&](QFileDialog* d) {
        texts = QStringList{d->windowTitle(), d->labelText(QFileDialog::LookIn),
                            d->labelText(QFileDialog::FileName), d->labelText(QFileDialog::FileType),
                            d->labelText(QFileDialog::Accept), d->labelText(QFileDialog::Reject)};
        filters = d->nameFilters();
        selected = d->selectedNameFilter();
        mode = d->fileMode();
        typeName(d, "c.mp3");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowOpen(), dir.filePath("c.mp3"));
    EXPECT_EQ(filters, QStringList({QStringLiteral("视频 (*.flv)"), QStringLiteral("音乐 (*.mp3)")}));
    EXPECT_EQ(selected, QStringLiteral("音乐 (*.mp3)"));
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    EXPECT_EQ(texts, QStringList({QStringLiteral("打开"), QStringLiteral("查找范围："),
                                  QStringLiteral("文件名："), QStringLiteral("文件类型："),
                                  QStringLiteral("打开"), QStringLiteral("取消")}));
    EXPECT_EQ(dlg.FileExt(), "mp3");
    EXPECT_EQ(dlg.FilterIndex(), 2);
}

TEST_F(RealDialogTest, OpensSeveralFilesAndCancels)
{
    whenDialogShows([&](QFileDialog* d) {
        typeName(d, "\"a.flv\" \"b.flv\"");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowOpen(false, true), "2");
    QStringList got = dlg.FileArray();
    got.sort();
    EXPECT_EQ(got, QStringList({dir.filePath("a.flv"), dir.filePath("b.flv")}));

    whenDialogShows([](QFileDialog* d) { d->reject(); });
    EXPECT_EQ(dlg.ShowOpen(), "");
}

TEST_F(RealDialogTest, AMissingNameIsRefusedInChinese)
{
    // Type a name that is not there, read the refusal, then leave the dialog.
    QString refusal;
    int step = 0, ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (++ticks > 500 && w) {
            QMetaObject::invokeMethod(w, "reject");
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            refusal = box->text();
            box->buttons().first()->click();
            step = 2;
        } else if (auto* d = qobject_cast<QFileDialog*>(w)) {
            if (step == 0) {
                typeName(d, "missing.flv");
                // Queued: the refusal's own loop must not run inside this timer's tick.
                QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
                step = 1;
            } else if (step == 2) {
                d->reject();
                step = 3;
            }
        }
    });
    timer.start();
    EXPECT_EQ(dlg.ShowOpen(), "");
    EXPECT_EQ(step, 3);
    EXPECT_EQ(refusal, QStringLiteral("missing.flv\n找不到文件。\n请检查名称是否正确后再试一次。"));
}

TEST_F(RealDialogTest, LoweredFlagsAcceptANewName)
{
    dlg.FlagsOpen = ui::dlgflags::OpenAnyName;
    QFileDialog::FileMode mode{};
    whenDialogShows([&](QFileDialog* d) {
        mode = d->fileMode();
        typeName(d, "new.flv");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowOpen(), dir.filePath("new.flv"));
    EXPECT_EQ(mode, QFileDialog::AnyFile);
}

TEST_F(RealDialogTest, SavesUnderATitledDialog)
{
    dlg.DialogTitle = QStringLiteral("储存剪辑");
    QStringList texts;
    whenDialogShows([&](QFileDialog* d) {
        texts = QStringList{d->windowTitle(), d->labelText(QFileDialog::LookIn),
                            d->labelText(QFileDialog::FileType), d->labelText(QFileDialog::Accept)};
        typeName(d, "new.flv");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowSave(), dir.filePath("new.flv"));
    EXPECT_EQ(texts, QStringList({QStringLiteral("储存剪辑"), QStringLiteral("保存在："),
                                  QStringLiteral("保存类型："), QStringLiteral("保存")}));
}

TEST_F(RealDialogTest, ChoosesAFolder)
{
    QDir(dir.path()).mkdir("sub");
    QString title;
    whenDialogShows([&](QFileDialog* d) {
        title = d->windowTitle();
        typeName(d, "sub");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowDir(), dir.filePath("sub") + "/");
    EXPECT_EQ(title, QStringLiteral("浏览文件夹"));
}

TEST_F(RealDialogTest, ATitleOfSeveralLinesIsACaptionAndALabel)
{
    QDir(dir.path()).mkdir("sub");
    dlg.DialogTitle = QStringLiteral("第一行\r\n第二行\r\n第三行");
    QString title, label;
    whenDialogShows([&](QFileDialog* d) {
        title = d->windowTitle();
        if (auto* l = d->findChild<QLabel*>("lblDialogTitle"))
            label = l->text();
        typeName(d, "sub");
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(dlg.ShowDir(), dir.filePath("sub") + "/");
    EXPECT_EQ(title, QStringLiteral("第一行"));
    EXPECT_EQ(label, QStringLiteral("第二行\n第三行"));
}

// A dialog with no folder set starts in the current folder, but never in the program's
// own, where "*.flv" would offer the program file as a video.
TEST(CommDialogStart, LeavesTheProgramFolderForVideosOrHome)
{
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    const QString oldCurrent = QDir::currentPath();
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(QDir::setCurrent(QCoreApplication::applicationDirPath()));
    EXPECT_EQ(QDir(ui::startFolder()), QDir(home.path()));
    ASSERT_TRUE(QDir(home.path()).mkdir("Videos"));
    ScriptedAnswers answers;
    answers.thenCancel();
    CommDialog dlg;
    dlg.ShowOpen();
    ASSERT_FALSE(ui::shownBoxes().empty());
    EXPECT_EQ(QDir(ui::shownBoxes().back().initDir), QDir(home.path() + "/Videos"));
    ASSERT_TRUE(QDir::setCurrent(home.path()));
    EXPECT_EQ(QDir(ui::startFolder()), QDir(home.path())) << "any other folder is kept";
    QDir::setCurrent(oldCurrent);
    qputenv("HOME", oldHome);
}

} // namespace
