// Quillon tests: where the documents the tests read are found.
#pragma once

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

} // namespace testsupport
