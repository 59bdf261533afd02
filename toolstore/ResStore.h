#pragma once
// The companion's side of the tool store: which files a mode word asks for, where they
// go, and how they are written. Nothing here depends on the main program.
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace basZorvoRes {

// The names the main program looks for in the temporary folder.
inline const QString fileResWmv = QStringLiteral("~tmpExtFlv.wmv");
inline const QString fileMencoder = QStringLiteral("~tmpExtMcd.exe");
inline const QString fileFfmpeg = QStringLiteral("~tmpExtFmg.exe");
inline const QString fileFlvmdi = QStringLiteral("~tmpExtFmd.exe");

// The files a mode word writes, in the order they are written; empty for an unknown word.
// The word is compared exactly (case matters) after trimming blanks.
QStringList filesForMode(const QString& commandText);

// The private per-user folder with a trailing "/": $XDG_RUNTIME_DIR/Zorvo.FLV/ when that
// runtime folder is usable, else /tmp/Zorvo.FLV-<uid>/. Made with mode 0700 when missing.
// Empty when the folder cannot be used: not a real folder, not ours, or writable by others.
QString privateTempFolder();
// The folder of the running program, with a trailing "/"; empty when it cannot be told.
QString programFolder();

// Writes the bytes to folder + name through a temporary name in the same folder and a
// rename, so a reader never sees a half-written program. Returns false on any error
// (nothing is left behind then).
bool writeFileAtomically(const QString& folder, const QString& name, QByteArrayView bytes,
                         bool executable);

} // namespace basZorvoRes
