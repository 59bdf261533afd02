#include "media/MainVol.h"

#include "ui/MsgBox.h"

#include <QString>
#include <alsa/asoundlib.h>
#include <algorithm>
#include <climits>
#include <string>

namespace media {

namespace {

int clampToInt(long v) { return int(std::clamp<long>(v, INT_MIN, INT_MAX)); }

class AlsaMixer : public MixerBackend {
public:
    AlsaMixer(const char* card, const char* element) : card_(card), element_(element) {}
    ~AlsaMixer() override
    {
        if (mixer_)
            snd_mixer_close(mixer_);
    }

    bool open() override
    {
        if (snd_mixer_open(&mixer_, 0) < 0) {
            mixer_ = nullptr;
            return false;
        }
        if (snd_mixer_attach(mixer_, card_.c_str()) < 0 || snd_mixer_selem_register(mixer_, nullptr, nullptr) < 0
            || snd_mixer_load(mixer_) < 0) {
            snd_mixer_close(mixer_);
            mixer_ = nullptr;
            return false;
        }
        snd_mixer_selem_id_t* sid = nullptr;
        snd_mixer_selem_id_alloca(&sid);
        snd_mixer_selem_id_set_index(sid, 0);
        snd_mixer_selem_id_set_name(sid, element_.c_str());
        elem_ = snd_mixer_find_selem(mixer_, sid);
        return true;
    }

    bool volumeRange(long& min, long& max) override
    {
        if (!elem_ || !snd_mixer_selem_has_playback_volume(elem_))
            return false;
        return snd_mixer_selem_get_playback_volume_range(elem_, &min, &max) == 0;
    }

    bool volume(long& value) override
    {
        if (!elem_)
            return false;
        snd_mixer_handle_events(mixer_);
        return snd_mixer_selem_get_playback_volume(elem_, SND_MIXER_SCHN_FRONT_LEFT, &value) == 0;
    }

    bool setVolume(long value) override
    {
        return elem_ && snd_mixer_selem_set_playback_volume_all(elem_, value) == 0;
    }

    bool hasMute() override { return elem_ && snd_mixer_selem_has_playback_switch(elem_); }

    // The ALSA switch is "sound on"; the mute value is its opposite.
    bool muteValue(long& value) override
    {
        if (!hasMute())
            return false;
        snd_mixer_handle_events(mixer_);
        int on = 1;
        if (snd_mixer_selem_get_playback_switch(elem_, SND_MIXER_SCHN_FRONT_LEFT, &on) != 0)
            return false;
        value = on ? 0 : 1;
        return true;
    }

    bool setMuteValue(long value) override
    {
        return hasMute() && snd_mixer_selem_set_playback_switch_all(elem_, value ? 0 : 1) == 0;
    }

private:
    std::string card_, element_;
    snd_mixer_t* mixer_ = nullptr;
    snd_mixer_elem_t* elem_ = nullptr;
};

} // namespace

std::unique_ptr<MixerBackend> makeAlsaMixer(const char* card, const char* element)
{
    return std::make_unique<AlsaMixer>(card, element);
}

MainVol::MainVol(std::unique_ptr<MixerBackend> mixer) : mixer_(mixer ? std::move(mixer) : makeAlsaMixer())
{
    open_ = mixer_->open();
    if (!open_) {
        lastResult_ = 1;
        ui::msgBox(QStringLiteral("No mixer found!"), ui::OkOnly);
        return;
    }
    long min = 0, max = 0;
    volumeControl_ = mixer_->volumeRange(min, max);
    lastResult_ = volumeControl_ ? 0 : 1;
    if (!volumeControl_)
        return;
    minimum_ = clampToInt(min);
    maximum_ = clampToInt(max);
    muteControl_ = mixer_->hasMute();
}

MainVol::~MainVol() = default;

MainVol& MainVol::shared()
{
    static MainVol instance;
    return instance;
}

int MainVol::MainVolume() const
{
    long v = 0;
    if (!volumeControl_ || !mixer_->volume(v)) {
        lastResult_ = 1;
        return 0;
    }
    lastResult_ = 0;
    return clampToInt(v);
}

void MainVol::setMainVolume(int NewVolume)
{
    if (!volumeControl_)
        return;
    const int v = std::clamp(NewVolume, minimum_, std::max(minimum_, maximum_));
    lastResult_ = mixer_->setVolume(v) ? 0 : 1;
}

bool MainVol::MainMute() const
{
    long v = 0;
    if (!muteControl_ || !mixer_->muteValue(v)) {
        lastResult_ = 1;
        return false;
    }
    lastResult_ = 0;
    return v == 1;
}

void MainVol::setMainMute(bool NewSate)
{
    if (!muteControl_)
        return;
    lastResult_ = mixer_->setMuteValue(NewSate ? 1 : 0) ? 0 : 1;
}

} // namespace media
