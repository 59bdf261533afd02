#include "ui/ZorvoTab.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using ui::ZorvoTab;

namespace {

TEST(ZorvoTab, FiveTabsThreeARowMakeTwoRowsWithTabZeroAtTheBottom)
{
    ZorvoTab tab;
    tab.resize(300, 200);
    tab.setTabs(5);
    EXPECT_EQ(tab.stripHeight(), 40);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tab.picTabCap(i)->geometry(), QRect(i * 100, 20, i == 2 ? 100 : 101, 20)) << i;
        EXPECT_FALSE(tab.picTabCap(i)->isTop());
    }
    EXPECT_EQ(tab.picTabCap(3)->geometry(), QRect(0, 0, 101, 20));
    EXPECT_EQ(tab.picTabCap(4)->geometry(), QRect(100, 0, 101, 20));
    EXPECT_TRUE(tab.picTabCap(3)->isTop());
    EXPECT_TRUE(tab.picTabCap(4)->isTop());
    EXPECT_EQ(tab.picFraTab()->geometry(), QRect(0, 40, 300, 160));

    tab.setTabsPerRow(0); // ignored
    EXPECT_EQ(tab.TabsPerRow(), 3);
    tab.setTabsPerRow(5);
    EXPECT_EQ(tab.stripHeight(), 20);
}

TEST(ZorvoTab, LastColumnReachesTheRightEdge)
{
    ZorvoTab tab;
    tab.resize(301, 100);
    tab.setTabs(2);
    tab.setTabsPerRow(2);
    EXPECT_EQ(tab.picTabCap(0)->geometry(), QRect(0, 0, 151, 20));
    EXPECT_EQ(tab.picTabCap(1)->geometry(), QRect(150, 0, 151, 20));
}

TEST(ZorvoTab, CaptionsSplitAtTheSeparator)
{
    ZorvoTab tab;
    tab.resize(300, 100);
    tab.setAll_Caption(QStringLiteral("A≡≡"));
    EXPECT_EQ(tab.caption(0), "A");
    EXPECT_EQ(tab.caption(1), "Tab 1");
    EXPECT_EQ(tab.caption(2), "Tab 2");
    EXPECT_EQ(tab.All_Caption(), QStringLiteral("A≡Tab 1≡Tab 2≡"));

    tab.setTabNow(1);
    tab.setTabCaption(QStringLiteral("播放清单二"));
    EXPECT_EQ(tab.TabCaption(), QStringLiteral("播放清单二"));
    EXPECT_EQ(tab.All_Caption(), QStringLiteral("A≡播放清单二≡Tab 2≡"));
    EXPECT_EQ(ui::tabCaptionOf(QStringLiteral("A≡"), 7), "Tab 7");
}

// Lowest row of a caption's ink, in the tab's own coordinates (-1 when none).
int inkBottomInTab(QLabel* label)
{
    const QImage img = label->grab().toImage();
    const int ground = qGray(img.pixel(0, 0));
    for (int y = img.height() - 1; y >= 0; --y)
        for (int x = 0; x < img.width(); ++x)
            if (qAbs(qGray(img.pixel(x, y)) - ground) > 30)
                return label->y() + y;
    return -1;
}

TEST(ZorvoTab, ChineseCaptionsAreNotCutOffAtTheBottomOfTheirTab)
{
    QWidget host;
    host.resize(440, 200);
    auto* tab = new ZorvoTab(&host);
    tab->setGeometry(0, 0, 420, 180);
    tab->setTabs(5);
    tab->setAll_Caption(QStringLiteral("播放清单一≡播放清单二≡合并清单≡分割≡截图≡"));
    tab->setTabNow(1);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    for (int i = 0; i < 5; ++i) {
        const int bottom = inkBottomInTab(tab->picTabCap(i)->label());
        EXPECT_GT(bottom, 0) << i;
        // The tab's last pixel row is its edge; the caption ends above it.
        EXPECT_LT(bottom, ZorvoTab::rowHeight - 1) << i;
    }
}

TEST(ZorvoTab, ChangesOfTheCurrentTabRaiseClickWithThePreviousOne)
{
    QWidget host;
    host.resize(320, 220);
    auto* tab = new ZorvoTab(&host);
    tab->setGeometry(0, 0, 300, 200);
    tab->setTabs(2);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    QSignalSpy clicks(tab, &ZorvoTab::Click);

    tab->setTabNow(5); // out of range on a two-tab strip
    EXPECT_EQ(tab->TabNow(), 0);
    EXPECT_EQ(clicks.count(), 0);

    QTest::mouseClick(tab->picTabCap(0), Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 0); // the current tab

    QTest::mouseClick(tab->picTabCap(1), Qt::LeftButton, {}, QPoint(20, 10));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), 0);
    EXPECT_EQ(tab->TabNow(), 1);

    tab->setTabNow(0);
    ASSERT_EQ(clicks.count(), 2);
    EXPECT_EQ(clicks[1][0].toInt(), 1);
    tab->setTabNow(0);
    EXPECT_EQ(clicks.count(), 2);

    // Fewer tabs: the current one is kept within them.
    tab->setTabNow(1);
    tab->setTabs(1);
    EXPECT_EQ(tab->TabNow(), 0);
    tab->setTabs(0);
    EXPECT_EQ(tab->Tabs(), 1);
}

TEST(ZorvoTab, PanelsFillTheFrameWithTheCurrentOneInFront)
{
    QWidget host;
    host.resize(400, 300);
    auto* tab = new ZorvoTab(&host);
    tab->setTabPictureBox("picTab1");
    QWidget* panels[3];
    for (int i = 0; i < 3; ++i) {
        panels[i] = new QWidget(&host);
        ui::setControlIndex(panels[i], "picTab1", i);
    }
    tab->setGeometry(10, 20, 300, 200);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    for (QWidget* p : panels)
        EXPECT_EQ(p->geometry(), QRect(10, 40, 300, 180));
    EXPECT_EQ(host.childAt(100, 100), panels[0]);
    tab->setTabNow(2);
    EXPECT_EQ(host.childAt(100, 100), panels[2]);
    EXPECT_EQ(host.childAt(250, 30), tab->picTabCap(2)); // the strip stays visible

    tab->move(0, 0);
    EXPECT_EQ(panels[1]->geometry(), QRect(0, 20, 300, 180));

    // A missing panel ends the placement without harm.
    delete panels[1];
    tab->setTabNow(0);
    EXPECT_EQ(host.childAt(100, 100), panels[0]);
}

} // namespace
