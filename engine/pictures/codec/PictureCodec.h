// Quillon engine: decoding, rendering and encoding pictures, kept in a module of its own.
#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace engine {

// A picture converted into the bytes of an image file.
struct EncodedPicture {
    QByteArray bytes; // empty when the picture could not be converted
    int width = 0;    // pixels
    int height = 0;
    // Why the picture could not be converted, or what of it could not be drawn (an embedded
    // metafile left out of a graphic): one short line, empty when all went well.
    QString problem;
    // Not converted: the picture shows text, and the font database must first be opened on the
    // main thread (see PictureCodec::prepare); convert it again then.
    bool needsFonts = false;
};

// A picture decoded or drawn, before it is encoded.
struct RenderedPicture {
    // The image (a QImage, which only the picture module knows); none when the picture could
    // not be converted. A large picture's holds the right to convert large pictures until it
    // is released: encode it and let it go on the same thread.
    std::shared_ptr<const void> image;
    int width = 0; // pixels
    int height = 0;
    QString problem;         // as EncodedPicture::problem
    bool needsFonts = false; // as EncodedPicture::needsFonts
};

// The picture machinery links Qt GUI, libwpg and libwmf, whose loading and relocation cost more
// than converting a small document. It lives in the module quillon-engine-pictures.so beside the
// program and is opened the first time a document has a picture.
// Thread-safe: pictures are converted on thread pools; only prepare() needs the main thread.
class PictureCodec {
public:
    // Pictures converted at once by each of the engine's two picture pools (the reading cache's
    // and the publish's), whatever the number of processors: every conversion holds an image and
    // its decoder's buffers, so this, not the machine, bounds the memory a document's pictures
    // take. More would hardly help: archives are converted by several engines at once.
    static constexpr int kThreadsPerPool = 2;

    virtual ~PictureCodec() = default;

    // Renders a WordPerfect graphic (WPG 1 or 2) to SVG with libwpg; empty when it cannot.
    // Pictures embedded in the graphic are kept where they are in a format a browser and Qt
    // draw (a Windows Metafile is drawn into a PNG); one that cannot be drawn is left out and
    // *problem says so.
    virtual QByteArray wpgToSvg(const QByteArray& wpg, QString* problem = nullptr) const = 0;

    // Decodes the object: a WPG graphic that wraps one bitmap or metafile as that picture, any
    // other drawn at 96 dots per inch, longest side at most 2048 pixels; anything else by its
    // content: a bitmap, or a Windows Metafile drawn at 96 dots per inch. A bitmap whose size
    // does not fit the bytes it holds, or passes a sane ceiling, is refused before anything is
    // allocated.
    virtual RenderedPicture render(const QByteArray& data) const = 0;
    // Encodes a rendered picture as JPEG (on white, since JPEG has no transparency) or PNG.
    virtual EncodedPicture encode(const RenderedPicture& picture, PictureFormat format,
                                  int jpegQuality) const = 0;
    // Both.
    EncodedPicture convert(const QByteArray& data, PictureFormat format, int jpegQuality) const
    {
        return encode(render(data), format, jpegQuality);
    }

    // Whether converting the picture may take much memory (judged from its header): such
    // pictures are converted one at a time, and kept no longer than it takes.
    virtual bool large(const QByteArray& data) const = 0;

    // Whether drawing the picture may need the font database (a graphic or metafile with text),
    // judged from its records without drawing it.
    virtual bool needsFonts(const QByteArray& data) const = 0;
    // Opens the font database (an offscreen application object, which only the main thread may
    // create): called on the main thread before a picture that needs fonts is converted on
    // another one.
    virtual void prepare() const = 0;

    // The module's codec, or null (and why in *error) when the module cannot be loaded.
    static const PictureCodec* instance(QByteArray* error = nullptr);
};

} // namespace engine

// The module's one entry point.
extern "C" const engine::PictureCodec* quillon_engine_picture_codec();
