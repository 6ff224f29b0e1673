// Quillon engine tests: every test document (and the shared corpus, when it is there) through the
// real engine.
#include "TestData.h"
#include "ToolRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using testsupport::readText;

namespace {

struct Entry {
    QString path;
    bool readable = false;
    QHash<QString, testtools::ToolResult> runs; // by output format
};

// The text a reader sees: the DocBook's text nodes outside info, the page's body without its tags
// and with the writer's character references decoded.
QString visibleText(const QString& output, bool xml)
{
    QString text;
    if (xml) {
        QXmlStreamReader reader(output);
        int inInfo = 0;
        while (!reader.atEnd()) {
            reader.readNext();
            if (reader.name() == QLatin1String("info"))
                inInfo += reader.isStartElement() ? 1 : reader.isEndElement() ? -1 : 0;
            else if (reader.isCharacters() && inInfo == 0)
                text += reader.text().toString() + QLatin1Char(' ');
        }
        return text;
    }
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    text = output.mid(output.indexOf(QLatin1String("<body>"))).replace(tag, QStringLiteral(" "));
    return text.replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&quot;", "\"")
        .replace("&amp;", "&");
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
    for (const uint c : text.toUcs4()) {
        if (auto it = wanted.find(c); it != wanted.end() && it.value() > 0)
            --it.value();
    }
    int missing = 0;
    for (const int left : wanted)
        missing += left;
    return total == 0 ? 1.0 : double(total - missing) / total;
}

} // namespace

class CorpusTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QStringList folders = testsupport::documentFolders();
        readManifest(folders.at(0), QStringLiteral("data/"));
        if (folders.size() > 1)
            readManifest(folders.at(1), QStringLiteral("corpus/"));
        QVERIFY(m_entries.size() >= 15);
        QVERIFY(m_out.isValid());
        const QString engine = qEnvironmentVariable("QUILLON_BIN_DIR") + "/quillon-engine";
        for (auto e = m_entries.begin(); e != m_entries.end(); ++e) {
            for (const QString format : {"xml", "html"}) {
                e->runs[format] = testtools::run(
                    engine, {"--publish", format, e->path, output(e.key(), format)}, 60000);
            }
        }
    }

    void readableDocumentsPublish_data() { addRows(true); }

    // Both publishes succeed (no whole document is taken for a damaged one) and each output holds
    // at least 99.5 % of the characters that libwpd's own wpd2text extracts (whitespace aside):
    // body, notes, tables, headers and footers.
    void readableDocumentsPublish()
    {
        QFETCH(QString, name);
        const Entry& e = m_entries[name];
        const testtools::ToolResult reference = testtools::run("wpd2text", {e.path}, 60000);
        QVERIFY2(reference.ran,
                 "wpd2text is missing: install libwpd-tools (scripts/install-deps.sh)");
        for (const QString format : {"xml", "html"}) {
            const testtools::ToolResult& run = e.runs[format];
            QVERIFY2(run.exitCode == 0, qPrintable(format + ": " + run.output));
            const QString text = visibleText(readText(output(name, format)), format == "xml");
            const double share = coverage(reference.output, text);
            QVERIFY2(share >= 0.995, qPrintable(QStringLiteral("%1: %2 % of the reference text")
                                                    .arg(format)
                                                    .arg(share * 100, 0, 'f', 2)));
        }
    }

    void outputsAreValid()
    {
        QStringList xml;
        QStringList html;
        for (auto e = m_entries.cbegin(); e != m_entries.cend(); ++e) {
            if (e->readable) {
                xml << output(e.key(), QStringLiteral("xml"));
                html << output(e.key(), QStringLiteral("html"));
            }
        }
        const QString problems = testtools::invalid(xml, html);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    void unreadableDocumentsFailCleanly_data() { addRows(false); }

    // Exit code 4, a message naming the file, and no output.
    void unreadableDocumentsFailCleanly()
    {
        QFETCH(QString, name);
        const Entry& e = m_entries[name];
        for (const QString format : {"xml", "html"}) {
            const testtools::ToolResult& run = e.runs[format];
            QCOMPARE(run.exitCode, 4);
            QVERIFY2(run.output.contains("Cannot open \"" + e.path), qPrintable(run.output));
            QVERIFY(!QFile::exists(output(name, format)));
        }
    }

private:
    void readManifest(const QString& folder, const QString& tag);
    void addRows(bool readable);
    QString output(const QString& name, const QString& format) const
    {
        return m_out.filePath(QFileInfo(name).fileName() + QLatin1Char('.') + format);
    }

    QTemporaryDir m_out;
    QMap<QString, Entry> m_entries; // by row name: folder tag and file name
    QSet<QString> m_seen;
};

// Reads a folder's MANIFEST.tsv: its documents, whether libwpd reads each, and the sha256 the
// file must have.
void CorpusTest::readManifest(const QString& folder, const QString& tag)
{
    QFile manifest(QDir(folder).filePath(QStringLiteral("MANIFEST.tsv")));
    QVERIFY2(manifest.open(QIODevice::ReadOnly), qPrintable(manifest.fileName()));
    const QStringList lines = QString::fromUtf8(manifest.readAll()).split(QLatin1Char('\n'));
    const QStringList header = lines.value(0).split(QLatin1Char('\t'));
    const int name = header.indexOf(QStringLiteral("name"));
    const int reads = header.indexOf(QStringLiteral("libwpd_reads"));
    const int sha = header.indexOf(QStringLiteral("sha256"));
    QVERIFY(name >= 0 && reads >= 0 && sha >= 0);
    QStringList listed{QStringLiteral("MANIFEST.tsv"), QStringLiteral("NOTICE"),
                       QStringLiteral("README.md")};
    for (const QString& line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        if (cells.size() < header.size())
            continue;
        listed << cells.at(name);
        QFile file(QDir(folder).filePath(cells.at(name)));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex(),
                 cells.at(sha).toLatin1());
        if (!m_seen.contains(cells.at(name))) // the same document in both folders runs once
            m_entries.insert(tag + cells.at(name), {file.fileName(), cells.at(reads) == "yes", {}});
        m_seen.insert(cells.at(name));
    }
    // Every document of the project's own folder is described, so that every one is run; the
    // shared corpus is taken as its manifest describes it.
    for (const QString& present : QDir(folder).entryList(QDir::Files)) {
        if (tag == QLatin1String("data/"))
            QVERIFY2(listed.contains(present), qPrintable(present + " is not in MANIFEST.tsv"));
    }
}

void CorpusTest::addRows(bool readable)
{
    QTest::addColumn<QString>("name");
    for (auto e = m_entries.cbegin(); e != m_entries.cend(); ++e) {
        if (e->readable == readable)
            QTest::newRow(qPrintable(e.key())) << e.key();
    }
}

QTEST_GUILESS_MAIN(CorpusTest)
#include "tst_corpus.moc"
