#pragma once
// The plain windows: about, donation and the start-up splash.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace ui {

inline const QString programName = QStringLiteral("Zorvo.FLV");
inline const QString programVersion = QStringLiteral("1.8.0");

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    QPushButton* cmdOK;
    QLabel* lblName;
    QLabel* lblVersion;
    QLabel* lblLinks;
};

class frmMoney : public QDialog {
    Q_OBJECT
public:
    explicit frmMoney(QWidget* parent = nullptr);
    QPushButton* cmdOK;
    QLabel* lblDetails;
    QLabel* lblMail;
};

// Shown while the program starts; stays above every other window.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    QLabel* lblName;
    QLabel* lblNote;
};

} // namespace ui
