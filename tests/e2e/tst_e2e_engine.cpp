// Quillon tests: converting real documents through the windows with the real document engine.
#include "AppHarness.h"
#include "EngineHarness.h"
#include "ui/Form2.h"
#include "ui/frmPublish.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace e2etest;

class TestEndToEnd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void singleDocumentAsXmlAndHtml()
    {
        QTemporaryDir dir;
        QVERIFY(copyInto(dir, QStringLiteral("tika_testWordPerfect.wpd"),
                         QStringLiteral("report.wpd")));
        EngineApp app;
        const QString source = dir.filePath(QStringLiteral("report.wpd"));
        const QString xmlTarget = dir.filePath(QStringLiteral("chosen.xml"));
        app.files.queueFile(source);
        app.files.queueFile(xmlTarget);
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(apptest::documentRows(), QStringList{source + QStringLiteral("=Converted!")});
        const QString xml = readText(xmlTarget);
        QVERIFY2(xml.contains(QStringLiteral("http://docbook.org/ns/docbook")),
                 qPrintable(xml.left(300)));
        QVERIFY(xml.contains(QStringLiteral("AND FURTHER")));

        frmPublish::instance()->radhtml->click();
        const QString htmlTarget = dir.filePath(QStringLiteral("chosen.htm"));
        app.files.queueFile(source);
        app.files.queueFile(htmlTarget);
        Form2::instance()->mnuOpen->trigger();
        QCOMPARE(apptest::documentRows(), QStringList{source + QStringLiteral("=Converted!")});
        QVERIFY(readText(htmlTarget).startsWith(QStringLiteral("<!DOCTYPE html>")));
        QCOMPARE(app.boxes.count(), 0);
    }

    void batchOfCorpusFolderWritesEveryReadableDocument()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QVERIFY(copyInto(sourceDir, QStringLiteral("aperture_corel-wordperfect-x3.wpd"),
                         QStringLiteral("a.wpd")));
        QVERIFY(
            copyInto(sourceDir, QStringLiteral("ff_stub_sample1.wpd"), QStringLiteral("b.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("doctor_word-perfect.wpd"),
                         QStringLiteral("c.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("opf_testWordPerfect_51_52.doc"),
                         QStringLiteral("d.WPD")));
        EngineApp app;
        app.runBatch(sourceDir.path(), targetDir.path());

        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(apptest::documentRows(), (QStringList{s + QStringLiteral("d.WPD=Converted"),
                                                       s + QStringLiteral("c.wpd=Converted"),
                                                       s + QStringLiteral("b.wpd=Failed"),
                                                       s + QStringLiteral("a.wpd=Converted")}));
        for (const QString& name :
             {QStringLiteral("a.xml"), QStringLiteral("c.xml"), QStringLiteral("d.xml")})
            QVERIFY2(readText(targetDir.filePath(name)).contains(QStringLiteral("docbook")),
                     qPrintable(name));
        QVERIFY(!QFile::exists(targetDir.filePath(QStringLiteral("b.xml"))));
        QVERIFY(readText(targetDir.filePath(QStringLiteral("c.xml"))).size() > 8000);
    }

    void engineKilledOrFrozenMidBatchFailsOneDocumentAndTheBatchGoesOn_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("killed") << int(SIGKILL);
        // No heartbeat: ended after the client's silence limit (5 s), not its call limit (60 s).
        QTest::newRow("frozen") << int(SIGSTOP);
    }

    void engineKilledOrFrozenMidBatchFailsOneDocumentAndTheBatchGoesOn()
    {
        QFETCH(int, signal);
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QVERIFY(copyInto(sourceDir, QStringLiteral("aperture_corel-wordperfect-x3.wpd"),
                         QStringLiteral("a.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("tika_testWordPerfect.wpd"),
                         QStringLiteral("b.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("opf_testWordPerfect_6_61.wpd"),
                         QStringLiteral("c.wpd")));
        EngineApp app;
        app.proxy->killBefore(QStringLiteral("XMLPublish"), 2, signal);
        QElapsedTimer timer;
        timer.start();
        app.runBatch(sourceDir.path(), targetDir.path());
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));

        const QString s = sourceDir.path() + QLatin1Char('/');
        QCOMPARE(apptest::documentRows(), (QStringList{s + QStringLiteral("c.wpd=Converted"),
                                                       s + QStringLiteral("b.wpd=Failed"),
                                                       s + QStringLiteral("a.wpd=Converted")}));
        QVERIFY(QFile::exists(targetDir.filePath(QStringLiteral("a.xml"))));
        QVERIFY(!QFile::exists(targetDir.filePath(QStringLiteral("b.xml"))));
        QVERIFY(readText(targetDir.filePath(QStringLiteral("c.xml")))
                    .contains(QStringLiteral("docbook")));
        QCOMPARE(app.proxy->enginePids.size(), 2); // a fresh engine took over after the crash
    }

    // A link planted in the target folder is replaced, never written through; a document whose
    // picture does not fit on the disk (a file size limit) fails alone and leaves nothing.
    void batchIntoHostileTargetFolder()
    {
        QTemporaryDir sourceDir;
        QTemporaryDir targetDir;
        QTemporaryDir elsewhere;
        QVERIFY(copyInto(sourceDir, QStringLiteral("aperture_corel-wordperfect-x3.wpd"),
                         QStringLiteral("a.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("opf_TOPOPREC.WPD"), QStringLiteral("b.wpd")));
        QVERIFY(copyInto(sourceDir, QStringLiteral("doctor_word-perfect.wpd"),
                         QStringLiteral("c.wpd")));
        const QString victim = elsewhere.filePath(QStringLiteral("victim"));
        QFile precious(victim);
        QVERIFY(precious.open(QIODevice::WriteOnly) && precious.write("precious") == 8);
        precious.close();
        QVERIFY(QFile::link(victim, targetDir.filePath(QStringLiteral("a.xml"))));

        // a.xml and c.xml (12 KB) fit, b's pictures and page (25 KB) do not.
        const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
        QVERIFY2(!prlimit.isEmpty(), "prlimit (util-linux) is needed");
        EngineApp app({prlimit, QStringLiteral("--fsize=14000"), QStringLiteral("--")});
        app.runBatch(sourceDir.path(), targetDir.path());

        const QString s = sourceDir.path() + QLatin1Char('/');
        const QStringList rows = apptest::documentRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0), s + QStringLiteral("c.wpd=Converted"));
        QVERIFY2(rows.at(1).startsWith(s + QStringLiteral("b.wpd=")) &&
                     !rows.at(1).endsWith(QLatin1String("=Converted")),
                 qPrintable(rows.at(1)));
        QCOMPARE(rows.at(2), s + QStringLiteral("a.wpd=Converted"));
        QCOMPARE(readText(victim), QStringLiteral("precious"));
        QVERIFY(!QFileInfo(targetDir.filePath(QStringLiteral("a.xml"))).isSymLink());
        QVERIFY(readText(targetDir.filePath(QStringLiteral("a.xml"))).contains("docbook"));
        QCOMPARE(QDir(targetDir.path())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{QStringLiteral("a.xml"), QStringLiteral("c.xml")}));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e_engine.moc"
