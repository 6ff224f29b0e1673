// Quillon engine tests: the HTML's layout as Debian's headless Chromium draws and prints it.
#include "Document.h"
#include "HtmlWriter.h"
#include "ToolRunner.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace engine;

namespace {

Block para(std::vector<Inline> inlines, ParaFormat format = {})
{
    Paragraph p;
    p.format = format;
    p.inlines = std::move(inlines);
    return Block{std::move(p)};
}

Inline text(const char* s, CharFormat format = {})
{
    return Inline::textRun(QLatin1String(s), std::move(format));
}

Inline tab()
{
    return Inline::of(Inline::Kind::Tab);
}

TabStop stop(double inches, TabStop::Kind kind, const char* leader = "")
{
    TabStop s;
    s.position = inches;
    s.kind = kind;
    s.leader = QLatin1String(leader);
    return s;
}

// Two page spans (the second landscape) whose headers differ; tabs on default stops and on
// stops of every kind; double-spaced Courier; small type in a table; two columns.
Document document()
{
    Document d;
    PageLayout landscape;
    landscape.width = 11;
    landscape.height = 8.5;
    d.pageSpans = {PageLayout(), landscape};
    d.headersFooters = {{false, QStringLiteral("all"), {para({text("Headone")})}, 0},
                        {false, QStringLiteral("all"), {para({text("Headtwo")})}, 1}};
    d.tabStops = {{stop(1, TabStop::Kind::Left), stop(3, TabStop::Kind::Right, "."),
                   stop(4.5, TabStop::Kind::Center), stop(5.5, TabStop::Kind::Decimal)}};
    d.sections = {{2, 0.5, 0, 0}};
    ParaFormat stops;
    stops.tabStops = 0;
    ParaFormat twice;
    twice.lineHeight = 2;
    CharFormat courier;
    courier.fontName = QStringLiteral("Courier 10cpi");
    courier.fontSizePt = 10;
    CharFormat small;
    small.fontSizePt = 8;
    ParaFormat far; // indents wider than a phone's screen
    far.marginLeft = -1;
    far.textIndent = 4;
    ParaFormat nextColumn;
    nextColumn.columnBreak = true;
    TableCell cell;
    cell.blocks.push_back(para(
        {text("Smallone", small), Inline::of(Inline::Kind::LineBreak), text("Smalltwo", small)}));
    Table table;
    table.columnWidths = {2};
    table.rows.push_back({false, {cell}});
    d.body = {Block{PageSpanStart{0}},
              para({text("Tabone"), tab(), text("Deftab")}),
              para({text("Lead"), tab(), text("Leftstop"), tab(), text("Rightstop"), tab(),
                    text("Centrestop"), tab(), text("1234.56")},
                   stops),
              para({text("Spaceone", courier), Inline::of(Inline::Kind::LineBreak),
                    text("Spacetwo", courier)},
                   twice),
              Block{table},
              para({text("Farindent")}, far),
              Block{SectionStart{0}},
              para({text("Colone")}),
              para({text("Coltwo")}, nextColumn),
              Block{SectionStart{-1}},
              Block{PageSpanStart{1}},
              para({text("Bodytwo")})};
    return d;
}

const QStringList kWords{"Headone", "Tabone",   "Deftab",   "Leftstop", "Rightstop", "Centrestop",
                         "1234",    "Spaceone", "Spacetwo", "Smallone", "Smalltwo",  "Colone",
                         "Coltwo",  "Headtwo",  "Bodytwo",  "Farindent"};

// Appended to the page under test: writes where each word is drawn (left, right, top, bottom,
// and the left edge of its paragraph's content box, in CSS pixels), the leaders' extents and
// how far the page runs past the window into the page, for --dump-dom to show.
const char kMeasure[] = R"(<script>
(() => {
  const out = {leaders: [], overflow: 0}, words = WORDS;
  const tw = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let n = tw.nextNode(); n; n = tw.nextNode()) for (const w of words) {
    const i = n.data.indexOf(w);
    if (i < 0 || out[w]) continue;
    const r = document.createRange(); r.setStart(n, i); r.setEnd(n, i + w.length);
    const q = r.getBoundingClientRect();
    let b = n.parentElement;
    while (getComputedStyle(b).display.startsWith('inline')) b = b.parentElement;
    const s = getComputedStyle(b);
    out[w] = [q.left, q.right, q.top, q.bottom,
              b.getBoundingClientRect().left + parseFloat(s.borderLeftWidth) + parseFloat(s.paddingLeft)];
  }
  for (const e of document.querySelectorAll('.ld')) {
    const q = e.getBoundingClientRect(); out.leaders.push([q.left, q.right]);
  }
  out.overflow = document.documentElement.scrollWidth - document.documentElement.clientWidth;
  const pre = document.createElement('pre'); pre.id = 'measure';
  pre.textContent = JSON.stringify(out); document.body.appendChild(pre);
})();
</script>
)";

class Chromium {
public:
    explicit Chromium(const QString& binary) : m_binary(binary) {}

    // Runs headless Chromium with a profile, home and caches of its own, never the user's.
    QByteArray run(const QStringList& arguments)
    {
        QTemporaryDir home;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME"})
            env.insert(QLatin1String(name), home.path());
        p.setProcessEnvironment(env);
        p.setStandardErrorFile(QProcess::nullDevice());
        p.start(m_binary,
                QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                            "--disable-background-networking", "--disable-component-update",
                            "--disable-sync", "--user-data-dir=" + home.filePath("profile")} +
                    arguments);
        if (!p.waitForFinished(90000)) {
            p.kill();
            p.waitForFinished();
        }
        return p.readAllStandardOutput();
    }

private:
    QString m_binary;
};

// Points from CSS pixels.
double pt(const QJsonValue& px)
{
    return px.toDouble() * 0.75;
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_binary = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (m_binary.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps.sh installs it)");
        QVERIFY(m_dir.isValid());
        QByteArray page = HtmlWriter::write(document(), QStringLiteral("layout"));
        QFile plain(m_dir.filePath(QStringLiteral("layout.html")));
        QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write(page) == page.size());
        QJsonArray words;
        for (const QString& w : kWords)
            words.append(w);
        page.replace("</body>", QByteArray(kMeasure).replace(
                                    "WORDS", QJsonDocument(words).toJson(QJsonDocument::Compact)) +
                                    "</body>");
        QFile measured(m_dir.filePath(QStringLiteral("measured.html")));
        QVERIFY(measured.open(QIODevice::WriteOnly) && measured.write(page) == page.size());
    }

    // Where text is drawn on a screen: on its tab stops, lines spaced by their font, columns
    // side by side, the second header where the second span starts.
    void screen()
    {
        const QJsonObject m = measure(1280);
        for (const QString& w : kWords)
            QVERIFY2(m.contains(w), qPrintable(w + QLatin1String(" not drawn")));
        auto at = [&m](const char* word, int i) { return pt(m[QLatin1String(word)][i]); };
        auto x = [&](const char* word, int i) { return at(word, i) - at(word, 4); };
        // The default stops are every half inch from the paper's edge, the margin is 1 inch.
        QVERIFY(std::abs(x("Deftab", 0) - 36) <= 1.5);
        QVERIFY(std::abs(x("Leftstop", 0) - 72) <= 1.5);
        QVERIFY(std::abs(x("Rightstop", 1) - 216) <= 1.5);
        QVERIFY(std::abs((x("Centrestop", 0) + x("Centrestop", 1)) / 2 - 324) <= 1.5);
        QVERIFY(std::abs(x("1234", 1) - 396) <= 1.5); // the decimal point on its stop
        // One dot leader fills the gap before the right-aligned text.
        const QJsonArray leaders = m[QLatin1String("leaders")].toArray();
        QCOMPARE(leaders.size(), 1);
        const double from = at("Leftstop", 1);
        const double to = at("Rightstop", 0);
        QVERIFY(pt(leaders[0][0]) >= from - 0.5 && pt(leaders[0][0]) <= from + 3);
        QVERIFY(pt(leaders[0][1]) <= to + 0.5 && pt(leaders[0][1]) >= to - 3);
        // Double spacing is twice Courier's own line (11.25 pt at 10 pt); small type in a
        // table keeps its own line (8.25 pt at 8 pt).
        QVERIFY(std::abs(at("Spacetwo", 2) - at("Spaceone", 2) - 22.5) <= 1);
        QVERIFY(std::abs(at("Smalltwo", 2) - at("Smallone", 2) - 8.25) <= 1);
        // The column break starts the second column at the first's height.
        QVERIFY(at("Coltwo", 0) - at("Colone", 0) > 200);
        QVERIFY(std::abs(at("Coltwo", 2) - at("Colone", 2)) <= 1);
        // Each header where its span begins.
        QVERIFY(at("Headone", 3) <= at("Tabone", 2));
        QVERIFY(at("Headtwo", 2) >= at("Smalltwo", 3) && at("Headtwo", 3) <= at("Bodytwo", 2));
        QCOMPARE(m[QLatin1String("overflow")].toDouble(), 0.0);
    }

    // On a phone the page still fits the screen: nothing runs off the side, not even text
    // indented further than the screen is wide.
    void narrowScreen()
    {
        const QJsonObject m = measure(360);
        QVERIFY(m.contains(QLatin1String("Centrestop")));
        QCOMPARE(m[QLatin1String("overflow")].toDouble(), 0.0);
        QVERIFY(m[QLatin1String("Farindent")][0].toDouble() >= 0);
        QVERIFY(m[QLatin1String("Farindent")][1].toDouble() <= 360);
    }

    // Printed, each span has pages of its own paper.
    void print()
    {
        const QString pdf = m_dir.filePath(QStringLiteral("layout.pdf"));
        Chromium(m_binary).run({"--no-pdf-header-footer", "--print-to-pdf=" + pdf,
                                QUrl::fromLocalFile(m_dir.filePath("layout.html")).toString()});
        QFile file(pdf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString bytes = QString::fromLatin1(file.readAll());
        QStringList boxes;
        static const QRegularExpression box(QStringLiteral("/MediaBox \\[([^]]*)\\]"));
        for (const auto& match : box.globalMatch(bytes))
            boxes << match.captured(1).simplified();
        QCOMPARE(boxes, (QStringList{"0 0 612 792", "0 0 792 612"}));
    }

private:
    QJsonObject measure(int width)
    {
        const QByteArray dom = Chromium(m_binary).run(
            {QStringLiteral("--window-size=%1,900").arg(width), "--dump-dom",
             QUrl::fromLocalFile(m_dir.filePath("measured.html")).toString()});
        static const QRegularExpression pre(QStringLiteral("<pre id=\"measure\">(.*)</pre>"));
        QString json = pre.match(QString::fromUtf8(dom)).captured(1);
        json.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        return QJsonDocument::fromJson(json.toUtf8()).object();
    }

    QString m_binary;
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(BrowserTest)
#include "tst_browser.moc"
