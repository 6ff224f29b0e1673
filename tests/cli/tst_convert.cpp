// Quillon tests: quillon-convert over a nested folder of real documents, with the real engine,
// and with a fake engine that crashes, hangs, runs out of memory or is slow.
#include "TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using testsupport::readFile;

namespace {

struct Run {
    int exit = -1;
    QByteArray err;
};

// One file of a test tree: its path below SOURCE (bytes), and a corpus document to copy or,
// when that is empty, the content to write.
struct Entry {
    QByteArray path;
    const char* corpus;
    QByteArray content;
};

// The weird name: a leading '-', a newline and a byte that is not UTF-8.
const QByteArray kWeird("sub/deep/-n\nx\xff.wpd");

const QList<Entry>& entries()
{
    static const QList<Entry> entries = {
        {"a.WPD", "nuxeo_test.wpd", {}},
        {"a.wpd", "aperture_corel-wordperfect-5.0.wp", {}},
        {"notes.txt", nullptr, "Dear Sir,\nplain text.\n"},
        {"pic.wpg", "ff_stub_sample1.wpg", {}},
        {"sub/report.wp", "tika_testWordPerfect_5_0.wp", {}},
        {"sub/stub.wpd", "ff_stub_sample1.wpd", {}},
        {"sub/deep/ole.wpd", "smi_compound.wpd", {}},
        {kWeird, "aperture_corel-wordperfect-x3.wpd", {}},
        // Cut short: 10,000 of its 17,566 bytes.
        {"sub/cut.wpd", nullptr,
         readFile(testsupport::testDocument(QStringLiteral("doctor_word-perfect.wpd")))
             .left(10000)},
    };
    return entries;
}

// Through the system, not QFile: a name that is not UTF-8 would not survive a QString.
bool writeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written =
        fd >= 0 && ::write(fd, content.constData(), content.size()) == content.size();
    return ::close(fd) == 0 && written;
}

// The test tree below root, written as bytes so that the weird name survives, and removed the
// same way: QTemporaryDir cannot remove a name a QString cannot hold.
struct Tree {
    explicit Tree(const QByteArray& path) : root(path)
    {
        for (const Entry& e : entries()) {
            const QByteArray file = root + '/' + e.path;
            QDir().mkpath(QFile::decodeName(file.left(file.lastIndexOf('/'))));
            const QByteArray content =
                e.corpus ? readFile(testsupport::testDocument(QLatin1String(e.corpus))) : e.content;
            if (content.isEmpty() || !writeFile(file, content))
                qFatal("cannot write %s", file.constData());
        }
    }
    ~Tree()
    {
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), QFile::decodeName(root)});
    }
    QByteArray root;
};

// Starts quillon-convert; engine, when given, stands in for the document engine.
void start(QProcess& p, const QStringList& arguments, const QString& engine = QString())
{
    if (!engine.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLON_ENGINE"), engine);
        p.setProcessEnvironment(env);
    }
    p.start(qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-convert"),
            arguments);
}

Run convert(const QStringList& arguments, const QByteArray& input = {},
            const QString& engine = QString())
{
    QProcess p;
    start(p, arguments, engine);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000))
        return {};
    return {p.exitCode(), p.readAllStandardError()};
}

// The report's lines by source (as raw bytes: the weird name is not text).
QMap<QByteArray, QJsonObject> readReport(const QString& path)
{
    QMap<QByteArray, QJsonObject> lines;
    for (const QByteArray& line : readFile(path).split('\n')) {
        if (line.isEmpty())
            continue;
        // A byte that is not UTF-8 comes as a lone surrogate (\udcff for 0xff), which the JSON
        // reader here would refuse: read it as U+00FF and turn that back into the byte.
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray(line).replace("\\udcff", "\\u00ff")).object();
        QByteArray source = o.value(QStringLiteral("source")).toString().toUtf8();
        if (line.contains("\\udcff"))
            source.replace("\xc3\xbf", "\xff");
        lines.insert(source, o);
    }
    return lines;
}

QString sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// Every file below root with its bytes.
QMap<QString, QByteArray> contentsBelow(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path), readFile(path));
    }
    return files;
}

QString statusOf(const QJsonObject& o)
{
    const QString status = o.value(QStringLiteral("status")).toString();
    const QString why = o.value(QStringLiteral("reason")).toString() +
                        o.value(QStringLiteral("error"))[QStringLiteral("kind")].toString();
    return why.isEmpty() ? status : status + u':' + why;
}

// Every file below root, relative, with its modification time.
QMap<QString, qint64> filesBelow(const QString& root)
{
    QMap<QString, qint64> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        files.insert(QDir(root).relativeFilePath(it.filePath()),
                     it.fileInfo().lastModified().toMSecsSinceEpoch());
    }
    return files;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    // A nested folder with mixed extensions, files that are not documents, a damaged one, a
    // collision pair, a weird name, a link out of SOURCE, and TARGET inside SOURCE.
    void convertsAnArchiveAndResumes()
    {
        QTemporaryDir dir;
        const QByteArray src = QFile::encodeName(dir.filePath(QStringLiteral("src")));
        const Tree tree(src);
        QVERIFY(writeFile(QFile::encodeName(dir.filePath(QStringLiteral("elsewhere.wpd"))),
                          readFile(testsupport::testDocument(QStringLiteral("smi_regular.wpd")))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("elsewhere.wpd")),
                            dir.filePath(QStringLiteral("src/link.wpd"))));
        QVERIFY(QFile::link(dir.path(), dir.filePath(QStringLiteral("src/up"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("src/sub")),
                            dir.filePath(QStringLiteral("src/again"))));
        const QString out = dir.filePath(QStringLiteral("src/out"));
        const QString report = dir.filePath(QStringLiteral("report.jsonl"));

        Run run = convert({QStringLiteral("--report"), report, QFile::decodeName(src), out});
        QCOMPARE(run.exit, 1); // the stub fails, the cut document is written in part
        QVERIFY2(run.err.contains("Converted 5 of 12 files") &&
                     run.err.contains("2 failed (1 of them damaged and written in part)") &&
                     run.err.contains("\n  1  partial: the document is damaged"),
                 run.err.constData());
        QMap<QByteArray, QJsonObject> lines = readReport(report);
        QMap<QByteArray, QString> statuses;
        for (auto it = lines.cbegin(); it != lines.cend(); ++it)
            statuses.insert(it.key().mid(src.size() + 1), statusOf(it.value()));
        const QMap<QByteArray, QString> expected = {
            {"a.WPD", "converted"},
            {"a.wpd", "converted"},
            {"notes.txt", "skipped:not-a-document"},
            {"pic.wpg", "skipped:not-a-document"},
            {"sub/report.wp", "converted"},
            {"sub/stub.wpd", "failed:unreadable"},
            {"sub/deep/ole.wpd", "converted"},
            {kWeird, "converted"},
            {"sub/cut.wpd", "partial:damaged"},
            {"link.wpd", "skipped:link-out-of-source"},
            {"up", "skipped:link-out-of-source"},
            {"again", "skipped:link-to-folder"},
        };
        QCOMPARE(statuses, expected);

        // The first in byte order keeps the plain name; the report says why the other does not.
        const QJsonObject later = lines.value(src + "/a.wpd");
        QCOMPARE(later.value(QStringLiteral("collision")).toString(), QStringLiteral("a.xml"));
        QCOMPARE(later.value(QStringLiteral("target")).toString(),
                 out + QStringLiteral("/a.wpd.xml"));
        QVERIFY(readFile(out + QStringLiteral("/a.xml")).contains("Zoonotic Diseases"));
        // What could be read of the cut document is kept, and the report says what is missing.
        const QJsonObject cut = lines.value(src + "/sub/cut.wpd");
        QVERIFY(cut.value(QStringLiteral("error"))[QStringLiteral("message")].toString().contains(
            QStringLiteral("the file ends at byte 10000, but its contents run to byte 17566")));
        QCOMPARE(cut.value(QStringLiteral("bytes")).toInteger(),
                 QFileInfo(out + QStringLiteral("/sub/cut.xml")).size());
        QVERIFY(readFile(out + QStringLiteral("/sub/cut.xml")).contains("SUPREME COURT"));
        // The report names each file written with its size and SHA-256, and the document's
        // SHA-256; the output records its source, relative to SOURCE, escaped where need be.
        const QJsonObject report0 = lines.value(src + "/sub/report.wp");
        const QString output0 = out + QStringLiteral("/sub/report.xml");
        QCOMPARE(report0.value(QStringLiteral("bytes")).toInteger(), QFileInfo(output0).size());
        QCOMPARE(report0.value(QStringLiteral("sha256")).toString(),
                 sha256(readFile(QFile::decodeName(src + "/sub/report.wp"))));
        const QJsonObject file0 = report0.value(QStringLiteral("files"))[0].toObject();
        QCOMPARE(file0.value(QStringLiteral("path")).toString(), output0);
        QCOMPARE(file0.value(QStringLiteral("bytes")).toInteger(), QFileInfo(output0).size());
        QCOMPARE(file0.value(QStringLiteral("sha256")).toString(), sha256(readFile(output0)));
        QVERIFY(readFile(out + QStringLiteral("/sub/deep/-n\nx%FF.xml"))
                    .contains("<bibliosource>sub/deep/-n%0Ax%FF.wpd</bibliosource>"));

        // Outputs only for the converted documents, all in TARGET; nothing beside the link's file.
        const QStringList outputs = filesBelow(out).keys();
        QCOMPARE(outputs, (QStringList{"a.wpd.xml", "a.xml", "sub/cut.xml", "sub/deep/-n\nx%FF.xml",
                                       "sub/deep/ole.xml", "sub/report.xml"}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{"elsewhere.wpd", "report.jsonl"}));

        // A re-run converts nothing, leaves every output as it was and never walks TARGET; the
        // cut document is written in part again, never taken for up to date.
        QMap<QString, qint64> before = filesBelow(out);
        const qint64 partialWritten = before.value(QStringLiteral("sub/cut.xml"));
        run = convert({QStringLiteral("--skip-existing"), QStringLiteral("--report"), report,
                       QFile::decodeName(src), out});
        QCOMPARE(run.exit, 1);
        lines = readReport(report);
        QCOMPARE(lines.size(), expected.size());
        for (const QJsonObject& o : lines)
            QVERIFY(statusOf(o) != QLatin1String("converted"));
        QCOMPARE(statusOf(lines.value(src + "/a.wpd")), QStringLiteral("skipped:up-to-date"));
        QCOMPARE(statusOf(lines.value(src + "/sub/cut.wpd")), QStringLiteral("partial:damaged"));
        QVERIFY(filesBelow(out).value(QStringLiteral("sub/cut.xml")) > partialWritten);
        before.insert(QStringLiteral("sub/cut.xml"), filesBelow(out).value("sub/cut.xml"));
        QCOMPARE(filesBelow(out), before);

        // Listed paths are held to SOURCE too, also through a link to a folder.
        const QByteArray outside = QFile::encodeName(dir.filePath(QStringLiteral("elsewhere.wpd")));
        run = convert({QStringLiteral("--files-from=-"), QStringLiteral("--report"), report,
                       QFile::decodeName(src), out},
                      outside + '\n' + src + "/up/elsewhere.wpd\n");
        lines = readReport(report);
        QCOMPARE(statusOf(lines.value(outside)), QStringLiteral("failed:outside-source"));
        QCOMPARE(statusOf(lines.value(src + "/up/elsewhere.wpd")),
                 QStringLiteral("skipped:link-out-of-source"));
        QCOMPARE(filesBelow(out), before);

        // An output that is another document's is not trusted: with a.WPD gone, a.wpd gets
        // a.xml, which still holds a.WPD's text; a document put back with an older time (cp -p)
        // is converted again too.
        QVERIFY(QFile::remove(QFile::decodeName(src + "/a.WPD")));
        const QByteArray replaced = src + "/sub/report.wp";
        QVERIFY(writeFile(replaced, readFile(testsupport::testDocument(
                                        QStringLiteral("tika_testWordPerfect_42.doc")))));
        const timespec old[2] = {{946684800, 0}, {946684800, 0}};
        QVERIFY(::utimensat(AT_FDCWD, replaced.constData(), old, 0) == 0);
        run = convert({QStringLiteral("--skip-existing"), QStringLiteral("--report"), report,
                       QFile::decodeName(src), out});
        lines = readReport(report);
        QCOMPARE(statusOf(lines.value(src + "/a.wpd")), QStringLiteral("converted"));
        QCOMPARE(lines.value(src + "/a.wpd").value(QStringLiteral("target")).toString(),
                 out + QStringLiteral("/a.xml"));
        QVERIFY(!readFile(out + QStringLiteral("/a.xml")).contains("AND FURTHER"));
        QCOMPARE(statusOf(lines.value(replaced)), QStringLiteral("converted"));
        QCOMPARE(statusOf(lines.value(src + "/sub/deep/ole.wpd")),
                 QStringLiteral("skipped:up-to-date"));

        // The same size and time with other bytes: only --checksum tells.
        QByteArray bytes = readFile(QFile::decodeName(replaced));
        struct stat was {};
        QVERIFY(::stat(replaced.constData(), &was) == 0);
        bytes[bytes.size() - 1] = static_cast<char>(bytes.back() ^ 1);
        QVERIFY(writeFile(replaced, bytes));
        const timespec same[2] = {was.st_atim, was.st_mtim};
        QVERIFY(::utimensat(AT_FDCWD, replaced.constData(), same, 0) == 0);
        for (const bool checksum : {false, true}) {
            QStringList arguments{QStringLiteral("--skip-existing"), QStringLiteral("--report"),
                                  report, QFile::decodeName(src), out};
            if (checksum)
                arguments.prepend(QStringLiteral("--checksum"));
            convert(arguments);
            lines = readReport(report);
            QCOMPARE(statusOf(lines.value(replaced)) == QLatin1String("skipped:up-to-date"),
                     !checksum);
        }
        QCOMPARE(lines.value(src + "/sub/deep/ole.wpd").value(QStringLiteral("sha256")).toString(),
                 sha256(readFile(QFile::decodeName(src + "/sub/deep/ole.wpd"))));
    }

    // Two shards, one walked and one listed (NUL-separated, on standard input, through a link
    // that names SOURCE another way), make one full run between them: the same files, statuses,
    // output names and output bytes, none twice.
    void shardsAndListsShareTheWork()
    {
        QTemporaryDir dir;
        const QByteArray src = QFile::encodeName(dir.filePath(QStringLiteral("src")));
        const Tree tree(src);
        const QString source = QFile::decodeName(src);
        auto run = [&](const QString& name, QStringList extra, const QByteArray& input = {}) {
            const QString report = dir.filePath(name + QStringLiteral(".jsonl"));
            extra << QStringLiteral("--report") << report << QStringLiteral("--") << source
                  << dir.filePath(name);
            const Run r = convert(extra, input);
            QMap<QByteArray, QString> outcome;
            const QMap<QByteArray, QJsonObject> lines = readReport(report);
            for (auto it = lines.cbegin(); it != lines.cend(); ++it)
                outcome.insert(it.key(), statusOf(*it) + u' ' +
                                             it->value(QStringLiteral("target"))
                                                 .toString()
                                                 .mid(dir.filePath(name).size()));
            return std::make_pair(r.exit, outcome);
        };

        const auto full = run(QStringLiteral("full"), {});
        QCOMPARE(full.second.size(), entries().size());
        const auto first = run(QStringLiteral("one"), {QStringLiteral("--shard=1/2")});
        const QByteArray alias = QFile::encodeName(dir.filePath(QStringLiteral("alias")));
        QVERIFY(QFile::link(source, QFile::decodeName(alias)));
        QByteArray list;
        for (const Entry& e : entries())
            list += alias + '/' + e.path + '\0';
        list += QFile::encodeName(dir.path()) + "/outside.wpd" + '\0';
        auto second = run(QStringLiteral("two"),
                          {QStringLiteral("--shard"), QStringLiteral("2/2"),
                           QStringLiteral("--files-from=-"), QStringLiteral("-0")},
                          list);
        const QByteArray outside = QFile::encodeName(dir.path()) + "/outside.wpd";
        if (second.second.contains(outside)) { // the listed path outside SOURCE has a shard too
            QCOMPARE(second.second.take(outside), QStringLiteral("failed:outside-source "));
        }

        QVERIFY(!first.second.isEmpty() && !second.second.isEmpty());
        QMap<QByteArray, QString> both = first.second;
        for (auto it = second.second.cbegin(); it != second.second.cend(); ++it) {
            QVERIFY2(!both.contains(it.key()), it.key().constData());
            both.insert(it.key(), it.value());
        }
        QCOMPARE(both, full.second);
        QMap<QString, QByteArray> outputs = contentsBelow(dir.filePath(QStringLiteral("one")));
        outputs.insert(contentsBelow(dir.filePath(QStringLiteral("two"))));
        QCOMPARE(outputs, contentsBelow(dir.filePath(QStringLiteral("full"))));
    }

    // The macro is played on each document before its publish: one that edits shows in the
    // output; one that fails leaves the document converted as it stood, the macro's error (its
    // line) the report's warning.
    void macroPlaysBeforeThePublish()
    {
        QTemporaryDir dir;
        const QString src = dir.filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(src));
        QVERIFY(QFile::copy(testsupport::testDocument(QStringLiteral("nuxeo_test.wpd")),
                            src + QStringLiteral("/a.wpd")));
        const QByteArray good = "SearchString(StrgToLookFor: \"the\")\n"
                                "ReplaceString(RplcStrg: \"QUILLONMARK\")\nReplaceAll()\n";
        for (const QByteArray& macro : {good, QByteArray("PosDocVeryTop()\nFileSave()\n")}) {
            const QString file = dir.filePath(QStringLiteral("m.wcm"));
            const QString out = dir.filePath(QString::number(macro.size()));
            QVERIFY(writeFile(QFile::encodeName(file), macro));
            const QString report = out + QStringLiteral(".jsonl");
            QCOMPARE(convert({QStringLiteral("--macro=") + file, QStringLiteral("--report"), report,
                              src, out})
                         .exit,
                     0);
            const QJsonObject line = readReport(report).first();
            QCOMPARE(statusOf(line), QStringLiteral("converted"));
            const QString warning = line.value(QStringLiteral("warning")).toString();
            QCOMPARE(readFile(out + QStringLiteral("/a.xml")).contains("QUILLONMARK"),
                     macro == good);
            QVERIFY2(macro == good ? warning.isEmpty() : warning.contains(QLatin1String("Line 2")),
                     qPrintable(warning));
        }
    }

    void commandLineAndExitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("says"); // on standard error, or standard output for 0
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: quillon-convert";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "quillon-convert 2.0.4\n";
        QTest::newRow("unknown option") << QStringList{"--fast", "s", "t"} << 2 << "--fast";
        QTest::newRow("no source") << QStringList{"@/missing", "@/t"} << 3 << "missing";
        QTest::newRow("target blocked") << QStringList{"@", "@/file/t"} << 3 << "cannot be created";
        QTest::newRow("target is source") << QStringList{"@", "@/"} << 2 << "TARGET is SOURCE";
        QTest::newRow("report folder made")
            << QStringList{"--report=@/reports/1/r.jsonl", "@", "@/t"} << 0 << "";
        QTest::newRow("no engine") << QStringList{"@", "@/t"} << 4 << "engine is missing";
    }

    void commandLineAndExitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(writeFile(QFile::encodeName(dir.filePath(QStringLiteral("file"))), "x"));
        arguments.replaceInStrings(QStringLiteral("@"), dir.path());
        QProcess p;
        const bool noEngine = QTest::currentDataTag() == QLatin1String("no engine");
        start(p, arguments, noEngine ? dir.filePath(QStringLiteral("none")) : QString());
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), exit);
        const QByteArray text = exit == 0 ? p.readAllStandardOutput() : p.readAllStandardError();
        QVERIFY2(text.contains(says.toUtf8()), text.constData());
    }

    // Links swapped in after the walk found the files (by the test's hook, at the moment the
    // document is opened or published) lead nothing outside the trees: a file become a link fails,
    // a folder become a link is still read where it was, an output folder become a link still
    // receives the outputs where it was.
    void linksSwappedDuringTheRunLeadNowhere()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        const QByteArray plain = readFile(testsupport::testDocument("smi_regular.wpd"));
        const QByteArray secret = readFile(testsupport::testDocument("tika_testWordPerfect.wpd"));
        QVERIFY(root.mkpath("src/sub") && root.mkpath("elsewhere/sub") &&
                root.mkpath("elsewhere/outs"));
        for (const char* name : {"src/a.wpd", "src/sub/b.wpd", "src/sub/c.wpd"})
            QVERIFY(writeFile(QFile::encodeName(root.filePath(name)), plain));
        for (const char* name : {"elsewhere/secret.wpd", "elsewhere/sub/b.wpd"})
            QVERIFY(writeFile(QFile::encodeName(root.filePath(name)), secret));
        const QString hook = root.filePath("hook");
        QVERIFY(writeFile(QFile::encodeName(hook), R"(#!/bin/sh
cd "$ROOT" || exit 1
case "$1:$2" in
opening:*/src/a.wpd) rm src/a.wpd && ln -s "$ROOT/elsewhere/secret.wpd" src/a.wpd ;;
opening:*/src/sub/b.wpd) mv src/sub src/sub.old && ln -s "$ROOT/elsewhere/sub" src/sub ;;
publishing:*/src/sub/c.wpd) mv out/sub out/sub.old && ln -s "$ROOT/elsewhere/outs" out/sub ;;
esac
)"));
        QVERIFY(QFile::setPermissions(hook, QFile::ReadOwner | QFile::ExeOwner));
        const QString report = root.filePath("report.jsonl");

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLON_CONVERT_TEST_HOOK", hook);
        env.insert("ROOT", dir.path());
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QUILLON_BIN_DIR") + QStringLiteral("/quillon-convert"),
                {"-j1", "--report", report, root.filePath("src"), root.filePath("out")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        const QMap<QByteArray, QJsonObject> lines = readReport(report);
        const QByteArray src = QFile::encodeName(root.filePath("src"));
        QCOMPARE(statusOf(lines.value(src + "/a.wpd")), QStringLiteral("failed:unreadable"));
        QCOMPARE(statusOf(lines.value(src + "/sub/b.wpd")), QStringLiteral("converted"));
        QCOMPARE(statusOf(lines.value(src + "/sub/c.wpd")), QStringLiteral("converted"));
        QVERIFY(readFile(root.filePath("out/sub.old/b.xml")).contains("<article"));
        QVERIFY(readFile(root.filePath("out/sub.old/c.xml")).contains("<article"));
        QVERIFY(QDir(root.filePath("elsewhere/outs")).isEmpty());
        QDirIterator it(root.filePath("out"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            QVERIFY2(!readFile(it.next()).contains("AND FURTHER"), qPrintable(it.filePath()));
    }

    // Outputs are named knowing the subfolders' names; a file listed twice is converted once;
    // links that go nowhere or out of SOURCE to a folder say so; a file skipped as no document has
    // no output, and so no collision mark.
    void namesListsAndMessages()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        const QByteArray doc = readFile(testsupport::testDocument("smi_regular.wpd"));
        QVERIFY(root.mkpath("src/b.xml") && root.mkpath("outside"));
        for (const char* name : {"src/b.wpd", "src/b.xml/d.wpd", "src/c.wpd"})
            QVERIFY(writeFile(QFile::encodeName(root.filePath(name)), doc));
        QVERIFY(writeFile(QFile::encodeName(root.filePath("src/c.wpg")),
                          readFile(testsupport::testDocument("ff_stub_sample1.wpg"))));
        QVERIFY(QFile::link(root.filePath("outside"), root.filePath("src/etc")));
        QVERIFY(QFile::link(root.filePath("src/loop"), root.filePath("src/loop")));
        const QString report = root.filePath("report.jsonl");
        const QByteArray src = QFile::encodeName(root.filePath("src"));

        Run run = convert({"-j2", "--report", report, root.filePath("src"), root.filePath("out")});
        QCOMPARE(run.exit, 0);
        QMap<QByteArray, QJsonObject> lines = readReport(report);
        QCOMPARE(statusOf(lines.value(src + "/b.wpd")), QStringLiteral("converted"));
        QCOMPARE(lines.value(src + "/b.wpd").value("collision").toString(),
                 QStringLiteral("b.xml"));
        QCOMPARE(statusOf(lines.value(src + "/b.xml/d.wpd")), QStringLiteral("converted"));
        QCOMPARE(filesBelow(root.filePath("out")).keys(),
                 (QStringList{"b.wpd.xml", "b.xml/d.xml", "c.xml"}));
        QCOMPARE(statusOf(lines.value(src + "/c.wpg")), QStringLiteral("skipped:not-a-document"));
        QVERIFY(!lines.value(src + "/c.wpg").contains("collision"));
        QCOMPARE(lines.value(src + "/etc").value("message").toString(),
                 QStringLiteral("a symbolic link to a folder outside SOURCE"));
        QCOMPARE(statusOf(lines.value(src + "/loop")), QStringLiteral("skipped:broken-link"));
        QVERIFY(lines.value(src + "/loop").value("message").toString().contains("loop"));

        run = convert(
            {"--files-from=-", "--report", report, root.filePath("src"), root.filePath("out2")},
            src + "/c.wpd\n" + src + "/c.wpd\n" + src + "/./c.wpd\n");
        QCOMPARE(run.exit, 0);
        QCOMPARE(readFile(report).count('\n'), 1);
    }

    // A folder deeper than the longest path the system takes is walked and converted like any.
    void foldersDeeperThanAPathCanBe()
    {
        QTemporaryDir dir;
        const QByteArray src = QFile::encodeName(dir.filePath(QStringLiteral("src")));
        QVERIFY(::mkdir(src.constData(), 0777) == 0);
        const QByteArray name(200, 'd');
        int folder = ::open(src.constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < 24; ++i) { // some 4,800 bytes of path
            QVERIFY(::mkdirat(folder, name.constData(), 0777) == 0);
            const int next = ::openat(folder, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(folder);
            folder = next;
        }
        const QByteArray doc = readFile(testsupport::testDocument("smi_regular.wpd"));
        const int file = ::openat(folder, "deep.wpd", O_WRONLY | O_CREAT, 0644);
        QVERIFY(file >= 0 && ::write(file, doc.constData(), doc.size()) == doc.size());
        ::close(file);
        ::close(folder);
        // Removed with rm, since QTemporaryDir cannot remove what lies deeper than a path can be.
        const std::unique_ptr<QTemporaryDir, void (*)(QTemporaryDir*)> cleanup(
            &dir, [](QTemporaryDir* d) {
                QProcess::execute(QStringLiteral("rm"),
                                  {QStringLiteral("-rf"), d->path() + "/src", d->path() + "/out"});
            });
        const QString report = dir.filePath(QStringLiteral("report.jsonl"));
        const QString out = dir.filePath(QStringLiteral("out"));

        const Run run = convert({"--report", report, QFile::decodeName(src), out});
        QCOMPARE(run.exit, 0);
        const QMap<QByteArray, QJsonObject> lines = readReport(report);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(statusOf(lines.first()), QStringLiteral("converted"));
        QVERIFY(lines.firstKey().endsWith("/deep.wpd"));
        int at = ::open(QFile::encodeName(out).constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < 24 && at >= 0; ++i) {
            const int next = ::openat(at, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(at);
            at = next;
        }
        struct stat st {};
        QVERIFY(at >= 0 && ::fstatat(at, "deep.xml", &st, 0) == 0 && st.st_size > 0);
        ::close(at);
    }

    // A document that crashes its engine, one that hangs it and one that asks for more memory than
    // the limit fail alone; the engine is replaced and the rest is converted.
    void badDocumentsFailAlone()
    {
        QTemporaryDir dir;
        const QByteArray src = QFile::encodeName(dir.filePath(QStringLiteral("src")));
        QDir().mkpath(QFile::decodeName(src));
        for (const char* name : {"a.wpd", "b.wpd", "c.wpd", "d.wpd"})
            QVERIFY(writeFile(src + '/' + name, "fine"));
        QVERIFY(writeFile(src + "/crash.wpd", "CRASH"));
        QVERIFY(writeFile(src + "/hang.wpd", "HANG"));
        QVERIFY(writeFile(src + "/memory.wpd", "MEMORY"));
        const QString report = dir.filePath(QStringLiteral("report.jsonl"));
        const QString out = dir.filePath(QStringLiteral("out"));

        const Run run = convert({QStringLiteral("-j2"), QStringLiteral("--timeout=2"),
                                 QStringLiteral("--memory-limit=512"), QStringLiteral("--report"),
                                 report, QFile::decodeName(src), out},
                                {}, FAKE_ENGINE);
        QCOMPARE(run.exit, 1);
        QMap<QByteArray, QString> statuses;
        const QMap<QByteArray, QJsonObject> lines = readReport(report);
        for (auto it = lines.cbegin(); it != lines.cend(); ++it)
            statuses.insert(QFileInfo(QFile::decodeName(it.key())).fileName().toUtf8(),
                            statusOf(*it));
        const QMap<QByteArray, QString> expected = {
            {"a.wpd", "converted"},
            {"b.wpd", "converted"},
            {"c.wpd", "converted"},
            {"d.wpd", "converted"},
            {"crash.wpd", "failed:engine-crashed"},
            {"hang.wpd", "timed-out:timeout"},
            {"memory.wpd", "failed:not-enough-memory"},
        };
        QCOMPARE(statuses, expected);
        // Named as the document, not as the engine was given it.
        QCOMPARE(lines.value(src + "/memory.wpd")
                     .value(QStringLiteral("error"))[QStringLiteral("message")]
                     .toString(),
                 QStringLiteral("Cannot open \"%1/memory.wpd\": not enough memory (limit 512 MB).")
                     .arg(QFile::decodeName(src)));
        QVERIFY2(run.err.contains("timed out: no answer within 2 s"), run.err.constData());
        // Nothing half-written is left by the engines that were ended.
        QCOMPARE(filesBelow(out).keys(), (QStringList{"a.xml", "b.xml", "c.xml", "d.xml"}));
    }

    // SIGTERM in the middle of the walk: the document under way finishes, the hanging one is
    // ended after the grace, nothing else starts; the report and the summary are complete and
    // nothing else is said, and no output is half-written.
    void interruptionKeepsReportAndOutputsWhole()
    {
        QTemporaryDir dir;
        const QByteArray src = QFile::encodeName(dir.filePath(QStringLiteral("src")));
        QDir().mkpath(QFile::decodeName(src));
        QVERIFY(writeFile(src + "/a-hang.wpd", "HANG"));
        for (int i = 0; i < 40; ++i) // more than the queue holds: the walk is still under way
            QVERIFY(writeFile(src + "/slow" + QByteArray::number(i) + ".wpd", "SLOW"));
        const QString report = dir.filePath(QStringLiteral("report.jsonl"));
        const QString out = dir.filePath(QStringLiteral("out"));

        QProcess p;
        start(p, {"-j2", "--report", report, QFile::decodeName(src), out}, FAKE_ENGINE);
        QTRY_VERIFY_WITH_TIMEOUT(readFile(report).count('\n') >= 1, 20000);
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 130);
        const QByteArray said = p.readAllStandardError();
        QVERIFY2(said.contains("Interrupted") && !said.contains("quillon-convert:"),
                 said.constData());

        const QMap<QByteArray, QJsonObject> lines = readReport(report);
        QCOMPARE(statusOf(lines.value(src + "/a-hang.wpd")), QStringLiteral("failed:interrupted"));
        QStringList converted;
        for (const QJsonObject& o : lines) {
            if (statusOf(o) == QLatin1String("converted"))
                converted << QFileInfo(o.value(QStringLiteral("target")).toString()).fileName();
        }
        QVERIFY(converted.size() >= 1 && converted.size() < 40);
        QCOMPARE(lines.size(), converted.size() + 1);
        converted.sort();
        QCOMPARE(filesBelow(out).keys(), converted);
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
