// Tests of the file-name rules and file operations of clsFileSystem.
#include "FsMessages.h"
#include "clsFileSystem.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

namespace {

class RecordingSink : public fs::FsMessageSink {
public:
    QStringList boxes, titles, questions;
    bool critical = false, answer = false;
    void error(const QString& text, const QString& title, bool isCritical) override
    {
        boxes << text;
        titles << title;
        critical = critical || isCritical;
    }
    bool confirm(const QString& text) override
    {
        questions << text;
        return answer;
    }
};

// Adds a row as written and, when it holds a backslash after its first character, its twin with
// "/" in place of "\" (a "/" in front is the root folder here, a "\" there is not).
// Rules: e extension, b base name, B base name with folder, n file name, p folder, s size.
void addRow(QString row)
{
    for (;;) {
        QTest::newRow(qPrintable(row))
            << row.section(u'|', 0, 0) << row.section(u'|', 1, 1) << row.section(u'|', 2);
        if (!row.section(u'|', 1, 1).mid(1).contains(u'\\'))
            return;
        row.replace(u'\\', u'/');
    }
}

void writeFile(const QString& path, qint64 size, char fill = 'x')
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, fill));
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct AppError {};

} // namespace

class tst_clsFileSystem : public QObject {
    Q_OBJECT
    RecordingSink sink;
    QTemporaryDir dir;
    clsFileSystem fsys;
    QString at(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init()
    {
        sink = RecordingSink();
        fs::setFsMessageSink(&sink);
    }
    void cleanup() { fs::setFsMessageSink(nullptr); }

    void nameRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected"); // "!" for an invalid-argument error
        const char* rows = R"(
            e|report.wpd|wpd e|REPORT.WPD|WPD e|page.html|html e|a.b|b e|archive.tar.gz|gz
            e|photo.jpeg2|Unknown e|README|Unknown e|name.|Unknown e||Unknown e|.|. e|..|.
            e|C:\a.b\c|b\c
            b|C:\docs\report.wpd|report b|C:\my.docs\readme|readme b|C:\docs\a.b.wpd|a.b
            b|C:\docs\.wpd| b|.profile|.profile b|C:report.wpd|report b|report|report
            B|C:\docs\report.wpd|C:\docs\report B|C:\my.docs\readme|C:\my.docs\readme
            n|C:\docs\report.wpd|report.wpd n|C:\docs\| n|report.wpd|! n|\report.wpd|! n||!
            p|C:\docs\report.wpd|C:\docs\ p|C:\report.wpd|C:\ p|report.wpd|\ p||\
            n|/report.wpd|report.wpd n|/|
            s|1000|1000B s|1023|1023B s|1024|1KB s|1025|1.001KB s|1536|1.5KB s|2048|2KB
            s|1572864|1536KB
        )";
        for (const QString& row :
             QString::fromLatin1(rows).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
            addRow(row);
    }
    void nameRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QString name = input;
        if (rule == "e")
            QCOMPARE(fsys.GetFileExtension(input), expected);
        if (rule == "b" || rule == "B")
            QCOMPARE(fsys.GetFileBaseName(name, rule == "B"), expected);
        if (rule == "p")
            QCOMPARE(fsys.GetPath(input), expected);
        if (rule == "s") { // input is a file size in bytes
            writeFile(at("size.bin"), input.toInt());
            QCOMPARE(fsys.GetFileSize(at("size.bin")), expected);
        }
        if (rule == "n" && expected == "!")
            QVERIFY_THROWS_EXCEPTION(fs::InvalidArgument, fsys.GetFileName(input));
        else if (rule == "n")
            QCOMPARE(fsys.GetFileName(input), expected);
        QCOMPARE(name, input);
    }

    void invalidArgumentGoesThroughInstalledRaiser()
    {
        fs::setInvalidArgumentRaiser([] { throw AppError(); });
        QVERIFY_THROWS_EXCEPTION(AppError, fsys.GetFileName("report.wpd"));
        fs::setInvalidArgumentRaiser(nullptr);
    }

    void attributesAndUnreadableFiles()
    {
        const QString file = at("attr.txt");
        writeFile(file, 3);
        QCOMPARE(fsys.GetAttrib(file), "Archive");
        fsys.SetReadOnly(file);
        QCOMPARE(fsys.GetAttrib(file), "33");
        fsys.SetNormal(file);
        QCOMPARE(fsys.GetAttrib(file), "Archive");
        writeFile(at(".hidden"), 1);
        QCOMPARE(fsys.GetAttrib(at(".hidden")), "34");
        QCOMPARE(fsys.GetAttrib(at("missing")), "Unknown");
        QCOMPARE(fsys.GetFileSize(at("missing")), "0B");
    }

    void fileOperationsReportFailures()
    {
        const QString a = at("a.txt"), b = at("b.txt"), sub = at("sub");
        writeFile(a, 4, 'a');
        writeFile(b, 9, 'b');
        fsys.CopyFile(a, b);
        fsys.CopyFile(at("missing"), b); // fails, destination kept
        fsys.CopyFile(a, a);             // onto itself: fails, source kept
        QCOMPARE(readFile(a) + readFile(b), "aaaaaaaa");
        fsys.MoveFile(a, at("nodir/c.txt")); // copy fails: source kept
        fsys.MoveFile(a, at("c.txt"));
        QCOMPARE(readFile(a) + readFile(at("c.txt")), "<missing>aaaa");
        fsys.DeleteFile(b);
        fsys.DeleteFile(b);
        QVERIFY(!fsys.FileExist(b));
        fsys.MakeDIR(sub);
        fsys.MakeDIR(sub);
        fsys.MakeDIR(at("no/parent"));
        writeFile(sub + "/f", 1);
        fsys.RemoveDIR(sub); // not empty
        QVERIFY(fsys.FileExist(sub));
        QFile::remove(sub + "/f");
        fsys.RemoveDIR(sub);
        QVERIFY(!fsys.FileExist(sub));
        QCOMPARE(sink.boxes,
                 QStringList({"Error copying File", "Error copying File", "Error moving File",
                              "Error deleting File", "Error creating Directory",
                              "Error creating Directory", "Error removing Directory"}));
        QCOMPARE(sink.titles.join(""), ""); // application title
        QVERIFY(!sink.critical);
    }

    void saveAsksOnlyForBareNamesInCurrentFolder()
    {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        writeFile("doc.txt", 1);
        QVERIFY(fsys.FileReal("doc.txt") && !fsys.FileReal("./doc.txt"));
        fsys.Save(at("doc.txt")); // not a bare name: no question
        fsys.Save("doc.txt");     // No
        fs::setFsMessageSink(nullptr);
        fsys.Save("doc.txt"); // the default sink answers No
        fs::setFsMessageSink(&sink);
        QVERIFY(QFile::exists("doc.txt"));
        sink.answer = true;
        fsys.Save("doc.txt");
        const bool deleted = !QFile::exists("doc.txt");
        QDir::setCurrent(previous);
        QVERIFY(deleted);
        QCOMPARE(sink.questions, QStringList({"Overwrite File?", "Overwrite File?"}));
    }

    void tempFile_data()
    {
        QTest::addColumn<QString>("folder"); // "<d>" stands for the test folder
        QTest::addColumn<QString>("folderAfter");
        QTest::newRow("given folder") << " <d> "
                                      << "<d>/";
        QTest::newRow("given folder ending in \\") << "<d>\\"
                                                   << "<d>\\";
        QTest::newRow("temporary folder") << " x "
                                          << "x";
    }
    void tempFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, folderAfter);
        QTemporaryDir tmp;
        const QByteArray oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        QString prefix = " qz ", sOptDir = folder.replace("<d>", dir.path());
        const QFileInfo made(fsys.fnGetTempPath(prefix, sOptDir));
        qputenv("TMPDIR", oldTmp);
        QCOMPARE(prefix, QStringLiteral("qz") + QChar(0));
        QCOMPARE(sOptDir, folderAfter.replace("<d>", dir.path()));
        QVERIFY(made.isFile() && made.size() == 0 && made.fileName().startsWith("qz"));
        QCOMPARE(made.absolutePath(), sOptDir.size() >= 2 ? dir.path() : tmp.path());
        QVERIFY(sink.boxes.isEmpty());
        QFile::remove(made.filePath());
    }

    void tempFileFailureShowsProblemBox()
    {
        QString prefix, folder = at("no/such");
        QCOMPARE(fsys.fnGetTempPath(prefix, folder), "");
        QCOMPARE(sink.titles, QStringList{"You have a Problem!"});
        QVERIFY(sink.critical);
        const QStringList lines = sink.boxes.value(0).split("\r\n");
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines.mid(0, 3), QStringList({"Unexpected Error Returned",
                                               "At   modGetTempFile  fnGetTempPath", "Nmbr 75"}));
        QCOMPARE(lines[6], "Path " + QCoreApplication::applicationDirPath());
    }
};

QTEST_GUILESS_MAIN(tst_clsFileSystem)
#include "tst_clsFileSystem.moc"
