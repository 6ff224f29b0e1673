// Quillon engine tests: the wire protocol through a real `quillon-engine --serve` process, and
// the command line.
#include "EngineWire.h"
#include "TestData.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString engineBinary()
{
    return QDir(qEnvironmentVariable("QUILLON_BIN_DIR")).filePath(QStringLiteral("quillon-engine"));
}

// A running engine and the frames it sent.
class EngineProcess {
public:
    explicit EngineProcess(const QStringList& arguments)
    {
        m_process.start(engineBinary(), arguments);
    }
    ~EngineProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    QProcess& process() { return m_process; }
    QByteArray& buffer() { return m_buffer; }

    std::optional<wire::Reply> nextReply(int timeoutMs = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            if (auto payload = wire::takeFrame(m_buffer)) {
                if (wire::isHeartbeat(*payload))
                    continue;
                return wire::decodeReply(*payload);
            }
            if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning)
                return std::nullopt;
            m_process.waitForReadyRead(100);
            m_buffer += m_process.readAllStandardOutput();
        }
    }

    wire::Reply call(const QString& operation, const QStringList& arguments = {})
    {
        m_process.write(wire::frame(wire::encodeRequest({operation, arguments})));
        return nextReply().value_or(wire::Reply::error(-1, QStringLiteral("no reply")));
    }

private:
    QProcess m_process;
    QByteArray m_buffer;
};

} // namespace

class ServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QFile::exists(engineBinary()))
            QFAIL("quillon-engine was not built (QUILLON_BIN_DIR)");
    }

    void helloCallsErrorsThenEof()
    {
        EngineProcess engine({QStringLiteral("--serve")});
        const auto hello = engine.nextReply();
        QVERIFY(hello);
        QCOMPARE(hello->kind, wire::Reply::Kind::Text);
        QCOMPARE(hello->text, QString::fromLatin1(wire::kEngineHello));

        QTemporaryDir dir;
        // A path with spaces, quotes and non-ASCII text survives the framing.
        const QString target = dir.filePath(QStringLiteral("out \"put\" \u00e9\u4e2d.html"));
        const QString document =
            testsupport::testDocument(QStringLiteral("doctor_word-perfect.wpd"));
        QCOMPARE(engine.call(QStringLiteral("FileOpen"), {document}).kind, wire::Reply::Kind::Null);
        wire::Reply r = engine.call(QStringLiteral("envDocBlank"));
        QCOMPARE(r.kind, wire::Reply::Kind::Boolean);
        QVERIFY(!r.boolean);
        QCOMPARE(engine.call(QStringLiteral("HTMLPublish"), {target}).kind,
                 wire::Reply::Kind::Text);
        QVERIFY(QFile::exists(target));
        QCOMPARE(engine.call(QStringLiteral("CloseNoSave")).kind, wire::Reply::Kind::Null);

        // An error travels as a reply with its number and text, and the engine goes on serving.
        r = engine.call(QStringLiteral("FileOpen"), {QStringLiteral("/no/such/file.wpd")});
        QCOMPARE(r.kind, wire::Reply::Kind::Error);
        QCOMPARE(r.number, 53);
        QVERIFY(r.text.contains(QLatin1String("/no/such/file.wpd")));
        QCOMPARE(engine.call(QStringLiteral("envMacroPlaying")).kind, wire::Reply::Kind::Boolean);

        // End of input ends the engine cleanly, having written nothing but frames.
        engine.process().closeWriteChannel();
        QVERIFY(engine.process().waitForFinished(10000));
        QCOMPARE(engine.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(engine.process().exitCode(), 0);
        engine.buffer() += engine.process().readAllStandardOutput();
        QVERIFY(engine.buffer().isEmpty());
    }

    void garbageRequestsDoNotKillTheServer()
    {
        EngineProcess engine({}); // serving is also the default
        QVERIFY(engine.nextReply());
        // A frame whose field lengths run past its end cannot be decoded: an error reply, and the
        // engine goes on.
        engine.process().write(wire::frame(QByteArray("\x00\x00\x00\x09"
                                                      "abc",
                                                      7)));
        auto r = engine.nextReply();
        QVERIFY(r);
        QCOMPARE(r->kind, wire::Reply::Kind::Error);
        QCOMPARE(engine.call(QStringLiteral("envMacroPlaying")).kind, wire::Reply::Kind::Boolean);

        // A frame announcing more than the limit is corrupt: the engine says so and stops.
        engine.process().write(QByteArray("\x7F\xFF\xFF\xFF", 4));
        r = engine.nextReply();
        QVERIFY(r);
        QCOMPARE(r->kind, wire::Reply::Kind::Error);
        QVERIFY(engine.process().waitForFinished(10000));
        QCOMPARE(engine.process().exitCode(), 2);
    }

    // While an operation takes long (here FileOpen of a pipe nobody writes to yet: the engine
    // waits, alive), a thread of the engine sends a heartbeat about every second, then the one
    // reply comes; a quick operation gets none.
    void heartbeatsWhileAnOperationTakesLong()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("slow.wpd"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        EngineProcess engine({});
        QVERIFY(engine.nextReply());
        engine.process().write(
            wire::frame(wire::encodeRequest({QStringLiteral("FileOpen"), {pipe}})));
        QElapsedTimer timer;
        timer.start();
        QList<qint64> beats;
        while (timer.elapsed() < 2700) {
            engine.process().waitForReadyRead(50);
            engine.buffer() += engine.process().readAllStandardOutput();
            while (const auto payload = wire::takeFrame(engine.buffer())) {
                QVERIFY2(wire::isHeartbeat(*payload), "only heartbeats before the document comes");
                beats << timer.elapsed();
            }
        }
        QVERIFY2(beats.size() >= 2, qPrintable(QString::number(beats.size())));
        for (int i = 0; i < beats.size(); ++i)
            QVERIFY2(beats.at(i) - (i ? beats.at(i - 1) : 0) < 1500,
                     qPrintable(QString::number(i)));

        QFile source(testsupport::testDocument(QStringLiteral("smi_regular.wpd")));
        QFile writer(pipe);
        QVERIFY(source.open(QIODevice::ReadOnly) && writer.open(QIODevice::WriteOnly));
        writer.write(source.readAll());
        writer.close();
        const auto reply = engine.nextReply();
        QVERIFY(reply);
        QCOMPARE(reply->kind, wire::Reply::Kind::Null);
        QCOMPARE(engine.call(QStringLiteral("envDocBlank")).kind, wire::Reply::Kind::Boolean);
        engine.buffer() += engine.process().readAllStandardOutput();
        QVERIFY(engine.buffer().isEmpty());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // "<out>" stands for a file in a new folder
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // what standard output starts with
        const QString document = testsupport::testDocument(QStringLiteral("nuxeo_test.wpd"));
        QTest::newRow("publish") << QStringList{"--publish", "xml",       document,
                                                "<out>",     "--quality", "50"}
                                 << 0 << QString();
        QTest::newRow("missing input")
            << QStringList{"--publish", "html", "/no/such.wpd", "<out>"} << 3 << QString();
        QTest::newRow("unknown format")
            << QStringList{"--publish", "pdf", document, "<out>"} << 64 << QString();
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << QStringLiteral("quillon-engine ");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("out.xml"));
        arguments.replaceInStrings(QStringLiteral("<out>"), out);
        QProcess p;
        p.start(engineBinary(), arguments);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(output));
        // Only a success writes the output.
        QCOMPARE(QFile::exists(out), exitCode == 0 && arguments.contains(out));
    }
};

QTEST_GUILESS_MAIN(ServerTest)
#include "tst_server.moc"
