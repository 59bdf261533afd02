#include "cli/Cli.h"

#include "tools/mdlGetCmdOutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <string>
#include <unistd.h>

namespace cli {

Args::Args(const QStringList& raw, const QStringList& valued, const QStringList& flags)
{
    bool optionsEnd = false;
    for (int i = 0; i < raw.size(); ++i) {
        const QString& a = raw[i];
        if (optionsEnd || !a.startsWith(QLatin1String("-")) || a == QLatin1String("-")) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        QString name = a;
        std::optional<QString> inlineValue;
        if (const qsizetype eq = a.indexOf(QLatin1Char('=')); eq > 0 && a.startsWith(QLatin1String("--"))) {
            name = a.left(eq);
            inlineValue = a.mid(eq + 1);
        }
        if (valued.contains(name)) {
            if (!inlineValue && i + 1 >= raw.size()) {
                error_ = QStringLiteral("选项 %1 缺少数值").arg(name);
                return;
            }
            values_[name] = inlineValue ? *inlineValue : raw[++i];
        } else if (flags.contains(name) && !inlineValue) {
            flags_ << name;
        } else {
            error_ = QStringLiteral("不认识的选项：%1").arg(a);
            return;
        }
    }
}

std::optional<QString> Args::value(const QString& name) const
{
    const auto it = values_.find(name);
    if (it == values_.end())
        return std::nullopt;
    return *it;
}

int Args::given(const QStringList& names) const
{
    int n = 0;
    for (const QString& name : names)
        n += (values_.contains(name) || flags_.contains(name)) ? 1 : 0;
    return n;
}

std::optional<QString> Args::output() const
{
    if (std::optional<QString> o = value(QStringLiteral("-o")))
        return o;
    return value(QStringLiteral("--output"));
}

QStringList withOutput(QStringList valued)
{
    valued << QStringLiteral("-o") << QStringLiteral("--output");
    return valued;
}

QString outputIn(const std::optional<QString>& output, const QString& source, const QString& defaultName)
{
    if (!output || output->isEmpty())
        return QFileInfo(source).absoluteDir().absoluteFilePath(defaultName);
    if (QFileInfo(*output).isDir())
        return QDir(*output).absoluteFilePath(defaultName);
    return absolute(*output);
}

namespace {

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalled = 0;

void onSignal(int)
{
    g_signalled = 1;
    const char byte = 1;
    // Nothing to do when the pipe is full: one byte is enough to wake the loop.
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// Whether to go on after a question: asked on a terminal, otherwise "no".
bool askOnTerminal(const QString& question)
{
    say(question);
    if (::isatty(STDIN_FILENO) != 1) {
        say(QStringLiteral("（不是在终端上执行，按“取消”处理）"));
        return false;
    }
    std::fputs("继续吗？[y/N] ", stderr);
    std::fflush(stderr);
    std::string line;
    if (!std::getline(std::cin, line))
        return false;
    return line == "y" || line == "Y" || line == "yes";
}

// The last line of progress is redrawn in place on a terminal; elsewhere each is a line.
class Progress {
public:
    void step(int current, int total)
    {
        const int percent = total > 0 ? (current - 1) * 100 / total : 0;
        show(QStringLiteral("%1% （第 %2 步，共 %3 步）").arg(percent, 3).arg(current).arg(total));
    }
    void end(bool good)
    {
        if (good)
            show(QStringLiteral("100%"));
        if (open_)
            std::fputs("\n", stderr);
        open_ = false;
    }

private:
    void show(const QString& text)
    {
        if (stderrIsTerminal()) {
            std::fprintf(stderr, "\r%s\033[K", text.toUtf8().constData());
            open_ = true;
        } else {
            say(text);
        }
        std::fflush(stderr);
    }
    bool open_ = false;
};

} // namespace

void say(const QString& text)
{
    // The jobs' messages are written for a message box, with CR LF between the lines.
    std::fprintf(stderr, "%s\n", QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8().constData());
    std::fflush(stderr);
}

void print(const QString& text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

int usage(const QString& message)
{
    say(QStringLiteral("zorvo：") + message);
    say(QStringLiteral("用法请看 zorvo --help"));
    return ExitUsage;
}

QString absolute(const QString& path) { return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath(); }

namespace {

// Whether the job may write its outputs: each in a folder that is there (the windows'
// dialogs only give such), and none replaced unless force. The exit code otherwise.
std::optional<int> outputsRefused(const QStringList& outputs, bool force)
{
    for (const QString& file : outputs) {
        const QString folder = QFileInfo(file).absolutePath();
        if (!QFileInfo(folder).isDir()) {
            say(QStringLiteral("不是一个存在的资料夹：") + folder);
            return ExitRefused;
        }
    }
    QStringList there;
    for (const QString& file : outputs)
        if (QFileInfo::exists(file))
            there << file;
    if (!there.isEmpty() && !force) {
        say(QStringLiteral("下列档案已经存在，没有覆盖（要覆盖请加 --force）："));
        for (const QString& file : there)
            say(QStringLiteral("  ") + file);
        return ExitExists;
    }
    if (signalled())
        return ExitBroken;
    return std::nullopt;
}

} // namespace

int runJob(toolJob::ToolJob& job, bool force)
{
    using toolJob::End;
    std::optional<int> declined;
    Progress progress;
    toolJob::Events events;
    events.begin = [&] {
        declined = outputsRefused(job.outputs(), force);
        return !declined;
    };
    events.step = [&progress](int current, int total, const QString&) { progress.step(current, total); };
    events.ask = [&progress](const QString& question) {
        progress.end(false);
        return askOnTerminal(question);
    };
    const toolJob::Result result = job.run(events);
    if (declined)
        return *declined;
    if (result.end != End::Done && result.end != End::Failed) {
        say(result.message);
        return ExitRefused;
    }
    const bool broken = result.broke || signalled();
    progress.end(result.end == End::Done && !broken);

    if (broken) {
        // An output of a broken run was never checked: it goes, like the job's other files.
        for (const QString& file : result.outputs)
            QFile::remove(file);
        say(QStringLiteral("你已经中止程序！"));
        return ExitBroken;
    }
    if (result.end != End::Done) {
        say(result.message);
        return ExitFailed;
    }
    for (const QString& file : result.outputs)
        print(file);
    return ExitDone;
}

void catchSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        mdlGetCmdOutput::stopJob();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool signalled() { return g_signalled != 0; }

} // namespace cli
