// Quillon engine: the faces a browser draws a document's fonts with, and their metrics.
#pragma once

#include "Document.h"

#include <QHash>
#include <QString>
#include <QStringView>

namespace engine {

// Documents name their fonts as their printer or system knew them ("Courier 10cpi", "TmsRmn",
// "Helve", "Arial  (TT)"), names no reader's machine may have. FontFaces gives each name the real
// face it stands for among the metric-compatible faces Debian ships (Liberation, Carlito,
// Caladea, DejaVu), a CSS font-family list that keeps the document's name first, then that face
// under the names other systems know it by, then a generic family, and what a browser draws
// with it: the width of a text and the height of a line at line-height normal.
class FontFaces final {
public:
    enum class Face { Serif, Sans, Mono, Carlito, Caladea, DejaVu, SansNarrow };

    // The face a font name stands for (fixed-pitch names are Mono; unknown names Serif unless
    // the name says sans).
    Face faceOf(const QString& name);
    // The font-family list for a font name; for an empty name, the page's own.
    QString cssFamily(const QString& name);
    // What a browser draws for text in this format, in points; sizePt is the size of text
    // whose format gives none.
    double width(QStringView text, const CharFormat& format, double sizePt = 12);
    // The height of a line of this format at line-height normal, in points.
    double normalLineHeight(const CharFormat& format, double sizePt = 12);
    // The size text in this format is drawn at (super- and subscripts smaller), in points.
    static double drawnSize(const CharFormat& format, double sizePt = 12);

private:
    QString family(const QString& name);

    QHash<QString, Face> m_faces;
    QString m_lastName;
    Face m_lastFace = Face::Serif;
    QString m_lastFamilyName;
    QString m_lastFamily;
};

} // namespace engine
