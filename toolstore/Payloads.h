#pragma once
// The four payloads, linked into ZorvoResFLV at build time (Payloads.cpp is generated).
#include <QByteArrayView>
#include <QString>

namespace basZorvoRes {

// The bytes written as the named file; empty when this build carries no such payload.
QByteArrayView payloadFor(const QString& fileName);

} // namespace basZorvoRes
