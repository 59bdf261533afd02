#pragma once
// One of the four converting pages of the workspace (pages 60, 61, 70, 71; index 0 to 3):
// the source and target boxes with their types and browse buttons, the setting boxes (the
// video ones on the video pages only), and the run button. The job is
// mdlEncode::cmdMediaEncode.
#include "tools/mdlToolCmds.h"

#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ToolHost;

namespace ui {
class ZorvoButton;
}

class EncodePage : public QWidget {
    Q_OBJECT
public:
    EncodePage(ToolHost& host, int index, QWidget* parent = nullptr);

    const int Index; // 0, 1 video; 2, 3 music
    bool isVideoPage() const { return Index < 2; }

    QLabel* lblEncodeSrc = nullptr;
    QComboBox* cboEncodeSrc = nullptr;
    QLineEdit* txtEncodeSrc = nullptr;
    ui::ZorvoButton* mbEncodeSrc = nullptr;
    QLabel* lblEncodeTo = nullptr;
    QComboBox* cboEncodeTo = nullptr;
    QLineEdit* txtEncodeTo = nullptr;
    ui::ZorvoButton* mbEncodeTo = nullptr;

    // Null on the pages without them.
    QComboBox* cboVideoSize = nullptr;
    QComboBox* cboVideoFramerate = nullptr;
    QComboBox* cboVideoBitrate = nullptr;
    QComboBox* cboAudioSamplingRate = nullptr;
    QComboBox* cboAudioBitrate = nullptr;
    QComboBox* cboAudioChannel = nullptr;

    QPushButton* cmdMediaEncode = nullptr;
    QLabel* lblEncodeNote = nullptr;

    // The existing, usable source, or empty: the Tag of the workspace's "播放指定影片".
    QString playSpecPath() const { return playSpecPath_; }
    // The window that owns the dialogs and that the progress window covers.
    QWidget* jobWindow = nullptr;

    // The settings as they stand, for the command line.
    mdlToolCmds::EncodeSettings settings() const;

    void cboEncodeSrc_Click();
    void cboEncodeTo_Click();
    void txtEncodeSrc_OLEDragDrop(const QStringList& files);
    void txtEncodeTo_OLEDragDrop(const QStringList& files);
    void mbEncodeSrc_Click();
    void mbEncodeTo_Click();
    void cmdMediaEncode_Click();
    // Usability of both boxes, the run button and the tooltips; changed is the box that
    // changed (or null).
    void refreshPage(QLineEdit* changed = nullptr);

signals:
    void playSpecChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* owner();
    QComboBox* settingBox(const QString& name, const QStringList& items, const QString& current, const QString& prefix);
    void askForValue(const QString& text);

    ToolHost& host_;
    QString playSpecPath_;
};
