#pragma once
// The master output volume and mute of the system: the simple mixer element "Master" of
// the ALSA device "default".
#include <memory>

namespace media {

// What MainVol needs of a mixer; the ALSA one below is the program's, tests may give
// their own.
class MixerBackend {
public:
    virtual ~MixerBackend() = default;
    virtual bool open() = 0; // false: there is no mixer
    virtual bool volumeRange(long& min, long& max) = 0;
    virtual bool volume(long& value) = 0;
    virtual bool setVolume(long value) = 0;
    virtual bool hasMute() = 0;
    // The mute control's value: 1 muted, 0 sounding.
    virtual bool muteValue(long& value) = 0;
    virtual bool setMuteValue(long value) = 0;
};

// ALSA simple mixer; card and element names are there for tests with their own device.
std::unique_ptr<MixerBackend> makeAlsaMixer(const char* card = "default", const char* element = "Master");

class MainVol {
public:
    // Shows "No mixer found!" when the mixer cannot be opened; the object still works,
    // reads answer 0 or false and writes are lost.
    explicit MainVol(std::unique_ptr<MixerBackend> mixer = nullptr);
    ~MainVol();
    MainVol(const MainVol&) = delete;
    MainVol& operator=(const MainVol&) = delete;

    // The program's instance, made on first use.
    static MainVol& shared();

    int MainVolume() const;
    void setMainVolume(int NewVolume);
    int MinMainVolume() const { return minimum_; }
    int MaxMainVolume() const { return maximum_; }
    bool MainMute() const;
    void setMainMute(bool NewSate);
    bool hasMixer() const { return open_; }
    // 0 when the last mixer call succeeded.
    int lastResult() const { return lastResult_; }

private:
    std::unique_ptr<MixerBackend> mixer_;
    bool open_ = false;
    bool volumeControl_ = false;
    bool muteControl_ = false;
    int minimum_ = 0;
    int maximum_ = 0;
    mutable int lastResult_ = 0;
};

} // namespace media
