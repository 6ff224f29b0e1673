// Quillon engine tests: every test document (and the shared corpus, when it is there) through the
// real engine.
#include "TestData.h"
#include "ToolRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Entry {
    QString name; // the row: folder tag and file name
    QString path;
    bool readable = false;
};

struct Run {
    bool finished = false; // false: killed at the time limit
    bool crashed = false;
    int exitCode = -1;
    QString errorOutput;
};

Run runEngine(const QStringList& arguments)
{
    Run run;
    QProcess p;
    p.start(
        QDir(qEnvironmentVariable("QUILLON_BIN_DIR")).filePath(QStringLiteral("quillon-engine")),
        arguments);
    run.finished = p.waitForFinished(60000);
    if (!run.finished) {
        p.kill();
        p.waitForFinished();
    }
    run.crashed = p.exitStatus() != QProcess::NormalExit;
    run.exitCode = p.exitCode();
    run.errorOutput = QString::fromUtf8(p.readAllStandardError());
    return run;
}

QString readUtf8(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The text a reader of the DocBook sees: every text node outside info.
QString docBookText(const QString& xml)
{
    QXmlStreamReader reader(xml);
    QString text;
    int inInfo = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QLatin1String("info"))
            ++inInfo;
        else if (reader.isEndElement() && reader.name() == QLatin1String("info"))
            --inInfo;
        else if (reader.isCharacters() && inInfo == 0)
            text += reader.text().toString() + QLatin1Char(' ');
    }
    return text;
}

// The text a reader of the page sees: the body without its tags, character references decoded.
QString htmlText(const QString& html)
{
    QString body = html.mid(html.indexOf(QLatin1String("<body>")));
    body.replace(QRegularExpression(QStringLiteral("<[^>]*>")), QStringLiteral(" "));
    static const QRegularExpression reference(QStringLiteral("&(#[0-9]+|[a-z]+);"));
    static const QHash<QString, QString> named{{QStringLiteral("amp"), QStringLiteral("&")},
                                               {QStringLiteral("lt"), QStringLiteral("<")},
                                               {QStringLiteral("gt"), QStringLiteral(">")},
                                               {QStringLiteral("quot"), QStringLiteral("\"")}};
    QString out;
    qsizetype last = 0;
    for (auto it = reference.globalMatch(body); it.hasNext();) {
        const auto m = it.next();
        out += body.mid(last, m.capturedStart() - last);
        const QString ref = m.captured(1);
        out += ref.startsWith(QLatin1Char('#'))
                   ? QString::fromUcs4(
                         std::array<char32_t, 1>{char32_t(ref.mid(1).toUInt())}.data(), 1)
                   : named.value(ref);
        last = m.capturedEnd();
    }
    return out + body.mid(last);
}

// The share of reference's non-whitespace characters (as a multiset) that text also holds.
double coverage(const QString& reference, const QString& text)
{
    QHash<uint, int> wanted;
    int total = 0;
    for (const uint c : reference.toUcs4()) {
        if (!QChar::isSpace(c)) {
            ++wanted[c];
            ++total;
        }
    }
    if (total == 0)
        return 1.0;
    for (const uint c : text.toUcs4()) {
        auto it = wanted.find(c);
        if (it != wanted.end() && it.value() > 0)
            --it.value();
    }
    int missing = 0;
    for (const int left : wanted)
        missing += left;
    return double(total - missing) / total;
}

} // namespace

class CorpusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void readableDocumentsPublish_data();
    void readableDocumentsPublish();
    void outputsAreValid();
    void unreadableDocumentsFailCleanly_data();
    void unreadableDocumentsFailCleanly();

private:
    void readManifest(const QString& folder, const QString& tag);
    void addRows(bool readable);
    const Entry& entry(const QString& name) const;
    QString output(const Entry& e, const QString& format) const;

    QTemporaryDir m_out;
    QList<Entry> m_entries;
    QSet<QString> m_seen;
    QHash<QString, Run> m_runs; // by name + "." + format
};

// Reads a folder's MANIFEST.tsv: its documents, whether libwpd reads each, and the sha256 the
// file must have.
void CorpusTest::readManifest(const QString& folder, const QString& tag)
{
    QFile manifest(QDir(folder).filePath(QStringLiteral("MANIFEST.tsv")));
    QVERIFY2(manifest.open(QIODevice::ReadOnly), qPrintable(manifest.fileName()));
    const QStringList lines = QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'));
    const QStringList header = lines.value(0).split(QLatin1Char('\t'));
    const int nameColumn = header.indexOf(QStringLiteral("name"));
    const int readsColumn = header.indexOf(QStringLiteral("libwpd_reads"));
    const int shaColumn = header.indexOf(QStringLiteral("sha256"));
    QVERIFY(nameColumn >= 0 && readsColumn >= 0 && shaColumn >= 0);
    QStringList listed;
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() < header.size())
            continue;
        const QString name = cells.at(nameColumn);
        listed << name;
        QFile file(QDir(folder).filePath(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex(),
                 cells.at(shaColumn).toLatin1());
        if (!m_seen.contains(name)) // the same document in both folders runs once
            m_entries.append({tag + name, file.fileName(), cells.at(readsColumn) == "yes"});
        m_seen.insert(name);
    }
    // Every document of the folder is described, so every one is converted.
    const QStringList present = QDir(folder).entryList(QDir::Files);
    for (const QString& name : present) {
        if (name != QLatin1String("MANIFEST.tsv") && name != QLatin1String("NOTICE") &&
            name != QLatin1String("README.md"))
            QVERIFY2(listed.contains(name), qPrintable(name + " is not in MANIFEST.tsv"));
    }
}

void CorpusTest::initTestCase()
{
    const QStringList folders = testsupport::documentFolders();
    readManifest(folders.at(0), QStringLiteral("data/"));
    if (folders.size() > 1)
        readManifest(folders.at(1), QStringLiteral("corpus/"));
    QVERIFY(m_entries.size() >= 15);
    QVERIFY(m_out.isValid());
    for (const Entry& e : m_entries) {
        for (const QString& format : {QStringLiteral("xml"), QStringLiteral("html")}) {
            m_runs.insert(
                e.name + QLatin1Char('.') + format,
                runEngine({QStringLiteral("--publish"), format, e.path, output(e, format)}));
        }
    }
}

QString CorpusTest::output(const Entry& e, const QString& format) const
{
    return m_out.filePath(QFileInfo(e.name).fileName() + QLatin1Char('.') + format);
}

void CorpusTest::addRows(bool readable)
{
    QTest::addColumn<QString>("name");
    for (const Entry& e : m_entries) {
        if (e.readable == readable)
            QTest::newRow(qPrintable(e.name)) << e.name;
    }
}

const Entry& CorpusTest::entry(const QString& name) const
{
    return *std::find_if(m_entries.begin(), m_entries.end(),
                         [&](const Entry& e) { return e.name == name; });
}

void CorpusTest::readableDocumentsPublish_data()
{
    addRows(true);
}

// Both publishes succeed and each output holds at least 99.5 % of the characters that
// libwpd's own wpd2text extracts (whitespace aside): body, notes, tables, headers and footers.
void CorpusTest::readableDocumentsPublish()
{
    QFETCH(QString, name);
    const Entry& e = entry(name);
    const testtools::ToolResult reference =
        testtools::run(QStringLiteral("wpd2text"), {e.path}, 60000);
    QVERIFY2(reference.ran, "wpd2text is missing: install libwpd-tools (scripts/install-deps.sh)");
    for (const QString& format : {QStringLiteral("xml"), QStringLiteral("html")}) {
        const Run& run = m_runs.value(name + QLatin1Char('.') + format);
        QVERIFY2(run.finished && !run.crashed, qPrintable(format));
        QVERIFY2(run.exitCode == 0, qPrintable(run.errorOutput));
        const QString output = readUtf8(this->output(e, format));
        QVERIFY(!output.isEmpty());
        const QString text =
            format == QLatin1String("xml") ? docBookText(output) : htmlText(output);
        const double share = coverage(reference.output, text);
        QVERIFY2(share >= 0.995, qPrintable(QStringLiteral("%1: %2 % of the reference text")
                                                .arg(format)
                                                .arg(share * 100, 0, 'f', 2)));
    }
}

void CorpusTest::outputsAreValid()
{
    QStringList xml;
    QStringList html;
    for (const Entry& e : m_entries) {
        if (!e.readable)
            continue;
        xml << output(e, QStringLiteral("xml"));
        html << output(e, QStringLiteral("html"));
    }
    const testtools::ToolResult docbook = testtools::checkDocBook(xml);
    QVERIFY2(docbook.ran, testtools::kDocBookMissing);
    QVERIFY2(docbook.exitCode == 0, qPrintable(docbook.output));
    const testtools::ToolResult nu = testtools::checkHtml(html);
    QVERIFY2(nu.ran, testtools::kNuMissing);
    QVERIFY2(nu.exitCode == 0, qPrintable(nu.output));
}

void CorpusTest::unreadableDocumentsFailCleanly_data()
{
    addRows(false);
}

void CorpusTest::unreadableDocumentsFailCleanly()
{
    QFETCH(QString, name);
    for (const QString& format : {QStringLiteral("xml"), QStringLiteral("html")}) {
        const Run& run = m_runs.value(name + QLatin1Char('.') + format);
        QVERIFY(run.finished);
        QVERIFY(!run.crashed);
        QCOMPARE(run.exitCode, 4);
        QVERIFY2(run.errorOutput.contains(QLatin1String("Cannot open")),
                 qPrintable(run.errorOutput));
        QVERIFY2(run.errorOutput.contains(entry(name).path), qPrintable(run.errorOutput));
        QVERIFY(!QFile::exists(output(entry(name), format)));
    }
}

QTEST_GUILESS_MAIN(CorpusTest)
#include "tst_corpus.moc"
