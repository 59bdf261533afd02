// The player window's range marks: setting, stretching, deleting and playing them,
// and adding the open file to a list.
#include "player/frmMain.h"
#include "player/frmMain_p.h"

#include "keyframes/KeyFrames.h"

using namespace mdlZorvoFLV;
using namespace frmMainParts;

namespace {
const QColor markGreen(0, 255, 0);
const QColor markRed(255, 0, 0);
// A lead-in is the mark's colour, darker: the stretch the piece holds before the mark.
QColor leadInColour(const QColor& mark) { return mark.darker(200); }
} // namespace

playerMarks::Timing frmMain::markTiming() const
{
    return playerMarks::Timing{secondsPerFrame, totalSecondsTag_};
}

bool frmMain::rangeBarShown() const { return !picRngBk->isHidden(); }
QString frmMain::rangeBarToolTip() const { return picRngBk->toolTip(); }

QWidget* frmMain::markBox(int n) const
{
    return n >= 0 && n < markBoxCount() ? picRS[static_cast<std::size_t>(n)] : nullptr;
}

QWidget* frmMain::markLeadIn(int n) const
{
    return n >= 0 && n < static_cast<int>(picKF.size()) ? picKF[static_cast<std::size_t>(n)] : nullptr;
}

const keyframes::Result* frmMain::keyFrames() const
{
    const QString fn = mci_.FileName();
    return fn.isEmpty() ? nullptr : keyFrames_.find(fn);
}

QString frmMain::realStartText(double seconds) const
{
    const keyframes::Result* keys = keyFrames();
    if (!keys || keys->times.empty())
        return QString();
    // A piece cannot start before the file does.
    const double start = std::max(0.0, keyframes::atOrBefore(keys->times, seconds));
    return QStringLiteral("实际起点 ") + formatTimeText(start, 3, 2);
}

void frmMain::keyFramesReady(const QString& file, bool ok)
{
    if (file != mci_.FileName())
        return;
    const keyframes::Result* keys = keyFrames();
    for (QAction* a : mnuKeyFrame)
        a->setEnabled(ok && keys && !keys->times.empty());
    syncMarkBoxes();
}

void frmMain::mnuKeyFrame_Click(int Index)
{
    const keyframes::Result* keys = keyFrames();
    if (!keys || !hsbEnabled_)
        return;
    const int target = keyframes::stepFrame(*keys, secondsPerFrame, mci_.getCurFrame(), Index == 0 ? -1 : +1);
    if (target < 0 || target >= mci_.getTotalFrames())
        return;
    // As a step by frames: the player stops on the picture to be looked at.
    mci_.rngCancel();
    mci_.pauseMCI();
    mci_.setCurFrame(target, false);
    playerState = Paused;
    const bool ok = mci_.isSuccess();
    enableTransport(false);
    mbPause->setState(2);
    tmrCheck_Timer();
    if (!ok)
        ui::msgBox(QStringLiteral("无法以指定的方式倒转或快转！"), ui::OkOnly, QStringLiteral("错误讯息"), this);
}

void frmMain::syncMarkBoxes()
{
    const std::size_t wanted = std::max<std::size_t>(1, marks_.marks().size());
    while (picRS.size() < wanted) {
        auto* box = new QFrame(picRngBk);
        box->setAutoFillBackground(true);
        box->setProperty("markIndex", static_cast<int>(picRS.size()));
        box->installEventFilter(this);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, markGreen);
        box->setPalette(pal);
        box->hide();
        picRS.push_back(box);
    }
    while (picRS.size() > wanted) {
        // A box can go while its own double click is handled.
        picRS.back()->hide();
        picRS.back()->deleteLater();
        picRS.pop_back();
    }
    while (picKF.size() < picRS.size()) {
        auto* lead = new QFrame(picRngBk);
        lead->setAutoFillBackground(true);
        QPalette pal = lead->palette();
        pal.setColor(QPalette::Window, leadInColour(picRS[picKF.size()]->palette().color(QPalette::Window)));
        lead->setPalette(pal);
        lead->hide();
        picKF.push_back(lead);
    }
    while (picKF.size() > picRS.size()) {
        picKF.back()->hide();
        picKF.back()->deleteLater();
        picKF.pop_back();
    }
    if (marks_.isEmpty()) {
        picRS[0]->hide();
        picRS[0]->setToolTip(QString());
        picKF[0]->hide();
        return;
    }
    // The bar's scale is the file's frames: a box's left edge is its start frame and its
    // width its length.
    const double scale = totalFrames > 0 ? static_cast<double>(picRngBk->width()) / totalFrames : hsbScale;
    const keyframes::Result* keys = keyFrames();
    for (int i = 0; i < marks_.count(); ++i) {
        const playerMarks::Mark& m = marks_.at(i);
        QFrame* box = picRS[static_cast<std::size_t>(i)];
        const int left = mdlZorvoFLV::roundToInt32(m.start * scale);
        const int width = std::max(1, mdlZorvoFLV::roundToInt32(m.length * scale));
        box->setGeometry(left, 0, width, picRngBk->height());
        box->setToolTip(m.tooltip);
        box->show();
        // Where the piece really starts: a shaded stretch from the key frame up to the
        // mark, or a tick at the mark's left edge when it starts on a key frame.
        QFrame* lead = picKF[static_cast<std::size_t>(i)];
        const double sSec = playerMarks::rsFormat(m, 0, 0, 0, markTiming()).sSec;
        if (!keys || keys->times.empty() || !(secondsPerFrame > 0)) {
            lead->hide();
            continue;
        }
        const double key = std::max(0.0, keyframes::atOrBefore(keys->times, sSec));
        const int keyLeft = std::min(left, mdlZorvoFLV::roundToInt32(keyframes::frameOf(*keys, key, secondsPerFrame) * scale));
        lead->setGeometry(keyLeft, 0, std::max(2, left - keyLeft), picRngBk->height());
        const QString real = realStartText(sSec);
        if (!m.tooltip.isEmpty())
            box->setToolTip(m.tooltip + QStringLiteral("\r\n") + real);
        lead->setToolTip(box->toolTip().isEmpty() ? real : box->toolTip());
        lead->show();
        lead->raise();
    }
}

void frmMain::colourMarkBoxes(const QColor& colour)
{
    for (QFrame* box : picRS) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, colour);
        box->setPalette(pal);
    }
    for (QFrame* lead : picKF) {
        QPalette pal = lead->palette();
        pal.setColor(QPalette::Window, leadInColour(colour));
        lead->setPalette(pal);
    }
}

QString frmMain::rsFormat(int nRS, QString& sTime, QString& eTime, int mode, double& sSec, double& eSec,
                          double preAdd, double lastAdd)
{
    if (!marks_.isValidIndex(nRS)) {
        sTime.clear();
        eTime.clear();
        return QString();
    }
    const playerMarks::MarkTimes t = playerMarks::rsFormat(marks_.at(nRS), mode, preAdd, lastAdd, markTiming());
    sTime = t.sTime;
    eTime = t.eTime;
    sSec = t.sSec;
    eSec = t.eSec;
    return t.length;
}

QString frmMain::markToolTip(int n) const { return playerMarks::markToolTip(n, marks_.at(n), markTiming()); }

void frmMain::setMark(int startFrame, int endFrame)
{
    if (startFrame >= 0) {
        const int u = marks_.startMark(startFrame);
        syncMarkBoxes();
        picRS[static_cast<std::size_t>(u)]->raise();
        picRngBk->show();
    }
    if (endFrame > 0 && !marks_.isEmpty()) {
        marks_.closeLast();
        if (stretchOpenMark(true, endFrame)) {
            for (QAction* a : {mnuRngEdit, mnuRngClear, mnuRngPlay[0], mnuRngPlay[1]})
                a->setEnabled(true);
            const int last = marks_.lastMarkIndex();
            marks_.setToolTip(last, markToolTip(last));
            syncMarkBoxes();
            enableSaveMenus();
            marksEdited_ = true;
            showMarksTotal();
        }
    }
}

bool frmMain::stretchOpenMark(bool closing, int frame)
{
    if (marks_.isEmpty())
        return false;
    int end = frame == -1 ? mci_.getCurFrame() : frame;
    end = playerMarks::stretchEnd(end, marks_.at(marks_.lastMarkIndex()).start, playerState == Playing,
                                  mci_.getTotalFrames());
    if (marks_.stretchLast(closing, end, hsbScale) == playerMarks::MarkList::Stretch::TooSmall) {
        deleteMark(marks_.lastMarkIndex());
        return false;
    }
    syncMarkBoxes();
    QCoreApplication::processEvents();
    return true;
}

void frmMain::deleteMark(int n)
{
    mbRngEnd->setState(3);
    if (marks_.lastMarkIndex() < 1) {
        clearMarks();
        return;
    }
    marks_.remove(n, markTiming());
    syncMarkBoxes();
    if (marks_.lastMarkIndex() == 0)
        mnuSaveCut->setEnabled(false);
}

void frmMain::clearMarks()
{
    mci_.rngCancel();
    picRngBk->hide();
    picRngBk->setToolTip(QString());
    marks_.clear();
    syncMarkBoxes();
    colourMarkBoxes(markGreen);
    if (playerState != Stopped)
        mbRngStart->setState(0);
    mbRngEnd->setState(3);
    playingMarkIndex_ = 0;
    mnuRngEdit->setEnabled(true);
    for (QAction* a : {mnuRngClear, mnuRngPlay[0], mnuRngPlay[1], mnuSaveRng, mnuSaveCut})
        a->setEnabled(false);
    marksEdited_ = false;
    showMarksTotal();
}

void frmMain::showMarksTotal()
{
    picRngBk->setToolTip(playerMarks::totalToolTip(marks_.marks(), markTiming()));
    if (frmList* w = workspace(false))
        w->checkCmdRng();
}

void frmMain::enableSaveMenus()
{
    const QString fn = mci_.FileName();
    if (isStreamAddress(fn) || !isEditableFile(fn))
        return;
    mnuSaveRng->setEnabled(true);
    if (marks_.lastMarkIndex() > 0)
        mnuSaveCut->setEnabled(true);
}

bool frmMain::startWithMarks(const QString& markText)
{
    std::vector<playerMarks::Mark> parsed;
    const playerMarks::ParseResult result = playerMarks::parseMarkText(markText, mci_.getTotalFrames(), parsed);
    if (result != playerMarks::ParseResult::Valid) {
        // A text that does not fit the file is dropped whole, and the file plays from its
        // start: a bad mark text says nothing about the file itself.
        if (result != playerMarks::ParseResult::Empty)
            clearMarks();
        mci_.playMCI(0, 0, false, false, false);
        return true;
    }
    marks_.setAll(std::move(parsed));
    for (int i = 0; i < marks_.count(); ++i)
        marks_.setToolTip(i, markToolTip(i));
    syncMarkBoxes();
    playNextRS(0, 0, true, -1, -1, false);
    if (mci_.isSuccess()) {
        picRngBk->show();
        for (QAction* a : {mnuRngEdit, mnuRngClear, mnuRngPlay[0], mnuRngPlay[1]})
            a->setEnabled(true);
        enableSaveMenus();
        showMarksTotal();
        return true;
    }
    return false;
}

void frmMain::playNextRS(int Index, int nRS, bool remainPlayStatus, int rngStart, int rngEnd, bool onlyRS)
{
    if (marks_.lastIsOpen())
        deleteMark(marks_.lastMarkIndex());
    if (!marks_.isValidIndex(nRS))
        return;
    const playerMarks::Mark& m = marks_.at(nRS);
    if (rngStart == -1)
        rngStart = m.start;
    if (rngEnd == -1)
        rngEnd = m.end();
    mci_.playMCI(rngStart, rngEnd, Index == 1, false, false);
    if (!mci_.isSuccess()) {
        QString none;
        failPlay(none, false);
        return;
    }
    if (!remainPlayStatus && playerState == Stopped)
        playOrigin = OriginSingle;
    placeSeekThumb(rngStart);
    showPlaying(false);
    playingMarkIndex_ = onlyRS ? marks_.lastMarkIndex() : nRS;
}

void frmMain::playMarks(bool fromStop, int Index)
{
    if (!rangeBarShown() || (Index == -1 && !marksEdited_))
        return;
    if (listPlayMode != 0) {
        if (fromStop)
            mci_.stopMCI(QString(), 0);
        else
            pausePrFn();
        QCoreApplication::processEvents();
        ui::msgBox(QStringLiteral("由于你针对目前的档案进行了标记编辑\r\n清单播放模式将改为“单次播放档案”"), ui::OkOnly,
                   markOpenTitle(), this);
        // The list play mode is the workspace's menu; single-file play is its item 0.
        if (frmList* w = workspace(false)) {
            w->mnuPlaySetting_Click(0);
        } else {
            listPlayMode = 0;
            fncEbCheck();
        }
    }
    if (Index == -1)
        return;
    playNextRS(Index == 1 ? 1 : 0, 0, false, -1, -1, false);
}

void frmMain::mbRngStart_Click()
{
    if (!hsbEnabled_)
        return;
    setMark(mci_.getCurFrame(), -1);
    mbRngEnd->setState(0);
    mbRngStart->setState(0);
}

void frmMain::mbRngEnd_Click()
{
    if (!rangeBarShown())
        return;
    setMark(-1, mci_.getCurFrame());
    mbRngEnd->setState(0);
}

void frmMain::picRS_DblClick(int Index)
{
    if (!marks_.isValidIndex(Index) || marks_.at(Index).tooltip.isEmpty())
        return;
    if (marks_.lastIsOpen())
        deleteMark(marks_.lastMarkIndex());
    if (!marks_.isValidIndex(Index))
        return;
    // What the box's tooltip says, the real start of the piece included.
    const QString tip = markBox(Index) ? markBox(Index)->toolTip() : marks_.at(Index).tooltip;
    if (QWidget* box = markBox(Index)) {
        QPalette pal = box->palette();
        pal.setColor(QPalette::Window, markRed);
        box->setPalette(pal);
    }
    if (QWidget* lead = markLeadIn(Index)) {
        QPalette pal = lead->palette();
        pal.setColor(QPalette::Window, leadInColour(markRed));
        lead->setPalette(pal);
    }
    pausePrFn();
    const int answer = ui::msgBox(tip + QStringLiteral("\r\n\r\n是否要播放或删除这个标记区段？\r\n\r\n\r\n"
                                                       "按“是”则播放这个标记区段\r\n按“否”则删除这个标记区段"),
                                  ui::YesNoCancel, markOpenTitle(), this);
    if (answer == ui::Yes) {
        mci_.rngCancel();
        shareBnStop(true, true, true, false);
        playNextRS(0, Index, false, -1, -1, true);
    } else if (answer == ui::No) {
        mci_.rngCancel();
        shareBnStop(true, false, true, false);
        // Deleting a mark here is no edit: it asks nothing more and leaves the list play
        // mode alone.
        deleteMark(Index);
        showMarksTotal();
    }
    colourMarkBoxes(markGreen);
}

void frmMain::mnuRngPlay_Click(int Index) { playMarks(false, Index); }

void frmMain::mnuRngEdit_Click()
{
    pausePrFn();
    if (marks_.lastIsOpen())
        mbRngEnd_Click();
    playMarks(false, -1);
    if (frmList* w = workspace(true)) {
        w->changeToTab(1, 0, true);
        w->loadMark();
    }
}

void frmMain::mnuRngClear_Click()
{
    pausePrFn();
    if (ui::msgBox(QStringLiteral("确定要清除所有的标记？"), ui::OkCancel, markOpenTitle(), this) != ui::Ok)
        return;
    clearMarks();
    shareBnStop(true, false, false, false);
}

void frmMain::applyMark(const std::vector<std::pair<int, int>>& ranges)
{
    clearMarks();
    shareBnStop(true, false, true, false);
    for (const auto& [start, end] : ranges)
        if (start >= 0 && end >= 0)
            setMark(start, end);
}

// Crop and split of the marked ranges are the tool jobs of the save pages.
void frmMain::mnuSaveRng_Click() { saveMarkedRanges(mdlSaveRng::modeCrop); }
void frmMain::mnuSaveCut_Click() { saveMarkedRanges(mdlSaveRng::modeSplit); }

void frmMain::saveMarkedRanges(int mode)
{
    if (marks_.lastIsOpen())
        mbRngEnd_Click();
    mdlSaveRng::RangeSource src;
    src.file = mci_.FileName();
    src.hasScale = secondsPerFrame > 0;
    src.audioOnly = !src.file.isEmpty() && mci_.isAudioOnly();
    for (int i = 0; i < marks_.count(); ++i) {
        QString sTime, eTime;
        double sSec = 0, eSec = 0;
        rsFormat(i, sTime, eTime, 0, sSec, eSec, 0, 0);
        if (!sTime.isEmpty())
            src.ranges.push_back({sSec, eSec});
    }
    // One default save folder for every tool: the workspace's once it exists.
    mdlSaveRng::saveMarkedRanges(toolHost(), this, mode, src, saveFolderRef());
}

QString frmMain::currentItemString(bool noMarks)
{
    const QString path = mci_.FileName();
    if (path.isEmpty() || marks_.isEmpty() || noMarks)
        return path;
    const QString text = playerMarks::markText(marks_.marks());
    if (!mnuAutoAddMark->isChecked()) {
        pausePrFn();
        QString lines = text;
        lines.replace(u' ', QStringLiteral("\r\n"));
        const int answer = ui::msgBox(QStringLiteral("你选择把目前的档案加入到指定清单\r\n"
                                                     "是否要附加标记，被标记的影格如下：\r\n\r\n") + lines,
                                      ui::YesNoCancel, markOpenTitle(), this);
        if (answer == ui::Cancel)
            return QString();
        if (answer == ui::No)
            return path;
    }
    return mdlLineFormat::joinItem(path, text);
}

void frmMain::mnuToList_Click(int Index)
{
    const QString item = currentItemString(Index > 1);
    if (!item.isEmpty())
        mnToList(Index, item);
}

void frmMain::mnToList(int Index, const QString& fn)
{
    frmList* w = workspace(true);
    if (!w)
        return;
    if (Index == 2)
        w->changeToTab(2, 0, false);
    else
        w->changeToTab(0, Index, false);
    // Without "总是加到清单末尾" the item goes in after the selected one.
    w->addToList(fn, !mnuToListEnd->isChecked(), true);
}

void frmMain::mnuToListEnd_Click()
{
    // The check mark toggles itself; the workspace's item of the same name follows it.
    if (list_)
        list_->mnuToListEnd->setChecked(mnuToListEnd->isChecked());
}

void frmMain::mnuAutoAddMark_Click() {}
