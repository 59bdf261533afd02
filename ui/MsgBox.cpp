#include "ui/MsgBox.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {
Answerer g_answerer;
std::vector<Shown> g_shown;

int buttonsOf(int style) { return style & 7; }
int iconOf(int style) { return style & 0x70; }
} // namespace

QString defaultTitle()
{
    const QString name = QApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Zorvo.FLV") : name;
}

void setAnswerer(Answerer answerer) { g_answerer = std::move(answerer); }
bool hasAnswerer() { return static_cast<bool>(g_answerer); }
const std::vector<Shown>& shownBoxes() { return g_shown; }
void clearShownBoxes() { g_shown.clear(); }

Answer answerScripted(const Shown& shown)
{
    g_shown.push_back(shown);
    return g_answerer(shown);
}

int msgBox(const QString& text, int style, const QString& title, QWidget* owner)
{
    Shown shown{Shown::Message, text, title.isEmpty() ? defaultTitle() : title, style, {}, {}, {}};
    if (g_answerer)
        return answerScripted(shown).result;

    QMessageBox box(owner);
    box.setWindowTitle(shown.title);
    box.setText(text);
    switch (iconOf(style)) {
    case Critical: box.setIcon(QMessageBox::Critical); break;
    case Question: box.setIcon(QMessageBox::Question); break;
    case Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    struct Btn { QMessageBox::ButtonRole role; const char* label; int result; };
    std::vector<Btn> buttons;
    switch (buttonsOf(style)) {
    case OkCancel:
        buttons = {{QMessageBox::AcceptRole, "确定", Ok}, {QMessageBox::RejectRole, "取消", Cancel}};
        break;
    case YesNoCancel:
        buttons = {{QMessageBox::YesRole, "是", Yes}, {QMessageBox::NoRole, "否", No},
                   {QMessageBox::RejectRole, "取消", Cancel}};
        break;
    case YesNo:
        buttons = {{QMessageBox::YesRole, "是", Yes}, {QMessageBox::NoRole, "否", No}};
        break;
    default:
        buttons = {{QMessageBox::AcceptRole, "确定", Ok}};
        break;
    }
    std::vector<std::pair<QAbstractButton*, int>> made;
    for (const Btn& b : buttons)
        made.emplace_back(box.addButton(QString::fromUtf8(b.label), b.role), b.result);
    box.setDefaultButton(static_cast<QPushButton*>(made.front().first));
    if (made.size() > 1 && buttonsOf(style) != YesNo)
        box.setEscapeButton(made.back().first);
    box.exec();
    for (auto& [button, result] : made)
        if (box.clickedButton() == button)
            return result;
    // Closed with the close box: the answer of the escape button.
    return made.size() > 1 ? made.back().second : Ok;
}

QString inputBox(const QString& prompt, const QString& title, const QString& defaultText,
                 QWidget* owner)
{
    Shown shown{Shown::Input, prompt, title.isEmpty() ? defaultTitle() : title, 0, defaultText, {}, {}};
    if (g_answerer)
        return answerScripted(shown).text;

    QInputDialog dialog(owner);
    dialog.setWindowTitle(shown.title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    return dialog.textValue();
}

ScriptedAnswers::ScriptedAnswers()
{
    clearShownBoxes();
    setAnswerer([this](const Shown& shown) {
        if (!queue_.empty()) {
            Answer a = queue_.front();
            queue_.erase(queue_.begin());
            return a;
        }
        if (shown.kind == Shown::Input)
            return Answer{Ok, shown.defaultText, {}, 0};
        if (shown.kind == Shown::File)
            return Answer{Cancel, {}, {}, 0};
        return Answer{buttonsOf(shown.style) >= YesNoCancel ? Yes : Ok, {}, {}, 0};
    });
}

ScriptedAnswers::~ScriptedAnswers() { setAnswerer(nullptr); }

ScriptedAnswers& ScriptedAnswers::then(int result)
{
    queue_.push_back(Answer{result, {}, {}, 0});
    return *this;
}

ScriptedAnswers& ScriptedAnswers::thenText(const QString& text)
{
    queue_.push_back(Answer{text.isEmpty() ? Cancel : Ok, text, {}, 0});
    return *this;
}

ScriptedAnswers& ScriptedAnswers::thenFile(const QString& path, int filterIndex)
{
    queue_.push_back(Answer{Ok, path, {}, filterIndex});
    return *this;
}

ScriptedAnswers& ScriptedAnswers::thenFiles(const QStringList& paths, int filterIndex)
{
    queue_.push_back(Answer{Ok, {}, paths, filterIndex});
    return *this;
}

ScriptedAnswers& ScriptedAnswers::thenCancel()
{
    queue_.push_back(Answer{Cancel, {}, {}, 0});
    return *this;
}

QStringList ScriptedAnswers::texts() const
{
    QStringList out;
    for (const Shown& s : g_shown)
        out << s.text;
    return out;
}

} // namespace ui
