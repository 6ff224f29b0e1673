// Quillon tests: the hidden list of a folder's file names.
#include "Doubles.h"
#include "Error.h"
#include "FileListControl.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::FileListControl;

using testsupport::errorNumber;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

QStringList names(FileListControl& list)
{
    QStringList result;
    for (int i = 0; i < list.ListCount(); ++i) {
        list.setListIndex(i);
        result.append(list.FileName());
    }
    return result;
}

} // namespace

class TestFileList : public QObject {
    Q_OBJECT

private slots:
    void listsVisibleFilesByNameIgnoringCase()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* name : {"b.wpd", "A.WPD", "c.txt", "a2.wpd", "no extension",
                                 " spaced .wpd", ".hidden.wpd", "Ünï.wpd"})
            touch(dir.filePath(QString::fromUtf8(name)));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub.wpd")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral(".hiddendir")));
        touch(dir.filePath(QStringLiteral("sub.wpd/inner.wpd")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("b.wpd")),
                            dir.filePath(QStringLiteral("link.wpd"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")),
                            dir.filePath(QStringLiteral("broken.wpd"))));

        FileListControl list;
        QCOMPARE(list.ListIndex(), -1);
        list.setPath(dir.path() + QStringLiteral("/"));
        QCOMPARE(list.Path(), QDir(dir.path()).absolutePath()); // no separator at the end
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.FileName(), QString());
        QCOMPARE(names(list), (QStringList{" spaced .wpd", "A.WPD", "a2.wpd", "b.wpd", "c.txt",
                                           "link.wpd", "no extension", QStringLiteral("Ünï.wpd")}));

        // Setting the path again refills the list and drops the selection.
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("c.txt"))));
        list.setPath(dir.path());
        QCOMPARE(list.ListCount(), 7);
        QCOMPARE(list.ListIndex(), -1);

        QTemporaryDir empty;
        list.setPath(empty.path());
        QCOMPARE(list.ListCount(), 0);
        list.setPath(QStringLiteral("/"));
        QCOMPARE(list.Path(), QStringLiteral("/"));
    }

    void unlistableFolderRaises76()
    {
        QTemporaryDir dir;
        touch(dir.filePath(QStringLiteral("a.wpd")));
        FileListControl list;
        list.setPath(dir.path());
        list.setListIndex(0);
        QCOMPARE(list.ListCount(), 1);

        QCOMPARE(errorNumber([&] { list.setPath(dir.filePath(QStringLiteral("missing"))); }), 76);
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(errorNumber([&] { list.setPath(dir.filePath(QStringLiteral("a.wpd"))); }), 76);
        QCOMPARE(errorNumber([&] { list.setPath(QString()); }), 76);
        QCOMPARE(list.ListCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestFileList)
#include "tst_filelist.moc"
