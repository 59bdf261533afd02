#include "ui/ZorvoButton.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using ui::ZorvoButton;

namespace {

class ZorvoButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 100);
        button = new ZorvoButton(&host);
        button->setGeometry(10, 10, 30, 30);
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void press() { QTest::mousePress(button, Qt::LeftButton, {}, QPoint(15, 15)); }
    void release() { QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(15, 15)); }
    void click()
    {
        press();
        release();
    }

    QWidget host;
    ZorvoButton* button = nullptr;
};

QPixmap filled(const QColor& c)
{
    QPixmap pm(16, 16);
    pm.fill(c);
    return pm;
}

TEST_F(ZorvoButtonTest, DisabledButtonRaisesNothingAndShowsItsDisabledPicture)
{
    button->setPicture(filled(Qt::red));
    button->setDisabledPicture(filled(Qt::blue));
    button->setState(3);
    QSignalSpy clicks(button, &ZorvoButton::Click);
    QSignalSpy downs(button, &ZorvoButton::MouseDown);
    click();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(downs.count(), 0);
    EXPECT_EQ(button->State(), 3);
    EXPECT_EQ(button->shownPicture().toImage().pixelColor(8, 8), QColor(Qt::blue));

    button->setState(0);
    EXPECT_EQ(button->shownPicture().toImage().pixelColor(8, 8), QColor(Qt::red));
    click();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(ZorvoButtonTest, StateSetWhileTheMouseIsHeldLeavesNoButtonStuckDown)
{
    QSignalSpy clicks(button, &ZorvoButton::Click);
    QSignalSpy ups(button, &ZorvoButton::MouseUp);
    button->setState(3);
    press();
    button->setState(0);
    release();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(ups.count(), 0);
    EXPECT_EQ(button->State(), 0);
    EXPECT_FALSE(button->isDown());
    click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->State(), 0);

    // Set back to up by a window while held: the release still brings it up.
    press();
    button->setState(0);
    release();
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(button->State(), 0);
    EXPECT_FALSE(button->isDown());
}

TEST_F(ZorvoButtonTest, PushButtonClicksOnReleaseOnly)
{
    QStringList order;
    QObject::connect(button, &ZorvoButton::MouseDown, [&](int b, int, int, int) { order << QString("down%1").arg(b); });
    QObject::connect(button, &ZorvoButton::MouseUp, [&](int b, int, int, int) { order << QString("up%1").arg(b); });
    QObject::connect(button, &ZorvoButton::Click, [&] { order << "click"; });
    press();
    EXPECT_EQ(order, QStringList({"down1"}));
    EXPECT_EQ(button->State(), 2);
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeSunken);
    release();
    EXPECT_EQ(order, QStringList({"down1", "up1", "click"}));
    EXPECT_EQ(button->State(), 0);
    EXPECT_FALSE(button->isDown());

    // The right button is reported but never presses.
    order.clear();
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(15, 15));
    EXPECT_EQ(order, QStringList({"down2", "up2"}));
    EXPECT_EQ(button->State(), 0);
}

TEST_F(ZorvoButtonTest, ToggleAlternatesWithAClickOnEveryPress)
{
    button->setMode(ZorvoButton::ToggleMode);
    QSignalSpy clicks(button, &ZorvoButton::Click);
    press();
    EXPECT_EQ(button->State(), 2);
    EXPECT_EQ(clicks.count(), 1);
    release();
    EXPECT_EQ(button->State(), 2);
    EXPECT_EQ(clicks.count(), 1);
    click();
    EXPECT_EQ(button->State(), 0);
    EXPECT_EQ(clicks.count(), 2);
    click();
    EXPECT_EQ(button->State(), 2);
    EXPECT_EQ(clicks.count(), 3);
}

TEST_F(ZorvoButtonTest, LatchClicksOnceUntilReleasedFromOutside)
{
    button->setMode(ZorvoButton::LatchMode);
    QSignalSpy clicks(button, &ZorvoButton::Click);
    press();
    EXPECT_EQ(clicks.count(), 1); // on the press, not the release
    release();
    click();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->State(), 2);
    EXPECT_TRUE(button->isDown());

    button->setState(0);
    EXPECT_FALSE(button->isDown());
    click();
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ZorvoButtonTest, StateSetFromOutsideGivesItsLook)
{
    const QPalette pal = button->palette();
    button->setState(1);
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeRaised);
    EXPECT_EQ(button->edgeColor(0), pal.color(QPalette::Light));
    EXPECT_EQ(button->edgeColor(3), pal.color(QPalette::Light));
    EXPECT_EQ(button->edgeColor(1), pal.color(QPalette::Dark));
    EXPECT_EQ(button->edgeColor(2), pal.color(QPalette::Dark));
    button->setState(2);
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeSunken);
    EXPECT_EQ(button->edgeColor(0), pal.color(QPalette::Dark));
    EXPECT_EQ(button->edgeColor(2), pal.color(QPalette::Light));
    button->setState(0);
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeFlat);
    EXPECT_EQ(button->edgeColor(1), pal.color(QPalette::Button));
    button->setBackColor(QColor(10, 20, 30));
    EXPECT_EQ(button->edgeColor(1), QColor(10, 20, 30));
}

TEST_F(ZorvoButtonTest, HoverEdgeFlattensAfterThePointerLeaves)
{
    QTest::mouseMove(&host, QPoint(100, 80));
    QTest::mouseMove(button, QPoint(15, 15));
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeRaised);
    EXPECT_TRUE(button->hoverWatchRunning());
    QTest::mouseMove(&host, QPoint(150, 80));
    // The watch, not the leave, flattens it: still raised until the next tick.
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeRaised);
    QTRY_COMPARE_WITH_TIMEOUT(button->edge(), ZorvoButton::EdgeFlat, 3000);
    EXPECT_FALSE(button->hoverWatchRunning());

    // A raised button stays raised after the pointer left.
    button->setState(1);
    QTest::mouseMove(button, QPoint(15, 15));
    QTest::mouseMove(&host, QPoint(150, 80));
    QTRY_VERIFY_WITH_TIMEOUT(!button->hoverWatchRunning(), 3000);
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeRaised);
}

TEST_F(ZorvoButtonTest, StyleOneShowsNoEdge)
{
    button->setStyle(1);
    QTest::mouseMove(button, QPoint(15, 15));
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeHidden);
    EXPECT_FALSE(button->hoverWatchRunning());
    press();
    EXPECT_EQ(button->edge(), ZorvoButton::EdgeHidden);
    EXPECT_TRUE(button->isDown());
    release();
    EXPECT_FALSE(button->isDown());
}

TEST_F(ZorvoButtonTest, DropPassesFilesAndText)
{
    QSignalSpy drops(button, &ZorvoButton::OLEDragDrop);
    button->setOLEDropMode(1);
    EXPECT_TRUE(button->acceptDrops());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/v/a b.flv"), QUrl::fromLocalFile("/v/c.mp3")});
    QDropEvent drop(QPointF(5, 6), Qt::CopyAction, &mime, Qt::LeftButton, Qt::ShiftModifier);
    static_cast<QObject*>(button)->event(&drop); // no drag manager offscreen
    ASSERT_EQ(drops.count(), 1);
    EXPECT_EQ(drops[0][0].toStringList(), QStringList({"/v/a b.flv", "/v/c.mp3"}));
    EXPECT_EQ(drops[0][2].toInt(), 1);
    EXPECT_EQ(drops[0][3].toInt(), 1);
    EXPECT_EQ(drops[0][4].toInt(), 5);
}

} // namespace
