#pragma once
// What the split and snapshot pages share: the source box with its browse button, the
// "取得属性" step that reads the source's length through a media device of its own, the
// property line, and the key filter of their numeric boxes. Each page lays the parts out
// and refreshes itself after every change of the source.
#include <QString>
#include <QWidget>

class QGridLayout;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct ToolHost;

namespace ui {
class ZorvoButton;
}

class MdSourcePage : public QWidget {
    Q_OBJECT
public:
    // The tooltip of the boxes that take a decimal point.
    static const QString decimalTip;
    // The key filter of the numeric boxes: digits and backspace, and a decimal point in a
    // box whose tooltip is decimalTip. Keys that type nothing (arrows, delete) are not the
    // filter's business.
    static bool keyAccepted(const QWidget* box, const QKeyEvent* event);

    QLabel* lblMdSplit = nullptr; // "指定影片"
    QLineEdit* txtMdSplit = nullptr;
    QString txtMdSplitTag;        // the last text seen
    ui::ZorvoButton* mbMdSplit = nullptr;
    QPushButton* cmdMdSplitChk = nullptr;
    QString cmdMdSplitChkTag;     // total seconds ("123.45"), empty while unknown
    QLabel* lblMdLen = nullptr;
    QWidget* picSplitMCI = nullptr;

    // The workspace's default save folder; the page keeps its own while no workspace
    // gives one.
    QString* saveFolder = nullptr;
    // The window that owns the dialogs and that the progress window covers (the
    // workspace); the page's own window when not set.
    QWidget* jobWindow = nullptr;

    // The existing file in the box, or empty: the Tag of the workspace's "播放指定影片".
    QString playSpecPath() const { return playSpecPath_; }

    void txtMdSplit_Change();
    // Files dropped on the source box: the first one, when it exists.
    void txtMdSplit_OLEDragDrop(const QStringList& files);
    void mbMdSplit_Click();
    void cmdMdSplitChk_Click();
    // Enabling and emptying after any change.
    virtual void refreshPage() = 0;
    // The two pages show one source: the page about to be shown takes the other's source
    // and its known properties.
    void takeSourceFrom(const MdSourcePage& other);

signals:
    void playSpecChanged(const QString& path);

protected:
    // pageWord names the page in the message about a source without a picture.
    MdSourcePage(ToolHost& host, const QString& pageWord, QWidget* parent);
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The rows of the source part, for the page's layout.
    QGridLayout* sourceRow();
    QHBoxLayout* propertyRow();
    // A numeric box of the page, under the key filter.
    QLineEdit* numberBox(const QString& name, bool decimals);
    QWidget* owner();
    QString source() const;
    QString& folder() { return saveFolder ? *saveFolder : ownSaveFolder_; }
    // The property line for the properties as they stand; true when they are known.
    bool showProperties();
    // Option index of an option array is the chosen one, kept as text in tag.
    void chooseOption(QRadioButton* const* options, int count, int index, QString& tag);
    // The boxes and captions of one option take values only when on; once the properties
    // are known, the boxes of an option that is not on are emptied.
    static void enableOption(const QList<QLineEdit*>& boxes, const QList<QLabel*>& captions, bool on, bool known);

    ToolHost& host_;

private:
    QString pageWord_;
    QString ownSaveFolder_;
    QString playSpecPath_;
};
