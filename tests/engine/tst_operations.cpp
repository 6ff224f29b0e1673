// Quillon engine tests: the automation operations, run in process.
#include "Engine.h"
#include "TestData.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace engine;
using wire::Reply;

using testsupport::testDocument;

namespace {

// A copy of a test document with its bytes changed by `change`.
QString variant(const QTemporaryDir& dir, const QString& document, const QString& name,
                const std::function<void(QByteArray&)>& change)
{
    QFile in(testDocument(document));
    QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    change(bytes);
    QFile out(dir.filePath(name));
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
    return out.fileName();
}

} // namespace

class OperationsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Unknown operations, missing arguments and operations without an open document.
    void callErrors_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        const QStringList target{QStringLiteral("/tmp/never-written.xml")};
        const QString noDocument = QStringLiteral("no document is open");
        QTest::newRow("unknown")
            << "FileSaveAs" << QStringList{"x"} << 438
            << "Object doesn't support this property or method: \"FileSaveAs\"";
        for (const char* op : {"FileOpen", "XMLPublish", "MacroFilePlay"})
            QTest::newRow(op) << op << QStringList{} << 449 << "Argument not optional";
        for (const char* op : {"CloseNoSave", "envDocBlank", "PosDocVeryTop", "MasterDocExpand"})
            QTest::newRow(op) << op << QStringList{} << 440 << noDocument;
        QTest::newRow("XMLPublish without document") << "XMLPublish" << target << 440 << noDocument;
        QTest::newRow("HTMLPublish without document")
            << "htmlpublish" << target << 440 << noDocument;
    }

    void callErrors()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, arguments);
        QFETCH(int, number);
        QFETCH(QString, text);
        Engine engine;
        const Reply r = engine.call(operation, arguments);
        QCOMPARE(r.kind, Reply::Kind::Error);
        QCOMPARE(r.number, number);
        QVERIFY2(r.text.contains(text), qPrintable(r.text));
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/never-written.xml")));
    }

    void openFailuresSayWhy_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("document"); // what FileIsDocument says

        // The kinds no test document gives are made from one.
        const QString doc = QStringLiteral("aperture_corel-wordperfect-5.1.wp");
        const auto make = [&](const char* name, const std::function<void(QByteArray&)>& change) {
            return variant(m_dir, doc, QLatin1String(name), change);
        };
        const QString empty = make("empty.wpd", [](QByteArray& b) { b.clear(); });
        const QString text =
            make("letter.wpd", [](QByteArray& b) { b = "Dear Sir,\nplain text.\n"; });
        const QString ole = make("ole.wpd", [](QByteArray& b) {
            b = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(504, '\0');
        });
        // A WordPerfect 5 document with an encryption key in its header.
        const QString locked = make("locked.wpd", [](QByteArray& b) { b[12] = 0x12; });
        const QString damaged =
            variant(m_dir, QStringLiteral("doctor_word-perfect.wpd"), QStringLiteral("damaged.wpd"),
                    [](QByteArray& b) { b.replace(3884, 2, "\xFF\xFF"); });

        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("gone.wpd")) << 53
                                 << "File not found" << true;
        QTest::newRow("folder") << m_dir.path() << 440 << "it is a folder" << true;
        QTest::newRow("empty") << empty << 440 << "the file is empty" << false;
        QTest::newRow("text") << text << 440 << "it is not a WordPerfect document" << false;
        QTest::newRow("OLE2 without a document")
            << ole << 440 << "OLE2 compound file that holds no" << false;
        QTest::newRow("password") << locked << 440 << "password-protected" << true;
        // Damaged, saying where reading stopped when that is known.
        QTest::newRow("damaged inside")
            << damaged << 440 << "the document is damaged (reading stopped at byte 3885 of 17566)."
            << true;
        QTest::newRow("stub") << testDocument("ff_stub_sample1.wpd") << 440 << "truncated" << true;
        QTest::newRow("graphics") << testDocument("ff_stub_sample1.wpg") << 440
                                  << "WordPerfect Graphics" << false;
        QTest::newRow("presentation") << testDocument("aperture_corel-presentations-3.0.shw") << 440
                                      << "Corel Presentations" << false;
    }

    void openFailuresSayWhy()
    {
        QFETCH(QString, path);
        QFETCH(int, number);
        QFETCH(QString, reason);
        QFETCH(bool, document);
        Engine engine;
        const Reply is = engine.call("FileIsDocument", {path});
        QCOMPARE(is.kind, Reply::Kind::Boolean);
        QCOMPARE(is.boolean, document);
        const Reply r = engine.call("FileOpen", {path});
        QCOMPARE(r.kind, Reply::Kind::Error);
        QCOMPARE(r.number, number);
        QVERIFY2(r.text.contains(reason), qPrintable(r.text));
        QVERIFY2(r.text.contains(path), qPrintable(r.text));
        QCOMPARE(engine.openDocumentCount(), 0);
    }

    void documentsFormAStack()
    {
        Engine engine;
        const QString first = testDocument("aperture_corel-wordperfect-x3.wpd");
        const QString second = testDocument("doctor_word-perfect.wpd");
        // Names match whatever their case.
        QCOMPARE(engine.call("fileopen", {first}).kind, Reply::Kind::Null);
        QCOMPARE(engine.call("FileOpen", {second}).kind, Reply::Kind::Null);
        // A failed open leaves the current document current.
        QCOMPARE(engine.call("FileOpen", {QStringLiteral("/nonexistent.wpd")}).number, 53);
        QCOMPARE(engine.openDocumentCount(), 2);

        const QString target = m_dir.filePath(QStringLiteral("stack.html"));
        QCOMPARE(engine.call("FileIsDocument", {second}).boolean, true);
        // The answer counts what was written, with the document's SHA-256 and each file's.
        const Reply published = engine.call("HTMLPublish", {target});
        QFile page(target);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray html = page.readAll();
        QVERIFY(html.contains("<title>doctor_word-perfect</title>"));
        page.close();
        auto sha256 = [](const QByteArray& bytes) {
            return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        };
        QFile document(second);
        QVERIFY(document.open(QIODevice::ReadOnly));
        QCOMPARE(published.text, QStringLiteral("pictures=0 failed=0 bytes=%1 source-sha256=%2\n"
                                                "file %1 %3 stack.html")
                                     .arg(html.size())
                                     .arg(sha256(document.readAll()), sha256(html)));

        QCOMPARE(engine.call("CloseNoSave", {}).kind, Reply::Kind::Null);
        QCOMPARE(engine.call("XMLPublish", {target}).kind, Reply::Kind::Text);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray xml = page.readAll();
        QVERIFY(xml.contains("<article"));
        QVERIFY(xml.contains("example document"));
        page.close();

        QCOMPARE(engine.call("CloseNoSave", {}).kind, Reply::Kind::Null);
        const Reply r = engine.call("CloseNoSave", {});
        QCOMPARE(r.number, 440);
        QCOMPARE(engine.openDocumentCount(), 0);

        // Documents the application never closes do not pile up without end.
        for (int i = 0; i < Engine::kMaxOpenDocuments + 5; ++i)
            QCOMPARE(engine.call("FileOpen", {first}).kind, Reply::Kind::Null);
        QCOMPARE(engine.openDocumentCount(), Engine::kMaxOpenDocuments);
    }

    void blankAndMacroQueries()
    {
        Engine engine;
        QCOMPARE(engine.call(QStringLiteral("FileOpen"), {testDocument("smi_regular.wpd")}).kind,
                 Reply::Kind::Null);
        Reply r = engine.call("envDocBlank", {});
        QCOMPARE(r.kind, Reply::Kind::Boolean);
        QVERIFY(r.boolean);
        QCOMPARE(engine.call(QStringLiteral("FileOpen"), {testDocument("nuxeo_test.wpd")}).kind,
                 Reply::Kind::Null);
        r = engine.call("envDocBlank", {});
        QVERIFY(!r.boolean);
        QCOMPARE(engine.call("PosDocVeryTop", {}).kind, Reply::Kind::Null);
        QCOMPARE(engine.call("MasterDocExpand", {}).kind, Reply::Kind::Null);

        r = engine.call("ENVMACROPLAYING", {QStringLiteral("extra is ignored")});
        QCOMPARE(r.kind, Reply::Kind::Boolean);
        QVERIFY(!r.boolean);
        r = engine.call("MacroFilePlay", {m_dir.filePath(QStringLiteral("none.wcm"))});
        QCOMPARE(r.number, 53);
    }

    // A publish replaces the target whole, keeping its permissions, and leaves no temporary file
    // (the ways it fails: tst_hostile).
    void publishReplacesTheTargetWhole()
    {
        Engine engine;
        QCOMPARE(engine.call(QStringLiteral("FileOpen"), {testDocument("nuxeo_test.wpd")}).kind,
                 Reply::Kind::Null);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("out.xml"));
        QFile existing(target);
        QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("old content") > 0);
        existing.close();
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(engine.call("HTMLPublish", {QString()}).number, 440);

        QCOMPARE(engine.call("XMLPublish", {target}).kind, Reply::Kind::Text);
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QVERIFY(existing.readAll().startsWith("<?xml"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.xml")});
        QCOMPARE(QFile::permissions(target) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(OperationsTest)
#include "tst_operations.moc"
