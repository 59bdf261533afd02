#include "cli/Cli.h"
#include "cli/Commands.h"

namespace cli {

int joinCommand(const QStringList&) { return usage(QStringLiteral("join：尚未完成")); }

int encodeCommand(const QStringList&) { return usage(QStringLiteral("encode：尚未完成")); }

} // namespace cli
