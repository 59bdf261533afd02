#include "ui/CommDialog.h"

#include "ui/MsgBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>

namespace ui {

QStringList qtNameFilters(const QString& filter)
{
    QStringList pieces = filter.split(QLatin1Char('|'));
    if (!pieces.isEmpty() && pieces.last().isEmpty())
        pieces.removeLast();
    QStringList out;
    for (int i = 0; i + 1 < pieces.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : pieces[i + 1].split(QLatin1Char(';')))
            if (!p.trimmed().isEmpty())
                patterns << p.trimmed();
        if (patterns.isEmpty())
            continue;
        const QString joined = patterns.join(QLatin1Char(' '));
        const QString desc = pieces[i].trimmed().isEmpty() ? joined : pieces[i];
        // Qt reads the patterns from the last bracket pair, so a description that
        // already names its patterns in brackets stays as it is written.
        out << desc + QStringLiteral(" (") + joined + QLatin1Char(')');
    }
    return out;
}

QString lowerExtension(const QString& path)
{
    QString name = path;
    const int slash = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (slash >= 0)
        name = name.mid(slash + 1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

void splitTitle(const QString& title, QString& caption, QString& rest)
{
    QString t = title;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const qsizetype nl = t.indexOf(u'\n');
    caption = nl < 0 ? t : t.left(nl);
    rest = nl < 0 ? QString() : t.mid(nl + 1);
}

QString startFolder()
{
    const QString current = QDir::currentPath();
    const QString own = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
    if (own.isEmpty() || QFileInfo(current).canonicalFilePath() != own)
        return current;
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    if (!videos.isEmpty() && QFileInfo(videos).isDir())
        return videos;
    return QDir::homePath();
}

namespace {

// A title of several lines: the window caption cannot show line breaks, so the lines
// after the first go into a label above the dialog's own controls.
void addTitleLabel(QFileDialog& dialog, const QString& lines)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    struct Placed {
        QLayoutItem* item;
        int row, column, rowSpan, columnSpan;
    };
    std::vector<Placed> placed;
    while (grid->count() > 0) {
        Placed p{};
        grid->getItemPosition(0, &p.row, &p.column, &p.rowSpan, &p.columnSpan);
        p.item = grid->takeAt(0);
        placed.push_back(p);
    }
    auto* label = new QLabel(lines, &dialog);
    label->setObjectName(QStringLiteral("lblDialogTitle"));
    label->setWordWrap(true);
    grid->addWidget(label, 0, 0, 1, std::max(1, grid->columnCount()));
    for (const Placed& p : placed)
        grid->addItem(p.item, p.row + 1, p.column, p.rowSpan, p.columnSpan);
}

// Qt's own dialog refuses a typed name that does not exist with an English message; this
// one says it in the program's language, through the message boxes of the program.
// No Q_OBJECT here: Qt hands a dialog to the desktop's own file chooser (the portal, GTK,
// KDE) only when its class name is QFileDialog's; that chooser checks typed names itself.
class FileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const FileMode mode = fileMode();
        if (mode == ExistingFile || mode == ExistingFiles || mode == Directory) {
            for (const QString& path : selectedFiles()) {
                if (QFileInfo::exists(path))
                    continue;
                const QString what = mode == Directory ? QStringLiteral("找不到文件夹。")
                                                       : QStringLiteral("找不到文件。");
                msgBox(QFileInfo(path).fileName() + QLatin1Char('\n') + what
                           + QStringLiteral("\n请检查名称是否正确后再试一次。"),
                       OkOnly + Exclamation, windowTitle(), this);
                return;
            }
        }
        QFileDialog::accept();
    }
};

} // namespace

CommDialog& CommDialog::shared()
{
    static CommDialog instance;
    return instance;
}

void CommDialog::setFilter(const QString& text)
{
    filter_ = text;
    systemFilter_ = text;
    systemFilter_.replace(QLatin1Char('|'), QChar(0));
    if (!systemFilter_.endsWith(QChar(0)))
        systemFilter_ += QChar(0);
}

int CommDialog::FilterIndex()
{
    if (filterIndex_ == 0)
        filterIndex_ = 1;
    return filterIndex_;
}

void CommDialog::clearResults()
{
    FileName.clear();
    fileTitle_.clear();
    fileExt_.clear();
}

void CommDialog::setSingle(const QString& path)
{
    FileName = path;
    fileTitle_ = QFileInfo(path).fileName();
    fileExt_ = lowerExtension(path);
    fileArray_.clear();
}

CommDialog::Choice CommDialog::runFileDialog(int kind, int flags)
{
    const QStringList filters = qtNameFilters(filter_);
    QString prefill = FileName;
    for (;;) {
        Choice c;
        if (hasAnswerer()) {
            Shown shown;
            shown.kind = Shown::File;
            QString rest;
            shown.text = DialogTitle;
            splitTitle(DialogTitle, shown.title, rest);
            shown.style = kind;
            shown.defaultText = prefill;
            shown.filter = filter_;
            shown.initDir = InitDir;
            const Answer a = answerScripted(shown);
            c.files = a.files.isEmpty() && !a.text.isEmpty() ? QStringList{a.text} : a.files;
            c.chosen = a.result != Cancel && !c.files.isEmpty();
            if (kind != OpenMany && c.files.size() > 1)
                c.files = c.files.mid(0, 1);
            c.filterIndex = a.filterIndex > 0 ? a.filterIndex : FilterIndex();
            // The name box of the real dialog adds the default extension to a bare name.
            if (c.chosen && kind == SaveFile && !DefaultExt.isEmpty()
                && QFileInfo(c.files[0]).suffix().isEmpty())
                c.files[0] += QLatin1Char('.') + QString(DefaultExt).remove(QLatin1Char('.'));
        } else {
            QString caption, rest;
            splitTitle(DialogTitle, caption, rest);
            FileDialog dialog(hwndOwner, caption, InitDir);
            if (!rest.isEmpty()) {
                dialog.setOption(QFileDialog::DontUseNativeDialog);
                addTitleLabel(dialog, rest);
            }
            switch (kind) {
            case ChooseDir:
                dialog.setFileMode(QFileDialog::Directory);
                dialog.setOption(QFileDialog::ShowDirsOnly);
                break;
            case SaveFile:
                dialog.setAcceptMode(QFileDialog::AcceptSave);
                dialog.setFileMode(QFileDialog::AnyFile);
                // The overwrite question is asked below, through the message box facade.
                dialog.setOption(QFileDialog::DontConfirmOverwrite);
                break;
            default:
                dialog.setAcceptMode(QFileDialog::AcceptOpen);
                if (kind == OpenMany)
                    dialog.setFileMode(QFileDialog::ExistingFiles);
                else
                    dialog.setFileMode((flags & dlgflags::FileMustExist) ? QFileDialog::ExistingFile
                                                                         : QFileDialog::AnyFile);
                break;
            }
            if (kind != ChooseDir) {
                if (!filters.isEmpty()) {
                    dialog.setNameFilters(filters);
                    const int idx = qBound(1, FilterIndex(), int(filters.size()));
                    dialog.selectNameFilter(filters[idx - 1]);
                }
                if (!DefaultExt.isEmpty())
                    dialog.setDefaultSuffix(QString(DefaultExt).remove(QLatin1Char('.')));
                if (!prefill.isEmpty())
                    dialog.selectFile(prefill);
            }
            // Qt's own dialog speaks English unless told otherwise; it gets the texts of
            // the program's language, and a title when the caller gives none.
            if (DialogTitle.isEmpty())
                dialog.setWindowTitle(kind == SaveFile    ? QStringLiteral("另存为")
                                      : kind == ChooseDir ? QStringLiteral("浏览文件夹")
                                                          : QStringLiteral("打开"));
            dialog.setLabelText(QFileDialog::LookIn, kind == SaveFile ? QStringLiteral("保存在：")
                                                                      : QStringLiteral("查找范围："));
            dialog.setLabelText(QFileDialog::FileName, kind == ChooseDir ? QStringLiteral("文件夹：")
                                                                         : QStringLiteral("文件名："));
            dialog.setLabelText(QFileDialog::FileType, kind == SaveFile ? QStringLiteral("保存类型：")
                                                                        : QStringLiteral("文件类型："));
            dialog.setLabelText(QFileDialog::Accept, kind == SaveFile    ? QStringLiteral("保存")
                                                     : kind == ChooseDir ? QStringLiteral("确定")
                                                                         : QStringLiteral("打开"));
            dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
            if (dialog.exec() == QDialog::Accepted) {
                c.files = dialog.selectedFiles();
                c.chosen = !c.files.isEmpty();
                const int at = filters.indexOf(dialog.selectedNameFilter());
                c.filterIndex = at >= 0 ? at + 1 : FilterIndex();
            }
        }
        if (c.chosen && kind == SaveFile && (flags & dlgflags::OverwritePrompt)
            && QFileInfo::exists(c.files[0])) {
            const QString question = QFileInfo(c.files[0]).fileName()
                                     + QStringLiteral(" 已存在。\n要替换它吗？");
            QString title, rest;
            splitTitle(DialogTitle, title, rest);
            if (title.isEmpty())
                title = QStringLiteral("另存为");
            if (msgBox(question, YesNo + Exclamation, title, hwndOwner) != Yes) {
                prefill = c.files[0]; // back to the dialog, as the system dialog does
                continue;
            }
        }
        return c;
    }
}

QString CommDialog::ShowOpen(bool then_NoUse_InitDir, bool isMultiSelect)
{
    if (InitDir.isEmpty())
        InitDir = startFolder();
    FilterIndex();
    int flags = FlagsOpen;
    if (isMultiSelect)
        flags |= dlgflags::AllowMultiSelect;
    const bool multi = flags & dlgflags::AllowMultiSelect;
    const Choice c = runFileDialog(multi ? OpenMany : OpenOne, flags);
    if (!c.chosen) {
        clearResults();
        return QString();
    }
    QString result;
    if (multi) {
        fileArray_ = c.files;
        fileTitle_.clear();
        fileExt_.clear();
        result = QString::number(fileArray_.size());
    } else {
        setSingle(c.files[0]);
        result = FileName;
    }
    filterIndex_ = c.filterIndex;
    if (then_NoUse_InitDir)
        InitDir.clear();
    return result;
}

QString CommDialog::ShowSave(bool then_NoUse_InitDir)
{
    if (InitDir.isEmpty())
        InitDir = startFolder();
    FilterIndex();
    const Choice c = runFileDialog(SaveFile, FlagsSave);
    if (!c.chosen) {
        clearResults();
        return QString();
    }
    setSingle(c.files[0]);
    filterIndex_ = c.filterIndex;
    if (then_NoUse_InitDir)
        InitDir.clear();
    return FileName;
}

QString CommDialog::ShowDir(bool then_NoUse_InitDir)
{
    if (InitDir.isEmpty())
        InitDir = startFolder();
    const Choice c = runFileDialog(ChooseDir, FlagsDir);
    if (!c.chosen || c.files[0].isEmpty()) {
        DirName.clear();
        return QString();
    }
    DirName = c.files[0];
    if (!DirName.endsWith(QLatin1Char('/')))
        DirName += QLatin1Char('/');
    if (then_NoUse_InitDir)
        InitDir.clear();
    return DirName;
}

} // namespace ui
