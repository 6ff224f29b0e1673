// Quillon engine fuzz target: bytes through the reader and both writers, all in memory.
#include "DocumentReader.h"
#include "EngineError.h"
#include "HtmlWriter.h"
#include "XmlWriter.h"

#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    engine::Document document;
    try {
        document = engine::DocumentReader::readBytes(bytes, QStringLiteral("fuzz input"));
    } catch (const engine::EngineError&) {
        return 0;
    }
    (void)document.isBlank();
    const QByteArray xml = engine::XmlWriter::write(document, QStringLiteral("fuzz"));
    (void)engine::HtmlWriter::write(document, QStringLiteral("fuzz"));

    // Whatever the input, the XML must be well-formed.
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        std::abort();
    return 0;
}
