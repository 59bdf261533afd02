#pragma once
// One media device under one alias, driven by command strings through mciSendString.
// Operations never throw for device failures: they keep the result code and report
// through isSuccess and fallback values.
#include <QString>

namespace media {

class MCI {
public:
    MCI();

    QString FileName() const { return fileName_; }
    void setFileName(const QString& FileName) { fileName_ = FileName; }
    bool isCDa() const;
    bool isAudioOnly() const { return isAudioOnly_; }
    void setIsAudioOnly(bool isAudioOnly) { isAudioOnly_ = isAudioOnly; }
    bool isVideoOnly();
    bool isSuccess() const { return isSuccess_; }
    void setIsSuccess(bool isSuccess) { isSuccess_ = isSuccess; }

    // hwnd is a window number of media/WindowRegistry.h (0 keeps the last one).
    void openMCI(const QString& FileName, int hwnd, const QString& aliasName);
    void playMCI(int fromWhere, int toWhere, bool rngRepeat, bool isNotRng, bool isRepeat);
    void putMCI(int movWidth, int movHeight, bool toCenter, int plrLeft, int plrTop, int plrWdt,
                int plrHgt);
    void rngCancel();
    bool isRngPlaying() const { return rngStart_ > 0 || rngEnd_ > 0; }
    int rngStart() const { return rngStart_; }
    void setRngStart(int nFrame) { rngStart_ = nFrame; }
    int rngEnd() const { return rngEnd_; }
    void setRngEnd(int nFrame) { rngEnd_ = nFrame; }
    bool rngRepeat() const { return rngRepeat_; }
    void setRngRepeat(bool isOn) { rngRepeat_ = isOn; }
    void pauseMCI();
    void resumeMCI();
    void stepMCI(int nFrames);
    // An empty aliasName means the object's alias; the caller's variable receives it.
    void stopMCI(QString& aliasName, int toWhere);
    void stopMCI(const QString& aliasName = QString(), int toWhere = 0);
    void closeMCI(QString& aliasName);
    void closeMCI(const QString& aliasName = QString());
    void closeAllMCI();
    QString getStatus();
    int getStartFrame();
    int getTotalFrames();
    float getTotalSeconds();
    void setCurFrame(int nFrame, bool andPlay);
    int getCurFrame();
    float getFramesPerSecond();
    float getFramesRateMPG();
    void getCurSize(int& Width, int& Height);
    void getDefaultSize(int& Width, int& Height);
    void setVolume(int volume);
    void setAudioShow(bool isOn);
    QString getAudioOnOff();
    void setSpeed(int speed);
    int getSpeed();

    // State that the operations above keep, for callers that need to look.
    QString alias() const { return alias_; }
    int lastError() const { return lastError_; }
    QString deviceType() const { return deviceType_; }
    QString trackNumber() const { return trackNumber_; }
    int parentWindow() const { return parentWindow_; }
    int startOffset() const { return startOffset_; }

    // The reply buffer length of the interface.
    static constexpr int ReplyLength = 128;

private:
    void setTimeFormat(const QString& fmt);
    QString fromToClause(int a, int b);
    static QString leadingWord(const QString& reply);
    void parseWhereSize(const QString& reply, int& Width, int& Height);
    // Sends a command; keep = the code goes to lastError.
    int send(const QString& command, QString* reply = nullptr, bool keep = true);
    int query(const QString& command, QString& reply);

    QString alias_ = QStringLiteral("MyPlayer");
    int lastError_ = 0;
    QString fileName_;
    int parentWindow_ = 0;
    QString trackNumber_;
    QString deviceType_;
    int totalFramesCache_ = 0;
    float totalSecondsCache_ = 0;
    bool rngRepeat_ = false;
    bool isSuccess_ = false;
    bool isAudioOnly_ = false;
    int rngStart_ = 0;
    int rngEnd_ = 0;
    int startOffset_ = 0;
};

} // namespace media
