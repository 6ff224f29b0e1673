// Quillon engine tests: the engine's command line under hostile conditions: links planted in the
// target folder, a full disk, an engine killed mid-publish, damaged documents.
#include "OutputFiles.h"
#include "TestData.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kPictured = QStringLiteral("opf_TOPOPREC.WPD"); // two WPG graphics

QString corpus(const QString& name)
{
    return testsupport::testDocument(name);
}

struct Run {
    int exitCode = -1;
    QString error;
};

// `quillon-engine --publish FORMAT INPUT OUTPUT [--quality 0]`, with file writes limited to
// fileSizeLimit bytes when given (a disk that fills up).
Run publish(const QString& format, const QString& input, const QString& output,
            rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QProcess p;
    p.setChildProcessModifier([fileSizeLimit] {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    p.start(
        QDir(qEnvironmentVariable("QUILLON_BIN_DIR")).filePath(QStringLiteral("quillon-engine")),
        {QStringLiteral("--publish"), format, input, output, QStringLiteral("--quality"),
         QStringLiteral("0")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Every name in the folder and below it, sorted, folders with a final "/".
QStringList tree(const QString& folder)
{
    QStringList names;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        if (info.isDir() && !info.isSymLink()) {
            names << info.fileName() + QLatin1Char('/');
            for (const QString& inner : tree(info.filePath()))
                names << info.fileName() + QLatin1Char('/') + inner;
        } else {
            names << info.fileName();
        }
    }
    return names;
}

} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void linksInTheTargetAreNeverWrittenThrough_data();
    void linksInTheTargetAreNeverWrittenThrough();
    void failedPublishLeavesNothingBehind_data();
    void failedPublishLeavesNothingBehind();
    void publishKilledMidwayIsCleanedUpAtTheNextStart();
    void damagedDocumentsSayWhereReadingStopped_data();
    void damagedDocumentsSayWhereReadingStopped();

private:
    QTemporaryDir m_state;
};

void HostileTest::initTestCase()
{
    QVERIFY(QFile::exists(corpus(kPictured)));
    // Notes of unfinished publishes go to a folder of this test's own.
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
}

void HostileTest::linksInTheTargetAreNeverWrittenThrough_data()
{
    QTest::addColumn<QString>("link");     // planted in out/, pointing at elsewhere/victim
    QTest::addColumn<bool>("victimIsDir"); // the victim is a folder holding picture1.png
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("after"); // out/ afterwards
    const QStringList published{"doc.html", "doc_files/", "doc_files/picture1.png",
                                "doc_files/picture2.png"};
    QTest::newRow("target links to a file") << "doc.html" << false << 0 << published;
    QTest::newRow("target links to a folder") << "doc.html" << true << 0 << published;
    QTest::newRow("picture links to a file") << "doc_files/picture1.png" << false << 0 << published;
    QTest::newRow("picture folder links to a folder")
        << "doc_files" << true << 6 << QStringList{"doc_files"};
}

// A publish replaces the names it writes; what a link there points to stays as it was. A
// picture folder that is a link is refused, and nothing at all is written then.
void HostileTest::linksInTheTargetAreNeverWrittenThrough()
{
    QFETCH(QString, link);
    QFETCH(bool, victimIsDir);
    QFETCH(int, exitCode);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    const QString victim = dir.filePath(QStringLiteral("elsewhere/victim"));
    const QString victimFile = victimIsDir ? victim + QStringLiteral("/picture1.png") : victim;
    QVERIFY(QDir().mkpath(out + QStringLiteral("/doc_files")) &&
            QDir().mkpath(victimIsDir ? victim : dir.filePath(QStringLiteral("elsewhere"))));
    QVERIFY(put(victimFile, "precious"));
    if (link == QLatin1String("doc_files"))
        QVERIFY(QDir(out).rmdir(link));
    QVERIFY(QFile::link(victim, out + QLatin1Char('/') + link));

    const Run run =
        publish(QStringLiteral("html"), corpus(kPictured), out + QStringLiteral("/doc.html"));
    QVERIFY2(run.exitCode == exitCode, qPrintable(run.error));
    QCOMPARE(contents(victimFile), QByteArray("precious"));
    QCOMPARE(tree(dir.filePath(QStringLiteral("elsewhere"))),
             victimIsDir ? QStringList({"victim/", "victim/picture1.png"}) : QStringList{"victim"});
    QCOMPARE(tree(out), after);
    if (exitCode == 0) {
        QVERIFY(!QFileInfo(out + QLatin1Char('/') + link).isSymLink());
        QVERIFY(contents(out + QStringLiteral("/doc.html")).startsWith("<!DOCTYPE html>"));
        QVERIFY(contents(out + QStringLiteral("/doc_files/picture1.png")).startsWith("\x89PNG"));
    } else {
        QVERIFY(QFileInfo(out + QLatin1Char('/') + link).isSymLink());
        QVERIFY2(run.error.contains(QLatin1String("is a symbolic link")), qPrintable(run.error));
    }
}

void HostileTest::failedPublishLeavesNothingBehind_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<qint64>("fileSizeLimit"); // 0: none
    QTest::addColumn<QString>("blocker");      // a file made first in the target folder
    QTest::addColumn<QString>("expected");     // in the error
    // The document's page is some 25 KB, its pictures 4 and 10 KB as JPEG (quality 0), 68 and
    // 48 KB as PNG.
    QTest::newRow("picture does not fit")
        << "html" << qint64(60000) << QString()
        << "doc_files/picture1.png\" could not be written (File too large)";
    QTest::newRow("page does not fit after its pictures")
        << "xml" << qint64(12000) << QString() << "\": File too large.";
    QTest::newRow("picture does not fit into an existing folder")
        << "xml" << qint64(2000) << "doc_files/picture1.jpg"
        << "File too large";
    QTest::newRow("a file where the picture folder goes")
        << "xml" << qint64(0) << "doc_files"
        << "where its pictures go, is not a folder";
    QTest::newRow("a file where a folder of the path goes") << "xml" << qint64(0) << "sub"
                                                            << "a part of its path, \"";
}

// A write that fails fails the publish with the system's reason, and whatever the publish had
// written (pictures, a picture folder, temporary files) is gone; what was there stays.
void HostileTest::failedPublishLeavesNothingBehind()
{
    QFETCH(QString, format);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(QString, blocker);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    if (blocker.contains(QLatin1Char('/')))
        QVERIFY(QDir(dir.path()).mkpath(blocker.section(u'/', 0, 0)));
    if (!blocker.isEmpty())
        QVERIFY(put(dir.filePath(blocker), "old"));
    const QStringList before = tree(dir.path());
    const QString target =
        dir.filePath(blocker == QLatin1String("sub") ? QStringLiteral("sub/doc.") + format
                                                     : QStringLiteral("doc.") + format);
    const Run run = publish(format, corpus(kPictured), target,
                            fileSizeLimit > 0 ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
    QCOMPARE(run.exitCode, 6);
    QVERIFY2(run.error.contains(expected), qPrintable(run.error));
    QVERIFY2(run.error.contains(target), qPrintable(run.error));
    QCOMPARE(tree(dir.path()), before);
    if (!blocker.isEmpty())
        QCOMPARE(contents(dir.filePath(blocker)), QByteArray("old"));
    QCOMPARE(tree(m_state.path() + QStringLiteral("/quillon-engine/unfinished")), QStringList());
}

// A publish that is killed before it finishes leaves its files under marked temporary names and
// a note; the next engine to start removes them, and nothing else.
void HostileTest::publishKilledMidwayIsCleanedUpAtTheNextStart()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("kept_files")));
    QVERIFY(put(dir.filePath(QStringLiteral("kept_files/picture1.png")), "old"));
    const QString unrelated = QStringLiteral("other.quillon-1-zz.tmp");
    QVERIFY(put(dir.filePath(unrelated), "someone else's"));
    const QStringList before = tree(dir.path());

    // Two publishes in a child process that dies without cleaning up: one into a new picture
    // folder, one into an existing one.
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            engine::OutputFiles fresh(dir.filePath(QStringLiteral("made.html")));
            fresh.writeCompanion(QStringLiteral("picture1.png"), "new");
            fresh.writeTarget("<!DOCTYPE html>");
            engine::OutputFiles existing(dir.filePath(QStringLiteral("kept.html")));
            existing.writeCompanion(QStringLiteral("picture1.png"), "new");
            ::raise(SIGKILL);
        } catch (...) {
        }
        ::_exit(1);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFSIGNALED(status));
    const QStringList left = tree(dir.path());
    QCOMPARE(left.size(), before.size() + 4); // made.html, made_files and its picture, kept's
    QCOMPARE(tree(m_state.path() + QStringLiteral("/quillon-engine/unfinished")).size(), 2);

    // Any start of the engine cleans up, here one that publishes something else.
    QTemporaryDir elsewhere;
    QCOMPARE(publish(QStringLiteral("xml"), corpus(QStringLiteral("smi_regular.wpd")),
                     elsewhere.filePath(QStringLiteral("x.xml")))
                 .exitCode,
             0);
    QCOMPARE(tree(dir.path()), before);
    QCOMPARE(contents(dir.filePath(QStringLiteral("kept_files/picture1.png"))), QByteArray("old"));
    QCOMPARE(tree(m_state.path() + QStringLiteral("/quillon-engine/unfinished")), QStringList());
}

void HostileTest::damagedDocumentsSayWhereReadingStopped_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<int>("damageAt"); // 0xFFFF written there; -1: none
    QTest::addColumn<int>("keep");     // bytes kept; -1: all
    QTest::addColumn<QString>("expected");
    QTest::newRow("damaged inside")
        << "doctor_word-perfect.wpd" << 3884 << -1
        << "the document is damaged (reading stopped at byte 3885 of 17566).";
    QTest::newRow("truncated in its text")
        << "nuxeo_test.wpd" << -1 << 600
        << "the document is damaged or truncated: it ends (after 600 bytes) where more was "
           "expected.";
    QTest::newRow("truncated before its text")
        << "nuxeo_test.wpd" << -1 << 300
        << "the document is truncated: its text would begin at byte 2714, but the file has 300 "
           "bytes.";
    QTest::newRow("endless device")
        << "/dev/zero" << -1 << -1 << "it is not a regular file, and it gives more than 256 MiB.";
}

// A damaged document is refused as damaged (not as a file that could not be read), saying where
// reading stopped when that is known.
void HostileTest::damagedDocumentsSayWhereReadingStopped()
{
    QFETCH(QString, document);
    QFETCH(int, damageAt);
    QFETCH(int, keep);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString input = document;
    if (!document.startsWith(u'/')) {
        QByteArray bytes = contents(corpus(document));
        QVERIFY(!bytes.isEmpty());
        if (damageAt >= 0)
            bytes.replace(damageAt, 2, "\xFF\xFF");
        if (keep >= 0)
            bytes.truncate(keep);
        input = dir.filePath(QStringLiteral("damaged.wpd"));
        QVERIFY(put(input, bytes));
    }
    const Run run = publish(QStringLiteral("xml"), input, dir.filePath(QStringLiteral("out.xml")));
    QCOMPARE(run.exitCode, 4);
    QCOMPARE(run.error.trimmed(),
             QStringLiteral("quillon-engine: Cannot open \"%1\": %2").arg(input, expected));
}

QTEST_GUILESS_MAIN(HostileTest)
#include "tst_hostile.moc"
