#include "tools/frmBuzy.h"

#include "tools/mdlGetCmdOutput.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPointer<frmBuzy> g_form;
}

frmBuzy::frmBuzy(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmBuzy"));
    setWindowTitle(QStringLiteral("Zorvo.FLV"));
    setWindowOpacity(220.0 / 255.0);
    setAutoFillBackground(true);

    lblBuzy = new QLabel(this);
    lblBuzy->setObjectName(QStringLiteral("lblBuzy"));
    lblBuzy->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblBuzy->setWordWrap(true);

    picBreak = new QWidget(this);
    picBreak->setObjectName(QStringLiteral("picBreak"));
    picBreak->setAutoFillBackground(true);
    picBreak->setBackgroundRole(backgroundRole());
    auto* row = new QHBoxLayout(picBreak);
    row->setContentsMargins(8, 6, 8, 6);
    auto* captions = new QVBoxLayout;
    captions->addWidget(new QLabel(QStringLiteral("如果改变主意，或等不耐烦"), picBreak));
    captions->addWidget(new QLabel(QStringLiteral("你随时可以按下"), picBreak));
    row->addLayout(captions);
    cmdBreak = new QPushButton(QStringLiteral("中止程序"), picBreak);
    cmdBreak->setObjectName(QStringLiteral("cmdBreak"));
    row->addWidget(cmdBreak);
    picBreak->resize(picBreak->sizeHint());
    connect(cmdBreak, &QPushButton::clicked, this, &frmBuzy::cmdBreak_Click);
}

frmBuzy* frmBuzy::instance() { return g_form; }

frmBuzy* frmBuzy::load(QWidget* owner)
{
    if (!g_form)
        g_form = new frmBuzy(owner);
    return g_form;
}

void frmBuzy::unload()
{
    if (g_form) {
        g_form->hide();
        delete g_form.data();
    }
}

void frmBuzy::cmdBreak_Click()
{
    cmdBreakTag = QStringLiteral("click");
    mdlGetCmdOutput::requestBreak();
}

void frmBuzy::placeOver(const QWidget* objFrm)
{
    // Frameless, so the frame rectangle of the caller is this window's whole rectangle.
    setGeometry(objFrm->frameGeometry());
}

void frmBuzy::setLabel(const QString& text)
{
    lblBuzy->setText(text);
    layoutControls();
}

void frmBuzy::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmBuzy::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    layoutControls();
}

void frmBuzy::layoutControls()
{
    const QSize strip = picBreak->size();
    // The label is as tall as its text, centred in the room above the strip.
    const int textHeight = lblBuzy->heightForWidth(width()) > 0 ? lblBuzy->heightForWidth(width())
                                                                 : lblBuzy->sizeHint().height();
    lblBuzy->setGeometry(0, (height() - strip.height() - textHeight) / 2, width(), textHeight);
    picBreak->move((width() - strip.width()) / 2, height() - strip.height());
}
