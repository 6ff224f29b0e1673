// Quillon engine: writes a Document as DocBook 5.0.
#pragma once

#include "Document.h"

#include <QByteArray>

namespace wire {
struct Provenance;
}

namespace engine {

// DocBook 5.0 in UTF-8, valid against the DocBook 5.0 RELAX NG schema: an article whose info
// holds the document properties, paragraphs as para (headings as bridgehead), character
// formatting as emphasis (role bold, underline, strikethrough ...), superscript, subscript and
// phrase roles, lists, tables in the HTML table model with their spans, footnotes and endnotes
// as footnote (endnotes with role "endnote"), links as link, headers, footers, text boxes and
// comments as sidebar with a role, page breaks as <?page-break?> and line breaks as
// <?line-break?> processing instructions.
class PictureSink;

class XmlWriter final {
public:
    // fallbackTitle is used when the document has no title property. Embedded objects become
    // inlinemediaobject elements referencing what `pictures` exported; without a sink they are
    // left out. The provenance, when given, goes into info after the title.
    static QByteArray write(const Document& document, const QString& fallbackTitle,
                            PictureSink* pictures = nullptr,
                            const wire::Provenance* provenance = nullptr);
};

} // namespace engine
