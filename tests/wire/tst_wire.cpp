// Quillon tests: the framing between the application and its document engine, the publish's
// answer and temporary names both sides read, and the text an output records of its source's
// path and time.
#include "EngineContract.h"
#include "EngineWire.h"
#include "Provenance.h"

#include <QTest>
#include <QtEndian>

using namespace wire;

Q_DECLARE_METATYPE(wire::Request)

class TestWire : public QObject {
    Q_OBJECT

private slots:
    void requestRoundTrip_data()
    {
        QTest::addColumn<Request>("request");
        const QString nul(QChar(0));
        QTest::newRow("no arguments") << Request{QStringLiteral("FileClose"), {}};
        QTest::newRow("empty arguments")
            << Request{QStringLiteral("FileOpen"), {QString(), QString(), QStringLiteral("x")}};
        QTest::newRow("awkward path")
            << Request{QStringLiteral("FileOpen"),
                       {QStringLiteral(" /tmp/a \"quoted\", b\\c\n\r\td.wpd "),
                        QStringLiteral("Ünïcödé ✓ 𝄞 日本語"),
                        QStringLiteral("a") + nul + QStringLiteral("b")}};
        QTest::newRow("1 MB argument")
            << Request{QStringLiteral("Op"), {QString(1 << 20, QLatin1Char('x'))}};
    }

    void requestRoundTrip()
    {
        QFETCH(Request, request);
        QByteArray buffer = frame(encodeRequest(request));
        const std::optional<QByteArray> payload = takeFrame(buffer);
        QVERIFY(payload);
        QVERIFY(buffer.isEmpty());
        const std::optional<Request> decoded = decodeRequest(*payload);
        QVERIFY(decoded);
        QCOMPARE(decoded->operation, request.operation);
        QCOMPARE(decoded->arguments, request.arguments);
    }

    void replyRoundTrip()
    {
        const QList<Reply> replies = {
            Reply::null(),
            Reply::fromBool(true),
            Reply::fromBool(false),
            Reply::fromText(QString()),
            Reply::fromText(QStringLiteral("line1\nline2 \"ü\" ") + QChar(0)),
            Reply::error(-2147221005, QStringLiteral("Invalid class string")),
            Reply::error(440, QString()),
            Reply::damaged(QStringLiteral("pictures=1 failed=0 bytes=9"), QStringLiteral("cut ü")),
        };
        for (const Reply& reply : replies) {
            const std::optional<Reply> decoded = decodeReply(encodeReply(reply));
            QVERIFY(decoded);
            QCOMPARE(decoded->kind, reply.kind);
            QCOMPARE(decoded->boolean, reply.boolean);
            QCOMPARE(decoded->text, reply.text);
            QCOMPARE(decoded->number, reply.number);
            QCOMPARE(decoded->damage, reply.damage);
        }
    }

    // Bytes trickle in one at a time: no frame before the last byte of the first, and two frames
    // sent back to back come out separately and in order.
    void framesArriveInPieces()
    {
        const QByteArray first = encodeReply(Reply::fromText(QStringLiteral("one")));
        const QByteArray second = encodeReply(Reply::fromBool(true));
        const QByteArray stream = frame(first) + frame(second);

        QByteArray buffer;
        QList<QByteArray> payloads;
        for (char byte : stream) {
            buffer.append(byte);
            bool corrupt = true;
            if (std::optional<QByteArray> payload = takeFrame(buffer, &corrupt))
                payloads.append(*payload);
            QVERIFY(!corrupt);
            if (payloads.isEmpty())
                QVERIFY(buffer.size() < frame(first).size());
        }
        QCOMPARE(payloads, (QList<QByteArray>{first, second}));
        QVERIFY(buffer.isEmpty());

        QByteArray empty = frame(QByteArray());
        QCOMPARE(takeFrame(empty).value_or(QByteArray("x")), QByteArray());
    }

    void oversizeFrameIsCorrupt()
    {
        for (const quint32 length : {kMaxFrame + 1, 0xFFFFFFFFu}) {
            QByteArray buffer(4, '\0');
            qToBigEndian(length, buffer.data());
            bool corrupt = false;
            QVERIFY(!takeFrame(buffer, &corrupt));
            QVERIFY(corrupt);
        }
        // Exactly the limit is allowed: announced, it only waits for more bytes.
        QByteArray buffer(4, '\0');
        qToBigEndian(kMaxFrame, buffer.data());
        bool corrupt = true;
        QVERIFY(!takeFrame(buffer, &corrupt));
        QVERIFY(!corrupt);
    }

    void malformedPayloads_data()
    {
        QTest::addColumn<bool>("request"); // else a reply
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("empty request") << true << QByteArray();
        QTest::newRow("short length") << true << QByteArray("\0\0\0", 3);
        QTest::newRow("length past end") << true << QByteArray("\0\0\0\5abc", 7);
        QTest::newRow("second field truncated") << true << QByteArray("\0\0\0\1a\0\0\0\4ab", 11);
        QTest::newRow("empty reply") << false << QByteArray();
        QTest::newRow("unknown tag") << false << QByteArray("X");
        QTest::newRow("null with extra") << false << QByteArray("Nx");
        QTest::newRow("bool without value") << false << QByteArray("B");
        QTest::newRow("error without number") << false << QByteArray("E\0\0", 3);
        QTest::newRow("damaged text past end") << false << QByteArray("D\0\0\0\5abc", 8);
    }

    void malformedPayloads()
    {
        QFETCH(bool, request);
        QFETCH(QByteArray, payload);
        QVERIFY(request ? !decodeRequest(payload) : !decodeReply(payload));
    }

    // What one process writes the other reads back, names with spaces and lines it does not
    // know included; an answer without its byte count says so.
    void publishAnswerRoundTrip()
    {
        PublishAnswer sent;
        sent.pictures = 2;
        sent.picturesFailed = 1;
        sent.bytes = 5000000000;
        sent.sourceSha256 = QStringLiteral("ab12");
        sent.files = {{QStringLiteral("a b.xml"), 10, QStringLiteral("cd")},
                      {QStringLiteral("a b_files/picture 1.jpg"), 7, QStringLiteral("ef")}};
        const PublishAnswer got =
            PublishAnswer::parse(sent.encode() + QStringLiteral("\nfile 3 short\nlater news here"));
        QCOMPARE(got.pictures, 2);
        QCOMPARE(got.picturesFailed, 1);
        QCOMPARE(got.bytes, std::optional<qint64>(5000000000));
        QCOMPARE(got.sourceSha256, sent.sourceSha256);
        QCOMPARE(got.files.size(), size_t(2));
        QCOMPARE(got.files.at(1).name, sent.files.at(1).name);
        QCOMPARE(got.files.at(1).bytes, qint64(7));
        QCOMPARE(got.files.at(1).sha256, QStringLiteral("ef"));

        const PublishAnswer older = PublishAnswer::parse(QStringLiteral("pictures=3 failed=0"));
        QCOMPARE(older.pictures, 3);
        QVERIFY(!older.bytes);
        QVERIFY(older.sourceSha256.isEmpty());
    }

    // A publish's temporary names are found by the process that sweeps after an engine was
    // ended, shortened ones too, and the mark gives back the process that made it.
    void temporaryNamesAreRecognised()
    {
        const QByteArray mark = temporary::mark(4242, 123456789);
        QCOMPARE(temporary::pidOf(mark), std::optional<qint64>(4242));
        QVERIFY(!temporary::pidOf("other-4242-x"));
        for (const QByteArray& name : {QByteArray("a.b.xml"), QByteArray(300, 'x')}) {
            const QByteArray marked = temporary::name(name, mark);
            QVERIFY(marked.size() <= 255);
            QVERIFY(marked.endsWith(temporary::suffix(mark)));
            QVERIFY(temporary::isMarked(marked, name));
            QVERIFY(temporary::isMarked(marked, QByteArray()));
            QVERIFY(!temporary::isMarked(marked, "y" + name));
        }
        QVERIFY(!temporary::isMarked("a.b.xml", "a.b.xml"));
        QVERIFY(!temporary::isMarked("a.b.xml.quillon-1-x", "a.b.xml"));
    }

    // Every path has one text and the text gives the path back: only '%', controls,
    // noncharacters and what is not UTF-8 are escaped, byte by byte.
    void pathTextIsOneToOne_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("sub/a b.wpd") << QStringLiteral("sub/a b.wpd");
        QTest::newRow("accents, emoji") << QByteArray("\xc3\xa9t\xc3\xa9\xf0\x9f\x98\x80")
                                        << QString::fromUtf8("\xc3\xa9t\xc3\xa9\xf0\x9f\x98\x80");
        QTest::newRow("percent") << QByteArray("100%.wpd") << QStringLiteral("100%25.wpd");
        QTest::newRow("controls") << QByteArray("a\nb\tc\x7f\xc2\x85")
                                  << QStringLiteral("a%0Ab%09c%7F%C2%85");
        QTest::newRow("noncharacter") << QByteArray("\xef\xbf\xbe") << QStringLiteral("%EF%BF%BE");
        QTest::newRow("not UTF-8") << QByteArray("x\xff\xc0\xaf\xed\xa0\x80\xe2\x82")
                                   << QStringLiteral("x%FF%C0%AF%ED%A0%80%E2%82");
    }

    void pathTextIsOneToOne()
    {
        QFETCH(QByteArray, path);
        QFETCH(QString, text);
        QCOMPARE(Provenance::pathText(path), text);
        QCOMPARE(QByteArray::fromPercentEncoding(text.toUtf8()), path);
        QCOMPARE(Provenance::modifiedText({951782400, 5}),
                 QStringLiteral("2000-02-29T00:00:00.000000005Z"));
    }
};

QTEST_APPLESS_MAIN(TestWire)
#include "tst_wire.moc"
