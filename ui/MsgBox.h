#pragma once
// Every message box and input box of the program goes through here, so that tests can
// answer them and read back what was shown.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

// Button sets and icons, combined by adding one of each (the classic message box style).
enum MsgStyle : int {
    OkOnly = 0,
    OkCancel = 1,
    YesNoCancel = 3,
    YesNo = 4,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
};

// What a message box answers.
enum MsgResult : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// The two titles the program gives its boxes: errors, and notices and questions.
inline const QString errorTitle = QStringLiteral("错误讯息");
inline const QString noticeTitle = QStringLiteral("注意事项");

// The title used when a caller passes none.
QString defaultTitle();

int msgBox(const QString& text, int style = OkOnly, const QString& title = QString(),
           QWidget* owner = nullptr);

// Returns the text typed, or an empty text when the user cancels.
QString inputBox(const QString& prompt, const QString& title = QString(),
                 const QString& defaultText = QString(), QWidget* owner = nullptr);

// What a file dialog asks for (the style of a Shown::File).
enum FileDialogKind : int { OpenOne = 1, OpenMany = 2, SaveFile = 3, ChooseDir = 4 };

// One box as it was shown.
struct Shown {
    enum Kind { Message, Input, File } kind = Message;
    QString text;        // message or prompt; file dialogs: the dialog's title
    QString title;
    int style = 0;       // message boxes: buttons + icon; file dialogs: FileDialogKind
    QString defaultText; // input boxes; file dialogs: the name pre-filled
    QString filter;      // file dialogs: the "desc|pattern|..." filter
    QString initDir;     // file dialogs: the starting folder
};

// What a test answers: a MsgResult for message boxes; for input boxes the text (an
// empty text stands for Cancel); for file dialogs the chosen path in text (or several
// in files), the filter entry ended on (1-based, 0 keeps the caller's) and Cancel or Ok.
struct Answer {
    int result = Ok;
    QString text;
    QStringList files;
    int filterIndex = 0;
};

// Test hook: while set, no real box opens; every box is recorded and answered by it.
using Answerer = std::function<Answer(const Shown&)>;
void setAnswerer(Answerer answerer);
bool hasAnswerer();
// Lets other dialogs (the file dialogs) record themselves and take a scripted answer.
Answer answerScripted(const Shown& shown);
const std::vector<Shown>& shownBoxes();
void clearShownBoxes();

// A ready answerer: takes answers from a queue in order; an empty queue answers the
// box's default (OK, Yes, the input's default text; a file dialog is cancelled).
class ScriptedAnswers {
public:
    ScriptedAnswers();
    ~ScriptedAnswers();
    ScriptedAnswers& then(int result);
    ScriptedAnswers& thenText(const QString& text);
    // File dialogs: one path (or folder), several paths, or Cancel.
    ScriptedAnswers& thenFile(const QString& path, int filterIndex = 0);
    ScriptedAnswers& thenFiles(const QStringList& paths, int filterIndex = 0);
    ScriptedAnswers& thenCancel();
    // Texts of the boxes shown so far, in order (message, prompt or dialog title).
    QStringList texts() const;
    ScriptedAnswers(const ScriptedAnswers&) = delete;
    ScriptedAnswers& operator=(const ScriptedAnswers&) = delete;

private:
    std::vector<Answer> queue_;
};

} // namespace ui
