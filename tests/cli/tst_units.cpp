// Quillon tests: quillon-convert's pieces that decide names, paths and options.
#include "CommandLine.h"
#include "FileTask.h"
#include "RawPath.h"
#include "Summary.h"

#include <QTest>

using cli::CommandLine;

class TestUnits : public QObject {
    Q_OBJECT

private slots:
    void bytesBecomeTextWithoutLoss()
    {
        // Overlong, surrogate, beyond U+10FFFF and cut-short sequences are not UTF-8.
        QVERIFY(rawpath::isUtf8("caf\xc3\xa9 \xf0\x9f\x98\x80"));
        for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x82", "\xff"})
            QVERIFY2(!rawpath::isUtf8(bad), bad);

        QByteArray json;
        rawpath::appendJson(json, QByteArray("a\"b\\c\nd\x01\xc3\xa9\xe4z\xed\xa0\x80"));
        QCOMPARE(json,
                 QByteArray("\"a\\\"b\\\\c\\nd\\u0001\xc3\xa9\\udce4z\\udced\\udca0\\udc80\""));

        // Names that are UTF-8 stay as they are; others are percent-escaped, '%' included, so two
        // different names never meet.
        QCOMPARE(rawpath::nameText("50% caf\xc3\xa9"), QStringLiteral("50% caf\u00e9"));
        QCOMPARE(rawpath::nameText("50% M\xe4rz"), QStringLiteral("50%25 M%E4rz"));
        QVERIFY(rawpath::nameText("%E4\xff") != rawpath::nameText("\xe4%FF"));
        QCOMPARE(rawpath::display("a\nb\xff"), QByteArray("a\\x0ab\\xff"));
    }

    void pathsAreCleanedAndCompared()
    {
        QCOMPARE(rawpath::absolute("/a/./b//c/../d/"), QByteArray("/a/b/d"));
        QCOMPARE(rawpath::absolute("/../../x"), QByteArray("/x"));
        QVERIFY(rawpath::absolute("x/y").endsWith("/x/y"));
        QCOMPARE(rawpath::relativeTo("/a/b/c", "/a/b"), QByteArray("c"));
        QCOMPARE(rawpath::relativeTo("/a/b", "/a/b"), QByteArray(""));
        QVERIFY(rawpath::relativeTo("/a/bc", "/a/b").isNull());
        QCOMPARE(rawpath::relativeTo("/a", "/"), QByteArray("a"));
        QCOMPARE(rawpath::join("/", "a"), QByteArray("/a"));
        QCOMPARE(rawpath::folderOf("/a"), QByteArray("/"));
    }

    void commandLines_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected"); // the settings that matter, or "error: ..."
        QTest::newRow("defaults") << QStringList{"s", "t"} << "s t j3 q80 xml 120s 2048MB 1/1";
        QTest::newRow("short cluster")
            << QStringList{"-qvj4", "s", "t"} << "s t j4 q80 xml 120s 2048MB 1/1 quiet verbose";
        QTest::newRow("separate values")
            << QStringList{"-j", "2", "--format", "HTML", "--shard", "2/3", "s", "t"}
            << "s t j2 q80 html 120s 2048MB 2/3";
        QTest::newRow("joined values")
            << QStringList{"--quality=0", "--timeout=0",      "s",
                           "t",           "--memory-limit=0", "--extensions=.WPD, wp,"}
            << "s t j3 q0 xml 0s 0MB 1/1 wpd,wp";
        QTest::newRow("dash operands")
            << QStringList{"--", "-s", "-t"} << "-s -t j3 q80 xml 120s 2048MB 1/1";
        QTest::newRow("quality") << QStringList{"--quality=101", "s", "t"} << "error: --quality";
        QTest::newRow("memory") << QStringList{"--memory-limit=100", "s", "t"} << "error: at least";
        QTest::newRow("shard zero") << QStringList{"--shard=0/2", "s", "t"} << "error: K/N";
        QTest::newRow("null alone") << QStringList{"-0", "s", "t"} << "error: --files-from";
        QTest::newRow("missing value") << QStringList{"s", "t", "--jobs"} << "error: needs a value";
        QTest::newRow("three operands") << QStringList{"s", "t", "u"} << "error: only SOURCE";
        QTest::newRow("flag with value") << QStringList{"--quiet=1", "s", "t"} << "error: no value";
    }

    void commandLines()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QList<QByteArray> bytes;
        for (const QString& a : arguments)
            bytes << a.toUtf8();
        const CommandLine line = CommandLine::parse(bytes, 3);
        if (line.action == CommandLine::Action::Error) {
            QVERIFY2(expected.startsWith(QLatin1String("error: ")), qPrintable(line.error));
            QVERIFY2(line.error.contains(expected.mid(7)), qPrintable(line.error));
            return;
        }
        const cli::Settings& s = line.settings;
        QString got = QStringLiteral("%1 %2 j%3 q%4 %5 %6s %7MB %8/%9")
                          .arg(QString::fromUtf8(s.source), QString::fromUtf8(s.target))
                          .arg(s.jobs)
                          .arg(s.quality)
                          .arg(s.format == cli::Format::Xml ? "xml" : "html")
                          .arg(s.timeoutSeconds)
                          .arg(s.memoryLimitMb)
                          .arg(s.shard.index)
                          .arg(s.shard.count);
        if (s.quiet)
            got += QStringLiteral(" quiet");
        if (s.verbose)
            got += QStringLiteral(" verbose");
        if (!s.extensions.isEmpty())
            got += u' ' + s.extensions.join(u',');
        QCOMPARE(got, expected);
    }

    void shardsPartitionThePaths()
    {
        const int n = 7;
        QList<int> sizes(n);
        for (int i = 0; i < 7000; ++i) {
            const QByteArray path =
                "folder" + QByteArray::number(i % 13) + "/doc" + QByteArray::number(i) + ".wpd";
            int owners = 0;
            for (int k = 1; k <= n; ++k) {
                if (cli::Shard{k, n}.contains(path)) {
                    ++owners;
                    ++sizes[k - 1];
                }
            }
            QCOMPARE(owners, 1);
        }
        for (int size : sizes) // about 1000 each
            QVERIFY2(size > 850 && size < 1150, qPrintable(QString::number(size)));
    }

    void failuresGroupWithoutTheirPaths()
    {
        cli::FileResult r;
        r.status = cli::FileResult::Status::Failed;
        r.message = QStringLiteral("Cannot open \"/data/a b.wpd\": it is \"damaged\".");
        QCOMPARE(cli::Summary::reason(r), QStringLiteral("Cannot open: it is \"damaged\"."));

        cli::Summary summary;
        for (const char* name : {"a", "b", "c", "d"})
            summary.add(r, name);
        // Skipped files count by kind, in the summary's words; a failure without a message
        // groups under its kind's word.
        cli::FileResult skipped;
        skipped.status = cli::FileResult::Status::Skipped;
        for (const cli::FailureKind kind :
             {cli::FailureKind::NotADocument, cli::FailureKind::NotADocument,
              cli::FailureKind::LinkOutOfSource}) {
            skipped.kind = kind;
            summary.add(skipped, "s");
        }
        cli::FileResult crashed;
        crashed.status = cli::FileResult::Status::Failed;
        crashed.kind = cli::FailureKind::EngineCrashed;
        summary.add(crashed, "e");
        const QByteArray text = summary.text(2.0, false);
        QVERIFY2(text.contains("Converted 0 of 8 files") &&
                     text.contains(
                         "4  Cannot open: it is \"damaged\".\n       a\n       b\n       c\n") &&
                     !text.contains("       d") &&
                     text.contains("Skipped: 1 link out of SOURCE, 2 not WordPerfect documents.") &&
                     text.contains("1  engine-crashed\n"),
                 text.constData());
    }
};

QTEST_APPLESS_MAIN(TestUnits)
#include "tst_units.moc"
