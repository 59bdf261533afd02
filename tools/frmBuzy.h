#pragma once
// The progress window of a tool job: shown in place of the calling window, with the
// break button along its bottom edge.
#include <QWidget>

class QLabel;
class QPushButton;

class frmBuzy : public QWidget {
    Q_OBJECT
public:
    explicit frmBuzy(QWidget* owner);

    // The window of the job under way; null between jobs.
    static frmBuzy* instance();
    // Made on first use of a job, owned by the calling window.
    static frmBuzy* load(QWidget* owner);
    // Gone at the end of each job, so the next starts with an empty Tag.
    static void unload();

    QLabel* lblBuzy = nullptr;
    QWidget* picBreak = nullptr;
    QPushButton* cmdBreak = nullptr;
    // cmdBreak.Tag: "click" once the user broke off.
    QString cmdBreakTag;

    void cmdBreak_Click();
    // Takes exactly the place of the calling window, its frame included: the window's
    // left, top, width and height, not only its inner area.
    void placeOver(const QWidget* objFrm);
    // Writes the message and lays the label out again for its new height.
    void setLabel(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void layoutControls();
};
