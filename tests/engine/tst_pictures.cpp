// Quillon engine tests: pictures beside the published document, the JPEG quality and the HTML
// settings file.
#include "DocumentReader.h"
#include "Engine.h"
#include "HtmlWriter.h"
#include "MessageLog.h"
#include "OutputFiles.h"
#include "Pictures.h"
#include "Publisher.h"
#include "TestData.h"
#include "ToolRunner.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

using namespace engine;
using wire::Reply;

using testsupport::readText;
using testsupport::testDocument;

namespace {

const QString kPictured = QStringLiteral("opf_TOPOPREC.WPD"); // two WPG graphics
const QString kTitled = QStringLiteral("aperture_corel-wordperfect-x3.wpd");

QByteArray pngOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return buffer.data();
}

// A Windows Metafile written record by record: 1440 units an inch, so that a picture of
// 1440 x 720 units is drawn 96 x 48 pixels.
class WmfWriter {
public:
    void record(quint16 function, const QList<qint16>& words, const QByteArray& bytes = {})
    {
        QByteArray params;
        for (const qint16 w : words)
            put16(params, quint16(w));
        params += bytes;
        if (params.size() % 2)
            params += '\0';
        const quint32 size = quint32(3 + params.size() / 2);
        m_largest = std::max(m_largest, size);
        put16(m_records, quint16(size & 0xFFFF));
        put16(m_records, quint16(size >> 16));
        put16(m_records, function);
        m_records += params;
    }
    static QList<qint16> color(int r, int g, int b) { return {qint16(r | g << 8), qint16(b)}; }
    QByteArray finish(qint16 width, qint16 height, quint16 objects)
    {
        record(0, {}); // end of file
        QByteArray out;
        const QList<quint16> placeable{0xCDD7,         0x9AC6,          0,    0, 0,
                                       quint16(width), quint16(height), 1440, 0, 0};
        quint16 checksum = 0;
        for (const quint16 w : placeable) {
            put16(out, w);
            checksum ^= w;
        }
        put16(out, checksum);
        const quint32 words = quint32(9 + m_records.size() / 2);
        for (const quint16 w :
             {quint16(1), quint16(9), quint16(0x300), quint16(words & 0xFFFF), quint16(words >> 16),
              objects, quint16(m_largest & 0xFFFF), quint16(m_largest >> 16), quint16(0)})
            put16(out, w);
        return out + m_records;
    }

private:
    static void put16(QByteArray& out, quint16 w)
    {
        out += char(w & 0xFF);
        out += char(w >> 8);
    }
    QByteArray m_records;
    quint32 m_largest = 0;
};

// A red rectangle at the top left, a thick blue line along the bottom and a black "H" at the
// right, on nothing.
QByteArray testMetafile()
{
    WmfWriter wmf;
    wmf.record(0x020B, {0, 0});      // window origin
    wmf.record(0x020C, {720, 1440}); // window extent (height, width)
    wmf.record(0x02FC, QList<qint16>{0} + WmfWriter::color(255, 0, 0) + QList<qint16>{0});
    wmf.record(0x02FA, QList<qint16>{5, 0, 0} + WmfWriter::color(0, 0, 0)); // no pen
    wmf.record(0x012D, {0});
    wmf.record(0x012D, {1});
    wmf.record(0x041B, {360, 576, 0, 0}); // rectangle: bottom, right, top, left
    wmf.record(0x02FA, QList<qint16>{0, 60, 0} + WmfWriter::color(0, 0, 255));
    wmf.record(0x012D, {2});
    wmf.record(0x0325, {3, 144, 648, 720, 648, 1296, 648}); // polyline
    QByteArray face("DejaVu Sans");
    face.resize(32, '\0');
    wmf.record(0x02FB, {-400, 0, 0, 0, 700, 0, 0}, face); // font 400 units high, bold
    wmf.record(0x012D, {3});
    wmf.record(0x0209, WmfWriter::color(0, 0, 0)); // text colour
    wmf.record(0x0102, {1});                       // transparent background
    wmf.record(0x0521, {1},
               QByteArray("H\0", 2) + QByteArray("\x20\x00\x40\x04", 4)); // at 1088, 32
    return wmf.finish(1440, 720, 4);
}

bool isBlank(QRgb pixel)
{
    return qAlpha(pixel) == 0 || (qRed(pixel) > 240 && qGreen(pixel) > 240 && qBlue(pixel) > 240);
}

Inline object(const QByteArray& data, const QString& mimeType)
{
    Inline o = Inline::of(Inline::Kind::Object);
    o.data = data;
    o.mimeType = mimeType;
    return o;
}

// A WordPerfect graphic (WPG 2) holding one 24-bit bitmap: start (16-bit coordinates), the
// bitmap's frame, its run-length encoded data, end.
QByteArray wpgBitmap(quint16 width, quint16 height, const QByteArray& runs)
{
    QByteArray g("\xFFWPC\x10\0\0\0\x01\x16\x02\0\0\0\0\0", 16);
    const auto record = [&g](char type, const QByteArray& data) {
        g += QByteArray("\x0F", 1) + type + '\0' + char(data.size()) + data; // class, no extension
    };
    const auto words = [](std::initializer_list<quint16> values) {
        QByteArray bytes;
        for (const quint16 v : values)
            bytes += char(v & 0xFF) + QByteArray(1, char(v >> 8));
        return bytes;
    };
    record(0x01, QByteArray(5, '\0'));
    record(0x1B, words({0, 0, width, height, 96, 96}));
    record(0x0E, words({width, height}) + "\x08\x01" + runs);
    record(0x02, {});
    return g;
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid() && m_out.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        QCOMPARE(HtmlSettings::path(),
                 m_config.filePath(QStringLiteral("quillon-engine/html.ini")));
    }

    void xmlPicturesAreJpegAtTheQuality()
    {
        Engine engine;
        QCOMPARE(engine.call("FileOpen", {testDocument(kPictured)}).kind, Reply::Kind::Null);
        QStringList documents;
        qint64 previousSize = -1;
        for (const int quality : {100, 50, 0}) {
            const QString name = QStringLiteral("quality %1").arg(quality);
            const QString target = m_out.filePath(name + QStringLiteral(".xml"));
            QCOMPARE(engine.call("XMLPublishSetJPEGOptions", {QString::number(quality)}).kind,
                     Reply::Kind::Null);
            QCOMPARE(engine.call("XMLPublish", {target}).kind, Reply::Kind::Text);
            const QString picture = m_out.filePath(name + QStringLiteral("_files/picture1.jpg"));
            QImageReader reader(picture);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
            QVERIFY(reader.size().width() > 100);
            const qint64 size = QFileInfo(picture).size();
            qInfo("JPEG quality %d: %lld bytes", quality, size);
            if (previousSize >= 0)
                QVERIFY2(size < previousSize, qPrintable(name));
            previousSize = size;
            // Referenced relative to the document, the space percent-encoded.
            QVERIFY(readText(target).contains(
                QStringLiteral("fileref=\"quality%20%1_files/picture1.jpg\"").arg(quality)));
            documents << target;
        }
        const QString problems = testtools::invalid(documents);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // With pictures=svg, a graphic used at many places is in the page once and used by its id at
    // the others; graphics beyond what one page may hold inline become SVG files.
    void repeatedGraphicsAreInlinedOnce()
    {
        // A real document with two graphics (some 800 K and 18 K characters of SVG), 20 times over.
        Document doc = DocumentReader::readFile(testDocument(kPictured));
        const Blocks once = doc.body;
        for (int i = 1; i < 20; ++i)
            doc.body.insert(doc.body.end(), once.begin(), once.end());

        writeSettings("[html]\npictures=svg\n");
        PublishOptions options;
        options.html = HtmlSettings::load();
        const QString target = m_out.filePath(QStringLiteral("repeated.html"));
        Publisher::publish(doc, PublishFormat::Html, target, QStringLiteral("r"), options);
        QString page = readText(target);
        QVERIFY2(page.size() < 2000000, qPrintable(QString::number(page.size()))); // not 17 MB
        for (const QString& id : {QStringLiteral("picture1"), QStringLiteral("picture2")}) {
            QCOMPARE(page.count(QStringLiteral("<svg id=\"%1\" role=\"img\"").arg(id)), 1);
            QCOMPARE(page.count(QStringLiteral("<use href=\"#%1\" width=\"100%\"").arg(id)), 19);
        }
        m_pages << target;

        // Within 100 K characters, the large graphic becomes a file; the small one stays inline.
        const QString capped = m_out.filePath(QStringLiteral("capped.html"));
        {
            OutputFiles files(capped);
            PictureExporter exporter(files, PictureFormat::InlineSvg, 85, 100000);
            HtmlOptions html;
            html.pictures = &exporter;
            HtmlWriter::write(doc, QStringLiteral("c"), html);
            exporter.finish();
            files.writeTarget(HtmlWriter::write(doc, QStringLiteral("c"), html));
            files.commit();
        }
        page = readText(capped);
        QCOMPARE(
            page.count(QLatin1String("<img src=\"capped_files/picture1.svg\" alt=\"Picture 1\">")),
            20);
        QCOMPARE(page.count(QLatin1String("<use href=\"#picture2\"")), 19);
        QVERIFY(!page.contains(QLatin1String("id=\"picture1\"")));
        QVERIFY(readText(m_out.filePath(QStringLiteral("capped_files/picture1.svg")))
                    .contains(QLatin1String("<svg ")));
        m_pages << capped;
        writeSettings(QByteArray());
    }

    void htmlSettingsShapeThePage_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("document");
        QTest::addColumn<QStringList>("inPage");
        QTest::addColumn<QStringList>("notInPage");
        QTest::addColumn<QStringList>("files"); // in the picture folder, by image format

        QTest::newRow("defaults") << QByteArray() << kPictured
                                  << QStringList{"<img src=\"defaults_files/picture1.png\" "
                                                 "alt=\"Picture 1\">",
                                                 "<style>"}
                                  << QStringList{"<link"}
                                  << QStringList{"picture1.png=png", "picture2.png=png"};
        QTest::newRow("jpeg") << QByteArray("[html]\npictures=jpeg\njpegQuality=40\n") << kPictured
                              << QStringList{"src=\"jpeg_files/picture1.jpg\""}
                              << QStringList{".png"}
                              << QStringList{"picture1.jpg=jpeg", "picture2.jpg=jpeg"};
        QTest::newRow("svg")
            << QByteArray("[html]\npictures=SVG\n") << kPictured
            << QStringList{"<svg id=\"picture1\" role=\"img\" aria-label=\"Picture 1\""}
            << QStringList{"<img"} << QStringList{};
        QTest::newRow("external") << QByteArray("[html]\nstyleSheet=external\n") << kPictured
                                  << QStringList{"<link rel=\"stylesheet\" "
                                                 "href=\"external_files/style.css\">"}
                                  << QStringList{"<style>"}
                                  << QStringList{"picture1.png=png", "picture2.png=png",
                                                 "style.css=css"};
        QTest::newRow("title from document")
            << QByteArray() << kTitled << QStringList{"<title>descriptive name</title>"}
            << QStringList{} << QStringList{};
        QTest::newRow("title from file name")
            << QByteArray("[html]\ntitle=filename\n") << kTitled
            << QStringList{"<title>aperture_corel-wordperfect-x3</title>"} << QStringList{}
            << QStringList{};
    }

    void htmlSettingsShapeThePage()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, document);
        QFETCH(QStringList, inPage);
        QFETCH(QStringList, notInPage);
        QFETCH(QStringList, files);
        writeSettings(ini);
        const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'-');
        const QString target = m_out.filePath(name + QStringLiteral(".html"));
        Engine engine;
        QCOMPARE(engine.call("FileOpen", {testDocument(document)}).kind, Reply::Kind::Null);
        QCOMPARE(engine.call("HTMLPublish", {target}).kind, Reply::Kind::Text);
        const QString page = readText(target);
        for (const QString& s : inPage)
            QVERIFY2(page.contains(s), qPrintable(s));
        for (const QString& s : notInPage)
            QVERIFY2(!page.contains(s), qPrintable(s));
        const QDir folder(m_out.filePath(name + QStringLiteral("_files")));
        QCOMPARE(folder.entryList(QDir::Files).size(), files.size());
        for (const QString& entry : files) {
            const QString file = folder.filePath(entry.section(u'=', 0, 0));
            const QString format = entry.section(u'=', 1);
            if (format == QLatin1String("css"))
                QVERIFY(readText(file).contains(QLatin1String("img,svg{max-width:100%")));
            else
                QCOMPARE(QImageReader(file).format(), format.toLatin1());
        }
        m_pages << target;
        if (QByteArray(QTest::currentDataTag()) == "title from file name") {
            const QString problems = testtools::invalid({}, m_pages);
            QVERIFY2(problems.isEmpty(), qPrintable(problems));
        }
    }

    void settingsThatCannotBeUnderstoodGiveTheDefaults()
    {
        writeSettings("[html]\npictures=gif\njpegQuality=best\nstyleSheet=inline\ntitle=\n");
        QStringList warnings;
        const HtmlSettings s = HtmlSettings::load(&warnings);
        QCOMPARE(warnings.size(), 3);
        QVERIFY(warnings.first().contains(QLatin1String("pictures=\"gif\"")));
        QVERIFY(s.pictures == PictureFormat::Png);
        QCOMPARE(s.jpegQuality, HtmlSettings().jpegQuality);
        QVERIFY(!s.externalStyleSheet);
        QVERIFY(!s.titleFromFileName);
        QVERIFY(QFile::remove(HtmlSettings::path()));
        warnings.clear();
        HtmlSettings::load(&warnings);
        QVERIFY(warnings.isEmpty());
    }

    // A damaged map's text (bytes of its text record changed) holds control characters, which
    // libwpg copies into its SVG as they stand: none reaches the page.
    void graphicTextKeepsNoControlCharacters()
    {
        QByteArray bytes = testsupport::readFile(testDocument(kPictured));
        bytes.replace(235108, 11, QByteArray::fromHex("a659e2d1240f688050f6eb"));
        const QString source = m_out.filePath(QStringLiteral("damaged.wpd"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        writeSettings("[html]\npictures=svg\n");
        PublishOptions options;
        options.html = HtmlSettings::load();
        const QString target = m_out.filePath(QStringLiteral("damaged.html"));
        Publisher::publish(DocumentReader::readFile(source), PublishFormat::Html, target,
                           QStringLiteral("d"), options);
        writeSettings(QByteArray());
        QVERIFY(readText(target).contains(QLatin1String("<svg")));
        QVERIFY(!readText(target).contains(QChar(0x7F)));
        m_pages << target;
    }

    // A picture that cannot be decoded is named in the output; the document is written all the same
    // (one that cannot be written fails the publish: see tst_hostile).
    void picturesThatCannotBeConvertedAreNamed()
    {
        Document doc;
        Paragraph p;
        p.inlines.push_back(Inline::textRun(QStringLiteral("Before ")));
        p.inlines.push_back(object(QByteArray("\xFFWPC\x10\0\0\0\x01\x16garbage", 17),
                                   QStringLiteral("image/x-wpg")));
        p.inlines.push_back(object(pngOf(40, 30), QStringLiteral("image/png")));
        p.inlines.push_back(object(pngOf(40, 30), QStringLiteral("image/png"))); // the same again
        QByteArray emf(88, '\0');
        emf[0] = 1;
        emf.replace(40, 4, " EMF");
        p.inlines.push_back(object(emf, QStringLiteral("image/emf")));
        doc.body.push_back(Block{p});

        const QString xml = m_out.filePath(QStringLiteral("broken.xml"));
        const PublishReport report =
            Publisher::publish(doc, PublishFormat::Xml, xml, QStringLiteral("b"));
        QCOMPARE(report.picturesWritten, 1);
        QCOMPARE(report.picturesFailed, 2);
        // One line for each, saying why.
        QCOMPARE(report.problems.size(), 2);
        QVERIFY2(report.problems.at(0).startsWith(QLatin1String("could not convert picture 1: ")),
                 qPrintable(report.problems.at(0)));
        QVERIFY2(
            report.problems.at(1).contains(QLatin1String("picture 3: it is an Enhanced Metafile")),
            qPrintable(report.problems.at(1)));
        const QString text = readText(xml);
        QVERIFY(text.contains(QLatin1String("<phrase>Picture 1 could not be converted</phrase>")));
        QCOMPARE(text.count(QLatin1String("fileref=\"broken_files/picture2.jpg\"")), 2);
        QCOMPARE(QDir(m_out.filePath(QStringLiteral("broken_files"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("picture2.jpg")});
        QCOMPARE(report.bytesWritten,
                 QFileInfo(xml).size() +
                     QFileInfo(m_out.filePath(QStringLiteral("broken_files/picture2.jpg"))).size());

        const QString problems = testtools::invalid({xml});
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
    }

    // A metafile embedded as an object is drawn at 96 dots per inch, each shape where it belongs.
    void metafilesAreDrawn()
    {
        Document doc;
        Paragraph p;
        p.inlines.push_back(object(testMetafile(), QStringLiteral("image/wmf")));
        doc.body.push_back(Block{p});
        const QString html = m_out.filePath(QStringLiteral("metafile.html"));
        const PublishReport report =
            Publisher::publish(doc, PublishFormat::Html, html, QStringLiteral("m"));
        QVERIFY2(report.problems.isEmpty(), qPrintable(report.problems.join(u'\n')));
        QCOMPARE(report.picturesWritten, 1);
        const QImage image(m_out.filePath(QStringLiteral("metafile_files/picture1.png")));
        QCOMPARE(image.size(), QSize(96, 48));
        QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 0)); // inside the rectangle
        QVERIFY(isBlank(image.pixel(45, 10)));          // right of it
        QCOMPARE(image.pixel(48, 43), qRgb(0, 0, 255)); // on the line (4 pixels wide at y 43)
        QVERIFY(isBlank(image.pixel(48, 38)));          // above the line
        int ink = 0; // of the letter, right of the rectangle and above the line
        for (int y = 0; y < 36; ++y)
            for (int x = 60; x < 96; ++x)
                ink += qGray(image.pixel(x, y)) < 100 && qAlpha(image.pixel(x, y)) > 200;
        QVERIFY2(ink > 20, qPrintable(QString::number(ink)));

        // A metafile cut short is the placeholder, not a blank picture.
        Document cut;
        Paragraph q;
        q.inlines.push_back(object(testMetafile().left(120), QStringLiteral("image/wmf")));
        cut.body.push_back(Block{q});
        const PublishReport cutReport =
            Publisher::publish(cut, PublishFormat::Html, m_out.filePath(QStringLiteral("cut.html")),
                               QStringLiteral("c"));
        QCOMPARE(cutReport.picturesFailed, 1);
        QVERIFY2(cutReport.problems.value(0).contains(QLatin1String("the metafile")),
                 qPrintable(cutReport.problems.value(0)));

        // What the engine prints for a library's message: one line, no payload.
        QCOMPARE(messageLine(QStringLiteral("Could not load data:image/wmf;base64,") +
                             QString(5000, u'A') + QStringLiteral("\nsecond line")),
                 QStringLiteral("Could not load data:image/wmf;base64,") + QString(18, u'A') +
                     QStringLiteral("..."));
    }

    // A bitmap whose header claims a size its data cannot hold (one flipped bit made a graphic
    // 17,146 pixels wide instead of 762) becomes the placeholder before anything that size is
    // allocated, with one short line; a healthy bitmap is decoded directly, run by run; a graphic
    // with nothing to draw is the placeholder too.
    void damagedBitmapHeaderGivesThePlaceholderQuietly()
    {
        // 3 x 2: a literal red pixel, two of blue (one run of a 3-byte unit), then the row again.
        const QByteArray runs("\x02\xFF\x00\x00\x7D\x03\x81\x00\x00\xFF\xFE\x00", 12);
        Document doc;
        Paragraph p;
        p.inlines.push_back(object(wpgBitmap(17146, 718, runs), QStringLiteral("image/x-wpg")));
        p.inlines.push_back(object(wpgBitmap(3, 2, runs), QStringLiteral("image/x-wpg")));
        // A graphic of a start and an end record: libwpg draws nothing and says nothing.
        QByteArray empty("\xFFWPC\x10\0\0\0\x01\x16\x02\0\0\0\0\0", 16);
        empty += QByteArray("\x0F\x01\0\x05\0\0\0\0\0\x0F\x02\0\0", 13);
        p.inlines.push_back(object(empty, QStringLiteral("image/x-wpg")));
        doc.body.push_back(Block{p});
        const QString html = m_out.filePath(QStringLiteral("flipped.html"));
        const PublishReport report =
            Publisher::publish(doc, PublishFormat::Html, html, QStringLiteral("f"));
        QCOMPARE(report.picturesFailed, 2);
        QCOMPARE(report.problems.size(), 2);
        QVERIFY2(report.problems.first().contains(QLatin1String("its size (17146 x 718 pixels)")),
                 qPrintable(report.problems.first()));
        // Never a blank picture.
        QCOMPARE(report.problems.last(),
                 QStringLiteral("could not convert picture 3: it holds nothing that can be drawn"));
        const QString page = readText(html);
        QVERIFY(page.contains(QLatin1String("[Picture 1 could not be converted]")));
        const QImage second(m_out.filePath(QStringLiteral("flipped_files/picture2.png")));
        QCOMPARE(second.size(), QSize(3, 2));
        for (int y = 0; y < 2; ++y) {
            QCOMPARE(second.pixel(0, y), qRgb(0xFF, 0, 0));
            QCOMPARE(second.pixel(1, y), qRgb(0, 0, 0xFF));
            QCOMPARE(second.pixel(2, y), qRgb(0, 0, 0xFF));
        }
    }

private:
    void writeSettings(const QByteArray& ini);
    QTemporaryDir m_config;
    QTemporaryDir m_out;
    QStringList m_pages; // for one run of the Nu checker at the end
};

void PicturesTest::writeSettings(const QByteArray& ini)
{
    QVERIFY(QDir().mkpath(m_config.filePath(QStringLiteral("quillon-engine"))));
    QFile file(HtmlSettings::path());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini);
}

QTEST_MAIN(PicturesTest)
#include "tst_pictures.moc"
