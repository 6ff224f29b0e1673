// quillon-convert: paths as the bytes the system gives.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// File names on Linux are bytes, not necessarily UTF-8, and QString would turn the bytes that
// are not into U+FFFD for good. Paths are therefore kept as bytes ("/"-separated) and turned into
// text only where text is needed: for the engine, the report and diagnostics.
namespace rawpath {

// folder + "/" + name, without doubling a "/" that ends folder; either part may be empty.
QByteArray join(const QByteArray& folder, const QByteArray& name);
// The path made absolute (against the working folder) and lexically clean: no ".", "..",
// empty components or final "/". A ".." above the root stays at the root.
QByteArray absolute(const QByteArray& path);
// The path with symbolic links resolved (realpath); empty when it cannot be resolved.
QByteArray canonical(const QByteArray& path);
// The part of path below folder ("" for folder itself), or a null array when path does not lie
// in folder. Both absolute and clean.
QByteArray relativeTo(const QByteArray& path, const QByteArray& folder);
QByteArray fileName(const QByteArray& path);
QByteArray folderOf(const QByteArray& path);
// Removes a file or a link, or a folder with what it holds; best effort, links not followed.
void removeAll(const QByteArray& path);

bool isUtf8(QByteArrayView bytes);
// A file name as text for an output name: unchanged when it is UTF-8; otherwise every byte that
// is not part of a UTF-8 character, and every '%', becomes "%XX", so distinct names stay
// distinct.
QString nameText(QByteArrayView name);
// Appends bytes as a JSON string with its quotes. A byte that is not part of a UTF-8 character
// becomes the lone surrogate \udc80..\udcff (Python's "surrogateescape"), so the exact bytes can
// be recovered: os.fsencode(json.loads(line)["source"]).
void appendJson(QByteArray& out, QByteArrayView bytes);
// Bytes for a line on a terminal or in a log: control characters and bytes that are not part
// of a UTF-8 character written as \xNN, so a name cannot break the line.
QByteArray display(QByteArrayView bytes);

} // namespace rawpath
