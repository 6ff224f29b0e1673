// Quillon tests: where the documents the tests read are found.
#include "TestData.h"

#include <QDir>
#include <QFile>

namespace testsupport {
namespace {

// CTest passes both folders; a test program started by hand falls back to the source tree.
QString dataDir()
{
    const QString dir = qEnvironmentVariable("QUILLON_TEST_DATA");
    return dir.isEmpty() ? QStringLiteral(QUILLON_TEST_DATA_DIR) : dir;
}

QString corpusDir()
{
    return qEnvironmentVariable("QUILLON_CORPUS");
}

} // namespace

QString testDocument(const QString& name)
{
    const QString own = QDir(dataDir()).filePath(name);
    if (QFile::exists(own) || corpusDir().isEmpty())
        return own;
    const QString shared = QDir(corpusDir()).filePath(name);
    return QFile::exists(shared) ? shared : own;
}

QStringList documentFolders()
{
    QStringList folders{dataDir()};
    if (!corpusDir().isEmpty() &&
        QFile::exists(QDir(corpusDir()).filePath(QStringLiteral("MANIFEST.tsv"))))
        folders << corpusDir();
    return folders;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString readText(const QString& path)
{
    return QString::fromUtf8(readFile(path));
}

} // namespace testsupport
