#pragma once
// What every command of the command-line program shares: its options, the progress on
// standard error, a job's run with its exit code, and the break on SIGINT or SIGTERM.
#include "tools/ToolJob.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace cli {

// The exit codes, as the help tells them.
enum Exit {
    ExitDone = 0,       // every output made and checked
    ExitFailed = 1,     // the job ran and made no good result
    ExitUsage = 2,      // the command line is wrong
    ExitRefused = 3,    // the source or the settings cannot be used; nothing ran
    ExitExists = 4,     // an output is there already and --force was not given
    ExitBroken = 130,   // broken off by a signal; nothing of the job stays
};

// A command's arguments: the options it takes (those with a value, the flags) and the
// rest in order.
class Args {
public:
    Args(const QStringList& raw, const QStringList& valued, const QStringList& flags);
    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    QStringList positional;
    std::optional<QString> value(const QString& name) const;
    bool flag(const QString& name) const { return flags_.contains(name); }
    // How many of the names were given.
    int given(const QStringList& names) const;
    // The value of -o or --output.
    std::optional<QString> output() const;

private:
    QMap<QString, QString> values_;
    QStringList flags_;
    QString error_;
};

// Writes a line in UTF-8 to standard error (a message box text's CR LF made plain line
// ends) / to standard output.
void say(const QString& text);
void print(const QString& text);

// A wrong command line: the message, a pointer to the help, ExitUsage.
int usage(const QString& message);
// A path from the command line as the jobs take it: absolute (they change the folder).
QString absolute(const QString& path);

// The options every job takes besides its own.
QStringList withOutput(QStringList valued);
inline const QString forceFlag = QStringLiteral("--force");

// Where a job writes: output as given (made absolute); a folder given: defaultName in it;
// nothing given: defaultName beside the source.
QString outputIn(const std::optional<QString>& output, const QString& source, const QString& defaultName);

// Runs the job: its refusal (ExitRefused), the outputs that are there already (ExitExists
// unless force), the progress, the questions (asked on a terminal, otherwise answered
// "no"), the result paths on standard output. A break leaves none of the job's files.
int runJob(toolJob::ToolJob& job, bool force);

// Installs the signal handlers that turn SIGINT and SIGTERM into a break of the job
// (after QCoreApplication exists).
void catchSignals();
bool signalled();

} // namespace cli
