#include "ui/MsgBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(MsgBoxScripted, RecordsEveryBoxInOrderAndAnswersFromTheQueue)
{
    ui::ScriptedAnswers answers;
    answers.then(ui::No).thenText("abc").thenText("");
    EXPECT_EQ(ui::msgBox(QStringLiteral("要保存吗？"), ui::YesNoCancel + ui::Question, ui::noticeTitle), ui::No);
    EXPECT_EQ(ui::inputBox(QStringLiteral("名称："), QString(), "x"), "abc");
    EXPECT_EQ(ui::inputBox(QStringLiteral("再来："), QString(), "y"), ""); // Cancel
    // An empty queue answers the default.
    EXPECT_EQ(ui::msgBox("ok?", ui::OkCancel), ui::Ok);
    EXPECT_EQ(ui::msgBox("yes?", ui::YesNo), ui::Yes);
    EXPECT_EQ(ui::inputBox("p", "t", "dflt"), "dflt");

    EXPECT_EQ(answers.texts(), QStringList({QStringLiteral("要保存吗？"), QStringLiteral("名称："),
                                            QStringLiteral("再来："), "ok?", "yes?", "p"}));
    const auto& shown = ui::shownBoxes();
    EXPECT_EQ(shown[0].title, QStringLiteral("注意事项"));
    EXPECT_EQ(shown[1].title, ui::defaultTitle());
    EXPECT_EQ(shown[1].kind, ui::Shown::Input);
    EXPECT_EQ(shown[1].defaultText, "x");
    EXPECT_EQ(shown[5].title, "t");
}

// The real boxes: a timer reads them and presses a button.
void whenModalShows(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w)
            return;
        timer->stop();
        timer->deleteLater();
        act(w);
    });
    timer->start();
}

TEST(MsgBoxReal, ShowsChineseButtonsTitleAndIcon)
{
    ASSERT_FALSE(ui::hasAnswerer());
    QStringList labels;
    QString title, text;
    QMessageBox::Icon icon{};
    whenModalShows([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_TRUE(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        QAbstractButton* no = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            labels << b->text();
            if (b->text() == QStringLiteral("否"))
                no = b;
        }
        ASSERT_TRUE(no);
        no->click();
    });
    const int r = ui::msgBox(QStringLiteral("文件不存在"), ui::YesNoCancel + ui::Critical, ui::errorTitle);
    EXPECT_EQ(r, ui::No);
    EXPECT_EQ(title, QStringLiteral("错误讯息"));
    EXPECT_EQ(text, QStringLiteral("文件不存在"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    labels.sort();
    QStringList want{QStringLiteral("是"), QStringLiteral("否"), QStringLiteral("取消")};
    want.sort();
    EXPECT_EQ(labels, want);

    whenModalShows([&](QWidget* w) { qobject_cast<QMessageBox*>(w)->defaultButton()->click(); });
    EXPECT_EQ(ui::msgBox("ok", ui::OkCancel), ui::Ok);
    whenModalShows([&](QWidget* w) { w->close(); });
    EXPECT_EQ(ui::msgBox("escape", ui::OkCancel), ui::Cancel);
}

TEST(MsgBoxReal, InputBoxReturnsTheTextOrEmptyOnCancel)
{
    whenModalShows([](QWidget* w) {
        auto* d = qobject_cast<QInputDialog*>(w);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->textValue(), QStringLiteral("默认"));
        EXPECT_EQ(d->okButtonText(), QStringLiteral("确定"));
        EXPECT_EQ(d->cancelButtonText(), QStringLiteral("取消"));
        d->setTextValue(QStringLiteral("新名字"));
        d->accept();
    });
    EXPECT_EQ(ui::inputBox(QStringLiteral("名称"), QString(), QStringLiteral("默认")), QStringLiteral("新名字"));
    whenModalShows([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(ui::inputBox(QStringLiteral("名称"), QString(), QStringLiteral("默认")), "");
}

} // namespace
