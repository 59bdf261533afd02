// Shows the program's own controls in every state, for looking at them by eye.
//   zorvo-ui-gallery [--shot file.png] [--quit-after ms]
//   --shot: grab the window, save it and quit; --quit-after: end by itself.
#include "ui/Icons.h"
#include "ui/ZorvoButton.h"
#include "ui/ZorvoTab.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>

using namespace ui;

namespace {

ZorvoButton* makeButton(QWidget* parent, IconId id, int state, int style, const QString& tip)
{
    auto* b = new ZorvoButton(parent);
    b->setFixedSize(28, 28);
    b->setPicture(icon(id).pixmap(16, 16));
    b->setStyle(style);
    b->setState(state);
    b->SetToolTip(tip);
    return b;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QString shot;
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--shot"));
    if (at >= 0 && at + 1 < args.size())
        shot = args[at + 1];

    const int quitAt = args.indexOf(QStringLiteral("--quit-after"));
    if (quitAt >= 0 && quitAt + 1 < args.size())
        QTimer::singleShot(args[quitAt + 1].toInt(), &app, &QApplication::quit);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Zorvo.FLV 控件一览"));
    auto* grid = new QGridLayout(&window);

    const QStringList stateNames = {QStringLiteral("0 抬起"), QStringLiteral("1 凸起"),
                                    QStringLiteral("2 按下"), QStringLiteral("3 停用")};
    const IconId ids[] = {IconId::Play,     IconId::Pause,  IconId::Stop,    IconId::Previous,
                          IconId::Next,     IconId::Backward, IconId::Forward, IconId::MarkIn,
                          IconId::MarkOut,  IconId::Loop,   IconId::Sound,   IconId::Mute,
                          IconId::Open,     IconId::List,   IconId::Save,    IconId::Snapshot};
    for (int style = 0; style < 2; ++style) {
        const int top = style * 5;
        grid->addWidget(new QLabel(style == 0 ? QStringLiteral("样式 0（边线）")
                                              : QStringLiteral("样式 1（无边线）")),
                        top, 0, 1, 2);
        for (int s = 0; s < 4; ++s) {
            grid->addWidget(new QLabel(QStringLiteral("状态 ") + stateNames[s]), top + s + 1, 0);
            auto* row = new QWidget;
            auto* h = new QHBoxLayout(row);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(2);
            for (IconId id : ids)
                h->addWidget(makeButton(row, id, s, style, stateNames[s]));
            auto* text = new ZorvoButton(row);
            text->setFixedSize(56, 28);
            text->setCaption(QStringLiteral("播放"));
            text->setStyle(style);
            text->setState(s);
            h->addWidget(text);
            h->addStretch();
            grid->addWidget(row, top + s + 1, 1);
        }
    }

    // Five tabs, three a row: tabs 0 to 2 at the bottom, 3 and 4 above them.
    auto* area = new QWidget;
    area->setFixedSize(420, 180);
    auto* tab = new ZorvoTab(area);
    tab->setTabPictureBox(QStringLiteral("picTab"));
    for (int i = 0; i < 5; ++i) {
        auto* panel = new QFrame(area);
        setControlIndex(panel, QStringLiteral("picTab"), i);
        auto* l = new QLabel(QStringLiteral("第 %1 页的面板").arg(i + 1), panel);
        l->move(12, 12);
    }
    tab->setGeometry(0, 0, 420, 180);
    tab->setTabs(5);
    tab->setTabsPerRow(3);
    tab->setAll_Caption(QStringLiteral("播放清单一≡播放清单二≡合并清单≡分割≡截图≡"));
    tab->setTabNow(1);
    grid->addWidget(new QLabel(QStringLiteral("标签页")), 10, 0, Qt::AlignTop);
    grid->addWidget(area, 10, 1);

    window.show();
    if (!shot.isEmpty()) {
        QTimer::singleShot(600, [&] {
            window.grab().save(shot);
            app.quit();
        });
    }
    return app.exec();
}
