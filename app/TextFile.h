#pragma once
// Reading and writing the program's text files (settings, playlists).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace mdlZorvoFLV {

// Text of file bytes: UTF-8 (with or without a byte-order mark), or GBK when the bytes
// are not valid UTF-8 (files written by the Windows program).
QString decodeText(const QByteArray& bytes);
bool isValidUtf8(const QByteArray& bytes);

// The lines of a text file; CR LF, LF and CR all end a line. False when the file cannot
// be read.
bool readTextLines(const QString& path, QStringList& lines);

// Writes the lines in UTF-8, each ended by CR LF, through a temporary file beside the
// target that replaces it only when everything was written: on any failure the old file
// stays as it was and the answer is false.
bool writeTextLines(const QString& path, const QStringList& lines);
// The same for any bytes: the file is replaced whole or not at all; its permissions stay.
// A file that may not be written (no write permission) is left alone and the answer is
// false.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace mdlZorvoFLV
