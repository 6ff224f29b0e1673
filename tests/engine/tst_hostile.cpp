// Quillon engine tests: the engine's command line under hostile conditions: links planted in the
// target folder, a full disk, an engine killed mid-publish.
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

using testsupport::readFile;

namespace {

const QString kPictured = QStringLiteral("opf_TOPOPREC.WPD"); // two WPG graphics

struct Run {
    int exitCode = -1;
    QString error;
};

// `quillon-engine --publish FORMAT INPUT OUTPUT --quality 0`, with file writes limited to
// fileSizeLimit bytes (a disk that fills up).
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

// Makes in root what each entry says: "a/b=text" a file, "a/" a folder, "a->b" a link to b.
void make(const QDir& root, const QStringList& entries)
{
    for (const QString& entry : entries) {
        const qsizetype link = entry.indexOf(QLatin1String("->"));
        const qsizetype text = entry.indexOf(u'=');
        const QString path = root.filePath(entry.left(link >= 0 ? link : text));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (link >= 0)
            QFile::link(root.filePath(entry.mid(link + 2)), path);
        else if (text >= 0 && file.open(QIODevice::WriteOnly))
            file.write(entry.mid(text + 1).toUtf8());
        else
            QDir().mkpath(path);
    }
}

// Every name in the folder and below it, sorted, folders with a final "/"; links not followed.
QStringList tree(const QString& folder)
{
    QStringList names;
    for (const QFileInfo& info : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        const bool inside = info.isDir() && !info.isSymLink();
        names << info.fileName() + (inside ? QStringLiteral("/") : QString());
        for (const QString& inner : inside ? tree(info.filePath()) : QStringList())
            names << info.fileName() + QLatin1Char('/') + inner;
    }
    return names;
}

} // namespace

class HostileTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFile::exists(testsupport::testDocument(kPictured)));
        // Notes of unfinished publishes go to a folder of this test's own.
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    }

    void hostileTargets_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QStringList>("setup"); // made first (see make()); the target is out/doc.*
        QTest::addColumn<qint64>("fileSizeLimit");
        QTest::addColumn<QString>("error"); // empty: the publish succeeds
        QTest::addColumn<QStringList>("after");
        const QStringList victim{"elsewhere/", "elsewhere/victim"};
        const QStringList victims{"elsewhere/", "elsewhere/victim/",
                                  "elsewhere/victim/picture1.png"};
        const QStringList published{"out/", "out/doc.html", "out/doc_files/",
                                    "out/doc_files/picture1.png", "out/doc_files/picture2.png"};
        // A publish replaces the names it writes; what a link there points to stays as it was.
        QTest::newRow("link at the target to a file")
            << "html" << QStringList{"elsewhere/victim=old", "out/doc.html->elsewhere/victim"}
            << qint64(0) << QString() << victim + published;
        QTest::newRow("link at the target to a folder")
            << "html"
            << QStringList{"elsewhere/victim/picture1.png=old", "out/doc.html->elsewhere/victim"}
            << qint64(0) << QString() << victims + published;
        QTest::newRow("link at a picture")
            << "html"
            << QStringList{"elsewhere/victim=old", "out/doc_files/picture1.png->elsewhere/victim"}
            << qint64(0) << QString() << victim + published;
        // A picture folder that is a link is refused, and nothing is written.
        QTest::newRow("link at the picture folder")
            << "html"
            << QStringList{"elsewhere/victim/picture1.png=old", "out/doc_files->elsewhere/victim"}
            << qint64(0) << "doc_files\" is a symbolic link"
            << victims + QStringList{"out/", "out/doc_files"};
        // A write that fails fails the publish with the system's reason and removes what it wrote.
        // The page is some 25 KB; its pictures 4 and 10 KB as JPEG at quality 0, 57 and 42 KB as
        // PNG.
        QTest::newRow("picture does not fit")
            << "html" << QStringList{"out/"} << qint64(50000)
            << "doc_files/picture1.png\" could not be written (File too large)"
            << QStringList{"out/"};
        QTest::newRow("page does not fit after its pictures")
            << "xml" << QStringList{"out/doc.xml=old"} << qint64(12000) << "\": File too large."
            << QStringList{"out/", "out/doc.xml"};
        QTest::newRow("picture does not fit into an existing folder")
            << "xml" << QStringList{"out/doc_files/picture1.jpg=old"} << qint64(2000)
            << "File too large"
            << QStringList{"out/", "out/doc_files/", "out/doc_files/picture1.jpg"};
        QTest::newRow("file where the picture folder goes")
            << "xml" << QStringList{"out/doc_files=old"} << qint64(0)
            << "where its pictures go, is not a folder" << QStringList{"out/", "out/doc_files"};
        QTest::newRow("file where the target's folder goes")
            << "xml" << QStringList{"out=old"} << qint64(0) << "a part of its path, \""
            << QStringList{"out"};
        QTest::newRow("no target folder")
            << "xml" << QStringList{} << qint64(0) << "its folder does not exist" << QStringList{};
        QTest::newRow("folder at the target")
            << "xml" << QStringList{"out/doc.xml/"} << qint64(0) << "it is a folder"
            << QStringList{"out/", "out/doc.xml/"};
    }

    void hostileTargets()
    {
        QFETCH(QString, format);
        QFETCH(QStringList, setup);
        QFETCH(qint64, fileSizeLimit);
        QFETCH(QString, error);
        QFETCH(QStringList, after);
        QTemporaryDir dir;
        const QDir root(dir.path());
        make(root, setup);
        const QString target = root.filePath(QStringLiteral("out/doc.") + format);
        const Run run = publish(format, testsupport::testDocument(kPictured), target,
                                fileSizeLimit > 0 ? rlim_t(fileSizeLimit) : RLIM_INFINITY);
        QVERIFY2(run.exitCode == (error.isEmpty() ? 0 : 6), qPrintable(run.error));
        QVERIFY2(error.isEmpty() || (run.error.contains(error) && run.error.contains(target)),
                 qPrintable(run.error));
        QCOMPARE(tree(dir.path()), after);
        for (const QString& entry : setup) {
            if (entry.contains(u'='))
                QCOMPARE(readFile(root.filePath(entry.section(u'=', 0, 0))), QByteArray("old"));
        }
        if (error.isEmpty()) {
            QVERIFY(readFile(target).startsWith("<!DOCTYPE html>"));
            QVERIFY(readFile(root.filePath("out/doc_files/picture1.png")).startsWith("\x89PNG"));
        }
        QCOMPARE(unfinished(), QStringList());
    }

    // A publish killed before it finishes leaves its files under marked temporary names and a note;
    // the next engine to start removes them, and nothing else.
    void publishKilledMidwayIsCleanedUpAtTheNextStart()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        make(root, {"kept_files/picture1.png=old", "other.quillon-1-zz.tmp=old"});
        const QStringList before = tree(dir.path());
        // Two publishes in a child process that dies without cleaning up: one into a picture folder
        // it makes, one into an existing one.
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                engine::OutputFiles made(root.filePath(QStringLiteral("made.html")));
                made.writeCompanion(QStringLiteral("picture1.png"), "new");
                made.writeTarget("<!DOCTYPE html>");
                engine::OutputFiles kept(root.filePath(QStringLiteral("kept.html")));
                kept.writeCompanion(QStringLiteral("picture1.png"), "new");
                ::raise(SIGKILL);
            } catch (...) {
            }
            ::_exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(tree(dir.path()).size(),
                 before.size() + 4); // made's page, folder and picture; kept's
        QCOMPARE(unfinished().size(), 2);

        QTemporaryDir elsewhere; // any start of the engine cleans up
        QCOMPARE(publish(QStringLiteral("xml"), testsupport::testDocument("smi_regular.wpd"),
                         elsewhere.filePath(QStringLiteral("x.xml")))
                     .exitCode,
                 0);
        QCOMPARE(tree(dir.path()), before);
        QCOMPARE(readFile(root.filePath("kept_files/picture1.png")), QByteArray("old"));
        QCOMPARE(unfinished(), QStringList());
    }

private:
    QStringList unfinished() const { return tree(m_state.filePath("quillon-engine/unfinished")); }
    QTemporaryDir m_state;
};

QTEST_GUILESS_MAIN(HostileTest)
#include "tst_hostile.moc"
