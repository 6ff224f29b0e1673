// Quillon engine: drawing Windows Metafiles with libwmf's interpreter onto a QPainter.
#include "Metafile.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace engine::metafile {
namespace {

constexpr size_t kMemoryBudget = 64u * 1024 * 1024; // what libwmf may hold at once
constexpr qint64 kTimeLimitMs = 3000;
constexpr qint64 kMaxBitmapPixels = 16LL * 1024 * 1024;
constexpr unsigned kSymbolCharset = 2;

quint16 u16(const QByteArray& d, int at)
{
    return qFromLittleEndian<quint16>(d.constData() + at);
}

quint32 u32(const QByteArray& d, int at)
{
    return qFromLittleEndian<quint32>(d.constData() + at);
}

// libwmf allocates through these, so one metafile cannot take more than its budget. Each block
// carries its size in front of it.
struct Budget {
    size_t used = 0;
};
constexpr size_t kHeader = alignof(std::max_align_t);

void* budgetAlloc(void* context, size_t size)
{
    auto* budget = static_cast<Budget*>(context);
    if (size > kMemoryBudget - budget->used)
        return nullptr;
    auto* block = static_cast<char*>(std::malloc(size + kHeader));
    if (!block)
        return nullptr;
    std::memcpy(block, &size, sizeof size);
    budget->used += size;
    return block + kHeader;
}

void budgetFree(void* context, void* memory)
{
    if (!memory)
        return;
    char* block = static_cast<char*>(memory) - kHeader;
    size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<Budget*>(context)->used -= size;
    std::free(block);
}

void* budgetRealloc(void* context, void* memory, size_t size)
{
    if (!memory)
        return budgetAlloc(context, size);
    char* block = static_cast<char*>(memory) - kHeader;
    size_t old = 0;
    std::memcpy(&old, block, sizeof old);
    auto* budget = static_cast<Budget*>(context);
    if (size > old && size - old > kMemoryBudget - budget->used)
        return nullptr;
    auto* grown = static_cast<char*>(std::realloc(block, size + kHeader));
    if (!grown)
        return nullptr;
    std::memcpy(grown, &size, sizeof size);
    budget->used = budget->used - old + size;
    return grown + kHeader;
}

// What the drawing calls share: the painter, the mapping from metafile units to pixels and the
// time limit.
struct Device {
    QPainter* painter = nullptr;
    wmfD_Rect box{};
    double sx = 1;
    double sy = 1;
    QElapsedTimer clock;
    bool timedOut = false;
    bool fonts = false;

    QPointF map(const wmfD_Coord& c) const
    {
        return {(c.x - box.TL.x) * sx, (c.y - box.TL.y) * sy};
    }
    bool late()
    {
        if (!timedOut && clock.elapsed() > kTimeLimitMs)
            timedOut = true;
        return timedOut;
    }
};

Device* deviceOf(wmfAPI* api)
{
    return static_cast<Device*>(api->device_data);
}

QColor colorOf(const wmfRGB& c)
{
    return {c.r, c.g, c.b};
}

// Windows-1252 text as the metafile's ANSI fonts give it; a symbol font's characters stay in
// the private area the symbol fonts map them to.
QString textOf(const char* text, const wmfFont* font)
{
    static const char16_t k80[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                     0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                     0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    const bool symbol = font && font->lfCharSet == kSymbolCharset;
    QString out;
    for (const auto* c = reinterpret_cast<const unsigned char*>(text); c && *c; ++c) {
        if (symbol)
            out += QChar(char16_t(0xF000 + *c));
        else if (*c >= 0x80 && *c < 0xA0)
            out += QChar(k80[*c - 0x80]);
        else
            out += QChar(char16_t(*c));
    }
    return out;
}

QFont qfontOf(const wmfFont* font, double pixelHeight)
{
    QFont f;
    if (font && font->lfFaceName && *font->lfFaceName)
        f.setFamily(QString::fromLatin1(font->lfFaceName));
    f.setPixelSize(std::clamp(qRound(pixelHeight), 1, 4096));
    if (font) {
        f.setWeight(font->lfWeight >= 600 ? QFont::Bold : QFont::Normal);
        f.setItalic(font->lfItalic);
        f.setUnderline(font->lfUnderline);
        f.setStrikeOut(font->lfStrikeOut);
    }
    return f;
}

// The pen of the device context in pixels; none for PS_NULL.
QPen penOf(const Device& d, const wmfDC* dc)
{
    const wmfPen* pen = dc ? dc->pen : nullptr;
    if (!pen || (pen->lopnStyle & PS_STYLE_MASK) == PS_NULL)
        return Qt::NoPen;
    QPen p(colorOf(pen->lopnColor));
    const double width = std::min(pen->width * d.sx, 512.0);
    if (width >= 1.5)
        p.setWidthF(width);
    else
        p.setCosmetic(true);
    switch (pen->lopnStyle & PS_STYLE_MASK) {
    case PS_DASH:
        p.setStyle(Qt::DashLine);
        break;
    case PS_DOT:
        p.setStyle(Qt::DotLine);
        break;
    case PS_DASHDOT:
        p.setStyle(Qt::DashDotLine);
        break;
    case PS_DASHDOTDOT:
        p.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    switch (pen->lopnStyle & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE:
        p.setCapStyle(Qt::SquareCap);
        break;
    case PS_ENDCAP_FLAT:
        p.setCapStyle(Qt::FlatCap);
        break;
    default:
        p.setCapStyle(Qt::RoundCap);
        break;
    }
    switch (pen->lopnStyle & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL:
        p.setJoinStyle(Qt::BevelJoin);
        break;
    case PS_JOIN_MITER:
        p.setJoinStyle(Qt::MiterJoin);
        break;
    default:
        p.setJoinStyle(Qt::RoundJoin);
        break;
    }
    return p;
}

QBrush brushOf(const wmfDC* dc)
{
    const wmfBrush* brush = dc ? dc->brush : nullptr;
    if (!brush || brush->lbStyle == BS_NULL)
        return Qt::NoBrush;
    const QColor color = colorOf(brush->lbColor);
    if (brush->lbStyle == BS_HATCHED) {
        static const Qt::BrushStyle hatch[] = {Qt::HorPattern,   Qt::VerPattern,
                                               Qt::FDiagPattern, Qt::BDiagPattern,
                                               Qt::CrossPattern, Qt::DiagCrossPattern};
        return {color, brush->lbHatch < 6 ? hatch[brush->lbHatch] : Qt::SolidPattern};
    }
    if ((brush->lbStyle == BS_PATTERN || brush->lbStyle == BS_DIBPATTERN ||
         brush->lbStyle == BS_DIBPATTERNPT) &&
        brush->bmp.data)
        return QBrush(*static_cast<const QImage*>(brush->bmp.data));
    return color;
}

// Fills with the brush and outlines with the pen of the context, in pixels.
void paint(wmfAPI* api, const wmfDC* dc, const QPainterPath& path, bool fill = true)
{
    Device* d = deviceOf(api);
    if (d->late())
        return;
    d->painter->setPen(penOf(*d, dc));
    d->painter->setBrush(fill ? brushOf(dc) : QBrush(Qt::NoBrush));
    d->painter->drawPath(path);
}

QPolygonF polygonOf(const Device& d, const wmfD_Coord* points, unsigned count)
{
    QPolygonF polygon;
    polygon.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        polygon << d.map(points[i]);
    return polygon;
}

Qt::FillRule fillRule(const wmfDC* dc)
{
    return dc && dc->polyfillmode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

void drawLine(wmfAPI* api, wmfDrawLine_t* line)
{
    const Device* d = deviceOf(api);
    QPainterPath path(d->map(line->from));
    path.lineTo(d->map(line->to));
    paint(api, line->dc, path, false);
}

void polyLine(wmfAPI* api, wmfPolyLine_t* line)
{
    QPainterPath path;
    path.addPolygon(polygonOf(*deviceOf(api), line->pt, line->count));
    paint(api, line->dc, path, false);
}

void drawPolygon(wmfAPI* api, wmfPolyLine_t* line)
{
    QPainterPath path;
    path.addPolygon(polygonOf(*deviceOf(api), line->pt, line->count));
    path.closeSubpath();
    path.setFillRule(fillRule(line->dc));
    paint(api, line->dc, path);
}

void drawPolyPolygon(wmfAPI* api, wmfPolyPoly_t* poly)
{
    QPainterPath path;
    for (unsigned i = 0; i < poly->npoly; ++i) {
        path.addPolygon(polygonOf(*deviceOf(api), poly->pt[i], poly->count[i]));
        path.closeSubpath();
    }
    path.setFillRule(fillRule(poly->dc));
    paint(api, poly->dc, path);
}

void drawRectangle(wmfAPI* api, wmfDrawRectangle_t* rect)
{
    const Device* d = deviceOf(api);
    const QRectF r = QRectF(d->map(rect->TL), d->map(rect->BR)).normalized();
    QPainterPath path;
    if (rect->width > 0 && rect->height > 0)
        path.addRoundedRect(r, rect->width * d->sx / 2, rect->height * d->sy / 2);
    else
        path.addRect(r);
    paint(api, rect->dc, path);
}

// Arcs: start and end are given relative to the centre of the bounding box; the arc runs
// counter-clockwise from start to end, as on the screen.
enum class ArcShape { Open, Chord, Pie, Ellipse };
void drawArcShape(wmfAPI* api, wmfDrawArc_t* arc, ArcShape shape)
{
    const Device* d = deviceOf(api);
    const QRectF r = QRectF(d->map(arc->TL), d->map(arc->BR)).normalized();
    QPainterPath path;
    if (shape == ArcShape::Ellipse) {
        path.addEllipse(r);
        paint(api, arc->dc, path);
        return;
    }
    const auto angle = [&](const wmfD_Coord& p) {
        return std::atan2(-p.y * d->sy, p.x * d->sx) * 180 / M_PI;
    };
    const double start = angle(arc->start);
    double sweep = angle(arc->end) - start;
    if (sweep <= 0)
        sweep += 360;
    if (shape == ArcShape::Pie)
        path.moveTo(r.center());
    else
        path.arcMoveTo(r, start);
    path.arcTo(r, start, sweep);
    if (shape != ArcShape::Open)
        path.closeSubpath();
    paint(api, arc->dc, path, shape != ArcShape::Open);
}

void drawArc(wmfAPI* api, wmfDrawArc_t* arc)
{
    drawArcShape(api, arc, ArcShape::Open);
}
void drawChord(wmfAPI* api, wmfDrawArc_t* arc)
{
    drawArcShape(api, arc, ArcShape::Chord);
}
void drawPie(wmfAPI* api, wmfDrawArc_t* arc)
{
    drawArcShape(api, arc, ArcShape::Pie);
}
void drawEllipse(wmfAPI* api, wmfDrawArc_t* arc)
{
    drawArcShape(api, arc, ArcShape::Ellipse);
}

void drawPixel(wmfAPI* api, wmfDrawPixel_t* pixel)
{
    Device* d = deviceOf(api);
    if (d->late())
        return;
    const QPointF p = d->map(pixel->pt);
    d->painter->fillRect(QRectF(p, QSizeF(std::max(1.0, pixel->pixel_width * d->sx),
                                          std::max(1.0, pixel->pixel_height * d->sy))),
                         colorOf(pixel->color));
}

void ropDraw(wmfAPI* api, wmfROP_Draw_t* rop)
{
    Device* d = deviceOf(api);
    if (d->late())
        return;
    const QRectF r = QRectF(d->map(rop->TL), d->map(rop->BR)).normalized();
    switch (rop->ROP) {
    case BLACKNESS:
        d->painter->fillRect(r, Qt::black);
        break;
    case WHITENESS:
        d->painter->fillRect(r, Qt::white);
        break;
    case PATCOPY:
        d->painter->fillRect(r, brushOf(rop->dc));
        break;
    default:
        break; // raster operations on the destination are left out
    }
}

void regionPaint(wmfAPI* api, wmfPolyRectangle_t* rects)
{
    Device* d = deviceOf(api);
    if (d->late())
        return;
    for (unsigned i = 0; i < rects->count; ++i)
        d->painter->fillRect(QRectF(d->map(rects->TL[i]), d->map(rects->BR[i])).normalized(),
                             brushOf(rects->dc));
}

void regionFrame(wmfAPI* api, wmfPolyRectangle_t* rects)
{
    Device* d = deviceOf(api);
    if (d->late())
        return;
    QPainterPath path;
    for (unsigned i = 0; i < rects->count; ++i)
        path.addRect(QRectF(d->map(rects->TL[i]), d->map(rects->BR[i])).normalized());
    const wmfBrush* brush = rects->dc ? rects->dc->brush : nullptr;
    QPen pen(brush ? colorOf(brush->lbColor) : QColor(Qt::black));
    pen.setWidthF(std::max(1.0, rects->width * d->sx));
    d->painter->strokePath(path, pen);
}

void regionClip(wmfAPI* api, wmfPolyRectangle_t* rects)
{
    Device* d = deviceOf(api);
    if (rects->count == 0) {
        d->painter->setClipping(false);
        return;
    }
    QPainterPath path;
    for (unsigned i = 0; i < rects->count; ++i)
        path.addRect(QRectF(d->map(rects->TL[i]), d->map(rects->BR[i])).normalized());
    d->painter->setClipPath(path);
}

// A device-independent bitmap: a BMP file without its file header.
void bmpRead(wmfAPI*, wmfBMP_Read_t* read)
{
    read->bmp.data = nullptr;
    read->bmp.width = 0;
    read->bmp.height = 0;
    if (!read->buffer || read->length < 40)
        return;
    const QByteArray dib(reinterpret_cast<const char*>(read->buffer),
                         static_cast<qsizetype>(read->length));
    const qint64 width = qint32(u32(dib, 4));
    const qint64 height = std::abs(qint64(qint32(u32(dib, 8))));
    const int bits = u16(dib, 14);
    if (width <= 0 || height <= 0 || width * height > kMaxBitmapPixels || bits == 0)
        return;
    const quint32 compression = u32(dib, 16);
    // Uncompressed rows must all be there.
    if (compression == 0 && (width * bits + 31) / 32 * 4 * height > dib.size())
        return;
    quint32 colors = u32(dib, 32);
    if (colors == 0 && bits <= 8)
        colors = 1u << bits;
    const quint32 headerSize = u32(dib, 0);
    const quint32 masks = compression == 3 && headerSize == 40 ? 12 : 0;
    const quint32 offset = 14 + headerSize + masks + std::min<quint32>(colors, 256) * 4;
    QByteArray file("BM", 2);
    file.append(QByteArray(12, '\0'));
    qToLittleEndian<quint32>(quint32(dib.size() + 14), file.data() + 2);
    qToLittleEndian<quint32>(offset, file.data() + 10);
    file.append(dib);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(int(kMaxBitmapPixels * 4 / (1024 * 1024)));
    QImage image = reader.read();
    if (image.isNull() || image.width() > 0xFFFF || image.height() > 0xFFFF)
        return;
    read->bmp.width = static_cast<U16>(image.width());
    read->bmp.height = static_cast<U16>(image.height());
    read->bmp.data = new QImage(std::move(image));
}

void bmpFree(wmfAPI*, wmfBMP* bmp)
{
    delete static_cast<QImage*>(bmp->data);
    bmp->data = nullptr;
}

void bmpDraw(wmfAPI* api, wmfBMP_Draw_t* draw)
{
    Device* d = deviceOf(api);
    const auto* image = static_cast<const QImage*>(draw->bmp.data);
    if (!image || d->late())
        return;
    const QRect source(draw->crop.x, draw->crop.y, draw->crop.w, draw->crop.h);
    const QPointF at = d->map(draw->pt);
    const QRectF target(at, QSizeF(draw->crop.w * draw->pixel_width * d->sx,
                                   draw->crop.h * draw->pixel_height * d->sy));
    d->painter->drawImage(target, *image, source & image->rect());
}

void drawText(wmfAPI* api, wmfDrawText_t* text)
{
    Device* d = deviceOf(api);
    if (d->late() || !text->str || !d->fonts)
        return;
    const wmfFont* font = text->dc ? text->dc->font : nullptr;
    QPainter& p = *d->painter;
    p.save();
    if (text->flags & ETO_CLIPPED)
        p.setClipRect(QRectF(d->map(text->TL), d->map(text->BR)).normalized(), Qt::IntersectClip);
    if (text->dc && text->dc->bgmode == OPAQUE) {
        QPolygonF box;
        box << d->map(text->bbox.TL) << d->map(text->bbox.TR) << d->map(text->bbox.BR)
            << d->map(text->bbox.BL);
        p.setPen(Qt::NoPen);
        p.setBrush(colorOf(text->dc->bgcolor));
        p.drawPolygon(box);
    }
    QFont f = qfontOf(font, text->font_height * d->sy);
    if (text->font_ratio > 0 && std::abs(text->font_ratio - 1) > 0.01)
        f.setStretch(std::clamp(qRound(text->font_ratio * 100), 1, 4000));
    p.setFont(f);
    p.setPen(text->dc ? colorOf(text->dc->textcolor) : QColor(Qt::black));
    p.translate(d->map(text->pt));
    if (font && font->lfEscapement)
        p.rotate(-font->lfEscapement / 10.0);
    p.drawText(QPointF(0, 0), textOf(text->str, font));
    p.restore();
}

void noData(wmfAPI*, wmfUserData_t*) {}
void noDevice(wmfAPI*) {}
void noFlood(wmfAPI*, wmfFlood_t*) {}

// The width of a text at a font size of one point, in points: the player places aligned text
// with it.
float stringWidth(wmfAPI* api, wmfFont* font, char* text)
{
    if (!text)
        return 0;
    if (!deviceOf(api)->fonts)
        return 0.5f * static_cast<float>(std::strlen(text));
    const QFontMetricsF metrics(qfontOf(font, 100));
    return static_cast<float>(metrics.horizontalAdvance(textOf(text, font)) / 100);
}

void mapFont(wmfAPI*, wmfFont*) {}

void setUpDevice(wmfAPI* api)
{
    auto* functions =
        static_cast<wmfFunctionReference*>(wmf_calloc(api, 1, sizeof(wmfFunctionReference)));
    auto* fonts = static_cast<wmfFontData*>(wmf_calloc(api, 1, sizeof(wmfFontData)));
    if (!functions || !fonts) {
        api->err = wmf_E_InsMem;
        return;
    }
    api->function_reference = functions;
    api->font_data = fonts;
    fonts->map = mapFont;
    fonts->stringwidth = stringWidth;
    functions->device_open = noDevice;
    functions->device_close = noDevice;
    functions->device_begin = noDevice;
    functions->device_end = noDevice;
    functions->flood_interior = noFlood;
    functions->flood_exterior = noFlood;
    functions->draw_pixel = drawPixel;
    functions->draw_pie = drawPie;
    functions->draw_chord = drawChord;
    functions->draw_arc = drawArc;
    functions->draw_ellipse = drawEllipse;
    functions->draw_line = drawLine;
    functions->poly_line = polyLine;
    functions->draw_polygon = drawPolygon;
    functions->draw_polypolygon = drawPolyPolygon;
    functions->draw_rectangle = drawRectangle;
    functions->rop_draw = ropDraw;
    functions->bmp_draw = bmpDraw;
    functions->bmp_read = bmpRead;
    functions->bmp_free = bmpFree;
    functions->draw_text = drawText;
    functions->udata_init = noData;
    functions->udata_copy = noData;
    functions->udata_set = noData;
    functions->udata_free = noData;
    functions->region_frame = regionFrame;
    functions->region_paint = regionPaint;
    functions->region_clip = regionClip;
}

int stillInTime(void* context, float)
{
    return static_cast<Device*>(context)->late() ? 1 : 0;
}

QString reasonOf(wmf_error_t error, bool timedOut)
{
    if (timedOut)
        return QStringLiteral("the metafile takes too long to draw");
    switch (error) {
    case wmf_E_InsMem:
        return QStringLiteral("the metafile needs too much memory");
    case wmf_E_EOF:
        return QStringLiteral("the metafile is truncated");
    default:
        return QStringLiteral("the metafile is damaged");
    }
}

// One metafile being drawn: libwmf's state, released however the drawing ends.
class Player final {
public:
    explicit Player(Device* device) : m_device(device) {}
    ~Player()
    {
        if (m_api) {
            if (m_opened)
                wmf_mem_close(m_api);
            wmf_lite_destroy(m_api);
        }
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    wmf_error_t open(const QByteArray& data)
    {
        wmfAPI_Options options{};
        options.context = &m_budget;
        options.malloc = budgetAlloc;
        options.realloc = budgetRealloc;
        options.free = budgetFree;
        options.function = setUpDevice;
        const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL |
                                    WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        wmf_error_t error = wmf_lite_create(&m_api, flags, &options);
        if (error != wmf_E_None)
            return error;
        if (!m_api->function_reference || !m_api->font_data)
            return wmf_E_InsMem;
        m_api->device_data = m_device;
        wmf_status_function(m_api, m_device, stillInTime);
        // libwmf reads but does not change the bytes.
        error = wmf_mem_open(m_api,
                             reinterpret_cast<unsigned char*>(const_cast<char*>(data.constData())),
                             static_cast<long>(data.size()));
        m_opened = error == wmf_E_None;
        return error;
    }
    wmfAPI* api() const { return m_api; }

private:
    Budget m_budget;
    Device* m_device;
    wmfAPI* m_api = nullptr;
    bool m_opened = false;
};

bool fontsUsable()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

Kind kindOf(const QByteArray& data)
{
    if (data.size() >= 44 && u32(data, 0) == 1 && data.mid(40, 4) == " EMF")
        return Kind::Emf;
    if (data.size() >= 22 && u32(data, 0) == 0x9AC6CDD7u)
        return Kind::Wmf;
    if (data.size() >= 18 && (u16(data, 0) == 1 || u16(data, 0) == 2) && u16(data, 2) == 9 &&
        (u16(data, 4) == 0x0100 || u16(data, 4) == 0x0300))
        return Kind::Wmf;
    return Kind::None;
}

bool hasText(const QByteArray& data)
{
    // Records after the headers (22 bytes placeable, then 9 words): a size in words, a function.
    qint64 at = (u32(data, 0) == 0x9AC6CDD7u ? 22 : 0) + 18;
    while (at + 6 <= data.size()) {
        const quint32 words = u32(data, int(at));
        const quint16 function = u16(data, int(at + 4));
        if (function == 0x0521 || function == 0x0A32) // TextOut, ExtTextOut
            return true;
        if (words < 3 || function == 0)
            return false;
        at += qint64(words) * 2;
    }
    return false;
}

QImage renderWmf(const QByteArray& data, int maxSide, QString* why)
{
    const auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return QImage();
    };
    Device device;
    device.clock.start();
    device.fonts = fontsUsable();
    Player player(&device);
    wmf_error_t error = player.open(data);
    if (error != wmf_E_None)
        return fail(reasonOf(error, device.timedOut));
    wmfD_Rect box{};
    error = wmf_scan(player.api(), 0, &box);
    if (error != wmf_E_None)
        return fail(reasonOf(error, device.timedOut));
    unsigned int width = 0;
    unsigned int height = 0;
    error = wmf_display_size(player.api(), &width, &height, 96, 96);
    // libwmf scans the extent of what is drawn, in points; a placeable metafile's frame (the
    // picture's size, which the display size is) may hold more, such as a margin: the frame is
    // drawn.
    const wmfPlaceableMetaHeader& frame = player.api()->PlaceableMetaHeader;
    if (frame.Key == 0x9AC6CDD7u && frame.Inch > 0 && frame.Right > frame.Left &&
        frame.Bottom > frame.Top) {
        const float points = 72.0f / frame.Inch;
        const wmfD_Rect framed{
            {std::min(box.TL.x, frame.Left * points), std::min(box.TL.y, frame.Top * points)},
            {std::max(box.BR.x, frame.Right * points), std::max(box.BR.y, frame.Bottom * points)}};
        const auto area = [](const wmfD_Rect& r) {
            return (double(r.BR.x) - r.TL.x) * (double(r.BR.y) - r.TL.y);
        };
        // Frame and drawing that plainly disagree: the drawing alone is shown.
        if (area(box) > 0 && area(framed) < 100 * area(box))
            box = framed;
    }
    const double boxWidth = double(box.BR.x) - box.TL.x;
    const double boxHeight = double(box.BR.y) - box.TL.y;
    if (error != wmf_E_None || width == 0 || height == 0 || !(boxWidth > 0) || !(boxHeight > 0))
        return fail(QStringLiteral("the metafile draws nothing"));
    double w = width;
    double h = height;
    const double longest = std::max(w, h);
    if (longest > maxSide) {
        w *= maxSide / longest;
        h *= maxSide / longest;
    }
    QImage image(std::max(1, qRound(w)), std::max(1, qRound(h)),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return fail(QStringLiteral("the metafile needs too much memory"));
    image.fill(Qt::transparent);
    device.box = box;
    device.sx = image.width() / boxWidth;
    device.sy = image.height() / boxHeight;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setClipRect(image.rect());
    device.painter = &painter;
    error = wmf_play(player.api(), 0, &box);
    painter.end();
    if (error != wmf_E_None || device.timedOut)
        return fail(reasonOf(error, device.timedOut));
    return image;
}

} // namespace engine::metafile
