#include "tools/EncodePage.h"

#include "app/mdlZorvoFLV.h"
#include "tools/ToolHost.h"
#include "tools/mdlEncode.h"
#include "tools/mdlToolJob.h"
#include "ui/CommDialog.h"
#include "ui/MsgBox.h"
#include "ui/ZorvoButton.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString dropHint = QStringLiteral("你可以拖曳档案到这里");
// The option prefix of a setting box lives in its Tag.
const char* const prefixProperty = "Tag";
} // namespace

EncodePage::EncodePage(ToolHost& host, int index, QWidget* parent)
    : QWidget(parent)
    , Index(index)
    , host_(host)
{
    setObjectName(QStringLiteral("EncodePage%1").arg(index));

    auto pathBox = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setToolTip(dropHint);
        box->setAcceptDrops(true);
        box->installEventFilter(this);
        return box;
    };
    auto typeBox = [this](const char* name, const QStringList& types, const QString& current) {
        auto* box = new QComboBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->addItems(types);
        box->setCurrentText(current);
        box->setFixedWidth(72);
        return box;
    };
    auto browse = [this](const char* name) {
        auto* b = new ui::ZorvoButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setCaption(QStringLiteral("..."));
        b->setFixedSize(28, 24);
        return b;
    };
    lblEncodeSrc = new QLabel(QStringLiteral("来源档案："), this);
    cboEncodeSrc = typeBox("cboEncodeSrc", mdlEncode::sourceTypes(index), mdlEncode::defaultSourceType(index));
    txtEncodeSrc = pathBox("txtEncodeSrc");
    mbEncodeSrc = browse("mbEncodeSrc");
    lblEncodeTo = new QLabel(QStringLiteral("转成档案："), this);
    cboEncodeTo = typeBox("cboEncodeTo", mdlEncode::targetTypes(index), mdlEncode::defaultTargetType(index));
    txtEncodeTo = pathBox("txtEncodeTo");
    mbEncodeTo = browse("mbEncodeTo");

    auto* paths = new QGridLayout;
    paths->addWidget(lblEncodeSrc, 0, 0);
    paths->addWidget(cboEncodeSrc, 0, 1);
    paths->addWidget(txtEncodeSrc, 0, 2);
    paths->addWidget(mbEncodeSrc, 0, 3);
    paths->addWidget(lblEncodeTo, 1, 0);
    paths->addWidget(cboEncodeTo, 1, 1);
    paths->addWidget(txtEncodeTo, 1, 2);
    paths->addWidget(mbEncodeTo, 1, 3);
    paths->setColumnStretch(2, 1);

    auto* settingsGrid = new QGridLayout;
    int row = 0;
    auto addSetting = [&](const QString& label, QComboBox* box, const QString& hint) {
        settingsGrid->addWidget(new QLabel(label, this), row, 0);
        settingsGrid->addWidget(box, row, 1);
        if (!hint.isEmpty())
            settingsGrid->addWidget(new QLabel(hint, this), row, 2);
        ++row;
    };
    if (isVideoPage()) {
        cboVideoSize = settingBox(QStringLiteral("cboVideoSize"), mdlEncode::sizeItems(), QStringLiteral("原视讯大小"),
                                  QStringLiteral(" -s "));
        // The frame rates are kept with leading zeros and shown as plain numbers.
        cboVideoFramerate = settingBox(QStringLiteral("cboVideoFramerate"), mdlEncode::storedFrameRateItems(),
                                       QString(), QStringLiteral(" -r "));
        const QStringList shown = mdlEncode::frameRateItems();
        for (int i = 0; i < cboVideoFramerate->count(); ++i)
            cboVideoFramerate->setItemText(i, shown.value(i));
        cboVideoFramerate->setCurrentText(QStringLiteral("25"));
        cboVideoBitrate = settingBox(QStringLiteral("cboVideoBitrate"), mdlEncode::videoBitrateItems(), QStringLiteral("200"),
                                     QStringLiteral(" -b "));
        addSetting(QStringLiteral("视讯　大小："), cboVideoSize, QStringLiteral("画面多长多宽"));
        addSetting(QString(), cboVideoFramerate, QStringLiteral("每秒几格画面"));
        addSetting(QStringLiteral("视讯位元率："), cboVideoBitrate, QStringLiteral("每秒的Ｋ位元"));
        connect(cboVideoSize, &QComboBox::activated, this, [this] { askForValue(cboVideoSize->currentText()); });
        connect(cboVideoFramerate, &QComboBox::editTextChanged, this, &EncodePage::askForValue);
        connect(cboVideoBitrate, &QComboBox::editTextChanged, this, &EncodePage::askForValue);
    }
    cboAudioSamplingRate = settingBox(QStringLiteral("cboAudioSamplingRate"), mdlEncode::samplingRateItems(),
                                      QStringLiteral("22050"), QStringLiteral(" -ar "));
    cboAudioBitrate = settingBox(QStringLiteral("cboAudioBitrate"), mdlEncode::audioBitrateItems(), QStringLiteral("64"),
                                 QStringLiteral(" -ab "));
    cboAudioChannel = settingBox(QStringLiteral("cboAudioChannel"), mdlEncode::channelItems(), QStringLiteral("立体声"),
                                 QStringLiteral(" -ac "));
    addSetting(QStringLiteral("音讯取样率："), cboAudioSamplingRate, QStringLiteral("每秒取样次数"));
    addSetting(QStringLiteral("音讯位元率："), cboAudioBitrate, QStringLiteral("每秒的Ｋ位元"));
    addSetting(QStringLiteral("音讯　频道："), cboAudioChannel, QStringLiteral("声音频道数目"));
    settingsGrid->setColumnStretch(3, 1);

    cmdMediaEncode = new QPushButton(mdlEncode::commandCaption(), this);
    cmdMediaEncode->setObjectName(QStringLiteral("cmdMediaEncode"));
    cmdMediaEncode->setEnabled(false);
    lblEncodeNote = new QLabel(mdlEncode::commandNote(), this);

    auto* column = new QVBoxLayout(this);
    column->addLayout(paths);
    column->addSpacing(8);
    column->addLayout(settingsGrid);
    column->addSpacing(8);
    column->addWidget(lblEncodeNote);
    column->addWidget(cmdMediaEncode, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(cboEncodeSrc, &QComboBox::activated, this, &EncodePage::cboEncodeSrc_Click);
    connect(cboEncodeTo, &QComboBox::activated, this, &EncodePage::cboEncodeTo_Click);
    connect(txtEncodeSrc, &QLineEdit::textChanged, this, [this] { refreshPage(txtEncodeSrc); });
    connect(txtEncodeTo, &QLineEdit::textChanged, this, [this] { refreshPage(txtEncodeTo); });
    connect(mbEncodeSrc, &ui::ZorvoButton::Click, this, &EncodePage::mbEncodeSrc_Click);
    connect(mbEncodeTo, &ui::ZorvoButton::Click, this, &EncodePage::mbEncodeTo_Click);
    connect(cmdMediaEncode, &QPushButton::clicked, this, &EncodePage::cmdMediaEncode_Click);
    refreshPage();
}

QComboBox* EncodePage::settingBox(const QString& name, const QStringList& items, const QString& current,
                                  const QString& prefix)
{
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    if (!current.isEmpty())
        box->setCurrentText(current);
    box->setProperty(prefixProperty, prefix);
    box->setMinimumWidth(110);
    return box;
}

void EncodePage::askForValue(const QString& text)
{
    if (mdlEncode::asksForValue(text))
        ui::msgBox(mdlEncode::typeValueMessage(), ui::OkOnly, ui::noticeTitle, owner());
}

QWidget* EncodePage::owner() { return jobWindow ? jobWindow : window(); }

mdlToolCmds::EncodeSettings EncodePage::settings() const
{
    mdlToolCmds::EncodeSettings s;
    s.page = Index;
    if (cboVideoSize)
        s.size = cboVideoSize->currentText().trimmed();
    if (cboVideoFramerate)
        s.frameRate = cboVideoFramerate->currentText().trimmed();
    if (cboVideoBitrate)
        s.videoBitrate = cboVideoBitrate->currentText().trimmed();
    s.samplingRate = cboAudioSamplingRate->currentText().trimmed();
    s.audioBitrate = cboAudioBitrate->currentText().trimmed();
    s.channelItem = cboAudioChannel->currentText() == mdlEncode::channelItems().first() ? 0 : 1;
    return s;
}

void EncodePage::cboEncodeSrc_Click()
{
    if (cboEncodeSrc->currentText() != mdlEncode::anyType() && !txtEncodeSrc->text().trimmed().isEmpty())
        txtEncodeSrc->setText(mdlEncode::withType(txtEncodeSrc->text(), cboEncodeSrc->currentText()));
    refreshPage(txtEncodeSrc);
}

void EncodePage::cboEncodeTo_Click()
{
    if (cboEncodeTo->currentText() != mdlEncode::anyType() && !txtEncodeTo->text().trimmed().isEmpty())
        txtEncodeTo->setText(mdlEncode::withType(txtEncodeTo->text(), cboEncodeTo->currentText()));
    refreshPage(txtEncodeTo);
}

namespace {
// A dropped file that exists, in the box, with the type that fits it.
void takeDropped(const QStringList& files, QComboBox* types, QLineEdit* box)
{
    const QString file = mdlToolJob::droppedFile(files);
    if (file.isEmpty())
        return;
    QStringList items;
    for (int i = 0; i < types->count(); ++i)
        items << types->itemText(i);
    const QString type = mdlEncode::typeForFile(items, file);
    if (!type.isEmpty())
        types->setCurrentText(type);
    box->setText(file);
    box->setFocus();
}
} // namespace

void EncodePage::txtEncodeSrc_OLEDragDrop(const QStringList& files) { takeDropped(files, cboEncodeSrc, txtEncodeSrc); }

void EncodePage::txtEncodeTo_OLEDragDrop(const QStringList& files) { takeDropped(files, cboEncodeTo, txtEncodeTo); }

void EncodePage::mbEncodeSrc_Click()
{
    host_.pausePlayer();
    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = owner();
    dlg.DialogTitle.clear();
    dlg.setFilter(mdlEncode::typeFilter(cboEncodeSrc->currentText(), true));
    dlg.setFilterIndex(1);
    dlg.FileName.clear();
    const QString chosen = dlg.ShowOpen();
    if (!chosen.isEmpty())
        txtEncodeSrc->setText(chosen);
}

void EncodePage::mbEncodeTo_Click()
{
    host_.pausePlayer();
    ui::CommDialog& dlg = ui::CommDialog::shared();
    dlg.hwndOwner = owner();
    dlg.DialogTitle.clear();
    dlg.setFilter(mdlEncode::typeFilter(cboEncodeTo->currentText(), false));
    dlg.setFilterIndex(1);
    dlg.FileName.clear();
    // The target is a new file: the open dialog takes a name that is not there yet.
    const int flags = dlg.FlagsOpen;
    dlg.FlagsOpen = ui::dlgflags::OpenAnyName;
    const QString chosen = dlg.ShowOpen();
    dlg.FlagsOpen = flags;
    if (!chosen.isEmpty())
        txtEncodeTo->setText(chosen);
}

void EncodePage::refreshPage(QLineEdit* changed)
{
    const bool srcOk = mdlEncode::sourceUsable(txtEncodeSrc->text(), cboEncodeSrc->currentText());
    const bool toOk = mdlEncode::targetUsable(txtEncodeTo->text(), cboEncodeTo->currentText());
    cmdMediaEncode->setEnabled(srcOk && toOk);
    if (changed == txtEncodeSrc)
        txtEncodeSrc->setToolTip(srcOk ? txtEncodeSrc->text().trimmed() : dropHint);
    else if (changed == txtEncodeTo)
        txtEncodeTo->setToolTip(toOk ? txtEncodeTo->text().trimmed() : dropHint);
    // The workspace's "play the source" command follows the usable source.
    const QString playable = srcOk ? txtEncodeSrc->text().trimmed() : QString();
    if (playable != playSpecPath_) {
        playSpecPath_ = playable;
        emit playSpecChanged(playSpecPath_);
    }
}

void EncodePage::cmdMediaEncode_Click()
{
    cmdMediaEncode->setFocus();
    mdlEncode::EncodeRequest request;
    request.source = txtEncodeSrc->text();
    request.target = txtEncodeTo->text();
    request.settings = settings();
    if (mdlEncode::cmdMediaEncode(host_, owner(), request) == mdlEncode::EncodeEnd::RateRefused && cboVideoFramerate)
        cboVideoFramerate->setFocus();
}

bool EncodePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtEncodeSrc
        && mdlToolJob::takeFileDrop(event, [this](const QStringList& files) { txtEncodeSrc_OLEDragDrop(files); }))
        return true;
    if (watched == txtEncodeTo
        && mdlToolJob::takeFileDrop(event, [this](const QStringList& files) { txtEncodeTo_OLEDragDrop(files); }))
        return true;
    return QWidget::eventFilter(watched, event);
}
