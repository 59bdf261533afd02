// mci-console: sends command strings read from standard input, one a line, and prints
// for each the result code and the reply on one line.
#include "media/MciSend.h"

#include <QCoreApplication>
#include <QTextStream>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    std::string line;
    while (std::getline(std::cin, line)) {
        QString command = QString::fromUtf8(line.c_str()).trimmed();
        if (command.isEmpty())
            continue;
        QString reply;
        const int rc = media::mciSendString(command, &reply, 128);
        const QByteArray out = QByteArray::number(rc) + ' ' + reply.toUtf8() + '\n';
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fflush(stdout);
        // A play started on a paused device begins once the events run.
        QCoreApplication::processEvents();
    }
    media::mciSendString(QStringLiteral("close all"));
    return 0;
}
