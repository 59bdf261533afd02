#pragma once
// The player window: it opens and plays one file at a time in the media device
// "Zorvo.FLV", polls it, and carries the transport, the seek bar, the volume and the
// application's menus.
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <utility>
#include <vector>

#include "app/Settings.h"
#include "keyframes/KeyFrameCache.h"
#include "media/MCI.h"
#include "player/Marks.h"
#include "tools/ToolHost.h"

class QLabel;
class QMenu;
class QAction;
class QFrame;
class frmCap;
class frmList;

namespace ui {
class ZorvoButton;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    frmMain();
    ~frmMain() override;

    // The one player window of the run.
    static frmMain* instance();

    // ---- Start-up and shutdown ----------------------------------------------------------
    // Runs the start-up sequence after the single-instance check; commandLine is the file
    // to play (may be empty). The splash window, when there is one, is closed once the
    // command line has been played.
    void Form_Load(const QString& commandLine, QWidget* splash = nullptr);
    // The running copy receives a second start's command line.
    void Form_LinkExecute(const QString& commandLine);
    // "结束 ( 储存设定 )" (0) and "结束 ( 不储存设定 )" (1).
    void mnuEnd_Click(int Index);
    void mnuSaveNow_Click();
    bool saveOnExit() const { return saveOnExit_; }
    // The settings the windows hold now, as they would be written.
    settings::Settings currentSettings() const;
    settings::ListStore currentLists() const;
    QString settingsFolder() const { return settingsFolder_; }
    // The workspace's choice of where new files are shown (1: its file browser).
    int doneToFn() const;
    void setSettingsFolder(const QString& folder) { settingsFolder_ = folder; }

    // ---- Open and play --------------------------------------------------------------------
    void playSingle(QString& fn, bool fromList);
    void playSingle(const QString& fn, bool fromList);
    // By value: callers pass fields (lastFile) that newPlay itself rewrites.
    void newPlay(QString fn, QString rngMark);
    void failPlay(QString& fn, bool onlyNewPlay);
    int playErrorMsg(const QString& fn, const QString& headMsg);
    void shareBnStop(bool allSTOP, bool noStopMCI, bool isDealRng, bool isDelay);
    void shareBnPause();
    void pausePrFn();
    void ifStopped(bool allNone);
    void fncEbCheck();
    void closeRunFn(const QString& fn);
    void selectRnd();
    // True while marks are being edited: the last mark is open, or marks were made since
    // the file was opened.
    bool checkDealRng() const;
    void mnuOpen_Click();
    void mnuPlayLast_Click();
    void Form_OLEDragDrop(const QStringList& files, const QString& text);
    void mbLastItem_Click();
    void mbNextItem_Click();

    // ---- Transport ------------------------------------------------------------------------
    void mbPlay_Click(int Index);
    void mbPause_Click();
    void mbStop_Click();
    void mbBackward_Click() { stepBy(true, -1); }
    void mbForward_Click() { stepBy(true, +1); }
    void stepBy(bool useMode, int direction);
    void mnuFB_Click(int Index);
    void mnuSpeed_Click(int Index);
    void placeSeekThumb(int f);
    void Form_KeyDown(int KeyCode, int Shift);
    // The seek bar in track pixels: a press on the track, and the thumb dragged to x
    // (relative to the thumb's left edge), committed on release.
    void picHsb_MouseDown(Qt::MouseButton button, double x);
    void dragSeekThumb(Qt::MouseButton button, double x, bool commit);
    void showVolume(bool skipAudioTest);
    void picVolSdr_MouseDown(Qt::MouseButton button, double x);
    void mbSound_Click();
    void tmrCheck_Timer();

    // ---- Range marks ----------------------------------------------------------------------
    void mbRngStart_Click();
    void mbRngEnd_Click();
    void picRS_DblClick(int Index);
    // 0: the marks once, 1: in a loop.
    void mnuRngPlay_Click(int Index);
    void mnuRngEdit_Click();
    void mnuRngClear_Click();
    void mnuToList_Click(int Index);
    void mnuToListEnd_Click();
    void mnuAutoAddMark_Click();
    void mnuSaveRng_Click();
    void mnuSaveCut_Click();
    // Saves the marks of the open file as one cropped file (mode 0) or as numbered
    // pieces (mode 1).
    void saveMarkedRanges(int mode);
    // Plays mark nRS (Index 1: in a loop); rngStart and rngEnd of -1 are taken from the
    // mark; onlyRS: nothing follows it.
    void playNextRS(int Index, int nRS, bool remainPlayStatus, int rngStart, int rngEnd, bool onlyRS);
    // The times of mark nRS; returns the length text.
    QString rsFormat(int nRS, QString& sTime, QString& eTime, int mode, double& sSec, double& eSec,
                     double preAdd, double lastAdd);
    // Rebuilds all marks from ranges of frames read from the mark list (a start or end
    // below 0 marks a line that did not read).
    void applyMark(const std::vector<std::pair<int, int>>& ranges);
    // Adds an item string to playlist 1 (0), playlist 2 (1) or the merge list (2).
    void mnToList(int Index, const QString& fn);

    const playerMarks::MarkList& markList() const { return marks_; }
    int lastMarkIndex() const { return marks_.lastMarkIndex(); }
    int playingMarkIndex() const { return playingMarkIndex_; }
    bool marksEdited() const { return marksEdited_; }
    bool rangeBarShown() const;
    QString rangeBarToolTip() const;
    // The box of mark n on the range bar (box 0 exists, hidden, when there are no marks).
    QWidget* markBox(int n) const;
    int markBoxCount() const { return static_cast<int>(picRS.size()); }
    // The lead-in of mark n on the range bar: from the key frame its lossless piece really
    // starts on up to the mark (hidden while the key frames are not known).
    QWidget* markLeadIn(int n) const;
    // The key frames of the open file, read in the background after it opens; null until then.
    const keyframes::Result* keyFrames() const;
    keyframes::KeyFrameCache& keyFrameCache() { return keyFrames_; }
    // "实际起点 00:00:02.02": where a lossless cut from seconds really starts; empty while
    // the key frames are not known.
    QString realStartText(double seconds) const;
    // Moves the position to the previous (Index 0) or the next (Index 1) key frame.
    void mnuKeyFrame_Click(int Index);

    // ---- Files and pages ----------------------------------------------------------------
    // A copy of fn where the user chooses; the dialog belongs to the workspace when
    // fromList.
    void saveFile(const QString& fn, bool fromList);
    void mnuSaveFile_Click();
    // The snapshot of the video area, shown in the snapshot window.
    void mnuSaveCap_Click();
    void mnuExplorer_Click();
    void mnuMyExplorer_Click();
    void mnuSaveDir_Click();
    // The commands that only bring a page of the workspace forward.
    void mnuList_Click();
    void mnuMediaJoin_Click();
    void mnuMediaSplit_Click();
    void mnuMediaSnap_Click();
    void mnuMediaFix_Click();
    void mnuFLV2Mov_Click(int Index);
    void mnuFLV2Muc_Click(int Index);
    // Points the workspace's file list at a file (the workspace is made when needed).
    void showInFileList(const QString& path);
    // The picture of the video area as the user sees it: the current frame at the size
    // and place it is shown, black around it.
    QImage videoAreaPicture() const;
    frmCap* capWindow() const;
    // The folder every tool saves into: the workspace's, or the one read at start-up
    // while the workspace has not been made.
    QString& saveFolderRef();

    // ---- Sizing ---------------------------------------------------------------------------
    void myPutSize(bool isMainSetting);
    void mnuKeepWH_Click();
    void mnuKeepDef_Click();
    void mnuScnFull_Click();

    // ---- What other windows and tests read ------------------------------------------------
    media::MCI& mci() { return mci_; }
    int totalFrames = 0;
    float hsbScale = 1.0f;
    QString lastFile;
    int videoAreaWidth = 0;
    int videoAreaHeight = 0;
    QString statusText() const;
    QString curTimeText() const;
    QString totalTimeText() const;
    int speedPerMille() const { return speedTag_; }
    QRect videoRect() const; // where the picture is placed, in window units
    QWidget* videoArea() const { return picFrame_; }
    int thumbLeft() const;
    int trackLeft() const;
    int trackWidth() const;

    std::array<ui::ZorvoButton*, 3> mbPlay{};
    ui::ZorvoButton* mbPause = nullptr;
    ui::ZorvoButton* mbStop = nullptr;
    ui::ZorvoButton* mbBackward = nullptr;
    ui::ZorvoButton* mbForward = nullptr;
    ui::ZorvoButton* mbLastItem = nullptr;
    ui::ZorvoButton* mbNextItem = nullptr;
    ui::ZorvoButton* mbRngStart = nullptr;
    ui::ZorvoButton* mbRngEnd = nullptr;
    ui::ZorvoButton* mbSound = nullptr;

    QAction* mnuKeepWH = nullptr;
    QAction* mnuKeepDef = nullptr;
    QAction* mnuStartList = nullptr;
    QAction* mnuPlayLast = nullptr;
    QAction* mnuSaveCap = nullptr;
    QAction* mnuSaveFile = nullptr;
    QAction* mnuExplorer = nullptr;
    QAction* mnuList = nullptr;
    QAction* mnuMyExplorer = nullptr;
    QAction* mnuSaveDir = nullptr;
    QAction* mnuMediaJoin = nullptr;
    QAction* mnuMediaSplit = nullptr;
    QAction* mnuMediaSnap = nullptr;
    QAction* mnuMediaFix = nullptr;
    std::array<QAction*, 2> mnuFLV2Mov{};
    std::array<QAction*, 2> mnuFLV2Muc{};
    std::array<QAction*, 5> mnuFB{};
    std::array<QAction*, 2> mnuKeyFrame{};
    std::array<QAction*, 2> mnuRngPlay{};
    QAction* mnuRngEdit = nullptr;
    QAction* mnuRngClear = nullptr;
    QAction* mnuSaveRng = nullptr;
    QAction* mnuSaveCut = nullptr;
    QMenu* mnuAddToList = nullptr;
    std::array<QAction*, 3> mnuToList{};
    QAction* mnuToListEnd = nullptr;
    QAction* mnuAutoAddMark = nullptr;
    std::array<QAction*, 11> mnuSpeed{};

    // What the tool runner asks of the two windows.
    ToolHost& toolHost();
    // The tool files, the progress window and the closing report of every tool job.
    void dealMyResource(const QString& resMode, bool forSave);
    bool buzySateShow(bool isShow, QWidget* objFrm);
    void doneAfterSave(const QString& outputFile, bool isForce, float useTime, bool isBreak);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void buildPanel();
    void applySettings(const settings::Loaded& loaded);
    void playItem(const QString& fn);
    void continueList(int direction, bool force);
    bool nothingFollows();
    void stepListItem(int direction);
    void enableMoveButtons(int index, int count);
    void openCaptureDevice(const QString& fn);
    void enableFileMenus(bool on);
    void showTimeLabels(bool show);
    void enableTransport(bool isPlay);
    void setPlayButton(int state);
    void showPlaying(bool keepButtons);
    void checkZeroLength();
    void focusPlayer(bool force);
    void layoutControls();
    void setStepCaption(int mode, int value);
    void setStepToolTips();
    void leaveRangePlay();
    void updateTitleIdle();
    void placeVolumeKnob();
    bool isDraggingThumb() const;
    frmList* workspace(bool create);
    // changeToTab on the workspace, made when needed.
    void showPage(int area, int tab, bool focusSwitch);
    int keyCodeOf(const QKeyEvent* event) const;
    void setMark(int startFrame, int endFrame);
    bool stretchOpenMark(bool closing, int frame);
    void deleteMark(int n);
    void clearMarks();
    // Plays the file from its first mark, or whole; false when the mark play failed
    // (already reported).
    bool startWithMarks(const QString& markText);
    QString markToolTip(int n) const;
    void showMarksTotal();
    void enableSaveMenus();
    void playMarks(bool fromStop, int Index);
    QString currentItemString(bool noMarks);
    playerMarks::Timing markTiming() const;
    // Makes the boxes of the range bar follow the marks: one box a mark (at least one),
    // placed at its frames, with its tooltip.
    void syncMarkBoxes();
    void colourMarkBoxes(const QColor& colour);
    void keyFramesReady(const QString& file, bool ok);

    media::MCI mci_;
    std::unique_ptr<media::MCI> capMci_;
    bool captureOpen_ = false;
    int hwnd_ = 0;

    QWidget* picFrame_ = nullptr;   // the client area: the video's parent
    QWidget* picPlusBk = nullptr;   // the control panel at the bottom
    QWidget* picHsbBack = nullptr;
    QFrame* picHsb = nullptr;       // the seek track
    QFrame* picHsb2 = nullptr;      // the thumb
    QWidget* picRngBk = nullptr;
    QWidget* picMsgBk = nullptr;
    QLabel* picAssIcon = nullptr;
    QLabel* lblFnName = nullptr;
    QLabel* lblCurTime = nullptr;
    QLabel* lblSplit = nullptr;
    QLabel* lblTtTime = nullptr;
    QWidget* picBnBk = nullptr;
    QWidget* picSndBk = nullptr;
    QFrame* picVolSdr = nullptr;
    QFrame* picVolPos = nullptr;
    QWidget* picNote = nullptr;
    QWidget* picCapMCI = nullptr;

    QString fnNameTag_;         // the open file's name part
    double totalSecondsTag_ = 0;
    int curTimeMode_ = 2;       // fields of the total's time text
    int speedTag_ = 1000;
    int speedItem_ = 4;         // the speed item checked
    bool hsbEnabled_ = false;
    bool thumbDragging_ = false;
    double dragGrabX_ = 0;
    int lastPolledFrame_ = 0;
    bool marksEdited_ = false;
    playerMarks::MarkList marks_;
    int playingMarkIndex_ = 0;
    QString rngEditTag_;        // "on2": a single file was opened while marks were edited
    std::vector<QFrame*> picRS; // the boxes of the marks on the range bar
    std::vector<QFrame*> picKF; // their lead-ins from the key frame each piece starts on
    keyframes::KeyFrameCache keyFrames_;
    bool resizeSuppressed_ = false;
    bool closing_ = false;
    bool saveOnExit_ = true;
    bool videoClick_ = false;   // a left press on the video plays and pauses (set at the end of start-up)
    QString settingsFolder_;
    settings::Loaded loaded_;   // what was read at start, for the values other windows own

    std::unique_ptr<ToolHost> toolHost_;
    QTimer tmrCheck;
    QTimer tmrStart;
    QPointer<frmList> list_;
    QPointer<frmCap> cap_;
};
