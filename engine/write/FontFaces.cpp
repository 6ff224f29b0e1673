// Quillon engine: the faces a browser draws a document's fonts with, and their metrics.
#include "FontFaces.h"

#include <cmath>

namespace engine {
namespace {

struct FaceMetrics {
    short ascent;
    short descent;
    short lineGap;
    short widths[201];
};

#include "FontMetricsData.inc"

constexpr int kFaceCount = sizeof(kFaces) / sizeof(kFaces[0]);
static_assert(kFaceCount == 7, "one metrics table per FontFaces::Face");

// The names each face goes by on the systems readers have, metric-compatible with one another,
// and the generic family that ends the list.
struct FaceNames {
    const char* names[2];
    const char* generic;
};
const FaceNames kFaceNames[kFaceCount] = {
    {{"Times New Roman", "Liberation Serif"}, "serif"},
    {{"Arial", "Liberation Sans"}, "sans-serif"},
    {{"Courier New", "Liberation Mono"}, "monospace"},
    {{"Calibri", "Carlito"}, "sans-serif"},
    {{"Cambria", "Caladea"}, "serif"},
    {{"Verdana", "DejaVu Sans"}, "sans-serif"},
    {{"Arial Narrow", "Liberation Sans Narrow"}, "sans-serif"},
};

bool containsAny(const QString& name, std::initializer_list<const char*> parts)
{
    for (const char* part : parts) {
        if (name.contains(QLatin1String(part)))
            return true;
    }
    return false;
}

// Printer fonts are named by their pitch: "Courier 10cpi", "Roman 12 cpi".
bool namesPitch(const QString& name)
{
    for (qsizetype at = name.indexOf(QLatin1String("cpi")); at > 0;
         at = name.indexOf(QLatin1String("cpi"), at + 1)) {
        const qsizetype digit = name[at - 1] == QLatin1Char(' ') ? at - 2 : at - 1;
        if (digit >= 0 && name[digit].isDigit())
            return true;
    }
    return false;
}

FontFaces::Face classify(const QString& documentName)
{
    using Face = FontFaces::Face;
    const QString name = documentName.toLower();
    // Fixed-pitch first: "Letter Gothic" is a typewriter face, not a sans.
    if (namesPitch(name) ||
        containsAny(name,
                    {"courier", "mono", "pica", "elite", "letter gothic", "lettergothic",
                     "prestige", "line printer", "lineprinter", "typewriter", "fixed", "consol",
                     "lucida console", "ocr-a", "ocr-b", "ocr a", "ocr b", "orator"}))
        return Face::Mono;
    if (containsAny(name, {"calibri", "carlito"}))
        return Face::Carlito;
    if (containsAny(name, {"cambria", "caladea"}))
        return Face::Caladea;
    if (containsAny(name, {"verdana", "geneva", "dejavu", "vera sans"}))
        return Face::DejaVu;
    if (containsAny(name, {"arial",     "helv",     "swiss",    "univers",       "sans",
                           "gothic",    "grotesk",  "futura",   "optima",        "gill",
                           "avant",     "franklin", "tahoma",   "trebuchet",     "segoe",
                           "frutiger",  "myriad",   "lucida",   "arimo",         "triumvirate",
                           "eurostile", "folio",    "akzidenz", "antique olive", "kabel"}))
        return containsAny(name, {"narrow", "condensed", "compressed"}) ? Face::SansNarrow
                                                                        : Face::Sans;
    return Face::Serif;
}

// Where a character's width is in the tables: Latin-1 directly, a few punctuation marks after
// it; -1 for any other.
int metricIndex(char16_t c)
{
    if (c >= 0x20 && c < 0x7F)
        return c - 0x20;
    if (c >= 0xA0 && c <= 0xFF)
        return 95 + (c - 0xA0);
    for (int i = 191; i < 201; ++i) {
        if (kMetricChars[i] == c)
            return i;
    }
    return -1;
}

const FaceMetrics& metrics(FontFaces::Face face, const CharFormat& f)
{
    return kFaces[static_cast<int>(face)][(f.bold ? 1 : 0) + (f.italic ? 2 : 0)];
}

} // namespace

FontFaces::Face FontFaces::faceOf(const QString& name)
{
    if (name.isEmpty())
        return Face::Serif;
    // Runs of one paragraph mostly share their font.
    if (name == m_lastName)
        return m_lastFace;
    auto found = m_faces.constFind(name);
    if (found == m_faces.constEnd())
        found = m_faces.insert(name, classify(name));
    m_lastName = name;
    m_lastFace = found.value();
    return m_lastFace;
}

QString FontFaces::cssFamily(const QString& name)
{
    if (name == m_lastFamilyName && !m_lastFamily.isEmpty())
        return m_lastFamily;
    m_lastFamilyName = name;
    m_lastFamily = family(name);
    return m_lastFamily;
}

QString FontFaces::family(const QString& name)
{
    const FaceNames& face = kFaceNames[static_cast<int>(faceOf(name))];
    QString list;
    if (!name.isEmpty())
        list = QLatin1Char('"') + name + QLatin1Char('"');
    for (const char* real : face.names) {
        if (name.compare(QLatin1String(real), Qt::CaseInsensitive) == 0)
            continue;
        if (!list.isEmpty())
            list += QLatin1Char(',');
        list += QLatin1Char('"') + QLatin1String(real) + QLatin1Char('"');
    }
    return list + QLatin1Char(',') + QLatin1String(face.generic);
}

double FontFaces::drawnSize(const CharFormat& f, double sizePt)
{
    const double size = f.fontSizePt > 0 ? f.fontSizePt : sizePt;
    // font-size:smaller is a step of 1.2.
    return f.superscript || f.subscript ? size / 1.2 : size;
}

double FontFaces::width(QStringView text, const CharFormat& f, double sizePt)
{
    const FaceMetrics& m = metrics(faceOf(f.fontName), f);
    const double size = drawnSize(f, sizePt);
    const int fallback = m.widths[metricIndex(u'n')];
    double total = 0; // thousandths of an em
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue;
        // Small capitals are capitals drawn at 70 %.
        const bool small = f.smallCaps && c.isLower();
        const char16_t u = small ? c.toUpper().unicode() : c.unicode();
        const int index = metricIndex(u);
        double w = index >= 0            ? m.widths[index]
                   : u >= 0x2E80         ? 1000 // CJK and beyond: a full em
                   : c.isHighSurrogate() ? 1000
                                         : fallback;
        total += small ? w * 0.7 : w;
    }
    return total * size / 1000;
}

double FontFaces::normalLineHeight(const CharFormat& f, double sizePt)
{
    const FaceMetrics& m = metrics(faceOf(f.fontName), f);
    // A browser rounds each of ascent, descent and line gap to whole pixels.
    const double px = drawnSize(f, sizePt) * 4 / 3;
    const double pixels = std::round(m.ascent * px / 1000) + std::round(m.descent * px / 1000) +
                          std::round(m.lineGap * px / 1000);
    return pixels * 0.75;
}

} // namespace engine
