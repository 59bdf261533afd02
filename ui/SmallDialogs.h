#pragma once
// The plain windows: about, donation and the start-up splash.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace ui {

inline const QString programName = QStringLiteral("Zorvo.FLV");
inline const QString programVersion = QStringLiteral("1.8.0");

// The two help documents beside the program: the user guide and the page for files that
// do not play. HTML, which every Linux desktop opens.
inline const QString helpFileName = QStringLiteral("Zorvo.FLV.html");
inline const QString codecHelpFileName = QStringLiteral("Zuvud.ODI.html");

// Opens folder + name with the desktop's viewer, or says "找不到说明档 …！" when it is missing.
void openHelpFile(const QString& folder, const QString& name, QWidget* parent);

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
