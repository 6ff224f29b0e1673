// Quillon engine tests: every document of the shared corpus through the real engine.
#include "ToolRunner.h"

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
    QString name;
    bool readable = false;
};

struct Run {
    bool finished = false; // false: killed at the time limit
    bool crashed = false;
    int exitCode = -1;
    QString errorOutput;
};

QString corpusDir()
{
    return qEnvironmentVariable("QUILLON_CORPUS");
}

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
    void addRows(bool readable);

    QTemporaryDir m_out;
    QList<Entry> m_entries;
    QHash<QString, Run> m_runs; // by name + "." + format
};

void CorpusTest::initTestCase()
{
    QFile manifest(QDir(corpusDir()).filePath(QStringLiteral("MANIFEST.tsv")));
    if (!manifest.open(QIODevice::ReadOnly))
        QSKIP("The shared corpus is not there (QUILLON_CORPUS)");
    const QStringList lines = QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'));
    const QStringList header = lines.value(0).split(QLatin1Char('\t'));
    const int nameColumn = header.indexOf(QStringLiteral("name"));
    const int readsColumn = header.indexOf(QStringLiteral("libwpd_reads"));
    QVERIFY(nameColumn >= 0 && readsColumn >= 0);
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() > std::max(nameColumn, readsColumn))
            m_entries.append({cells.at(nameColumn), cells.at(readsColumn) == QLatin1String("yes")});
    }
    QVERIFY(m_entries.size() > 20);
    QVERIFY(m_out.isValid());
    for (const Entry& e : m_entries) {
        for (const QString& format : {QStringLiteral("xml"), QStringLiteral("html")}) {
            const QString out = m_out.filePath(e.name + QLatin1Char('.') + format);
            m_runs.insert(e.name + QLatin1Char('.') + format,
                          runEngine({QStringLiteral("--publish"), format,
                                     QDir(corpusDir()).filePath(e.name), out}));
        }
    }
}

void CorpusTest::addRows(bool readable)
{
    QTest::addColumn<QString>("name");
    for (const Entry& e : m_entries) {
        if (e.readable == readable)
            QTest::newRow(qPrintable(e.name)) << e.name;
    }
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
    const testtools::ToolResult reference =
        testtools::run(QStringLiteral("wpd2text"), {QDir(corpusDir()).filePath(name)}, 60000);
    for (const QString& format : {QStringLiteral("xml"), QStringLiteral("html")}) {
        const Run& run = m_runs.value(name + QLatin1Char('.') + format);
        QVERIFY2(run.finished && !run.crashed, qPrintable(format));
        QVERIFY2(run.exitCode == 0, qPrintable(run.errorOutput));
        const QString output = readUtf8(m_out.filePath(name + QLatin1Char('.') + format));
        QVERIFY(!output.isEmpty());
        if (!reference.ran)
            continue;
        const QString text =
            format == QLatin1String("xml") ? docBookText(output) : htmlText(output);
        const double share = coverage(reference.output, text);
        QVERIFY2(share >= 0.995, qPrintable(QStringLiteral("%1: %2 % of the reference text")
                                                .arg(format)
                                                .arg(share * 100, 0, 'f', 2)));
    }
    if (!reference.ran)
        QSKIP("wpd2text (libwpd-tools) is not installed: text fidelity not checked");
}

void CorpusTest::outputsAreValid()
{
    QStringList xml;
    QStringList html;
    for (const Entry& e : m_entries) {
        if (!e.readable)
            continue;
        xml << m_out.filePath(e.name + QStringLiteral(".xml"));
        html << m_out.filePath(e.name + QStringLiteral(".html"));
    }
    const testtools::ToolResult docbook = testtools::checkDocBook(xml);
    QVERIFY2(docbook.ran,
             "xmllint and the DocBook 5.0 schema (libxml2-utils, docbook5-xml) are needed");
    QVERIFY2(docbook.exitCode == 0, qPrintable(docbook.output));
    const testtools::ToolResult nu = testtools::checkHtml(html);
    if (!nu.ran)
        QSKIP("The Nu HTML checker (vnu.jar and java) is not installed");
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
        QVERIFY2(run.errorOutput.contains(name), qPrintable(run.errorOutput));
        QVERIFY(!QFile::exists(m_out.filePath(name + QLatin1Char('.') + format)));
    }
}

QTEST_GUILESS_MAIN(CorpusTest)
#include "tst_corpus.moc"
