// Quillon engine tests: WordPerfect graphics painted straight from libwpg's drawing calls look
// as the SVG librevenge writes for the same calls does, drawn by Qt SVG (as the engine drew them
// before, and as HTML pages with inline SVG show them).
#include "DocumentReader.h"
#include "GraphicPainter.h"
#include "PictureCodec.h"
#include "PictureSink.h"
#include "TestData.h"
#include "XmlWriter.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>
#include <QtTest>

#include <librevenge-stream/librevenge-stream.h>
#include <librevenge/librevenge.h>
#include <libwpg/libwpg.h>

#include <functional>

using namespace engine;
using librevenge::RVNGPropertyList;
using librevenge::RVNGPropertyListVector;

namespace {

using Script = std::function<void(librevenge::RVNGDrawingInterface&)>;

// The SVG at 96 dots per inch, one pixel per CSS pixel, as the engine rendered graphics before.
QImage renderSvg(const QByteArray& svg)
{
    QSvgRenderer renderer(svg);
    const QSizeF size = renderer.viewBoxF().size() * (96 / 72.0);
    QImage image(qRound(size.width()), qRound(size.height()), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter);
    return image;
}

QImage svgOfScript(const Script& script)
{
    librevenge::RVNGStringVector pages;
    librevenge::RVNGSVGDrawingGenerator generator(pages, "");
    script(generator);
    return renderSvg(QByteArray(pages[0].cstr()));
}

QImage paintScript(const Script& script)
{
    graphic::Services services;
    services.decode = [](const QByteArray& data, QString*) { return QImage::fromData(data); };
    services.fonts = [] { return true; };
    return graphic::draw(
               [&](librevenge::RVNGDrawingInterface& painter) {
                   script(painter);
                   return true;
               },
               services)
        .image;
}

// The largest and the mean difference of a colour channel, both images laid on white.
struct Difference {
    int max = 0;
    double mean = 0;
};

Difference difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    const auto onWhite = [](QRgb c, int shift) {
        return int(((c >> shift & 0xFF) * qAlpha(c) + 255 * (255 - qAlpha(c))) / 255);
    };
    Difference d;
    qint64 sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            int most = 0;
            for (const int shift : {0, 8, 16})
                most = std::max(most, std::abs(onWhite(x.pixel(col, row), shift) -
                                               onWhite(y.pixel(col, row), shift)));
            d.max = std::max(d.max, most);
            sum += most;
        }
    }
    d.mean = double(sum) / (qint64(x.width()) * x.height());
    return d;
}

RVNGPropertyList point(double x, double y, const char* action = nullptr)
{
    RVNGPropertyList p;
    if (action)
        p.insert("librevenge:path-action", action);
    p.insert("svg:x", x);
    p.insert("svg:y", y);
    return p;
}

// A shape's place and size.
RVNGPropertyList box(double x, double y, double width, double height)
{
    RVNGPropertyList b = point(x, y);
    b.insert("svg:width", width);
    b.insert("svg:height", height);
    return b;
}

// A polygon's or polyline's points.
RVNGPropertyList vertices(std::initializer_list<std::pair<double, double>> points)
{
    RVNGPropertyListVector list;
    for (const auto& [x, y] : points)
        list.append(point(x, y));
    RVNGPropertyList shape;
    shape.insert("svg:points", list);
    return shape;
}

// An ellipse about its centre, turned by degrees.
RVNGPropertyList ellipse(double cx, double cy, double rx, double ry, double degrees)
{
    RVNGPropertyList e;
    e.insert("svg:cx", cx);
    e.insert("svg:cy", cy);
    e.insert("svg:rx", rx);
    e.insert("svg:ry", ry);
    e.insert("librevenge:rotate", degrees);
    return e;
}

void page(librevenge::RVNGDrawingInterface& d)
{
    RVNGPropertyList size;
    size.insert("svg:width", 3.0);
    size.insert("svg:height", 2.0);
    d.startDocument({});
    d.startPage(size);
}

RVNGPropertyList stroked(const char* color, double width, const char* fill = "none")
{
    RVNGPropertyList s;
    s.insert("draw:stroke", "solid");
    s.insert("svg:stroke-color", color);
    s.insert("svg:stroke-width", width);
    s.insert("draw:fill", fill);
    s.insert("draw:fill-color", "#3366cc");
    return s;
}

void shapes(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    RVNGPropertyList style = stroked("#aa0000", 0.02, "solid");
    style.insert("draw:opacity", 0.6, librevenge::RVNG_PERCENT);
    style.insert("svg:stroke-opacity", 0.8, librevenge::RVNG_PERCENT);
    d.setStyle(style);
    RVNGPropertyList rect = box(0.1, 0.1, 1.0, 0.5);
    d.drawRectangle(rect);
    rect.insert("svg:x", 1.3);
    rect.insert("svg:rx", 0.2);
    rect.insert("svg:ry", 0.1);
    d.drawRectangle(rect);
    d.drawEllipse(ellipse(2.5, 0.4, 0.4, 0.15, 30));
    style.insert("svg:fill-rule", "evenodd");
    d.setStyle(style);
    d.drawPolygon(vertices({{0.5, 0.8}, {0.8, 1.8}, {0.1, 1.1}, {0.9, 1.1}, {0.2, 1.8}}));
    d.setStyle(stroked("#006600", 0.03, "solid")); // a polyline is filled as if closed
    d.drawPolyline(vertices({{1.1, 1.9}, {1.4, 0.9}, {1.7, 1.9}, {2.0, 0.9}}));
    d.setStyle(stroked("#000000", 0)); // a stroke of width 0 is not drawn
    d.drawPolyline(vertices({{2.2, 1.0}, {2.9, 1.9}}));
    d.endPage();
}

// Shapes that reach far beyond the page (as a damaged graphic's do) look as they do unclipped.
void farShapes(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    d.setStyle(stroked("#aa0000", 0.04, "solid"));
    d.drawPolygon(vertices({{0.5, 0.5}, {60.0, 1.0}, {0.5, 1.5}}));
    d.drawPolygon(vertices({{1.0, 1.8}, {2.9, -70.0}, {-40.0, 1.9}}));
    d.setStyle(stroked("#006600", 0.03));
    d.drawPolyline(vertices({{-50.0, -30.0}, {1.5, 1.0}, {2.5, 0.2}, {80.0, 0.3}, {2.8, 1.9}}));
    d.setStyle(stroked("#000080", 0.02, "solid"));
    RVNGPropertyListVector path;
    path.append(point(0.2, 1.9, "M"));
    RVNGPropertyList curve = point(0.2, 0.2, "C");
    curve.insert("svg:x1", 90.0);
    curve.insert("svg:y1", 40.0);
    curve.insert("svg:x2", -60.0);
    curve.insert("svg:y2", -30.0);
    path.append(curve);
    path.append(point(0.0, 0.0, "Z"));
    RVNGPropertyList d1;
    d1.insert("svg:d", path);
    d.drawPath(d1);
    d.drawEllipse(ellipse(1.5, 41, 40, 40.2, 10));
    d.endPage();
}

void dashes(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    for (const double width : {0.01, 0.04}) {
        RVNGPropertyList style = stroked("#000080", width);
        style.insert("draw:stroke", "dash");
        style.insert("draw:dots1", 2);
        style.insert("draw:dots1-length", 12.0, librevenge::RVNG_POINT);
        style.insert("draw:dots2", 1);
        style.insert("draw:dots2-length", 3.0, librevenge::RVNG_POINT);
        style.insert("draw:distance", 4.0, librevenge::RVNG_POINT);
        d.setStyle(style);
        d.drawPolyline(vertices({{0.1, 0.2 + width * 20}, {2.9, 0.6 + width * 20}, {1.5, 1.9}}));
    }
    d.endPage();
}

void gradients(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    RVNGPropertyList style;
    style.insert("draw:fill", "gradient");
    style.insert("draw:angle", -45);
    RVNGPropertyListVector stops;
    for (const auto& [offset, color, opacity] :
         {std::tuple(0.0, "#009f00", 0.4), {0.85, "#ffffff", 1.0}, {1.0, "#009f00", 0.4}}) {
        RVNGPropertyList stop;
        stop.insert("svg:offset", offset, librevenge::RVNG_PERCENT);
        stop.insert("svg:stop-color", color);
        stop.insert("svg:stop-opacity", opacity, librevenge::RVNG_PERCENT);
        stops.append(stop);
    }
    style.insert("svg:linearGradient", stops);
    d.setStyle(style);
    RVNGPropertyList rect = box(0.1, 0.1, 1.3, 1.8);
    d.drawRectangle(rect);
    RVNGPropertyList plain;
    plain.insert("draw:fill", "gradient");
    plain.insert("draw:angle", 30);
    plain.insert("draw:start-color", "#ff0000");
    plain.insert("draw:end-color", "#0000ff");
    d.setStyle(plain);
    rect.insert("svg:x", 1.6);
    d.drawRectangle(rect);
    d.endPage();
}

void paths(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    RVNGPropertyList style = stroked("#000000", 0.02, "solid");
    style.insert("svg:fill-rule", "evenodd");
    d.setStyle(style);
    RVNGPropertyListVector path;
    path.append(point(0.2, 0.2, "M"));
    path.append(point(1.0, 0.2, "L"));
    path.append(point(1.4, 0, "H"));
    path.append(point(0, 0.6, "V"));
    RVNGPropertyList arc = point(2.6, 1.2, "A");
    arc.insert("svg:rx", 0.6);
    arc.insert("svg:ry", 0.4);
    arc.insert("librevenge:rotate", 15.0);
    arc.insert("librevenge:large-arc", false);
    arc.insert("librevenge:sweep", true);
    path.append(arc);
    RVNGPropertyList cubic = point(1.8, 1.8, "C");
    cubic.insert("svg:x1", 2.6);
    cubic.insert("svg:y1", 1.9);
    cubic.insert("svg:x2", 2.0);
    cubic.insert("svg:y2", 1.4);
    path.append(cubic);
    RVNGPropertyList smooth = point(1.0, 1.6, "S");
    smooth.insert("svg:x1", 1.4);
    smooth.insert("svg:y1", 1.2);
    path.append(smooth);
    RVNGPropertyList quad = point(0.4, 1.8, "Q");
    quad.insert("svg:x1", 0.8);
    quad.insert("svg:y1", 1.9);
    path.append(quad);
    path.append(point(0.2, 1.0, "T"));
    path.append(point(0, 0, "Z"));
    path.append(point(0.5, 0.5, "M")); // a hole
    path.append(point(0.9, 0.5, "L"));
    path.append(point(0.7, 0.9, "L"));
    path.append(point(0, 0, "Z"));
    RVNGPropertyList shape;
    shape.insert("svg:d", path);
    d.drawPath(shape);
    d.endPage();
}

void picture(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    QImage image(8, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 40, 128));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "png");
    RVNGPropertyList object = box(0.5, 0.4, 2.0, 1.2);
    object.insert("librevenge:mime-type", "image/png");
    object.insert(
        "office:binary-data",
        librevenge::RVNGBinaryData(reinterpret_cast<const unsigned char*>(png.data().data()),
                                   static_cast<unsigned long>(png.size())));
    object.insert("librevenge:rotate", 20.0);
    d.drawGraphicObject(object);
    d.setStyle(stroked("#000000", 0.02));
    d.drawRectangle(box(0.1, 0.1, 0.5, 0.5));
    d.endPage();
}

void text(librevenge::RVNGDrawingInterface& d)
{
    page(d);
    RVNGPropertyList at;
    at.insert("svg:x", 0.2);
    at.insert("svg:y", 1.0);
    d.startTextObject(at);
    d.openParagraph({});
    RVNGPropertyList span;
    span.insert("style:font-name", "DejaVu Sans");
    span.insert("fo:font-size", 20.0, librevenge::RVNG_POINT);
    span.insert("fo:color", "#202080");
    d.openSpan(span);
    d.insertText("Quillon ");
    d.closeSpan();
    span.insert("fo:font-weight", "bold");
    span.insert("fo:font-size", 14.0, librevenge::RVNG_POINT);
    d.openSpan(span);
    d.insertText("maps");
    d.closeSpan();
    d.closeParagraph();
    d.endTextObject();
    d.endPage();
}

graphic::Services plainServices()
{
    graphic::Services services;
    services.decode = [](const QByteArray& data, QString*) { return QImage::fromData(data); };
    services.fonts = [] { return true; };
    return services;
}

// libwpg's drawing of a graphic, painted in one piece.
graphic::Drawing paintWithLibwpg(const QByteArray& wpg)
{
    librevenge::RVNGStringStream input(reinterpret_cast<const unsigned char*>(wpg.constData()),
                                       static_cast<unsigned int>(wpg.size()));
    return graphic::draw(
        [&](librevenge::RVNGDrawingInterface& painter) {
            return libwpg::WPGraphics::parse(&input, &painter);
        },
        plainServices());
}

QByteArray le16(int value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian<qint16>(qint16(value), bytes.data());
    return bytes;
}

QByteArray words(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int v : values)
        bytes += le16(v);
    return bytes;
}

// A WPG 2 graphic of 16-bit coordinates: its start record (units an inch, the page's frame and
// the extension: how many records after it belong to it), the records given, the end record.
struct Wpg2 {
    QByteArray bytes = QByteArray::fromHex("ff575043100000000116020000000000");

    explicit Wpg2(int xres = 1200, int yres = 1200, int extension = 0,
                  QByteArray frame = words({0, 0, 2400, 1200}))
    {
        record(0x01, words({xres, yres}) + '\0' + frame + frame, extension);
    }
    Wpg2& record(int type, const QByteArray& data, int extension = 0)
    {
        bytes += char(4);
        bytes += char(type);
        bytes += char(extension);
        if (data.size() < 0xFF)
            bytes += char(data.size());
        else
            bytes += '\xFF' + le16(int(data.size()));
        bytes += data;
        return *this;
    }
    // A polyline of the flags (a shape without an object identifier gets none).
    Wpg2& polyline(int flags, std::initializer_list<std::pair<int, int>> points,
                   const QByteArray& lockAndId = words({7}))
    {
        QByteArray data = le16(flags) + lockAndId + le16(int(points.size()));
        for (const auto& [x, y] : points)
            data += words({x, y});
        return record(0x15, data);
    }
    QByteArray end() const { return Wpg2(*this).record(0x02, {}).bytes; }
};

const std::initializer_list<std::pair<int, int>> kTriangle = {{200, 200}, {1800, 300}, {900, 1100}};

// Collects the WordPerfect graphics a document embeds.
class Graphics final : public PictureSink {
public:
    QList<QByteArray> found;
    PictureRef picture(const Inline& object) override
    {
        if (object.data.startsWith("\xFFWPC") && !found.contains(object.data))
            found << object.data;
        return {};
    }
};

} // namespace

class DrawingTest : public QObject {
    Q_OBJECT

private slots:
    void callsAreDrawnAsTheirSvg_data();
    void callsAreDrawnAsTheirSvg();
    void documentGraphicsAreDrawnAsTheirSvg();
    void plainShapesAreDrawnAsLibwpgDrawsThem_data();
    void plainShapesAreDrawnAsLibwpgDrawsThem();
    void otherGraphicsAreLeftToLibwpg();
};

void DrawingTest::callsAreDrawnAsTheirSvg_data()
{
    QTest::addColumn<Script>("script");
    QTest::addColumn<int>("maxDifference");     // anti-aliasing, rounding
    QTest::addColumn<double>("meanDifference"); // a share of the ink's own mean
    QTest::newRow("shapes, fills, strokes, opacity") << Script(shapes) << 16 << 0.01;
    QTest::newRow("dashes") << Script(dashes) << 16 << 0.01;
    QTest::newRow("far beyond the page") << Script(farShapes) << 16 << 0.01;
    QTest::newRow("gradients") << Script(gradients) << 16 << 0.01;
    QTest::newRow("paths") << Script(paths) << 16 << 0.01;
    QTest::newRow("embedded picture") << Script(picture) << 16 << 0.01;
    // Glyphs are laid out alike but may fall a fraction of a pixel apart.
    QTest::newRow("text") << Script(text) << 255 << 0.3;
}

void DrawingTest::callsAreDrawnAsTheirSvg()
{
    QFETCH(Script, script);
    QFETCH(int, maxDifference);
    QFETCH(double, meanDifference);
    const QImage svg = svgOfScript(script);
    const QImage painted = paintScript(script);
    QCOMPARE(painted.size(), svg.size());
    const Difference d = difference(svg, painted);
    QImage blank(painted.size(), QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    const double ink = difference(blank, svg).mean;
    qInfo("largest difference %d, mean %.4f (of ink %.4f)", d.max, d.mean, ink);
    QVERIFY(d.max <= maxDifference);
    QVERIFY(d.mean <= meanDifference * ink);
}

// Every graphic of the test documents (and of the shared corpus, when it is there) as the
// engine writes it (in halves for a map of thousands of shapes): a graphic that merely wraps a
// bitmap is that bitmap, pixel for pixel; any other looks as its SVG.
void DrawingTest::documentGraphicsAreDrawnAsTheirSvg()
{
    QByteArray why;
    const PictureCodec* codec = PictureCodec::instance(&why);
    QVERIFY2(codec, why.constData());
    QSet<QByteArray> compared;
    int plain = 0; // graphics of plain shapes, drawn without libwpg too
    for (const QString& folder : testsupport::documentFolders()) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            Graphics graphics;
            try {
                XmlWriter::write(DocumentReader::readFile(file.filePath()), QString(), &graphics);
            } catch (...) {
                continue;
            }
            for (const QByteArray& wpg : std::as_const(graphics.found)) {
                if (compared.contains(wpg))
                    continue;
                const QByteArray svg = codec->wpgToSvg(wpg);
                const QImage drawn =
                    QImage::fromData(codec->convert(wpg, PictureFormat::Png, 0).bytes);
                if (svg.isEmpty() || drawn.isNull())
                    continue;
                QImage expected = renderSvg(svg);
                const QRegularExpression oneImage(QStringLiteral(
                    "^[^<]*<svg[^>]*>\\s*<image "
                    "[^>]*href=\"data:[^;]*;base64,([^\"]*)\"[^>]*>\\s*</svg>\\s*$"));
                const QRegularExpressionMatch wrapped = oneImage.match(QString::fromUtf8(svg));
                if (wrapped.hasMatch())
                    expected =
                        QImage::fromData(QByteArray::fromBase64(wrapped.captured(1).toLatin1()));
                QCOMPARE(drawn.size(), expected.size());
                const Difference d = difference(expected, drawn);
                qInfo("%s graphic %d (%dx%d%s): largest difference %d, mean %.4f",
                      qPrintable(file.fileName()), int(graphics.found.indexOf(wpg)) + 1,
                      drawn.width(), drawn.height(), wrapped.hasMatch() ? ", a bitmap" : "", d.max,
                      d.mean);
                QVERIFY(wrapped.hasMatch() ? d.max == 0 : d.max <= 32 && d.mean <= 0.01);
                compared.insert(wpg);
                if (const std::optional<wpg::Shapes> shapes = wpg::readShapes(wpg)) {
                    const graphic::Drawing own = graphic::drawShapes(*shapes, plainServices());
                    QCOMPARE(own.image, paintWithLibwpg(wpg).image);
                    ++plain;
                }
            }
        }
    }
    QVERIFY(compared.size() >= 2);
    QVERIFY(plain >= 1); // the map of opf_TOPOPREC
}

// Graphics of polylines in solid colours, read without libwpg: drawn pixel for pixel as libwpg
// draws them, its quirks included.
void DrawingTest::plainShapesAreDrawnAsLibwpgDrawsThem_data()
{
    QTest::addColumn<QByteArray>("wpg");
    const auto colors = [] {
        return Wpg2()
            .record(0x31, QByteArray::fromHex("00cc336640")) // brush: colour, 255 - opacity
            .record(0x26, QByteArray::fromHex("11882200"))   // pen
            .record(0x2B, words({40, 40}));                  // pen width in units
    };
    QTest::newRow("filled, outlined, closed, winding")
        << colors()
               .polyline(0xF020, kTriangle)
               .polyline(0x2020, {{100, 100}, {2300, 1100}, {2300, 100}, {100, 1100}})
               .polyline(0x3020, {{100, 600}, {2300, 700}, {1200, 100}, {1200, 1150}})
               .polyline(0x8020, {{100, 1000}, {700, 400}, {1300, 1000}})
               .polyline(0x4020, {{1500, 200}, {2200, 300}, {1900, 1000}})
               .end();
    QTest::newRow("too few points for a polygon")
        << colors()
               .polyline(0xF020, {{100, 100}, {2000, 1000}})
               .polyline(0xE020, {{100, 100}})
               .polyline(0xE020, {})
               .end();
    // The start's extension records do not apply; the first drawing uses the defaults.
    QTest::newRow("start extension") << Wpg2(1200, 1200, 3)
                                            .record(0x31, QByteArray::fromHex("00ff000000"))
                                            .record(0x2B, words({100, 100}))
                                            .record(0x35, words({0}))
                                            .polyline(0xF020, kTriangle)
                                            .end();
    QTest::newRow("edit lock, long object id, inert records")
        << Wpg2()
               .record(0x0A, "a comment")
               .record(0x27, QByteArray::fromHex("ff000000"))
               .record(0x39, QByteArray::fromHex("d0085a94e8"))
               .polyline(0xA0A0, kTriangle, words({1, 2, 0x8001, 5}))
               .polyline(0x8000, {{0, 0}, {2400, 1200}}, {})
               .end();
    QTest::newRow("other units, frame away from the origin")
        << Wpg2(600, 300, 0, words({-500, -300, 700, 0}))
               .record(0x2B, words({6, 6}))
               .polyline(0xB020, {{-400, -250}, {600, -280}, {100, -20}})
               .end();
    // Text whose data libwpg does not show: it draws an empty text object.
    QTest::newRow("text lines that show nothing")
        << colors()
               .polyline(0xF020, kTriangle)
               .record(0x1C, words({0x1020, 9, 0, 100, 100, 3, 0, 0}), 1)
               .record(0x0F, QByteArray::fromHex("d41a"))
               .polyline(0x2020, {{100, 100}, {600, 100}, {600, 600}})
               .end();
}

void DrawingTest::plainShapesAreDrawnAsLibwpgDrawsThem()
{
    QFETCH(QByteArray, wpg);
    const std::optional<wpg::Shapes> shapes = wpg::readShapes(wpg);
    QVERIFY(shapes);
    const graphic::Drawing libwpg = paintWithLibwpg(wpg);
    QVERIFY(libwpg.parsed);
    const graphic::Drawing own = graphic::drawShapes(*shapes, plainServices());
    QVERIFY(own.parsed);
    QCOMPARE(own.image.size(), libwpg.image.size());
    QCOMPARE(own.image, libwpg.image);
    QCOMPARE(own.drawn, int(shapes->shapes.size()));
}

// What the reader does not know is left to libwpg, whole; so is text libwpg shows.
void DrawingTest::otherGraphicsAreLeftToLibwpg()
{
    const QList<QByteArray> refused = {
        Wpg2().record(0x31, QByteArray::fromHex("01cc336600")).polyline(0x2020, kTriangle).end(),
        Wpg2().record(0x29, words({1})).polyline(0x8020, kTriangle).end(), // dashes
        Wpg2().record(0x2C, words({0, 1, 0, 1})).polyline(0x8020, kTriangle).end(),
        Wpg2().polyline(0x2030, kTriangle, words({7, 0, 1, 0, 1})).end(), // rotated
        Wpg2(1200, 1200, 1).polyline(0x2020, kTriangle).end(),  // a shape in the extension
        Wpg2().record(0x15, words({0x2020, 7, 9, 1, 1})).end(), // more points than the record
        Wpg2().record(0x17, words({0x2020, 7, 0})).end(),       // a curve
        Wpg2().polyline(0x2020, kTriangle).bytes,               // no end
    };
    for (const QByteArray& wpg : refused)
        QVERIFY(!wpg::readShapes(wpg));

    // Text libwpg shows: the engine leaves the whole graphic to libwpg, which draws it.
    const QByteArray text = Wpg2()
                                .polyline(0x2020, kTriangle)
                                .record(0x1C, words({0x1020, 9, 0, 100, 100, 3, 0, 0}), 1)
                                .record(0x0F, "Hello world")
                                .end();
    const std::optional<wpg::Shapes> shapes = wpg::readShapes(text);
    QVERIFY(shapes && shapes->text);
    QByteArray why;
    const PictureCodec* codec = PictureCodec::instance(&why);
    QVERIFY2(codec, why.constData());
    const QImage engine = QImage::fromData(codec->convert(text, PictureFormat::Png, 0).bytes);
    const QImage libwpg = paintWithLibwpg(text).image;
    QCOMPARE(engine.size(), libwpg.size());
    QVERIFY(difference(engine, libwpg).max == 0);
    QVERIFY(difference(engine, graphic::drawShapes(*shapes, plainServices()).image).max > 0);
}

QTEST_MAIN(DrawingTest)
#include "tst_drawing.moc"
