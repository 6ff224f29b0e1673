// Quillon engine: writes a Document as HTML5.
#pragma once

#include "Document.h"

#include <QByteArray>

namespace engine {

// One HTML5 page in UTF-8 that the W3C Nu checker accepts: a title and the document
// properties as meta elements; fonts, sizes, colours, alignment, indents and spacing as CSS
// classes in one style element; headers before and footers after the main text; lists; tables
// with their spans and borders; footnotes and endnotes gathered at the end, each linked to and
// from its reference; page breaks as <hr class="page-break">.
class HtmlWriter final {
public:
    // fallbackTitle is used when the document has no title property.
    static QByteArray write(const Document& document, const QString& fallbackTitle);
};

} // namespace engine
