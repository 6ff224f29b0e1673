// Quillon engine: writes a Document as HTML5.
#pragma once

#include "Document.h"

#include <QByteArray>

namespace wire {
struct Provenance;
}

namespace engine {

// One HTML5 page in UTF-8 that the W3C Nu checker accepts: a title and the document
// properties as meta elements; fonts, sizes, colours, alignment, indents and spacing as CSS
// classes in one style element; headers before and footers after the main text; lists; tables
// with their spans and borders; footnotes and endnotes gathered at the end, each linked to and
// from its reference; page breaks as <hr class="page-break">.
class PictureSink;

struct HtmlOptions {
    // Embedded objects become img elements (or inline svg) from what the sink exported; without
    // a sink they are left out.
    PictureSink* pictures = nullptr;
    // The title is the file name (fallbackTitle) even when the document has a title property.
    bool titleFromFileName = false;
    // Non-empty: the page links this style sheet instead of holding a style element.
    QString styleSheetHref;
    // What the page records of its source, in the head before the title.
    const wire::Provenance* provenance = nullptr;
};

class HtmlWriter final {
public:
    // fallbackTitle is used when the document has no title property. styleSheet, when given,
    // receives the page's style sheet (what the style element holds or the linked file must
    // hold).
    static QByteArray write(const Document& document, const QString& fallbackTitle,
                            const HtmlOptions& options = {}, QByteArray* styleSheet = nullptr);
};

} // namespace engine
