// Quillon engine: drawing WordPerfect graphics straight onto an image.
//
// libwpg describes a graphic through librevenge's drawing interface. Each call is painted as it
// comes, the way Qt SVG paints the SVG that librevenge's SVG generator writes for that call:
// the graphic looks as it did when it went through SVG text, without writing, parsing and
// walking hundreds of kilobytes of it. What the generator leaves out (a shape without its
// coordinates, an unknown path command) is left out here too.
#include "GraphicPainter.h"

#include "BinaryData.h"

#include <QElapsedTimer>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <librevenge/librevenge.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace engine::graphic {
namespace {

using librevenge::RVNGProperty;
using librevenge::RVNGPropertyList;
using librevenge::RVNGPropertyListVector;

constexpr double kDpi = 96;
constexpr double kMaxCoordinate = 1e6;          // points, some 14,000 inches: far beyond any page
constexpr unsigned long kMaxPoints = 1ul << 20; // of one shape
constexpr int kMaxDashes = 64;                  // repetitions of each kind of dash
constexpr qsizetype kMaxText = 64 * 1024;       // characters of one text object

// Thrown through libwpg to stop a drawing that takes too long.
struct Stop {};

double bounded(double value)
{
    return std::isfinite(value) ? std::clamp(value, -kMaxCoordinate, kMaxCoordinate) : 0.0;
}

// A length in points, from a property in any unit (inches unless it says otherwise).
double points(const RVNGProperty& p)
{
    switch (p.getUnit()) {
    case librevenge::RVNG_POINT:
        return bounded(p.getDouble());
    case librevenge::RVNG_TWIP:
        return bounded(p.getDouble() / 20);
    default:
        return bounded(p.getDouble() * 72);
    }
}

std::optional<double> pointsOf(const RVNGPropertyList& props, const char* name)
{
    const RVNGProperty* p = props[name];
    return p ? std::optional<double>(points(*p)) : std::nullopt;
}

double number(const RVNGProperty& p)
{
    const double value = p.getDouble();
    return std::isfinite(value) ? value : 0.0;
}

// A colour as SVG gives it ("#rrggbb", a name); invalid when it is none.
QColor colorOf(const RVNGProperty* p)
{
    return p ? QColor(QLatin1String(p->getStr().cstr())) : QColor();
}

QPointF pointOf(const RVNGPropertyList& props, const char* x, const char* y)
{
    return {points(*props[x]), points(*props[y])};
}

bool has(const RVNGPropertyList& props, std::initializer_list<const char*> names)
{
    return std::all_of(names.begin(), names.end(), [&](const char* n) { return props[n]; });
}

// A gradient's colour stops, as Qt SVG reads them: offsets clamped to 0..1 and each made
// greater than the one before.
void addStop(QGradient& gradient, double offset, QColor color, bool* first)
{
    offset = std::clamp(offset, 0.0, 1.0);
    if (!*first) {
        const double last = gradient.stops().constLast().first;
        if (offset <= last)
            offset = last + FLT_EPSILON;
        if (offset > 1.0) {
            QGradientStops stops = gradient.stops();
            if (stops.size() == 1 || stops.at(stops.size() - 2).first < 1.0 - FLT_EPSILON) {
                stops.back().first = 1.0 - FLT_EPSILON;
                gradient.setStops(stops);
            }
            offset = 1.0;
        }
    }
    gradient.setColorAt(offset, color);
    *first = false;
}

// A linear gradient across the shape's bounding box, top to bottom turned by the angle.
QBrush gradientOf(const RVNGPropertyList& props)
{
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setInterpolationMode(QGradient::ComponentInterpolation);
    bool first = true;
    if (const RVNGPropertyListVector* stops = props.child("svg:linearGradient")) {
        for (unsigned long i = 0; i < stops->count() && i < 256; ++i) {
            const RVNGPropertyList& stop = (*stops)[i];
            const RVNGProperty* offset = stop["svg:offset"];
            QColor color = stop["svg:stop-color"] ? colorOf(stop["svg:stop-color"]) : Qt::black;
            if (!color.isValid())
                color = Qt::black;
            if (const RVNGProperty* opacity = stop["svg:stop-opacity"])
                color.setAlphaF(float(std::clamp(number(*opacity), 0.0, 1.0)));
            addStop(gradient, offset ? number(*offset) : 0.0, color, &first);
        }
    } else if (props["draw:start-color"] && props["draw:end-color"]) {
        addStop(gradient, 0, colorOf(props["draw:start-color"]), &first);
        addStop(gradient, 1, colorOf(props["draw:end-color"]), &first);
    }
    if (first) // no stops: nothing shows
        gradient.setColorAt(0, QColor(0, 0, 0, 0));
    QBrush brush(gradient);
    const RVNGProperty* angle = props["draw:angle"];
    brush.setTransform(
        QTransform().translate(0.5, 0.5).rotate(angle ? -number(*angle) : 0).translate(-0.5, -0.5));
    return brush;
}

// Qt's raster engine takes seconds over a shape whose points lie hundreds of thousands of
// pixels away (a damaged graphic), however little of it shows. Such a shape is first cut down to
// a rectangle around the page, far enough out that nothing that shows changes.

// The part of a closed polygon inside the rectangle (Sutherland and Hodgman's clipping): within
// the rectangle every point is covered as before, by either fill rule.
QPolygonF clipPolygon(const QPolygonF& polygon, const QRectF& rect)
{
    QPolygonF result = polygon;
    for (int side = 0; side < 4 && !result.isEmpty(); ++side) {
        // Signed distance inside the side: not negative for a point on the rectangle's side.
        const auto in = [&](QPointF p) {
            switch (side) {
            case 0:
                return p.x() - rect.left();
            case 1:
                return rect.right() - p.x();
            case 2:
                return p.y() - rect.top();
            default:
                return rect.bottom() - p.y();
            }
        };
        const QPolygonF input = std::move(result);
        result.clear();
        for (qsizetype i = 0; i < input.size(); ++i) {
            const QPointF from = input[(i + input.size() - 1) % input.size()];
            const QPointF to = input[i];
            const double a = in(from);
            const double b = in(to);
            if ((a < 0) != (b < 0))
                result << from + (to - from) * (a / (a - b));
            if (b >= 0)
                result << to;
        }
    }
    return result;
}

// The parts of an open polyline inside the rectangle (Liang and Barsky's clipping of each
// segment).
QList<QPolygonF> clipPolyline(const QPolygonF& line, const QRectF& rect)
{
    QList<QPolygonF> parts;
    QPolygonF part;
    const auto end = [&] {
        if (part.size() > 1)
            parts << part;
        part.clear();
    };
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1];
        const QPointF d = line[i] - a;
        double t0 = 0;
        double t1 = 1;
        for (const auto& [p, q] :
             {std::pair(-d.x(), a.x() - rect.left()), std::pair(d.x(), rect.right() - a.x()),
              std::pair(-d.y(), a.y() - rect.top()), std::pair(d.y(), rect.bottom() - a.y())}) {
            if (p == 0) {
                if (q < 0)
                    t0 = 2; // parallel to the side and outside it
            } else if (p < 0) {
                t0 = std::max(t0, q / p);
            } else {
                t1 = std::min(t1, q / p);
            }
        }
        if (t0 > t1) {
            end();
            continue;
        }
        const QPointF from = a + d * t0;
        if (part.isEmpty() || part.constLast() != from) {
            end();
            part << from;
        }
        part << a + d * t1;
        if (t1 < 1)
            end();
    }
    end();
    return parts;
}

// The line a shape's outline follows; a closed one from a point beyond the rectangle and back to
// it, so that no join that shows becomes two line ends.
QPolygonF strokeOf(const QPolygonF& points, bool closed, const QRectF& rect)
{
    QPolygonF line = points;
    if (closed && !line.isEmpty()) {
        const auto far = std::find_if(points.cbegin(), points.cend(),
                                      [&](QPointF p) { return !rect.contains(p); });
        if (far != points.cend())
            std::rotate(line.begin(), line.begin() + (far - points.cbegin()), line.end());
        line << line.constFirst();
    }
    return line;
}

// The current style: what a shape is filled and stroked with.
struct Style {
    QPen pen{Qt::NoBrush, 1, Qt::SolidLine, Qt::FlatCap, Qt::SvgMiterJoin};
    QBrush brush{Qt::black};
    Qt::FillRule fillRule = Qt::WindingFill;
    double fillOpacity = 1;
    double strokeOpacity = 1;

    Style() { pen.setMiterLimit(4); }
    // A stroke of width 0 is not drawn (SVG's rule).
    bool strokes() const
    {
        return pen.style() != Qt::NoPen && pen.brush().style() != Qt::NoBrush && pen.widthF() != 0;
    }
};

// The properties of a style, found in one walk over its list (a graphic sets a style for each
// of its shapes, and each lookup by name costs a search).
struct StyleProperties {
    const RVNGProperty* strokeWidth = nullptr;
    const RVNGProperty* stroke = nullptr;
    const RVNGProperty* strokeColor = nullptr;
    const RVNGProperty* strokeOpacity = nullptr;
    const RVNGProperty* distance = nullptr;
    const RVNGProperty* dots1 = nullptr;
    const RVNGProperty* dots1Length = nullptr;
    const RVNGProperty* dots2 = nullptr;
    const RVNGProperty* dots2Length = nullptr;
    const RVNGProperty* lineCap = nullptr;
    const RVNGProperty* lineJoin = nullptr;
    const RVNGProperty* fill = nullptr;
    const RVNGProperty* fillColor = nullptr;
    const RVNGProperty* fillRule = nullptr;
    const RVNGProperty* opacity = nullptr;

    explicit StyleProperties(const RVNGPropertyList& props)
    {
        using P = StyleProperties;
        static const std::pair<const char*, const RVNGProperty * P::*> names[] = {
            {"svg:stroke-width", &P::strokeWidth},  {"draw:stroke", &P::stroke},
            {"svg:stroke-color", &P::strokeColor},  {"svg:stroke-opacity", &P::strokeOpacity},
            {"draw:distance", &P::distance},        {"draw:dots1", &P::dots1},
            {"draw:dots1-length", &P::dots1Length}, {"draw:dots2", &P::dots2},
            {"draw:dots2-length", &P::dots2Length}, {"svg:stroke-linecap", &P::lineCap},
            {"svg:stroke-linejoin", &P::lineJoin},  {"draw:fill", &P::fill},
            {"draw:fill-color", &P::fillColor},     {"svg:fill-rule", &P::fillRule},
            {"draw:opacity", &P::opacity}};
        RVNGPropertyList::Iter i(props);
        for (i.rewind(); i.next();) {
            const char* key = i.key();
            for (const auto& [name, member] : names) {
                if (std::strcmp(key, name) == 0) {
                    this->*member = i();
                    break;
                }
            }
        }
    }
};

librevenge::RVNGString text(const RVNGProperty* p)
{
    return p ? p->getStr() : librevenge::RVNGString();
}

Style styleOf(const RVNGPropertyList& props)
{
    const StyleProperties found(props);
    Style style;
    QPen& pen = style.pen;
    const double width = found.strokeWidth ? points(*found.strokeWidth) : 0;
    if (found.strokeWidth && width >= 0)
        pen.setWidthF(width);
    const librevenge::RVNGString stroke = text(found.stroke);
    if (found.stroke && stroke != "none") {
        const QColor color = colorOf(found.strokeColor);
        if (color.isValid())
            pen.setBrush(color);
        if (found.strokeOpacity)
            style.strokeOpacity = std::clamp(number(*found.strokeOpacity), 0.0, 1.0);
    }
    if (stroke == "dash") {
        // Dashes in points (a length in percent is a hundredth of the line's width), each
        // followed by the gap; SVG's dash lengths are made relative to the width for QPen.
        const auto length = [&](const RVNGProperty* p) {
            if (!p)
                return width;
            return p->getUnit() == librevenge::RVNG_PERCENT ? bounded(number(*p) * 100 * width)
                                                            : points(*p);
        };
        const double gap = length(found.distance);
        QList<qreal> dashes;
        for (const auto& [count, size] : {std::pair(found.dots1, found.dots1Length),
                                          std::pair(found.dots2, found.dots2Length)}) {
            const int n = count ? std::clamp(count->getInt(), 0, kMaxDashes) : 0;
            for (int i = 0; i < n; ++i)
                dashes << length(size) << gap;
        }
        const double unit = pen.widthF() > 0 ? pen.widthF() : 1;
        for (qreal& dash : dashes)
            dash = std::max(0.0, dash / unit);
        if (!dashes.isEmpty())
            pen.setDashPattern(dashes);
    }
    if (found.lineCap) {
        const librevenge::RVNGString cap = found.lineCap->getStr();
        pen.setCapStyle(cap == "round"    ? Qt::RoundCap
                        : cap == "square" ? Qt::SquareCap
                                          : Qt::FlatCap);
    }
    if (found.lineJoin) {
        const librevenge::RVNGString join = found.lineJoin->getStr();
        pen.setJoinStyle(join == "round"   ? Qt::RoundJoin
                         : join == "bevel" ? Qt::BevelJoin
                                           : Qt::SvgMiterJoin);
    }
    const librevenge::RVNGString fill = text(found.fill);
    if (fill == "none") {
        style.brush = Qt::NoBrush;
    } else {
        if (fill == "solid") {
            const QColor color = colorOf(found.fillColor);
            if (color.isValid())
                style.brush = color;
        } else if (fill == "gradient") {
            style.brush = gradientOf(props);
        } else if (fill == "bitmap") {
            style.brush = Qt::NoBrush; // a pattern the graphic does not define
        }
        if (found.fillRule)
            style.fillRule =
                found.fillRule->getStr() == "evenodd" ? Qt::OddEvenFill : Qt::WindingFill;
    }
    if (found.opacity)
        style.fillOpacity = std::clamp(number(*found.opacity), 0.0, 1.0);
    return style;
}

// A run of a text object: the text of a span, or text between spans.
struct TextRun {
    QString text;
    bool span = false;
    QFont font;
    QColor color = Qt::black;
};

// An SVG elliptical arc from the current point as cubic curves (SVG's endpoint to centre
// conversion).
void arcTo(QPainterPath& path, double rx, double ry, double rotation, bool large, bool sweep,
           QPointF to)
{
    const QPointF from = path.currentPosition();
    rx = std::abs(rx);
    ry = std::abs(ry);
    if (rx == 0 || ry == 0 || from == to) {
        path.lineTo(to);
        return;
    }
    const double phi = qDegreesToRadians(rotation);
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    const double dx = (from.x() - to.x()) / 2;
    const double dy = (from.y() - to.y()) / 2;
    const double x1 = cosPhi * dx + sinPhi * dy;
    const double y1 = -sinPhi * dx + cosPhi * dy;
    const double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double factor = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
    if (large == sweep)
        factor = -factor;
    const double cx1 = factor * rx * y1 / ry;
    const double cy1 = -factor * ry * x1 / rx;
    const double cx = cosPhi * cx1 - sinPhi * cy1 + (from.x() + to.x()) / 2;
    const double cy = sinPhi * cx1 + cosPhi * cy1 + (from.y() + to.y()) / 2;
    const auto angle = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double theta = angle(1, 0, (x1 - cx1) / rx, (y1 - cy1) / ry);
    double delta = angle((x1 - cx1) / rx, (y1 - cy1) / ry, (-x1 - cx1) / rx, (-y1 - cy1) / ry);
    if (!std::isfinite(theta) || !std::isfinite(delta)) { // radii too small to divide by
        path.lineTo(to);
        return;
    }
    if (!sweep && delta > 0)
        delta -= 2 * M_PI;
    else if (sweep && delta < 0)
        delta += 2 * M_PI;
    const int segments = std::max(1, int(std::ceil(std::abs(delta) / (M_PI / 2) - 0.001)));
    const double step = delta / segments;
    const double t = 4.0 / 3.0 * std::tan(step / 4);
    // Each segment of at most a quarter turn is a cubic curve on the unit circle, mapped onto
    // the ellipse.
    const auto onEllipse = [&](double ux, double uy) {
        const double x = rx * ux;
        const double y = ry * uy;
        return QPointF(cosPhi * x - sinPhi * y + cx, sinPhi * x + cosPhi * y + cy);
    };
    for (int i = 0; i < segments; ++i) {
        const double a1 = theta + i * step;
        const double a2 = a1 + step;
        const QPointF c1 =
            onEllipse(std::cos(a1) - t * std::sin(a1), std::sin(a1) + t * std::cos(a1));
        const QPointF c2 =
            onEllipse(std::cos(a2) + t * std::sin(a2), std::sin(a2) - t * std::cos(a2));
        path.cubicTo(c1, c2, i + 1 == segments ? to : onEllipse(std::cos(a2), std::sin(a2)));
    }
}

class Painter final : public librevenge::RVNGDrawingInterface {
public:
    explicit Painter(const Services& services) : m_services(services) { m_clock.start(); }

    Drawing result(bool parsed);
    void stop(const QString& why)
    {
        m_stopped = true;
        m_why = why;
    }

    void startPage(const RVNGPropertyList& props) override;
    // The page's size in points.
    void page(std::optional<double> width, std::optional<double> height);
    void setStyle(const Style& style)
    {
        if (begin(false))
            m_style = style;
    }
    void polygon(const QPolygonF& points, unsigned long count, bool closed);
    void endPage() override
    {
        if (m_page == Page::Open)
            m_page = Page::Done;
    }
    void setStyle(const RVNGPropertyList& props) override
    {
        if (begin(false))
            m_style = styleOf(props);
    }

    void drawRectangle(const RVNGPropertyList& props) override;
    void drawEllipse(const RVNGPropertyList& props) override;
    void drawPolygon(const RVNGPropertyList& props) override { polygon(props, true); }
    void drawPolyline(const RVNGPropertyList& props) override { polygon(props, false); }
    void drawPath(const RVNGPropertyList& props) override;
    void drawGraphicObject(const RVNGPropertyList& props) override;

    void startTextObject(const RVNGPropertyList& props) override;
    void endTextObject() override;
    void openSpan(const RVNGPropertyList& props) override;
    void closeSpan() override
    {
        if (m_text && m_text->back().span)
            addRun(false, QStringLiteral("\n"));
    }
    void insertText(const librevenge::RVNGString& text) override
    {
        addText(QString::fromUtf8(text.cstr(), qsizetype(text.size())));
    }
    void insertTab() override { addText(QStringLiteral("\t")); }
    void insertSpace() override { addText(QStringLiteral(" ")); }
    void insertLineBreak() override { addText(QStringLiteral("\n")); }

    // Nothing to draw, but the graphic is more than one picture.
    void startEmbeddedGraphics(const RVNGPropertyList&) override { begin(false); }
    void drawConnector(const RVNGPropertyList&) override { begin(false); }
    void openParagraph(const RVNGPropertyList&) override { begin(false); }

    // No visible effect: the SVG has them as groups, or not at all.
    void startDocument(const RVNGPropertyList&) override {}
    void endDocument() override {}
    void setDocumentMetaData(const RVNGPropertyList&) override {}
    void defineEmbeddedFont(const RVNGPropertyList&) override {}
    void startMasterPage(const RVNGPropertyList&) override {}
    void endMasterPage() override {}
    void startLayer(const RVNGPropertyList&) override {}
    void endLayer() override {}
    void endEmbeddedGraphics() override {}
    void openGroup(const RVNGPropertyList&) override {}
    void closeGroup() override {}
    void startTableObject(const RVNGPropertyList&) override {}
    void openTableRow(const RVNGPropertyList&) override {}
    void closeTableRow() override {}
    void openTableCell(const RVNGPropertyList&) override {}
    void closeTableCell() override {}
    void insertCoveredTableCell(const RVNGPropertyList&) override {}
    void endTableObject() override {}
    void insertField(const RVNGPropertyList&) override {}
    void openOrderedListLevel(const RVNGPropertyList&) override {}
    void openUnorderedListLevel(const RVNGPropertyList&) override {}
    void closeOrderedListLevel() override {}
    void closeUnorderedListLevel() override {}
    void openListElement(const RVNGPropertyList&) override {}
    void closeListElement() override {}
    void defineParagraphStyle(const RVNGPropertyList&) override {}
    void closeParagraph() override {}
    void defineCharacterStyle(const RVNGPropertyList&) override {}
    void openLink(const RVNGPropertyList&) override {}
    void closeLink() override {}

private:
    enum class Page { NotYet, Open, Done };
    // An embedded picture: decoded, and where it goes.
    struct Picture {
        QImage image;
        QString why;
        std::optional<QRectF> rect;
        double rotate = 0;
    };

    bool begin(bool draws);
    QPainter& canvas();
    template <typename Fill, typename Stroke> void shape(const Fill& fill, const Stroke& stroke);
    template <typename Paint> void shape(const Paint& paint) { shape(paint, paint); }
    QRectF reach() const;
    void farShape(const QPainterPath& path);
    void polygon(const RVNGPropertyList& props, bool closed);
    void picture(const Picture& picture);
    void addRun(bool span, const QString& text);
    void addText(const QString& text);

    const Services& m_services;
    QElapsedTimer m_clock;
    Page m_page = Page::NotYet;
    QSize m_pixels;  // of the page; empty when it has no size
    double m_sx = 1; // pixels a point
    double m_sy = 1;
    QImage m_image;
    std::optional<QPainter> m_painter;
    Style m_style;
    bool m_onlyFirst = true;                    // nothing drawn but the first picture, if any
    std::optional<Picture> m_first;             // held back until something else is drawn
    std::optional<std::vector<TextRun>> m_text; // the open text object's runs
    QPointF m_textAt;
    QTransform m_textTransform;
    int m_drawn = 0;
    int m_leftOut = 0;
    QString m_why;
    bool m_stopped = false;
};

void Painter::startPage(const RVNGPropertyList& props)
{
    page(pointsOf(props, "svg:width"), pointsOf(props, "svg:height"));
}

void Painter::page(std::optional<double> width, std::optional<double> height)
{
    if (m_page != Page::NotYet)
        return;
    m_page = Page::Open;
    if (!width || !height)
        return;
    // The SVG has the page's size in points to four places.
    const double w = std::round(*width * 1e4) / 1e4;
    const double h = std::round(*height * 1e4) / 1e4;
    if (!(w > 0 && h > 0))
        return;
    QSizeF size(w * kDpi / 72, h * kDpi / 72);
    const double longest = std::max(size.width(), size.height());
    if (longest > m_services.maxSide)
        size *= m_services.maxSide / longest;
    m_pixels = QSize(std::max(1, qRound(size.width())), std::max(1, qRound(size.height())));
    m_sx = m_pixels.width() / w;
    m_sy = m_pixels.height() / h;
}

// Every drawing call starts here: false when it has nothing to draw on. The first picture, held
// back while it might be all the graphic shows, is drawn now.
bool Painter::begin(bool draws)
{
    if (m_clock.elapsed() > m_services.timeLimitMs)
        throw Stop();
    if (m_page != Page::Open)
        return false;
    if (draws && m_onlyFirst) {
        m_onlyFirst = false;
        if (m_first) {
            const Picture first = std::move(*m_first);
            m_first.reset();
            picture(first);
        }
    }
    return !m_pixels.isEmpty();
}

QPainter& Painter::canvas()
{
    if (!m_painter) {
        m_image = QImage(m_pixels, QImage::Format_ARGB32_Premultiplied);
        if (m_image.isNull())
            throw std::bad_alloc();
        m_image.fill(Qt::transparent);
        m_painter.emplace(&m_image);
        m_painter->setRenderHint(QPainter::Antialiasing);
        m_painter->setRenderHint(QPainter::SmoothPixmapTransform);
        m_painter->scale(m_sx, m_sy);
    }
    return *m_painter;
}

// Fills, then strokes, each with its opacity.
template <typename Fill, typename Stroke>
void Painter::shape(const Fill& fill, const Stroke& stroke)
{
    QPainter& p = canvas();
    if (m_style.brush.style() != Qt::NoBrush) {
        p.setPen(Qt::NoPen);
        p.setBrush(m_style.brush);
        p.setOpacity(m_style.fillOpacity);
        fill(p);
    }
    if (m_style.strokes()) {
        p.setPen(m_style.pen);
        p.setBrush(Qt::NoBrush);
        p.setOpacity(m_style.strokeOpacity);
        stroke(p);
    }
}

void Painter::drawRectangle(const RVNGPropertyList& props)
{
    ++m_drawn;
    if (!begin(true) || !has(props, {"svg:x", "svg:y", "svg:width", "svg:height"}))
        return;
    const QRectF rect(pointOf(props, "svg:x", "svg:y"),
                      QSizeF(points(*props["svg:width"]), points(*props["svg:height"])));
    double rx = 0;
    double ry = 0;
    if (props["svg:rx"] && props["svg:ry"] && number(*props["svg:rx"]) != 0 &&
        number(*props["svg:ry"]) != 0) {
        // Radii in whole percent of half the sides, as Qt SVG has them; none for a side of no
        // length.
        const auto percent = [](double radius, double side) {
            const double value = std::min(radius, side / 2) * 100 / (side / 2);
            return std::isfinite(value) ? std::trunc(value) : 0.0;
        };
        rx = percent(points(*props["svg:rx"]), rect.width());
        ry = percent(points(*props["svg:ry"]), rect.height());
    }
    if ((rx != 0 || ry != 0) && !reach().contains(rect.normalized())) {
        QPainterPath rounded;
        rounded.addRoundedRect(rect, rx, ry, Qt::RelativeSize);
        farShape(rounded);
        return;
    }
    shape([&](QPainter& p) {
        if (rx != 0 || ry != 0)
            p.drawRoundedRect(rect, rx, ry, Qt::RelativeSize);
        else
            p.drawRect(rect);
    });
}

void Painter::drawEllipse(const RVNGPropertyList& props)
{
    ++m_drawn;
    if (!begin(true) || !has(props, {"svg:cx", "svg:cy", "svg:rx", "svg:ry"}))
        return;
    const QPointF centre = pointOf(props, "svg:cx", "svg:cy");
    const double rx = points(*props["svg:rx"]);
    const double ry = points(*props["svg:ry"]);
    const RVNGProperty* rotate = props["librevenge:rotate"];
    const QRectF box(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry);
    QTransform turn;
    if (rotate && number(*rotate) != 0)
        turn.translate(centre.x(), centre.y())
            .rotate(-number(*rotate))
            .translate(-centre.x(), -centre.y());
    if (!reach().contains(turn.mapRect(box))) {
        QPainterPath ellipse;
        ellipse.addEllipse(box);
        farShape(turn.map(ellipse));
        return;
    }
    QPainter& p = canvas();
    p.save();
    p.setTransform(turn, true);
    shape([&](QPainter& q) { q.drawEllipse(box); });
    p.restore();
}

// A polygon is filled and outlined; a polyline is filled as if closed and stroked open, and one
// of two points is a line, only stroked.
void Painter::polygon(const RVNGPropertyList& props, bool closed)
{
    const RVNGPropertyListVector* vertices = props.child("svg:points");
    if (!vertices || vertices->count() > kMaxPoints) // counted, not drawn
        return polygon({}, vertices ? vertices->count() : 0, closed);
    QPolygonF points;
    points.reserve(qsizetype(vertices->count()));
    for (unsigned long i = 0; i < vertices->count(); ++i) {
        const RVNGPropertyList& vertex = (*vertices)[i];
        const RVNGProperty* x = vertex["svg:x"];
        const RVNGProperty* y = vertex["svg:y"];
        if (x && y)
            points << QPointF(::engine::graphic::points(*x), ::engine::graphic::points(*y));
    }
    polygon(points, vertices->count(), closed);
}

// count: the vertices given, with or without their coordinates.
void Painter::polygon(const QPolygonF& points, unsigned long count, bool closed)
{
    ++m_drawn;
    if (!begin(true) || count < (closed ? 3u : 2u) || count > kMaxPoints)
        return;
    const bool line = !closed && count == 2;
    const QRectF reach = this->reach();
    if (reach.contains(points.boundingRect())) {
        const auto fill = [&](QPainter& q) {
            if (!line)
                q.drawPolygon(points, m_style.fillRule);
        };
        if (closed)
            shape(fill);
        else
            shape(fill, [&](QPainter& q) { q.drawPolyline(points); });
        return;
    }
    const QPolygonF inside = clipPolygon(points, reach);
    const auto fill = [&](QPainter& q) {
        if (!line)
            q.drawPolygon(inside, m_style.fillRule);
    };
    shape(fill, [&](QPainter& q) {
        for (const QPolygonF& part : clipPolyline(strokeOf(points, closed, reach), reach))
            q.drawPolyline(part);
    });
}

// Beyond the page by its own size on every side, and by the pen's reach with its miters.
QRectF Painter::reach() const
{
    const QRectF page(0, 0, m_pixels.width() / m_sx, m_pixels.height() / m_sy);
    const double margin =
        std::max(page.width(), page.height()) + 4 * std::min(m_style.pen.widthF(), kMaxCoordinate);
    return page.adjusted(-margin, -margin, margin, margin);
}

// A path reaching far beyond the page, its curves made lines and cut down to around the page.
void Painter::farShape(const QPainterPath& path)
{
    const QRectF reach = this->reach();
    QPainterPath inside;
    inside.setFillRule(path.fillRule());
    QList<QPolygonF> lines;
    // Curves made lines as finely as the painter makes them: at a quarter of a pixel.
    const double fine = 4 * std::max(m_sx, m_sy);
    const QTransform back = QTransform::fromScale(1 / fine, 1 / fine);
    for (QPolygonF subpath : path.toSubpathPolygons(QTransform::fromScale(fine, fine))) {
        subpath = back.map(subpath);
        inside.addPolygon(clipPolygon(subpath, reach));
        inside.closeSubpath();
        const bool closed = subpath.size() > 2 && subpath.constFirst() == subpath.constLast();
        if (closed)
            subpath.removeLast();
        lines << clipPolyline(strokeOf(subpath, closed, reach), reach);
    }
    shape([&](QPainter& q) { q.drawPath(inside); },
          [&](QPainter& q) {
              for (const QPolygonF& line : std::as_const(lines))
                  q.drawPolyline(line);
          });
}

void Painter::drawPath(const RVNGPropertyList& props)
{
    ++m_drawn;
    const RVNGPropertyListVector* actions = props.child("svg:d");
    if (!begin(true) || !actions || actions->count() > kMaxPoints)
        return;
    QPainterPath path;
    QPointF control;    // the last control point of a curve, for the smooth ones
    char lastCurve = 0; // 'C' or 'Q' when the last command drew that curve
    for (unsigned long i = 0; i < actions->count(); ++i) {
        const RVNGPropertyList& a = (*actions)[i];
        const RVNGProperty* action = a["librevenge:path-action"];
        if (!action)
            continue;
        const librevenge::RVNGString name = action->getStr();
        const QPointF at = path.currentPosition();
        char curve = 0;
        if ((name == "M" || name == "L") && has(a, {"svg:x", "svg:y"})) {
            if (name == "M")
                path.moveTo(pointOf(a, "svg:x", "svg:y"));
            else
                path.lineTo(pointOf(a, "svg:x", "svg:y"));
        } else if (name == "H" && a["svg:x"]) {
            path.lineTo(points(*a["svg:x"]), at.y());
        } else if (name == "V" && a["svg:y"]) {
            path.lineTo(at.x(), points(*a["svg:y"]));
        } else if (name == "C" &&
                   has(a, {"svg:x1", "svg:y1", "svg:x2", "svg:y2", "svg:x", "svg:y"})) {
            control = pointOf(a, "svg:x2", "svg:y2");
            path.cubicTo(pointOf(a, "svg:x1", "svg:y1"), control, pointOf(a, "svg:x", "svg:y"));
            curve = 'C';
        } else if (name == "S" && has(a, {"svg:x1", "svg:y1", "svg:x", "svg:y"})) {
            const QPointF first = lastCurve == 'C' ? 2 * at - control : at;
            control = pointOf(a, "svg:x1", "svg:y1");
            path.cubicTo(first, control, pointOf(a, "svg:x", "svg:y"));
            curve = 'C';
        } else if (name == "Q" && has(a, {"svg:x1", "svg:y1", "svg:x", "svg:y"})) {
            control = pointOf(a, "svg:x1", "svg:y1");
            path.quadTo(control, pointOf(a, "svg:x", "svg:y"));
            curve = 'Q';
        } else if (name == "T" && has(a, {"svg:x", "svg:y"})) {
            control = lastCurve == 'Q' ? 2 * at - control : at;
            path.quadTo(control, pointOf(a, "svg:x", "svg:y"));
            curve = 'Q';
        } else if (name == "A" && has(a, {"svg:rx", "svg:ry", "svg:x", "svg:y"})) {
            const RVNGProperty* rotate = a["librevenge:rotate"];
            const RVNGProperty* large = a["librevenge:large-arc"];
            const RVNGProperty* sweep = a["librevenge:sweep"];
            arcTo(path, points(*a["svg:rx"]), points(*a["svg:ry"]), rotate ? number(*rotate) : 0,
                  large ? large->getInt() != 0 : true, sweep ? sweep->getInt() != 0 : true,
                  pointOf(a, "svg:x", "svg:y"));
        } else if (name == "Z") {
            path.closeSubpath();
        }
        lastCurve = curve;
    }
    path.setFillRule(m_style.fillRule);
    if (!reach().contains(path.controlPointRect()))
        farShape(path);
    else
        shape([&](QPainter& p) { p.drawPath(path); });
}

void Painter::drawGraphicObject(const RVNGPropertyList& props)
{
    const RVNGProperty* data = props["office:binary-data"];
    const RVNGProperty* type = props["librevenge:mime-type"];
    if (!data || !type)
        return;
    const bool first = m_onlyFirst && !m_first && type->getStr() != "image/svg+xml";
    if (!begin(!first) && !first)
        return;
    Picture picture;
    picture.image = m_services.decode(binaryData(*data), &picture.why);
    if (has(props, {"svg:x", "svg:y", "svg:width", "svg:height"})) {
        picture.rect = QRectF(pointOf(props, "svg:x", "svg:y"),
                              QSizeF(points(*props["svg:width"]), points(*props["svg:height"])));
        if (const RVNGProperty* rotate = props["librevenge:rotate"])
            picture.rotate = number(*rotate);
    }
    if (first)
        m_first = std::move(picture);
    else
        this->picture(picture);
}

void Painter::picture(const Picture& picture)
{
    if (picture.image.isNull()) {
        if (m_leftOut++ == 0)
            m_why = picture.why;
        return;
    }
    ++m_drawn;
    if (m_pixels.isEmpty())
        return;
    // Without its place, a picture is drawn at its own size in the top left corner.
    const QRectF rect = picture.rect.value_or(QRectF(QPointF(0, 0), picture.image.size()));
    QPainter& p = canvas();
    p.save();
    p.setOpacity(1);
    if (picture.rotate != 0) {
        p.translate(rect.center());
        p.rotate(picture.rotate);
        p.translate(-rect.center());
    }
    p.drawImage(rect, picture.image);
    p.restore();
}

void Painter::startTextObject(const RVNGPropertyList& props)
{
    ++m_drawn;
    if (!begin(true))
        return;
    const QPointF at =
        props["svg:x"] && props["svg:y"] ? pointOf(props, "svg:x", "svg:y") : QPointF();
    const double w = pointsOf(props, "svg:width").value_or(0);
    const double h = pointsOf(props, "svg:height").value_or(0);
    // The baseline is at the bottom of the box, when it has one; the box turns about its centre.
    m_textAt = at + QPointF(0, h);
    m_textTransform = QTransform();
    if (const RVNGProperty* rotate = props["librevenge:rotate"]) {
        const QPointF centre = at + QPointF(w / 2, h / 2);
        m_textTransform.translate(centre.x(), centre.y())
            .rotate(number(*rotate))
            .translate(-centre.x(), -centre.y());
    }
    m_text.emplace();
    addRun(false, QStringLiteral("\n"));
}

void Painter::openSpan(const RVNGPropertyList& props)
{
    if (!m_text)
        return;
    addRun(true, QStringLiteral("\n"));
    TextRun& run = m_text->back();
    if (const RVNGProperty* family = props["style:font-name"])
        run.font.setFamilies({QString::fromUtf8(family->getStr().cstr())});
    if (const RVNGProperty* size = props["fo:font-size"])
        run.font.setPointSizeF(std::clamp(number(*size), 0.01, 10000.0));
    if (const RVNGProperty* weight = props["fo:font-weight"]) {
        const librevenge::RVNGString w = weight->getStr();
        if (w == "bold")
            run.font.setWeight(QFont::Bold);
        else if (w != "normal")
            run.font.setWeight(QFont::Weight(std::clamp(weight->getInt(), 1, 1000)));
    }
    if (const RVNGProperty* style = props["fo:font-style"])
        run.font.setItalic(style->getStr() == "italic" || style->getStr() == "oblique");
    if (const RVNGProperty* color = props["fo:color"]) {
        const QColor c = colorOf(color);
        if (c.isValid())
            run.color = c;
    }
}

void Painter::addRun(bool span, const QString& text)
{
    TextRun run;
    run.span = span;
    run.text = text;
    m_text->push_back(std::move(run));
}

void Painter::addText(const QString& text)
{
    if (!m_text || text.isEmpty() || m_text->back().text.size() > kMaxText)
        return;
    m_text->back().text += text;
}

// Text on one line from the baseline's start, its spaces gathered as SVG does: each span's
// text simplified, runs of white space between spans one space.
void Painter::endTextObject()
{
    if (!m_text)
        return;
    const std::vector<TextRun> runs = std::move(*m_text);
    m_text.reset();
    QString line;
    QList<QTextLayout::FormatRange> formats;
    bool appendSpace = false;
    for (const TextRun& run : runs) {
        QString text = run.text;
        text.replace(u'\t', u' ').replace(u'\n', u' ');
        const bool prependSpace =
            !appendSpace && !run.span && !line.isEmpty() && text.startsWith(u' ');
        if (appendSpace || prependSpace)
            line += u' ';
        bool appendNext = !run.span && text.endsWith(u' ');
        text = text.simplified();
        if (text.isEmpty())
            appendNext = false;
        QTextLayout::FormatRange range;
        range.start = int(line.size());
        range.length = int(text.size());
        range.format.setForeground(run.color);
        if (appendSpace && !formats.isEmpty()) {
            ++formats.back().length;
        } else if (prependSpace) {
            --range.start;
            ++range.length;
        }
        formats.append(range);
        appendSpace = appendNext;
        line += text;
    }
    if (line.trimmed().isEmpty() || m_pixels.isEmpty() || !m_services.fonts())
        return;
    // Laid out large and scaled down, as Qt SVG does so that small text keeps its shape: each
    // run at its size in points times the scale, in whole pixels.
    const double base = QFont().pointSizeF() > 0 ? QFont().pointSizeF() : 12;
    const double scale = 100 / base;
    for (qsizetype i = 0; i < formats.size(); ++i) {
        QFont font = runs[size_t(i)].font;
        font.setPixelSize(std::max(1, int(font.pointSizeF() * scale)));
        formats[i].format.setFont(font);
    }
    QTextLayout layout(line);
    layout.setFormats(formats);

    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    layout.endLayout();
    if (!textLine.isValid())
        return;
    textLine.setPosition(QPointF(0, -textLine.ascent()));
    QPainter& p = canvas();
    p.save();
    p.setOpacity(1);
    p.setTransform(m_textTransform, true);
    p.scale(1 / scale, 1 / scale);
    layout.draw(&p, m_textAt * scale);
    p.restore();
}

Drawing Painter::result(bool parsed)
{
    Drawing drawing;
    drawing.parsed = parsed && !m_stopped;
    drawing.stopped = m_stopped;
    drawing.why = m_why;
    if (m_onlyFirst && m_first) {
        drawing.onePicture = true;
        drawing.image = std::move(m_first->image);
        drawing.why = m_first->why;
        drawing.drawn = drawing.image.isNull() ? 0 : 1;
        return drawing;
    }
    if (m_painter)
        m_painter->end();
    else if (!m_pixels.isEmpty()) // a page with nothing on it
        canvas().end();
    drawing.image = std::move(m_image);
    drawing.drawn = m_drawn;
    drawing.leftOut = m_leftOut;
    return drawing;
}

// The style libwpg sets for a shape of such a graphic, as draw() makes it of libwpg's call.
Style styleOf(const wpg::ShapeStyle& s)
{
    const auto hex = [](QRgb c) { return QColor(c).name().toLatin1(); };
    RVNGPropertyList props;
    props.insert("draw:fill", s.filled ? "solid" : "none");
    props.insert("draw:fill-color", hex(s.brush).constData());
    props.insert("draw:opacity", qAlpha(s.brush) / 255.0, librevenge::RVNG_PERCENT);
    props.insert("draw:stroke", s.framed ? "solid" : "none");
    props.insert("svg:fill-rule", s.winding ? "nonzero" : "evenodd");
    props.insert("svg:stroke-color", hex(s.pen).constData());
    props.insert("svg:stroke-opacity", qAlpha(s.pen) / 255.0, librevenge::RVNG_PERCENT);
    props.insert("svg:stroke-width", s.penWidth, librevenge::RVNG_INCH);
    return styleOf(props);
}

} // namespace

Drawing drawShapes(const wpg::Shapes& shapes, const Services& services)
{
    Painter painter(services);
    try {
        painter.page(shapes.width, shapes.height);
        std::vector<std::optional<Style>> styles(shapes.styles.size());
        QPolygonF points;
        for (const wpg::Shapes::Shape& shape : shapes.shapes) {
            std::optional<Style>& style = styles[shape.style];
            if (!style)
                style = styleOf(shapes.styles[shape.style]);
            painter.setStyle(*style);
            points.resize(qsizetype(shape.count));
            for (size_t i = 0; i < shape.count; ++i) {
                const QPointF& p = shapes.points[shape.first + i];
                points[qsizetype(i)] = QPointF(bounded(p.x()), bounded(p.y()));
            }
            painter.polygon(points, shape.count, shape.closed);
        }
    } catch (const Stop&) {
        painter.stop(QStringLiteral("the graphic takes too long to draw"));
    }
    return painter.result(true);
}

Drawing draw(const std::function<bool(librevenge::RVNGDrawingInterface&)>& parse,
             const Services& services)
{
    Painter painter(services);
    bool parsed = false;
    try {
        parsed = parse(painter);
    } catch (const Stop&) {
        painter.stop(QStringLiteral("the graphic takes too long to draw"));
    }
    return painter.result(parsed);
}

} // namespace engine::graphic
