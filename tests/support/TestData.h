// Quillon tests: where the documents the tests read are found.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testsupport {

// The document `name` from the project's own test documents (tests/data), else from the shared
// corpus beside the project. A name found in neither gives its tests/data path, so the test
// that opens it fails naming the file.
QString testDocument(const QString& name);

// The folders the corpus tests run over, each described by its MANIFEST.tsv: tests/data, then
// the shared corpus when it is there.
QStringList documentFolders();

// What the file holds (as UTF-8 text), empty when it cannot be read.
QByteArray readFile(const QString& path);
QString readText(const QString& path);

} // namespace testsupport
