// Quillon engine tests: the engine's command line under hostile conditions: links planted in the
// target folder, a target that is a pipe or a device, a full disk, documents cut short, an engine
// killed mid-publish, pictures that name files outside themselves.
#include "OutputFiles.h"
#include "TestData.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testsupport::readFile;

namespace {

const QString kPictured = QStringLiteral("opf_TOPOPREC.WPD"); // two WPG graphics

struct Run {
    int exitCode = -1; // -1: crashed, or still running after 30 s
    QString error;
    QByteArray output;
};

// `quillon-engine --publish FORMAT INPUT OUTPUT --quality 0`, with file writes limited to
// fileSizeLimit bytes (a disk that fills up) and the address space to memoryLimit bytes.
Run publish(const QString& format, const QString& input, const QString& output,
            rlim_t fileSizeLimit = RLIM_INFINITY, rlim_t memoryLimit = RLIM_INFINITY)
{
    QProcess p;
    p.setChildProcessModifier([fileSizeLimit, memoryLimit] {
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const rlimit memory{memoryLimit, memoryLimit};
        ::setrlimit(RLIMIT_AS, &memory);
    });
    p.start(
        QDir(qEnvironmentVariable("QUILLON_BIN_DIR")).filePath(QStringLiteral("quillon-engine")),
        {QStringLiteral("--publish"), format, input, output, QStringLiteral("--quality"),
         QStringLiteral("0")});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError()), p.readAllStandardOutput()};
}

// A copy of the pictured document whose first graphic is replaced by `picture` (padded with
// blanks to the graphic's length, which the document's structure fixes).
QByteArray withPicture(const QByteArray& picture)
{
    QByteArray doc = readFile(testsupport::testDocument(kPictured));
    const qsizetype start = doc.indexOf("\xFFWPC", 16);
    // The records of the WPG 2 graphic: class, type, extension and length (a byte, or 0xFF and
    // a word, or 0xFF and a word with its top bit set and another), up to the end record.
    const auto length = [&](qsizetype& at) {
        qint64 n = quint8(doc.at(at++));
        if (n == 0xFF) {
            n = qFromLittleEndian<quint16>(doc.constData() + at);
            at += 2;
            if (n & 0x8000) {
                n = (n & 0x7FFF) << 16 | qFromLittleEndian<quint16>(doc.constData() + at);
                at += 2;
            }
        }
        return n;
    };
    qsizetype at = start + qFromLittleEndian<quint32>(doc.constData() + start + 4);
    for (bool end = false; !end && at < doc.size();) {
        end = doc.at(at + 1) == 0x02;
        at += 2;
        length(at);
        const qint64 n = length(at);
        at += n;
    }
    if (start < 0 || at - start < picture.size())
        return {};
    doc.replace(start, picture.size(), picture);
    doc.replace(start + picture.size(), at - start - picture.size(),
                QByteArray(at - start - picture.size(), ' '));
    return doc;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray pngOf(QColor colour)
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(colour);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return buffer.data();
}

// Reads a pipe's bytes on a thread of its own. The test holds a writing end too, so the reader
// sees the end of the bytes only when the test lets go of it, whether the engine wrote or not.
class PipeReader {
public:
    explicit PipeReader(const QString& path)
    {
        m_read = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
        m_write = ::open(QFile::encodeName(path).constData(), O_WRONLY);
        ::fcntl(m_read, F_SETFL, 0);
        m_thread = std::thread([this] {
            char chunk[65536];
            for (ssize_t n; (n = ::read(m_read, chunk, sizeof chunk)) > 0;)
                m_bytes.append(chunk, n);
        });
    }
    // What came.
    QByteArray finish()
    {
        ::close(m_write);
        m_thread.join();
        ::close(m_read);
        return m_bytes;
    }

private:
    int m_read = -1;
    int m_write = -1;
    QByteArray m_bytes;
    std::thread m_thread;
};

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

    void cutDocumentsSayWhatIsMissing_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<int>("keep"); // bytes
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("text"); // in the output, written in part (exit code 8)
        const QString wp6 = QStringLiteral("doctor_word-perfect.wpd"); // text from 3862 of 17566
        const QString wp5 = QStringLiteral("opf_testWordPerfect_51_52.doc"); // text from 4013
        const QString wp42 = QStringLiteral("tika_testWordPerfect_42.doc");
        const QString ole = QStringLiteral("smi_compound.wpd"); // 6144, its table at 4096
        const QString runs = QStringLiteral("the file ends at byte %1, but its contents run to "
                                            "byte %2");
        const QString before = QStringLiteral("the file ends at byte %1, before its text, which "
                                              "would begin at byte %2");
        // 6 and later: the header's size of the file and its pointer to the text.
        QTest::newRow("6: text cut")
            << wp6 << 10000 << 8 << runs.arg(10000).arg(17566) << "SUPREME COURT OF INDIANA";
        QTest::newRow("6: last byte cut")
            << wp6 << 17565 << 8 << runs.arg(17565).arg(17566) << "SUPREME COURT OF INDIANA";
        QTest::newRow("6: prefix cut") << wp6 << 3000 << 4 << before.arg(3000).arg(3862) << "";
        // 5.x: the pointer to the text and the lengths of its codes.
        QTest::newRow("5.x: cut inside a code")
            << wp5 << 4330 << 8 << runs.arg(4330).arg(4362) << "Sluwe Sjaantje";
        QTest::newRow("5.x: prefix cut") << wp5 << 600 << 4 << before.arg(600).arg(4013) << "";
        // 4.2: its codes only; what comes before the one that was cut is read.
        QTest::newRow("4.2: cut inside a code")
            << wp42 << 580 << 8 << runs.arg(580).arg(581) << "Sluwe Sjaantje";
        QTest::newRow("4.2: nothing before the cut code")
            << wp42 << 72 << 4 << runs.arg(72).arg(146) << "";
        // OLE2: the sectors its allocation table uses, then the WordPerfect stream inside.
        QTest::newRow("OLE2: last sector cut")
            << ole << 5529 << 8 << runs.arg(5529).arg(6144) << "";
        QTest::newRow("OLE2: cut before its allocation table")
            << ole << 3000 << 4 << "OLE2 compound file cut short (" + runs.arg(3000).arg(4608)
            << "";
    }

    // A file that ends before its own structure says is damaged: what could be read is written
    // and the engine says what is missing (exit code 8); when nothing could be read it is refused
    // (exit code 4) and nothing is written.
    void cutDocumentsSayWhatIsMissing()
    {
        QFETCH(QString, document);
        QFETCH(int, keep);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("cut.wpd"));
        QFile cut(input);
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(readFile(testsupport::testDocument(document)).left(keep));
        cut.close();
        const QString target = dir.filePath(QStringLiteral("cut.html"));
        const Run run = publish(QStringLiteral("html"), input, target);
        QVERIFY2(run.exitCode == exitCode && run.error.contains(says) && run.error.contains(input),
                 qPrintable(QString::number(run.exitCode) + ": " + run.error));
        QCOMPARE(QFile::exists(target), exitCode == 8);
        if (exitCode == 8) {
            QVERIFY2(run.error.contains("What could be read was written to \"" + target + "\"."),
                     qPrintable(run.error));
            QVERIFY(readFile(target).startsWith("<!DOCTYPE html>"));
            QVERIFY(QString::fromUtf8(readFile(target)).contains(text));
        }
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

    // A target that is a pipe, a device or one of the engine's own descriptors is written into as
    // a stream and stays what it was; one that cannot be (a socket, a pipe for a document with
    // pictures) is refused, and nothing is made beside it.
    void targetsThatAreNotFiles_data()
    {
        QTest::addColumn<QString>("document");
        QTest::addColumn<QString>("made"); // fifo, link-to-fifo, socket, or a path as it is
        QTest::addColumn<QString>("error");
        QTest::newRow("pipe") << "smi_regular.wpd"
                              << "fifo" << QString();
        QTest::newRow("link to a pipe, as /dev/stdout is") << "smi_regular.wpd"
                                                           << "link-to-fifo" << QString();
        QTest::newRow("standard output") << "smi_regular.wpd"
                                         << "/dev/fd/1" << QString();
        QTest::newRow("pipe for a document with pictures") << kPictured << "fifo"
                                                           << "has no folder beside it to go into";
        QTest::newRow("socket") << "smi_regular.wpd"
                                << "socket"
                                << "it is a socket";
    }

    void targetsThatAreNotFiles()
    {
        QFETCH(QString, document);
        QFETCH(QString, made);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe"));
        QString target = made.startsWith(u'/') ? made : dir.filePath(QStringLiteral("out.xml"));
        if (made.contains(QLatin1String("fifo")))
            QCOMPARE(::mkfifo(QFile::encodeName(made == "fifo" ? target : fifo).constData(), 0600),
                     0);
        if (made == "link-to-fifo")
            QVERIFY(QFile::link(fifo, target));
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (made == "socket") {
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(target).constData(),
                     sizeof address.sun_path);
            QCOMPARE(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        }
        const QStringList before = tree(dir.path());
        std::optional<PipeReader> reader;
        if (made.contains(QLatin1String("fifo")))
            reader.emplace(made == "fifo" ? target : fifo);
        const Run run = publish(QStringLiteral("xml"), testsupport::testDocument(document), target);
        const QByteArray streamed = reader ? reader->finish() : run.output;
        ::close(socket);
        QVERIFY2(run.exitCode == (error.isEmpty() ? 0 : 6), qPrintable(run.error));
        QVERIFY2(run.error.contains(error), qPrintable(run.error));
        QCOMPARE(tree(dir.path()), before);
        if (error.isEmpty())
            QVERIFY2(streamed.contains("<article"), streamed.left(200).constData());
        else
            QCOMPARE(streamed, QByteArray());
        struct stat st {};
        if (made == "fifo" || made == "link-to-fifo")
            QVERIFY(::stat(QFile::encodeName(target).constData(), &st) == 0 &&
                    S_ISFIFO(st.st_mode));
    }

    // A picture is drawn from its own bytes: what an SVG picture names outside itself (a file, a
    // pipe, a style sheet) is never read, and a pipe it names does not stop the engine. An SVG
    // picture with text is drawn too.
    void picturesReadNothingOutsideThem_data()
    {
        QTest::addColumn<QString>("svg"); // SECRET: a picture file, FIFO: a pipe nobody writes
        const QString head = QStringLiteral(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
            "width=\"40\" height=\"40\"><rect width=\"10\" height=\"10\" fill=\"blue\"/>");
        const QString image =
            QStringLiteral("<image width=\"40\" height=\"40\" xlink:href=\"%1\"/></svg>");
        QTest::newRow("image naming a file") << head + image.arg(QLatin1String("SECRET"));
        QTest::newRow("text") << head + "<text x=\"1\" y=\"30\">SVG</text></svg>";
        QTest::newRow("image naming a pipe") << head + image.arg(QLatin1String("FIFO"));
        QTest::newRow("style sheet naming a pipe")
            << "<?xml-stylesheet type=\"text/css\" href=\"FIFO\"?>" + head + "</svg>";
    }

    void picturesReadNothingOutsideThem()
    {
        QFETCH(QString, svg);
        QTemporaryDir dir;
        const QRgb secret = qRgb(1, 254, 3);
        const QString secretPath = dir.filePath(QStringLiteral("secret.png"));
        writeFile(secretPath, pngOf(QColor(secret)));
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        svg.replace(QLatin1String("SECRET"), secretPath).replace(QLatin1String("FIFO"), fifo);
        const QByteArray document = withPicture(svg.toUtf8());
        QVERIFY(!document.isEmpty());
        writeFile(dir.filePath(QStringLiteral("doc.wpd")), document);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));

        const Run run = publish(QStringLiteral("html"), dir.filePath(QStringLiteral("doc.wpd")),
                                dir.filePath(QStringLiteral("out/doc.html")));
        QVERIFY2(run.exitCode == 0, qPrintable(run.error));
        const QDir pictures(dir.filePath(QStringLiteral("out/doc_files")));
        QCOMPARE(pictures.entryList(QDir::Files).size(), 2);
        for (const QString& name : pictures.entryList(QDir::Files)) {
            const QImage picture(pictures.filePath(name));
            QVERIFY(!picture.isNull());
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    QVERIFY2(picture.pixel(x, y) != secret, qPrintable(name));
        }
    }

    // Two publishes into one folder (two converters on one TARGET): a picture folder the other
    // made meanwhile receives this one's pictures, and neither fails.
    void pictureFolderMadeMeanwhile()
    {
        QTemporaryDir dir;
        const QDir root(dir.path());
        engine::OutputFiles files(root.filePath(QStringLiteral("doc.html")));
        files.writeCompanion(QStringLiteral("picture1.png"), "mine");
        make(root, {"doc_files/picture2.png=theirs"});
        files.writeTarget("<!DOCTYPE html>");
        files.commit();
        QCOMPARE(tree(dir.path()), (QStringList{"doc.html", "doc_files/", "doc_files/picture1.png",
                                                "doc_files/picture2.png"}));
        QCOMPARE(readFile(root.filePath("doc_files/picture1.png")), QByteArray("mine"));
    }

    // Memory: a valid document that needs more than the engine may have is said to need it, not
    // to be damaged; an endless device is read no further than the input's limit.
    void inputsBeyondTheMemory_data()
    {
        QTest::addColumn<QString>("input"); // empty: a large valid document made here
        QTest::addColumn<int>("megabytes");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("large document")
            << QString() << 256 << 7 << "not enough memory (limit 256 MB).";
        QTest::newRow("endless device") << "/dev/zero" << 512 << 4 << "gives more than 256 MiB";
    }

    void inputsBeyondTheMemory()
    {
        QFETCH(QString, input);
        QFETCH(int, megabytes);
        QFETCH(int, exitCode);
        QFETCH(QString, error);
        QTemporaryDir dir;
        if (input.isEmpty()) {
            // A WordPerfect 5 document whose text is 50 MB of plain sentences.
            const QByteArray doc =
                readFile(testsupport::testDocument("tika_testWordPerfect_5_0.wp"));
            const quint32 text = qFromLittleEndian<quint32>(doc.constData() + 4);
            const QByteArray line =
                QByteArray("The quick brown fox jumps over the lazy dog. ").repeated(20) + '\n';
            input = dir.filePath(QStringLiteral("large.wp"));
            writeFile(input, doc.left(text) + line.repeated(55000) + doc.mid(text));
        }
        const Run run =
            publish(QStringLiteral("xml"), input, dir.filePath(QStringLiteral("out.xml")),
                    RLIM_INFINITY, rlim_t(megabytes) << 20);
        QVERIFY2(run.exitCode == exitCode, qPrintable(run.error));
        QVERIFY2(run.error.contains(error), qPrintable(run.error));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.xml"))));
    }

private:
    QStringList unfinished() const { return tree(m_state.filePath("quillon-engine/unfinished")); }
    QTemporaryDir m_state;
};

QTEST_GUILESS_MAIN(HostileTest)
#include "tst_hostile.moc"
