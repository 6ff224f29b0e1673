// Quillon engine fuzz target: bytes through the reader and both writers, all in memory, and
// through the picture module: the document's embedded pictures, or the bytes themselves as a
// picture (a WordPerfect graphic, a metafile, a bitmap) when they are not a document.
#include "DocumentReader.h"
#include "EngineError.h"
#include "HtmlWriter.h"
#include "PictureCodec.h"
#include "PictureSink.h"
#include "XmlWriter.h"

#include <QXmlStreamReader>

#include <cstdint>
#include <cstdlib>

namespace {

void convertPicture(const QByteArray& bytes)
{
    const engine::PictureCodec* codec = quillon_engine_picture_codec();
    const engine::EncodedPicture png = codec->convert(bytes, engine::PictureFormat::Png, 80);
    // A picture is either converted or says why not.
    if (png.bytes.isEmpty() && png.problem.isEmpty())
        std::abort();
    QString problem;
    (void)codec->wpgToSvg(bytes, &problem);
}

// Converts the pictures the writer asks for, as the publish does.
class Pictures final : public engine::PictureSink {
public:
    engine::PictureRef picture(const engine::Inline& object) override
    {
        engine::PictureRef ref;
        ref.alt = QStringLiteral("Picture");
        if (m_budget-- > 0) // keeps one execution short
            convertPicture(object.data);
        ref.src = QStringLiteral("p.png");
        return ref;
    }

private:
    int m_budget = 4;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    engine::Document document;
    try {
        document = engine::DocumentReader::readBytes(bytes, QStringLiteral("fuzz input"));
    } catch (const engine::EngineError&) {
        convertPicture(bytes);
        return 0;
    }
    (void)document.isBlank();
    Pictures pictures;
    const QByteArray xml = engine::XmlWriter::write(document, QStringLiteral("fuzz"), &pictures);
    (void)engine::HtmlWriter::write(document, QStringLiteral("fuzz"));

    // Whatever the input, the XML must be well-formed.
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        std::abort();
    return 0;
}
