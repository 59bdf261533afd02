#include "ui/SmallDialogs.h"

#include "ui/MsgBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QUrl>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace ui {

namespace {

// The maker's address is a placeholder until the project has its own.
const QString mailAddress = QStringLiteral("zorvo-flv@example.org");

QLabel* linkLabel(const QString& html, QWidget* parent)
{
    auto* label = new QLabel(html, parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(true); // QDesktopServices, like every other link
    return label;
}

QPushButton* okButton(QDialog* dialog)
{
    auto* ok = new QPushButton(QStringLiteral("确定"), dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return ok;
}

QHBoxLayout* centred(QWidget* w)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(w);
    row->addStretch();
    return row;
}

} // namespace

void openHelpFile(const QString& folder, const QString& name, QWidget* parent)
{
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path += name;
    if (QFileInfo(path).isFile())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    else
        msgBox(QStringLiteral("找不到说明档 ") + name + QStringLiteral("！"), OkOnly, QStringLiteral("注意事项"), parent);
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于 ") + programName);
    lblName = new QLabel(programName, this);
    QFont big = lblName->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblName->setFont(big);
    lblVersion = new QLabel(QStringLiteral("版本 ") + programVersion, this);
    auto* note = new QLabel(QStringLiteral("FLV 与常见影音格式的播放器及无损剪辑工具"), this);
    // The installed user guide stands where a web page would: the program has none.
    lblLinks = linkLabel(QStringLiteral("使用说明：<a href=\"%1\">说明主题</a>　<a href=\"%2\">无法播放 FLV？</a>")
                             .arg(helpFileName, codecHelpFileName),
                         this);
    lblLinks->setOpenExternalLinks(false);
    connect(lblLinks, &QLabel::linkActivated, this, [this](const QString& name) {
        openHelpFile(QCoreApplication::applicationDirPath(), name, this);
    });
    cmdOK = okButton(this);
    auto* box = new QVBoxLayout(this);
    box->addLayout(centred(lblName));
    box->addLayout(centred(lblVersion));
    box->addLayout(centred(note));
    box->addSpacing(8);
    box->addWidget(lblLinks);
    box->addLayout(centred(cmdOK));
}

frmMoney::frmMoney(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("捐助"));
    lblDetails = new QLabel(QStringLiteral("本软体免费使用。\n如果它对您有帮助，欢迎捐助作者，"
                                           "让它继续改进。\n捐助方式请来信询问。"),
                            this);
    lblDetails->setWordWrap(true);
    lblMail = linkLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(mailAddress), this);
    cmdOK = okButton(this);
    auto* box = new QVBoxLayout(this);
    box->addWidget(lblDetails);
    box->addLayout(centred(lblMail));
    box->addLayout(centred(cmdOK));
}

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    lblName = new QLabel(programName + QStringLiteral("  ") + programVersion, frame);
    QFont big = lblName->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    lblName->setFont(big);
    lblNote = new QLabel(QStringLiteral("正在启动，请稍候……"), frame);
    auto* inner = new QVBoxLayout(frame);
    inner->setContentsMargins(24, 20, 24, 20);
    inner->addLayout(centred(lblName));
    inner->addLayout(centred(lblNote));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
}

} // namespace ui
