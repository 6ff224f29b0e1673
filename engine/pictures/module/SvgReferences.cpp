// Quillon engine: SVG pictures stripped of every reference to something outside them.
#include "SvgReferences.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace engine::svg {
namespace {

bool isLink(const QXmlStreamAttribute& a)
{
    return a.name() == u"href" ||
           (a.name() == u"base" && a.namespaceUri() == u"http://www.w3.org/XML/1998/namespace");
}

// The bytes of a base64 "data:" URL; null for anything else.
QByteArray dataUrlBytes(QStringView url)
{
    url = url.trimmed();
    if (!url.startsWith(u"data:", Qt::CaseInsensitive))
        return {};
    const qsizetype comma = url.indexOf(u',');
    if (comma < 0 || !url.left(comma).endsWith(u";base64", Qt::CaseInsensitive))
        return {};
    const auto decoded = QByteArray::fromBase64Encoding(url.mid(comma + 1).toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

} // namespace

QByteArray withoutReferences(const QByteArray& svg,
                             const std::function<bool(const QByteArray&)>& embeddable)
{
    QXmlStreamReader in(svg);
    QByteArray out;
    QXmlStreamWriter w(&out);
    int skipped = 0; // depth inside an element left out
    while (!in.atEnd()) {
        switch (in.readNext()) {
        case QXmlStreamReader::StartElement: {
            if (skipped > 0) {
                ++skipped;
                break;
            }
            const QXmlStreamAttributes attributes = in.attributes();
            if (in.name() == u"image") {
                QStringView link;
                for (const QXmlStreamAttribute& a : attributes)
                    if (a.name() == u"href")
                        link = a.value();
                const QByteArray bytes = dataUrlBytes(link);
                if (bytes.isEmpty() || !embeddable(bytes)) {
                    skipped = 1;
                    break;
                }
            }
            w.writeStartElement(in.namespaceUri().toString(), in.name().toString());
            for (const QXmlStreamNamespaceDeclaration& ns : in.namespaceDeclarations())
                w.writeNamespace(ns.namespaceUri().toString(), ns.prefix().toString());
            for (const QXmlStreamAttribute& a : attributes) {
                const bool local = a.value().startsWith(u'#');
                const bool image = in.name() == u"image" && a.name() == u"href";
                if (!isLink(a) || (a.name() == u"href" && (local || image)))
                    w.writeAttribute(a);
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            if (skipped > 0)
                --skipped;
            else
                w.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (skipped == 0) {
                if (in.isCDATA())
                    w.writeCDATA(in.text().toString());
                else
                    w.writeCharacters(in.text().toString());
            }
            break;
        default: // the declaration, a document type, entities, comments, processing instructions
            break;
        }
    }
    if (in.hasError())
        return {};
    w.writeEndDocument();
    return out;
}

} // namespace engine::svg
