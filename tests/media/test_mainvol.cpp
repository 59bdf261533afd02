// The master volume: clamping and the mute switch against a scripted mixer, and the
// real ALSA mixer of this machine (no sound card here: the no-mixer path).
#include "media/MainVol.h"
#include "common/TestMedia.h"
#include "ui/MsgBox.h"

#include <QFile>
#include <alsa/asoundlib.h>

#include <gtest/gtest.h>

using media::MainVol;

namespace {

struct FakeMixer : media::MixerBackend {
    bool opens = true;
    long min = -20, max = 100, value = 0, mute = 0;
    bool fail = false;
    bool open() override { return opens; }
    bool volumeRange(long& lo, long& hi) override
    {
        lo = min;
        hi = max;
        return true;
    }
    bool volume(long& v) override
    {
        v = value;
        return !fail;
    }
    bool setVolume(long v) override
    {
        value = v;
        return true;
    }
    bool hasMute() override { return true; }
    bool muteValue(long& v) override
    {
        v = mute;
        return !fail;
    }
    bool setMuteValue(long v) override
    {
        mute = v;
        return true;
    }
};

} // namespace

TEST(MainVol, ClampsWritesToTheMixerRange)
{
    ui::ScriptedAnswers boxes;
    auto fake = std::make_unique<FakeMixer>();
    FakeMixer* mixer = fake.get();
    MainVol v(std::move(fake));
    EXPECT_EQ(v.MinMainVolume(), -20);
    EXPECT_EQ(v.MaxMainVolume(), 100);
    v.setMainVolume(40);
    EXPECT_EQ(v.MainVolume(), 40);
    v.setMainVolume(500);
    EXPECT_EQ(mixer->value, 100);
    v.setMainVolume(-500);
    EXPECT_EQ(mixer->value, -20);
    mixer->fail = true;
    EXPECT_EQ(v.MainVolume(), 0);
    EXPECT_NE(v.lastResult(), 0);
    EXPECT_TRUE(ui::shownBoxes().empty());
}

TEST(MainVol, MuteIsTrueOnlyForOne)
{
    ui::ScriptedAnswers boxes;
    auto fake = std::make_unique<FakeMixer>();
    FakeMixer* mixer = fake.get();
    MainVol v(std::move(fake));
    v.setMainMute(true);
    EXPECT_EQ(mixer->mute, 1);
    EXPECT_TRUE(v.MainMute());
    v.setMainMute(false);
    EXPECT_EQ(mixer->mute, 0);
    EXPECT_FALSE(v.MainMute());
    mixer->mute = 2;
    EXPECT_FALSE(v.MainMute());
}

TEST(MainVol, NoMixerSaysSoOnceAndStaysUsable)
{
    ui::ScriptedAnswers boxes;
    ui::clearShownBoxes();
    auto fake = std::make_unique<FakeMixer>();
    fake->opens = false;
    MainVol v(std::move(fake));
    ASSERT_EQ(ui::shownBoxes().size(), 1u);
    EXPECT_EQ(ui::shownBoxes()[0].text, "No mixer found!");
    EXPECT_EQ(ui::shownBoxes()[0].style, ui::OkOnly);
    v.setMainVolume(50);
    v.setMainMute(true);
    EXPECT_EQ(v.MainVolume(), 0);
    EXPECT_FALSE(v.MainMute());
    EXPECT_EQ(v.MinMainVolume(), 0);
    EXPECT_EQ(v.MaxMainVolume(), 0);
    EXPECT_EQ(ui::shownBoxes().size(), 1u);
}

// The ALSA code itself, on whatever this machine has.
TEST(MainVol, RealAlsaMixer)
{
    ui::ScriptedAnswers boxes;
    ui::clearShownBoxes();
    MainVol v;
    if (!v.hasMixer()) {
        ASSERT_EQ(ui::shownBoxes().size(), 1u);
        EXPECT_EQ(ui::shownBoxes()[0].text, "No mixer found!");
        EXPECT_EQ(v.MainVolume(), 0);
        EXPECT_FALSE(v.MainMute());
        v.setMainVolume(10);
        return;
    }
    EXPECT_TRUE(ui::shownBoxes().empty());
    EXPECT_LE(v.MinMainVolume(), v.MaxMainVolume());
    const int before = v.MainVolume();
    v.setMainVolume(v.MaxMainVolume() + 1000);
    EXPECT_EQ(v.MainVolume(), v.MaxMainVolume());
    v.setMainVolume(before);
    EXPECT_EQ(v.MainVolume(), before);
}

// The ALSA code on a card of its own: a control plugin with a software "Master".
TEST(MainVol, AlsaMixerOnASoftwareControl)
{
    testmedia::TempDir dir;
    QFile conf(dir.file("asound.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write("ctl_type.zorvotest { lib \"" ZORVO_TEST_ALSA_PLUGIN "\" }\n"
               "ctl.default { type zorvotest }\n");
    conf.close();
    const QByteArray old = qgetenv("ALSA_CONFIG_PATH");
    qputenv("ALSA_CONFIG_PATH", conf.fileName().toLocal8Bit());
    snd_config_update_free_global();
    {
        ui::ScriptedAnswers boxes;
        ui::clearShownBoxes();
        MainVol v;
        ASSERT_TRUE(v.hasMixer());
        EXPECT_TRUE(ui::shownBoxes().empty());
        EXPECT_EQ(v.MinMainVolume(), 0);
        EXPECT_EQ(v.MaxMainVolume(), 87);
        EXPECT_EQ(v.MainVolume(), 40);
        v.setMainVolume(60);
        EXPECT_EQ(v.MainVolume(), 60);
        v.setMainVolume(1000);
        EXPECT_EQ(v.MainVolume(), 87);
        v.setMainVolume(-3);
        EXPECT_EQ(v.MainVolume(), 0);
        EXPECT_FALSE(v.MainMute());
        v.setMainMute(true);
        EXPECT_TRUE(v.MainMute());
        v.setMainMute(false);
        EXPECT_FALSE(v.MainMute());
        EXPECT_EQ(v.lastResult(), 0);
    }
    // A second mixer (a new open) reads what the first one left.
    {
        MainVol again;
        EXPECT_EQ(again.MainVolume(), 0);
    }
    // An element that is not there: a mixer, but no control to act on.
    {
        media::MainVol other(media::makeAlsaMixer("default", "Headphone"));
        EXPECT_TRUE(other.hasMixer());
        EXPECT_EQ(other.MainVolume(), 0);
        other.setMainVolume(10);
        EXPECT_FALSE(other.MainMute());
    }
    if (old.isEmpty())
        qunsetenv("ALSA_CONFIG_PATH");
    else
        qputenv("ALSA_CONFIG_PATH", old);
    snd_config_update_free_global();
}
