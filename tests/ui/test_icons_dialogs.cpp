#include "ui/Icons.h"
#include "ui/SmallDialogs.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

int inkedPixels(const QIcon& icon)
{
    const QImage img = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += qAlpha(img.pixel(x, y)) > 64;
    return n;
}

TEST(Icons, TransportPicturesComeFromTheThemeWithDrawnFallbacks)
{
    for (ui::IconId id : {ui::IconId::Play, ui::IconId::Pause, ui::IconId::Stop, ui::IconId::Open})
        EXPECT_TRUE(ui::fromTheme(id)) << ui::themeName(id).toStdString();
    EXPECT_FALSE(ui::fromTheme(ui::IconId::MarkIn)); // no theme name means a range mark
    for (int i = 0; i <= int(ui::IconId::Snapshot); ++i) {
        const auto id = ui::IconId(i);
        EXPECT_GT(inkedPixels(ui::icon(id)), 8) << i;
        EXPECT_GT(inkedPixels(ui::drawnIcon(id)), 8) << i;
    }
}

TEST(SmallDialogs, AboutMoneyAndSplash)
{
    ui::frmAbout about;
    EXPECT_TRUE(about.lblVersion->text().contains("1.8.0"));
    EXPECT_EQ(about.lblName->text(), "Zorvo.FLV");
    EXPECT_EQ(about.cmdOK->text(), QStringLiteral("确定"));
    about.show();
    about.cmdOK->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());

    ui::frmMoney money;
    EXPECT_TRUE(money.lblMail->text().contains("mailto:"));
    EXPECT_TRUE(money.lblMail->openExternalLinks());

    ui::frmSplash splash;
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash.lblName->text().contains("1.8.0"));
}

} // namespace
